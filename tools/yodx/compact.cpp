// compact LOG OUT: a copy of a Cabrillo log with one blank between the fields
// of its QSO lines, to bring it under the upload page's limit.
#include <cstdio>
#include <filesystem>

#include "tools/contest/cabrillo_compact.h"
#include "tools/contest/contact.h"
#include "tools/contest/rules.h"
#include "tools/yodx/commands.h"

namespace yodx {

namespace fs = std::filesystem;

int CompactCommand(const std::vector<std::string>& args) {
  if (args.size() != 2 || args[0].compare(0, 2, "--") == 0 || args[1].compare(0, 2, "--") == 0) {
    return Fail(kUsage, "usage: yodx compact LOG OUT");
  }
  const std::string& log_path = args[0];
  const std::string& out_path = args[1];
  std::string text, error;
  if (!ReadCabrilloText(log_path, &text, &error)) return Fail(kUsage, error);
  std::error_code ec;
  if (log_path == out_path || fs::equivalent(log_path, out_path, ec)) {
    return Fail(kUsage, out_path + " is the log itself; give another file for the copy");
  }
  const std::string compact = CompactCabrillo(text);
  if (!WriteFileBytes(out_path, compact)) return Fail(kUsage, "cannot write " + out_path);
  std::fprintf(stderr, "yodx: %s written: %s bytes (the log has %s)\n",
               Printable(out_path, 200).c_str(), GroupedNumber(compact.size()).c_str(),
               GroupedNumber(text.size()).c_str());
  if (compact.size() > kUploadLimitBytes) {
    return Fail(kLogHasErrors, "the copy is still over the upload page's limit of " +
                                   GroupedNumber(kUploadLimitBytes) +
                                   " bytes: ask the organiser how to send it");
  }
  return 0;
}

}  // namespace yodx
