// The organiser's cross-check of the logs that count: crosscheck's engine
// (ReadLogs, CheckContest) over the current logs as the store holds them,
// and its pages (the results page and CSV, a report per station, the JSON,
// the summary), as `yodx crosscheck --out` writes them.
#ifndef YODX_SERVE_CONTEST_RUN_H_
#define YODX_SERVE_CONTEST_RUN_H_

#include <string>
#include <utility>
#include <vector>

#include "tools/contest/cty.h"
#include "tools/yodx/serve/store.h"
#include "tools/yodx/serve/zip.h"

namespace yodx {
namespace serve {

struct ContestRun {
  RunRecord run;
  std::vector<std::pair<std::string, std::string>> reports;  // (call, report)
};

// Checks LOGS (each current log with its bytes) against one another on
// THREADS threads, at NOW.
ContestRun RunCrosscheck(const std::vector<std::pair<LogRecord, std::string>>& logs,
                         const CtyFile& countries, int threads, UnixSeconds now);

// The file name a station's log goes by in the cross-check and in the zip:
// its call with every character but letters, digits and '-' as '_', ".log".
std::string LogFileName(const std::string& call);

// The zip's entries: each current log under its file name, as uploaded.
std::vector<ZipEntry> CurrentLogEntries(const std::vector<std::pair<LogRecord, std::string>>& logs);

}  // namespace serve
}  // namespace yodx

#endif  // YODX_SERVE_CONTEST_RUN_H_
