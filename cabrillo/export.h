// The Cabrillo file of an output run: the log's records as QSO lines, and
// the file written. The plug-in's result summary runs it and tells the
// operator what happened.
#ifndef STATS_CABRILLO_EXPORT_H_
#define STATS_CABRILLO_EXPORT_H_

#include <cstdint>
#include <string>

#include "cabrillo/cabrillo_log.h"

namespace stats {

class ContestLog;
class FileSystem;
class ProgramFiles;

// What writing the file told the operator.
struct ExportOutcome {
  bool written = false;
  bool overLimit = false;  // written, but too big for the upload page
  std::string message;     // "File produced: <base>.cbr", or why it was not
};

// What the operator is told when the file could not be written, and why.
std::string NotProducedMessage(const std::string& fileName, const std::string& why);

// Writes g_Cabrillo's header rows and QSO lines as the .cbr file in the
// working folder, replacing an older one only when the whole file is written.
// A file that would be over the upload page's limit with padded columns is
// written with one blank between the fields of its QSO lines, and the
// message says so with its size; one that is over the limit even so is
// written all the same, and the message names its size and the limit.
ExportOutcome WriteCabrillo(const CCabrilloLog& log, int64_t claimedScore, ProgramFiles& programs,
                            FileSystem& files);

// Every record of the log as a QSO line of the Cabrillo log, then the file
// written (WriteCabrillo).
ExportOutcome ExportLog(CCabrilloLog& log, const ContestLog& records, int64_t claimedScore,
                        ProgramFiles& programs, FileSystem& files);

}  // namespace stats

#endif  // STATS_CABRILLO_EXPORT_H_
