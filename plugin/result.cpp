// The result summary: the band table, the totals and the score line, with
// the claimed score stored, the log exported in an output run, and the
// host's mode commands sent once.
#include <cinttypes>
#include <cstdio>
#include <new>

#include "cabrillo/export.h"
#include "hostlink/host_link.h"
#include "platform/settings.h"
#include "plugin/dialogs.h"
#include "plugin/session.h"
#include "scoring/engine.h"

namespace stats {
namespace {

void AppendRow(std::string* text, const std::string& label, int64_t a, int64_t b, int64_t c,
               int64_t d) {
  char numbers[96];
  std::snprintf(numbers, sizeof numbers,
                "\t %" PRId64 "\t %" PRId64 "\t %" PRId64 "\t %" PRId64 "\r\n", a, b, c, d);
  *text += label;
  *text += numbers;
}

// The result's output steps: every record of the log as a QSO line, the file
// written, the "Output" message shown, and the host's flag set to -1. The
// lock is released only around the message box, where the host may call the
// exports again. The message for memory running out while the file is made
// is made before the summary is (BuildResult), so that telling the operator
// then needs nothing more.
void ExportAndTell(Module& module, int* exportFlag, std::string& outOfMemory,
                   std::unique_lock<std::mutex>& held) {
  ExportOutcome outcome;
  try {
    outcome = ExportLog(module.g_Cabrillo, module.contest.g_Log, module.contest.g_ClaimedScore,
                        *module.programs, *module.files);
  } catch (const std::bad_alloc&) {
    // The file goes through a temporary one: the previous file is whole.
    outcome.written = false;
    outcome.message.swap(outOfMemory);
  }
  {
    LockReleased box(held);
    module.dialogs->ShowMessage("Output", outcome.message,
                                outcome.written && !outcome.overLimit ? Dialogs::Icon::kInformation
                                                                      : Dialogs::Icon::kWarning);
  }
  // The flag tells the host that the file was exported; a failed write
  // leaves it as the host set it.
  if (outcome.written && exportFlag != nullptr) *exportFlag = -1;
}

}  // namespace

const std::string& BuildResult(Module& module, int* exportFlag,
                               std::unique_lock<std::mutex>& held) {
  SessionState& state = module.state;
  Contest& contest = module.contest;
  // Asked from inside the header dialog's modal loop, an output run exports
  // nothing: the header is not answered yet, so the previous file stays as
  // it is until a later result.
  const bool exporting = state.g_OutputSwitch != 0 && state.header_dialogs_open == 0;
  std::string outOfMemory;
  if (exporting)
    outOfMemory = NotProducedMessage(module.g_Cabrillo.FileName(), "not enough memory");
  // Made aside, and kept only when whole.
  std::string text;
  text.reserve(state.g_ResultText.capacity());
  const int64_t logSize = static_cast<int64_t>(contest.g_Log.size());

  text += "    RE-RA-DEDIROZ " + state.g_StartText + "-" + state.g_EndText + "\r\n";
  text += "\tContestant: " + state.g_Contestant + " \r\n";
  text += "\tQSOs\tPoints\tDXCC\tCounty\r\n";

  SortBands(contest.g_Bands);
  const Score score = ComputeScore(contest);
  for (std::size_t i = 0; i < score.bands.size(); ++i) {
    const BandTally& t = score.bands[i];
    AppendRow(&text, contest.g_Bands[i], t.qsos, t.points, t.dxcc, t.counties);
  }
  AppendRow(&text, "Total", logSize, score.points, score.dxcc, score.counties);

  WriteSettingInt(*module.settings, "Claimed", score.score);

  char line[128];
  std::snprintf(line, sizeof line,
                "\r\nScore: %" PRId64 "*(%" PRId64 " + %" PRId64 ") = %" PRId64 "\r\n",
                score.points, score.counties, score.dxcc, score.score);
  text += line;
  state.g_ResultText.swap(text);

  if (exporting) ExportAndTell(module, exportFlag, outOfMemory, held);

  // The host's mode commands go out once in the life of the library, and
  // only while neither setup option is on; without a host, a later call tries again.
  // The host runs the commands on this thread and may call the exports from
  // them, so the lock is released around the call, and the step is marked
  // under way before that, so that a nested result sends nothing.
  if (state.g_HostModeSent == 0 && !state.host_mode_sending && state.master_file_option == 0 &&
      state.multiplier_window_option == 0) {
    state.host_mode_sending = true;
    bool sent = false;
    try {
      LockReleased call(held);
      sent = SendModeCommands(*module.host);
    } catch (...) {
      state.host_mode_sending = false;
      throw;
    }
    state.host_mode_sending = false;
    if (sent) state.g_HostModeSent = 1;
  }
  return state.g_ResultText;
}

}  // namespace stats
