// Fixture for tests through the exports: a fresh working folder and the
// state of a freshly loaded plug-in.
#ifndef STATS_TESTS_SUPPORT_PLUGIN_TEST_H_
#define STATS_TESTS_SUPPORT_PLUGIN_TEST_H_

#include <gtest/gtest.h>

#include <string>

#include "tests/support/host_calls.h"
#include "tests/support/plugin_under_test.h"
#include "tests/support/scratch_dir.h"

namespace stats {
namespace testing {

class PluginTest : public ::testing::Test {
 protected:
  void SetUp() override { FreshPlugin(); }

  std::string Report() const { return ReadFileBytes(dir_.path() / "err.txt"); }
  bool ReportExists() const { return FileExists(dir_.path() / "err.txt"); }
  std::string SettingsFile() const {
    return ReadFileBytes(dir_.path() / "Plugins" / "RE-RA-Dediroz.ini");
  }
  void MakePluginsFolder() const { std::filesystem::create_directory(dir_.path() / "Plugins"); }

  ScratchDir dir_;
};

// The report header a reset writes.
inline const char kReportHeader[] = "YO DX HF Contest UBN file \r\n";

}  // namespace testing
}  // namespace stats

#endif  // STATS_TESTS_SUPPORT_PLUGIN_TEST_H_
