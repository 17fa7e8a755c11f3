// The report's figures as one JSON document, whole numbers and texts only,
// so that every build writes the same bytes.
#ifndef YODX_REPORT_JSON_H_
#define YODX_REPORT_JSON_H_

#include <string>

#include "tools/yodx/report/figures.h"

namespace yodx {
namespace report {

// {"period": {"start", "end"} or null, "qsos", "hours": [{"start", "bands":
// {"80m": n, ...}, "total"}], "best_rate": {"10": {"qsos", "start"}, "30",
// "60"}, "breaks": [{"from", "to", "minutes"}], "on_time_minutes",
// "counties": {"80m": {"worked": [...], "missing": [...]}, ...},
// "multipliers_by_hour": [{"end", "dxcc", "counties"}], "continents":
// {"80m": {"AF": n, ..., "SA": n, "unknown": n}}, "countries": {"80m":
// [{"country", "qsos"}]}, "run": [{"start", "run", "percent"}], "score":
// {"organiser": {...}, "plugin": {...}, "differences": [{"rule",
// "explanation", "qsos", "points", "multipliers", "score"}]}}. counties,
// multipliers_by_hour and score are null without the organiser's count, run
// without frequencies.
std::string Json(const Figures& f);

}  // namespace report
}  // namespace yodx

#endif  // YODX_REPORT_JSON_H_
