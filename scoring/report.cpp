#include "scoring/report.h"

#include <initializer_list>

#include "platform/file_system.h"

namespace stats {

const char kReportFile[] = "err.txt";

void StartReport(Contest& state, FileSystem& files) {
  state.report_opened = true;
  files.Replace(kReportFile, "YO DX HF Contest UBN file \r\n");
}

void ReportLines::Add(const QsoView& qso, const std::string* normalizedCounty,
                      const char* message) {
  if (text_.empty()) whenText_ = FormatOleDate(when_, "%Y-%m-%d %H%M");
  // The columns of a Cabrillo QSO line, joined by two blanks.
  text_ += "QSO:  ";
  text_ += std::to_string(qso.freqHz / 1000);
  for (std::string_view field : {qso.mode, std::string_view(whenText_), qso.ownCall, qso.rstSent,
                                 qso.exchSent, qso.call, qso.rstRcvd, qso.exchRcvd}) {
    text_ += "  ";
    text_ += field;
  }
  if (normalizedCounty != nullptr) {
    text_ += "  ";
    text_ += *normalizedCounty;
  }
  text_ += message;
  text_ += "\r\n";
}

void ReportLines::Flush(Contest& state, FileSystem& files) {
  // A clean contact touches no file, except that the first entry after the
  // library loaded creates the report when no reset has done so.
  if (text_.empty() && state.report_opened) return;
  state.report_opened = true;
  files.Append(kReportFile, text_);
  text_.clear();
}

}  // namespace stats
