// The header dialog: the seam through which an output run's reset shows the
// header form, and the Win32 dialog behind it.
#ifndef STATS_CABRILLO_HEADER_DIALOG_H_
#define STATS_CABRILLO_HEADER_DIALOG_H_

#include "cabrillo/header.h"

namespace stats {

class HeaderDialog {
 public:
  virtual ~HeaderDialog() = default;

  // Shows the header dialog with the form's texts. True when the operator
  // pressed OK, with every control's text in the form; false otherwise.
  virtual bool ShowHeader(HeaderForm& form) = 0;
};

// Runs dialog 101 modally, owned by the calling thread's active window.
bool RunHeaderDialog(HeaderForm& form);

}  // namespace stats

#endif  // STATS_CABRILLO_HEADER_DIALOG_H_
