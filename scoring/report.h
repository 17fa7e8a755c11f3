// The rejection report "err.txt": one line for every refused contact, every
// refused Romanian county code and every duplicate, each with its reason.
#ifndef STATS_SCORING_REPORT_H_
#define STATS_SCORING_REPORT_H_

#include <string>

#include "scoring/engine.h"

namespace stats {

// The reasons, exactly as they end a report line.
inline constexpr char kNoContestBand[] = "   NO CONTEST BAND !!!";
inline constexpr char kNoContestMode[] = "   NO CONTEST MODE !!!";
inline constexpr char kNoRxNumber[] = "   NO RX NUMBER !!!";
inline constexpr char kDupe[] = "   DUPE !!!";
inline constexpr char kBadCounty[] = "  Romanian Code Area is not acceptable !!!";

// The lines one entry produces, written to the report in one append.
class ReportLines {
 public:
  explicit ReportLines(const COleDateTime& when) : when_(when) {}

  // One line for the QSO; normalizedCounty (county lines only) goes before the message.
  void Add(const QsoView& qso, const std::string* normalizedCounty, const char* message);

  // Appends the lines to the report.
  void Flush(Contest& state, FileSystem& files);

 private:
  COleDateTime when_;
  std::string whenText_;  // formatted on the first line: clean contacts never need it
  std::string text_;
};

}  // namespace stats

#endif  // STATS_SCORING_REPORT_H_
