// The simple exports and the boundary rules that every export shares.
#include <cstring>

#include "tests/support/plugin_test.h"

namespace stats {
namespace testing {
namespace {

using PluginInterfaceTest = PluginTest;

TEST_F(PluginInterfaceTest, DescribesOneStatisticsSet) {
  const tools::PluginExports& x = Plugin();
  EXPECT_EQ(x.GetNumberOfSets(), 1);
  EXPECT_STREQ(x.GetSetName(0), "YO-DX Contest (C)");
  for (int index : {1, -1, 2, 1 << 30}) {
    const char* name = x.GetSetName(index);
    ASSERT_NE(name, nullptr) << index;
    EXPECT_STREQ(name, "") << index;
  }
  EXPECT_EQ(x.GetExchgCount0("", "", ""), 1);
  EXPECT_EQ(x.GetExchgCount0("a", "b", "c"), 1);
  EXPECT_EQ(x.GetExchgCount0(nullptr, nullptr, nullptr), 1);
  EXPECT_EQ(x.GetSetName(0), x.GetSetName(0));  // a constant of the plug-in
}

TEST_F(PluginInterfaceTest, RunCommandAlwaysAnswersEmptyText) {
  const tools::PluginExports& x = Plugin();
  for (const char* command : {"SHOWINFO", "HIDEINFO", "showinfo", "SHOWINFO ", "", "other"}) {
    const char* reply = x.RunCommand0(0, command);
    ASSERT_NE(reply, nullptr) << command;
    EXPECT_STREQ(reply, "") << command;
  }
  EXPECT_STREQ(x.RunCommand0(5, nullptr), "");
}

TEST_F(PluginInterfaceTest, NullTextsReadAsEmptyAndNullDatesAsNull) {
  const tools::PluginExports& x = Plugin();
  const char* n = nullptr;
  EXPECT_EQ(x.ResetStats0(n, 0, n, nullptr, nullptr, n, n, n, n, n, n, n, n, n, n, 0, 0, 0, 0, 0, n,
                          n, n),
            1);
  EXPECT_EQ(Report(), kReportHeader);
  // Every text null: the exchanges are empty, so the contact is refused.
  EXPECT_EQ(x.AddData0(n, n, nullptr, nullptr, nullptr, nullptr, 0, 14000000, n, n, n, n, n, n, n,
                       n, n, n, n, n, n, n, n, 0, 0, 0, 0, 0, n, n, n, n, n),
            0);
  // Eight empty fields, each after its two-blank separator.
  EXPECT_EQ(Report(), std::string(kReportHeader) + "QSO:  14000" + std::string(16, ' ') +
                          "   NO CONTEST MODE !!!\r\n");
  EXPECT_EQ(x.RemoveData0(n, n, nullptr, nullptr, nullptr, nullptr, 0, 0, n, n, n, n, n, n, n, n, n,
                          n, n, n, n, n, n, 0, 0, 0, 0, 0, n, n, n, n, n),
            0);
  EXPECT_EQ(x.CheckCall0(n, 0, 0, n, n, n, n, n, n, n, n, n, n, n, 0, 0, 0, 0, 0, n, n, n, n, n, n,
                         n, nullptr, nullptr),
            2);
  EXPECT_EQ(x.IsValidExchg0(n, n, n, n, 0, 0, 0), 0);
  const std::string result = GetResult();
  EXPECT_EQ(result.substr(0, 22), "    RE-RA-DEDIROZ -\r\n\t");
}

TEST_F(PluginInterfaceTest, FrequencyIsKeptInWholeKilohertz) {
  ResetStats(ResetArgs());
  Qso qso;
  qso.mode = "RTTY";  // refused, so the report shows the kHz value
  for (uint32_t hz : {999u, 1000u, 14025999u, 4294967295u}) {
    qso.freqHz = hz;
    AddData(qso);
  }
  const std::string line =
      "  RTTY  2021-08-07 1200  YO3XYZ  599  001  DL1ABC  599  017   NO "
      "CONTEST MODE !!!\r\n";
  EXPECT_EQ(Report(), std::string(kReportHeader) + "QSO:  0" + line + "QSO:  1" + line +
                          "QSO:  14025" + line + "QSO:  4294967" + line);
}

}  // namespace
}  // namespace testing
}  // namespace stats
