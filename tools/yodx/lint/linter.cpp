#include "tools/yodx/lint/linter.h"

#include <algorithm>
#include <string_view>

#include "tools/contest/text.h"
#include "tools/yodx/commands.h"
#include "tools/yodx/lint/rules.h"

namespace yodx {

LintResult LintCabrillo(const std::string& text, const CtyFile& countries,
                        const LintOptions& options) {
  LintResult result;
  lint::Findings findings(&result.findings);
  lint::LogRules log(&findings);
  lint::HeaderRules header(&findings);
  std::vector<lint::QsoLine> qsos;

  size_t pos = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  for (int number = 1; pos < text.size(); ++number) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    const std::string_view line = Trim(std::string_view(text).substr(pos, end - pos));
    pos = end + 1;
    std::string tag;
    std::string_view value;
    if (line.empty() || !log.Line(number, line, &tag, &value)) continue;
    if (tag == "QSO") {
      qsos.push_back({number, SplitFields(value)});
    } else {
      header.Line(number, number == log.first_line(), tag, value);
    }
  }
  log.Finish();
  result.qso_lines = static_cast<int>(qsos.size());
  header.Finish(log.top());
  log.Size(text.size());

  lint::LogRules::ChoosePeriod(options, qsos, &result);
  lint::ReadLog read;
  lint::LogRules::Read(&qsos, countries, &read);
  lint::QsoRules qso(header.header(), countries, result, &findings);
  for (const lint::QsoLine& q : qsos) {
    lint::Worked worked;
    if (qso.Check(q, &worked)) log.Duplicate(q.line, worked);
  }
  lint::LogRules::Count(read, header.header(), countries, &result);

  // Findings about the whole file came after the lines; line order puts
  // each in its place.
  std::stable_sort(result.findings.begin(), result.findings.end(),
                   [](const Finding& a, const Finding& b) { return a.line < b.line; });
  for (const Finding& f : result.findings) {
    ++(f.severity == Severity::kError ? result.errors : result.warnings);
  }
  return result;
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
  if (!result.counted) return out + "organiser's count: none: " + result.not_counted + "\n";
  const CountTotals& o = result.claim.organiser;
  out += "organiser's count: " + Counted(o.qsos, "QSO") + ", " + Counted(o.points, "point") + ", " +
         Counted(o.multipliers(), "multiplier") + ", score " + CountText(o.score());
  if (result.claim.plugin.score() != o.score()) {
    out += " (the plug-in claims " + CountText(result.claim.plugin.score());
    for (size_t i = 0; i < result.claim.differences.size(); ++i) {
      out += (i == 0 ? ": " : ", ") + result.claim.differences[i];
    }
    out += ")";
  }
  return out + "\n";
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
  out += result.findings.empty() ? "], " : "\n], ";
  out += "\"organiser_count\": ";
  if (!result.counted) return out + "null}\n";
  const CountTotals& o = result.claim.organiser;
  out += "{" + CountJsonMembers(o) +
         ", \"plugin_claims\": " + std::to_string(result.claim.plugin.score()) +
         ", \"differences\": " + JsonStrings(result.claim.differences);
  return out + "}}\n";
}

}  // namespace yodx
