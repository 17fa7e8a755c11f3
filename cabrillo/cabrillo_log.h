// The Cabrillo 3.0 log that the operator submits: the header values the
// header dialog collected, the finished QSO lines, and the file they make.
#ifndef STATS_CABRILLO_CABRILLO_LOG_H_
#define STATS_CABRILLO_CABRILLO_LOG_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "log/contest_log.h"
#include "log/ole_date.h"

namespace stats {

// How the QSO lines are laid out in the file: in padded columns, or with one
// blank between fields (the same fields for a reader that splits at blanks).
enum class QsoLayout { kPadded, kCompact };

class CCabrilloLog {
 public:
  // Header values, written as the header rows of the file.
  std::string m_strCallsign;  // also the sender column of every QSO line
  std::string m_strCatOperator;
  std::string m_strCatBand;
  std::string m_strCatPower;
  std::string m_strCatMode;
  std::string m_strCatTransmitter;
  std::string m_strOperators;  // in continuation form: one file line per entered line
  std::string m_strLocation;
  std::string m_strClub;
  std::string m_strName;
  std::string m_strAddress;
  std::string m_strCity;
  std::string m_strPostalCode;
  std::string m_strCountry;
  std::string m_strEmail;
  std::string m_strSoapBox;   // in continuation form
  std::string m_strContest;   // the dialog's CONTEST text; the file's contest line is fixed
  std::string m_strFileBase;  // file name without ".cbr", fixed before the dialog opens
  std::vector<std::string> m_arrQsoLines;  // finished lines, each ending in CR LF

  // Formats one QSO line with m_strCallsign as the sender and appends it.
  // Readers split a QSO line at blanks, so every field is written as one
  // word and the line always has its ten fields: an empty field, and a time
  // that is null or invalid, is marked "-"; a blank or tab inside a field,
  // and a line break anywhere in it, becomes "_". A frequency of 0 (no
  // radio) is written as the lower edge of the record's band in kHz.
  void AddQso(std::string_view call, int32_t freqKhz, std::string_view band,
              std::string_view modeCode, const COleDateTime& time, std::string_view rstSent,
              std::string_view exchSent, std::string_view rstRcvd, std::string_view exchRcvd);

  // Empties the QSO lines, and with them the count of marked lines.
  void ClearQsoLines();
  // How many of the QSO lines carry a "-" or "_" mark.
  std::size_t MarkedLines() const { return m_nMarkedLines; }

  // The whole file: header rows, the QSO lines, "END-OF-LOG:", every line
  // ending in CR LF. versionText is the host's version ("" when unknown).
  std::string Render(int64_t claimedScore, const std::string& versionText,
                     QsoLayout layout = QsoLayout::kPadded) const;

  std::string FileName() const { return m_strFileBase + ".cbr"; }

 private:
  std::size_t m_nMarkedLines = 0;
};

// What follows "File produced: <file>" in the "Output" message: nothing when
// no line is marked, otherwise how many lines the operator should correct.
std::string MarkedLinesNote(std::size_t markedLines);

// A QSO line with one blank between its fields: "QSO: 14025 CW ...\r\n".
std::string CompactQsoLine(std::string_view line);

// The mode column of a QSO line: "CW" for "CW", "PH" for "SSB", "??" for
// anything else (exact comparison).
std::string CabrilloModeCode(std::string_view mode);

// Every occurrence of search replaced, left to right, never searching the
// inserted text again. An empty search text changes nothing.
std::string ReplaceAll(const std::string& text, const std::string& search,
                       const std::string& replacement);

// The file base for a call sign: every character that a Windows file name
// cannot hold ("<>:\"/\\|?*" and control characters) becomes "_", white
// space is trimmed from both ends, and an empty result is "KORV".
std::string CabrilloFileBase(const std::string& callsign);

// The host's version text from its file version words: "major.minor" when
// major is 2, "major.minor.third" otherwise.
std::string HostVersionText(uint32_t versionMs, uint32_t versionLs);

}  // namespace stats

#endif  // STATS_CABRILLO_CABRILLO_LOG_H_
