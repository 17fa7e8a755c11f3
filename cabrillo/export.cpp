#include "cabrillo/export.h"

#include "cabrillo/host_program.h"
#include "log/contest_log.h"
#include "platform/file_system.h"

namespace stats {

std::string NotProducedMessage(const std::string& fileName, const std::string& why) {
  return "File not produced: " + fileName + " could not be written (" + why +
         "). The previous file, if any, is unchanged.";
}

ExportOutcome WriteCabrillo(const CCabrilloLog& log, int64_t claimedScore, ProgramFiles& programs,
                            FileSystem& files) {
  const std::string name = log.FileName();
  const std::string version = FindHostVersion(programs);
  std::string bytes = log.Render(claimedScore, version);
  const bool compact = bytes.size() > kUploadLimitBytes;
  if (compact) bytes = log.Render(claimedScore, version, QsoLayout::kCompact);

  // What the operator is told of a written file is made before the file is
  // written: once it is, nothing may fail that would say it was not.
  ExportOutcome produced;
  produced.written = true;
  produced.message = "File produced: " + name + MarkedLinesNote(log.MarkedLines());
  produced.overLimit = bytes.size() > kUploadLimitBytes;
  const std::string limit = GroupedNumber(kUploadLimitBytes) + " bytes";
  if (produced.overLimit) {
    produced.message += ". Even with one blank between the fields of its QSO lines it is " +
                        GroupedNumber(bytes.size()) + " bytes, over the upload page's limit of " +
                        limit + ".";
  } else if (compact) {
    produced.message +=
        ". Its QSO lines have one blank between fields, to stay within the upload "
        "page's limit of " +
        limit + ": " + GroupedNumber(bytes.size()) + " bytes.";
  }
  std::string error;
  if (files.ReplaceSafely(name, bytes, &error)) return produced;
  ExportOutcome failed;
  failed.message = NotProducedMessage(name, error);
  return failed;
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
