#include "tools/yodx/serve/contest_run.h"

#include "tools/contest/text_encoding.h"
#include "tools/yodx/crosscheck/checker.h"
#include "tools/yodx/crosscheck/reports.h"

namespace yodx {
namespace serve {

std::string LogFileName(const std::string& call) {
  return crosscheck::FileStem(call) + ".log";
}

ContestRun RunCrosscheck(const std::vector<std::pair<LogRecord, std::string>>& logs,
                         const CtyFile& countries, int threads, UnixSeconds now) {
  std::vector<crosscheck::NamedText> files;
  files.reserve(logs.size());
  for (const auto& [record, bytes] : logs) {
    files.push_back({LogFileName(record.call), DecodeLogText(bytes)});
  }
  crosscheck::Options options;
  options.threads = threads;
  const crosscheck::Contest contest = crosscheck::ReadLogs(std::move(files), threads);
  const std::vector<crosscheck::LogCheck> checks =
      crosscheck::CheckContest(contest, countries, options);
  const crosscheck::Checked checked{contest, checks, options};

  ContestRun out;
  out.run.created = now;
  out.run.logs = static_cast<int>(contest.logs.size());
  out.run.summary = crosscheck::Summary(checked);
  out.run.html = crosscheck::ResultsHtml(checked);
  out.run.csv = crosscheck::ResultsCsv(checked);
  out.run.json = crosscheck::ContestJson(checked);
  for (size_t l = 0; l < contest.logs.size(); ++l) {
    out.reports.emplace_back(contest.logs[l].call, crosscheck::LogReport(checked, l));
  }
  return out;
}

std::vector<ZipEntry> CurrentLogEntries(
    const std::vector<std::pair<LogRecord, std::string>>& logs) {
  std::vector<ZipEntry> entries;
  entries.reserve(logs.size());
  for (const auto& [record, bytes] : logs) {
    entries.push_back({LogFileName(record.call), bytes, record.received});
  }
  return entries;
}

}  // namespace serve
}  // namespace yodx
