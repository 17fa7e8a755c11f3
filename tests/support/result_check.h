// What every result text must hold, whatever the log: three header lines,
// the band rows, the total row, an empty line and the score line, every
// line ending in CR LF; the band rows add up to the total's points and
// multipliers, and the score is points x (counties + DXCC). Shared by the
// load tests and the fuzzers.
#ifndef STATS_TESTS_SUPPORT_RESULT_CHECK_H_
#define STATS_TESTS_SUPPORT_RESULT_CHECK_H_

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace stats {
namespace testing {

struct ResultRow {
  int64_t qsos = 0, points = 0, dxcc = 0, county = 0;
};

struct ResultNumbers {
  std::vector<ResultRow> bands;
  ResultRow total;
  int64_t score = 0;
};

// Empty when the text holds all of the above, else what it lacks. The
// numbers go to *numbers when it is not null.
inline std::string ResultTextProblem(const std::string& text, ResultNumbers* numbers = nullptr) {
  std::vector<std::string> lines;
  for (size_t at = 0; at < text.size();) {
    const size_t end = text.find("\r\n", at);
    if (end == std::string::npos) return "a line does not end in CR LF";
    lines.push_back(text.substr(at, end - at));
    at = end + 2;
  }
  if (lines.size() < 6) return "fewer than six lines";
  if (lines[0].rfind("    RE-RA-DEDIROZ ", 0) != 0 || lines[1].rfind("\tContestant: ", 0) != 0 ||
      lines[2] != "\tQSOs\tPoints\tDXCC\tCounty") {
    return "no header";
  }
  auto row = [](const std::string& line, ResultRow* r) {
    const size_t tab = line.find('\t');
    return tab != std::string::npos &&
           std::sscanf(line.c_str() + tab, "\t %" SCNd64 "\t %" SCNd64 "\t %" SCNd64 "\t %" SCNd64,
                       &r->qsos, &r->points, &r->dxcc, &r->county) == 4;
  };
  ResultNumbers parsed;
  ResultRow sum;
  size_t i = 3;
  for (; i + 3 < lines.size(); ++i) {
    ResultRow band;
    if (!row(lines[i], &band)) return "not a band row: " + lines[i];
    sum.points += band.points;
    sum.dxcc += band.dxcc;
    sum.county += band.county;
    parsed.bands.push_back(band);
  }
  if (lines[i].rfind("Total\t", 0) != 0 || !row(lines[i], &parsed.total)) return "no total row";
  if (parsed.total.points != sum.points || parsed.total.dxcc != sum.dxcc ||
      parsed.total.county != sum.county) {
    return "the band rows do not add up to the total row";
  }
  if (!lines[i + 1].empty()) return "no empty line before the score";
  int64_t p, c, d;
  if (std::sscanf(lines[i + 2].c_str(), "Score: %" SCNd64 "*(%" SCNd64 " + %" SCNd64 ") = %" SCNd64,
                  &p, &c, &d, &parsed.score) != 4) {
    return "no score line";
  }
  if (p != sum.points || c != sum.county || d != sum.dxcc || parsed.score != p * (c + d)) {
    return "the score line does not follow from the totals";
  }
  if (numbers != nullptr) *numbers = parsed;
  return "";
}

}  // namespace testing
}  // namespace stats

#endif  // STATS_TESTS_SUPPORT_RESULT_CHECK_H_
