#include "tools/yodx/lint_command.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "tools/contest/contact.h"
#include "tools/contest/cty.h"
#include "tools/plugin_loader.h"
#include "tools/yodx/compact.h"
#include "tools/yodx/lint.h"

namespace yodx {

namespace fs = std::filesystem;

namespace {

constexpr int kUsage = 2;

int Fail(int status, const std::string& message) {
  std::fprintf(stderr, "yodx: %s\n", Printable(message, 400).c_str());
  return status;
}

// The whole file, for a Cabrillo log: false with *error when it cannot be
// read or is not a Cabrillo log at all.
bool ReadCabrillo(const std::string& path, std::string* text, std::string* error) {
  std::error_code ec;
  if (fs::is_directory(path, ec)) {
    *error = "cannot read log file " + path + ": it is a folder";
    return false;
  }
  if (!ReadLogText(path, text, error)) return false;
  if (DetectFormat(*text) != LogFormat::kCabrillo) {
    *error = path + " is not a Cabrillo log (no START-OF-LOG: line and no QSO: lines)";
    return false;
  }
  return true;
}

bool WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return !out.fail();
}

void WriteStdout(const std::string& text) {
  stats::tools::SetBinaryStdout();                   // the same bytes on every platform
  std::fwrite(text.data(), 1, text.size(), stdout);  // checked when the program ends
}

}  // namespace

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
      const std::string& start = args[++i];
      const std::string& end = args[++i];
      if (!ParseUtcTime(start, false, &options.start) || !ParseUtcTime(end, true, &options.end)) {
        std::string message = "--period takes two UTC times YYYY-MM-DD[THH:MM[:SS]], not '";
        message += start + "' '";
        message += end + "'";
        return Fail(kUsage, message);
      }
      if (options.start > options.end) return Fail(kUsage, "--period ends before it starts");
      options.period_given = true;
    }
  }
  if (log_path.empty()) {
    return Fail(kUsage, "usage: yodx lint LOG [--cty FILE] [--period START END] [--json FILE]");
  }

  std::string text, error;
  if (!ReadCabrillo(log_path, &text, &error)) return Fail(kUsage, error);
  CtyFile countries;
  if (!LoadCountryFile(cty_path, &countries, &error)) return Fail(kUsage, error);

  const LintResult result = LintCabrillo(text, countries, options);
  if (!json_path.empty() && !WriteFile(json_path, FindingsJson(result))) {
    return Fail(kUsage, "cannot write " + json_path);
  }
  WriteStdout(FormatFindings(log_path, result));
  return result.errors > 0 ? 1 : 0;
}

int CompactCommand(const std::vector<std::string>& args) {
  if (args.size() != 2 || args[0].compare(0, 2, "--") == 0 || args[1].compare(0, 2, "--") == 0) {
    return Fail(kUsage, "usage: yodx compact LOG OUT");
  }
  const std::string& log_path = args[0];
  const std::string& out_path = args[1];
  std::string text, error;
  if (!ReadCabrillo(log_path, &text, &error)) return Fail(kUsage, error);
  std::error_code ec;
  if (log_path == out_path || fs::equivalent(log_path, out_path, ec)) {
    return Fail(kUsage, out_path + " is the log itself; give another file for the copy");
  }
  const std::string compact = CompactCabrillo(text);
  if (!WriteFile(out_path, compact)) return Fail(1, "cannot write " + out_path);
  std::fprintf(stderr, "yodx: %s written: %s bytes (the log has %s)\n",
               Printable(out_path, 200).c_str(), Grouped(compact.size()).c_str(),
               Grouped(text.size()).c_str());
  if (compact.size() > kUploadLimitBytes) {
    return Fail(1, "the copy is still over the upload page's limit of " +
                       Grouped(kUploadLimitBytes) + " bytes: ask the organiser how to send it");
  }
  return 0;
}

}  // namespace yodx
