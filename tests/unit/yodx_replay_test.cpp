#include <gtest/gtest.h>

#include "resources/resource.h"
#include "tests/support/plugin_under_test.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/ui_script.h"
#include "tools/replay/replay.h"

namespace yodx {
namespace {

using stats::testing::ReadFileBytes;
using stats::testing::WriteFileBytes;

const char kCty[] =
    "Romania:                  20:  28:  EU:   45.78:   -24.70:    -2.0:  YO:\n"
    "    YO,YP,YQ,YR;\n"
    "Fed. Rep. of Germany:     14:  28:  EU:   51.00:   -10.00:    -1.0:  DL:\n"
    "    DA,DB,DC,DD,DE,DF,DG,DH,DI,DJ,DK,DL,DM,DN,DO,DP,DQ,DR;\n"
    "Italy:                    15:  28:  EU:   42.82:   -12.58:    -1.0:  I:\n"
    "    4U,I;\n"
    "Sicily:                   15:  28:  EU:   37.50:   -14.00:    -1.0:  *IT9:\n"
    "    IT9,IW9;\n"
    "United States of America: 05:  08:  NA:   37.60:    91.87:     5.0:  K:\n"
    "    AA,K,N,W;\n"
    "Japan:                    25:  45:  AS:   36.40:  -138.38:    -9.0:  JA:\n"
    "    JA;\n";

// Eleven contacts of YO3ABC (Romania, EU). Worked out by hand:
//  20m: DL1AAA 2 pts (same continent), YO5BBB 8 + county CJ, W1AW 4,
//       DL1AAA again = duplicate          -> 3 QSOs, 14 pts, DXCC DL YO K, county CJ
//  40m: YO5BBB 8 + CJ, IT9ABC 2 (stored as I), IK2ABC 2 (I again),
//       YO8CCC 8, serial instead of county -> 4 QSOs, 20 pts, DXCC YO I, county CJ
//  refused: 30m, RTTY, no serial received
//  total 8 logged records, 34 points, 5 DXCC, 2 counties: 34 * (2 + 5) = 238
struct Row {
  const char* call;
  const char* date;
  const char* time;
  const char* band;
  const char* mode;
  const char* srx;
};
const Row kRows[] = {
    {"DL1AAA", "20210807", "1200", "20m", "CW", "5"},
    {"YO5BBB", "20210807", "1201", "20m", "CW", " cj"},
    {"W1AW", "20210807", "1202", "20m", "SSB", "12"},
    {"DL1AAA", "20210807", "1203", "20m", "CW", "5"},
    {"YO5BBB", "20210807", "2300", "40m", "SSB", "CJ"},
    {"IT9ABC", "20210807", "2301", "40m", "CW", "33"},
    {"IK2ABC", "20210807", "2302", "40m", "CW", "7"},
    {"JA1ABC", "20210808", "0100", "30m", "CW", "5"},
    {"OK1ABC", "20210808", "0101", "20m", "RTTY", "5"},
    {"OH2ABC", "20210808", "0102", "20m", "CW", ""},
    {"YO8CCC", "20210808", "1159", "40m", "CW", "123"},
};

const char kExpected[] =
    "    RE-RA-DEDIROZ 07.08-08.08.2021\r\n"
    "\tContestant: YO3ABC \r\n"
    "\tQSOs\tPoints\tDXCC\tCounty\r\n"
    "40m\t 4\t 20\t 2\t 1\r\n"
    "20m\t 3\t 14\t 3\t 1\r\n"
    "Total\t 8\t 34\t 5\t 2\r\n"
    "\r\n"
    "Score: 34*(2 + 5) = 238\r\n";

std::string Field(const char* name, const std::string& value) {
  return "<" + std::string(name) + ":" + std::to_string(value.size()) + ">" + value + " ";
}

std::string AdifLog() {
  std::string text = "hand-made test log\n<EOH>\n";
  for (const Row& r : kRows) {
    text += Field("CALL", r.call) + Field("QSO_DATE", r.date) + Field("TIME_ON", r.time) +
            Field("BAND", r.band) + Field("MODE", r.mode) + Field("STX_STRING", "BU") +
            (r.srx[0] ? Field("SRX_STRING", r.srx) : "") + Field("STATION_CALLSIGN", "YO3ABC") +
            "<EOR>\n";
  }
  return text;
}

std::string CabrilloLog() {
  std::string text = "START-OF-LOG: 3.0\nCALLSIGN: YO3ABC\n";
  const struct {
    const char* band;
    const char* khz;
  } freq[] = {{"20m", "14025"}, {"40m", "7025"}, {"30m", "10110"}};
  for (const Row& r : kRows) {
    const std::string d(r.date);
    std::string khz;
    for (const auto& f : freq) {
      if (std::string(f.band) == r.band) khz = f.khz;
    }
    const std::string mode = std::string(r.mode) == "SSB"    ? "PH"
                             : r.mode == std::string("RTTY") ? "RY"
                                                             : "CW";
    text += "QSO: " + khz + " " + mode + " " + d.substr(0, 4) + "-" + d.substr(4, 2) + "-" +
            d.substr(6) + " " + r.time + " YO3ABC 599 BU " + r.call + " 599 " + r.srx + "\n";
  }
  return text + "END-OF-LOG:\n";
}

class YodxReplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    stats::testing::FreshPlugin();
    WriteFileBytes("cty.dat", kCty);
    WriteFileBytes("log.adi", AdifLog());
    WriteFileBytes("log.cbr", CabrilloLog());
    options_.cty_path = "cty.dat";
    options_.exports = &stats::testing::Plugin();
  }

  stats::testing::ScratchDir scratch_;
  ReplayOptions options_;
};

TEST_F(YodxReplayTest, AdifReplayGivesTheHandWorkedSummary) {
  options_.log_path = "log.adi";
  Replay replay(options_);
  std::string error;
  ASSERT_TRUE(replay.Run(&error)) << error;
  const ReplayResult& r = replay.result();
  EXPECT_EQ(r.summary, kExpected);
  EXPECT_EQ(r.own_prefix, "YO");
  EXPECT_EQ(r.own_continent, "EU");
  EXPECT_EQ(r.added, 11);
  EXPECT_EQ(r.logged, 8);
  EXPECT_EQ(r.refused, 3);
  EXPECT_EQ(r.score, 238);
  ASSERT_EQ(r.tallies.size(), 3u);
  EXPECT_EQ(r.tallies[2].band, "Total");
  EXPECT_EQ(r.tallies[0].points, 20);

  // Every rejection, in log order, with the plug-in's own reason.
  std::vector<std::string> seen;
  for (const Rejection& j : r.rejections) {
    seen.push_back(j.contact->call + " " + j.reason);
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"DL1AAA DUPE !!!", "JA1ABC NO CONTEST BAND !!!",
                                            "OK1ABC NO CONTEST MODE !!!", "OH2ABC NO RX NUMBER !!!",
                                            "YO8CCC Romanian Code Area is not acceptable !!!"}));
  EXPECT_EQ(r.rejections[0].kind, Rejection::kDuplicate);
  EXPECT_EQ(r.rejections[4].kind, Rejection::kCounty);

  // The host's questions after the replay.
  EXPECT_EQ(replay.CheckCall("DL1AAA", "20m", "CW", ""), 0);
  EXPECT_EQ(replay.CheckCall("DL1AAA", "20m", "SSB", ""), 1);  // DL already worked on 20m
  EXPECT_EQ(replay.CheckCall("JA1XYZ", "20m", "CW", ""), 2);
  EXPECT_EQ(replay.CheckCall("YO2DDD", "20m", "CW", "TM"), 2);  // a new county
  EXPECT_EQ(replay.IsValidExchange("YO2DDD", "TM"), 1);
  EXPECT_EQ(replay.IsValidExchange("YO2DDD", "tm"), 0);
  EXPECT_EQ(replay.IsValidExchange("DL1XYZ", "0123"), 1);
}

TEST_F(YodxReplayTest, CabrilloReplayGivesTheSameSummaryAndJson) {
  options_.log_path = "log.cbr";
  options_.out_dir = "out";
  options_.json_path = "result.json";
  Replay replay(options_);
  std::string error;
  ASSERT_TRUE(replay.Run(&error)) << error;
  EXPECT_EQ(replay.result().summary, kExpected);
  // The report went to the output folder, which is now the working one.
  const std::string report = ReadFileBytes(scratch_.path() / "out" / "err.txt");
  EXPECT_EQ(report.compare(0, 28, "YO DX HF Contest UBN file \r\n"), 0);
  EXPECT_NE(report.find("OK1ABC  599  5   NO CONTEST MODE !!!"), std::string::npos);
  const std::string json = ReadFileBytes(scratch_.path() / "result.json");
  EXPECT_NE(json.find("\"score\": 238"), std::string::npos);
  EXPECT_NE(json.find("\"kind\": \"refused\", \"line\": 11, \"call\": \"OK1ABC\""),
            std::string::npos)
      << json;
  EXPECT_NE(
      json.find("{\"band\": \"40m\", \"qsos\": 4, \"points\": 20, \"dxcc\": 2, \"county\": 1}"),
      std::string::npos);
}

TEST_F(YodxReplayTest, UnusableInputStopsTheRunWithAMessage) {
  std::string error;
  options_.log_path = "missing.adi";
  EXPECT_FALSE(Replay(options_).Run(&error));
  EXPECT_NE(error.find("missing.adi"), std::string::npos);

  options_.log_path = "log.adi";
  options_.cty_path = "missing.dat";
  EXPECT_FALSE(Replay(options_).Run(&error));
  EXPECT_NE(error.find("missing.dat"), std::string::npos);

  WriteFileBytes("noown.adi",
                 "<CALL:6>DL1AAA <QSO_DATE:8>20210807 <TIME_ON:4>1200 "
                 "<BAND:3>20m <MODE:2>CW <EOR>\n");
  options_.cty_path = "cty.dat";
  options_.log_path = "noown.adi";
  EXPECT_FALSE(Replay(options_).Run(&error));
  EXPECT_NE(error.find("--call"), std::string::npos);
  options_.own_call = "YO3ABC";
  EXPECT_TRUE(Replay(options_).Run(&error)) << error;
}

TEST(YodxReplayPartsTest, DatesAndSummaryParsing) {
  EXPECT_DOUBLE_EQ(stats::MakeOleDate(2021, 8, 7, 12, 0, 0), 44415.5);
  EXPECT_DOUBLE_EQ(stats::MakeOleDate(1899, 12, 30, 0, 0, 0), 0.0);
  EXPECT_DOUBLE_EQ(stats::MakeOleDate(1900, 3, 1, 6, 0, 0), 61.25);
  Date d;
  EXPECT_TRUE(ParseIsoDate("2021-08-07", &d));
  EXPECT_EQ(d.day, 7);
  EXPECT_FALSE(ParseIsoDate("2021-02-29", &d));
  EXPECT_FALSE(ParseIsoDate("07.08.2021", &d));

  std::vector<Tally> tallies;
  long long score = 0;
  ParseSummary(kExpected, &tallies, &score);
  ASSERT_EQ(tallies.size(), 3u);
  EXPECT_EQ(tallies[1].band, "20m");
  EXPECT_EQ(tallies[1].dxcc, 3);
  EXPECT_EQ(score, 238);
  ParseSummary("garbage\tx\n", &tallies, &score);
  EXPECT_TRUE(tallies.empty());
  EXPECT_EQ(score, -1);

  EXPECT_EQ(JsonString("a\"b\\c\r\n\t\x01"), "\"a\\\"b\\\\c\\r\\n\\t\\u0001\"");
  EXPECT_EQ(JsonString("\xE9t\xE9"), "\"\\u00e9t\\u00e9\"");  // Latin-1
  // UTF-8: S with comma below, a character beyond U+FFFF, and a lead byte
  // without its continuation read as Latin-1.
  EXPECT_EQ(JsonString("\xC8\x98t \xF0\x9F\x93\xBB \xC3."), "\"\\u0218t \\ud83d\\udcfb \\u00c3.\"");
}

TEST(YodxReplayPartsTest, ReasonIsWhatFollowsTheContactsFields) {
  Contact c;
  c.own_call = "YO3ABC";
  c.call = "YO8CCC";
  c.year = 2021, c.month = 8, c.day = 8, c.hour = 11, c.minute = 59;
  c.freq_hz = 7025999;
  c.mode = "CW";
  c.rst_sent = c.rst_rcvd = "599";
  c.exch_sent = "BU";
  c.exch_rcvd = " x1";
  const std::string head = "QSO:  7025  CW  2021-08-08 1159  YO3ABC  599  BU  YO8CCC  599   x1";
  EXPECT_EQ(ReportReason(head + "   DUPE !!!", c), "DUPE !!!");
  EXPECT_EQ(ReportReason(head + "  X1  Romanian Code Area is not acceptable !!!", c),
            "Romanian Code Area is not acceptable !!!");
  EXPECT_EQ(ReportReason("something else", c), "something else");
}

}  // namespace
}  // namespace yodx

namespace yodx {
namespace {

TEST_F(YodxReplayTest, CabrilloOutputRunStoresTheHeaderAndWritesTheLog) {
  stats::testing::UiScript ui;  // answers the header dialog and the "Output" box
  options_.log_path = "log.adi";
  options_.out_dir = "out";
  options_.output = true;
  options_.header_settings = {{"Operators", "YO3ABC\r\nYO3XYZ"}, {"Name", "Ion Popescu"}};
  Replay replay(options_);
  std::string error;
  ASSERT_TRUE(replay.Run(&error)) << error;
  EXPECT_EQ(ui.Seen().at(0).texts.at(IDC_OPERATORS), "YO3ABC<CR><LF>YO3XYZ");
  // The log gives no reports: every line has its two report fields marked.
  EXPECT_EQ(ui.Messages(), std::vector<std::string>{
                               "Output: File produced: YO3ABC.cbr (8 QSO lines marked: \"-\" for "
                               "an empty field or a missing time, \"_\" for a blank inside a "
                               "field; correct them in the log before you submit the file)"});
  const std::string log = ReadFileBytes(replay.result().cabrillo_file);
  EXPECT_NE(log.find("\r\nOPERATORS: YO3ABC\r\nOPERATORS: YO3XYZ\r\n"), std::string::npos);
  EXPECT_NE(log.find("\r\nNAME: Ion Popescu\r\n"), std::string::npos);
  size_t lines = 0;
  for (size_t at = 0; (at = log.find("\r\nQSO: ", at)) != std::string::npos; ++at) ++lines;
  EXPECT_EQ(lines, 8u);  // every logged record, the duplicate too
}

}  // namespace
}  // namespace yodx

namespace yodx {
namespace {

TEST_F(YodxReplayTest, CheckShowsWhatTheWindowsWould) {
  options_.log_path = "log.adi";
  options_.windows = true;
  Replay replay(options_);
  std::string error;
  ASSERT_TRUE(replay.Run(&error)) << error;
  const std::string text = replay.windows()->Describe("YO5BBB", "40m");
  EXPECT_NE(text.find("DXCC window \"YO-DX 2021 worked with YO5BBB\""), std::string::npos);
  EXPECT_NE(text.find("  >> 40m   23:00  SSB   CJ\n"), std::string::npos) << text;
  EXPECT_NE(text.find("     20m   12:01  CW    CJ\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\"YO-DX CNT on 40m 1 of 20\":\n  ticked: CJ (1 of 42)"), std::string::npos);
  EXPECT_NE(text.find("\"YO-DX 40m\":\n  I YO\n"), std::string::npos) << text;
}

}  // namespace
}  // namespace yodx

namespace yodx {
namespace {

TEST_F(YodxReplayTest, ControlCharactersSkipTheRecordAndBandsStillAddUp) {
  std::string log = AdifLog();
  const std::string bad =
      "<CALL:6>DL9XYZ <QSO_DATE:8>20210807 <TIME_ON:4>1300 <BAND:4>2\r0m "
      "<MODE:2>CW <SRX:1>5 <STX:1>1 <EOR>\n";
  WriteFileBytes("bad.adi", log + bad);
  options_.log_path = "bad.adi";
  Replay replay(options_);
  std::string error;
  ASSERT_TRUE(replay.Run(&error)) << error;
  EXPECT_EQ(replay.result().log.skipped, 1);
  EXPECT_EQ(replay.result().added, 11);
  EXPECT_EQ(replay.result().score, 238);  // as without the bad record
  ASSERT_FALSE(replay.result().log.diagnostics.empty());
  EXPECT_EQ(replay.result().log.diagnostics.back().field, "band");
}

TEST_F(YodxReplayTest, AReportThatCannotBeWrittenIsNotClaimed) {
  options_.log_path = "log.adi";
  options_.out_dir = "out";
  std::filesystem::create_directories("out/err.txt");  // a folder where the report goes
  Replay replay(options_);
  std::string error;
  ASSERT_TRUE(replay.Run(&error)) << error;
  EXPECT_FALSE(replay.result().report_written);
  EXPECT_TRUE(replay.result().settings_kept);
  const std::string json = replay.Json();
  EXPECT_NE(json.find("\"duplicates\": null, \"county_not_acceptable\": null"), std::string::npos);
}

TEST_F(YodxReplayTest, TheFirstFolderErrorIsTheOneReported) {
  WriteFileBytes("plain", "a file, not a folder");
  options_.log_path = "log.adi";
  options_.out_dir = "plain/out";
  Replay replay(options_);
  std::string error;
  EXPECT_FALSE(replay.Run(&error));
  EXPECT_EQ(error.rfind("cannot create folder plain/out: ", 0), 0u) << error;
}

}  // namespace
}  // namespace yodx
