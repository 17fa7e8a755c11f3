#include "cabrillo/export.h"

#include "cabrillo/header.h"
#include "cabrillo/host_program.h"
#include "platform/file_system.h"
#include "plugin/dialogs.h"

namespace stats {

bool PrepareHeader(Module& module, const std::string& callsign,
                   std::unique_lock<std::mutex>& held) {
  CCabrilloLog& log = module.state.g_Cabrillo;
  HeaderSession session = LoadHeader(log, *module.settings, callsign);
  bool confirmed = false;
  module.state.header_dialog_open = true;
  try {
    LockReleased dialog(held);
    confirmed = module.dialogs->ShowHeader(session.form);
  } catch (...) {
    module.state.header_dialog_open = false;
    throw;
  }
  module.state.header_dialog_open = false;
  if (confirmed) {
    ConfirmHeader(log, *module.settings, session);
  } else {
    KeepLoadedHeader(log);
  }
  return confirmed;
}

ExportOutcome WriteCabrillo(const CCabrilloLog& log, int64_t claimedScore, ProgramFiles& programs,
                            FileSystem& files) {
  const std::string bytes = log.Render(claimedScore, FindHostVersion(programs));
  ExportOutcome outcome;
  std::string error;
  outcome.written = files.ReplaceSafely(log.FileName(), bytes, &error);
  outcome.message = outcome.written
                        ? "File produced: " + log.FileName() + MarkedLinesNote(log.MarkedLines())
                        : "File not produced: " + log.FileName() + " could not be written (" +
                              error + "). The previous file, if any, is unchanged.";
  return outcome;
}

void ExportLog(Module& module, int* exportFlag, std::unique_lock<std::mutex>& held) {
  ContestState& state = module.state;
  // Asked from inside the header dialog's modal loop: the header is not
  // answered yet, so the previous file stays as it is until a later result.
  if (state.header_dialog_open) return;
  CCabrilloLog& log = state.g_Cabrillo;
  log.ClearQsoLines();
  log.m_arrQsoLines.reserve(module.contest.g_Log.size());
  for (const CInfo& qso : module.contest.g_Log) {
    log.AddQso(qso.m_strCall, qso.m_nFreq, qso.m_strBand, CabrilloModeCode(qso.m_strMode),
               qso.m_time, qso.m_strRstSent, qso.m_strExchSent, qso.m_strRstRcvd,
               qso.m_strExchRcvd);
  }
  const ExportOutcome outcome =
      WriteCabrillo(log, module.contest.g_ClaimedScore, *module.programs, *module.files);
  {
    LockReleased box(held);
    module.dialogs->ShowMessage(
        "Output", outcome.message,
        outcome.written ? Dialogs::Icon::kInformation : Dialogs::Icon::kWarning);
  }
  // The flag tells the host that the file was exported; a failed write
  // leaves it as the host set it.
  if (outcome.written && exportFlag != nullptr) *exportFlag = -1;
}

}  // namespace stats
