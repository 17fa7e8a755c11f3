#include "cabrillo/cabrillo_log.h"

#include <cctype>
#include <cinttypes>
#include <cstdio>

#include "log/contest_log.h"

namespace stats {
namespace {

// A left-aligned printf field ("%-13s"): padded to the width, never cut.
void AppendPadded(std::string* line, const std::string& value, std::size_t width) {
  *line += value;
  if (value.size() < width) line->append(width - value.size(), ' ');
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The lower edge of each contest band in kHz, in band slot order.
constexpr int32_t kBandEdgeKhz[kBandSlots] = {1800, 3500, 7000, 14000, 21000, 28000};

// One field of a QSO line as a single word that a reader splitting at blanks
// takes whole. Sets *marked when the value had to change: a line break (CR,
// LF, vertical tab or form feed, which readers may take for the end of the
// line) becomes "_" wherever it stands; then a value of blanks and tabs only
// becomes "-", and a blank or tab between its first and last other
// character becomes "_". Blanks and tabs at either end stay as they are:
// they add no field, so such lines are written as before.
std::string FieldWord(std::string_view value, bool* marked) {
  std::string word(value);
  for (char& c : word) {
    if (c == '\r' || c == '\n' || c == '\v' || c == '\f') c = '_';
  }
  const std::size_t first = word.find_first_not_of(" \t");
  if (first == std::string::npos) {
    *marked = true;
    return "-";
  }
  const std::size_t last = word.find_last_not_of(" \t");
  for (std::size_t i = first; i < last; ++i) {
    if (word[i] == ' ' || word[i] == '\t') word[i] = '_';
  }
  if (word != value) *marked = true;
  return word;
}

bool IsForbiddenInFileName(char c) {
  const unsigned char u = static_cast<unsigned char>(c);
  return u < 0x20 || u == 0x7f || std::string("<>:\"/\\|?*").find(c) != std::string::npos;
}

// Names that Windows takes for devices whatever their extension.
bool IsDeviceName(const std::string& base) {
  std::string upper;
  for (char c : base) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (upper == "CON" || upper == "PRN" || upper == "AUX" || upper == "NUL") return true;
  return upper.size() == 4 &&
         (upper.compare(0, 3, "COM") == 0 || upper.compare(0, 3, "LPT") == 0) && upper[3] >= '1' &&
         upper[3] <= '9';
}

}  // namespace

void CCabrilloLog::AddQso(std::string_view call, int32_t freqKhz, std::string_view band,
                          std::string_view modeCode, const COleDateTime& time,
                          std::string_view rstSent, std::string_view exchSent,
                          std::string_view rstRcvd, std::string_view exchRcvd) {
  // "QSO: %5i %2s %s %-13s %-3s %-6s %-13s %-3s %s\r\n", every text a word.
  bool marked = false;
  if (freqKhz == 0) {
    const int slot = BandSlot(band);
    if (slot >= 0) freqKhz = kBandEdgeKhz[slot];
  }
  char freq[16];
  std::snprintf(freq, sizeof freq, "%5" PRId32, freqKhz);
  std::string line = "QSO: ";
  line += freq;
  line += ' ';
  const std::string mode = FieldWord(modeCode, &marked);
  if (mode.size() < 2) line.append(2 - mode.size(), ' ');  // "%2s" pads on the left
  line += mode;
  line += ' ';
  DateFields fields;
  if (time.m_status == COleDateTime::kValid && SplitOleDate(time.m_dt, &fields)) {
    line += FormatOleDate(time, "%Y-%m-%d %H%M");
  } else {
    // Both the date and the time field marked, in their columns.
    AppendPadded(&line, "-", 10);
    line += ' ';
    AppendPadded(&line, "-", 4);
    marked = true;
  }
  line += ' ';
  AppendPadded(&line, FieldWord(m_strCallsign, &marked), 13);
  line += ' ';
  AppendPadded(&line, FieldWord(rstSent, &marked), 3);
  line += ' ';
  AppendPadded(&line, FieldWord(exchSent, &marked), 6);
  line += ' ';
  AppendPadded(&line, FieldWord(call, &marked), 13);
  line += ' ';
  AppendPadded(&line, FieldWord(rstRcvd, &marked), 3);
  line += ' ' + FieldWord(exchRcvd, &marked) + "\r\n";
  m_arrQsoLines.push_back(std::move(line));
  if (marked) ++m_nMarkedLines;
}

void CCabrilloLog::ClearQsoLines() {
  m_arrQsoLines.clear();
  m_nMarkedLines = 0;
}

std::string MarkedLinesNote(std::size_t markedLines) {
  if (markedLines == 0) return "";
  return " (" + std::to_string(markedLines) + (markedLines == 1 ? " QSO line" : " QSO lines") +
         " marked: \"-\" for an empty field or a missing time, \"_\" for a blank inside"
         " a field; correct them in the log before you submit the file)";
}

std::string CompactQsoLine(std::string_view line) {
  if (line.size() >= 2 && line.substr(line.size() - 2) == "\r\n") line.remove_suffix(2);
  const std::size_t colon = line.find(':');
  return std::string(line.substr(0, colon + 1)) + CompactFields(line.substr(colon + 1)) + "\r\n";
}

std::string CCabrilloLog::Render(int64_t claimedScore, const std::string& versionText,
                                 QsoLayout layout) const {
  const std::pair<const char*, std::string> header[] = {
      {"START-OF-LOG: ", "3.0"},
      // The contest robot knows this contest by this name only.
      {"CONTEST: ", "YO-DX-HF"},
      {"CALLSIGN: ", m_strCallsign},
      {"CATEGORY-OPERATOR: ", m_strCatOperator},
      {"CATEGORY-BAND: ", m_strCatBand},
      {"CATEGORY-POWER: ", m_strCatPower},
      {"CATEGORY-MODE: ", m_strCatMode},
      {"CATEGORY-TRANSMITTER: ", m_strCatTransmitter},
      {"OPERATORS: ", m_strOperators},
      {"LOCATION: ", m_strLocation},
      {"CLAIMED-SCORE: ", std::to_string(claimedScore)},
      {"CLUB: ", m_strClub},
      {"CREATED-BY: ", "Vexo " + versionText},
      {"NAME: ", m_strName},
      {"ADDRESS: ", m_strAddress},
      {"ADDRESS-CITY: ", m_strCity},
      {"ADDRESS-POSTALCODE: ", m_strPostalCode},
      {"ADDRESS-COUNTRY: ", m_strCountry},
      // Cabrillo 3.0 spells the tag without the hyphen.
      {"EMAIL: ", m_strEmail},
      {"SOAPBOX: ", m_strSoapBox},
  };
  std::string file;
  for (const auto& row : header) file += row.first + row.second + "\r\n";
  for (const std::string& line : m_arrQsoLines) {
    file += layout == QsoLayout::kPadded ? line : CompactQsoLine(line);
  }
  file += "END-OF-LOG:\r\n";
  return file;
}

std::string CabrilloModeCode(std::string_view mode) {
  if (mode == "CW") return "CW";
  if (mode == "SSB") return "PH";
  return "??";
}

std::string ReplaceAll(const std::string& text, const std::string& search,
                       const std::string& replacement) {
  if (search.empty() || search == replacement) return text;
  std::string out;
  std::size_t from = 0;
  for (std::size_t at; (at = text.find(search, from)) != std::string::npos;) {
    out.append(text, from, at - from);
    out += replacement;
    from = at + search.size();
  }
  out.append(text, from, std::string::npos);
  return out;
}

std::string CabrilloFileBase(const std::string& callsign) {
  std::size_t begin = 0;
  std::size_t end = callsign.size();
  while (begin < end && IsBlank(callsign[begin])) ++begin;
  while (end > begin && IsBlank(callsign[end - 1])) --end;
  std::string base = callsign.substr(begin, end - begin);
  for (char& c : base) {
    if (IsForbiddenInFileName(c)) c = '_';
  }
  if (base.empty()) return "KORV";
  if (IsDeviceName(base)) base += '_';
  return base;
}

std::string HostVersionText(uint32_t versionMs, uint32_t versionLs) {
  const unsigned major = versionMs >> 16;
  const unsigned minor = versionMs & 0xffffu;
  const unsigned third = versionLs >> 16;
  char text[32];
  if (major == 2) {
    std::snprintf(text, sizeof text, "%u.%u", major, minor);
  } else {
    std::snprintf(text, sizeof text, "%u.%u.%u", major, minor, third);
  }
  return text;
}

}  // namespace stats
