// The Cabrillo header dialog (template 101): the form's texts in, every
// control's text out on OK.
#include <windows.h>

#include <vector>

#include "cabrillo/header_dialog.h"
#include "platform/win32_module.h"
#include "resources/resource.h"

namespace stats {
namespace {

std::string ControlText(HWND control) {
  std::vector<char> text(static_cast<size_t>(GetWindowTextLengthA(control)) + 1);
  const int length = GetWindowTextA(control, text.data(), static_cast<int>(text.size()));
  return std::string(text.data(), length > 0 ? length : 0);
}

void Fill(HWND dialog, const HeaderForm& form) {
  for (const HeaderControl& control : kHeaderControls) {
    HWND item = GetDlgItem(dialog, control.id);
    const std::string& text = form.*control.text;
    if (control.entries.empty()) {
      SetWindowTextA(item, text.c_str());
      continue;
    }
    for (const char* entry : control.entries) {
      SendMessageA(item, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
    }
    // The first entry that begins with the value, without regard to case;
    // otherwise the value stands in the text field as it is.
    if (SendMessageA(item, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                     reinterpret_cast<LPARAM>(text.c_str())) == CB_ERR) {
      SetWindowTextA(item, text.c_str());
    }
  }
}

void Collect(HWND dialog, HeaderForm& form) {
  for (const HeaderControl& control : kHeaderControls) {
    form.*control.text = ControlText(GetDlgItem(dialog, control.id));
  }
}

}  // namespace

bool RunHeaderDialog(HeaderForm& form) {
  return RunFormDialog<HeaderForm, Fill, Collect>(IDD_CABRILLO, form);
}

}  // namespace stats
