#include "tools/replay/replay.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "cabrillo/cabrillo_log.h"
#include "log/ole_date.h"
#include "platform/settings.h"
#include "tools/contest/text.h"

namespace yodx {

namespace fs = std::filesystem;

namespace {

constexpr const char* kReportFile = "err.txt";

COleDateTime HostDate(double value) {
  COleDateTime d;
  d.m_dt = value;
  d.m_status = COleDateTime::kValid;
  return d;
}

COleDateTime NullHostDate() {
  COleDateTime d;
  d.m_dt = 0;
  d.m_status = COleDateTime::kNull;
  return d;
}

double ContactDate(const Contact& c) {
  return stats::MakeOleDate(c.year, c.month, c.day, c.hour, c.minute, c.second);
}

// "2021-08-07 1200", the report's form of a contact's time.
std::string ReportTime(const Contact& c) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d%02d", c.year, c.month, c.day, c.hour,
                c.minute);
  return buf;
}

// Lines appended to the report since *offset; moves *offset to the end.
std::vector<std::string> NewReportLines(std::streamoff* offset) {
  std::vector<std::string> lines;
  std::ifstream in(kReportFile, std::ios::binary);
  if (!in) return lines;
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size <= *offset) {
    *offset = size;  // truncated by someone else: start over from here
    return lines;
  }
  in.seekg(*offset);
  std::string text(static_cast<size_t>(size - *offset), '\0');
  in.read(&text[0], static_cast<std::streamsize>(text.size()));
  *offset = size;
  size_t at = 0;
  while (at < text.size()) {
    size_t nl = text.find('\n', at);
    if (nl == std::string::npos) nl = text.size();
    std::string line = text.substr(at, nl - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) lines.push_back(line);
    at = nl + 1;
  }
  return lines;
}

std::streamoff FileSize(const char* name) {
  std::ifstream in(name, std::ios::binary | std::ios::ate);
  return in ? static_cast<std::streamoff>(in.tellg()) : 0;
}

bool ParseNumber(std::string_view s, long long* out) {
  s = Trim(s);
  bool negative = false;
  if (!s.empty() && s[0] == '-') {
    negative = true;
    s.remove_prefix(1);
  }
  if (!AllDigits(s) || s.size() > 18) return false;
  long long v = 0;
  for (char c : s) v = v * 10 + (c - '0');
  *out = negative ? -v : v;
  return true;
}

const char* KindName(Rejection::Kind kind) {
  switch (kind) {
    case Rejection::kRefused:
      return "refused";
    case Rejection::kDuplicate:
      return "duplicate";
    case Rejection::kCounty:
      return "county";
  }
  return "";
}

// The name of the first text field that holds a control character (NUL,
// CR, LF, ...), which would end or break the text the plug-in is given.
const char* ControlCharacterField(const Contact& c) {
  const std::pair<const char*, const std::string*> fields[] = {{"own call", &c.own_call},
                                                               {"call", &c.call},
                                                               {"band", &c.band},
                                                               {"mode", &c.mode},
                                                               {"rst sent", &c.rst_sent},
                                                               {"rst received", &c.rst_rcvd},
                                                               {"exchange sent", &c.exch_sent},
                                                               {"exchange received", &c.exch_rcvd}};
  for (const auto& field : fields) {
    for (char ch : *field.second) {
      const unsigned char u = static_cast<unsigned char>(ch);
      if (u < 0x20 || u == 0x7f) return field.first;
    }
  }
  return nullptr;
}

}  // namespace

void ParseSummary(const std::string& summary, std::vector<Tally>* tallies, long long* score) {
  tallies->clear();
  *score = -1;
  size_t at = 0;
  while (at < summary.size()) {
    size_t nl = summary.find('\n', at);
    if (nl == std::string::npos) nl = summary.size();
    std::string_view line = std::string_view(summary).substr(at, nl - at);
    at = nl + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

    const size_t eq = line.rfind("= ");
    if (line.compare(0, 6, "Score:") == 0 && eq != std::string_view::npos) {
      long long s;
      if (ParseNumber(line.substr(eq + 2), &s)) *score = s;
      continue;
    }
    std::vector<std::string_view> cells;
    size_t c = 0;
    while (c <= line.size()) {
      size_t tab = line.find('\t', c);
      if (tab == std::string_view::npos) tab = line.size();
      cells.push_back(line.substr(c, tab - c));
      c = tab + 1;
    }
    long long n[4];
    if (cells.size() != 5 || cells[0].empty()) continue;
    bool numbers = true;
    for (int i = 0; i < 4; ++i) numbers = numbers && ParseNumber(cells[i + 1], &n[i]);
    if (!numbers) continue;
    tallies->push_back({std::string(cells[0]), static_cast<int>(n[0]), static_cast<int>(n[1]),
                        static_cast<int>(n[2]), static_cast<int>(n[3])});
  }
}

std::string ReportReason(const std::string& line, const Contact& c) {
  const std::string fields = "QSO:  " + std::to_string(c.freq_hz / 1000) + "  " + c.mode + "  " +
                             ReportTime(c) + "  " + c.own_call + "  " + c.rst_sent + "  " +
                             c.exch_sent + "  " + c.call + "  " + c.rst_rcvd + "  " + c.exch_rcvd;
  if (line.compare(0, fields.size(), fields) != 0) return line;  // not in the expected form
  std::string_view rest = Trim(std::string_view(line).substr(fields.size()));
  // A county line repeats the normalised exchange before its message.
  const std::string normalised = Upper(Trim(c.exch_rcvd));
  if (!normalised.empty() && rest.compare(0, normalised.size() + 2, normalised + "  ") == 0) {
    rest = Trim(rest.substr(normalised.size()));
  }
  return std::string(rest);
}

bool LoadCountries(const std::string& cty_option, const std::string& log, CtyFile* countries,
                   std::string* error) {
  return LoadCountryFile(cty_option,
                         CountryFileCandidates(log, stats::tools::LoadedPlugin::ProgramFolder()),
                         countries, error);
}

bool Replay::LoadCty(std::string* error) {
  return LoadCountries(options_.cty_path, options_.log_path, &cty_, error);
}

bool Replay::Run(std::string* error) {
  ReplayResult& r = result_;
  if (!ReadLogFile(options_.log_path, &r.log, error)) return false;
  if (!LoadCty(error)) return false;

  r.own_call = Upper(Trim(options_.own_call));
  if (r.own_call.empty()) r.own_call = OwnCall(r.log);
  if (r.own_call.empty()) {
    *error = options_.log_path + ": the log names no own station; give --call OWNCALL";
    return false;
  }
  const CtyMatch own = cty_.Lookup(r.own_call);
  if (!own.found()) {
    *error = "the country file does not place the own call " + r.own_call;
    return false;
  }
  r.own_prefix = own.prefix;
  r.own_continent = own.continent;
  for (Contact& c : r.log.contacts) {
    if (c.own_call.empty()) c.own_call = r.own_call;
  }

  COleDateTime start = NullHostDate(), end = NullHostDate();
  if (!r.log.contacts.empty()) {
    double first = ContactDate(r.log.contacts.front()), last = first;
    for (const Contact& c : r.log.contacts) {
      const double t = ContactDate(c);
      first = std::min(first, t);
      last = std::max(last, t);
    }
    start = HostDate(first);
    end = HostDate(last);
  }
  // Given dates mean the contest's hours: 12:00 UTC on each day.
  if (options_.start.set()) {
    start = HostDate(stats::MakeOleDate(options_.start.year, options_.start.month,
                                        options_.start.day, 12, 0, 0));
  }
  if (options_.end.set()) {
    end = HostDate(
        stats::MakeOleDate(options_.end.year, options_.end.month, options_.end.day, 12, 0, 0));
  }

  if (!options_.exports && !plugin_.Load(options_.plugin_path, error)) return false;
  const std::string json_path =
      options_.json_path.empty() ? "" : fs::absolute(options_.json_path).string();
  options_.json_path = json_path;
  if (!options_.out_dir.empty()) {
    std::error_code ec;
    fs::create_directories(options_.out_dir, ec);
    if (ec) {  // the first error is the one that says why
      *error = "cannot create folder " + options_.out_dir + ": " + ec.message();
      return false;
    }
    fs::current_path(options_.out_dir, ec);
    if (ec) {
      *error = "cannot work in folder " + options_.out_dir + ": " + ec.message();
      return false;
    }
  }
  // The plug-in keeps its settings in "Plugins" below the working folder.
  {
    std::error_code ec;
    fs::create_directories("Plugins", ec);
  }

  if (options_.output && !PrepareOutputRun(error)) return false;

  const stats::tools::PluginExports& x = exports();
  x.ResetStats0("", options_.output ? 1 : 0, r.own_call.c_str(), &start, &end, "", "", "", "", "",
                "", "", "", "", r.own_prefix.c_str(), 0, 0, 0, 0.0, 0.0, "",
                r.own_continent.c_str(), "");
  std::streamoff offset = FileSize(kReportFile);
  // The reset starts the report with its header line; without it, nothing
  // the report would have said can be observed.
  {
    std::error_code ec;
    r.report_written = fs::is_regular_file(kReportFile, ec) && offset > 0;
  }
  if (options_.windows) {
    windows_ = std::make_unique<WindowsView>(r.own_prefix, r.own_continent,
                                             stats::FormatOleDate(end, "%Y"));
  }

  COleDateTime unused4 = NullHostDate(), unused5 = NullHostDate(), unused6 = NullHostDate();
  for (const Contact& c : r.log.contacts) {
    if (const char* field = ControlCharacterField(c)) {
      r.log.Diagnose(
          {options_.log_path, c.line, field, "holds a control character: record skipped"});
      ++r.log.skipped;
      continue;
    }
    const CtyMatch where = cty_.Lookup(c.call);
    if (!where.found()) {
      ++r.unknown_country;
      r.log.Diagnose({options_.log_path, c.line, "call",
                      where.maritime ? c.call + " is maritime or aeronautical mobile: no country"
                                     : "the country file does not place " + c.call});
    }
    COleDateTime time = HostDate(ContactDate(c));
    const int logged = x.AddData0(c.own_call.c_str(), c.call.c_str(), &time, &unused4, &unused5,
                                  &unused6, 0, c.freq_hz, c.mode.c_str(), c.rst_sent.c_str(),
                                  c.rst_rcvd.c_str(), c.exch_sent.c_str(), c.exch_rcvd.c_str(), "",
                                  "", "", "", "", "", "", "", "", where.prefix.c_str(), 0, 0, 0,
                                  0.0, 0.0, "", where.continent.c_str(), "", c.band.c_str(), "");
    ++r.added;
    if (windows_) windows_->Add(c, where.prefix, where.continent);
    if (logged) {
      ++r.logged;
    } else {
      ++r.refused;
    }

    const std::vector<std::string> lines = NewReportLines(&offset);
    if (!logged) {
      Rejection rej;
      rej.kind = Rejection::kRefused;
      rej.contact = &c;
      rej.reports = lines;
      rej.reason = lines.empty() ? "refused without a report line" : ReportReason(lines[0], c);
      r.rejections.push_back(std::move(rej));
      continue;
    }
    Rejection county, dupe;
    for (const std::string& line : lines) {
      const std::string reason = ReportReason(line, c);
      Rejection& into = reason.find("DUPE") != std::string::npos ? dupe : county;
      if (into.reports.empty()) into.reason = reason;
      into.reports.push_back(line);
    }
    if (!county.reports.empty()) {
      county.kind = Rejection::kCounty;
      county.contact = &c;
      r.rejections.push_back(std::move(county));
    }
    if (!dupe.reports.empty()) {
      dupe.kind = Rejection::kDuplicate;
      dupe.contact = &c;
      r.rejections.push_back(std::move(dupe));
    }
  }

  int flag = 0;
  const char* text = x.GetResult0(&flag);
  r.summary = text ? text : "";
  ParseSummary(r.summary, &r.tallies, &r.score);

  {
    const std::unique_ptr<stats::SettingsStore> settings = stats::NewPlatformSettings();
    r.settings_kept = settings->ReadText("Claimed", "") == std::to_string(r.score);
  }

  if (options_.output) {
    // The plug-in names the file after the call sign the reset passed, and
    // sets the host's flag only when it wrote the whole file.
    const fs::path file = fs::absolute(stats::CabrilloFileBase(r.own_call) + ".cbr");
    std::error_code ec;
    if (flag != -1 || !fs::is_regular_file(file, ec)) {
      *error = "the plug-in did not write the Cabrillo log " + file.string();
      return false;
    }
    r.cabrillo_file = file.string();
  }

  if (!json_path.empty()) {
    std::ofstream out(json_path, std::ios::binary);
    out << Json();
    if (!out) {
      *error = "cannot write " + json_path;
      return false;
    }
  }
  return true;
}

bool Replay::PrepareOutputRun(std::string* error) {
  // The settings file lives in "Plugins" below the working folder.
  std::error_code ec;
  fs::create_directories("Plugins", ec);
  if (ec) {
    *error = "cannot create the settings folder Plugins: " + ec.message();
    return false;
  }
  const std::unique_ptr<stats::SettingsStore> settings = stats::NewPlatformSettings();
  for (const auto& setting : options_.header_settings) {
    stats::WriteSetting(*settings, setting.first, setting.second);
    if (settings->ReadText(setting.first, "\x01") != settings->ReadText(setting.first, "\x02")) {
      *error = "cannot store " + setting.first + " in the settings file Plugins/RE-RA-Dediroz.ini";
      return false;
    }
  }
  for (const auto& answer : options_.header_answers) {
    std::string name = "STATS_HEADER_" + answer.first;
    for (char& c : name) c = c == '-' ? '_' : c;
#ifdef _WIN32
    _putenv_s(name.c_str(), answer.second.c_str());
#else
    // Before the plug-in is loaded: no other thread reads the environment yet.
    setenv(name.c_str(), answer.second.c_str(), 1);  // NOLINT(concurrency-mt-unsafe)
#endif
  }
  return true;
}

int Replay::CheckCall(const std::string& call, const std::string& band, const std::string& mode,
                      const std::string& county) const {
  const CtyMatch where = cty_.Lookup(call);
  char buffer27[256] = {0}, buffer28[256] = {0};
  return exports().CheckCall0(call.c_str(), 0, 0, mode.c_str(), "", "", "", "", "", "", "", "", "",
                              where.prefix.c_str(), 0, 0, 0, 0.0, 0.0, "", where.continent.c_str(),
                              "", "", county.c_str(), band.c_str(), "", buffer27, buffer28);
}

int Replay::IsValidExchange(const std::string& call, const std::string& exchange) const {
  const CtyMatch where = cty_.Lookup(call);
  return exports().IsValidExchg0(exchange.c_str(), "", where.prefix.c_str(), "", 0, 0, 0);
}

std::string Replay::Json() const {
  const ReplayResult& r = result_;
  std::ostringstream o;
  const char* format = r.log.format == LogFormat::kAdif ? "adif" : "cabrillo";
  o << "{\n";
  o << "  \"log\": " << JsonString(options_.log_path) << ",\n";
  o << "  \"format\": \"" << format << "\",\n";
  o << "  \"contestant\": " << JsonString(r.own_call) << ",\n";
  o << "  \"own_prefix\": " << JsonString(r.own_prefix) << ",\n";
  o << "  \"own_continent\": " << JsonString(r.own_continent) << ",\n";
  int dupes = 0, counties = 0;
  for (const Rejection& j : r.rejections) {
    dupes += j.kind == Rejection::kDuplicate;
    counties += j.kind == Rejection::kCounty;
  }
  // Without the report the tool has not seen which contacts were duplicates
  // or refused counties: it says so instead of counting zero.
  const std::string seenDupes = r.report_written ? std::to_string(dupes) : "null";
  const std::string seenCounties = r.report_written ? std::to_string(counties) : "null";
  o << "  \"contacts\": {\"read\": " << r.log.contacts.size() << ", \"skipped\": " << r.log.skipped
    << ", \"logged\": " << r.logged << ", \"refused\": " << r.refused
    << ", \"duplicates\": " << seenDupes << ", \"county_not_acceptable\": " << seenCounties
    << ", \"unknown_country\": " << r.unknown_country << "},\n";
  o << "  \"report_written\": " << (r.report_written ? "true" : "false")
    << ", \"settings_kept\": " << (r.settings_kept ? "true" : "false") << ",\n";
  o << "  \"bands\": [";
  const Tally* total = nullptr;
  bool first = true;
  for (const Tally& t : r.tallies) {
    if (t.band == "Total") {
      total = &t;
      continue;
    }
    o << (first ? "\n" : ",\n") << "    {\"band\": " << JsonString(t.band)
      << ", \"qsos\": " << t.qsos << ", \"points\": " << t.points << ", \"dxcc\": " << t.dxcc
      << ", \"county\": " << t.county << "}";
    first = false;
  }
  o << (first ? "],\n" : "\n  ],\n");
  if (total) {
    o << "  \"total\": {\"qsos\": " << total->qsos << ", \"points\": " << total->points
      << ", \"dxcc\": " << total->dxcc << ", \"county\": " << total->county << "},\n";
  }
  o << "  \"score\": " << r.score << ",\n";
  o << "  \"summary\": " << JsonString(r.summary) << ",\n";
  o << "  \"rejections\": [";
  first = true;
  for (const Rejection& j : r.rejections) {
    const Contact& c = *j.contact;
    o << (first ? "\n" : ",\n") << "    {\"kind\": \"" << KindName(j.kind)
      << "\", \"line\": " << c.line << ", \"call\": " << JsonString(c.call)
      << ", \"band\": " << JsonString(c.band) << ", \"mode\": " << JsonString(c.mode)
      << ", \"time\": " << JsonString(ReportTime(c))
      << ", \"exchange_received\": " << JsonString(c.exch_rcvd)
      << ", \"reason\": " << JsonString(j.reason) << ", \"report\": [";
    for (size_t i = 0; i < j.reports.size(); ++i) {
      o << (i ? ", " : "") << JsonString(j.reports[i]);
    }
    o << "]}";
    first = false;
  }
  o << (first ? "],\n" : "\n  ],\n");
  o << "  \"diagnostics\": [";
  first = true;
  for (const Diagnostic& d : r.log.diagnostics) {
    o << (first ? "\n" : ",\n") << "    {\"file\": " << JsonString(d.file)
      << ", \"line\": " << d.line << ", \"field\": " << JsonString(d.field)
      << ", \"message\": " << JsonString(d.message) << "}";
    first = false;
  }
  o << (first ? "],\n" : "\n  ],\n");
  o << "  \"diagnostics_not_listed\": " << r.log.diagnostics_dropped << "\n";
  o << "}\n";
  return o.str();
}

}  // namespace yodx
