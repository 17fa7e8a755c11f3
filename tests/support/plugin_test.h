// Fixture for tests through the exports: a fresh working folder, the state of
// a freshly loaded plug-in, and a UI script that answers its dialogs.
#ifndef STATS_TESTS_SUPPORT_PLUGIN_TEST_H_
#define STATS_TESTS_SUPPORT_PLUGIN_TEST_H_

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/support/host_calls.h"
#include "tests/support/plugin_under_test.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/ui_script.h"

namespace stats {
namespace testing {

class PluginTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FreshPlugin();
    ui_ = std::make_unique<UiScript>();
  }
  void TearDown() override {
    EXPECT_EQ(ui_->Problems(), std::vector<std::string>());
    ui_.reset();
  }

  std::string Report() const { return ReadFileBytes(dir_.path() / "err.txt"); }
  bool ReportExists() const { return FileExists(dir_.path() / "err.txt"); }
  std::string SettingsFile() const {
    return ReadFileBytes(dir_.path() / "Plugins" / "RE-RA-Dediroz.ini");
  }
  void MakePluginsFolder() const { std::filesystem::create_directory(dir_.path() / "Plugins"); }

  ScratchDir dir_;
  std::unique_ptr<UiScript> ui_;
};

// The report header a reset writes.
inline const char kReportHeader[] = "YO DX HF Contest UBN file \r\n";

}  // namespace testing
}  // namespace stats

#endif  // STATS_TESTS_SUPPORT_PLUGIN_TEST_H_
