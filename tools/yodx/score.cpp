// score LOG [options]: resets the plug-in, feeds it every contact of LOG and
// prints its summary, byte for byte; with --cabrillo the plug-in also writes
// the Cabrillo log.
#include <cstdio>

#include "tools/replay/command_line.h"
#include "tools/yodx/commands.h"

namespace yodx {

static_assert(kReplayIncomplete == kUsage, "a replay that stops is a command that cannot");

int ScoreCommand(const std::vector<std::string>& args) {
  ReplayOptions options;
  std::vector<std::string> positional;
  if (!ParseReplayOptions(args, &options, &positional)) return kUsage;
  WarnOfHeaderAnswers(options);
  if (positional.size() != 1) {
    Usage(stderr);
    return kUsage;
  }
  options.log_path = positional[0];

  Replay replay(options);
  bool stopped = false;
  const int status = RunReplay(&replay, options.out_dir, &stopped);
  if (stopped) return status;
  WriteStdout(replay.result().summary);
  if (!replay.result().cabrillo_file.empty()) {
    std::fprintf(stderr, "yodx: Cabrillo log written to %s\n",
                 replay.result().cabrillo_file.c_str());
  }
  return status;
}

}  // namespace yodx
