// What the cross-check of a contest writes: a report per log in the manner
// of the large contests' checking reports, the results table as CSV and as
// one self-contained HTML page, everything as JSON, and the lines it prints
// while it runs.
#ifndef YODX_CROSSCHECK_REPORTS_H_
#define YODX_CROSSCHECK_REPORTS_H_

#include <functional>
#include <string>
#include <vector>

#include "tools/yodx/crosscheck/checker.h"

namespace yodx {
namespace crosscheck {

// The contest, its check and the options it ran with, as the writers read them.
struct Checked {
  const Contest& contest;
  const std::vector<LogCheck>& checks;
  const Options& options;
};

// The report of log L: the clock offset, the classes and the score before and
// after, then a section per fault (not in log, busted calls with the right
// call and how many logs hold it, wrong exchanges, unique calls, dupes, our
// call as others copied it wrong, the lines the reader read with a warning
// and those it could not use).
std::string LogReport(const Checked& checked, size_t l);

// A station's files go by its call, with '_' for every character but
// letters, digits and '-' ("YO7LBX/P" -> "YO7LBX_P"), cut to its first
// kLongestReportName characters; its report adds ".txt".
constexpr size_t kLongestReportName = 40;
std::string FileStem(const std::string& call);
std::string ReportName(const std::string& call);

// One line a log: "[  12/1100] YO3ABC  812 QSO lines: 780 confirmed, ...".
std::string ProgressLine(const Checked& checked, size_t l);

// The classes over all logs, one line each, after a line of totals.
std::string Summary(const Checked& checked);

// One row a log, by category and then the checked score, best first.
std::string ResultsCsv(const Checked& checked);

// The results by category, and in each by country: no script, no link.
std::string ResultsHtml(const Checked& checked);

// What --out writes into the folder DIR, made when missing: each log's
// report under ReportName (with "-N", N the log's number from 1, when an
// earlier log took the name), AFTER_EACH(l) once log l's is written, then
// results.csv and results.html. False, with the reason on standard error,
// when the folder cannot be made or a file written.
bool WriteReportFolder(const Checked& checked, const std::string& dir,
                       const std::function<void(size_t)>& after_each);

// {"logs": [{"file", "call", "category", "country", "clock_offset_minutes",
// "claimed": {...} or null, "checked": {...} or null, "not_read": N,
// "read_with_warning": N, "qsos": [{"line", "class", "suggest"?, "other_line"?}]}], "skipped":
// [{"file", "reason"}]}
std::string ContestJson(const Checked& checked);

}  // namespace crosscheck
}  // namespace yodx

#endif  // YODX_CROSSCHECK_REPORTS_H_
