#include "plugin/setup/setup.h"

#include "platform/settings.h"
#include "plugin/dialogs.h"

namespace stats {

void RunSetup(Module& module, std::unique_lock<std::mutex>& held) {
  SessionState& state = module.state;
  SettingsStore& settings = *module.settings;
  state.master_file_option = ReadSettingInt(settings, "Master");
  state.multiplier_window_option = ReadSettingInt(settings, "Multiplier");

  SetupForm form;
  form.masterFile = state.master_file_option;
  form.multiplierWindow = state.multiplier_window_option;
  bool confirmed;
  {
    LockReleased dialog(held);
    confirmed = module.dialogs->ShowSetup(form);
  }
  if (!confirmed) return;
  state.master_file_option = form.masterFile;
  state.multiplier_window_option = form.multiplierWindow;
  WriteSettingInt(settings, "Master", form.masterFile);
  WriteSettingInt(settings, "Multiplier", form.multiplierWindow);
}

}  // namespace stats
