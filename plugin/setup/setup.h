// SetupSet0: the setup dialog for the master-file and multiplier-window
// options, loaded from and stored in the settings file.
#ifndef STATS_PLUGIN_SETUP_SETUP_H_
#define STATS_PLUGIN_SETUP_SETUP_H_

#include <mutex>

#include "plugin/module.h"

namespace stats {

// Reads "Master" and "Multiplier" into the options, shows the dialog with the
// module lock released, and on OK keeps the boxes' states and writes
// "Master" then "Multiplier". Any other ending writes nothing.
void RunSetup(Module& module, std::unique_lock<std::mutex>& held);

}  // namespace stats

#endif  // STATS_PLUGIN_SETUP_SETUP_H_
