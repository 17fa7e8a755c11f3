#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/support/plugin_under_test.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/ui_script.h"
#include "tools/contest/cabrillo_compact.h"
#include "tools/replay/replay.h"
#include "tools/yodx/commands.h"
#include "tools/yodx/lint/linter.h"

namespace yodx {
namespace {

const char kLintCty[] =
    "Romania:                  20:  28:  EU:   45.78:   -24.70:    -2.0:  YO:\n"
    "    YO,YP,YQ,YR;\n"
    "Fed. Rep. of Germany:     14:  28:  EU:   51.00:   -10.00:    -1.0:  DL:\n"
    "    DA,DB,DC,DD,DE,DF,DG,DH,DI,DJ,DK,DL,DM,DN,DO,DP,DQ,DR;\n";

// A Romanian station's log with nothing to find. The reports sent and
// received differ, so that a swap would show; the county arrives in lower
// case, which the robot reads as upper.
const std::vector<std::string> kCleanLog = {
    "START-OF-LOG: 3.0",                                              // 1
    "CONTEST: YO-DX-HF",                                              // 2
    "CALLSIGN: YO3ABC",                                               // 3
    "CATEGORY-OPERATOR: SINGLE-OP",                                   // 4
    "CATEGORY-BAND: ALL",                                             // 5
    "CATEGORY-TRANSMITTER: ONE",                                      // 6
    "CLAIMED-SCORE: 1234",                                            // 7
    "X-LOGGER-NOTE: made by hand",                                    // 8
    "QSO: 14025 CW 2021-08-28 1200 YO3ABC  579 BU DL1ABC  599 001",   // 9
    "QSO:  7150 PH 2021-08-28 2300 YO3ABC  59  BU YO9BBB  57  ct",    // 10
    "QSO: 28000 cw 2021-08-29 1159 YO3ABC  599 BU YO/DL1ABC 599 CJ",  // 11
    "QSO:  3510 CW 2021-08-28 1201 YO3ABC  599 BU DL1ABC  599 2",     // 12
    "END-OF-LOG:",                                                    // 13
};

std::string Join(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

CtyFile Countries() {
  CtyFile cty;
  EXPECT_TRUE(cty.Parse(kLintCty));
  return cty;
}

LintResult Lint(const std::string& text) {
  return LintCabrillo(text, Countries(), LintOptions{});
}

TEST(YodxLintTest, CleanLogHasNoFinding) {
  const LintResult result = Lint(Join(kCleanLog));
  EXPECT_TRUE(result.findings.empty()) << FormatFindings("clean.log", result);
  EXPECT_EQ(FindingsJson(result),
            "{\"errors\": 0, \"warnings\": 0, \"findings\": [], \"organiser_count\": {\"qsos\": "
            "4, \"points\": 20, \"dxcc\": 2, \"counties\": 2, \"multipliers\": 4, \"score\": 80, "
            "\"plugin_claims\": 120, \"differences\": [\"YO as DXCC\"]}}\n");
}

// The organiser's count closes the findings. The clean log's: DL1ABC on 20
// and 80 m (2 points and a DXCC each), YO9BBB and YO/DL1ABC (8 points and a
// county each); the plug-in adds YO as a DXCC of 40 and 10 m.
TEST(YodxLintTest, TheOrganisersCountClosesTheFindings) {
  const struct {
    int line;  // replaced by a soapbox line, 0 for none
    int other;
    const char* last;
  } kCases[] = {
      {0, 0,
       "organiser's count: 4 QSOs, 20 points, 4 multipliers, score 80 (the plug-in claims 120: "
       "YO as DXCC)\n"},
      // Without the Romanian stations both counts agree.
      {10, 11, "organiser's count: 2 QSOs, 4 points, 2 multipliers, score 8\n"},
      {3, 0, "organiser's count: none: the log names no own station (CALLSIGN:)\n"},
  };
  for (const auto& c : kCases) {
    std::vector<std::string> lines = kCleanLog;
    for (int n : {c.line, c.other}) {
      if (n > 0) lines[n - 1] = "SOAPBOX: 73";
    }
    const std::string text = FormatFindings("x", Lint(Join(lines)));
    EXPECT_EQ(text.substr(text.rfind('\n', text.size() - 2) + 1), c.last);
  }
}

// Each case plants one fault in the clean log (replacing line `line`) and
// expects exactly one finding, at its line; or none, for a value that only
// looks like a fault.
struct Planted {
  int line;
  const char* text;
  int at;
  Severity severity;
  const char* rule;
  const char* message;  // a part of the message
};

constexpr Severity E = Severity::kError, W = Severity::kWarning;

const Planted kPlanted[] = {
    {1, "START-OF-LOG: 2.0", 1, W, "start-of-log", "version '2.0': an older Cabrillo, read as 3.0"},
    {1, "START-OF-LOG: 1.0", 1, E, "start-of-log", "version '1.0', expected 3.0"},
    {8, "CATEGORY: SINGLE-OP ALL LOW", 0, W, nullptr, nullptr},  // Cabrillo 2.0's one line
    {1, "CALLSIGN: YO3ABC", 1, E, "start-of-log", "must begin with 'START-OF-LOG: 3.0'"},
    {13, "SOAPBOX: 73", 13, E, "end-of-log", "must end with 'END-OF-LOG:'"},
    {2, "CONTEST: YO DX", 2, E, "contest", "'YO DX' is not YO-DX-HF"},
    {2, "X-CONTEST: YO-DX-HF", 1, E, "contest", "no CONTEST: line"},
    {5, "CATEGORY-BAND: 160M", 5, E, "category", "ALL, 80M, 40M, 20M, 15M, 10M"},
    {4, "CATEGORY-OPERATOR: SINGLE", 4, E, "category", "CATEGORY-OPERATOR 'SINGLE' is not one"},
    {5, "CATEGORY-BAND: 20", 5, E, "category", "CATEGORY-BAND '20' is not one of ALL, 80M"},
    // The categories the contest does not use are the upload page's to set;
    // OVER-50 is of the format's first overlay list.
    {8, "CATEGORY-OVERLAY: over-50", 0, W, nullptr, nullptr},
    {8, "CATEGORY-OVERLAY: SENIOR", 8, W, "category",
     "'SENIOR' is not one of CLASSIC, ROOKIE, TB-WIRES, YOUTH, NOVICE-TECH, YL, OVER-50 (a "
     "category this contest does not use)"},
    {8, "CATEGORY-TIME: 7-HOURS", 8, W, "category", "does not use"},
    {8, "CATEGORY-STATION: HOME", 8, W, "category", "does not use"},
    {8, "CATEGORY-ASSISTED: YES", 8, W, "category", "does not use"},
    {8, "LOGGER-NOTE: made by hand", 8, W, "unknown-tag", "'LOGGER-NOTE:'"},
    {7, "CREATED-BY: hand", 1, W, "claimed-score", "no CLAIMED-SCORE"},
    {8, "THIS IS NOT A TAG", 8, E, "line", "is not 'TAG: value'"},
    // No-break spaces and tabs between the fields, as some loggers export them.
    {9,
     "QSO:\xA0 14025\xA0"
     "CW 2021-08-28 1200 YO3ABC\t579 BU DL1ABC 599 001\xA0",
     0, W, nullptr, nullptr},
    {9, "QSO: 14025 CW 2021-08-28 1200 YO3ABC 579 BU DL1ABC 599", 9, E, "qso-fields",
     "9 fields, expected 10"},
    {9, "QSO: 14025 CW 2021-08-28 1200 YO3ABC 579 BU DL1ABC 599 001 1", 9, E, "qso-fields",
     "11 fields, expected 10"},
    {9, "QSO: 14.025 CW 2021-08-28 1200 YO3ABC 579 BU DL1ABC 599 001", 9, E, "frequency",
     "'14.025' is not in kHz"},
    {9, "QSO: - CW 2021-08-28 1200 YO3ABC 579 BU DL1ABC 599 001", 9, E, "frequency",
     "frequency is missing"},
    {9, "QSO: 10110 CW 2021-08-28 1200 YO3ABC 579 BU DL1ABC 599 001", 9, E, "band",
     "10110 kHz is on 30m, not a contest band"},
    {9, "QSO: 1830 CW 2021-08-28 1200 YO3ABC 579 BU DL1ABC 599 001", 9, W, "band",
     "160m is not a contest band"},
    {9, "QSO: 14085 RY 2021-08-28 1200 YO3ABC 579 BU DL1ABC 599 001", 9, E, "mode",
     "mode 'RY' is not a contest mode"},
    {9, "QSO: 14025 CW 2021-8-28 1200 YO3ABC 579 BU DL1ABC 599 001", 9, E, "date",
     "'2021-8-28' is not yyyy-mm-dd"},
    {9, "QSO: 14025 CW 2021-08-28 12:00 YO3ABC 579 BU DL1ABC 599 001", 9, E, "time",
     "'12:00' is not hhmm"},
    {9, "QSO: 14025 CW 2021-08-28 1159 YO3ABC 579 BU DL1ABC 599 001", 9, E, "period",
     "2021-08-28 1159 is outside the contest period 2021-08-28 12:00:00 to 2021-08-29 11:59:59"},
    {11, "QSO: 28000 CW 2021-08-29 1200 YO3ABC 599 BU YO/DL1ABC 599 CJ", 11, E, "period",
     "2021-08-29 1200 is outside"},
    {9, "QSO: 14025 CW 2021-08-28 1200 YO3ABD 579 BU DL1ABC 599 001", 9, E, "sent-call",
     "sent call 'YO3ABD' is not the log's CALLSIGN YO3ABC"},
    {9, "QSO: 14025 CW 2021-08-28 1200 YO3ABC 579 BU DL1-ABC 599 001", 9, E, "call",
     "call 'DL1-ABC' is not a call sign"},
    {9, "QSO: 14025 CW 2021-08-28 1200 YO3ABC 579 BU VP2E/DL1000ABCDEF/QRP 599 001", 9, E, "call",
     "is not a call sign"},
    {9, "QSO: 14025 CW 2021-08-28 1200 YO3ABC 5NN BU DL1ABC 599 001", 9, E, "report",
     "report sent '5NN' does not fit CW"},
    {9, "QSO: 14025 CW 2021-08-28 1200 YO3ABC 579 BU DL1ABC 590 001", 9, E, "report",
     "report received '590' does not fit CW: three digits, 1-5, 1-9, 1-9"},
    {10, "QSO: 7150 PH 2021-08-28 2300 YO3ABC 59 BU YO9BBB 579 CT", 10, E, "report",
     "report received '579' does not fit PH"},
    {10, "QSO: 7150 PH 2021-08-28 2300 YO3ABC 59 BU YO9BBB - CT", 10, E, "report",
     "report received is missing ('-')"},
    {10, "QSO: 7150 PH 2021-08-28 2300 YO3ABC 59 BU YO9BBB 57 XX", 10, E, "exchange",
     "exchange received 'XX' is not a county code (YO9BBB is a Romanian station)"},
    {9, "QSO: 14025 CW 2021-08-28 1200 YO3ABC 579 BU DL1ABC 599 BU", 9, E, "exchange",
     "exchange received 'BU' is not a serial number from 001 (DL1ABC is not a Romanian"},
    {9, "QSO: 14025 CW 2021-08-28 1200 YO3ABC 579 BU DL1ABC 599 000", 9, E, "exchange",
     "'000' is not a serial number"},
    {9, "QSO: 14025 CW 2021-08-28 1200 YO3ABC 579 001 DL1ABC 599 001", 9, E, "exchange",
     "exchange sent '001' is not a county code (YO3ABC is a Romanian station)"},
    {12, "QSO: 14030 CW 2021-08-28 1201 YO3ABC 599 BU DL1ABC 599 2", 12, W, "duplicate",
     "duplicate of line 9: DL1ABC again on 20m CW"},
};

TEST(YodxLintTest, EachPlantedFaultIsFoundAtItsLine) {
  for (const Planted& p : kPlanted) {
    std::vector<std::string> lines = kCleanLog;
    lines[p.line - 1] = p.text;
    const LintResult result = Lint(Join(lines));
    if (p.rule == nullptr) {
      EXPECT_TRUE(result.findings.empty()) << p.text << "\n" << FormatFindings("log", result);
      continue;
    }
    ASSERT_EQ(result.findings.size(), 1u) << p.text << "\n" << FormatFindings("log", result);
    const Finding& f = result.findings[0];
    EXPECT_EQ(f.line, p.at) << p.text;
    EXPECT_EQ(f.severity, p.severity) << p.text;
    EXPECT_EQ(f.rule, p.rule) << p.text;
    EXPECT_NE(f.message.find(p.message), std::string::npos) << p.text << "\n" << f.message;
    EXPECT_EQ(result.errors, p.severity == E ? 1 : 0);
  }
}

TEST(YodxLintTest, FileLevelFaultsAndTheTwoTransmitterField) {
  // A soapbox that takes the file over the upload page's limit.
  std::vector<std::string> lines = kCleanLog;
  lines[7] = "SOAPBOX: " + std::string(kUploadLimitBytes, 'x');
  LintResult result = Lint(Join(lines));
  ASSERT_EQ(result.findings.size(), 1u);
  EXPECT_EQ(result.findings[0].rule, "size");
  EXPECT_NE(result.findings[0].message.find(GroupedNumber(Join(lines).size()) + " bytes"),
            std::string::npos);
  EXPECT_NE(result.findings[0].message.find("yodx compact"), std::string::npos);

  lines = kCleanLog;
  lines.push_back("QSO: 14025 CW 2021-08-28 1300 YO3ABC 599 BU DL2ABC 599 5");
  result = Lint(Join(lines));
  ASSERT_EQ(result.findings.size(), 1u);
  EXPECT_EQ(result.findings[0].line, 14);
  EXPECT_EQ(result.findings[0].message, "text after END-OF-LOG:");

  // Two transmitters, in whatever case: every QSO line carries the
  // transmitter, 0 or 1.
  lines = kCleanLog;
  lines[5] = "CATEGORY-TRANSMITTER: two";
  for (int i = 8; i < 12; ++i) lines[i] += " 0";
  lines[9].back() = '2';
  result = Lint(Join(lines));
  ASSERT_EQ(result.findings.size(), 1u) << FormatFindings("log", result);
  EXPECT_EQ(result.findings[0].line, 10);
  EXPECT_EQ(result.findings[0].message, "transmitter '2' is not 0 or 1");
}

// The command's exit status: 0 with warnings only, 1 from the first error
// on, 2 when the log cannot be read.
TEST(YodxLintTest, ExitStatus) {
  stats::testing::ScratchDir scratch;
  stats::testing::WriteFileBytes("cty.dat", kLintCty);
  std::vector<std::string> warned = kCleanLog, one_error = kCleanLog;
  warned[6] = "SOAPBOX: no claimed score";
  one_error[1] = "CONTEST: YO DX";
  const struct {
    const char* log;
    std::string text;  // "": no such file
    int status;
  } kCases[] = {{"warned.log", Join(warned), 0},
                {"one-error.log", Join(one_error), 1},
                {"missing.log", "", 2}};
  for (const auto& c : kCases) {
    if (!c.text.empty()) stats::testing::WriteFileBytes(c.log, c.text);
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    const int status = LintCommand({c.log, "--cty", "cty.dat"});
    const std::string out = ::testing::internal::GetCapturedStdout();
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, c.status) << c.log << "\n" << out;
  }
}

// Every command answers 2 when it cannot do what it was asked, as lint
// does: its 1 says that the log has errors, and nothing else may say so.
TEST(YodxLintTest, EveryCommandAnswersTwoWhenItCannotReadOrWrite) {
  stats::testing::ScratchDir scratch;
  stats::testing::WriteFileBytes("cty.dat", kLintCty);
  stats::testing::WriteFileBytes("clean.log", Join(kCleanLog));
  std::filesystem::create_directory("logs");
  stats::testing::WriteFileBytes("logs/clean.log", Join(kCleanLog));
  using Command = int (*)(const std::vector<std::string>&);
  const struct {
    const char* what;
    Command command;
    std::vector<std::string> args;
  } kCases[] = {
      {"score, no log", ScoreCommand, {"missing.log", "--cty", "cty.dat"}},
      {"score, no country file", ScoreCommand, {"clean.log", "--cty", "missing.dat"}},
      {"check, no log", CheckCommand, {"missing.log", "YO9AAA", "20m", "CW", "--cty", "cty.dat"}},
      {"check, no country file",
       CheckCommand,
       {"clean.log", "YO9AAA", "20m", "CW", "--cty", "missing.dat"}},
      {"lint, no country file", LintCommand, {"clean.log", "--cty", "missing.dat"}},
      {"lint, JSON not written", LintCommand, {"clean.log", "--cty", "cty.dat", "--json", "no/x"}},
      {"report, no log", ReportCommand, {"missing.log", "--cty", "cty.dat"}},
      {"report, no country file", ReportCommand, {"clean.log", "--cty", "missing.dat"}},
      {"crosscheck, no folder", CrosscheckCommand, {"missing", "--cty", "cty.dat"}},
      {"crosscheck, no country file", CrosscheckCommand, {"logs", "--cty", "missing.dat"}},
      {"compact, no log", CompactCommand, {"missing.log", "out.log"}},
      {"compact, copy not written", CompactCommand, {"clean.log", "no/out.log"}},
  };
  for (const auto& c : kCases) {
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    const int status = c.command(c.args);
    ::testing::internal::GetCapturedStdout();
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, 2) << c.what << ": " << err;
  }
}

TEST(YodxLintTest, ReportsAsCompilerLinesAndJson) {
  std::vector<std::string> lines = kCleanLog;
  lines[7] = "MY-TAG: x";
  lines[9] = "QSO: 7150 PH 2021-08-28 2300 YO3ABC 59 BU YO9BBB 57 XX";
  const LintResult result = Lint(Join(lines));
  EXPECT_EQ(
      FormatFindings("a\tb.log", result),
      "a\\x09b.log:8: warning: unknown header tag 'MY-TAG:'\n"
      "a\\x09b.log:10: error: exchange received 'XX' is not a county code (YO9BBB is a "
      "Romanian station)\n"
      "1 error, 1 warning\n"
      "organiser's count: 3 QSOs, 12 points, 3 multipliers, score 36 (the plug-in claims 100: "
      "wrong exchanges, YO as DXCC)\n");
  EXPECT_EQ(FindingsJson(result),
            "{\"errors\": 1, \"warnings\": 1, \"findings\": [\n"
            "  {\"line\": 8, \"severity\": \"warning\", \"rule\": \"unknown-tag\", \"message\": "
            "\"unknown header tag 'MY-TAG:'\"},\n"
            "  {\"line\": 10, \"severity\": \"error\", \"rule\": \"exchange\", \"message\": "
            "\"exchange received 'XX' is not a county code (YO9BBB is a Romanian station)\"}\n"
            "], \"organiser_count\": {\"qsos\": 3, \"points\": 12, \"dxcc\": 2, \"counties\": 1, "
            "\"multipliers\": 3, \"score\": 36, \"plugin_claims\": 100, \"differences\": "
            "[\"wrong exchanges\", \"YO as DXCC\"]}}\n");
}

TEST(YodxLintTest, PeriodIsTheLastFullWeekendOfAugust) {
  const struct {
    int year;
    const char* start;
    const char* end;
  } kYears[] = {
      {2021, "2021-08-28 12:00:00", "2021-08-29 11:59:59"},
      {2024, "2024-08-24 12:00:00", "2024-08-25 11:59:59"},  // 31 August is a Saturday
      {2025, "2025-08-30 12:00:00", "2025-08-31 11:59:59"},  // 31 August is a Sunday
  };
  for (const auto& y : kYears) {
    UtcSeconds start = 0, end = 0;
    ContestPeriod(y.year, &start, &end);
    EXPECT_EQ(FormatUtc(start), y.start);
    EXPECT_EQ(FormatUtc(end), y.end);
  }
  UtcSeconds t = 0;
  ASSERT_TRUE(ParseUtcTime("2021-08-07", true, &t));
  EXPECT_EQ(FormatUtc(t), "2021-08-07 23:59:59");
  ASSERT_TRUE(ParseUtcTime("2021-08-07T12:30", false, &t));
  EXPECT_EQ(FormatUtc(t), "2021-08-07 12:30:00");
  EXPECT_FALSE(ParseUtcTime("2021-08-07T24:00", false, &t));
  EXPECT_FALSE(ParseUtcTime("07.08.2021", false, &t));

  // A period given moves the check; the log's own year no longer counts.
  LintOptions options;
  options.period_given = ParseUtcTime("2021-08-07T12:00", false, &options.start) &&
                         ParseUtcTime("2021-08-08T11:59:59", true, &options.end);
  const LintResult result = LintCabrillo(Join(kCleanLog), Countries(), options);
  EXPECT_EQ(result.errors, 4);
  EXPECT_EQ(result.findings[0].rule, "period");
}

TEST(YodxLintTest, CompactRemovesOnlyThePadding) {
  const std::string log =
      "START-OF-LOG: 3.0\r\n"
      "LOCATION: \r\n"
      "SOAPBOX:   two  blanks  kept\r\n"
      "QSO:  7025 CW 2021-08-28 1200 YO3ABC        599 BU     YO2LEL        599 AR\r\n"
      "x-qso:\t14025\tCW 2021-08-28 1201 YO3ABC 599 BU DL1ABC 599 001   \n"
      "END-OF-LOG:";
  EXPECT_EQ(CompactCabrillo(log),
            "START-OF-LOG: 3.0\r\n"
            "LOCATION: \r\n"
            "SOAPBOX:   two  blanks  kept\r\n"
            "QSO: 7025 CW 2021-08-28 1200 YO3ABC 599 BU YO2LEL 599 AR\r\n"
            "x-qso: 14025 CW 2021-08-28 1201 YO3ABC 599 BU DL1ABC 599 001\n"
            "END-OF-LOG:");
}

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream buf;
  buf << in.rdbuf();
  return buf.str();
}

// The plug-in's own Cabrillo file of every bundled log is what the robot
// accepts: within the upload page's limit (the big weekend's compacted by
// the plug-in itself), 160 m contacts and duplicates the only findings.
TEST(YodxLintTest, PluginFilesOfTheSamplesPass) {
  const std::filesystem::path examples = STATS_EXAMPLES_DIR;
  const char* const kDebianCty = "/usr/share/hamradio-files/cty.dat";
  if (!std::filesystem::exists(examples / "yo3abc.log") || !std::ifstream(kDebianCty)) {
    GTEST_SKIP() << "no sample logs or no hamradio-files here";
  }
  CtyFile countries;
  std::string error;
  ASSERT_TRUE(countries.Load(kDebianCty, &error)) << error;
  int compacted = 0;
  for (const char* sample : {"yo3abc.log", "yo3abc.adi", "dl1abc.log", "dl1abc.adi"}) {
    stats::testing::ScratchDir scratch;
    stats::testing::FreshPlugin();
    stats::testing::UiScript ui;  // answers the header dialog and the "Output" box
    ReplayOptions options;
    options.log_path = (examples / sample).string();
    options.cty_path = kDebianCty;
    options.exports = &stats::testing::Plugin();
    options.output = true;
    Replay replay(options);
    ASSERT_TRUE(replay.Run(&error)) << error;
    const std::string own = ReadAll(replay.result().cabrillo_file);
    ASSERT_FALSE(own.empty()) << sample;

    // The 2,000-contact weekend's file is compacted to fit the upload page.
    EXPECT_LE(own.size(), kUploadLimitBytes) << sample;
    compacted += own.find("\r\nQSO: 14027 CW 2021-08-28 1200 YO3ABC 599 BU ") != std::string::npos;
    const LintResult result = LintCabrillo(own, countries, LintOptions{});
    int band160 = 0;
    EXPECT_EQ(result.errors, 0) << sample;
    for (const Finding& f : result.findings) {
      EXPECT_EQ(f.severity, Severity::kWarning) << sample << ":" << f.line << ": " << f.message;
      EXPECT_TRUE(f.rule == "band" || f.rule == "duplicate") << f.message;
      band160 += f.rule == "band";
    }
    EXPECT_GT(band160, 0) << sample;
  }
  EXPECT_EQ(compacted, 2);  // the ADIF and the Cabrillo log of that weekend
}

}  // namespace
}  // namespace yodx
