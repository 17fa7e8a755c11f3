// Entry of contacts through AddData0 and the lines it writes to err.txt.
#include "tests/support/plugin_test.h"

namespace stats {
namespace testing {
namespace {

class EntryTest : public PluginTest {
 protected:
  void SetUp() override {
    PluginTest::SetUp();
    ResetStats(ResetArgs());
  }

  // The report line of a contact, as the report writes it.
  static std::string Line(const Qso& q, const std::string& message,
                          const std::string& county = "") {
    return "QSO:  " + std::to_string(q.freqHz / 1000) + "  " + q.mode + "  2021-08-07 1200  " +
           q.ownCall + "  " + q.rstSent + "  " + q.exchSent + "  " + q.call + "  " + q.rstRcvd +
           "  " + q.exchRcvd + (county.empty() ? "" : "  " + county) + message + "\r\n";
  }

  std::string Lines() const { return Report().substr(sizeof kReportHeader - 1); }
};

TEST_F(EntryTest, RefusalsWriteOneLineAndLeaveTheLogAlone) {
  struct Case {
    const char* band;
    const char* mode;
    const char* exchSent;
    const char* exchRcvd;
    const char* message;
  };
  const Case cases[] = {
      {"30m", "CW", "001", "017", "   NO CONTEST BAND !!!"},
      {"17m", "SSB", "001", "017", "   NO CONTEST BAND !!!"},
      {"12m", "RTTY", "", "", "   NO CONTEST BAND !!!"},  // the band test comes first
      {"20m", "cw", "001", "017", "   NO CONTEST MODE !!!"},
      {"20m", "RTTY", "", "017", "   NO CONTEST MODE !!!"},
      {"20m", "", "001", "017", "   NO CONTEST MODE !!!"},
      {"20m", "CW", "", "017", "   NO RX NUMBER !!!"},
      {"20m", "SSB", "001", "", "   NO RX NUMBER !!!"},
  };
  std::string expected;
  for (const Case& c : cases) {
    Qso q;
    q.band = c.band;
    q.mode = c.mode;
    q.exchSent = c.exchSent;
    q.exchRcvd = c.exchRcvd;
    EXPECT_EQ(AddData(q), 0) << c.band << " " << c.mode;
    expected += Line(q, c.message);
  }
  EXPECT_EQ(Lines(), expected);
  // Nothing was logged: the result has no band rows and an empty total.
  EXPECT_NE(GetResult().find("\tQSOs\tPoints\tDXCC\tCounty\r\nTotal\t 0\t 0\t 0\t 0\r\n"),
            std::string::npos);
}

TEST_F(EntryTest, BandAndModeTestsAreExact) {
  Qso q;
  q.band = "30M";  // not the refused "30m"
  EXPECT_EQ(AddData(q), 1);
  q.band = "6m";
  EXPECT_EQ(AddData(q), 1);
  q.band = "";
  EXPECT_EQ(AddData(q), 1);
  EXPECT_EQ(Lines(), "");
  const std::string result = GetResult();
  EXPECT_NE(result.find("30M\t 1\t 2\t 1\t 0\r\n"), std::string::npos) << result;
  EXPECT_NE(result.find("6m\t 1\t 2\t 1\t 0\r\n"), std::string::npos) << result;
}

TEST_F(EntryTest, EveryDuplicateWritesOneLinePerEarlierMatch) {
  Qso q;
  EXPECT_EQ(AddData(q), 1);
  EXPECT_EQ(AddData(q), 1);
  EXPECT_EQ(AddData(q), 1);
  EXPECT_EQ(Lines(), Line(q, "   DUPE !!!") + Line(q, "   DUPE !!!") + Line(q, "   DUPE !!!"));

  // Another case, band or mode is another contact.
  Qso other = q;
  other.call = "dl1abc";
  EXPECT_EQ(AddData(other), 1);
  other = q;
  other.mode = "SSB";
  EXPECT_EQ(AddData(other), 1);
  other = q;
  other.band = "40m";
  EXPECT_EQ(AddData(other), 1);
  EXPECT_EQ(Lines().size(), 3 * Line(q, "   DUPE !!!").size());
  // Three entries of one contact count once (European stations, 2 points
  // each); the total row counts all six records.
  const std::string result = GetResult();
  EXPECT_NE(result.find("20m\t 3\t 6\t 1\t 0\r\n"), std::string::npos) << result;
  EXPECT_NE(result.find("Total\t 6\t 8\t 2\t 0\r\n"), std::string::npos) << result;
}

TEST_F(EntryTest, RomanianCountyIsNormalisedOrRefused) {
  Qso yo;
  yo.call = "YO9AAA";
  yo.prefix = "YO";
  yo.exchRcvd = " bu ";
  EXPECT_EQ(AddData(yo), 1);
  EXPECT_EQ(Lines(), "");

  Qso serial = yo;
  serial.call = "YO9BBB";
  serial.exchRcvd = "123";
  EXPECT_EQ(AddData(serial), 1);
  EXPECT_EQ(Lines(), Line(serial, "  Romanian Code Area is not acceptable !!!", "123"));

  // Not Romanian: the exchange is not examined.
  Qso lower = yo;
  lower.call = "YO9CCC";
  lower.prefix = "yo";
  EXPECT_EQ(AddData(lower), 1);

  const std::string result = GetResult();
  // Two Romanian contacts score 8 each, "yo" 2 as a European station; only
  // the accepted county counts.
  EXPECT_NE(result.find("20m\t 3\t 18\t 2\t 1\r\n"), std::string::npos) << result;
}

TEST_F(EntryTest, CountyLineComesBeforeTheDuplicateLines) {
  Qso yo;
  yo.call = "YO9AAA";
  yo.prefix = "YR";
  yo.exchRcvd = "b u";
  AddData(yo);
  AddData(yo);
  const std::string county = Line(yo, "  Romanian Code Area is not acceptable !!!", "B U");
  EXPECT_EQ(Lines(), county + county + Line(yo, "   DUPE !!!"));
}

TEST_F(EntryTest, ItalianIslandsCountAsI) {
  Qso q;
  q.call = "IT9AAA";
  q.prefix = "IT9";
  AddData(q);
  q.call = "IG9BBB";
  q.prefix = "IG9";
  AddData(q);
  q.call = "I1CCC";
  q.prefix = "I";
  AddData(q);
  q.call = "IS0DDD";
  q.prefix = "IS0";
  AddData(q);
  EXPECT_NE(GetResult().find("20m\t 4\t 8\t 2\t 0\r\n"), std::string::npos);
}

TEST_F(EntryTest, ReportLinesAccumulateUntilTheNextReset) {
  Qso q;
  q.band = "30m";
  AddData(q);
  ResetStats(ResetArgs());
  EXPECT_EQ(Report(), kReportHeader);
}

TEST_F(EntryTest, InvalidAndNullTimesPrintAsTheDateClassDoes) {
  Qso q;
  q.band = "30m";
  q.time = COleDateTime{44415.5, COleDateTime::kInvalid};
  AddData(q);
  q.time = COleDateTime{44415.5, COleDateTime::kNull};
  AddData(q);
  EXPECT_EQ(Lines(),
            "QSO:  14025  CW  Invalid DateTime  YO3XYZ  599  001  DL1ABC  599  017   NO CONTEST "
            "BAND !!!\r\n"
            "QSO:  14025  CW    YO3XYZ  599  001  DL1ABC  599  017   NO CONTEST BAND !!!\r\n");
}

using FirstEntryTest = PluginTest;

TEST_F(FirstEntryTest, CreatesAnEmptyReportWhenNoResetDid) {
  EXPECT_FALSE(ReportExists());
  EXPECT_EQ(AddData(Qso()), 1);
  EXPECT_TRUE(ReportExists());
  EXPECT_EQ(Report(), "");
}

TEST_F(FirstEntryTest, CleanContactsDoNotTouchTheReportAgain) {
  ResetStats(ResetArgs());
  std::filesystem::remove(dir_.path() / "err.txt");
  EXPECT_EQ(AddData(Qso()), 1);
  EXPECT_FALSE(ReportExists());  // no file I/O for a clean contact
  Qso dupe;
  EXPECT_EQ(AddData(dupe), 1);
  EXPECT_TRUE(ReportExists());  // a line to write creates it again
}

}  // namespace
}  // namespace testing
}  // namespace stats
