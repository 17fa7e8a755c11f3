// The Win32 setup dialog behind Dialogs::ShowSetup.
#ifndef STATS_PLUGIN_SETUP_SETUP_DIALOG_H_
#define STATS_PLUGIN_SETUP_SETUP_DIALOG_H_

#include "plugin/dialogs.h"

namespace stats {

// Runs dialog 105 modally with no parent window.
bool RunSetupDialog(SetupForm& form);

}  // namespace stats

#endif  // STATS_PLUGIN_SETUP_SETUP_DIALOG_H_
