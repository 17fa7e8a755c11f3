#include <gtest/gtest.h>

#include "tests/support/scratch_dir.h"
#include "tools/contest/cabrillo_reader.h"
#include "tools/contest/text_encoding.h"

namespace yodx {
namespace {

LogData ReadCabrillo(const std::string& text) {
  LogData log;
  ParseCabrillo(text, "t.log", &log);
  return log;
}

const char kHeader[] =
    "START-OF-LOG: 3.0\r\n"
    "CONTEST: YO-DX-HF\r\n"
    "CALLSIGN: yo3abc\r\n"
    "SOAPBOX: 73: see you next year\r\n";

TEST(YodxCabrilloTest, ReadsHeaderAndQsoLines) {
  const LogData log = ReadCabrillo(
      std::string(kHeader) +
      "QSO: 14027 CW 2021-08-07 1200 YO3ABC        599 BU     YO2LEL        599 ar\r\n"
      "QSO:  7151 PH 2021-08-08 0913 YO3ABC        59  BU     DL1ABC        59  0114 0\r\n"
      "X-QSO: 14027 CW 2021-08-07 1201 YO3ABC 599 BU YO2XXX 599 TM\r\n"
      "END-OF-LOG:\r\n"
      "QSO: 14027 CW 2021-08-07 1202 YO3ABC 599 BU YO2YYY 599 TM\r\n");
  EXPECT_EQ(log.own_call, "YO3ABC");
  EXPECT_TRUE(log.diagnostics.empty());
  ASSERT_EQ(log.contacts.size(), 2u);
  const Contact& a = log.contacts[0];
  EXPECT_EQ(a.freq_hz, 14027000u);
  EXPECT_EQ(a.band, "20m");
  EXPECT_EQ(a.mode, "CW");
  EXPECT_EQ((std::vector<int>{a.year, a.month, a.day, a.hour, a.minute}),
            (std::vector<int>{2021, 8, 7, 12, 0}));
  EXPECT_EQ(a.own_call, "YO3ABC");
  EXPECT_EQ(a.call, "YO2LEL");
  EXPECT_EQ(a.exch_sent, "BU");
  EXPECT_EQ(a.exch_rcvd, "ar");  // exchanges as logged
  EXPECT_EQ(a.line, 5);
  const Contact& b = log.contacts[1];
  EXPECT_EQ(b.band, "40m");
  EXPECT_EQ(b.mode, "SSB");
  EXPECT_EQ(b.rst_rcvd, "59");
  EXPECT_EQ(b.exch_rcvd, "0114");  // the transmitter column is not an exchange
}

TEST(YodxCabrilloTest, ModesAndBands) {
  EXPECT_EQ(ModeFromCabrillo("PH"), "SSB");
  EXPECT_EQ(ModeFromCabrillo("ph"), "SSB");
  EXPECT_EQ(ModeFromCabrillo("cw"), "CW");
  EXPECT_EQ(ModeFromCabrillo("RY"), "RTTY");
  EXPECT_EQ(ModeFromCabrillo("FM"), "FM");
  EXPECT_EQ(ModeFromCabrillo("DG"), "DG");

  const struct {
    double khz;
    const char* band;
  } edges[] = {{1800, "160m"}, {2000, "160m"}, {3500, "80m"},  {3799, "80m"},  {7300, "40m"},
               {10100, "30m"}, {10150, "30m"}, {14000, "20m"}, {14350, "20m"}, {18068, "17m"},
               {21450, "15m"}, {24890, "12m"}, {24990, "12m"}, {28000, "10m"}, {29700, "10m"},
               {50100, "6m"},  {1799, ""},     {13999, ""},    {14351, ""},    {29701, ""}};
  for (const auto& e : edges) EXPECT_EQ(BandFromKhz(e.khz), e.band) << e.khz;

  const LogData log = ReadCabrillo(
      "QSO: 50 CW 2021-08-07 1200 YO3ABC 599 BU DL1ABC 599 1\n"
      "QSO: 14085 RY 2021-08-07 1200 YO3ABC 599 BU DL1ABC 599 1\n");
  ASSERT_EQ(log.contacts.size(), 2u);
  EXPECT_EQ(log.contacts[0].band, "6m");  // a band designator instead of kHz
  EXPECT_EQ(log.contacts[1].mode, "RTTY");
}

// Lines as loggers write them: separated by no-break spaces or tabs, with a
// field left out or one too many. Each is read by its two calls where the
// columns are not Cabrillo's, and then named with a warning.
TEST(YodxCabrilloTest, LinesAreReadByTheirCallsWhereTheColumnsAreNotCabrillos) {
  const struct {
    const char* line;
    const char* fields;  // "call: rst exch / rst exch", as read
    bool warned;
  } kLines[] = {
      {"\xA0 7000\xA0PH 2016-12-26 0725 LZ1FFF 599 002 LZ2BE 599 027\xA0\xA0 \xA0",
       "LZ2BE: 599 002 / 599 027", false},
      {"\t7127\tPH\t2016-12-26\t0700\tLZ1KDP\t599\t001\tLZ1XE\t599\t001",
       "LZ1XE: 599 001 / 599 001", false},
      {"7127\xC2\xA0PH 2016-12-26 0700 LZ1KDP 599 001 LZ1XE\xC2\xA0"
       "599 001 0",
       "LZ1XE: 599 001 / 599 001", false},
      // A field left out, a report or an exchange.
      {"3513 CW 2016-08-20 0814 LZ0FN 009 LZ0FY 023 015", "LZ0FY:  009 / 023 015", true},
      {"14025 CW 2021-08-07 1200 YO3ABC BU DL1ABC 599 001", "DL1ABC:  BU / 599 001", true},
      {"14025 CW 2021-08-07 1200 DL1ABC 599 001 OH2XX 599", "OH2XX: 599 001 / 599 ", true},
      {"14025 CW 2021-08-07 1200 DL1ABC 599 001 OH2XX 002", "OH2XX: 599 001 /  002", true},
      // No report sent; a serial, not a transmitter, after the report received.
      {"14025 CW 2021-08-07 1200 DL1ABC 001 OH2XX 599 5", "OH2XX:  001 / 599 5", true},
      // Serials with letters are no calls.
      {"7030 CW 2016-12-26 0811 LZ1GG 007EP LZ3ZZ 034 008", "LZ3ZZ:  007EP / 034 008", true},
      {"7030 CW 2016-12-26 0811 LZ1GG 1EP LZ3ZZ 599 034", "LZ3ZZ:  1EP / 599 034", true},
      // One too many, before the received call and after it.
      {"14025 CW 2021-08-07 1200 YO3ABC 599 599 BU DL1ABC 599 001", "DL1ABC: 599 599 BU / 599 001",
       true},
      {"14025 CW 2021-08-07 1200 DL1ABC 599 001 YO3ABC 599 BU 7 1", "YO3ABC: 599 001 / 599 BU 7",
       true},
  };
  for (const auto& l : kLines) {
    const LogData log = ReadCabrillo(std::string("QSO:") + l.line + "\n");
    ASSERT_EQ(log.contacts.size(), 1u) << l.line;
    const Contact& c = log.contacts[0];
    EXPECT_EQ(
        c.call + ": " + c.rst_sent + " " + c.exch_sent + " / " + c.rst_rcvd + " " + c.exch_rcvd,
        l.fields)
        << l.line;
    EXPECT_EQ(log.warned, l.warned ? 1 : 0) << l.line;
    EXPECT_EQ(log.skipped, 0) << l.line;
    if (l.warned) {
      ASSERT_EQ(log.diagnostics.size(), 1u);
      EXPECT_TRUE(log.diagnostics[0].warning);
      EXPECT_NE(log.diagnostics[0].ToString().find("t.log:1: warning: QSO line has "),
                std::string::npos)
          << log.diagnostics[0].ToString();
    }
  }
  EXPECT_EQ(SplitFields("LZ1\xD0\xA0X \xA0"), std::vector<std::string_view>{"LZ1\xD0\xA0X"})
      << "a UTF-8 character ending in A0 is no separator";
}

// Windows loggers write "Unicode" files: UTF-16 with a byte-order mark.
TEST(YodxCabrilloTest, LogFilesAreDecodedFromUtf16AndTheirByteOrderMarkDropped) {
  const struct {
    std::string bytes, text;
  } kTexts[] = {
      {std::string("\xFF\xFEQ\0:\0 \0\x20\x04\r\0\n\0", 14), "Q: \xD0\xA0\r\n"},
      {std::string("\xFE\xFF\0Q\0:\xD8\x3D\xDE\x00", 10), "Q:\xF0\x9F\x98\x80"},
      {std::string("\xFF\xFE\x00\xD8Q\0\0", 7),
       "\xEF\xBF\xBDQ\xEF\xBF\xBD"},  // lone surrogate, odd byte
      {"\xEF\xBB\xBFQSO:", "QSO:"},
      {"CLUB: \xD1\xEE\xF4\xE8\xFF", "CLUB: \xD1\xEE\xF4\xE8\xFF"},  // Windows-1251 as it is
  };
  for (const auto& t : kTexts) EXPECT_EQ(DecodeLogText(t.bytes), t.text) << t.text;

  stats::testing::ScratchDir scratch;
  const std::string line = "QSO: 3524 CW 2016-08-20 0800 LZ0DW 599 001 LZ0DN 599 001\r\n";
  std::string utf16 = "\xFF\xFE";
  for (char c : "START-OF-LOG: 2.0\r\nCALLSIGN: LZ0DW\r\n" + line) utf16 += std::string{c, '\0'};
  stats::testing::WriteFileBytes("lz0dw.cbr", utf16);
  LogData log;
  std::string error;
  ASSERT_TRUE(ReadLogFile("lz0dw.cbr", &log, &error)) << error;
  EXPECT_EQ(log.own_call, "LZ0DW");
  ASSERT_EQ(log.contacts.size(), 1u);
  EXPECT_EQ(log.contacts[0].call, "LZ0DN");
}

TEST(YodxCabrilloTest, BadLinesAreSkippedWithLineAndColumn) {
  const struct {
    const char* line;
    const char* field;
    const char* message;
  } cases[] = {
      {"QSO: 14025 CW 2021-08-07 1200 DL1ABC 599 001", "", "columns"},
      {"QSO: 14025 CW 2021-08-07 1200 A B C D E F G H", "", "columns"},
      {"QSO: 14O25 CW 2021-08-07 1200 DL1ABC 599 001 OH2XX 599 5", "freq", "14O25"},
      {"QSO: 14500 CW 2021-08-07 1200 DL1ABC 599 001 OH2XX 599 5", "freq", "outside"},
      {"QSO: 14025 CW 2021-13-07 1200 DL1ABC 599 001 OH2XX 599 5", "date", "2021-13-07"},
      {"QSO: 14025 CW 07-08-2021 1200 DL1ABC 599 001 OH2XX 599 5", "date", "07-08-2021"},
      {"QSO: 14025 CW 2021-08-07 2400 DL1ABC 599 001 OH2XX 599 5", "time", "2400"},
      {"QSO: 14025 CW 2021-08-07 12:0 DL1ABC 599 001 OH2XX 599 5", "time", "12:0"},
      {"QSO: 14025 CW 2021-08-07 1200 DL1ABC 599 001 OH-2XX 599 5", "call", "OH-2XX"},
      {"QSO: 3574 CW 2016-08-20 0940 LZ0FP 090 123 L\\Z0FZ 110 110", "call", "L\\Z0FZ"},
      {"QSO: 14025 CW 2021-08-07 DL1ABC 599 001 OH2XX 599 5", "", "no sent and received call"},
  };
  const std::string good = "QSO: 14025 CW 2021-08-07 1200 DL1ABC 599 001 OH2XX 599 5\n";
  for (const auto& bad : cases) {
    const LogData log = ReadCabrillo(good + bad.line + "\n" + good);
    EXPECT_EQ(log.contacts.size(), 2u) << bad.line;
    EXPECT_EQ(log.skipped, 1) << bad.line;
    ASSERT_FALSE(log.diagnostics.empty()) << bad.line;
    const Diagnostic& d = log.diagnostics[0];
    EXPECT_EQ(d.line, 2) << bad.line;
    EXPECT_EQ(d.field, bad.field) << bad.line;
    EXPECT_NE(d.message.find(bad.message), std::string::npos) << d.ToString();
  }
}

TEST(YodxCabrilloTest, LinesWithoutATagAreReportedNotCounted) {
  const LogData log = ReadCabrillo("START-OF-LOG: 3.0\nthis is not cabrillo\n\n");
  EXPECT_EQ(log.skipped, 0);
  ASSERT_EQ(log.diagnostics.size(), 1u);
  EXPECT_EQ(log.diagnostics[0].ToString(), "t.log:2: not a Cabrillo line (no TAG:)");
}

TEST(YodxLogFormatTest, ToldApartByContent) {
  EXPECT_EQ(DetectFormat("free text\n<ADIF_VER:5>3.1.2<EOH>"), LogFormat::kAdif);
  EXPECT_EQ(DetectFormat("\xEF\xBB\xBF<call:6>DL1ABC<eor>"), LogFormat::kAdif);
  EXPECT_EQ(DetectFormat("\r\n  start-of-log: 3.0\r\nQSO: ..."), LogFormat::kCabrillo);
  EXPECT_EQ(DetectFormat("CALLSIGN: YO3ABC\nQSO: 14025 CW ..."), LogFormat::kCabrillo);
  EXPECT_EQ(DetectFormat(""), LogFormat::kUnknown);
  EXPECT_EQ(DetectFormat("CALL,DATE,TIME\nDL1ABC,20210807,1200\n"), LogFormat::kUnknown);
}

}  // namespace
}  // namespace yodx
