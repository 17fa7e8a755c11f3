#include "cabrillo/export.h"

#include "cabrillo/host_program.h"
#include "log/contest_log.h"
#include "platform/file_system.h"

namespace stats {

ExportOutcome WriteCabrillo(const CCabrilloLog& log, int64_t claimedScore, ProgramFiles& programs,
                            FileSystem& files) {
  const std::string version = FindHostVersion(programs);
  std::string bytes = log.Render(claimedScore, version);
  const bool compact = bytes.size() > kUploadLimitBytes;
  if (compact) bytes = log.Render(claimedScore, version, QsoLayout::kCompact);
  ExportOutcome outcome;
  std::string error;
  outcome.written = files.ReplaceSafely(log.FileName(), bytes, &error);
  if (!outcome.written) {
    outcome.message = "File not produced: " + log.FileName() + " could not be written (" + error +
                      "). The previous file, if any, is unchanged.";
    return outcome;
  }
  outcome.message = "File produced: " + log.FileName() + MarkedLinesNote(log.MarkedLines());
  outcome.overLimit = bytes.size() > kUploadLimitBytes;
  const std::string limit = GroupedNumber(kUploadLimitBytes) + " bytes";
  if (outcome.overLimit) {
    outcome.message += ". Even with one blank between the fields of its QSO lines it is " +
                       GroupedNumber(bytes.size()) + " bytes, over the upload page's limit of " +
                       limit + ".";
  } else if (compact) {
    outcome.message +=
        ". Its QSO lines have one blank between fields, to stay within the upload "
        "page's limit of " +
        limit + ": " + GroupedNumber(bytes.size()) + " bytes.";
  }
  return outcome;
}

ExportOutcome ExportLog(CCabrilloLog& log, const ContestLog& records, int64_t claimedScore,
                        ProgramFiles& programs, FileSystem& files) {
  log.ClearQsoLines();
  log.m_arrQsoLines.reserve(records.size());
  for (const CInfoView qso : records) {
    log.AddQso(qso.m_strCall, qso.m_nFreq, qso.m_strBand, CabrilloModeCode(qso.m_strMode),
               qso.m_time, qso.m_strRstSent, qso.m_strExchSent, qso.m_strRstRcvd,
               qso.m_strExchRcvd);
  }
  return WriteCabrillo(log, claimedScore, programs, files);
}

}  // namespace stats
