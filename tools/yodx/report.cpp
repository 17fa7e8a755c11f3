// report LOG [--cty FILE] [--period START END] [--html FILE] [--json FILE]:
// the operator's weekend in figures, on standard output in a few lines, as
// JSON and as one page of charts and tables to mail or open offline.
#include <cstdio>
#include <filesystem>

#include "tools/contest/contact.h"
#include "tools/contest/cty.h"
#include "tools/contest/text.h"
#include "tools/yodx/commands.h"
#include "tools/yodx/report/charts.h"
#include "tools/yodx/report/figures.h"
#include "tools/yodx/report/json.h"
#include "tools/yodx/report/page.h"

namespace yodx {

namespace {

std::string Summary(const report::Figures& f) {
  if (!f.period_known) return "no contact in the log\n";
  std::string out = FormatUtc(f.start).substr(0, 16) + " to " + FormatUtc(f.end).substr(0, 16) +
                    " UTC: " + CountText(f.qsos) + (f.qsos == 1 ? " contact" : " contacts");
  if (f.outside > 0) out += " (" + CountText(f.outside) + " outside)";
  out += "\n";
  if (f.qsos == 0) return out;
  out += "best rates:";
  for (const report::Rate& r : f.best) {
    out += " " + std::to_string(r.qsos) + " in " + std::to_string(r.minutes) + " min from " +
           report::Hhmm(r.start) + (&r == &f.best.back() ? "\n" : ",");
  }
  out += f.breaks.empty()
             ? std::string("no break")
             : std::to_string(f.breaks.size()) + (f.breaks.size() == 1 ? " break, " : " breaks, ") +
                   report::Duration(f.break_minutes());
  out += "; on-time " + report::Duration(f.on_time_minutes) + "\n";
  if (!f.counted) return out + "organiser's count: none: " + f.not_counted + "\n";
  out += "counties:";
  for (const report::BandCounties& c : f.counties) {
    out += " " + c.band + " " + std::to_string(c.worked.size()) +
           (&c == &f.counties.back() ? " of 42\n" : ",");
  }
  const CountTotals& o = f.claim.organiser;
  out += "organiser's count: score " + CountText(o.score()) + ", the plug-in claims " +
         CountText(f.claim.plugin.score()) + "\n";
  return out;
}

}  // namespace

int ReportCommand(const std::vector<std::string>& args) {
  CommandLine line;
  std::string message;
  if (!ReadCommandLine(args, "report", "log", {"--cty", "--json", "--html", "--period"}, &line,
                       &message)) {
    return Fail(kUsage, message);
  }
  const std::string& log_path = line.operand;
  const std::string cty_path = line.Value("--cty"), json_path = line.Value("--json"),
                    html_path = line.Value("--html");
  report::Period period;
  if (const std::vector<std::string>* given = line.Values("--period")) {
    if (!ReadPeriodOption((*given)[0], (*given)[1], &period.start, &period.end, &message)) {
      return Fail(kUsage, message);
    }
    if (period.end - period.start >= report::kMaxHours * 3600LL) {
      return Fail(kUsage,
                  "--period covers at most " + std::to_string(report::kMaxHours / 24) + " days");
    }
    period.given = true;
  }
  if (log_path.empty()) {
    return Fail(kUsage,
                "usage: yodx report LOG [--cty FILE] [--period START END] [--html FILE] "
                "[--json FILE]");
  }

  std::string error;
  std::error_code ec;
  if (std::filesystem::is_directory(log_path, ec)) {
    return Fail(kUsage, "cannot read log file " + log_path + ": it is a folder");
  }
  LogData log;
  if (!ReadLogFile(log_path, &log, &error)) return Fail(kUsage, error);
  for (const Diagnostic& d : log.diagnostics) std::fprintf(stderr, "%s\n", d.ToString().c_str());
  if (log.diagnostics_dropped > 0) {
    std::fprintf(stderr, "yodx: %d more diagnostics not shown\n", log.diagnostics_dropped);
  }
  if (log.skipped > 0) {
    std::fprintf(stderr, "yodx: %d unreadable record%s skipped\n", log.skipped,
                 log.skipped == 1 ? "" : "s");
  }
  CtyFile countries;
  if (!LoadCountries(cty_path, log_path, &countries, &error)) return Fail(kUsage, error);

  const std::string own_call = OwnCall(log);
  const report::Figures figures =
      report::ComputeFigures(std::move(log.contacts), own_call, countries, period);
  if (!json_path.empty() && !WriteOutput(json_path, report::Json(figures))) return kUsage;
  if (!html_path.empty()) {
    const std::string name = std::filesystem::path(log_path).filename().string();
    if (!WriteOutput(html_path, report::Page(figures, name))) return kUsage;
  }
  WriteStdout((own_call.empty() ? "" : Printable(own_call, 20) + ", ") + Summary(figures));
  return 0;
}

}  // namespace yodx
