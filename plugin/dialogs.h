// The plug-in's modal user interface: the Cabrillo header dialog, the setup
// dialog and message boxes. Each call runs a modal loop in which the host may
// call the exports again, so callers never hold the module lock across one.
#ifndef STATS_PLUGIN_DIALOGS_H_
#define STATS_PLUGIN_DIALOGS_H_

#include <memory>
#include <string>

#include "cabrillo/header.h"

namespace stats {

// The two check boxes of the setup dialog, as stored: 0 cleared, 1 ticked.
struct SetupForm {
  int64_t masterFile = 0;        // box 1014, hidden and disabled
  int64_t multiplierWindow = 0;  // box 1106
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;

  // Shows the header dialog with the form's texts. True when the operator
  // pressed OK, with every control's text in the form; false otherwise.
  virtual bool ShowHeader(HeaderForm& form) = 0;

  // Shows the setup dialog. A value below 0 or above 2 shows as cleared.
  // True on OK, with both boxes' states in the form.
  virtual bool ShowSetup(SetupForm& form) = 0;

  // A modal message box with an OK button, owned by the calling thread's
  // active window. A warning shows the exclamation icon, otherwise the
  // information icon.
  enum class Icon { kInformation, kWarning };
  virtual void ShowMessage(const std::string& caption, const std::string& text, Icon icon) = 0;
};

// The real dialogs on Windows; elsewhere a headless responder that confirms
// the values shown and writes each message to standard error.
std::unique_ptr<Dialogs> NewPlatformDialogs();

}  // namespace stats

#endif  // STATS_PLUGIN_DIALOGS_H_
