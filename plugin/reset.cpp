// The statistics reset: the contest data of the new run, an empty log, a new
// rejection report, the Cabrillo header of an output run, and the start
// toggle that decides whether the window set opens.
#include "cabrillo/header.h"
#include "infowindows/info_windows.h"
#include "platform/settings.h"
#include "plugin/dialogs.h"
#include "plugin/session.h"
#include "scoring/engine.h"

namespace stats {
namespace {

// Loads the header for the call sign, shows the header dialog, and keeps the
// operator's answers (stored in the settings file on OK). True on OK. The
// lock is released only around the dialog, where the host may call the
// exports again.
bool PrepareHeader(Module& module, const std::string& callsign,
                   std::unique_lock<std::mutex>& held) {
  CCabrilloLog& log = module.g_Cabrillo;
  HeaderSession session = LoadHeader(log, *module.settings, callsign);
  bool confirmed = false;
  ++module.state.header_dialogs_open;
  try {
    LockReleased dialog(held);
    confirmed = module.dialogs->ShowHeader(session.form);
  } catch (...) {
    --module.state.header_dialogs_open;
    throw;
  }
  --module.state.header_dialogs_open;
  if (confirmed) {
    ConfirmHeader(log, *module.settings, session);
  } else {
    KeepLoadedHeader(log);
  }
  return confirmed;
}

}  // namespace

int ResetStatistics(Module& module, const ResetInput& input, std::unique_lock<std::mutex>& held) {
  SessionState& state = module.state;
  Contest& contest = module.contest;
  InfoWindowState& windows = module.windowState;
  SettingsStore& settings = *module.settings;

  // Everything the reset keeps is made first and then put in place with
  // steps that cannot fail, so that a failed allocation leaves the last
  // run's data whole rather than half replaced.
  std::string startText = FormatOleDate(input.start, "%d.%m");
  std::string endText = FormatOleDate(input.end, "%d.%m.%Y");
  std::string year = FormatOleDate(input.end, "%Y");
  const int64_t master = ReadSettingInt(settings, "Master");
  const int64_t multiplier = ReadSettingInt(settings, "Multiplier");
  PerBandLists rows{};
  for (int slot = 0; slot < kBandSlots; ++slot) rows[slot] = {kSlotBands[slot], "-", "-", "-"};
  std::string contestant = input.contestant;
  std::string ownContinent = input.ownContinent;
  std::string ownPrefix = input.ownPrefix;
  // The new report's header: its texts are the last thing that allocates.
  StartReport(contest, *module.files);

  state.g_StartText.swap(startText);
  state.g_EndText.swap(endText);
  windows.g_ContestYear.swap(year);
  state.master_file_option = master;
  state.multiplier_window_option = multiplier;
  windows.g_WorkedRows.swap(rows);
  state.g_Contestant.swap(contestant);
  contest.g_Log.Clear();
  contest.g_Bands.Clear();
  state.g_OutputSwitch = input.outputSwitch;
  contest.g_OwnContinent.swap(ownContinent);
  contest.g_OwnPrefix.swap(ownPrefix);

  // The start toggle: an output run collects the Cabrillo header and leaves
  // "0"; plain resets alternate between opening the window set (when the
  // multiplier-window option asks for it) and not, while no set is open.
  if (state.g_OutputSwitch != 0) {
    PrepareHeader(module, input.contestant, held);
    WriteSettingInt(settings, "Start", 1);
  }
  if (ReadSettingInt(settings, "Start") != 0) {
    WriteSettingInt(settings, "Start", 0);
  } else if (!module.windows->IsOpen()) {
    if (state.multiplier_window_option != 0) {
      LockReleased opening(held);
      module.windows->Open();
    }
    WriteSettingInt(settings, "Start", 1);
  }
  return 1;
}

}  // namespace stats
