// The Win32 header dialog behind Dialogs::ShowHeader.
#ifndef STATS_CABRILLO_HEADER_DIALOG_H_
#define STATS_CABRILLO_HEADER_DIALOG_H_

#include "cabrillo/header.h"

namespace stats {

// Runs dialog 101 modally, owned by the calling thread's active window.
bool RunHeaderDialog(HeaderForm& form);

}  // namespace stats

#endif  // STATS_CABRILLO_HEADER_DIALOG_H_
