// The contest as the scoring engine keeps it: the log, the bands seen, the
// multipliers of each band slot, the own station's prefix and continent,
// and the claimed score. The engine's functions (scoring/engine.h) work on
// one passed in; the plug-in keeps the module's, and tests and tools their own.
#ifndef STATS_SCORING_CONTEST_H_
#define STATS_SCORING_CONTEST_H_

#include <cstdint>
#include <string>

#include "log/contest_log.h"

namespace stats {

// Field names are the plug-in's own names for them.
struct Contest {
  ContestLog g_Log;
  BandList g_Bands;
  PerBandLists g_DxccByBand;
  PerBandLists g_CountyByBand;
  std::string g_OwnPrefix;
  std::string g_OwnContinent;
  int64_t g_ClaimedScore = 0;

  // True once the rejection report has been opened since the library loaded.
  bool report_opened = false;
};

}  // namespace stats

#endif  // STATS_SCORING_CONTEST_H_
