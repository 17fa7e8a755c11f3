#include "tools/contest/cabrillo_reader.h"

#include <vector>

#include "tools/contest/text.h"

namespace yodx {

namespace {

// "14025" or "14025.5" (kHz) -> Hz.
bool ParseKilohertz(std::string_view text, uint32_t* hz) {
  return ParseDecimalHertz(text, 3, hz);
}

// Above 30 MHz Cabrillo names the band in MHz instead of giving kHz.
struct Designator {
  const char* text;
  uint32_t khz;
};
constexpr Designator kDesignators[] = {
    {"50", 50000}, {"70", 70000}, {"144", 144000}, {"222", 222000}, {"432", 432000}};

}  // namespace

std::string ModeFromCabrillo(const std::string& code) {
  const std::string upper = Upper(code);
  if (upper == "CW") return "CW";
  if (upper == "PH") return "SSB";
  if (upper == "RY") return "RTTY";
  return code;
}

std::string CabrilloHeaderValue(std::string_view text, std::string_view tag) {
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = Trim(text.substr(pos, end - pos));
    pos = end + 1;
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    const std::string_view name = Trim(line.substr(0, colon));
    if (EqualsNoCase(name, "QSO")) break;
    if (EqualsNoCase(name, tag)) return std::string(Trim(line.substr(colon + 1)));
  }
  return "";
}

void ParseCabrillo(const std::string& text, const std::string& file_name, LogData* out) {
  out->format = LogFormat::kCabrillo;
  int line_no = 0;
  size_t pos = 0;
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) pos = 3;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    const std::string_view line = Trim(std::string_view(text).substr(pos, end - pos));
    pos = end + 1;
    ++line_no;
    if (line.empty()) continue;
    const size_t colon = line.find(':');
    const std::string tag =
        colon == std::string_view::npos ? "" : Upper(Trim(line.substr(0, colon)));
    auto report = [&](const std::string& field, const std::string& message) {
      out->Diagnose({file_name, line_no, field, message});
    };
    if (tag.empty() || tag.find(' ') != std::string::npos) {
      report("", "not a Cabrillo line (no TAG:)");
      continue;
    }
    const std::string_view value = Trim(line.substr(colon + 1));
    if (tag == "END-OF-LOG") break;
    if (tag == "CALLSIGN") {
      out->own_call = Upper(value);
      continue;
    }
    if (tag != "QSO") continue;  // other header tags, X-QSO lines

    const std::vector<std::string_view> col = SplitBlanks(value);
    if (col.size() < 9 || col.size() > 11) {
      report("", "QSO line has " + std::to_string(col.size()) + " columns, expected 10");
      ++out->skipped;
      continue;
    }
    Contact c;
    c.line = line_no;
    bool ok = true;
    auto fail = [&](const std::string& field, const std::string& message) {
      report(field, message);
      ok = false;
    };

    const std::string freq(col[0]);
    bool designator = false;
    for (const Designator& d : kDesignators) {
      if (freq == d.text) {
        c.freq_hz = d.khz * 1000u;
        designator = true;
      }
    }
    if (!designator && !ParseKilohertz(freq, &c.freq_hz)) {
      fail("freq", "'" + freq + "' is not a frequency in kHz");
    } else {
      c.band = BandFromKhz(c.freq_hz / 1000.0);
      if (c.band.empty()) fail("freq", freq + " kHz lies outside the amateur bands");
    }

    c.mode = ModeFromCabrillo(std::string(col[1]));

    const std::string_view date = col[2];
    Date day;
    const bool date_ok = ParseIsoDate(date, &day);
    if (date_ok) {
      c.year = day.year;
      c.month = day.month;
      c.day = day.day;
    }
    if (!date_ok) fail("date", "'" + std::string(date) + "' is not a date yyyy-mm-dd");

    const std::string_view time = col[3];
    if (!ParseHhmm(time, &c.hour, &c.minute))
      fail("time", "'" + std::string(time) + "' is not a time hhmm");

    c.own_call = Upper(col[4]);
    c.rst_sent = std::string(col[5]);
    c.exch_sent = std::string(col[6]);
    c.call = Upper(col[7]);
    if (!LooksLikeCall(c.call)) fail("call", "'" + c.call + "' is not a call sign");
    c.rst_rcvd = std::string(col[8]);
    if (col.size() >= 10) c.exch_rcvd = std::string(col[9]);

    if (ok) {
      out->contacts.push_back(std::move(c));
    } else {
      ++out->skipped;
    }
  }
}

}  // namespace yodx
