// The setup dialog (template 105): two check boxes in, their states out on OK.
#include <windows.h>

#include "platform/win32_module.h"
#include "plugin/setup/setup_dialog.h"
#include "resources/resource.h"

namespace stats {
namespace {

// A stored value outside 0 to 2 shows as cleared.
UINT CheckState(int64_t value) {
  return value < 0 || value > 2 ? BST_UNCHECKED : static_cast<UINT>(value);
}

void Fill(HWND dialog, const SetupForm& form) {
  CheckDlgButton(dialog, IDC_MASTER_FILE, CheckState(form.masterFile));
  CheckDlgButton(dialog, IDC_MULTIPLIER_WINDOW, CheckState(form.multiplierWindow));
}

void Collect(HWND dialog, SetupForm& form) {
  form.masterFile = IsDlgButtonChecked(dialog, IDC_MASTER_FILE);
  form.multiplierWindow = IsDlgButtonChecked(dialog, IDC_MULTIPLIER_WINDOW);
}

}  // namespace

bool RunSetupDialog(SetupForm& form) {
  return RunFormDialog<SetupForm, Fill, Collect>(IDD_SETUP, form);
}

}  // namespace stats
