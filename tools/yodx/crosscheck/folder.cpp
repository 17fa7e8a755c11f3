// The contest's logs: every file of a folder read as a Cabrillo log, one
// log kept per station.
#include <algorithm>
#include <filesystem>
#include <unordered_map>
#include <utility>

#include "tools/contest/cabrillo_reader.h"
#include "tools/contest/text.h"
#include "tools/yodx/crosscheck/checker.h"
#include "tools/yodx/crosscheck/parallel.h"

namespace yodx {
namespace crosscheck {

namespace {

// How many contacts TEXT can hold: its lines that begin with "QSO:", no
// more than a line of ten fields for every 40 bytes. Room made for them at
// once spares the reader moving the contacts as the list grows.
size_t QsoLines(const std::string& text) {
  const std::string_view all(text);
  size_t lines = 0;
  for (size_t at = 0; at < all.size();) {
    while (at < all.size() && (all[at] == ' ' || all[at] == '\t')) ++at;
    lines += EqualsNoCase(all.substr(at, 4), "QSO:") ? 1 : 0;
    const size_t end = all.find('\n', at);
    at = end == std::string_view::npos ? all.size() : end + 1;
  }
  return std::min(lines, text.size() / 40);
}

}  // namespace

std::string CategoryOf(const std::string& text) {
  std::string category;
  for (const char* tag :
       {"CATEGORY-OPERATOR", "CATEGORY-BAND", "CATEGORY-MODE", "CATEGORY-POWER"}) {
    const std::string value = Upper(CabrilloHeaderValue(text, tag));
    if (!value.empty()) category += (category.empty() ? "" : " ") + value;
  }
  // Cabrillo 2.0 has them on one line.
  if (category.empty()) category = Upper(CabrilloHeaderValue(text, "CATEGORY"));
  return category.empty() ? "none" : Printable(category, 80);
}

long long Contest::qso_lines() const {
  long long lines = 0;
  for (const Log& log : logs) lines += log.qso_lines();
  return lines;
}

long long Contest::lines_read() const {
  long long lines = 0;
  for (const Log& log : logs) lines += static_cast<long long>(log.data.contacts.size());
  return lines;
}

Contest ReadLogs(std::vector<NamedText> files, int threads, std::vector<Skipped> skipped) {
  std::vector<Log> read(files.size());
  std::vector<std::string> why_not(files.size());
  ForEachItem(files.size(), threads, [&](size_t i) {
    const std::string text = std::move(files[i].text);
    Log& log = read[i];
    log.file = files[i].name;
    if (DetectFormat(text) != LogFormat::kCabrillo) {
      why_not[i] = "not a Cabrillo log (no START-OF-LOG: line and no QSO: lines)";
      return;
    }
    log.data.contacts.reserve(QsoLines(text));
    ParseCabrillo(text, log.file, &log.data);
    log.call = OwnCall(log.data);
    if (log.call.empty()) {
      why_not[i] = "names no station: no CALLSIGN: line and no QSO line it could read";
      return;
    }
    log.category = CategoryOf(text);
  });

  Contest contest;
  contest.skipped = std::move(skipped);
  std::unordered_map<std::string, std::vector<size_t>> by_call;
  std::vector<std::string> calls;  // in the order of their first file
  for (size_t i = 0; i < read.size(); ++i) {
    if (!why_not[i].empty()) {
      contest.skipped.push_back({read[i].file, why_not[i]});
      continue;
    }
    std::vector<size_t>& same = by_call[read[i].call];
    if (same.empty()) calls.push_back(read[i].call);
    same.push_back(i);
  }
  for (const std::string& call : calls) {
    const std::vector<size_t>& same = by_call[call];
    // The one with more QSO lines; of as many, the first by name.
    const size_t used = *std::max_element(same.begin(), same.end(), [&](size_t a, size_t b) {
      if (read[a].qso_lines() != read[b].qso_lines())
        return read[a].qso_lines() < read[b].qso_lines();
      return read[a].file > read[b].file;
    });
    for (size_t i : same) {
      if (i == used) continue;
      const int kept = read[used].qso_lines(), left = read[i].qso_lines();
      const std::string why =
          kept > left
              ? "has more QSO lines (" + GroupedNumber(kept) + " to " + GroupedNumber(left) + ")"
              : "has as many QSO lines (" + GroupedNumber(kept) + "), comes first by name,";
      contest.skipped.push_back({read[i].file, "another log of " + Printable(call, 20) + ": " +
                                                   Printable(read[used].file, 80) + " " + why +
                                                   " and is checked"});
    }
    contest.logs.push_back(std::move(read[used]));
  }
  std::sort(contest.logs.begin(), contest.logs.end(),
            [](const Log& a, const Log& b) { return a.file < b.file; });
  std::sort(contest.skipped.begin(), contest.skipped.end(),
            [](const Skipped& a, const Skipped& b) { return a.file < b.file; });
  return contest;
}

bool ReadContestFolder(const std::string& dir, int threads, Contest* out, std::string* error) {
  namespace fs = std::filesystem;
  std::error_code ec;
  std::vector<fs::path> paths;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    if (it->is_regular_file(ec)) paths.push_back(it->path());
  }
  if (ec) {
    *error = "cannot read the folder " + dir + ": " + ec.message();
    return false;
  }
  std::sort(paths.begin(), paths.end());
  std::vector<NamedText> files(paths.size());
  std::vector<char> read(paths.size());  // one byte each: written from several threads
  ForEachItem(paths.size(), threads, [&](size_t i) {
    files[i].name = paths[i].filename().u8string();
    std::string ignored;
    try {
      read[i] = ReadLogText(paths[i].string(), &files[i].text, &ignored) ? 1 : 0;
    } catch (const std::exception&) {
      // A name the system's code page cannot spell: the file is skipped.
    }
  });
  std::vector<Skipped> unreadable;
  std::vector<NamedText> logs;
  for (size_t i = 0; i < files.size(); ++i) {
    if (read[i]) {
      logs.push_back(std::move(files[i]));
    } else {
      unreadable.push_back({files[i].name, "cannot be read"});
    }
  }
  *out = ReadLogs(std::move(logs), threads, std::move(unreadable));
  return true;
}

}  // namespace crosscheck
}  // namespace yodx
