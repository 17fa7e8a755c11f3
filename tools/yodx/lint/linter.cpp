#include "tools/yodx/lint/linter.h"

#include <algorithm>
#include <cstdio>
#include <string_view>
#include <unordered_map>

#include "tools/contest/contact.h"
#include "tools/contest/rules.h"
#include "tools/contest/text.h"

namespace yodx {

namespace {

// Header tags of the format; any "X-" tag is the log author's own and is
// known too.
constexpr std::string_view kKnownTags =
    "START-OF-LOG END-OF-LOG CALLSIGN CONTEST CATEGORY-ASSISTED CATEGORY-BAND CATEGORY-MODE "
    "CATEGORY-OPERATOR CATEGORY-POWER CATEGORY-STATION CATEGORY-TIME CATEGORY-TRANSMITTER "
    "CATEGORY-OVERLAY CERTIFICATE CLAIMED-SCORE CLUB CREATED-BY EMAIL GRID-LOCATOR LOCATION NAME "
    "ADDRESS ADDRESS-CITY ADDRESS-STATE-PROVINCE ADDRESS-POSTALCODE ADDRESS-COUNTRY OPERATORS "
    "OFFTIME SOAPBOX DEBUG QSO X-QSO";

// The values each CATEGORY- tag may take: the format's lists, the band
// narrowed to this contest's bands.
struct CategoryValues {
  std::string_view tag;
  std::string_view values;  // blank-separated
};
constexpr CategoryValues kCategories[] = {
    {"CATEGORY-ASSISTED", "ASSISTED NON-ASSISTED"},
    {"CATEGORY-BAND", "ALL 80M 40M 20M 15M 10M"},
    {"CATEGORY-MODE", "CW DIGI FM RTTY SSB MIXED"},
    {"CATEGORY-OPERATOR", "SINGLE-OP MULTI-OP CHECKLOG"},
    {"CATEGORY-POWER", "HIGH LOW QRP"},
    {"CATEGORY-STATION",
     "DISTRIBUTED FIXED MOBILE PORTABLE ROVER ROVER-LIMITED ROVER-UNLIMITED EXPEDITION HQ SCHOOL "
     "EXPLORER"},
    {"CATEGORY-TIME", "6-HOURS 8-HOURS 12-HOURS 24-HOURS"},
    {"CATEGORY-TRANSMITTER", "ONE TWO LIMITED UNLIMITED SWL"},
    {"CATEGORY-OVERLAY", "CLASSIC ROOKIE TB-WIRES YOUTH NOVICE-TECH YL"},
};

std::string Quote(std::string_view text) {
  return "'" + Printable(text, 40) + "'";
}

bool InList(std::string_view values, std::string_view word) {
  for (std::string_view v : SplitBlanks(values)) {
    if (v == word) return true;
  }
  return false;
}

std::string ListForMessage(std::string_view values) {
  std::string out;
  for (std::string_view v : SplitBlanks(values)) {
    out += (out.empty() ? "" : ", ") + std::string(v);
  }
  return out;
}

bool IsKnownTag(const std::string& tag) {
  if (tag.compare(0, 2, "X-") == 0) return true;
  return InList(kKnownTags, tag);
}

// Letters, digits and '/', parts between the slashes not empty, and at least
// one letter and one digit: what a call sign can look like.
bool IsCallSign(std::string_view call) {
  if (!LooksLikeCall(call) || call.front() == '/' || call.back() == '/') return false;
  return call.find("//") == std::string_view::npos;
}

// A report: three digits R S T for CW (1-5, 1-9, 1-9), two for phone.
bool FitsMode(std::string_view report, bool cw) {
  if (report.size() != (cw ? 3u : 2u) || !AllDigits(report)) return false;
  return report[0] >= '1' && report[0] <= '5' && report[1] >= '1' && (!cw || report[2] >= '1');
}

class Linter {
 public:
  Linter(const std::string& text, const CtyFile& countries, const LintOptions& options)
      : text_(text), countries_(countries), options_(options) {}

  LintResult Run();

 private:
  struct QsoLine {
    int line;
    std::vector<std::string_view> fields;
  };

  void Add(int line, Severity severity, const char* rule, std::string message) {
    result_.findings.push_back({line, severity, rule, std::move(message)});
  }
  void Error(int line, const char* rule, std::string message) {
    Add(line, Severity::kError, rule, std::move(message));
  }
  void Warning(int line, const char* rule, std::string message) {
    Add(line, Severity::kWarning, rule, std::move(message));
  }

  void ReadLines();
  void CheckHeaderLine(int line, const std::string& tag, std::string_view value);
  void CheckHeaderAsAWhole();
  void ChoosePeriod();
  void CheckQso(const QsoLine& q);
  // A "-" field: reported as missing, true.
  bool Missing(int line, const char* rule, const char* field, std::string_view value);
  void CheckExchange(int line, const char* field, std::string_view value, std::string_view station,
                     bool romanian);
  bool IsRomanianStation(std::string_view call);

  const std::string& text_;
  const CtyFile& countries_;
  const LintOptions& options_;
  LintResult result_;

  std::vector<QsoLine> qsos_;
  int first_line_ = 0, last_line_ = 0;  // non-blank
  bool ended_ = false;
  std::string contest_, callsign_;
  int contest_line_ = 0, callsign_line_ = 0;
  bool claimed_score_ = false;
  bool two_transmitters_ = false;
  std::unordered_map<std::string, int> first_of_;  // call, band, mode -> line
  std::string last_station_;
  bool last_station_romanian_ = false;
};

LintResult Linter::Run() {
  ReadLines();
  CheckHeaderAsAWhole();
  ChoosePeriod();
  for (const QsoLine& q : qsos_) CheckQso(q);
  // File-level findings were added last; line order puts each in its place.
  std::stable_sort(result_.findings.begin(), result_.findings.end(),
                   [](const Finding& a, const Finding& b) { return a.line < b.line; });
  for (const Finding& f : result_.findings) {
    ++(f.severity == Severity::kError ? result_.errors : result_.warnings);
  }
  return std::move(result_);
}

void Linter::ReadLines() {
  size_t pos = text_.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  int number = 0;
  bool after_end_reported = false;
  while (pos < text_.size()) {
    size_t end = text_.find('\n', pos);
    if (end == std::string::npos) end = text_.size();
    const std::string_view line = Trim(std::string_view(text_).substr(pos, end - pos));
    pos = end + 1;
    ++number;
    if (line.empty()) continue;
    if (first_line_ == 0) first_line_ = number;
    last_line_ = number;
    if (ended_) {
      if (!after_end_reported) Error(number, "end-of-log", "text after END-OF-LOG:");
      after_end_reported = true;
      continue;
    }
    const size_t colon = line.find(':');
    const std::string tag =
        colon == std::string_view::npos ? "" : Upper(Trim(line.substr(0, colon)));
    if (number == first_line_ && tag != "START-OF-LOG") {
      Error(number, "start-of-log", "the log must begin with 'START-OF-LOG: 3.0'");
    }
    if (tag.empty() || tag.find_first_of(" \t") != std::string::npos) {
      Error(number, "line", "line " + Quote(line) + " is not 'TAG: value'");
      continue;
    }
    const std::string_view value = Trim(line.substr(colon + 1));
    if (tag == "QSO") {
      qsos_.push_back({number, SplitBlanks(value)});
    } else {
      CheckHeaderLine(number, tag, value);
    }
  }
}

void Linter::CheckHeaderLine(int line, const std::string& tag, std::string_view value) {
  const std::string upper = Upper(value);
  if (tag == "START-OF-LOG") {
    if (line != first_line_) {
      Error(line, "start-of-log", "START-OF-LOG: must be the first line");
    } else if (upper != "3.0") {
      Error(line, "start-of-log", "START-OF-LOG version " + Quote(value) + ", expected 3.0");
    }
  } else if (tag == "END-OF-LOG") {
    ended_ = true;
  } else if (tag == "CONTEST") {
    if (contest_line_ == 0) {
      contest_ = upper;
      contest_line_ = line;
    }
  } else if (tag == "CALLSIGN") {
    if (callsign_line_ == 0) {
      callsign_ = upper;
      callsign_line_ = line;
    }
  } else if (tag == "CLAIMED-SCORE") {
    claimed_score_ = true;
    if (!AllDigits(value)) {
      Warning(line, "claimed-score", "CLAIMED-SCORE " + Quote(value) + " is not a whole number");
    }
  } else if (!IsKnownTag(tag)) {
    Warning(line, "unknown-tag", "unknown header tag " + Quote(tag + ":"));
  }
  for (const CategoryValues& c : kCategories) {
    if (tag != c.tag) continue;
    if (!InList(c.values, upper)) {
      Error(line, "category",
            tag + " " + Quote(value) + " is not one of " + ListForMessage(c.values));
    }
    if (tag == "CATEGORY-TRANSMITTER") two_transmitters_ = upper == "TWO";
  }
}

void Linter::CheckHeaderAsAWhole() {
  const int top = std::max(first_line_, 1);
  if (first_line_ == 0) Error(1, "start-of-log", "the log is empty");
  if (!ended_) {
    Error(std::max(last_line_, 1), "end-of-log", "the log must end with 'END-OF-LOG:'");
  }
  if (contest_line_ == 0) {
    Error(top, "contest",
          "no CONTEST: line; expected 'CONTEST: " + std::string(kContestName) + "'");
  } else if (contest_ != kContestName) {
    Error(contest_line_, "contest",
          "CONTEST " + Quote(contest_) + " is not " + std::string(kContestName));
  }
  if (callsign_line_ == 0) {
    Error(top, "callsign", "no CALLSIGN: line");
  } else if (!IsCallSign(callsign_)) {
    Error(callsign_line_, "callsign", "CALLSIGN " + Quote(callsign_) + " is not a call sign");
  }
  if (!claimed_score_) Warning(top, "claimed-score", "no CLAIMED-SCORE: line");
  if (text_.size() > kUploadLimitBytes) {
    Error(top, "size",
          "the file is " + Grouped(text_.size()) + " bytes, over the upload page's limit of " +
              Grouped(kUploadLimitBytes) +
              "; 'yodx compact LOG OUT' writes a copy with one blank between fields, which "
              "changes no field");
  }
}

void Linter::ChoosePeriod() {
  if (options_.period_given) {
    result_.period_known = true;
    result_.start = options_.start;
    result_.end = options_.end;
    return;
  }
  for (const QsoLine& q : qsos_) {
    if (q.fields.size() < 3) continue;
    const std::string_view d = q.fields[2];
    if (d.size() != 10 || d[4] != '-' || d[7] != '-' || !AllDigits(d.substr(0, 4))) continue;
    const int year = std::stoi(std::string(d.substr(0, 4)));
    if (!ValidDate(year, TwoDigits(d, 5), TwoDigits(d, 8))) continue;
    ContestPeriod(year, &result_.start, &result_.end);
    result_.period_known = true;
    return;
  }
}

bool Linter::Missing(int line, const char* rule, const char* field, std::string_view value) {
  if (value != "-") return false;
  Error(line, rule, std::string(field) + " is missing ('-')");
  return true;
}

bool Linter::IsRomanianStation(std::string_view call) {
  if (call != last_station_) {
    last_station_ = std::string(call);
    last_station_romanian_ = yodx::IsRomanian(countries_.Lookup(last_station_));
  }
  return last_station_romanian_;
}

void Linter::CheckExchange(int line, const char* field, std::string_view value,
                           std::string_view station, bool romanian) {
  if (Missing(line, "exchange", field, value)) return;
  const std::string who = Printable(station, 20);
  if (romanian) {
    if (CountyCode(value).empty()) {
      Error(line, "exchange",
            std::string(field) + " " + Quote(value) + " is not a county code (" + who +
                " is a Romanian station)");
    }
  } else if (!IsSerialNumber(value)) {
    Error(line, "exchange",
          std::string(field) + " " + Quote(value) + " is not a serial number from 001 (" + who +
              " is not a Romanian station)");
  }
}

void Linter::CheckQso(const QsoLine& q) {
  const int line = q.line;
  const size_t expected = two_transmitters_ ? 11 : 10;
  const size_t n = q.fields.size();
  if (n != expected) {
    Error(line, "qso-fields",
          "QSO line has " + std::to_string(n) + " fields, expected " + std::to_string(expected) +
              (two_transmitters_ ? ": freq mo date time call rst exch call rst exch transmitter"
                                 : ": freq mo date time call rst exch call rst exch"));
    // An extra transmitter field leaves the others in place; anything else
    // leaves no field where it belongs.
    if (n != 11) return;
  } else if (two_transmitters_ && q.fields[10] != "0" && q.fields[10] != "1") {
    Error(line, "qso-fields", "transmitter " + Quote(q.fields[10]) + " is not 0 or 1");
  }
  const std::string_view freq = q.fields[0], date = q.fields[2], time = q.fields[3];
  const std::string mode = Upper(q.fields[1]);
  const std::string sent_call = Upper(q.fields[4]), call = Upper(q.fields[7]);

  std::string band;
  if (!Missing(line, "frequency", "frequency", freq)) {
    uint32_t hz = 0;
    if (!AllDigits(freq) || !ParseDecimalHertz(freq, 3, &hz)) {
      Error(line, "frequency", "frequency " + Quote(freq) + " is not in kHz");
    } else {
      band = BandFromKhz(hz / 1000.0);
      const bool contest_band = IsContestBand(band);
      if (band.empty()) {
        Error(line, "frequency",
              "frequency " + std::string(freq) + " kHz is outside the amateur bands");
      } else if (band == "160m") {
        Warning(line, "band",
                "160m is not a contest band: the plug-in's claimed score counts this contact, the "
                "organiser will not");
      } else if (!contest_band) {
        Error(line, "band",
              "frequency " + std::string(freq) + " kHz is on " + band +
                  ", not a contest band (80, 40, 20, 15, 10m)");
        band.clear();
      }
    }
  }

  const bool cw = mode == "CW", phone = mode == "PH";
  if (!Missing(line, "mode", "mode", mode) && !cw && !phone) {
    Error(line, "mode", "mode " + Quote(q.fields[1]) + " is not a contest mode (CW or PH)");
  }

  int year = 0, month = 0, day = 0, hour = -1, minute = -1;
  bool date_ok = false, time_ok = false;
  if (!Missing(line, "date", "date", date)) {
    if (date.size() == 10 && date[4] == '-' && date[7] == '-' && AllDigits(date.substr(0, 4))) {
      year = std::stoi(std::string(date.substr(0, 4)));
      month = TwoDigits(date, 5);
      day = TwoDigits(date, 8);
      date_ok = ValidDate(year, month, day);
    }
    if (!date_ok) Error(line, "date", "date " + Quote(date) + " is not yyyy-mm-dd");
  }
  if (!Missing(line, "time", "time", time)) {
    if (time.size() == 4 && AllDigits(time)) {
      hour = TwoDigits(time, 0);
      minute = TwoDigits(time, 2);
      time_ok = hour < 24 && minute < 60;
    }
    if (!time_ok) Error(line, "time", "time " + Quote(time) + " is not hhmm UTC");
  }
  if (date_ok && time_ok && result_.period_known) {
    const UtcSeconds t = ToUtcSeconds(year, month, day, hour, minute, 0);
    if (t < result_.start || t > result_.end) {
      Error(line, "period",
            std::string(date) + " " + std::string(time) + " is outside the contest period " +
                FormatUtc(result_.start) + " to " + FormatUtc(result_.end) + " UTC");
    }
  }

  bool sent_call_ok = false;
  if (!Missing(line, "sent-call", "sent call", sent_call)) {
    if (!IsCallSign(sent_call)) {
      Error(line, "sent-call", "sent call " + Quote(sent_call) + " is not a call sign");
    } else if (callsign_line_ != 0 && sent_call != callsign_) {
      Error(line, "sent-call",
            "sent call " + Quote(sent_call) + " is not the log's CALLSIGN " +
                Printable(callsign_, 20));
    } else {
      sent_call_ok = true;
    }
  }
  bool call_ok = false;
  if (!Missing(line, "call", "call", call)) {
    call_ok = IsCallSign(call);
    if (!call_ok) {
      Error(line, "call", "call " + Quote(call) + " is not a call sign (A-Z, 0-9 and '/')");
    }
  }

  for (const auto& [field, report] :
       {std::pair<const char*, std::string_view>{"report sent", q.fields[5]},
        std::pair<const char*, std::string_view>{"report received", q.fields[8]}}) {
    if (Missing(line, "report", field, report) || (!cw && !phone)) continue;
    if (!FitsMode(report, cw)) {
      Error(line, "report",
            std::string(field) + " " + Quote(report) + " does not fit " + mode +
                (cw ? ": three digits, 1-5, 1-9, 1-9" : ": two digits, 1-5, 1-9"));
    }
  }

  // Who sent what: the own station its exchange, the worked one the other.
  const std::string own = sent_call_ok || callsign_line_ == 0 ? sent_call : callsign_;
  if (IsCallSign(own))
    CheckExchange(line, "exchange sent", q.fields[6], own, IsRomanianStation(own));
  if (call_ok) CheckExchange(line, "exchange received", q.fields[9], call, IsRomanianStation(call));

  if (call_ok && !band.empty() && (cw || phone)) {
    std::string key = call;
    key += '\0';
    key += band;
    key += '\0';
    key += mode;
    const auto [it, first] = first_of_.emplace(std::move(key), line);
    if (!first) {
      Warning(line, "duplicate",
              "duplicate of line " + std::to_string(it->second) + ": " + Printable(call, 20) +
                  " again on " + band + " " + mode + " (allowed; it scores nothing)");
    }
  }
}

}  // namespace

LintResult LintCabrillo(const std::string& text, const CtyFile& countries,
                        const LintOptions& options) {
  return Linter(text, countries, options).Run();
}

std::string FormatFindings(const std::string& log_name, const LintResult& result) {
  const std::string name = Printable(log_name, 200);
  std::string out;
  for (const Finding& f : result.findings) {
    out += name + ":" + std::to_string(f.line) +
           (f.severity == Severity::kError ? ": error: " : ": warning: ") +
           Printable(f.message, 300) + "\n";
  }
  out += std::to_string(result.errors) + (result.errors == 1 ? " error, " : " errors, ") +
         std::to_string(result.warnings) + (result.warnings == 1 ? " warning\n" : " warnings\n");
  return out;
}

std::string FindingsJson(const LintResult& result) {
  std::string out = "{\"errors\": " + std::to_string(result.errors) +
                    ", \"warnings\": " + std::to_string(result.warnings) + ", \"findings\": [";
  for (size_t i = 0; i < result.findings.size(); ++i) {
    const Finding& f = result.findings[i];
    out += std::string(i == 0 ? "\n  " : ",\n  ") + "{\"line\": " + std::to_string(f.line) +
           ", \"severity\": " + (f.severity == Severity::kError ? "\"error\"" : "\"warning\"") +
           ", \"rule\": " + JsonString(f.rule) + ", \"message\": " + JsonString(f.message) + "}";
  }
  return out + (result.findings.empty() ? "]}\n" : "\n]}\n");
}

}  // namespace yodx
