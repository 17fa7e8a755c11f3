// check LOG CALL BAND MODE [EXCHANGE] [options]: replays LOG, then asks the
// plug-in what the host asks while a contact is typed (duplicate? new
// multiplier? acceptable exchange?) and prints what its two information
// windows would show meanwhile.
#include <cstdio>
#include <filesystem>
#include <random>

#include "tools/contest/text.h"
#include "tools/replay/command_line.h"
#include "tools/yodx/commands.h"

namespace yodx {

namespace {

namespace fs = std::filesystem;

std::string HostMode(const std::string& mode) {
  std::string m = Upper(mode);
  if (m == "PH" || m == "USB" || m == "LSB") return "SSB";
  return m;
}

// A question about one contact leaves nothing behind: without --out the
// plug-in's err.txt and Plugins/ go to a folder of the command's own, so
// that those of a host working in the current folder are never touched.
class ScratchFolder {
 public:
  // Creates the folder; false with *error when it cannot.
  bool Create(std::string* error) {
    std::error_code ec;
    start_ = fs::current_path(ec);
    if (ec) {
      *error = "cannot tell the current folder: " + ec.message();
      return false;
    }
    const fs::path base = fs::temp_directory_path(ec);
    if (ec) {
      *error = "no folder for temporary files: " + ec.message();
      return false;
    }
    std::random_device seed;
    for (int attempt = 0; attempt < 16; ++attempt) {
      const fs::path candidate = base / ("yodx-check-" + std::to_string(seed()));
      if (fs::create_directory(candidate, ec)) {
        path_ = candidate;
        return true;
      }
    }
    *error = "cannot create a folder in " + base.string() + ": " + ec.message();
    return false;
  }
  // Back in the folder the command started in, then the scratch folder gone.
  ~ScratchFolder() {
    if (path_.empty()) return;
    std::error_code ec;
    fs::current_path(start_, ec);
    fs::remove_all(path_, ec);
  }
  std::string path() const { return path_.string(); }

 private:
  fs::path start_, path_;
};

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
  ScratchFolder scratch;
  if (options.out_dir.empty()) {
    std::string error;
    if (!scratch.Create(&error)) return Fail(kUsage, error);
    options.out_dir = scratch.path();
  }

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
