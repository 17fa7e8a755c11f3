// The report as one HTML page that anyone can mail or open offline: no
// script and no reference to anything outside it, its charts inline SVG,
// its style inline CSS that fits a phone's width and prints. Every chart's
// numbers are in a table beside it or in its marks' titles.
#ifndef YODX_REPORT_PAGE_H_
#define YODX_REPORT_PAGE_H_

#include <string>

#include "tools/yodx/report/figures.h"

namespace yodx {
namespace report {

// The page for the figures of the log named LOG_NAME. A period without a
// contact gives a page that says so, and the score, without charts.
std::string Page(const Figures& f, const std::string& log_name);

}  // namespace report
}  // namespace yodx

#endif  // YODX_REPORT_PAGE_H_
