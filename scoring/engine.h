// The scoring engine: contacts in, rejections out, points and multipliers,
// removal, and the answers to the operator's live questions.
//
// Every function works on a Contest passed in, so that the export layer
// owns the module-wide instance and tests can use their own.
#ifndef STATS_SCORING_ENGINE_H_
#define STATS_SCORING_ENGINE_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "log/ole_date.h"
#include "scoring/contest.h"

namespace stats {

class FileSystem;

// The fields of the host's QSO list that entry and removal read.
struct QsoInput {
  std::string ownCall;                          // position 1
  std::string call;                             // 2
  COleDateTime time{0.0, COleDateTime::kNull};  // 3
  uint32_t freqHz = 0;                          // 8
  std::string mode;                             // 9
  std::string rstSent;                          // 10
  std::string rstRcvd;                          // 11
  std::string exchSent;                         // 12
  std::string exchRcvd;                         // 13
  std::string prefix;                           // 23
  std::string continent;                        // 30
  std::string band;                             // 32
};

// The same fields with the texts as views, valid for the call that reads
// them: the exports hand in the host's texts so, and nothing is copied
// before the log stores it.
struct QsoView {
  QsoView() = default;
  QsoView(const QsoInput& qso);  // implicit: a view of the value

  std::string_view ownCall;
  std::string_view call;
  COleDateTime time{0.0, COleDateTime::kNull};
  uint32_t freqHz = 0;
  std::string_view mode;
  std::string_view rstSent;
  std::string_view rstRcvd;
  std::string_view exchSent;
  std::string_view exchRcvd;
  std::string_view prefix;
  std::string_view continent;
  std::string_view band;
};

inline QsoView::QsoView(const QsoInput& qso)
    : ownCall(qso.ownCall),
      call(qso.call),
      time(qso.time),
      freqHz(qso.freqHz),
      mode(qso.mode),
      rstSent(qso.rstSent),
      rstRcvd(qso.rstRcvd),
      exchSent(qso.exchSent),
      exchRcvd(qso.exchRcvd),
      prefix(qso.prefix),
      continent(qso.continent),
      band(qso.band) {}

// The fields of the host's call-check list that the call check reads.
struct CallCheckInput {
  std::string call;    // position 1
  std::string mode;    // 4
  std::string prefix;  // 14
  std::string county;  // 24
  std::string band;    // 25
};

// The same as views, valid for the call.
struct CallCheckView {
  CallCheckView() = default;
  CallCheckView(const CallCheckInput& candidate);  // implicit: a view of the value

  std::string_view call;
  std::string_view mode;
  std::string_view prefix;
  std::string_view county;
  std::string_view band;
};

inline CallCheckView::CallCheckView(const CallCheckInput& candidate)
    : call(candidate.call),
      mode(candidate.mode),
      prefix(candidate.prefix),
      county(candidate.county),
      band(candidate.band) {}

// The rejection report "err.txt" in the working directory.
extern const char kReportFile[];
// Creates or truncates the report and writes its header line.
void StartReport(Contest& state, FileSystem& files);

// AddData0: 1 when the QSO was logged (also a duplicate or a refused county),
// 0 when it was refused. Writes the report lines the checks produce.
int AddQso(Contest& state, FileSystem& files, const QsoView& qso);

// RemoveData0: 0 when an exchange is empty, 1 otherwise.
int RemoveQso(Contest& state, const QsoView& qso);

// CheckCall0 without its window step: 0 duplicate, 1 no new multiplier,
// 2 new multiplier as the scoring pass would count it.
int CheckCall(const Contest& state, const CallCheckView& candidate);

// IsValidExchg0: 1 when the received exchange is acceptable for the prefix.
int IsValidExchange(std::string_view exchange, std::string_view prefix);

// The figures of one band.
struct BandTally {
  int32_t qsos = 0;
  int32_t points = 0;
  int32_t dxcc = 0;
  int32_t counties = 0;
};

struct Score {
  std::vector<BandTally> bands;  // one per entry of g_Bands, in list order
  int64_t points = 0;
  int64_t dxcc = 0;
  int64_t counties = 0;
  int64_t score = 0;  // points * (dxcc + counties)
};

// Sorts the band names in place, longest wavelength first (descending order
// of the names padded with leading "0" characters to 20 characters).
void SortBands(BandList& bands);

// The scoring pass over g_Bands (in its current order) and g_Log, in one
// pass over the log. Rebuilds the per-band multiplier lists of the bands that
// have a slot and sets g_ClaimedScore.
Score ComputeScore(Contest& state);

}  // namespace stats

#endif  // STATS_SCORING_ENGINE_H_
