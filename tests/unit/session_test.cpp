// The reset's start toggle and the result's side effects, with fakes for the
// window set, the dialogs and the host link.
#include "plugin/session.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "hostlink/host_link.h"
#include "infowindows/info_windows.h"
#include "platform/file_system.h"
#include "platform/settings.h"
#include "plugin/dialogs.h"
#include "plugin/module.h"
#include "scoring/engine.h"
#include "tests/support/scratch_dir.h"

namespace stats {
namespace {

std::vector<std::string>* g_events = nullptr;

class FakeWindows : public InfoWindows {
 public:
  bool open = false;
  bool IsOpen() override { return open; }
  void Open() override { g_events->push_back("open windows"); }
  void Close() override { g_events->push_back("close windows"); }
  void RearmRefresh() override {}
};

class FakeDialogs : public Dialogs {
 public:
  bool ShowHeader(HeaderForm& form) override {
    g_events->push_back("header dialog for " + form.callsign);
    return true;
  }
  bool ShowSetup(SetupForm&) override { return false; }
  void ShowMessage(const std::string& caption, const std::string& text, Icon) override {
    g_events->push_back(caption + ": " + text);
  }
};

class FakeHost : public HostLink {
 public:
  class Connection : public HostConnection {
   public:
    HostStatus Command(const std::string& text) override {
      g_events->push_back("command " + text);
      return HostStatus();
    }
    HostStatus GetField(int, std::string*) override { return HostStatus(); }
    HostStatus Frequency(double*) override { return HostStatus(); }
  };
  bool running = false;
  bool EnterThread(HostCallGuard*) override { return true; }
  void LeaveThread(bool) override {}
  std::unique_ptr<HostConnection> Attach() override {
    if (!running) g_events->push_back("no host");
    return running ? std::make_unique<Connection>() : nullptr;
  }
};

class SessionTest : public ::testing::Test {
 protected:
  SessionTest() {
    g_events = &events_;
    std::filesystem::create_directory("Plugins");
    auto windows = std::make_unique<FakeWindows>();
    auto host = std::make_unique<FakeHost>();
    windows_ = windows.get();
    host_ = host.get();
    module_.windows = std::move(windows);
    module_.host = std::move(host);
    module_.dialogs = std::make_unique<FakeDialogs>();
  }
  ~SessionTest() override { g_events = nullptr; }

  void Reset(int outputSwitch) {
    ResetInput input;
    input.outputSwitch = outputSwitch;
    input.contestant = "YO3XYZ";
    std::unique_lock<std::mutex> held(module_.lock);
    ResetStatistics(module_, input, held);
  }
  const std::string& Result(int* flag) {
    std::unique_lock<std::mutex> held(module_.lock);
    return BuildResult(module_, flag, held);
  }
  std::string Start() { return module_.settings->ReadText("Start", "absent"); }
  void Set(const std::string& key, const std::string& value) {
    WriteSetting(*module_.settings, key, value);
  }

  testing::ScratchDir dir_;  // first: the module's settings file lives here
  std::vector<std::string> events_;
  Module module_;
  FakeWindows* windows_;
  FakeHost* host_;
};

TEST_F(SessionTest, StartToggleTable) {
  struct Row {
    int outputSwitch;
    const char* startBefore;  // nullptr: key absent
    bool windowOpen;
    const char* multiplier;
    const char* events;
    const char* startAfter;
  };
  const Row rows[] = {
      {1, "0", false, "1", "header dialog for YO3XYZ;", "0"},
      {1, nullptr, true, "0", "header dialog for YO3XYZ;", "0"},
      {0, "1", false, "1", "", "0"},
      {0, "7", true, "0", "", "0"},
      {0, "0", true, "1", "", "0"},           // unchanged
      {0, nullptr, true, "1", "", "absent"},  // unchanged
      {0, "0", false, "1", "open windows;", "1"},
      {0, nullptr, false, "2", "open windows;", "1"},
      {0, "abc", false, "0", "", "1"},  // text without digits reads as 0
      {0, "0", false, "abc", "", "1"},
  };
  int index = 0;
  for (const Row& row : rows) {
    testing::ScratchDir fresh;  // no settings file of the previous row
    std::filesystem::create_directory("Plugins");
    events_.clear();
    if (row.startBefore != nullptr) Set("Start", row.startBefore);
    Set("Multiplier", row.multiplier);
    windows_->open = row.windowOpen;
    Reset(row.outputSwitch);
    std::string events;
    for (const std::string& e : events_) events += e + ";";
    EXPECT_EQ(events, row.events) << "row " << index;
    EXPECT_EQ(Start(), row.startAfter) << "row " << index;
    ++index;
  }
}

TEST_F(SessionTest, PlainResetsAlternateWhileTheWindowsAreClosed) {
  Set("Multiplier", "1");
  for (const char* expected : {"1", "0", "1"}) {
    events_.clear();
    Reset(0);
    EXPECT_EQ(Start(), expected);
    EXPECT_EQ(events_.size(), std::string(expected) == "1" ? 1u : 0u);
  }
}

TEST_F(SessionTest, ResetRebuildsRowsAndEmptiesLogButKeepsMultiplierLists) {
  Contest& c = module_.contest;
  InfoWindowState& s = module_.windowState;
  Reset(0);
  QsoInput qso;
  qso.call = "YO9AAA";
  qso.mode = "CW";
  qso.band = "20m";
  qso.exchSent = "1";
  qso.exchRcvd = "BU";
  qso.prefix = "YO";
  AddQso(c, *module_.files, qso);
  Result(nullptr);
  s.g_WorkedRows[3][1] = "12:00";
  Reset(0);
  EXPECT_TRUE(c.g_Log.empty());
  EXPECT_EQ(c.g_Bands.size(), 0u);
  EXPECT_EQ(s.g_WorkedRows[3], (std::vector<std::string>{"20m", "-", "-", "-"}));
  EXPECT_EQ(s.g_WorkedRows[0][0], "160m");
  EXPECT_EQ(c.g_DxccByBand[3], (std::vector<std::string>{"YO"}));
  EXPECT_EQ(c.g_CountyByBand[3], (std::vector<std::string>{"BU"}));
  EXPECT_EQ(testing::ReadFileBytes("err.txt"), "YO DX HF Contest UBN file \r\n");
}

TEST_F(SessionTest, ModeCommandsGoOutOnceAndOnlyWithBothOptionsOff) {
  Reset(0);
  int flag = 5;
  Result(&flag);  // no host yet: tried, and tried again later
  host_->running = true;
  Result(&flag);
  Result(&flag);
  EXPECT_EQ(events_,
            (std::vector<std::string>{"no host", "command <MODE:CW>", "command <BAUDRATE:27>"}));
  EXPECT_EQ(flag, 5);

  events_.clear();
  module_.state.g_HostModeSent = 0;
  Set("Master", "2");  // any non-zero value is on
  Reset(0);
  Result(&flag);
  EXPECT_TRUE(events_.empty());

  Set("Master", "abc");  // no digits: off
  Set("Multiplier", "0");
  Reset(0);
  Result(&flag);
  EXPECT_EQ(events_, (std::vector<std::string>{"command <MODE:CW>", "command <BAUDRATE:27>"}));
}

TEST_F(SessionTest, OutputRunExportsAtEveryResult) {
  Set("Master", "1");
  Reset(1);
  int flag = 0;
  Result(&flag);
  EXPECT_EQ(flag, -1);
  Result(&flag);
  EXPECT_EQ(events_, (std::vector<std::string>{"header dialog for YO3XYZ",
                                               "Output: File produced: YO3XYZ.cbr",
                                               "Output: File produced: YO3XYZ.cbr"}));
}

TEST_F(SessionTest, ScoreIsComputedInSixtyFourBits) {
  Contest& s = module_.contest;
  s.g_OwnPrefix = "YO";
  s.g_OwnContinent = "EU";
  QsoInput qso;
  qso.mode = "CW";
  qso.band = "20m";
  qso.exchSent = "1";
  qso.exchRcvd = "1";
  qso.continent = "NA";  // 4 points each
  for (int i = 0; i < 200000; ++i) {
    qso.call = "K" + std::to_string(i);
    qso.prefix = "P" + std::to_string(i % 3000);
    AddQso(s, *module_.files, qso);
  }
  const std::string& text = Result(nullptr);
  EXPECT_NE(text.find("Score: 800000*(0 + 3000) = 2400000000\r\n"), std::string::npos);
  EXPECT_EQ(s.g_ClaimedScore, INT64_C(2400000000));
  EXPECT_EQ(ReadSettingInt(*module_.settings, "Claimed"), INT64_C(2400000000));
}

TEST_F(SessionTest, BandWithoutSlotTouchesNoPerBandList) {
  Contest& s = module_.contest;
  QsoInput qso;
  qso.call = "DL1A";
  qso.mode = "CW";
  qso.exchSent = "1";
  qso.exchRcvd = "1";
  qso.prefix = "DL";
  qso.band = "20m";
  AddQso(s, *module_.files, qso);
  qso.band = "6m";
  qso.prefix = "F";
  AddQso(s, *module_.files, qso);
  Result(nullptr);
  EXPECT_EQ(s.g_DxccByBand[3], (std::vector<std::string>{"DL"}));
  for (int slot : {0, 1, 2, 4, 5}) EXPECT_TRUE(s.g_DxccByBand[slot].empty()) << slot;

  s.g_CountyByBand[0] = {"BU"};
  qso.prefix = "YO";
  qso.exchRcvd = "BU";
  qso.band = "2m";
  AddQso(s, *module_.files, qso);
  EXPECT_EQ(RemoveQso(s, qso), 1);
  EXPECT_EQ(s.g_CountyByBand[0], (std::vector<std::string>{"BU"}));  // not the 160m list
}

TEST(SortBandsTest, PaddedKeysDescending) {
  BandList bands;
  for (const char* b : {"10m", "160m", "40m", "2m", "80m", "15m", "20m", "", "70cm"}) bands.Add(b);
  SortBands(bands);
  EXPECT_EQ(bands.names(), (std::vector<std::string>{"70cm", "160m", "80m", "40m", "20m", "15m",
                                                     "10m", "2m", ""}));
  BandList equalKeys;  // "0m" and "00m" pad to the same key
  for (const char* b : {"0m", "00m", "1m"}) equalKeys.Add(b);
  SortBands(equalKeys);
  EXPECT_EQ(equalKeys.names(), (std::vector<std::string>{"1m", "00m", "0m"}));
}

}  // namespace
}  // namespace stats
