// The information windows' logic with a fake host and a recorded view: what
// a refresh reads, what it shows, and what the DXCC window paints.
#include "infowindows/window_logic.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "hostlink/host_link.h"
#include "infowindows/dxcc_painter.h"
#include "platform/settings.h"
#include "plugin/module.h"
#include "plugin/session.h"
#include "tests/support/scratch_dir.h"

namespace stats {
namespace {

class FakeHost : public HostConnection {
 public:
  std::string call;
  double hertz = 14025000;
  std::string failing;  // "field", "frequency" or "command"
  bool busy = false;    // the failing call is one of a busy or closing host
  std::vector<std::string> calls;

  HostStatus Command(const std::string& text) override {
    calls.push_back(text);
    return Outcome("command", "command refused");
  }
  HostStatus GetField(int field, std::string* text) override {
    calls.push_back("field " + std::to_string(field));
    *text = call;
    return Outcome("field", "no entry line");
  }
  HostStatus Frequency(double* out) override {
    calls.push_back("frequency");
    *out = hertz;
    return Outcome("frequency", "no radio");
  }

 private:
  HostStatus Outcome(const std::string& member, const char* why) const {
    if (failing != member) return HostStatus();
    return busy ? HostStatus::Unavailable(why) : HostStatus::Failed(why);
  }
};

class RecordedView : public InfoWindowView {
 public:
  std::vector<std::string> events;
  std::string countyTitle, dxccTitle;
  CountyFlags flags{};
  DxccPicture picture;

  void ShowDxccWindow() override { events.push_back("dxcc window"); }
  void SetCountyTitle(const std::string& t) override { countyTitle = t; }
  void SetDxccTitle(const std::string& t) override { dxccTitle = t; }
  void SetCountyFlags(const CountyFlags& f) override { flags = f; }
  void RepaintDxcc(const DxccPicture& p) override {
    picture = p;
    events.push_back("repaint");
  }
  void ShowHostError(const std::string& e) override { events.push_back("error: " + e); }
};

CInfo Qso(const std::string& call, const std::string& band, double when, const std::string& mode,
          const std::string& prefix, const std::string& exch, const std::string& county = "") {
  CInfo q;
  q.m_strCall = call;
  q.m_strBand = band;
  q.m_time = {when, COleDateTime::kValid};
  q.m_strMode = mode;
  q.m_strPrefix = prefix;
  q.m_strExchRcvd = exch;
  q.m_strCounty = county;
  return q;
}

class RefreshTest : public ::testing::Test {
 protected:
  RefreshTest() {
    for (int slot = 0; slot < kBandSlots; ++slot) {
      state_.g_WorkedRows[slot] = {kSlotBands[slot], "-", "-", "-"};
    }
    state_.g_ContestYear = "2021";
  }
  void Refresh() { RefreshInfoWindows(lock_, contest_, state_, &host_, view_); }

  std::mutex lock_;
  Contest contest_;
  InfoWindowState state_;
  FakeHost host_;
  RecordedView view_;
};

TEST_F(RefreshTest, GridShowsTheLaterContactOnEachBand) {
  contest_.g_Log.Append(Qso("YO9AAA", "20m", 44415.5, "CW", "YO", "BU", "BU"));
  contest_.g_Log.Append(Qso("YO9AAA", "20m", 44415.75, "SSB", "YO", "CJ", "CJ"));
  contest_.g_Log.Append(Qso("YO9AAA", "40m", 44415.25, "CW", "YO", "xx"));  // county refused
  contest_.g_Log.Append(Qso("DL1ABC", "80m", 44415.5, "CW", "DL", "017"));
  host_.call = "YO9AAA";
  Refresh();
  const auto& rows = view_.picture.rows;
  EXPECT_EQ(rows[3], (std::array<std::string, 4>{"20m", "18:00", "SSB", "CJ"}));
  EXPECT_EQ(rows[2], (std::array<std::string, 4>{"40m", "06:00", "CW", ""}));
  EXPECT_EQ(rows[1], (std::array<std::string, 4>{"80m", "   -", "   -", " -"}));
  EXPECT_EQ(view_.dxccTitle, "YO-DX 2021 worked with YO9AAA");
  EXPECT_EQ(view_.picture.slot, 3);
  EXPECT_EQ(host_.calls, (std::vector<std::string>{"field 5", "frequency", "<SP1>"}));

  host_.call = "DL1ABC";
  Refresh();
  EXPECT_EQ(view_.picture.rows[3][1], "   -");  // the previous call's cells are gone
  EXPECT_EQ(view_.picture.rows[1][3], "017");
}

TEST_F(RefreshTest, ACallOfOneOrTwoCharactersChangesNothing) {
  for (const char* call : {"Y", "YO"}) {
    host_.calls.clear();
    view_.events.clear();
    host_.call = call;
    Refresh();
    EXPECT_EQ(host_.calls, std::vector<std::string>{"field 5"});
    EXPECT_EQ(view_.events, std::vector<std::string>{"dxcc window"});
  }
}

TEST_F(RefreshTest, BandsFromTheFrequency) {
  const std::map<double, std::string> titles = {
      {1850000, "YO-DX CNT on 160m 0 of 20"}, {3510000, "YO-DX CNT on 80m 0 of 20"},
      {7000000, "YO-DX CNT on 40m 0 of 20"},  {14025000, "YO-DX CNT on 20m 0 of 20"},
      {21999999, "YO-DX CNT on 15m 0 of 20"}, {28500000, "YO-DX CNT on 10m 0 of 20"},
      {10100000, "YO-DX CNT on  0 of 20"},    {29100000, "YO-DX CNT on  0 of 20"},
      {999999, "YO-DX CNT on  0 of 20"},      {-1850000, "YO-DX CNT on  0 of 20"}};
  for (const auto& t : titles) {
    host_.hertz = t.first;
    Refresh();
    EXPECT_EQ(view_.countyTitle, t.second) << t.first;
    EXPECT_EQ(view_.dxccTitle, "YO-DX " + BandFromFrequency(t.first).name);  // no call
  }
  EXPECT_EQ(state_.g_CurrentBandSlot, -1);
}

TEST_F(RefreshTest, Sp1FollowsTheFrequencyOnlyAfterMoreThan300Hz) {
  int sent = 0;
  for (int i = 0; i < 9; ++i) {
    host_.hertz = 14025000 + 100.0 * i;
    host_.calls.clear();
    Refresh();
    sent += static_cast<int>(std::count(host_.calls.begin(), host_.calls.end(), "<SP1>"));
    EXPECT_EQ(state_.last_sp1_hz, 14025000 + 100.0 * (i - i % 4)) << i;
  }
  EXPECT_EQ(sent, 3);  // refreshes 0, 4 and 8
}

TEST_F(RefreshTest, CountyFlagsAndTheirCount) {
  contest_.g_CountyByBand[3] = {"BU", "CJ", "XX"};  // an entry that is no county code
  contest_.g_CountyByBand[2] = {"AB"};
  Refresh();
  EXPECT_EQ(view_.countyTitle, "YO-DX CNT on 20m 3 of 20");
  std::vector<std::string> ticked;
  for (std::size_t i = 0; i < kCountyBoxes.size(); ++i) {
    if (view_.flags[i]) ticked.push_back(kCountyBoxes[i].code);
  }
  EXPECT_EQ(ticked, (std::vector<std::string>{"BU", "CJ"}));
}

// A failing call ends the refresh with its error; one that a busy or
// closing host could not answer ends it quietly.
TEST_F(RefreshTest, FailingHostCallsEndTheRefreshWithTheirError) {
  for (const bool busy : {false, true}) {
    for (const char* what : {"field", "frequency", "command"}) {
      host_.failing = what;
      host_.busy = busy;
      view_.events.clear();
      state_.last_sp1_hz = 0;
      Refresh();
      const std::string last = view_.events.empty() ? "" : view_.events.back();
      EXPECT_EQ(last.substr(0, 7) == "error: ", !busy) << what << (busy ? " busy" : "");
    }
    EXPECT_EQ(state_.last_sp1_hz, 0);  // a refused "<SP1>" is tried again
  }
}

TEST_F(RefreshTest, NoHostOnlyCreatesTheDxccWindow) {
  RefreshInfoWindows(lock_, contest_, state_, nullptr, view_);
  EXPECT_EQ(view_.events, std::vector<std::string>{"dxcc window"});
}

TEST_F(RefreshTest, RowsWithoutCellsBeforeTheFirstResetPaintEmpty) {
  InfoWindowState fresh;
  host_.call = "DL1ABC";
  RefreshInfoWindows(lock_, contest_, fresh, &host_, view_);
  for (const auto& row : view_.picture.rows) {
    EXPECT_EQ(row, (std::array<std::string, 4>{}));
  }
}

// A paint reads the state as it is now: after the rows went back to "-"
// (a reset) it shows them so, with the call and band of the last refresh.
TEST_F(RefreshTest, APaintShowsTheStateNotTheLastRefresh) {
  contest_.g_Log.Append(Qso("YO9AAA", "20m", 44415.5, "CW", "YO", "BU", "BU"));
  host_.call = "YO9AAA";
  Refresh();
  EXPECT_EQ(CurrentDxccPicture(lock_, contest_, state_).rows[3][1], "12:00");
  state_.g_WorkedRows[3] = {"20m", "-", "-", "-"};
  const DxccPicture now = CurrentDxccPicture(lock_, contest_, state_);
  EXPECT_EQ(now.rows[3][1], "-");
  EXPECT_EQ(now.call, "YO9AAA");
  EXPECT_EQ(now.slot, 3);
}

// A contest over the turn of the year is named after the year it ends in,
// as the reset sets it from the host's dates.
TEST(RefreshYearTest, TheTitleNamesTheYearInWhichTheContestEnds) {
  testing::ScratchDir dir;  // the reset's report and settings go here
  Module module;
  ResetInput input;
  input.start = {MakeOleDate(2021, 12, 31, 12, 0, 0), COleDateTime::kValid};
  input.end = {MakeOleDate(2022, 1, 1, 11, 59, 0), COleDateTime::kValid};
  {
    std::unique_lock<std::mutex> held(module.lock);
    ResetStatistics(module, input, held);
  }
  FakeHost host;
  host.call = "DL1ABC";
  RecordedView view;
  RefreshInfoWindows(module.lock, module.contest, module.windowState, &host, view);
  EXPECT_EQ(view.dxccTitle, "YO-DX 2022 worked with DL1ABC");
}

TEST(DxccPainterTest, GridWithTheCurrentBandHighlighted) {
  DxccPicture p;
  p.call = "YO9AAA";
  p.slot = 3;
  p.rows[3] = {"20m", "18:00", "SSB", "CJ"};
  const std::vector<DrawOp> ops = PaintDxcc(p, 350, 210);  // row height 30
  ASSERT_GE(ops.size(), 2u);
  EXPECT_EQ(ops[0].colour, Rgb(255, 255, 198));
  EXPECT_EQ(ops[1].colour, Rgb(198, 255, 255));
  EXPECT_EQ(std::vector<int>({ops[1].left, ops[1].top, ops[1].right, ops[1].bottom}),
            std::vector<int>({0, 120, 350, 150}));
  std::map<std::pair<int, int>, std::string> texts;
  for (const DrawOp& op : ops) {
    if (op.kind == DrawOp::kText) texts[{op.x, op.y}] = op.text;
  }
  EXPECT_EQ(texts.at({180, 0}), "YO9AAA");
  EXPECT_EQ(texts.at({250, 18}), "COUNTY/NR");
  EXPECT_EQ(texts.at({20, 120}), "20m");
  EXPECT_EQ(texts.at({100, 120}), "18:00");
  EXPECT_EQ(texts.at({180, 120}), "SSB");
  EXPECT_EQ(texts.at({270, 120}), "CJ");
  p.slot = -1;
  EXPECT_EQ(PaintDxcc(p, 350, 210)[1].kind, DrawOp::kText);  // no highlighted line
}

TEST(DxccPainterTest, BandListSortedAndWrapped) {
  std::mutex lock;
  Contest contest;
  InfoWindowState state;
  contest.g_DxccByBand[3] = {"EA", "DL", "9A", "I"};
  FakeHost host;
  RecordedView view;
  RefreshInfoWindows(lock, contest, state, &host, view);
  EXPECT_EQ(contest.g_DxccByBand[3], (std::vector<std::string>{"9A", "DL", "EA", "I"}));
  const std::vector<DrawOp> ops = PaintDxcc(view.picture, 120, 100);
  std::vector<std::tuple<int, int, std::string>> texts;
  for (const DrawOp& op : ops) {
    if (op.kind == DrawOp::kText) texts.emplace_back(op.x, op.y, op.text);
  }
  EXPECT_EQ(ops[0].colour, Rgb(255, 250, 198));
  EXPECT_EQ(texts, (std::vector<std::tuple<int, int, std::string>>{
                       {5, 15, "9A"}, {45, 15, "DL"}, {5, 30, "EA"}, {45, 30, "I"}}));
}

TEST(RefreshTimerTest, ABurstOfChecksGivesOneRefreshAfterTheLast) {
  using std::chrono::milliseconds;
  const RefreshTimer::Clock::time_point t0{};
  RefreshTimer timer;
  timer.Arm(t0, kOpeningRefresh);
  EXPECT_FALSE(timer.Fire(t0 + milliseconds(299)));
  EXPECT_TRUE(timer.Fire(t0 + milliseconds(300)));
  EXPECT_FALSE(timer.Fire(t0 + milliseconds(301)));  // one-shot
  for (int at : {1000, 1100, 1250}) timer.Arm(t0 + milliseconds(at), kTypingRefresh);
  EXPECT_FALSE(timer.Fire(t0 + milliseconds(1579)));
  EXPECT_TRUE(timer.Fire(t0 + milliseconds(1580)));
  EXPECT_FALSE(timer.due().has_value());
}

class RecordedOpening : public CountyWindowOpening {
 public:
  std::vector<std::string> steps;
  FakeHost host;
  bool running = true;
  void PlaceAt(int64_t x, int64_t y) override {
    steps.push_back("place " + std::to_string(x) + "," + std::to_string(y));
  }
  void CreateBrush() override { steps.push_back("brush"); }
  void ArmRefresh(std::chrono::milliseconds ms) override {
    steps.push_back("timer " + std::to_string(ms.count()));
  }
  void SetIcon() override { steps.push_back("icon"); }
  HostConnection* AttachHost() override {
    steps.push_back("attach");
    return running ? &host : nullptr;
  }
  void ShowHostError(const std::string& e) override { steps.push_back("error " + e); }
};

TEST(OpeningTest, StepsInOrderAndPositionsShared) {
  testing::ScratchDir dir;
  std::filesystem::create_directory("Plugins");
  std::unique_ptr<SettingsStore> settings = NewPlatformSettings();
  RecordedOpening opening;
  LastPosition last;
  OpenCountyWindow(opening, *settings, &last);
  ConnectCountyWindow(opening);
  EXPECT_EQ(opening.steps,
            (std::vector<std::string>{"place 0,0", "brush", "timer 300", "icon", "attach"}));
  EXPECT_EQ(opening.host.calls, (std::vector<std::string>{"<MODE:CW>", "<BAUDRATE:27>"}));

  EXPECT_EQ(ReadWindowPosition(*settings, kDxccPositionKeys, &last).top, 400);
  SaveWindowPosition(*settings, kDxccPositionKeys, 10, 420, &last);  // only y moved
  EXPECT_EQ(settings->ReadText("dxcc_x", "absent"), "absent");
  EXPECT_EQ(settings->ReadText("dxcc_y", ""), "420");
  // The county window passing the shared pair writes its own position.
  SaveWindowPosition(*settings, kCountyPositionKeys, 0, 0, &last);
  EXPECT_EQ(settings->ReadText("oblast_x", ""), "0");
  EXPECT_EQ(settings->ReadText("oblast_y", ""), "0");

  opening.host.failing = "command";
  opening.host.calls.clear();
  opening.steps.clear();
  ConnectCountyWindow(opening);
  EXPECT_EQ(opening.host.calls, std::vector<std::string>{"<MODE:CW>"});
  EXPECT_EQ(opening.steps.back(), "error command refused");
}

}  // namespace
}  // namespace stats
