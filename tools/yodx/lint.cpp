// lint LOG [--cty FILE] [--period START END] [--json FILE]: the findings of
// the contest's robot on a Cabrillo log, before the operator sends it.
#include <cstdio>

#include "tools/contest/contact.h"
#include "tools/contest/cty.h"
#include "tools/yodx/commands.h"
#include "tools/yodx/lint/linter.h"

namespace yodx {

int LintCommand(const std::vector<std::string>& args) {
  CommandLine line;
  std::string message;
  if (!ReadCommandLine(args, "lint", "log", {"--cty", "--json", "--period"}, &line, &message)) {
    return Fail(kUsage, message);
  }
  const std::string& log_path = line.operand;
  const std::string cty_path = line.Value("--cty"), json_path = line.Value("--json");
  LintOptions options;
  if (const std::vector<std::string>* period = line.Values("--period")) {
    if (!ReadPeriodOption((*period)[0], (*period)[1], &options.start, &options.end, &message)) {
      return Fail(kUsage, message);
    }
    options.period_given = true;
  }
  if (log_path.empty()) {
    return Fail(kUsage, "usage: yodx lint LOG [--cty FILE] [--period START END] [--json FILE]");
  }

  std::string text, error;
  if (!ReadCabrilloText(log_path, &text, &error)) return Fail(kUsage, error);
  CtyFile countries;
  if (!LoadCountries(cty_path, log_path, &countries, &error)) return Fail(kUsage, error);

  const LintResult result = LintCabrillo(text, countries, options);
  if (!json_path.empty() && !WriteOutput(json_path, FindingsJson(result))) return kUsage;
  WriteStdout(FormatFindings(log_path, result));
  return result.errors > 0 ? kLogHasErrors : 0;
}

}  // namespace yodx
