// The scoring pass as the result summary prints it.
#include "resources/resource.h"
#include "tests/support/plugin_test.h"

namespace stats {
namespace testing {
namespace {

class ResultTest : public PluginTest {
 protected:
  void SetUp() override {
    PluginTest::SetUp();
    MakePluginsFolder();
  }

  static Qso Contact(const std::string& call, const std::string& prefix,
                     const std::string& continent, const std::string& band = "20m",
                     const std::string& exchRcvd = "017") {
    Qso q;
    q.call = call;
    q.prefix = prefix;
    q.continent = continent;
    q.band = band;
    q.exchRcvd = exchRcvd;
    return q;
  }

  static std::string Header() {
    return "    RE-RA-DEDIROZ 07.08-08.08.2021\r\n\tContestant: YO3XYZ \r\n"
           "\tQSOs\tPoints\tDXCC\tCounty\r\n";
  }
};

TEST_F(ResultTest, EmptyLogAfterAReset) {
  ResetStats(ResetArgs());
  EXPECT_EQ(GetResult(), Header() + "Total\t 0\t 0\t 0\t 0\r\n\r\nScore: 0*(0 + 0) = 0\r\n");
  EXPECT_NE(SettingsFile().find("Claimed=0\r\n"), std::string::npos);
}

TEST_F(ResultTest, OneRomanianContactWithACounty) {
  ResetStats(ResetArgs());
  AddData(Contact("YO9AAA", "YO", "EU", "20m", "BU"));
  EXPECT_EQ(GetResult(), Header() + "20m\t 1\t 8\t 1\t 1\r\nTotal\t 1\t 8\t 1\t 1\r\n" +
                             "\r\nScore: 8*(1 + 1) = 16\r\n");
  EXPECT_NE(SettingsFile().find("Claimed=16\r\n"), std::string::npos);
}

TEST_F(ResultTest, PointsByClassOfStation) {
  ResetArgs dx;
  dx.ownPrefix = "DL";  // a German station: not Romanian
  dx.ownContinent = "EU";
  ResetStats(dx);
  AddData(Contact("DL1AAA", "DL", "EU"));
  AddData(Contact("DL2BBB", "DL", "EU"));
  AddData(Contact("YO9CCC", "YO", "EU", "20m", "CJ"));
  AddData(Contact("F5DDD", "F", "EU"));    // same continent
  AddData(Contact("W1EEE", "K", "NA"));    // other continent
  AddData(Contact("JA1FFF", "JA", "AS"));  // other continent
  // 1 + 1 + 8 + 2 + 4 + 4 = 20 points; DXCC DL, YO, F, K, JA; one county.
  EXPECT_NE(GetResult().find("20m\t 6\t 20\t 5\t 1\r\nTotal\t 6\t 20\t 5\t 1\r\n\r\n"
                             "Score: 20*(1 + 5) = 120\r\n"),
            std::string::npos);
}

TEST_F(ResultTest, TwoOwnCountryStationsAndARomanianOne) {
  ResetArgs dx;
  dx.ownPrefix = "DL";
  ResetStats(dx);
  AddData(Contact("DL1AAA", "DL", "EU"));
  AddData(Contact("DL2BBB", "DL", "EU"));
  AddData(Contact("YO9CCC", "YO", "EU", "20m", "CJ"));
  EXPECT_NE(GetResult().find("20m\t 3\t 10\t 2\t 1\r\nTotal\t 3\t 10\t 2\t 1\r\n\r\n"
                             "Score: 10*(1 + 2) = 30\r\n"),
            std::string::npos);
}

TEST_F(ResultTest, MultipliersArePerBandAndEmptyFieldsAreValues) {
  ResetArgs args;
  args.ownPrefix = "";
  args.ownContinent = "";
  ResetStats(args);
  AddData(Contact("YO9AAA", "YO", "EU", "80m", "BU"));
  AddData(Contact("YO9AAA", "YO", "EU", "40m", "BU"));
  AddData(Contact("X1", "", "", "40m"));   // own-country class: prefix equals the empty own prefix
  AddData(Contact("X2", "Q", "", "40m"));  // same continent: both empty
  const std::string text = GetResult();
  EXPECT_NE(text.find("80m\t 1\t 8\t 1\t 1\r\n40m\t 3\t 11\t 3\t 1\r\n"), std::string::npos)
      << text;
  EXPECT_NE(text.find("Score: 19*(2 + 4) = 114\r\n"), std::string::npos) << text;
}

TEST_F(ResultTest, BandsComeOutLongestWavelengthFirst) {
  ResetStats(ResetArgs());
  for (const char* band : {"10m", "160m", "40m", "6m", "15m", "80m", "20m"}) {
    AddData(Contact("DL1AAA", "DL", "EU", band));
  }
  std::string rows;
  const std::string text = GetResult();
  for (std::size_t at = Header().size(); text.compare(at, 5, "Total") != 0;) {
    const std::size_t tab = text.find('\t', at);
    rows += text.substr(at, tab - at) + " ";
    at = text.find("\r\n", at) + 2;
  }
  EXPECT_EQ(rows, "160m 80m 40m 20m 15m 10m 6m ");
}

TEST_F(ResultTest, DuplicateCountsInTheTotalRowOnly) {
  ResetStats(ResetArgs());
  AddData(Contact("DL1AAA", "DL", "EU"));
  AddData(Contact("DL1AAA", "DL", "EU"));
  EXPECT_NE(GetResult().find("20m\t 1\t 2\t 1\t 0\r\nTotal\t 2\t 2\t 1\t 0\r\n"),
            std::string::npos);
}

TEST_F(ResultTest, BeforeAnyResetTheHeaderIsEmpty) {
  EXPECT_EQ(GetResult(),
            "    RE-RA-DEDIROZ -\r\n\tContestant:  \r\n\tQSOs\tPoints\tDXCC\tCounty\r\n"
            "Total\t 0\t 0\t 0\t 0\r\n\r\nScore: 0*(0 + 0) = 0\r\n");
}

TEST_F(ResultTest, TextStaysValidUntilTheNextCallAndFlagIsLeftAlone) {
  ResetStats(ResetArgs());
  int flag = 42;
  const char* first = Plugin().GetResult0(&flag);
  const std::string copy = first;
  AddData(Contact("DL1AAA", "DL", "EU"));
  EXPECT_EQ(std::string(first), copy);  // unchanged until GetResult0 runs again
  EXPECT_EQ(flag, 42);                  // output is off: the flag keeps the host's value
}

TEST_F(ResultTest, ResetDatesAndInvalidDates) {
  ResetArgs args;
  args.start = When(44415.0);  // 7 August 2021
  args.end = When(44416.0);    // 8 August 2021
  ResetStats(args);
  EXPECT_EQ(GetResult().substr(0, 36), "    RE-RA-DEDIROZ 07.08-08.08.2021\r\n");
  args.start = COleDateTime{44415.0, COleDateTime::kInvalid};
  args.end = COleDateTime{44416.0, COleDateTime::kNull};
  ResetStats(args);
  EXPECT_EQ(GetResult().substr(0, 37), "    RE-RA-DEDIROZ Invalid DateTime-\r\n");
}

// The host's timers run inside the header dialog's modal loop and may ask
// for a result there. The header then holds the values loaded for the
// dialog, not an answer: the good file of the last result stays until the
// dialog is answered, and the next file has every line tagged.
TEST_F(ResultTest, AResultWhileTheHeaderDialogIsUpWritesNoFile) {
  WriteFileBytes(dir_.path() / "Plugins" / "RE-RA-Dediroz.ini",
                 "[Settings]\r\nOperators=YO3XYZ<CR><LF>YO3ABC\r\nSoapBox=Hello<CR><LF>73\r\n");
  ResetArgs output;
  output.outputSwitch = 1;
  ResetStats(output);
  AddData(Contact("DL1ABC", "DL", "EU"));
  GetResult();
  const std::string good = ReadFileBytes(dir_.path() / "YO3XYZ.cbr");
  ASSERT_NE(good.find("OPERATORS: YO3XYZ\r\nOPERATORS: YO3ABC\r\n"), std::string::npos) << good;

  std::string inside;
  int insideFlag = 7;
  DialogReply reply;
  reply.whileOpen = [&] { inside = GetResult(&insideFlag); };
  reply.typed = {{IDC_NAME, "Ion Popescu"}};
  ui_->Queue(reply);
  ResetStats(output);
  EXPECT_NE(inside.find("Total\t 0\t"), std::string::npos) << inside;  // the summary still comes
  EXPECT_EQ(insideFlag, 7);
  EXPECT_EQ(ReadFileBytes(dir_.path() / "YO3XYZ.cbr"), good);
  EXPECT_EQ(ui_->Messages().size(), 1u);  // the first result's "Output" only

  GetResult();
  const std::string file = ReadFileBytes(dir_.path() / "YO3XYZ.cbr");
  EXPECT_NE(file.find("OPERATORS: YO3XYZ\r\nOPERATORS: YO3ABC\r\nLOCATION: "), std::string::npos)
      << file;
  EXPECT_NE(file.find("NAME: Ion Popescu\r\n"), std::string::npos);
  EXPECT_NE(file.find("SOAPBOX: Hello\r\nSOAPBOX: 73\r\nEND-OF-LOG:"), std::string::npos);
}

}  // namespace
}  // namespace testing
}  // namespace stats
