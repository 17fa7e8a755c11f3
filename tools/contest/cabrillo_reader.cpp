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

std::string ModeFromCabrillo(std::string_view code) {
  if (EqualsNoCase(code, "CW")) return "CW";
  if (EqualsNoCase(code, "PH")) return "SSB";
  if (EqualsNoCase(code, "RY")) return "RTTY";
  return std::string(code);
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

namespace {

// A call sign as it stands among the fields: letters, digits and '/', with a
// letter somewhere before a digit ("LZ0DP", "2E0ABC", "DL/YO7LBX", even a
// cut "LZ0"). Serials and reports ("599", "013EP", "1EP") have no such letter.
bool CallShaped(std::string_view field) {
  if (!LooksLikeCall(field)) return false;
  const size_t letter = field.find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  return field.find_first_of("0123456789", letter) != std::string_view::npos;
}

// The report that nearly every contest log writes: a lone field that reads
// as one is taken for the report, any other lone field for the exchange.
bool PlainReport(std::string_view field) {
  return field == "59" || field == "599" || field == "5NN";
}

// The two calls of a QSO line; the reports and exchanges go straight into
// its contact.
struct QsoCalls {
  std::string_view own_call, call;
};

// The report and the exchange of one side from FIELDS, the fields between
// its call and the next: none, a lone report or exchange, both, or a report
// and an exchange of several fields joined by a blank.
void PlaceSide(const std::vector<std::string_view>& fields, std::string* rst, std::string* exch) {
  if (fields.empty()) return;
  size_t first = 0;
  if (fields.size() >= 2 || PlainReport(fields[0])) *rst = std::string(fields[first++]);
  for (size_t i = first; i < fields.size(); ++i) {
    if (i > first) *exch += ' ';
    *exch += fields[i];
  }
}

// Ten columns, or eleven with the transmitter's: the fields by position, as
// Cabrillo lays them out.
void PlaceByPosition(const std::vector<std::string_view>& col, QsoCalls* calls, Contact* c) {
  calls->own_call = col[4];
  c->rst_sent = col[5];
  c->exch_sent = col[6];
  calls->call = col[7];
  c->rst_rcvd = col[8];
  if (col.size() >= 10) c->exch_rcvd = col[9];
}

// Any other line whose fifth field is the sent call: the received call is the
// next field that is a call sign, what stands between them is what was sent,
// what follows is what was received (a last one-digit field being the
// transmitter). False when there is no such pair of calls.
bool PlaceByCalls(const std::vector<std::string_view>& col, QsoCalls* calls, Contact* c) {
  if (col.size() < 6 || !CallShaped(col[4])) return false;
  size_t call = 5;
  while (call < col.size() && !CallShaped(col[call])) ++call;
  if (call == col.size()) return false;
  calls->own_call = col[4];
  calls->call = col[call];
  const auto at = [&](size_t i) { return col.begin() + static_cast<std::ptrdiff_t>(i); };
  std::vector<std::string_view> received(at(call + 1), col.end());
  if (received.size() >= 3 && received.back().size() == 1 && IsDigit(received.back()[0])) {
    received.pop_back();
  }
  PlaceSide(std::vector<std::string_view>(at(5), at(call)), &c->rst_sent, &c->exch_sent);
  PlaceSide(received, &c->rst_rcvd, &c->exch_rcvd);
  return true;
}

// "report 599, exchange 009", "no report, exchange 009", "nothing".
std::string SideText(const std::string& rst, const std::string& exch) {
  if (rst.empty() && exch.empty()) return "nothing";
  return (rst.empty() ? "no report" : "report " + rst) + ", " +
         (exch.empty() ? "no exchange" : "exchange " + exch);
}

}  // namespace

void ReadCabrilloQso(const std::vector<std::string_view>& col, int line_no,
                     const std::string& file_name, LogData* out) {
  auto report = [&](const std::string& field, const std::string& message) {
    out->Diagnose({file_name, line_no, field, message});
  };
  // The contact is made in its place in the list, and taken back when the
  // line cannot be read.
  Contact& c = out->contacts.emplace_back();
  c.line = line_no;
  QsoCalls calls;
  const bool positional = col.size() == 10 || col.size() == 11;
  bool by_calls = false;
  if (!positional || !CallShaped(col[7])) by_calls = PlaceByCalls(col, &calls, &c);
  if (!by_calls) {
    if (!positional) {
      out->contacts.pop_back();
      report("", "QSO line has " + std::to_string(col.size()) +
                     " columns, expected 10, and no sent and received call to read it by");
      ++out->skipped;
      return;
    }
    PlaceByPosition(col, &calls, &c);
  }
  const std::string_view freq = col[0], mode = col[1], date = col[2], time = col[3];

  bool ok = true;
  auto fail = [&](const std::string& field, const std::string& message) {
    report(field, message);
    ok = false;
  };

  bool designator = false;
  for (const Designator& d : kDesignators) {
    if (freq == d.text) {
      c.freq_hz = d.khz * 1000u;
      designator = true;
    }
  }
  if (!designator && !ParseKilohertz(freq, &c.freq_hz)) {
    fail("freq", "'" + std::string(freq) + "' is not a frequency in kHz");
  } else {
    c.band = BandFromKhz(c.freq_hz / 1000.0);
    if (c.band.empty()) fail("freq", std::string(freq) + " kHz lies outside the amateur bands");
  }

  c.mode = ModeFromCabrillo(mode);

  Date day;
  const bool date_ok = ParseIsoDate(date, &day);
  if (date_ok) {
    c.year = day.year;
    c.month = day.month;
    c.day = day.day;
  }
  if (!date_ok) fail("date", "'" + std::string(date) + "' is not a date yyyy-mm-dd");

  if (!ParseHhmm(time, &c.hour, &c.minute))
    fail("time", "'" + std::string(time) + "' is not a time hhmm");

  c.own_call = Upper(calls.own_call);
  c.call = Upper(calls.call);
  if (!LooksLikeCall(c.call)) fail("call", "'" + c.call + "' is not a call sign");

  if (!ok) {
    out->contacts.pop_back();
    ++out->skipped;
    return;
  }
  if (by_calls) {
    Diagnostic d{file_name, line_no, "",
                 "QSO line has " + std::to_string(col.size()) +
                     " columns, expected 10: read by its calls " + c.own_call + " and " + c.call +
                     ", sent " + SideText(c.rst_sent, c.exch_sent) + "; received " +
                     SideText(c.rst_rcvd, c.exch_rcvd),
                 true};
    out->Diagnose(std::move(d));
    ++out->warned;
  }
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
    if (tag.empty() || tag.find(' ') != std::string::npos) {
      out->Diagnose({file_name, line_no, "", "not a Cabrillo line (no TAG:)"});
      continue;
    }
    const std::string_view value = Trim(line.substr(colon + 1));
    if (tag == "END-OF-LOG") break;
    if (tag == "CALLSIGN") {
      out->own_call = Upper(value);
      continue;
    }
    if (tag != "QSO") continue;  // other header tags, X-QSO lines
    ReadCabrilloQso(SplitFields(value), line_no, file_name, out);
  }
}

}  // namespace yodx
