#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

#include "tests/support/contest_generator.h"
#include "tools/yodx/crosscheck/checker.h"

namespace yodx {
namespace {

using crosscheck::Class;

// Generated contests against their truth: each class's recall and precision,
// the right call suggested for the busted lines found, and every log's
// clock offset to the minute. Two contests, the second a third the size:
// its logs are smaller, and a small log's clock is the hardest to find.
// STATS_CROSSCHECK_QSOS sizes the first.
TEST(YodxCrosscheckTest, GeneratedContestsAgainstTheirTruth) {
  const char* size = std::getenv("STATS_CROSSCHECK_QSOS");
  const int qsos = size != nullptr && *size != '\0' ? std::atoi(size) : 12000;
  CtyFile countries;
  ASSERT_TRUE(countries.Parse(testing::GeneratedCountries()));

  std::map<std::string, std::array<int, 3>> tally;  // class -> truth, found, both
  int busted_found = 0, suggested = 0, logs = 0, logs_timed = 0;
  for (uint32_t seed : {1u, 3u}) {
    testing::ContestShape shape;
    shape.seed = seed;
    shape.qsos = seed == 1 ? qsos : qsos / 3;
    shape.stations = 120 + shape.qsos / 100;
    shape.logs = shape.stations * 4 / 5;
    const testing::GeneratedContest generated = testing::GenerateContest(shape);
    std::vector<crosscheck::NamedText> files;
    for (const auto& file : generated.files) files.push_back({file.name, file.text});
    const crosscheck::Contest contest = crosscheck::ReadLogs(std::move(files), 2);
    ASSERT_EQ(contest.logs.size(), generated.truth.size());
    logs += static_cast<int>(contest.logs.size());
    crosscheck::Options options;
    options.threads = 2;
    const std::vector<crosscheck::LogCheck> checks =
        crosscheck::CheckContest(contest, countries, options);

    for (size_t l = 0; l < checks.size(); ++l) {
      const testing::TruthLog& truth = generated.truth[l];
      const crosscheck::Log& log = contest.logs[l];
      // A log that no other log confirms has no clock to find.
      logs_timed += checks[l].offset_matches > 0;
      EXPECT_TRUE(checks[l].offset_matches == 0 ||
                  std::abs(checks[l].clock_offset - truth.clock_offset) <= 1)
          << log.call << " found " << checks[l].clock_offset << ", truth " << truth.clock_offset;
      ASSERT_EQ(log.data.contacts.size(), truth.lines.size()) << log.file;
      for (size_t i = 0; i < truth.lines.size(); ++i) {
        ASSERT_EQ(log.data.contacts[i].line, truth.lines[i].line);
        const crosscheck::Line& got = checks[l].lines[i];
        const std::string found = crosscheck::ClassName(got.cls);
        ++tally[truth.lines[i].cls][0];
        ++tally[found][1];
        if (found != truth.lines[i].cls) continue;
        ++tally[found][2];
        if (got.cls != Class::kBusted) continue;
        ++busted_found;
        suggested +=
            contest.logs[static_cast<size_t>(got.other_log)].call == truth.lines[i].suggest;
      }
    }
  }

  const struct {
    const char* cls;
    double recall, precision;  // at least, in %
  } kMarks[] = {{"confirmed", 99.5, 99}, {"busted", 95, 95}, {"exchange", 98, 95}, {"nil", 95, 90},
                {"dupe", 99, 99},        {"nolog", 98, 98},  {"unique", 95, 90}};
  std::string table = "class       lines   recall  precision\n";
  for (const auto& mark : kMarks) {
    const std::array<int, 3>& t = tally[mark.cls];
    const double recall = 100.0 * t[2] / std::max(t[0], 1);
    const double precision = 100.0 * t[2] / std::max(t[1], 1);
    char row[96];
    std::snprintf(row, sizeof row, "%-10s %6d  %6.2f %%  %6.2f %%\n", mark.cls, t[0], recall,
                  precision);
    table += row;
    EXPECT_GE(t[0], 20) << "too few " << mark.cls << " lines to judge\n" << table;
    EXPECT_GE(recall, mark.recall) << mark.cls << "\n" << table;
    EXPECT_GE(precision, mark.precision) << mark.cls << "\n" << table;
  }
  EXPECT_GE(logs_timed * 100, logs * 90) << logs_timed << " of " << logs << " logs' clocks found";
  EXPECT_GE(suggested * 100.0, busted_found * 95.0)
      << suggested << " of " << busted_found << " busted lines with the right call";
  if (std::getenv("STATS_CROSSCHECK_TABLE") != nullptr) std::printf("%s", table.c_str());
}

TEST(YodxCrosscheckTest, OneSlipApart) {
  const struct {
    const char* a;
    const char* b;
    bool slip;
  } kPairs[] = {
      {"DL1ABC", "DL1ABD", true},        {"DL1ABC", "DL1BAC", true},
      {"DL1ABC", "DL1AB", true},         {"DL1ABC", "D1ABC", true},
      {"YO7LBX/P", "YO7LBX", true},      {"DL/YO7LBX", "YO7LBX", true},
      {"DL1ABC", "DL1ABC", false},       {"DL1ABC", "DL1BCA", false},
      {"DL1ABC", "DL2ABD", false},       {"YO7LBX/P", "YO7LB", false},
      {"YO7LBX/QRP", "YO7LBX/P", false}, {"DL1ABC", "DL1ABCDE", false},
  };
  for (const auto& p : kPairs) {
    EXPECT_EQ(crosscheck::OneSlipApart(p.a, p.b), p.slip) << p.a << " " << p.b;
    EXPECT_EQ(crosscheck::OneSlipApart(p.b, p.a), p.slip) << p.b << " " << p.a;
  }
}

}  // namespace
}  // namespace yodx
