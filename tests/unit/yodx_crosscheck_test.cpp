#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>

#include "tests/support/contest_generator.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/small_country_file.h"
#include "tools/contest/text.h"
#include "tools/yodx/commands.h"
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

// How far apart two calls are: one slip or not, and how many, a portable
// designator or a prefix costing one each.
TEST(YodxCrosscheckTest, SlipsBetweenCalls) {
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
  const struct {
    const char* a;
    const char* b;
    int slips;  // up to 3, 4 for further
  } kApart[] = {
      {"LZ0AA", "LZ0AA", 0},      {"YO7LBX/P", "YO7LBX", 1}, {"LZ0AA", "LZ0DP", 2},
      {"LZ0", "LZ0DP", 2},        {"DL1ABD/P", "DL1ABC", 2}, {"LZ0AA/P", "LZ0DP", 3},
      {"DL/LZ0AA/P", "LZ0DP", 3}, {"LZ0ABC/P", "LZ0DP", 4},
  };
  for (const auto& p : kApart) {
    EXPECT_EQ(crosscheck::SlipsApart(p.a, p.b, 3), p.slips) << p.a << " " << p.b;
    EXPECT_EQ(crosscheck::SlipsApart(p.b, p.a, 3), p.slips) << p.b << " " << p.a;
  }
}

using stats::testing::kSmallCountryFile;

std::string Log(const char* call, const std::vector<std::string>& qsos) {
  std::string text = "START-OF-LOG: 3.0\nCONTEST: YO-DX-HF\nCALLSIGN: " + std::string(call) +
                     "\nCATEGORY-OPERATOR: SINGLE-OP\nCATEGORY-BAND: ALL\nCATEGORY-MODE: "
                     "MIXED\nCATEGORY-POWER: LOW\n";
  for (const std::string& qso : qsos) text += "QSO: " + qso + "\n";
  return text + "END-OF-LOG:\n";
}

// Four logs whose every line's class is known (the comment after each QSO
// line). F5XYZ logs local time, three hours ahead; DL1ABC sent a second,
// shorter log; notes.txt is no log at all.
const struct {
  const char* file;
  std::string text;
} kContest[] = {
    {"yo3abc.log",
     Log("YO3ABC",
         {"14025 CW 2021-08-28 1200 YO3ABC 599 BU DL1ABC 599 1",       // 8: confirmed
          " 7025 CW 2021-08-28 1230 YO3ABC 599 BU DL1ABC 599 020",     // 9: exchange: 002 sent
          "14030 CW 2021-08-28 1300 YO3ABC 599 BU F5XYZ  599 1",       // 10: confirmed, at 1600
          " 7150 PH 2021-08-28 1400 YO3ABC 59  BU F5XYZ  59  3",       // 11: confirmed, as YO3AB
          "21025 CW 2021-08-28 1500 YO3ABC 599 BU DL1ABD 599 5",       // 12: busted: DL1ABC
          "28025 CW 2021-08-28 1600 YO3ABC 599 BU F5XYZ  599 5",       // 13: nil: it was YO3ABD
          "14025 CW 2021-08-28 1700 YO3ABC 599 BU DL1ABC 599 006",     // 14: dupe
          "14250 PH 2021-08-28 1800 YO3ABC 59  BU K1AA   59  001",     // 15: nolog: DL1ABC has it
          "14260 PH 2021-08-28 1805 YO3ABC 59  BU W1ZZ   59  001",     // 16: unique
          " 3525 CW 2021-08-28 2000 YO3ABC 599 BU DL1ABC 599 008",     // 17: confirmed
          " 3525 CW 2021-08-28 2002 YO3ABC 599 BU DL1ABX 599 001",     // 18: unique: 17 is DL1ABC
          "14A25 CW 2021-08-29 0100 YO3ABC 599 BU K1AA   599 003"})},  // 19: not read
    {"dl1abc.log",
     Log("DL1ABC",
         {"14025 CW 2021-08-28 1201 DL1ABC 599 001 YO3ABC 599 BU",   // confirmed
          " 7025 CW 2021-08-28 1230 DL1ABC 599 002 YO3ABC 599 BU",   // confirmed
          "14035 CW 2021-08-28 1310 DL1ABC 599 003 F5XYZ  599 002",  // confirmed
          " 7030 CW 2021-08-28 1320 DL1ABC 599 004 YO3ABD 599 cj",   // confirmed
          "21025 CW 2021-08-28 1500 DL1ABC 599 005 YO3ABC 599 BU",   // confirmed, we were busted
          "14025 CW 2021-08-28 1700 DL1ABC 599 006 YO3ABC 599 BU",   // dupe
          "14255 PH 2021-08-28 1810 DL1ABC 59  007 K1AA   59  002",  // nolog
          " 3525 CW 2021-08-28 2000 DL1ABC 599 008 YO3ABC 599 BU"})},
    {"dl1abc-first.log", Log("DL1ABC", {"14025 CW 2021-08-28 1201 DL1ABC 599 001 YO3ABC 599 BU"})},
    {"f5xyz.log", Log("F5XYZ",
                      {"14030 CW 2021-08-28 1600 F5XYZ 599 001 YO3ABC 599 BU",   // confirmed
                       "14035 CW 2021-08-28 1610 F5XYZ 599 002 DL1ABC 599 003",  // confirmed
                       " 7150 PH 2021-08-28 1700 F5XYZ 59  003 YO3AB  59  BU",   // busted (YO3ABC)
                       "28025 CW 2021-08-28 1900 F5XYZ 599 004 YO3ABD 599 CJ"})},  // confirmed
    {"yo3abd.log", Log("YO3ABD",
                       {" 7030 CW 2021-08-28 1320 YO3ABD 599 CJ DL1ABC 599 4",     // confirmed
                        "28025 CW 2021-08-28 1600 YO3ABD 599 CJ F5XYZ  599 4"})},  // confirmed
    {"notes.txt", "Logs received by 2021-09-10.\n"},
};

// Every line of the hand-written contest gets its class; the command prints
// a line per log and the summary, and writes each station's report.
TEST(YodxCrosscheckTest, HandWrittenContest) {
  stats::testing::ScratchDir scratch;
  stats::testing::WriteFileBytes("cty.dat", kSmallCountryFile);
  std::filesystem::create_directory("logs");
  for (const auto& file : kContest) {
    stats::testing::WriteFileBytes(std::filesystem::path("logs") / file.file, file.text);
    // The organiser's page shows this contest, from examples/contest.
    EXPECT_EQ(stats::testing::ReadFileBytes(std::filesystem::path(STATS_EXAMPLES_DIR) / "contest" /
                                            file.file),
              file.text)
        << file.file;
  }
  ::testing::internal::CaptureStdout();
  const int status =
      CrosscheckCommand({"logs", "--cty", "cty.dat", "--out", "out", "--json", "out/all.json"});
  const std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(status, 0);
  EXPECT_EQ(
      out,
      R"(skipped dl1abc-first.log: another log of DL1ABC: dl1abc.log has more QSO lines (8 to 1) and is checked
skipped notes.txt: not a Cabrillo log (no START-OF-LOG: line and no QSO: lines)
checking 4 logs, 26 QSO lines
[1/4] DL1ABC     8 QSO lines: 6 confirmed, 0 busted, 0 exchange, 0 nil, 1 dupe, 1 nolog, 0 unique; clock 0 min; score 322 -> 322
[2/4] F5XYZ      4 QSO lines: 3 confirmed, 1 busted, 0 exchange, 0 nil, 0 dupe, 0 nolog, 0 unique; clock +180 min; score 104 -> 54
[3/4] YO3ABC     12 QSO lines (1 not read): 4 confirmed, 1 busted, 1 exchange, 1 nil, 1 dupe, 1 nolog, 2 unique; clock 0 min; score 192 -> 90
[4/4] YO3ABD     2 QSO lines: 2 confirmed, 0 busted, 0 exchange, 0 nil, 0 dupe, 0 nolog, 0 unique; clock 0 min; score 8 -> 8
4 logs checked, 26 QSO lines (1 not read), 2 files skipped
  confirmed         15   60.0 %
  busted             2    8.0 %
  exchange           1    4.0 %
  nil                1    4.0 %
  dupe               2    8.0 %
  nolog              2    8.0 %
  unique             2    8.0 %
)");
  // The classes of every line, log after log, as the JSON gives them.
  const std::string json = stats::testing::ReadFileBytes("out/all.json");
  std::string classes;
  const std::regex kClass("\"class\": \"(\\w+)\"");
  for (auto it = std::sregex_iterator(json.begin(), json.end(), kClass);
       it != std::sregex_iterator(); ++it) {
    classes += (classes.empty() ? "" : " ") + (*it)[1].str();
  }
  EXPECT_EQ(classes,
            "confirmed confirmed confirmed confirmed confirmed dupe nolog confirmed "  // DL1ABC
            "confirmed confirmed busted confirmed "                                    // F5XYZ
            "confirmed exchange confirmed confirmed busted nil dupe nolog unique confirmed "
            "unique "                // YO3ABC
            "confirmed confirmed");  // YO3ABD
  EXPECT_NE(json.find("{\"line\": 10, \"class\": \"busted\", \"suggest\": \"YO3ABC\", "
                      "\"other_line\": 11}"),
            std::string::npos);
  EXPECT_EQ(stats::testing::ReadFileBytes("out/YO3ABC.txt"), R"(YO-DX HF Contest cross-check: YO3ABC

Log:       yo3abc.log, 12 QSO lines (1 not read)
Category:  SINGLE-OP ALL MIXED LOW
Country:   Romania
Clock:     right, from 5 exact matches
Matching:  the same band and mode, times within 5 minutes

QSO lines by class
  confirmed       4   the other log holds the QSO
  busted          1   we copied the call wrong: the station we worked logged us
  exchange        1   the exchange we logged is not the one the other station sent
  nil             1   not in the other station's log
  dupe            1   call, band and mode logged before
  nolog           1   the other station sent no log; other logs hold its call
  unique          2   the other station sent no log; no other log holds its call

Score         QSOs    points   multipliers         score
  claimed        10        24             8           192
  checked         7        18             5            90
Checked: busted, exchange, nil and dupe lines score nothing.
Penalties: none (the organiser publishes none).

*** NOT IN LOG (1) ***
  line 13:    28025 CW 2021-08-28 1600 F5XYZ

*** INCORRECT CALL (1) ***
  line 12:    21025 CW 2021-08-28 1500 DL1ABD      correct DL1ABC, in 3 logs (line 12 of its log)

*** INCORRECT EXCHANGE (1) ***
  line 9:      7025 CW 2021-08-28 1230 DL1ABC      logged 020, sent 002 (line 9 of its log)

*** UNIQUE CALLS (2) ***
  line 16:    14260 PH 2021-08-28 1805 W1ZZ
  line 18:     3525 CW 2021-08-28 2002 DL1ABX

*** DUPES (1) ***
  line 14:    14025 CW 2021-08-28 1700 DL1ABC

*** YOUR CALL COPIED WRONG BY OTHERS (1) ***
  F5XYZ        line 10:     7150 PH 2021-08-28 1700 YO3AB

*** LINES NOT READ ***
  line 19: field freq: '14A25' is not a frequency in kHz
)");
  // The results page stands alone: nothing to fetch, nothing to run.
  const std::string html = stats::testing::ReadFileBytes("out/results.html");
  for (const char* outside : {"<script", "href", "src=", "url(", "@import"}) {
    EXPECT_EQ(html.find(outside), std::string::npos) << outside;
  }
  for (const char* call : {"DL1ABC", "F5XYZ", "YO3ABC", "YO3ABD"}) {
    EXPECT_NE(html.find(call), std::string::npos) << call;
  }

  // The penalties take their multiple of each busted and nil line's points
  // off the checked points: YO3ABC's busted DL1ABD and nil F5XYZ, 2 each.
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(CrosscheckCommand(
                {"logs", "--cty", "cty.dat", "--penalty-busted", "1", "--penalty-nil", "2"}),
            0);
  EXPECT_NE(::testing::internal::GetCapturedStdout().find("YO3ABC     12 QSO lines (1 not read): "
                                                          "4 confirmed, 1 busted, 1 exchange, 1 "
                                                          "nil, 1 dupe, 1 nolog, 2 unique; clock 0 "
                                                          "min; score 192 -> 60\n"),
            std::string::npos);
}

// The classes of every line of a contest of LINES, each in the log of its
// sent call, log after log: "F5XYZ: busted DL1ABC" names the station a
// busted line worked.
std::string Classes(const std::vector<std::string>& lines, bool serial_evidence,
                    int window_minutes = 5) {
  std::map<std::string, std::vector<std::string>> logs;
  for (const std::string& line : lines) logs[std::string(SplitFields(line)[4])].push_back(line);
  std::vector<crosscheck::NamedText> files;
  for (const auto& [call, qsos] : logs) files.push_back({call + ".log", Log(call.c_str(), qsos)});
  const crosscheck::Contest contest = crosscheck::ReadLogs(std::move(files), 1);
  CtyFile countries;
  EXPECT_TRUE(countries.Parse(stats::testing::kSmallCountryFile));
  crosscheck::Options options;
  options.serial_evidence = serial_evidence;
  options.window_minutes = window_minutes;
  const std::vector<crosscheck::LogCheck> checks =
      crosscheck::CheckContest(contest, countries, options);
  std::string out;
  for (size_t l = 0; l < checks.size(); ++l) {
    out += (l == 0 ? "" : "; ") + contest.logs[l].call + ":";
    for (const crosscheck::Line& line : checks[l].lines) {
      out += std::string(" ") + crosscheck::ClassName(line.cls);
      if (line.cls == Class::kBusted) {
        out += " " + contest.logs[static_cast<size_t>(line.other_log)].call;
      }
    }
  }
  return out;
}

// DL1ABC and F5XYZ worked at 12:00, DL1ABC sending 017 and F5XYZ 042, and
// one of them copied the other's call wrong, or each did: further than one
// slip, or onto the call of a station that sent a log. The serials, which
// agree both ways, match the two lines as the contest committee does. Rows
// that need them come out otherwise without them; county codes, and serials
// that a line that could be the QSO too shares, prove nothing.
TEST(YodxCrosscheckTest, SerialsMatchCallsCopiedWrongAsTheCommitteeDoes) {
  const std::string a = "14025 CW 2021-08-28 1200 DL1ABC 599 017 ";
  const std::string b = "14025 CW 2021-08-28 1200 F5XYZ 599 042 ";
  const std::string at1201 = "14025 CW 2021-08-28 1201 ";
  const std::string slipped = "DL1ABC: confirmed; F5XYZ: busted DL1ABC";
  const struct {
    const char* shape;
    std::vector<std::string> lines;
    std::string classes;
    bool needs_serials;
  } kShapes[] = {
      {"two slips", {a + "F5XYZ 599 042", b + "DL1AXY 599 017"}, slipped, true},
      {"two characters missing, a serial without its zero",
       {a + "F5XYZ 599 042", b + "DL1 599 17"},
       slipped,
       true},
      {"one missing and one changed", {a + "F5XYZ 599 42", b + "DL1AD 599 0017"}, slipped, true},
      {"one extra and one changed", {a + "F5XYZ 599 042", b + "DL1XBCD 599 017"}, slipped, true},
      {"a portable suffix and a slip",
       {a + "F5XYZ 599 042", b + "DL1ABD/P 599 017"},
       slipped,
       true},
      {"our copy two slips from theirs",
       {a + "F5ABZ 599 042", b + "DL1ABC 599 017"},
       "DL1ABC: busted F5XYZ; F5XYZ: confirmed",
       true},
      {"a real participant's call, one slip, its line for them with other serials",
       {a + "F5XYZ 599 042", b + "DL1ABD 599 017", at1201 + "DL1ABD 599 005 F5XYZ 599 040"},
       "DL1ABC: confirmed; DL1ABD: nil; F5XYZ: busted DL1ABC",
       true},
      {"a real participant's call, two slips, with no line for them",
       {a + "F5XYZ 599 042", b + "DL1AXY 599 017", at1201 + "DL1AXY 599 001 K1AA 599 007"},
       "DL1ABC: confirmed; DL1AXY: unique; F5XYZ: busted DL1ABC",
       true},
      {"a real participant's call, its line for them with these serials",
       {a + "F5XYZ 599 042", b + "DL1ABD 599 017", at1201 + "DL1ABD 599 017 F5XYZ 599 042"},
       "DL1ABC: nil; DL1ABD: confirmed; F5XYZ: confirmed",
       false},
      {"county codes alone",
       {"14025 CW 2021-08-28 1200 YO3ABC 599 BU YO2XYZ 599 CJ",
        "14025 CW 2021-08-28 1200 YO2XYZ 599 CJ YO3AXY 599 BU"},
       "YO2XYZ: unique; YO3ABC: nil",
       false},
      {"the serials shared by a station as near the call logged",
       {a + "F5XYZ 599 042", b + "DL1AXY 599 017", at1201 + "DL1AQQ 599 017 F5XYZ 599 042"},
       "DL1ABC: nil; DL1AQQ: nil; F5XYZ: unique",
       false},
      {"each the other's call wrong, one onto a real participant's, two slips",
       {a + "F5XQQ 599 042", b + "DL1ABCD 599 017", at1201 + "F5XQQ 599 003 K1AA 599 009"},
       "DL1ABC: busted F5XYZ; F5XQQ: unique; F5XYZ: busted DL1ABC",
       true},
      {"each the other's call two slips wrong",
       {a + "F5XQQ 599 042", b + "DL1AXY 599 017"},
       "DL1ABC: unique; F5XYZ: unique",
       false},
      {"each the other's call wrong, one line named back by a third with other serials",
       {a + "F5XQQ 599 042", b + "DL1ABD 599 017", at1201 + "DL1ABD 599 005 F5XYZ 599 040"},
       "DL1ABC: unique; DL1ABD: exchange; F5XYZ: exchange",
       false},
      {"each the other's call wrong, the serials shared by a station as near",
       {a + "F5XQQ 599 042", b + "DL1ABCD 599 017", at1201 + "F5XQP 599 042 DL1ABQ 599 017"},
       "DL1ABC: unique; F5XQP: unique; F5XYZ: unique",
       false},
      {"the serials shared by stations far from both",
       {a + "F5XYZ 599 042", b + "DL1AXY 599 017", at1201 + "K1QQ 599 042 W1ZZ 599 017"},
       slipped + "; K1QQ: unique",
       true},
  };
  for (const auto& shape : kShapes) {
    EXPECT_EQ(Classes(shape.lines, true), shape.classes) << shape.shape;
    if (shape.needs_serials) {
      EXPECT_NE(Classes(shape.lines, false), shape.classes) << shape.shape << ", serials off";
    }
  }
}

// Two lines as far apart as the window allows, once on each side, are one
// QSO; a minute less of window, and they are not.
TEST(YodxCrosscheckTest, TheWindowHoldsItsLastMinute) {
  const std::vector<std::string> lines = {
      "14025 CW 2021-08-28 1200 DL1ABC 599 001 F5XYZ 599 001",
      "14025 CW 2021-08-28 1200 F5XYZ 599 001 DL1ABC 599 001",
      " 7025 CW 2021-08-28 1300 DL1ABC 599 002 F5XYZ 599 002",
      " 7025 CW 2021-08-28 1305 F5XYZ 599 002 DL1ABC 599 002",
      "21025 CW 2021-08-28 1400 DL1ABC 599 003 F5XYZ 599 003",
      "21025 CW 2021-08-28 1355 F5XYZ 599 003 DL1ABD 599 003",
  };
  EXPECT_EQ(Classes(lines, true, 5),
            "DL1ABC: confirmed confirmed confirmed; F5XYZ: confirmed confirmed busted DL1ABC");
  EXPECT_EQ(Classes(lines, true, 4), "DL1ABC: confirmed nil nil; F5XYZ: confirmed nil unique");
}

// A report column holds reports while a few values stand on most of its
// lines, however odd the rest: 59 copied for 599 is then no exchange error.
TEST(YodxCrosscheckTest, OddReportsLeaveReportsUncompared) {
  const std::vector<std::string> lines = {
      "14025 CW 2021-08-28 1200 DL1ABC 599 017 F5XYZ 599 042",
      "14025 CW 2021-08-28 1200 F5XYZ 599 042 DL1ABC 59 017",
      " 7025 CW 2021-08-28 1300 DL1ABC 579 018 K1AA 599 001",
      " 7025 CW 2021-08-28 1301 DL1ABC 589 019 K1AB 599 001",
      " 7025 CW 2021-08-28 1302 DL1ABC 569 020 K1AC 599 001",
      " 7025 CW 2021-08-28 1303 DL1ABC 559 021 K1AD 599 001",
      " 7025 CW 2021-08-28 1304 DL1ABC 549 022 K1AE 599 001",
  };
  EXPECT_EQ(Classes(lines, true),
            "DL1ABC: confirmed unique unique unique unique unique; F5XYZ: confirmed");
}

// A line that names its own station is not in any log: it scores nothing.
TEST(YodxCrosscheckTest, ALineNamingItsOwnStationIsNotInLog) {
  EXPECT_EQ(Classes({"14025 CW 2021-08-28 1200 DL1ABC 599 001 DL1ABC 599 001",
                     "14025 CW 2021-08-28 1210 DL1ABC 599 002 F5XYZ 599 001",
                     "14025 CW 2021-08-28 1210 F5XYZ 599 001 DL1ABC 599 002"},
                    true),
            "DL1ABC: nil confirmed; F5XYZ: confirmed");
}

// A CALLSIGN far longer than any call costs no station its report, nor the
// contest its results.
TEST(YodxCrosscheckTest, AnOverlongCallStopsNoReport) {
  stats::testing::ScratchDir scratch;
  stats::testing::WriteFileBytes("cty.dat", kSmallCountryFile);
  std::filesystem::create_directory("logs");
  const std::string call = "DL1" + std::string(300, 'A');
  stats::testing::WriteFileBytes(
      "logs/long.log",
      Log(call.c_str(), {"14025 CW 2021-08-28 1201 " + call + " 599 001 YO3ABC 599 BU"}));
  stats::testing::WriteFileBytes(
      "logs/yo3abc.log", Log("YO3ABC", {"14025 CW 2021-08-28 1201 YO3ABC 599 BU DL1ABC 599 001"}));
  ::testing::internal::CaptureStdout();
  const int status = CrosscheckCommand({"logs", "--cty", "cty.dat", "--out", "out"});
  ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(status, 0);
  EXPECT_TRUE(std::filesystem::exists("out/results.csv"));
  EXPECT_TRUE(std::filesystem::exists("out/" + call.substr(0, 40) + ".txt"));
}

// Of two logs of one station with as many QSO lines, the first by name is
// checked, whatever the order they came in, and the message says so.
TEST(YodxCrosscheckTest, ASecondLogOfAStationSaysWhatDecided) {
  const std::string line = "14025 CW 2021-08-28 1200 DL1ABC 599 001 YO3ABC 599 BU";
  const crosscheck::Contest contest =
      crosscheck::ReadLogs({{"b.log", Log("DL1ABC", {line})}, {"a.log", Log("DL1ABC", {line})}}, 1);
  ASSERT_EQ(contest.logs.size(), 1u);
  EXPECT_EQ(contest.logs[0].file, "a.log");
  ASSERT_EQ(contest.skipped.size(), 1u);
  EXPECT_EQ(contest.skipped[0].reason,
            "another log of DL1ABC: a.log has as many QSO lines (1), comes first by name, and is "
            "checked");
}

}  // namespace
}  // namespace yodx
