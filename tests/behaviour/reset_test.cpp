// ResetStats0 through the exports, with the platform's own settings file.
#include "tests/support/plugin_test.h"

namespace stats {
namespace testing {
namespace {

using ResetTest = PluginTest;

TEST_F(ResetTest, WithoutSettingsFolderTheResetStillStartsTheStatistics) {
  EXPECT_EQ(ResetStats(ResetArgs()), 1);
  EXPECT_FALSE(FileExists(dir_.path() / "Plugins"));  // the writes fail silently
  EXPECT_EQ(Report(), kReportHeader);
  EXPECT_EQ(AddData(Qso()), 1);
  EXPECT_NE(GetResult().find("Total\t 1\t 2\t 1\t 0\r\n"), std::string::npos);
}

TEST_F(ResetTest, StartToggleAlternatesAcrossResets) {
  MakePluginsFolder();
  WriteFileBytes(dir_.path() / "Plugins" / "RE-RA-Dediroz.ini", "[Settings]\r\nMultiplier=1\r\n");
  auto start = [&] {
    return SettingsFile().substr(std::string("[Settings]\r\nMultiplier=1\r\nStart=").size());
  };
  ResetStats(ResetArgs());  // opens the windows
  EXPECT_EQ(start(), "1\r\n");
  ResetStats(ResetArgs());
  EXPECT_EQ(start(), "0\r\n");
  ResetStats(ResetArgs());  // "0" while the windows are open: nothing changes
  EXPECT_EQ(start(), "0\r\n");
  Plugin().RunCommand0(0, "HIDEINFO");  // the operator closes them
  ResetStats(ResetArgs());
  EXPECT_EQ(start(), "1\r\n");
  Plugin().RunCommand0(0, "HIDEINFO");
}

TEST_F(ResetTest, OutputRunLeavesStartAtZero) {
  MakePluginsFolder();
  ResetArgs args;
  args.outputSwitch = 1;
  ResetStats(args);
  const std::string settings = SettingsFile();
  EXPECT_EQ(settings.substr(settings.size() - 9), "Start=0\r\n");
  EXPECT_EQ(settings.find("Start=1"), std::string::npos);
}

TEST_F(ResetTest, ResetEmptiesTheLogAndStartsANewReport) {
  ResetStats(ResetArgs());
  Qso q;
  AddData(q);
  AddData(q);  // a DUPE line
  ASSERT_NE(Report(), kReportHeader);
  ResetStats(ResetArgs());
  EXPECT_EQ(Report(), kReportHeader);
  EXPECT_EQ(CheckCall(CallCheck()), 2);
  AddData(q);
  EXPECT_EQ(Report(), kReportHeader);  // no longer a duplicate
}

TEST_F(ResetTest, OwnStationDecidesThePoints) {
  ResetArgs args;
  args.ownPrefix = "DL";
  args.ownContinent = "EU";
  ResetStats(args);
  AddData(Qso());  // DL: own country
  EXPECT_NE(GetResult().find("20m\t 1\t 1\t 1\t 0\r\n"), std::string::npos);
  args.ownPrefix = "K";
  args.ownContinent = "NA";
  ResetStats(args);
  AddData(Qso());  // other continent
  EXPECT_NE(GetResult().find("20m\t 1\t 4\t 1\t 0\r\n"), std::string::npos);
}

}  // namespace
}  // namespace testing
}  // namespace stats
