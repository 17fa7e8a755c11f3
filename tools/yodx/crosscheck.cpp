// crosscheck DIR [--json FILE] [--out DIR] [--window MIN] [--penalty-busted N]
// [--penalty-nil N] [--cty FILE]: the organiser's check of a whole contest,
// every log against every other.
#include <algorithm>
#include <thread>

#include "tools/contest/cty.h"
#include "tools/contest/text.h"
#include "tools/yodx/commands.h"
#include "tools/yodx/crosscheck/checker.h"
#include "tools/yodx/crosscheck/reports.h"

namespace yodx {

namespace {

constexpr const char* kUsageLine =
    "usage: yodx crosscheck DIR [--json FILE] [--out DIR] [--window MIN] [--penalty-busted N] "
    "[--penalty-nil N] [--cty FILE]";

// A whole number from LOW to HIGH.
bool ReadNumber(const std::string& text, int low, int high, int* out) {
  if (!AllDigits(text) || text.size() > 6) return false;
  *out = std::stoi(text);
  return *out >= low && *out <= high;
}

void Say(const std::string& line) {
  WriteStdout(line);
  std::fflush(stdout);
}

}  // namespace

int CrosscheckCommand(const std::vector<std::string>& args) {
  CommandLine line;
  std::string message;
  if (!ReadCommandLine(
          args, "crosscheck", "folder",
          {"--json", "--out", "--cty", "--window", "--penalty-busted", "--penalty-nil"}, &line,
          &message)) {
    return Fail(kUsage, message);
  }
  const std::string& dir = line.operand;
  const std::string json_path = line.Value("--json"), out_dir = line.Value("--out"),
                    cty_path = line.Value("--cty");
  crosscheck::Options options;
  static const struct {
    const char* name;
    int low, high;
    int crosscheck::Options::*number;
  } kNumbers[] = {{"--window", 0, 1440, &crosscheck::Options::window_minutes},
                  {"--penalty-busted", 0, 100, &crosscheck::Options::penalty_busted},
                  {"--penalty-nil", 0, 100, &crosscheck::Options::penalty_nil}};
  for (const auto& number : kNumbers) {
    if (line.Values(number.name) == nullptr) continue;
    const std::string value = line.Value(number.name);
    if (!ReadNumber(value, number.low, number.high, &(options.*number.number))) {
      std::string why = std::string(number.name) + " takes a whole number from ";
      why += std::to_string(number.low) + " to " + std::to_string(number.high);
      why += ", not '" + value;
      return Fail(kUsage, why + "'");
    }
  }
  if (dir.empty()) return Fail(kUsage, kUsageLine);

  std::string error;
  CtyFile countries;
  if (!LoadCountries(cty_path, dir, &countries, &error)) return Fail(kUsage, error);
  options.threads = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 16u));
  crosscheck::Contest contest;
  if (!crosscheck::ReadContestFolder(dir, options.threads, &contest, &error)) {
    return Fail(kUsage, error);
  }
  for (const crosscheck::Skipped& s : contest.skipped) {
    Say("skipped " + Printable(s.file, 200) + ": " + Printable(s.reason, 300) + "\n");
  }
  if (contest.logs.empty()) return Fail(kUsage, "no Cabrillo log in " + dir);
  Say("checking " + GroupedNumber(contest.logs.size()) + " logs, " +
      CountText(contest.qso_lines()) + " QSO lines\n");

  const std::vector<crosscheck::LogCheck> checks =
      crosscheck::CheckContest(contest, countries, options);
  const crosscheck::Checked checked{contest, checks, options};
  auto progress = [&](size_t l) { Say(crosscheck::ProgressLine(checked, l)); };
  if (out_dir.empty()) {
    for (size_t l = 0; l < contest.logs.size(); ++l) progress(l);
  } else if (!crosscheck::WriteReportFolder(checked, out_dir, progress)) {
    return kUsage;
  }
  if (!json_path.empty() && !WriteOutput(json_path, crosscheck::ContestJson(checked))) {
    return kUsage;
  }
  WriteStdout(crosscheck::Summary(checked));
  return 0;
}

}  // namespace yodx
