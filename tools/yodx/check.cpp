// check LOG CALL BAND MODE [EXCHANGE] [options]: replays LOG, then asks the
// plug-in what the host asks while a contact is typed (duplicate? new
// multiplier? acceptable exchange?) and prints what its two information
// windows would show meanwhile.
#include <cstdio>

#include "tools/contest/text.h"
#include "tools/replay/command_line.h"
#include "tools/yodx/commands.h"

namespace yodx {

namespace {

std::string HostMode(const std::string& mode) {
  std::string m = Upper(mode);
  if (m == "PH" || m == "USB" || m == "LSB") return "SSB";
  return m;
}

}  // namespace

int CheckCommand(const std::vector<std::string>& args) {
  ReplayOptions options;
  std::vector<std::string> positional;
  if (!ParseReplayOptions(args, &options, &positional)) return kUsage;
  if (options.output || !options.header_settings.empty()) {
    std::fprintf(stderr, "yodx: the Cabrillo options belong to score\n");
    return kUsage;
  }
  WarnOfHeaderAnswers(options);
  if (positional.size() < 4 || positional.size() > 5) {
    Usage(stderr);
    return kUsage;
  }
  options.log_path = positional[0];
  options.windows = true;

  Replay replay(options);
  bool stopped = false;
  const int status = RunReplay(&replay, options.out_dir, &stopped);
  if (stopped) return status;

  const std::string call = Upper(positional[1]);
  const std::string band = Lower(positional[2]);
  const std::string mode = HostMode(positional[3]);
  const std::string exchange = positional.size() > 4 ? positional[4] : "";
  const int answer = replay.CheckCall(call, band, mode, exchange);
  const char* words = answer == 0   ? "duplicate"
                      : answer == 2 ? "new multiplier"
                                    : "not a duplicate, no new multiplier";
  const CtyMatch where = replay.cty().Lookup(call);
  std::string out =
      call + " (" +
      (where.found() ? where.prefix + ", " + where.continent : std::string("no country")) +
      ") on " + band + " " + mode + ": " + words + "\n";
  if (positional.size() > 4) {
    out += "exchange '" + exchange +
           "': " + (replay.IsValidExchange(call, exchange) ? "acceptable" : "not acceptable") +
           "\n";
  }
  out += "\n" + replay.windows()->Describe(call, band);
  WriteStdout(out);
  return status;
}

}  // namespace yodx
