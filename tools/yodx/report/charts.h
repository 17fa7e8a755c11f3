// The report page's charts, each one inline SVG element sized by its
// viewBox: the contacts per hour stacked by band, the multipliers as they
// came in, the rates and breaks on a time line, and the county board. Every
// mark carries its number in a <title>, and the bands are told apart by the
// Okabe-Ito colours, which colour-blind readers can tell apart, and by their
// order, which the legend gives.
#ifndef YODX_REPORT_CHARTS_H_
#define YODX_REPORT_CHARTS_H_

#include <string>

#include "tools/yodx/report/figures.h"

namespace yodx {
namespace report {

// The colour of a band, the same in every chart and table.
const char* BandColour(const std::string& band);

// "Sat" ... "Fri" of a time.
const char* DayName(UtcSeconds t);

// "13:05" of a time.
std::string Hhmm(UtcSeconds t);

// "22 h 05 min".
std::string Duration(int minutes);

// The charts; each needs a period with contacts. The multiplier chart and
// the county board need the organiser's count.
std::string HourChart(const Figures& f);
std::string MultiplierChart(const Figures& f);
std::string Timeline(const Figures& f);
std::string CountyBoard(const Figures& f);

}  // namespace report
}  // namespace yodx

#endif  // YODX_REPORT_CHARTS_H_
