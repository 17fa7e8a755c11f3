// lint LOG [--cty FILE] [--period START END] [--json FILE]: the findings of
// the contest's robot on a Cabrillo log, before the operator sends it.
#include <cstdio>

#include "tools/contest/contact.h"
#include "tools/contest/cty.h"
#include "tools/yodx/commands.h"
#include "tools/yodx/lint/linter.h"

namespace yodx {

int LintCommand(const std::vector<std::string>& args) {
  std::string log_path, cty_path, json_path;
  LintOptions options;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.compare(0, 2, "--") != 0) {
      if (!log_path.empty()) return Fail(kUsage, "lint takes one log, not also " + arg);
      log_path = arg;
      continue;
    }
    const size_t values = arg == "--period" ? 2 : 1;
    if (arg != "--cty" && arg != "--json" && arg != "--period") {
      return Fail(kUsage, "unknown option " + arg + " for lint");
    }
    if (i + values >= args.size()) {
      return Fail(kUsage, arg + (values == 2 ? " needs START and END" : " needs a value"));
    }
    if (arg == "--cty") {
      cty_path = args[++i];
    } else if (arg == "--json") {
      json_path = args[++i];
    } else {
      std::string message;
      if (!ReadPeriodOption(args[i + 1], args[i + 2], &options.start, &options.end, &message)) {
        return Fail(kUsage, message);
      }
      i += 2;
      options.period_given = true;
    }
  }
  if (log_path.empty()) {
    return Fail(kUsage, "usage: yodx lint LOG [--cty FILE] [--period START END] [--json FILE]");
  }

  std::string text, error;
  if (!ReadCabrilloText(log_path, &text, &error)) return Fail(kUsage, error);
  CtyFile countries;
  if (!LoadCountryFile(cty_path, &countries, &error)) return Fail(kUsage, error);

  const LintResult result = LintCabrillo(text, countries, options);
  if (!json_path.empty() && !WriteFileBytes(json_path, FindingsJson(result))) {
    return Fail(kUsage, "cannot write " + json_path);
  }
  WriteStdout(FormatFindings(log_path, result));
  return result.errors > 0 ? 1 : 0;
}

}  // namespace yodx
