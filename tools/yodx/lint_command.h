// The "lint" and "compact" commands of yodx: their arguments, files, output
// and exit status, over LintCabrillo and CompactCabrillo.
#ifndef YODX_LINT_COMMAND_H_
#define YODX_LINT_COMMAND_H_

#include <string>
#include <vector>

namespace yodx {

// lint LOG [--cty FILE] [--period START END] [--json FILE]: the findings on
// standard output. 1 when there is an error, 0 otherwise, 2 for a usage
// error or a file that cannot be read or written.
int LintCommand(const std::vector<std::string>& args);

// compact LOG OUT: 0 when OUT is written and within the upload limit, 1
// when it cannot be written or is still over, 2 for a usage error, an
// unreadable or non-Cabrillo LOG, or OUT naming LOG itself.
int CompactCommand(const std::vector<std::string>& args);

}  // namespace yodx

#endif  // YODX_LINT_COMMAND_H_
