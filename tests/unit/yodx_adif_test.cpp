#include <gtest/gtest.h>

#include <random>

#include "tools/contest/adif.h"

namespace yodx {
namespace {

LogData ReadAdif(const std::string& text) {
  LogData log;
  ParseAdif(text, "t.adi", &log);
  return log;
}

const char kGood[] =
    "<CALL:6>DL1ABC <QSO_DATE:8>20210807 <TIME_ON:6>120305 <FREQ:6>14.025 <BAND:3>20m "
    "<MODE:2>CW <RST_SENT:3>599 <RST_RCVD:3>599 <STX:3>001 <SRX:2>17 "
    "<STATION_CALLSIGN:6>YO3ABC <EOR>\n";

TEST(YodxAdifTest, ReadsAFullRecordAfterAHeader) {
  const LogData log = ReadAdif(std::string("made by hand <ADIF_VER:5>3.1.2\n<EOH>\n") + kGood);
  ASSERT_EQ(log.contacts.size(), 1u);
  EXPECT_TRUE(log.diagnostics.empty());
  const Contact& c = log.contacts[0];
  EXPECT_EQ(c.call, "DL1ABC");
  EXPECT_EQ(c.own_call, "YO3ABC");
  EXPECT_EQ((std::vector<int>{c.year, c.month, c.day, c.hour, c.minute, c.second}),
            (std::vector<int>{2021, 8, 7, 12, 3, 5}));
  EXPECT_EQ(c.freq_hz, 14025000u);
  EXPECT_EQ(c.band, "20m");
  EXPECT_EQ(c.mode, "CW");
  EXPECT_EQ(c.exch_sent, "001");
  EXPECT_EQ(c.exch_rcvd, "17");
  EXPECT_EQ(c.line, 3);
}

TEST(YodxAdifTest, NormalisesNamesModesAndBandsButNotExchanges) {
  const LogData log = ReadAdif(
      "<call:6>yo5bbb <qso_date:8>20210807 <time_on:4>2359 <band:3>40M <mode:3>SSB "
      "<submode:3>LSB <stx_string:2>BU <srx_string:4> cj <srx:1>9 <operator:6>yo3abc <eor>\n"
      "<CALL:6>DL1ABC <QSO_DATE:8>20210808 <TIME_ON:4>0001 <FREQ:8>3.512345 <MODE:3>USB "
      "<STX:1>1 <SRX:1>2 <EOR>\n");
  ASSERT_EQ(log.contacts.size(), 2u);
  const Contact& a = log.contacts[0];
  EXPECT_EQ(a.call, "YO5BBB");
  EXPECT_EQ(a.own_call, "YO3ABC");  // OPERATOR when there is no STATION_CALLSIGN
  EXPECT_EQ(a.band, "40m");
  EXPECT_EQ(a.freq_hz, 7000000u);  // no FREQ: the band's lower edge
  EXPECT_EQ(a.mode, "SSB");
  EXPECT_EQ(a.exch_sent, "BU");
  EXPECT_EQ(a.exch_rcvd, " cj ");  // the string form wins and stays as logged
  EXPECT_EQ(a.second, 0);
  const Contact& b = log.contacts[1];
  EXPECT_EQ(b.band, "80m");  // derived from FREQ
  EXPECT_EQ(b.freq_hz, 3512345u);
  EXPECT_EQ(b.mode, "SSB");
  EXPECT_EQ(b.own_call, "");
}

// The host takes CW and SSB. Each spelling of a mode, and the mode the
// contact gets.
TEST(YodxAdifTest, ModeSpellings) {
  const struct {
    const char* fields;
    const char* mode;
  } kModes[] = {
      {"<MODE:3>SSB", "SSB"},
      {"<MODE:3>USB", "SSB"},
      {"<MODE:3>lsb", "SSB"},
      {"<MODE:5>PHONE <SUBMODE:3>USB", "SSB"},
      {"<MODE:5>PHONE <SUBMODE:3>LSB", "SSB"},
      // PHONE is the group of the voice modes, AM and FM too: alone it does
      // not say SSB, so it stays as written, the plug-in refuses the contact
      // (NO CONTEST MODE) and the replay reports it, rather than scoring an
      // FM contact as SSB.
      {"<MODE:5>PHONE", "PHONE"},
      {"<MODE:4>RTTY", "RTTY"},
      {"<MODE:2>cw", "CW"},
  };
  for (const auto& m : kModes) {
    const LogData log =
        ReadAdif(std::string("<CALL:6>DL1ABC <QSO_DATE:8>20210807 <TIME_ON:4>1200 ") +
                 "<BAND:3>20m " + m.fields + " <EOR>");
    ASSERT_EQ(log.contacts.size(), 1u) << m.fields;
    EXPECT_EQ(log.contacts[0].mode, m.mode) << m.fields;
  }
}

TEST(YodxAdifTest, FileWithoutHeaderStartsWithARecord) {
  const LogData log = ReadAdif(kGood);
  EXPECT_EQ(log.contacts.size(), 1u);
  EXPECT_EQ(log.contacts[0].line, 1);
}

TEST(YodxAdifTest, MegahertzParsing) {
  uint32_t hz = 0;
  EXPECT_TRUE(ParseMegahertz("14.025", &hz));
  EXPECT_EQ(hz, 14025000u);
  EXPECT_TRUE(ParseMegahertz("28", &hz));
  EXPECT_EQ(hz, 28000000u);
  EXPECT_TRUE(ParseMegahertz("7.0301239", &hz));  // below 1 Hz dropped
  EXPECT_EQ(hz, 7030123u);
  for (const char* bad : {"", ".", "14,025", "14.0.25", "-7", "4295", "1e3", "14 025"}) {
    EXPECT_FALSE(ParseMegahertz(bad, &hz)) << bad;
  }
}

struct BadRecord {
  const char* record;
  const char* field;    // expected in the diagnostic
  const char* message;  // expected substring
};

TEST(YodxAdifTest, BadRecordsAreSkippedWithFileLineAndField) {
  const BadRecord cases[] = {
      {"<QSO_DATE:8>20210807 <TIME_ON:4>1200 <BAND:3>20m <MODE:2>CW <EOR>", "CALL", "missing"},
      {"<CALL:5>DL-1X <QSO_DATE:8>20210807 <TIME_ON:4>1200 <BAND:3>20m <MODE:2>CW <EOR>", "CALL",
       "not a call sign"},
      // A record over several lines: reported at its first.
      {"<CALL:6>DL1ABC\n<QSO_DATE:8>20210231\n<TIME_ON:4>1200 <BAND:3>20m <MODE:2>CW <EOR>",
       "QSO_DATE", "20210231"},
      {"<CALL:6>DL1ABC <QSO_DATE:8>20210807 <TIME_ON:4>1260 <BAND:3>20m <MODE:2>CW <EOR>",
       "TIME_ON", "1260"},
      {"<CALL:6>DL1ABC <QSO_DATE:8>20210807 <TIME_ON:5>12000 <BAND:3>20m <MODE:2>CW <EOR>",
       "TIME_ON", "12000"},
      {"<CALL:6>DL1ABC <QSO_DATE:8>20210807 <TIME_ON:4>1200 <FREQ:6>14,025 <MODE:2>CW <EOR>",
       "FREQ", "14,025"},
      {"<CALL:6>DL1ABC <QSO_DATE:8>20210807 <TIME_ON:4>1200 <FREQ:6>14.500 <MODE:2>CW <EOR>",
       "FREQ", "outside"},
      {"<CALL:6>DL1ABC <QSO_DATE:8>20210807 <TIME_ON:4>1200 <MODE:2>CW <EOR>", "BAND", "missing"},
      {"<CALL:6>DL1ABC <QSO_DATE:8>20210807 <TIME_ON:4>1200 <BAND:3>20m <EOR>", "MODE", "missing"},
      {"<CALL:x>DL1ABC <QSO_DATE:8>20210807 <TIME_ON:4>1200 <BAND:3>20m <MODE:2>CW <EOR>", "CALL",
       "bad length"},
      {"<CALL:6 DL1ABC <QSO_DATE:8>20210807 <TIME_ON:4>1200 <BAND:3>20m <MODE:2>CW <EOR>", "",
       "malformed tag"},
  };
  for (const BadRecord& bad : cases) {
    // A bad record between two good ones: only it is lost.
    const LogData log = ReadAdif(std::string(kGood) + "\n" + bad.record + "\n" + kGood);
    EXPECT_EQ(log.contacts.size(), 2u) << bad.record;
    EXPECT_EQ(log.skipped, 1) << bad.record;
    bool found = false;
    for (const Diagnostic& d : log.diagnostics) {
      if (d.field == bad.field && d.message.find(bad.message) != std::string::npos) {
        found = true;
        EXPECT_EQ(d.line, 3) << bad.record;
        EXPECT_EQ(d.file, "t.adi");
      }
    }
    EXPECT_TRUE(found) << bad.record << " gave "
                       << (log.diagnostics.empty() ? "nothing" : log.diagnostics[0].ToString());
  }
}

TEST(YodxAdifTest, LengthsPastTheEndAndUnclosedRecordsAreReported) {
  LogData log = ReadAdif(std::string(kGood) + "<CALL:500>DL1ABC <EOR>");
  EXPECT_EQ(log.contacts.size(), 1u);
  EXPECT_EQ(log.skipped, 1);
  ASSERT_FALSE(log.diagnostics.empty());
  EXPECT_NE(log.diagnostics[0].message.find("past the end"), std::string::npos);

  log = ReadAdif(std::string(kGood) + "<CALL:6>DL2ABC <QSO_DATE:8>20210807");
  EXPECT_EQ(log.contacts.size(), 1u);
  EXPECT_EQ(log.skipped, 1);
  ASSERT_EQ(log.diagnostics.size(), 1u);
  EXPECT_NE(log.diagnostics[0].message.find("<EOR>"), std::string::npos);
  EXPECT_EQ(log.diagnostics[0].line, 2);
}

TEST(YodxAdifTest, NoInputMakesItCrash) {
  const std::string good = std::string("hdr <ADIF_VER:5>3.1.2 <EOH>\n") + kGood + kGood;
  // Every truncation, then random byte damage.
  for (size_t n = 0; n <= good.size(); ++n) ReadAdif(good.substr(0, n));
  std::mt19937 rng(5);
  const char noise[] = "<>:0123456789 \nEOR";
  for (int round = 0; round < 3000; ++round) {
    std::string text = good;
    for (int k = 0; k < 4; ++k) {
      text[rng() % text.size()] = noise[rng() % (sizeof noise - 1)];
    }
    const LogData log = ReadAdif(text);
    EXPECT_LE(log.contacts.size(), 2u);
  }
}

}  // namespace
}  // namespace yodx

namespace yodx {
namespace {

TEST(YodxAdifTest, GarbageKeepsABoundedNumberOfDiagnosticsPrintedSafely) {
  const LogData log = ReadAdif(std::string("<EOR>") + std::string(5000, '<'));
  EXPECT_EQ(log.diagnostics.size(), LogData::kKeptDiagnostics);
  EXPECT_GT(log.diagnostics_dropped, 0);
  const Diagnostic raw{"t.adi", 3, "band", "'2\r0m\x01' is not a band"};
  EXPECT_EQ(raw.ToString(), "t.adi:3: field band: '2\\x0d0m\\x01' is not a band");
  EXPECT_EQ(Printable(std::string(500, 'x'), 10), "xxxxxxxxxx...");
}

}  // namespace
}  // namespace yodx
