// The Cabrillo 3.0 log that the operator submits: the header values the
// header dialog collected, the finished QSO lines, and the file they make.
#ifndef STATS_CABRILLO_CABRILLO_LOG_H_
#define STATS_CABRILLO_CABRILLO_LOG_H_

#include <cstdint>
#include <string>
#include <vector>

#include "plugin/ole_date.h"

namespace stats {

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
  void AddQso(const std::string& call, int32_t freqKhz, const std::string& modeCode,
              const COleDateTime& time, const std::string& rstSent, const std::string& exchSent,
              const std::string& rstRcvd, const std::string& exchRcvd);

  // The whole file: header rows, the QSO lines, "END-OF-LOG:", every line
  // ending in CR LF. versionText is the host's version ("" when unknown).
  std::string Render(int64_t claimedScore, const std::string& versionText) const;

  std::string FileName() const { return m_strFileBase + ".cbr"; }
};

// The mode column of a QSO line: "CW" for "CW", "PH" for "SSB", "??" for
// anything else (exact comparison).
std::string CabrilloModeCode(const std::string& mode);

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
