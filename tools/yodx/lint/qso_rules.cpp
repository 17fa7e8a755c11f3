// The rules of each QSO line: its fields, frequency and band, mode, date and
// time within the period, the calls, the reports and the exchanges.
#include <string_view>
#include <utility>

#include "tools/contest/contact.h"
#include "tools/contest/rules.h"
#include "tools/contest/text.h"
#include "tools/yodx/lint/rules.h"

namespace yodx {
namespace lint {

namespace {

// A report: three digits R S T for CW (1-5, 1-9, 1-9), two for phone.
bool FitsMode(std::string_view report, bool cw) {
  if (report.size() != (cw ? 3u : 2u) || !AllDigits(report)) return false;
  return report[0] >= '1' && report[0] <= '5' && report[1] >= '1' && (!cw || report[2] >= '1');
}

}  // namespace

std::string Quote(std::string_view text) {
  return "'" + Printable(text, 40) + "'";
}

bool IsCallSign(std::string_view call) {
  // The longest calls, a prefix and a suffix around a special call
  // ("VP2E/DL100ABC/QRP"), stay well within it.
  constexpr size_t kLongest = 20;
  if (call.size() > kLongest || !LooksLikeCall(call) || call.front() == '/' || call.back() == '/') {
    return false;
  }
  return call.find("//") == std::string_view::npos;
}

bool QsoRules::Check(const QsoLine& q, Worked* worked) {
  const int line = q.line;
  const bool two = header_.two_transmitters;
  const size_t expected = two ? 11 : 10;
  const size_t n = q.fields.size();
  if (n != expected) {
    findings_->Error(line, "qso-fields",
                     "QSO line has " + std::to_string(n) + " fields, expected " +
                         std::to_string(expected) +
                         (two ? ": freq mo date time call rst exch call rst exch transmitter"
                              : ": freq mo date time call rst exch call rst exch"));
    // An extra transmitter field leaves the others in place; anything else
    // leaves no field where it belongs.
    if (n != 11) return false;
  } else if (two && q.fields[10] != "0" && q.fields[10] != "1") {
    findings_->Error(line, "qso-fields", "transmitter " + Quote(q.fields[10]) + " is not 0 or 1");
  }
  const std::string mode = Upper(q.fields[1]);
  const std::string band = Band(line, q.fields[0]);

  const bool cw = mode == "CW", phone = mode == "PH";
  if (!Missing(line, "mode", "mode", mode) && !cw && !phone) {
    findings_->Error(line, "mode",
                     "mode " + Quote(q.fields[1]) + " is not a contest mode (CW or PH)");
  }
  Time(line, q.fields[2], q.fields[3]);

  const std::string own = SentCall(line, Upper(q.fields[4]));
  const std::string call = Upper(q.fields[7]);
  bool call_ok = false;
  if (!Missing(line, "call", "call", call)) {
    call_ok = IsCallSign(call);
    if (!call_ok) {
      findings_->Error(line, "call",
                       "call " + Quote(call) + " is not a call sign (A-Z, 0-9 and '/')");
    }
  }
  Reports(q, mode);

  // Who sent what: the own station its exchange, the worked one the other.
  if (!own.empty()) Exchange(line, "exchange sent", q.fields[6], own);
  if (call_ok) {
    const bool placed = q.contact != nullptr && q.contact->call == call;
    Exchange(line, "exchange received", q.fields[9], call, placed ? q.worked : nullptr);
  }

  if (!call_ok || band.empty() || !(cw || phone)) return false;
  *worked = {call, band, mode};
  return true;
}

bool QsoRules::Missing(int line, const char* rule, const char* field, std::string_view value) {
  if (value != "-") return false;
  findings_->Error(line, rule, std::string(field) + " is missing ('-')");
  return true;
}

std::string QsoRules::Band(int line, std::string_view freq) {
  if (Missing(line, "frequency", "frequency", freq)) return "";
  uint32_t hz = 0;
  if (!AllDigits(freq) || !ParseDecimalHertz(freq, 3, &hz)) {
    findings_->Error(line, "frequency", "frequency " + Quote(freq) + " is not in kHz");
    return "";
  }
  std::string band = BandFromKhz(hz / 1000.0);
  if (band.empty()) {
    findings_->Error(line, "frequency",
                     "frequency " + std::string(freq) + " kHz is outside the amateur bands");
  } else if (band == "160m") {
    findings_->Warning(line, "band",
                       "160m is not a contest band: the plug-in's claimed score counts this "
                       "contact, the organiser will not");
  } else if (!IsContestBand(band)) {
    findings_->Error(line, "band",
                     "frequency " + std::string(freq) + " kHz is on " + band +
                         ", not a contest band (80, 40, 20, 15, 10m)");
    return "";
  }
  return band;
}

void QsoRules::Time(int line, std::string_view date, std::string_view time) {
  Date day;
  int hour = -1, minute = -1;
  bool date_ok = false, time_ok = false;
  if (!Missing(line, "date", "date", date)) {
    date_ok = ParseIsoDate(date, &day);
    if (!date_ok) findings_->Error(line, "date", "date " + Quote(date) + " is not yyyy-mm-dd");
  }
  if (!Missing(line, "time", "time", time)) {
    time_ok = ParseHhmm(time, &hour, &minute);
    if (!time_ok) findings_->Error(line, "time", "time " + Quote(time) + " is not hhmm UTC");
  }
  if (!date_ok || !time_ok || !period_.period_known) return;
  const UtcSeconds t = ToUtcSeconds(day.year, day.month, day.day, hour, minute, 0);
  if (t < period_.start || t > period_.end) {
    findings_->Error(line, "period",
                     std::string(date) + " " + std::string(time) +
                         " is outside the contest period " + FormatUtc(period_.start) + " to " +
                         FormatUtc(period_.end) + " UTC");
  }
}

std::string QsoRules::SentCall(int line, const std::string& sent_call) {
  bool sent_call_ok = false;
  if (!Missing(line, "sent-call", "sent call", sent_call)) {
    if (!IsCallSign(sent_call)) {
      findings_->Error(line, "sent-call", "sent call " + Quote(sent_call) + " is not a call sign");
    } else if (header_.callsign_line != 0 && sent_call != header_.callsign) {
      findings_->Error(line, "sent-call",
                       "sent call " + Quote(sent_call) + " is not the log's CALLSIGN " +
                           Printable(header_.callsign, 20));
    } else {
      sent_call_ok = true;
    }
  }
  // A wrong sent call still leaves the exchange to the log's own station.
  const std::string own = sent_call_ok || header_.callsign_line == 0 ? sent_call : header_.callsign;
  return IsCallSign(own) ? own : "";
}

void QsoRules::Reports(const QsoLine& q, const std::string& mode) {
  const bool cw = mode == "CW", phone = mode == "PH";
  for (const auto& [field, report] :
       {std::pair<const char*, std::string_view>{"report sent", q.fields[5]},
        std::pair<const char*, std::string_view>{"report received", q.fields[8]}}) {
    // In a mode that is not the contest's, a report has no form to fit.
    if (Missing(q.line, "report", field, report) || (!cw && !phone)) continue;
    if (!FitsMode(report, cw)) {
      findings_->Error(q.line, "report",
                       std::string(field) + " " + Quote(report) + " does not fit " + mode +
                           (cw ? ": three digits, 1-5, 1-9, 1-9" : ": two digits, 1-5, 1-9"));
    }
  }
}

void QsoRules::Exchange(int line, const char* field, std::string_view value,
                        std::string_view station, const Station* placed) {
  if (Missing(line, "exchange", field, value)) return;
  if (placed != nullptr ? placed->romanian : IsRomanianStation(station)) {
    if (CountyCode(value).empty()) {
      findings_->Error(line, "exchange",
                       std::string(field) + " " + Quote(value) + " is not a county code (" +
                           Printable(station, 20) + " is a Romanian station)");
    }
  } else if (!IsSerialNumber(value)) {
    findings_->Error(line, "exchange",
                     std::string(field) + " " + Quote(value) +
                         " is not a serial number from 001 (" + Printable(station, 20) +
                         " is not a Romanian station)");
  }
}

bool QsoRules::IsRomanianStation(std::string_view call) {
  for (int i = 0; i < 2; ++i) {
    if (call != looked_[i].call) continue;
    latest_ = i;
    return looked_[i].romanian;
  }
  // The one not asked for last makes room: the own station stays.
  latest_ ^= 1;
  Looked& l = looked_[latest_];
  l.call = call;
  l.romanian = IsRomanian(countries_.Lookup(l.call));
  return l.romanian;
}

}  // namespace lint
}  // namespace yodx
