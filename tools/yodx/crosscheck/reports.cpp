#include "tools/yodx/crosscheck/reports.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>

#include "tools/contest/text.h"
#include "tools/yodx/commands.h"
#include "tools/yodx/crosscheck/parallel.h"

namespace yodx {
namespace crosscheck {

namespace {

// What each class means, as the report's table explains it.
const char* const kMeanings[kClasses] = {
    "the other log holds the QSO",
    "we copied the call wrong: the station we worked logged us",
    "the exchange we logged is not the one the other station sent",
    "not in the other station's log",
    "call, band and mode logged before",
    "the other station sent no log; other logs hold its call",
    "the other station sent no log; no other log holds its call",
};

std::string Pad(const std::string& text, size_t width) {
  return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}
std::string PadLeft(const std::string& text, size_t width) {
  return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

std::string Signed(int n) {
  return (n > 0 ? "+" : "") + std::to_string(n);
}

// A contact as its QSO line gives it: "14025 CW 2021-08-28 1312 DL1ABC".
std::string QsoText(const Contact& c) {
  char when[32];
  std::snprintf(when, sizeof when, "%04d-%02d-%02d %02d%02d", c.year % 10000, c.month % 100,
                c.day % 100, c.hour % 100, c.minute % 100);
  const std::string mode = c.mode == "SSB" ? "PH" : Printable(c.mode, 8);
  return PadLeft(std::to_string(c.freq_hz / 1000), 5) + " " + Pad(mode, 2) + " " + when + " " +
         Printable(c.call, 20);
}

const Contact& ContactOf(const Checked& checked, int32_t log, int32_t index) {
  return checked.contest.logs[static_cast<size_t>(log)].data.contacts[static_cast<size_t>(index)];
}

std::string ScoreRow(const char* name, const Score& s) {
  return "  " + Pad(name, 9) + PadLeft(CountText(s.totals.qsos), 8) +
         PadLeft(CountText(s.points()), 10) + PadLeft(CountText(s.totals.multipliers()), 14) +
         PadLeft(CountText(s.score()), 14) + "\n";
}

// The logs in the order of the results: by category, then by the checked
// score, best first (logs not counted last), then by call.
std::vector<size_t> ResultsOrder(const Checked& checked) {
  std::vector<size_t> order(checked.checks.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  auto score = [&](size_t i) {
    return checked.checks[i].counted ? checked.checks[i].checked.score() : -1;
  };
  std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    const Log& la = checked.contest.logs[a];
    const Log& lb = checked.contest.logs[b];
    if (la.category != lb.category) return la.category < lb.category;
    if (score(a) != score(b)) return score(a) > score(b);
    return la.call < lb.call;
  });
  return order;
}

std::string Totals(const Score& s) {
  return "{\"qsos\": " + std::to_string(s.totals.qsos) +
         ", \"points\": " + std::to_string(s.points()) +
         ", \"multipliers\": " + std::to_string(s.totals.multipliers()) +
         ", \"score\": " + std::to_string(s.score()) + "}";
}

int Total(const Checked& checked, Class c) {
  int n = 0;
  for (const LogCheck& check : checked.checks) n += check.classes[static_cast<size_t>(c)];
  return n;
}

}  // namespace

std::string FileStem(const std::string& call) {
  // A CALLSIGN line may say anything: the name stays one a file system takes.
  std::string name = call.substr(0, kLongestReportName);
  for (char& c : name) {
    if (!IsAlpha(c) && !IsDigit(c) && c != '-') c = '_';
  }
  return name;
}

std::string ReportName(const std::string& call) {
  return FileStem(call) + ".txt";
}

std::string LogReport(const Checked& checked, size_t l) {
  const Log& log = checked.contest.logs[l];
  const LogCheck& check = checked.checks[l];
  const std::vector<Contact>& contacts = log.data.contacts;
  std::string out = "YO-DX HF Contest cross-check: " + Printable(log.call, 20) + "\n\n";
  out +=
      "Log:       " + Printable(log.file, 120) + ", " + CountText(log.qso_lines()) + " QSO lines";
  if (log.data.skipped > 0) out += " (" + CountText(log.data.skipped) + " not read)";
  if (log.data.warned > 0) out += " (" + CountText(log.data.warned) + " read with a warning)";
  out += "\nCategory:  " + log.category + "\nCountry:   " +
         (check.country.empty() ? "not placed by the country file" : check.country) + "\n";
  out += "Clock:     ";
  if (check.offset_matches == 0) {
    out += "not known (no exact match with another log); taken as right\n";
  } else {
    const std::string from = "from " + CountText(check.offset_matches) +
                             (check.offset_matches == 1 ? " exact match" : " exact matches");
    const int minutes = std::abs(check.clock_offset);
    if (minutes == 0) {
      out += "right, " + from + "\n";
    } else {
      out += std::to_string(minutes) + (minutes == 1 ? " minute " : " minutes ") +
             (check.clock_offset > 0 ? "ahead of" : "behind") + " UTC, " + from +
             "; taken out before matching\n";
    }
  }
  out += "Matching:  the same band and mode, times within " +
         std::to_string(checked.options.window_minutes) + " minutes\n\nQSO lines by class\n";
  for (int c = 0; c < kClasses; ++c) {
    out += "  " + Pad(ClassName(static_cast<Class>(c)), 10) +
           PadLeft(CountText(check.classes[static_cast<size_t>(c)]), 7) + "   " + kMeanings[c] +
           "\n";
  }
  if (!check.counted) {
    out +=
        "\nScore: not counted: the country file does not place " + Printable(log.call, 20) + "\n";
  } else {
    out += "\nScore         QSOs    points   multipliers         score\n";
    out += ScoreRow("claimed", check.claimed) + ScoreRow("checked", check.checked);
    out += "Checked: busted, exchange, nil and dupe lines score nothing";
    if (check.clock_offset != 0) out += "; the times with the clock corrected";
    out += ".\nPenalties: ";
    if (checked.options.penalty_busted == 0 && checked.options.penalty_nil == 0) {
      out += "none (the organiser publishes none).\n";
    } else {
      out += CountText(check.checked.penalty) +
             " points: " + std::to_string(checked.options.penalty_busted) +
             " times the points of each busted " + "line, " +
             std::to_string(checked.options.penalty_nil) + " times those of each nil line.\n";
    }
  }

  struct Section {
    const char* title;
    Class cls;
  };
  static const Section kSections[] = {{"NOT IN LOG", Class::kNil},
                                      {"INCORRECT CALL", Class::kBusted},
                                      {"INCORRECT EXCHANGE", Class::kExchange},
                                      {"UNIQUE CALLS", Class::kUnique},
                                      {"DUPES", Class::kDupe}};
  for (const Section& section : kSections) {
    const int count = check.classes[static_cast<size_t>(section.cls)];
    if (count == 0) continue;
    out += "\n*** " + std::string(section.title) + " (" + CountText(count) + ") ***\n";
    for (size_t i = 0; i < contacts.size(); ++i) {
      const Line& line = check.lines[i];
      if (line.cls != section.cls) continue;
      out += "  line " + Pad(std::to_string(contacts[i].line) + ":", 7) + QsoText(contacts[i]);
      if (line.other_index >= 0) {
        const Contact& theirs = ContactOf(checked, line.other_log, line.other_index);
        const Log& other = checked.contest.logs[static_cast<size_t>(line.other_log)];
        out += std::string(contacts[i].call.size() < 12 ? 12 - contacts[i].call.size() : 1, ' ');
        if (line.cls == Class::kBusted) {
          out += "correct " + Printable(other.call, 20) + ", in " +
                 CountText(checked.checks[static_cast<size_t>(line.other_log)].held_by) +
                 " logs (line " + std::to_string(theirs.line) + " of its log)";
        } else {
          out += "logged " + Printable(contacts[i].exch_rcvd, 12) + ", sent " +
                 Printable(theirs.exch_sent, 12) + " (line " + std::to_string(theirs.line) +
                 " of its log)";
        }
      }
      out += "\n";
    }
  }
  if (!check.copied_wrong.empty()) {
    out += "\n*** YOUR CALL COPIED WRONG BY OTHERS (" + GroupedNumber(check.copied_wrong.size()) +
           ") ***\n";
    for (const auto& [other, index] : check.copied_wrong) {
      const Contact& theirs = ContactOf(checked, other, index);
      out += "  " + Pad(Printable(checked.contest.logs[static_cast<size_t>(other)].call, 20), 12) +
             " line " + Pad(std::to_string(theirs.line) + ":", 7) + QsoText(theirs) + "\n";
    }
  }
  for (const bool warning : {true, false}) {
    std::string lines;
    for (const Diagnostic& d : log.data.diagnostics) {
      if (d.warning != warning) continue;
      lines += "  line " + std::to_string(d.line) + ": " +
               (d.field.empty() ? "" : "field " + Printable(d.field, 20) + ": ") +
               Printable(d.message, 200) + "\n";
    }
    if (lines.empty() && (warning || log.data.skipped == 0)) continue;
    out += warning ? "\n*** LINES READ WITH A WARNING ***\n" : "\n*** LINES NOT READ ***\n";
    out += lines;
  }
  if (log.data.diagnostics_dropped > 0) {
    out += "\n  ... and " + CountText(log.data.diagnostics_dropped) + " lines more\n";
  }
  return out;
}

std::string ProgressLine(const Checked& checked, size_t l) {
  const Log& log = checked.contest.logs[l];
  const LogCheck& check = checked.checks[l];
  const std::string total = std::to_string(checked.checks.size());
  std::string out = "[" + PadLeft(std::to_string(l + 1), total.size()) + "/" + total + "] " +
                    Pad(Printable(log.call, 20), 10) + " " + CountText(log.qso_lines()) +
                    " QSO lines";
  if (log.data.skipped > 0) out += " (" + CountText(log.data.skipped) + " not read)";
  for (int c = 0; c < kClasses; ++c) {
    out += (c == 0 ? ": " : ", ") + std::to_string(check.classes[static_cast<size_t>(c)]) + " " +
           ClassName(static_cast<Class>(c));
  }
  out += "; clock " + Signed(check.clock_offset) + " min; score ";
  if (!check.counted) return out + "not counted\n";
  return out + CountText(check.claimed.score()) + " -> " + CountText(check.checked.score()) + "\n";
}

std::string Summary(const Checked& checked) {
  const long long all = checked.contest.qso_lines(), lines = checked.contest.lines_read();
  std::string out = GroupedNumber(checked.contest.logs.size()) + " logs checked, " +
                    CountText(all) + " QSO lines (" + CountText(all - lines) + " not read), " +
                    GroupedNumber(checked.contest.skipped.size()) +
                    (checked.contest.skipped.size() == 1 ? " file skipped\n" : " files skipped\n");
  for (int c = 0; c < kClasses; ++c) {
    const int n = Total(checked, static_cast<Class>(c));
    char share[16];
    std::snprintf(share, sizeof share, "%5.1f %%",
                  lines > 0 ? 100.0 * n / static_cast<double>(lines) : 0.0);
    out += "  " + Pad(ClassName(static_cast<Class>(c)), 10) + PadLeft(CountText(n), 10) + "  " +
           share + "\n";
  }
  return out;
}

std::string ResultsCsv(const Checked& checked) {
  std::string out =
      "category,call,country,file,claimed_qsos,claimed_points,claimed_multipliers,claimed_score,"
      "checked_qsos,checked_points,checked_multipliers,checked_score,penalty";
  for (int c = 0; c < kClasses; ++c) out += std::string(",") + ClassName(static_cast<Class>(c));
  out += ",not_read,clock_offset_minutes\n";
  for (size_t l : ResultsOrder(checked)) {
    const Log& log = checked.contest.logs[l];
    const LogCheck& check = checked.checks[l];
    out += CsvCell(log.category) + "," + CsvCell(log.call) + "," + CsvCell(check.country) + "," +
           CsvCell(log.file);
    for (const Score* s : {&check.claimed, &check.checked}) {
      if (!check.counted) {
        out += ",,,,";
        continue;
      }
      out += "," + std::to_string(s->totals.qsos) + "," + std::to_string(s->points()) + "," +
             std::to_string(s->totals.multipliers()) + "," + std::to_string(s->score());
    }
    out += "," + std::to_string(check.checked.penalty);
    for (int n : check.classes) out += "," + std::to_string(n);
    out += "," + std::to_string(log.data.skipped) + "," + std::to_string(check.clock_offset) + "\n";
  }
  return out;
}

std::string ResultsHtml(const Checked& checked) {
  std::string out =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<title>YO-DX HF Contest: checked results</title>\n<style>\n"
      "body{font-family:sans-serif;margin:1.5em 2em;color:#222;background:#fff}\n"
      "h1{font-size:1.5em;margin-bottom:.2em}\n"
      "h2{font-size:1.15em;margin:1.6em 0 .4em;padding-bottom:.2em;border-bottom:2px solid #246}\n"
      "h2 small{font-weight:normal;color:#555}\n"
      "p{margin:.3em 0;max-width:60em}\n"
      "table{border-collapse:collapse;font-size:.92em}\n"
      "th,td{padding:.3em .7em;text-align:right;white-space:nowrap}\n"
      "th{background:#e8eef4;border-bottom:1px solid #9ab}\n"
      "td{border-bottom:1px solid #e2e2e2}\n"
      ".t{text-align:left}\n"
      "tr.country td{border-top:2px solid #9ab}\n"
      "td.score{font-weight:bold}\n"
      "</style>\n</head>\n<body>\n<h1>YO-DX HF Contest: checked results</h1>\n";
  out += "<p>" + GroupedNumber(checked.contest.logs.size()) + " logs, " +
         CountText(checked.contest.lines_read()) +
         " QSO lines, each matched against the other station's log (the same band and mode, "
         "times within " +
         std::to_string(checked.options.window_minutes) +
         " minutes once each log's clock is corrected).</p>\n"
         "<p>By category, and in each by country. Place: in the category, by the checked score. "
         "B: busted calls, X: wrong exchanges, N: not in the other log, D: dupes, U: unique "
         "calls; none of these score. Clock: minutes the log's times ran ahead of UTC.</p>\n";
  const std::vector<size_t> order = ResultsOrder(checked);
  std::vector<int> place(order.size());  // by log: its place in its category
  for (size_t begin = 0; begin < order.size();) {
    const std::string& category = checked.contest.logs[order[begin]].category;
    size_t end = begin;
    while (end < order.size() && checked.contest.logs[order[end]].category == category) {
      place[order[end]] = static_cast<int>(end - begin + 1);
      ++end;
    }
    std::vector<size_t> rows(order.begin() + static_cast<std::ptrdiff_t>(begin),
                             order.begin() + static_cast<std::ptrdiff_t>(end));
    std::stable_sort(rows.begin(), rows.end(), [&](size_t a, size_t b) {
      return checked.checks[a].country < checked.checks[b].country;
    });
    out += "<h2>" + HtmlText(category, 200) + " <small>" + GroupedNumber(rows.size()) +
           (rows.size() == 1 ? " log" : " logs") +
           "</small></h2>\n<table>\n<thead><tr>"
           "<th class=\"t\">Country</th><th class=\"t\">Call</th><th>Place</th><th>Score</th>"
           "<th>Claimed</th><th>QSOs</th><th>Points</th><th>Mult.</th><th>Confirmed</th>"
           "<th>B</th><th>X</th><th>N</th><th>D</th><th>U</th><th>Clock</th></tr></thead>\n"
           "<tbody>\n";
    for (size_t r = 0; r < rows.size(); ++r) {
      const size_t l = rows[r];
      const LogCheck& check = checked.checks[l];
      const bool first = r == 0 || checked.checks[rows[r - 1]].country != check.country;
      const int lines_read = static_cast<int>(checked.contest.logs[l].data.contacts.size());
      char confirmed[16];
      std::snprintf(confirmed, sizeof confirmed, "%.1f %%",
                    lines_read > 0 ? 100.0 * check.classes[0] / lines_read : 0.0);
      out += std::string(first ? "<tr class=\"country\">" : "<tr>") + "<td class=\"t\">" +
             (first ? HtmlText(check.country.empty() ? "(not placed)" : check.country, 200) : "") +
             "</td><td class=\"t\">" + HtmlText(checked.contest.logs[l].call, 200) + "</td>";
      if (check.counted) {
        out += "<td>" + std::to_string(place[l]) + "</td><td class=\"score\">" +
               CountText(check.checked.score()) + "</td><td>" + CountText(check.claimed.score()) +
               "</td><td>" + CountText(check.checked.totals.qsos) + "</td><td>" +
               CountText(check.checked.points()) + "</td><td>" +
               std::to_string(check.checked.totals.multipliers()) + "</td>";
      } else {
        out += "<td>-</td><td class=\"score\">-</td><td>-</td><td>-</td><td>-</td><td>-</td>";
      }
      out += std::string("<td>") + confirmed + "</td>";
      for (Class c :
           {Class::kBusted, Class::kExchange, Class::kNil, Class::kDupe, Class::kUnique}) {
        out += "<td>" + std::to_string(check.classes[static_cast<size_t>(c)]) + "</td>";
      }
      out += "<td>" + Signed(check.clock_offset) + "</td></tr>\n";
    }
    out += "</tbody>\n</table>\n";
    begin = end;
  }
  return out + "</body>\n</html>\n";
}

bool WriteReportFolder(const Checked& checked, const std::string& dir,
                       const std::function<void(size_t)>& after_each) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (fs::create_directories(dir, ec), ec) {
    Fail(kUsage, "cannot make the folder " + dir + ": " + ec.message());
    return false;
  }
  auto write = [&](const std::string& name, const std::string& bytes) {
    return WriteOutput((fs::path(dir) / name).string(), bytes);
  };
  std::set<std::string> names;
  for (size_t l = 0; l < checked.contest.logs.size(); ++l) {
    std::string name = ReportName(checked.contest.logs[l].call);
    if (!names.insert(name).second) name.insert(name.size() - 4, "-" + std::to_string(l + 1));
    if (!write(name, LogReport(checked, l))) return false;
    after_each(l);
  }
  return write("results.csv", ResultsCsv(checked)) && write("results.html", ResultsHtml(checked));
}

std::string ContestJson(const Checked& checked) {
  // Each log's part on its own, on the threads the check ran on.
  std::vector<std::string> parts(checked.checks.size());
  ForEachItem(parts.size(), checked.options.threads, [&](size_t l) {
    const Log& log = checked.contest.logs[l];
    const LogCheck& check = checked.checks[l];
    std::string& out = parts[l];
    out.reserve(64 * check.lines.size() + 400);
    out += "{\"file\": " + JsonString(log.file) + ", \"call\": " + JsonString(log.call) +
           ", \"category\": " + JsonString(log.category) +
           ", \"country\": " + JsonString(check.country) +
           ", \"clock_offset_minutes\": " + std::to_string(check.clock_offset) +
           ",\n \"claimed\": " + (check.counted ? Totals(check.claimed) : "null") +
           ",\n \"checked\": " + (check.counted ? Totals(check.checked) : "null") +
           ",\n \"not_read\": " + std::to_string(log.data.skipped) +
           ", \"read_with_warning\": " + std::to_string(log.data.warned) + ",\n \"qsos\": [";
    for (size_t i = 0; i < check.lines.size(); ++i) {
      const Line& line = check.lines[i];
      out += i == 0 ? "\n  {\"line\": " : ",\n  {\"line\": ";
      out += std::to_string(log.data.contacts[i].line);
      out += ", \"class\": \"";
      out += ClassName(line.cls);
      out += '"';
      if (line.other_index >= 0) {
        if (line.cls == Class::kBusted) {
          out += ", \"suggest\": ";
          out += JsonString(checked.contest.logs[static_cast<size_t>(line.other_log)].call);
        }
        out += ", \"other_line\": ";
        out += std::to_string(ContactOf(checked, line.other_log, line.other_index).line);
      }
      out += '}';
    }
    out += check.lines.empty() ? "]}" : "\n ]}";
  });
  size_t size = 100;
  for (const std::string& part : parts) size += part.size() + 2;
  std::string out;
  out.reserve(size);
  out += "{\"logs\": [";
  for (size_t l = 0; l < parts.size(); ++l) {
    out += l == 0 ? "\n" : ",\n";
    out += parts[l];
    std::string().swap(parts[l]);
  }
  out += parts.empty() ? "], \"skipped\": [" : "\n], \"skipped\": [";
  for (size_t i = 0; i < checked.contest.skipped.size(); ++i) {
    const Skipped& s = checked.contest.skipped[i];
    out += std::string(i == 0 ? "\n" : ",\n") + "{\"file\": " + JsonString(s.file) +
           ", \"reason\": " + JsonString(s.reason) + "}";
  }
  return out + (checked.contest.skipped.empty() ? "]}\n" : "\n]}\n");
}

}  // namespace crosscheck
}  // namespace yodx
