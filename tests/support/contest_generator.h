// Whole synthetic contests for the cross-check: stations of many countries
// and Romanian stations with their counties, the QSOs that really happened
// with both sides' serials, and each station's log as written, with the
// faults real logs carry. Beside the logs, the truth: each station's clock
// offset and the class every QSO line must get.
#ifndef STATS_TESTS_SUPPORT_CONTEST_GENERATOR_H_
#define STATS_TESTS_SUPPORT_CONTEST_GENERATOR_H_

#include <cstdint>
#include <string>
#include <vector>

namespace yodx {
namespace testing {

struct ContestShape {
  uint32_t seed = 1;
  int stations = 150;  // that took part
  int logs = 120;      // of them, those that send a log
  int qsos = 12000;    // that really happened
};

struct TruthLog {
  std::string file, call;
  int clock_offset = 0;  // minutes the log's times run ahead of UTC
  struct Line {
    int line = 0;         // in the file
    std::string cls;      // the class the cross-check must give it
    std::string suggest;  // busted: the call of the station really worked
  };
  std::vector<Line> lines;
};

struct GeneratedContest {
  struct File {
    std::string name, text;
  };
  std::vector<File> files;
  std::vector<TruthLog> truth;  // one per file, in the same order
  size_t qso_lines = 0;
};

// The contest of SHAPE, the same for the same shape on every platform.
// Faults, each at a rate of a few in a hundred lines: calls busted (a
// character changed, two swapped, one dropped, a portable designator or
// prefix dropped; some landing on another real station's call), exchanges
// copied wrong, QSOs one side never logged, QSOs made twice (dupes), QSOs in
// which each side busts the other's call, clocks minutes or whole hours
// off, and a minute of jitter between the two sides.
GeneratedContest GenerateContest(const ContestShape& shape);

// A country file (cty.dat format) that places every generated call.
const char* GeneratedCountries();

}  // namespace testing
}  // namespace yodx

#endif  // STATS_TESTS_SUPPORT_CONTEST_GENERATOR_H_
