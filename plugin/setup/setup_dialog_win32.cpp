// The setup dialog (template 105): two check boxes in, their states out on OK.
#include <windows.h>

#include "plugin/setup/setup_dialog.h"
#include "plugin/win32_module.h"
#include "resources/resource.h"

namespace stats {
namespace {

// A stored value outside 0 to 2 shows as cleared.
UINT CheckState(int64_t value) {
  return value < 0 || value > 2 ? BST_UNCHECKED : static_cast<UINT>(value);
}

INT_PTR CALLBACK SetupDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* form = reinterpret_cast<SetupForm*>(GetWindowLongPtrA(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrA(dialog, DWLP_USER, lParam);
      form = reinterpret_cast<SetupForm*>(lParam);
      CheckDlgButton(dialog, IDC_MASTER_FILE, CheckState(form->masterFile));
      CheckDlgButton(dialog, IDC_MULTIPLIER_WINDOW, CheckState(form->multiplierWindow));
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        form->masterFile = IsDlgButtonChecked(dialog, IDC_MASTER_FILE);
        form->multiplierWindow = IsDlgButtonChecked(dialog, IDC_MULTIPLIER_WINDOW);
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {  // the close box and Escape
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

bool RunSetupDialog(SetupForm& form) {
  return DialogBoxParamA(PluginInstance(), MAKEINTRESOURCEA(IDD_SETUP), nullptr, SetupDialogProc,
                         reinterpret_cast<LPARAM>(&form)) == IDOK;
}

}  // namespace stats
