#include "tools/yodx/serve/pages.h"

#include "tools/contest/text.h"

namespace yodx {
namespace serve {

namespace {

constexpr const char* kStyle =
    "body{font-family:sans-serif;margin:1.5em 2em;color:#222;background:#fff;max-width:72em}"
    "h1{font-size:1.5em}h2{font-size:1.15em;margin-top:1.6em}"
    "table{border-collapse:collapse;font-size:.92em}"
    "th,td{padding:.3em .7em;text-align:left;border-bottom:1px solid #ddd;vertical-align:top}"
    "th{background:#e8eef4}td.n{text-align:right}"
    ".error{color:#a00}.warning{color:#850}.ok{color:#070}"
    "code,.mono{font-family:monospace}textarea{width:100%;font-family:monospace}"
    "nav a{margin-right:1em}form.inline{display:inline}";

// A text of a log or a client inside an element or an attribute.
std::string H(const std::string& text, size_t limit = 200) {
  return HtmlText(text, limit);
}

std::string Page(const std::string& title, const std::string& body) {
  return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
         "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>" +
         H(title) + "</title>\n<style>" + kStyle + "</style>\n</head>\n<body>\n" + body +
         "</body>\n</html>\n";
}

std::string AdminNav() {
  return "<nav><a href=\"/admin\">Overview</a><a href=\"/admin/logs\">Every version</a>"
         "<a href=\"/admin/refused\">Refused attempts</a><a href=\"/admin/results\">Cross-check</a>"
         "<a href=\"/admin/logs.zip\">Current logs (zip)</a><a href=\"/logs\">Public list</a>"
         "<form class=\"inline\" method=\"post\" action=\"/logout\"><button>Log out</button>"
         "</form></nav>\n";
}

std::string Score(bool counted, long long score, long long plugin) {
  if (!counted) return "not counted";
  std::string text = CountText(score);
  if (plugin != score) text += " (the plug-in claims " + CountText(plugin) + ")";
  return text;
}

std::string ClaimText(const Assessment& a) {
  if (!a.lint.counted) return "not counted: " + a.lint.not_counted;
  const long long organiser = a.lint.claim.organiser.score();
  std::string text = CountText(organiser) + " (the organiser's count)";
  if (a.lint.claim.plugin.score() != organiser) {
    text += "; the plug-in claims " + CountText(a.lint.claim.plugin.score());
    for (size_t i = 0; i < a.lint.claim.differences.size(); ++i) {
      text += (i == 0 ? ": " : ", ") + a.lint.claim.differences[i];
    }
  }
  return text;
}

std::string Row(const std::string& label, const std::string& escaped_value) {
  return "<tr><th>" + label + "</th><td>" + escaped_value + "</td></tr>\n";
}

std::string FindingsTable(const std::vector<StoredFinding>& findings) {
  if (findings.empty()) return "<p class=\"ok\">No findings.</p>\n";
  std::string out = "<table>\n<tr><th>line</th><th>severity</th><th>finding</th></tr>\n";
  for (const StoredFinding& f : findings) {
    const char* kind = f.error ? "error" : "warning";
    out += "<tr class=\"" + std::string(kind) + "\"><td class=\"n\">" + std::to_string(f.line) +
           "</td><td>" + kind + "</td><td>" + H(f.message, 400) + "</td></tr>\n";
  }
  return out + "</table>\n";
}

std::string FindingsJson(const std::vector<StoredFinding>& findings) {
  std::string out = "[";
  for (size_t i = 0; i < findings.size(); ++i) {
    const StoredFinding& f = findings[i];
    out += std::string(i == 0 ? "" : ", ") + "{\"line\": " + std::to_string(f.line) +
           ", \"severity\": " + (f.error ? "\"error\"" : "\"warning\"") +
           ", \"message\": " + JsonString(f.message) + "}";
  }
  return out + "]";
}

// TEXT as one component of a URL: all but letters, digits, '-', '_' and '.'
// as %XX.
std::string UrlComponent(const std::string& text) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (const char ch : text) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (IsAlpha(ch) || IsDigit(ch) || ch == '-' || ch == '_' || ch == '.') {
      out += ch;
    } else {
      out += '%';
      out += kDigits[c >> 4];
      out += kDigits[c & 15];
    }
  }
  return out;
}

std::string Bool(bool b) {
  return b ? "true" : "false";
}

std::string Limit(size_t bytes) {
  constexpr size_t kMiB = size_t{1} << 20;
  return bytes % kMiB == 0 ? std::to_string(bytes / kMiB) + " MiB"
                           : CountText(static_cast<long long>(bytes)) + " bytes";
}

}  // namespace

std::string WindowSentence(const RobotState& state) {
  const UploadWindow& w = state.window;
  if (!w.has_deadline) return "No deadline is set: logs are taken until the organiser sets one.";
  if (state.now <= w.deadline) return "Logs are due by " + MinuteText(w.deadline) + ".";
  if (w.late_allowed) {
    return "The deadline, " + MinuteText(w.deadline) +
           ", has passed: logs are still taken, and marked late.";
  }
  return "Uploads closed at the deadline, " + MinuteText(w.deadline) + ".";
}

std::string UploadPage(const RobotState& state) {
  std::string body =
      "<h1>YO-DX HF Contest: send your log</h1>\n<p>" + H(WindowSentence(state)) + "</p>\n";
  body +=
      "<form method=\"post\" action=\"/upload\" enctype=\"multipart/form-data\">\n"
      "<p><label>Your Cabrillo log: <input type=\"file\" id=\"log\" name=\"log\"></label></p>\n"
      "<p><label for=\"text\">or paste it here:</label><br>\n"
      "<textarea id=\"text\" name=\"text\" rows=\"14\" cols=\"90\"></textarea></p>\n"
      "<p><button type=\"submit\" id=\"send\">Send the log</button></p>\n</form>\n";
  body +=
      "<p>The log is checked at once, as <code>yodx lint</code> checks it: a log with errors "
      "is refused with every finding and its line; a log with warnings only is kept, and "
      "you get a receipt. A new upload for the same call replaces the one before. At most " +
      Limit(state.body_limit) + " a log.</p>\n";
  body += "<p><a href=\"/logs\">The logs received</a></p>\n";
  if (state.published_run != 0) {
    body +=
        "<h2>Results</h2>\n<p><a href=\"/results\">The checked results</a></p>\n"
        "<form method=\"get\" action=\"/report\">\n<p><label>Your report, by your receipt: "
        "<input name=\"receipt\" id=\"receipt\" size=\"24\"></label> "
        "<button type=\"submit\" id=\"show-report\">Show</button></p>\n</form>\n";
  }
  return Page("YO-DX HF Contest: send your log", body);
}

std::string UploadAnswerPage(const Assessment& a, const std::string& receipt,
                             UnixSeconds received) {
  const bool kept = a.verdict == Verdict::kAccepted;
  std::string body = std::string("<h1>") + (kept ? "Log received" : "Log refused") + "</h1>\n";
  body += std::string("<p id=\"sentence\" class=\"") + (kept ? "ok" : "error") + "\">" +
          H(a.sentence, 600) + "</p>\n";
  if (a.linted || kept) {
    body += "<table id=\"receipt\">\n";
    if (kept)
      body +=
          Row("Receipt", "<span id=\"receipt-number\" class=\"mono\">" + H(receipt) + "</span>");
    body +=
        Row("Call", "<span id=\"call\">" + H(a.call.empty() ? "(none)" : a.call, 40) + "</span>");
    body += Row("Category", H(a.category, 80));
    body += Row("QSO lines", CountText(a.lint.qso_lines));
    body += Row("Claimed score", H(ClaimText(a), 400));
    body += Row(kept ? "SHA-256 of the bytes kept" : "SHA-256 of the bytes sent",
                "<span class=\"mono\">" + a.sha256 + "</span>");
    body += Row("Received", H(SecondText(received)));
    if (a.late) body += Row("Late", "yes: after the deadline");
    body += "</table>\n<h2>Findings: " + CountText(a.lint.errors) + " errors, " +
            CountText(a.lint.warnings) + " warnings</h2>\n" + FindingsTable(StoredFindings(a));
  }
  body += "<p><a href=\"/\">Send a log</a> &middot; <a href=\"/logs\">The logs received</a></p>\n";
  return Page(kept ? "Log received" : "Log refused", body);
}

std::string UploadAnswerJson(const Assessment& a, const std::string& receipt,
                             UnixSeconds received) {
  const bool kept = a.verdict == Verdict::kAccepted;
  std::string out =
      std::string("{\"status\": ") + (kept ? "\"accepted\"" : "\"refused\"") +
      ", \"message\": " + JsonString(a.sentence) + ", \"call\": " + JsonString(a.call) +
      ", \"category\": " + (a.linted ? JsonString(a.category) : "null") +
      ", \"qso_lines\": " + std::to_string(a.lint.qso_lines) + ", \"claimed_score\": ";
  if (a.lint.counted) {
    out += "{\"organiser\": " + std::to_string(a.lint.claim.organiser.score()) +
           ", \"plugin\": " + std::to_string(a.lint.claim.plugin.score()) +
           ", \"differences\": " + JsonStrings(a.lint.claim.differences) + "}";
  } else {
    out += "null";
  }
  out += ", \"receipt\": " + (kept ? JsonString(receipt) : std::string("null")) +
         ", \"sha256\": " + JsonString(a.sha256) + ", \"size\": " + std::to_string(a.size) +
         ", \"received\": " + JsonString(IsoText(received)) + ", \"late\": " + Bool(a.late) +
         ", \"errors\": " + std::to_string(a.lint.errors) +
         ", \"warnings\": " + std::to_string(a.lint.warnings) +
         ", \"findings\": " + FindingsJson(StoredFindings(a));
  return out + "}\n";
}

std::string LogsPage(const std::vector<LogRecord>& logs, const RobotState& state) {
  std::string body = "<h1>YO-DX HF Contest: the logs received</h1>\n<p>" +
                     Counted(static_cast<long long>(logs.size()), "station") + ". " +
                     H(WindowSentence(state)) +
                     " Claimed scores are the organiser's count of each log as sent.</p>\n";
  body +=
      "<p><a href=\"/\">Send a log</a> &middot; <a href=\"/logs.csv\">CSV</a> &middot; "
      "<a href=\"/api/logs\">JSON</a></p>\n";
  body +=
      "<table id=\"logs\">\n<tr><th>Call</th><th>Category</th><th>QSOs</th>"
      "<th>Claimed score</th><th>Received (UTC)</th></tr>\n";
  for (const LogRecord& r : logs) {
    body += "<tr><td>" + H(r.call, 40) + "</td><td>" + H(r.category, 80) + "</td><td class=\"n\">" +
            CountText(r.qso_lines) + "</td><td class=\"n\">" +
            H(Score(r.counted, r.score, r.plugin_score)) + "</td><td>" +
            FormatUtc(UtcFromUnix(r.received)).substr(0, 16) + (r.late ? " (late)" : "") +
            "</td></tr>\n";
  }
  return Page("YO-DX HF Contest: the logs received", body + "</table>\n");
}

std::string LogsCsv(const std::vector<LogRecord>& logs) {
  std::string out = "call,category,qsos,claimed_score,plugin_claims,received_utc,late\r\n";
  for (const LogRecord& r : logs) {
    out += CsvCell(r.call) + "," + CsvCell(r.category) + "," + std::to_string(r.qso_lines) + "," +
           (r.counted ? std::to_string(r.score) : "") + "," +
           (r.counted ? std::to_string(r.plugin_score) : "") + "," + IsoText(r.received) + "," +
           (r.late ? "yes" : "no") + "\r\n";
  }
  return out;
}

std::string LogsJson(const std::vector<LogRecord>& logs) {
  std::string out = "{\"logs\": [";
  for (size_t i = 0; i < logs.size(); ++i) {
    const LogRecord& r = logs[i];
    out +=
        std::string(i == 0 ? "\n  " : ",\n  ") + "{\"call\": " + JsonString(r.call) +
        ", \"category\": " + JsonString(r.category) + ", \"qsos\": " + std::to_string(r.qso_lines) +
        ", \"claimed_score\": " + (r.counted ? std::to_string(r.score) : "null") +
        ", \"plugin_claims\": " + (r.counted ? std::to_string(r.plugin_score) : "null") +
        ", \"received\": " + JsonString(IsoText(r.received)) + ", \"late\": " + Bool(r.late) + "}";
  }
  return out + (logs.empty() ? "]}\n" : "\n]}\n");
}

std::string MessagePage(const std::string& title, const std::string& sentence) {
  return Page(title, "<h1>" + H(title) + "</h1>\n<p id=\"sentence\">" + H(sentence, 600) +
                         "</p>\n<p><a href=\"/\">Send a log</a> &middot; <a href=\"/logs\">"
                         "The logs received</a></p>\n");
}

std::string MessageJson(const std::string& sentence) {
  return "{\"error\": " + JsonString(sentence) + "}\n";
}

std::string LoginPage(const std::string& sentence) {
  std::string body = "<h1>The organiser's pages</h1>\n";
  if (!sentence.empty())
    body += "<p id=\"sentence\" class=\"error\">" + H(sentence, 400) + "</p>\n";
  body +=
      "<form method=\"post\" action=\"/login\">\n<p><label>The organiser's token (in "
      "<code>admin.token</code> in the data folder): <input type=\"password\" id=\"token\" "
      "name=\"token\" size=\"70\" autocomplete=\"current-password\"></label></p>\n"
      "<p><button type=\"submit\" id=\"login\">Log in</button></p>\n</form>\n";
  return Page("The organiser's pages: log in", body);
}

std::string AdminPage(const AdminState& s) {
  const RobotState& r = s.robot;
  std::string body = "<h1>The organiser's pages</h1>\n" + AdminNav();
  body += "<p id=\"counts\">" + Counted(s.current, "station") + ", " +
          Counted(s.versions, "version") + " kept, " + Counted(s.refused, "refused attempt") +
          ".</p>\n<p id=\"window\">" + H(WindowSentence(r)) + "</p>\n";
  const std::string deadline =
      r.window.has_deadline ? FormatUtc(UtcFromUnix(r.window.deadline)).substr(0, 16) : "";
  std::string value = deadline;
  if (!value.empty()) value[10] = 'T';
  body +=
      "<h2>Deadline</h2>\n<form method=\"post\" action=\"/admin/deadline\">\n"
      "<p><label>Logs are due by (UTC, YYYY-MM-DDTHH:MM; empty: no deadline) "
      "<input name=\"deadline\" id=\"deadline\" value=\"" +
      H(value) +
      "\" size=\"18\"></label></p>\n"
      "<p><label><input type=\"checkbox\" name=\"late\" id=\"late\" value=\"1\"" +
      std::string(r.window.late_allowed ? " checked" : "") +
      "> take logs after the deadline, marked late</label></p>\n"
      "<p><button type=\"submit\" id=\"set-deadline\">Set</button></p>\n</form>\n";
  body += "<h2>Cross-check</h2>\n";
  if (s.has_run) {
    body += "<p>The latest run, number " + std::to_string(s.run.id) + ", of " +
            Counted(s.run.logs, "log") + " at " + H(SecondText(s.run.created)) +
            ": <a href=\"/admin/results\">its results</a>.</p>\n";
  }
  body +=
      "<p>" +
      std::string(r.published_run != 0 ? "Run " + std::to_string(r.published_run) +
                                             " is published: <a href=\"/results\">the results</a>."
                                       : "Nothing is published.") +
      "</p>\n<form class=\"inline\" method=\"post\" action=\"/admin/crosscheck\">"
      "<button type=\"submit\" id=\"crosscheck\">Cross-check the current logs now</button>"
      "</form>\n";
  if (s.has_run) {
    body +=
        "<form class=\"inline\" method=\"post\" action=\"/admin/publish\"><input type=\"hidden\" "
        "name=\"run\" value=\"" +
        std::to_string(s.run.id) + "\"><button type=\"submit\" id=\"publish\">Publish run " +
        std::to_string(s.run.id) + "</button></form>\n";
  }
  if (r.published_run != 0) {
    body +=
        "<form class=\"inline\" method=\"post\" action=\"/admin/withdraw\"><button "
        "type=\"submit\" id=\"withdraw\">Withdraw the results</button></form>\n";
  }
  return Page("The organiser's pages", body);
}

std::string AdminStatusJson(const AdminState& s) {
  const UploadWindow& w = s.robot.window;
  return "{\"deadline\": " + (w.has_deadline ? JsonString(IsoText(w.deadline)) : "null") +
         ", \"late_allowed\": " + Bool(w.late_allowed) +
         ", \"open\": " + Bool(!w.has_deadline || s.robot.now <= w.deadline || w.late_allowed) +
         ", \"stations\": " + std::to_string(s.current) +
         ", \"versions\": " + std::to_string(s.versions) +
         ", \"refused\": " + std::to_string(s.refused) +
         ", \"latest_run\": " + (s.has_run ? std::to_string(s.run.id) : "null") +
         ", \"published_run\": " +
         (s.robot.published_run != 0 ? std::to_string(s.robot.published_run) : "null") + "}\n";
}

std::string VersionsPage(const std::vector<LogRecord>& versions) {
  std::string body = "<h1>Every version of every log</h1>\n" + AdminNav() + "<p>" +
                     Counted(static_cast<long long>(versions.size()), "version") +
                     ", newest first.</p>\n";
  body +=
      "<table id=\"versions\">\n<tr><th>Receipt</th><th>Call</th><th>Current</th><th>Received "
      "(UTC)</th><th>QSOs</th><th>Claimed score</th><th>Warnings</th><th>From</th>"
      "<th>SHA-256</th></tr>\n";
  for (const LogRecord& r : versions) {
    const std::string receipt = r.Receipt();
    body += "<tr><td class=\"mono\"><a href=\"/admin/logs/";
    body += receipt;
    body += "\">";
    body += receipt;
    body += "</a></td><td>" + H(r.call, 40) + "</td><td>" + (r.current ? "current" : "") +
            "</td><td>" + FormatUtc(UtcFromUnix(r.received)) + (r.late ? " (late)" : "") +
            "</td><td class=\"n\">" + CountText(r.qso_lines) + "</td><td class=\"n\">" +
            H(Score(r.counted, r.score, r.plugin_score)) + "</td><td class=\"n\">" +
            CountText(r.warnings) + "</td><td>" + H(r.address, 60) + "</td><td class=\"mono\">" +
            r.sha256 + "</td></tr>\n";
  }
  return Page("Every version of every log", body + "</table>\n");
}

std::string VersionsJson(const std::vector<LogRecord>& versions) {
  std::string out = "{\"versions\": [";
  for (size_t i = 0; i < versions.size(); ++i) {
    const LogRecord& r = versions[i];
    out += std::string(i == 0 ? "\n  " : ",\n  ") + "{\"receipt\": " + JsonString(r.Receipt()) +
           ", \"call\": " + JsonString(r.call) + ", \"current\": " + Bool(r.current) +
           ", \"received\": " + JsonString(IsoText(r.received)) + ", \"late\": " + Bool(r.late) +
           ", \"sha256\": " + JsonString(r.sha256) + ", \"size\": " + std::to_string(r.size) +
           ", \"category\": " + JsonString(r.category) +
           ", \"qso_lines\": " + std::to_string(r.qso_lines) +
           ", \"claimed_score\": " + (r.counted ? std::to_string(r.score) : "null") +
           ", \"warnings\": " + std::to_string(r.warnings) +
           ", \"address\": " + JsonString(r.address) + "}";
  }
  return out + (versions.empty() ? "]}\n" : "\n]}\n");
}

std::string RefusedPage(const std::vector<RefusedRecord>& refused) {
  std::string body = "<h1>Refused attempts</h1>\n" + AdminNav() + "<p>The latest " +
                     GroupedNumber(refused.size()) +
                     ", newest first. Nothing of a refused log is kept but this record.</p>\n";
  for (const RefusedRecord& r : refused) {
    body += "<h2>" + H(r.call.empty() ? "(no call)" : r.call, 40) + ", " +
            H(SecondText(r.received)) + ", from " + H(r.address, 60) + "</h2>\n<p>" +
            std::to_string(r.status) + ": " + H(r.reason, 600) + " (" + CountText(r.size) +
            " bytes, SHA-256 <span class=\"mono\">" + r.sha256 + "</span>)</p>\n";
    if (!r.findings.empty()) body += FindingsTable(r.findings);
    if (r.findings_total > static_cast<int>(r.findings.size())) {
      body += "<p>and " + CountText(r.findings_total - static_cast<int>(r.findings.size())) +
              " findings more.</p>\n";
    }
  }
  return Page("Refused attempts", body);
}

std::string RefusedJson(const std::vector<RefusedRecord>& refused) {
  std::string out = "{\"refused\": [";
  for (size_t i = 0; i < refused.size(); ++i) {
    const RefusedRecord& r = refused[i];
    out += std::string(i == 0 ? "\n  " : ",\n  ") +
           "{\"received\": " + JsonString(IsoText(r.received)) +
           ", \"address\": " + JsonString(r.address) + ", \"call\": " + JsonString(r.call) +
           ", \"sha256\": " + JsonString(r.sha256) + ", \"size\": " + std::to_string(r.size) +
           ", \"status\": " + std::to_string(r.status) + ", \"message\": " + JsonString(r.reason) +
           ", \"findings_total\": " + std::to_string(r.findings_total) +
           ", \"findings\": " + FindingsJson(r.findings) + "}";
  }
  return out + (refused.empty() ? "]}\n" : "\n]}\n");
}

std::string RunPage(const RunRecord& run, const std::vector<std::string>& calls,
                    long long published_run) {
  std::string body = "<h1>Cross-check run " + std::to_string(run.id) + "</h1>\n" + AdminNav();
  body += "<p>" + Counted(run.logs, "log") + ", checked at " + H(SecondText(run.created)) + ". " +
          (published_run == run.id ? "Published." : "Not published.") + "</p>\n";
  body += "<pre id=\"summary\">";
  for (size_t at = 0; at < run.summary.size();) {  // line by line: H writes a line end as \x0a
    size_t end = run.summary.find('\n', at);
    if (end == std::string::npos) end = run.summary.size();
    body += H(run.summary.substr(at, end - at), 400) + "\n";
    at = end + 1;
  }
  body += "</pre>\n";
  body +=
      "<p><a href=\"/admin/results.html\">The results page</a> &middot; <a "
      "href=\"/admin/results.csv\">CSV</a></p>\n<h2>Reports</h2>\n<p>";
  for (size_t i = 0; i < calls.size(); ++i) {
    body += std::string(i == 0 ? "" : " ") +
            "<a href=\"/admin/report?call=" + UrlComponent(calls[i]) + "\">" + H(calls[i], 40) +
            "</a>";
  }
  return Page("Cross-check run " + std::to_string(run.id), body + "</p>\n");
}

std::string RunJson(const RunRecord& run, long long published_run) {
  return "{\"run\": " + std::to_string(run.id) +
         ", \"created\": " + JsonString(IsoText(run.created)) +
         ", \"logs\": " + std::to_string(run.logs) +
         ", \"published\": " + Bool(published_run == run.id) +
         ", \"summary\": " + JsonString(run.summary) + "}\n";
}

}  // namespace serve
}  // namespace yodx
