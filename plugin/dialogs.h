// The plug-in's modal user interface: the Cabrillo header dialog
// (cabrillo/header_dialog.h), the setup dialog and message boxes
// (platform/message_box.h). Each call runs a modal loop in which the host may
// call the exports again, so callers never hold the module lock across one.
#ifndef STATS_PLUGIN_DIALOGS_H_
#define STATS_PLUGIN_DIALOGS_H_

#include <cstdint>
#include <memory>

#include "cabrillo/header_dialog.h"
#include "platform/message_box.h"

namespace stats {

// The two check boxes of the setup dialog, as stored: 0 cleared, 1 ticked.
struct SetupForm {
  int64_t masterFile = 0;        // box 1014, hidden and disabled
  int64_t multiplierWindow = 0;  // box 1106
};

class Dialogs : public MessageBoxes, public HeaderDialog {
 public:
  // Shows the setup dialog. A value below 0 or above 2 shows as cleared.
  // True on OK, with both boxes' states in the form.
  virtual bool ShowSetup(SetupForm& form) = 0;
};

// The real dialogs on Windows; elsewhere a headless responder that confirms
// the values shown and writes each message to standard error.
std::unique_ptr<Dialogs> NewPlatformDialogs();

}  // namespace stats

#endif  // STATS_PLUGIN_DIALOGS_H_
