// The rules of the log as a whole: it begins with START-OF-LOG and ends with
// END-OF-LOG, every line is "TAG: value", it fits the upload page, its
// contacts are read against one period, a repeated contact is named, and
// the contacts are counted as the organiser counts them.
#include <string_view>

#include "tools/contest/cabrillo_reader.h"
#include "tools/contest/count.h"
#include "tools/contest/rules.h"
#include "tools/contest/text.h"
#include "tools/yodx/lint/rules.h"

namespace yodx {
namespace lint {

bool LogRules::Line(int number, std::string_view line, std::string* tag, std::string_view* value) {
  if (first_line_ == 0) first_line_ = number;
  last_line_ = number;
  if (ended_) {
    if (!after_end_reported_) findings_->Error(number, "end-of-log", "text after END-OF-LOG:");
    after_end_reported_ = true;
    return false;
  }
  const size_t colon = line.find(':');
  *tag = colon == std::string_view::npos ? "" : Upper(Trim(line.substr(0, colon)));
  if (number == first_line_ && *tag != "START-OF-LOG") {
    findings_->Error(number, "start-of-log", "the log must begin with 'START-OF-LOG: 3.0'");
  }
  if (tag->empty() || tag->find_first_of(" \t") != std::string::npos) {
    findings_->Error(number, "line", "line " + Quote(line) + " is not 'TAG: value'");
    return false;
  }
  *value = Trim(line.substr(colon + 1));
  ended_ = *tag == "END-OF-LOG";
  return true;
}

void LogRules::Finish() {
  if (first_line_ == 0) findings_->Error(1, "start-of-log", "the log is empty");
  if (!ended_) {
    findings_->Error(last_line_ > 0 ? last_line_ : 1, "end-of-log",
                     "the log must end with 'END-OF-LOG:'");
  }
}

void LogRules::Size(size_t bytes) {
  if (bytes <= kUploadLimitBytes) return;
  findings_->Error(top(), "size",
                   "the file is " + GroupedNumber(bytes) +
                       " bytes, over the upload page's limit of " +
                       GroupedNumber(kUploadLimitBytes) +
                       "; 'yodx compact LOG OUT' writes a copy with one blank between fields, "
                       "which changes no field");
}

void LogRules::ChoosePeriod(const LintOptions& options, const std::vector<QsoLine>& qsos,
                            LintResult* result) {
  if (options.period_given) {
    result->period_known = true;
    result->start = options.start;
    result->end = options.end;
    return;
  }
  for (const QsoLine& q : qsos) {
    if (q.fields.size() < 3) continue;
    Date d;
    if (!ParseIsoDate(q.fields[2], &d)) continue;
    ContestPeriod(d.year, &result->start, &result->end);
    result->period_known = true;
    return;
  }
}

void LogRules::Duplicate(int line, const Worked& worked) {
  std::string key = worked.call;
  key += '\0';
  key += worked.band;
  key += '\0';
  key += worked.mode;
  const auto [it, first] = first_of_.emplace(std::move(key), line);
  if (first) return;
  findings_->Warning(line, "duplicate",
                     "duplicate of line " + std::to_string(it->second) + ": " +
                         Printable(worked.call, 20) + " again on " + worked.band + " " +
                         worked.mode + " (allowed; it scores nothing)");
}

void LogRules::Read(std::vector<QsoLine>* qsos, const CtyFile& countries, ReadLog* read) {
  // The QSO lines as the Cabrillo reader takes them, from the fields
  // already split.
  LogData log;
  log.contacts.reserve(qsos->size());
  for (const QsoLine& q : *qsos) ReadCabrilloQso(q.fields, q.line, "", &log);
  read->contacts = std::move(log.contacts);
  read->stations = PlaceStations(read->contacts, countries);
  size_t next = 0;
  for (QsoLine& q : *qsos) {
    if (next == read->contacts.size() || read->contacts[next].line != q.line) continue;
    q.contact = &read->contacts[next];
    q.worked = &read->stations[next];
    ++next;
  }
}

void LogRules::Count(const ReadLog& read, const Header& header, const CtyFile& countries,
                     LintResult* result) {
  if (header.callsign_line == 0 || !IsCallSign(header.callsign)) {
    result->not_counted = "the log names no own station (CALLSIGN:)";
    return;
  }
  Entrant entrant;
  entrant.station = PlaceStation(countries, header.callsign);
  if (entrant.station.country.empty()) {
    result->not_counted = "the country file does not place " + Printable(header.callsign, 20);
    return;
  }
  if (result->period_known) {
    entrant.start = result->start;
    entrant.end = result->end;
  }
  result->claim = CompareWithPlugin(read.contacts, read.stations, entrant);
  result->counted = true;
}

}  // namespace lint
}  // namespace yodx
