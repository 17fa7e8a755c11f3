// Files of the plug-in's that another program holds open as the plug-in
// writes them: a viewer that follows the rejection report as it grows.
#include <gtest/gtest.h>
#include <windows.h>

#include "tests/support/plugin_test.h"

namespace stats {
namespace testing {
namespace {

using FilesInUseTest = PluginTest;

// A program that follows err.txt as it grows (it lets others read and
// write it, not delete or rename over it): the next reset still starts the
// report afresh, so the new run's lines are not added to the last run's.
TEST_F(FilesInUseTest, AReportHeldOpenByAViewerIsStillStartedAfresh) {
  ResetStats(ResetArgs());
  AddData(Qso());
  AddData(Qso());  // a duplicate: a report line
  ASSERT_NE(Report(), kReportHeader);
  HANDLE viewer = CreateFileA((dir_.path() / "err.txt").string().c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(viewer, INVALID_HANDLE_VALUE);
  ResetStats(ResetArgs());
  AddData(Qso());
  const std::string report = Report();
  CloseHandle(viewer);
  EXPECT_EQ(report, kReportHeader);
  EXPECT_FALSE(FileExists(dir_.path() / "err.txt.tmp"));
}

}  // namespace
}  // namespace testing
}  // namespace stats
