// The real dialogs and message boxes of the Windows build.
#include <windows.h>

#include "cabrillo/header_dialog.h"
#include "platform/win32_module.h"
#include "plugin/dialogs.h"
#include "plugin/setup/setup_dialog.h"

namespace stats {
namespace {

class Win32Dialogs : public Dialogs {
 public:
  bool ShowHeader(HeaderForm& form) override { return RunHeaderDialog(form); }
  bool ShowSetup(SetupForm& form) override { return RunSetupDialog(form); }
  void ShowMessage(const std::string& caption, const std::string& text, Icon icon) override {
    const UINT style = icon == Icon::kWarning ? MB_ICONEXCLAMATION : MB_ICONINFORMATION;
    MessageBoxA(HostWindow(), text.c_str(), caption.c_str(), MB_OK | style);
  }
};

}  // namespace

std::unique_ptr<Dialogs> NewPlatformDialogs() {
  return std::make_unique<Win32Dialogs>();
}

}  // namespace stats
