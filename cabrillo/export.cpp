#include "cabrillo/export.h"

#include "cabrillo/host_program.h"
#include "log/contest_log.h"
#include "platform/file_system.h"

namespace stats {

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
