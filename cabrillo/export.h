// The Cabrillo steps of the reset and the result summary in an output run.
// Both are called with the module lock held and release it only around the
// dialog or the message box, where the host may call the exports again.
#ifndef STATS_CABRILLO_EXPORT_H_
#define STATS_CABRILLO_EXPORT_H_

#include <cstdint>
#include <mutex>
#include <string>

#include "plugin/module.h"

namespace stats {

class FileSystem;
class ProgramFiles;

// Loads the header for the call sign, shows the header dialog, and keeps the
// operator's answers (stored in the settings file on OK). True on OK.
bool PrepareHeader(Module& module, const std::string& callsign, std::unique_lock<std::mutex>& held);

// What writing the file told the operator.
struct ExportOutcome {
  bool written = false;
  std::string message;  // "File produced: <base>.cbr", or why it was not
};

// Writes g_Cabrillo's header rows and QSO lines as the .cbr file in the
// working folder, replacing an older one only when the whole file is written.
ExportOutcome WriteCabrillo(const CCabrilloLog& log, int64_t claimedScore, ProgramFiles& programs,
                            FileSystem& files);

// The result's output steps: every record of the log as a QSO line, the file
// written, the "Output" message shown, and the host's flag set to -1.
// Nothing at all while the header dialog is up.
void ExportLog(Module& module, int* exportFlag, std::unique_lock<std::mutex>& held);

}  // namespace stats

#endif  // STATS_CABRILLO_EXPORT_H_
