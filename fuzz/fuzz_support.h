// What the fuzzers share: a private working folder, quiet dialogs, and the
// check that a result text holds what it must.
#ifndef STATS_FUZZ_FUZZ_SUPPORT_H_
#define STATS_FUZZ_FUZZ_SUPPORT_H_

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cinttypes>
#include <cstdio>
#include <string>
#include <vector>

#include "plugin/dialogs.h"

namespace stats {
namespace fuzz {

// Stops the run: libFuzzer keeps the input that got here.
#define STATS_FUZZ_CHECK(condition)                                                       \
  do {                                                                                    \
    if (!(condition)) {                                                                   \
      std::fprintf(stderr, "check failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__); \
      __builtin_trap();                                                                   \
    }                                                                                     \
  } while (0)

// A fresh folder of its own as the working directory, with "Plugins".
inline void EnterScratchFolder() {
  char name[] = "/tmp/stats-fuzz-XXXXXX";
  if (mkdtemp(name) == nullptr || chdir(name) != 0) __builtin_trap();
  mkdir("Plugins", 0777);
}

// Dialogs that confirm what they show and say nothing.
class QuietDialogs : public Dialogs {
 public:
  bool ShowHeader(HeaderForm&) override { return true; }
  bool ShowSetup(SetupForm&) override { return true; }
  void ShowMessage(const std::string&, const std::string&, Icon) override {}
};

// The result text: three header lines, band rows, the total row, an empty
// line and the score line; the band rows add up to the total's points and
// multipliers, and the score is points x (counties + DXCC).
inline void CheckResult(const std::string& text) {
  std::vector<std::string> lines;
  for (size_t at = 0; at < text.size();) {
    const size_t end = text.find("\r\n", at);
    STATS_FUZZ_CHECK(end != std::string::npos);  // every line ends in CR LF
    lines.push_back(text.substr(at, end - at));
    at = end + 2;
  }
  STATS_FUZZ_CHECK(lines.size() >= 6);
  STATS_FUZZ_CHECK(lines[0].rfind("    RE-RA-DEDIROZ ", 0) == 0);
  STATS_FUZZ_CHECK(lines[1].rfind("\tContestant: ", 0) == 0);
  STATS_FUZZ_CHECK(lines[2] == "\tQSOs\tPoints\tDXCC\tCounty");
  int64_t points = 0, dxcc = 0, county = 0;
  size_t i = 3;
  auto numbers = [](const std::string& line, int64_t n[4]) {
    const size_t tab = line.find('\t');
    return tab != std::string::npos &&
           std::sscanf(line.c_str() + tab, "\t %" SCNd64 "\t %" SCNd64 "\t %" SCNd64 "\t %" SCNd64,
                       &n[0], &n[1], &n[2], &n[3]) == 4;
  };
  for (; i + 3 < lines.size(); ++i) {
    int64_t n[4];
    STATS_FUZZ_CHECK(numbers(lines[i], n));
    points += n[1];
    dxcc += n[2];
    county += n[3];
  }
  int64_t total[4];
  STATS_FUZZ_CHECK(lines[i].rfind("Total\t", 0) == 0 && numbers(lines[i], total));
  STATS_FUZZ_CHECK(total[1] == points && total[2] == dxcc && total[3] == county);
  STATS_FUZZ_CHECK(lines[i + 1].empty());
  int64_t p, c, d, s;
  STATS_FUZZ_CHECK(std::sscanf(lines[i + 2].c_str(),
                               "Score: %" SCNd64 "*(%" SCNd64 " + %" SCNd64 ") = %" SCNd64, &p, &c,
                               &d, &s) == 4);
  STATS_FUZZ_CHECK(p == points && c == county && d == dxcc && s == p * (c + d));
}

}  // namespace fuzz
}  // namespace stats

#endif  // STATS_FUZZ_FUZZ_SUPPORT_H_
