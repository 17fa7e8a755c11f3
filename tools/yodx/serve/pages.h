// Everything the robot answers with: the station's pages, the public list
// as a page, CSV and JSON, the organiser's pages and JSON. Every text that
// comes from a log or a client is escaped here, for HTML by HtmlText and for
// CSV by CsvCell; the pages hold no script and refer to nothing outside the
// robot.
#ifndef YODX_SERVE_PAGES_H_
#define YODX_SERVE_PAGES_H_

#include <string>
#include <vector>

#include "tools/yodx/serve/intake.h"
#include "tools/yodx/serve/store.h"

namespace yodx {
namespace serve {

// What the pages say of the robot's state.
struct RobotState {
  UploadWindow window;
  UnixSeconds now = 0;
  long long published_run = 0;  // 0: nothing published
  size_t body_limit = 0;
};

// "Logs are due by ..."; "Uploads closed at ..."; "No deadline is set."
std::string WindowSentence(const RobotState& state);

// GET /: the upload form (a file, or the text pasted), and once results are
// published, the form that finds a station's report by its receipt.
std::string UploadPage(const RobotState& state);

// The answer to the form: the receipt (or why the log was refused) and every
// finding with its line. RECEIPT is "" unless the log was kept.
std::string UploadAnswerPage(const Assessment& a, const std::string& receipt, UnixSeconds received);
// The same for POST /api/logs: {"status", "message", "call", "category",
// "qso_lines", "claimed_score": {"organiser", "plugin", "differences"} or
// null, "receipt", "sha256", "size", "received", "late", "errors",
// "warnings", "findings": [{"line", "severity", "message"}]}.
std::string UploadAnswerJson(const Assessment& a, const std::string& receipt, UnixSeconds received);

// The logs received: one row per call, its current log.
std::string LogsPage(const std::vector<LogRecord>& logs, const RobotState& state);
std::string LogsCsv(const std::vector<LogRecord>& logs);
std::string LogsJson(const std::vector<LogRecord>& logs);

// A page of one sentence (an error, "not published yet"), and the same as
// {"error": SENTENCE}.
std::string MessagePage(const std::string& title, const std::string& sentence);
std::string MessageJson(const std::string& sentence);

// The organiser's log-in form, with SENTENCE above it when not "".
std::string LoginPage(const std::string& sentence);

struct AdminState {
  RobotState robot;
  long long current = 0, versions = 0, refused = 0;
  bool has_run = false;
  RunRecord run;  // the latest cross-check, when has_run (its pages left out)
};
std::string AdminPage(const AdminState& state);
std::string AdminStatusJson(const AdminState& state);
// Every version of every log, newest first.
std::string VersionsPage(const std::vector<LogRecord>& versions);
std::string VersionsJson(const std::vector<LogRecord>& versions);
// The refused attempts, newest first, with their findings.
std::string RefusedPage(const std::vector<RefusedRecord>& refused);
std::string RefusedJson(const std::vector<RefusedRecord>& refused);
// The latest cross-check: its summary, what is published, and the links to
// its results page and to each station's report.
std::string RunPage(const RunRecord& run, const std::vector<std::string>& calls,
                    long long published_run);
// {"run", "created", "logs", "published", "summary"}.
std::string RunJson(const RunRecord& run, long long published_run);

}  // namespace serve
}  // namespace yodx

#endif  // YODX_SERVE_PAGES_H_
