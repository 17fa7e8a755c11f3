// What the information windows keep between refreshes, beside the contest
// they read (scoring/contest.h). The reset builds the grid and sets the
// year; the window thread reads and writes the rest under the module lock.
#ifndef STATS_INFOWINDOWS_WINDOW_STATE_H_
#define STATS_INFOWINDOWS_WINDOW_STATE_H_

#include <string>

#include "log/contest_log.h"

namespace stats {

// Field names are the plug-in's own names for them.
struct InfoWindowState {
  // What the information windows show: the worked-before grid (one row of
  // four cells per band slot, built by the reset, no cells before it), the
  // host's call and band at the last refresh, and the frequency at which
  // "<SP1>" was last sent.
  PerBandLists g_WorkedRows;
  std::string g_CurrentCall;
  int g_CurrentBandSlot = -1;
  double last_sp1_hz = 0;

  // The year the contest ends in, for the DXCC window's title.
  std::string g_ContestYear;
};

}  // namespace stats

#endif  // STATS_INFOWINDOWS_WINDOW_STATE_H_
