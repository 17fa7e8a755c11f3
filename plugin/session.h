// The statistics reset (ResetStats0) and the result summary (GetResult0):
// the start and the end of the host's scoring cycle.
#ifndef STATS_PLUGIN_SESSION_H_
#define STATS_PLUGIN_SESSION_H_

#include <mutex>
#include <string>

#include "log/ole_date.h"
#include "plugin/module.h"

namespace stats {

// The fields of the host's reset list that the reset reads.
struct ResetInput {
  int outputSwitch = 0;                          // position 2
  std::string contestant;                        // 3
  COleDateTime start{0.0, COleDateTime::kNull};  // 4
  COleDateTime end{0.0, COleDateTime::kNull};    // 5
  std::string ownPrefix;                         // 15
  std::string ownContinent;                      // 22
};

// Starts the statistics afresh. Always returns 1. Called with the module
// lock held; releases it around the header dialog and the window set's opening.
int ResetStatistics(Module& module, const ResetInput& input, std::unique_lock<std::mutex>& held);

// Recomputes the score and rebuilds g_ResultText, which it returns. The flag
// is written only when the call exported the log. Called with the module lock
// held; releases it around the "Output" message box.
const std::string& BuildResult(Module& module, int* exportFlag, std::unique_lock<std::mutex>& held);

}  // namespace stats

#endif  // STATS_PLUGIN_SESSION_H_
