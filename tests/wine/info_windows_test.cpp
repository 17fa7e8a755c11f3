// The real information windows of the real DLL under Wine, following a fake
// host published in the running object table from this thread.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>

#include "hostlink/host_link.h"
#include "hostlink/host_status_win32.h"
#include "tests/support/plugin_test.h"
#include "tests/wine/fake_host.h"
#include "tests/wine/window_probe.h"

namespace stats {
namespace testing {
namespace {

constexpr int kBoxBU = 1088, kBoxCJ = 1035;

// Waits serving this thread's messages: the host's object lives here.
bool Within(DWORD ms, const std::function<bool()>& condition) {
  return PumpUntil(ms, condition);
}

int Count(const std::vector<std::string>& list, const std::string& item) {
  return static_cast<int>(std::count(list.begin(), list.end(), item));
}

class InfoWindowsTest : public WindowsTest {
 protected:
  void ShowInfo() {
    Plugin().RunCommand0(0, "SHOWINFO");
    ASSERT_TRUE(Within(5000, [] { return CountyWindow() != nullptr; }));
  }
};

TEST_F(InfoWindowsTest, WindowsFollowTheHost) {
  FakeHost host;
  ResetStats(ResetArgs());
  Qso romanian;
  romanian.call = "YO9AAA";
  romanian.prefix = "YO";
  romanian.exchRcvd = "BU";
  AddData(romanian);
  AddData(Qso());
  GetResult();  // builds the band lists, and sends the mode commands once
  EXPECT_EQ(host.Commands(), (std::vector<std::string>{"<MODE:CW>", "<BAUDRATE:27>"}));

  ShowInfo();
  HWND county = CountyWindow();
  ASSERT_TRUE(Within(5000, [&] { return Title(county) == "YO-DX CNT on 20m 1 of 20"; }))
      << Title(county);
  EXPECT_EQ(IsDlgButtonChecked(county, kBoxBU), BST_CHECKED);
  EXPECT_EQ(IsDlgButtonChecked(county, kBoxCJ), BST_UNCHECKED);
  HWND dxcc = DxccWindow();
  ASSERT_NE(dxcc, nullptr);
  EXPECT_EQ(Title(dxcc), "YO-DX 20m");
  const std::vector<std::string> opened = host.Commands();
  EXPECT_EQ(Count(opened, "<MODE:CW>"), 2);  // the result's, then the window's opening
  EXPECT_EQ(Count(opened, "<BAUDRATE:27>"), 2);
  EXPECT_EQ(Count(opened, "<SP1>"), 1);

  // The operator types a worked call: the check re-arms the refresh.
  host.SetCall("YO9AAA");
  CheckCall(CallCheck());
  ASSERT_TRUE(Within(5000, [&] { return Title(dxcc) == "YO-DX 2021 worked with YO9AAA"; }))
      << Title(dxcc);
  // The 20m line of the grid is highlighted.
  HWND button = GetDlgItem(dxcc, IDC_DXCC_INFO);
  RECT r;
  GetClientRect(button, &r);
  const int h = r.bottom / 7;
  EXPECT_TRUE(Within(2000, [&] {
    HDC dc = GetDC(button);
    const COLORREF line = GetPixel(dc, 2, 4 * h + 2), above = GetPixel(dc, 2, 3 * h + 2);
    ReleaseDC(button, dc);
    return line == RGB(198, 255, 255) && above == RGB(255, 255, 198);
  }));

  Plugin().RunCommand0(0, "HIDEINFO");
  EXPECT_EQ(CountyWindow(), nullptr);
  EXPECT_EQ(DxccWindow(), nullptr);
  EXPECT_EQ(ui_->Messages(), std::vector<std::string>());
}

// An operator's evening compressed: bursts of typing (checks), logged
// contacts and results, with pauses of every length, so that refreshes
// start while the host's thread is busy in the exports.
TEST_F(InfoWindowsTest, LongRunOfChecksWhileTheWindowsRefresh) {
  FakeHost host;
  ResetStats(ResetArgs());
  ShowInfo();
  HWND county = CountyWindow();
  const int readsBefore = host.CallReads();
  const DWORD start = GetTickCount();
  int cycles = 0, logged = 0;
  const char* calls[] = {"YO9AAA", "DL1ABC", "", "YO3"};
  while (GetTickCount() - start < 4000) {
    host.SetCall(calls[cycles % 4]);
    host.SetFrequency(cycles % 3 == 0 ? 3510000 : 14025000);
    for (int i = 0; i < 50; ++i) CheckCall(CallCheck());
    Qso q;
    q.call = "DL" + std::to_string(cycles) + "AB";
    logged += AddData(q);
    if (cycles % 10 == 0) GetResult();
    PumpFor(static_cast<DWORD>(250 + (cycles * 37) % 200));  // around the 330 ms refresh delay
    ++cycles;
  }
  // The window thread kept up: it answers at once and shows the last call.
  DWORD_PTR answer = 0;
  EXPECT_NE(SendMessageTimeoutA(county, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &answer), 0);
  host.SetCall("YO9AAA");
  CheckCall(CallCheck());
  EXPECT_TRUE(Within(5000, [] { return Title(DxccWindow()).find("YO9AAA") != std::string::npos; }))
      << Title(DxccWindow());
  EXPECT_GE(host.CallReads() - readsBefore, cycles / 4) << cycles << " cycles";
  EXPECT_NE(GetResult().find("Total\t " + std::to_string(logged) + "\t"), std::string::npos);
  EXPECT_TRUE(ui_->Messages().empty());
}

TEST_F(InfoWindowsTest, WithoutAHostTheWindowsOpenQuietly) {
  UnregisterFakeHost();
  ShowInfo();
  ASSERT_TRUE(Within(5000, [] { return DxccWindow() != nullptr; }));
  PumpFor(400);  // a second refresh would have come by now
  EXPECT_EQ(Title(DxccWindow()), "DXCC");
  EXPECT_EQ(Title(CountyWindow()), "Romania County");
  EXPECT_TRUE(ui_->Messages().empty());
}

TEST_F(InfoWindowsTest, AFailingHostCallShowsItsDescription) {
  FakeHost host;
  host.FailMember(8);
  ShowInfo();
  ASSERT_TRUE(Within(5000, [&] { return !ui_->Messages().empty(); }));
  EXPECT_EQ(ui_->Messages()[0], "YO-DX statistics: fake host failure");
  EXPECT_NE(CountyWindow(), nullptr);  // the windows stay open
}

// Which outcomes of a host call the operator is told of in a box: the
// failures of a working host, not the states of a busy, closing or gone one.
TEST(HostStatusTest, OnlyFailuresShowABox) {
  const struct {
    HRESULT hr;
    bool box;
  } rows[] = {
      {S_OK, false},
      {RPC_E_CALL_REJECTED, false},          // busy in a modal state, past the retries
      {RPC_E_SERVERCALL_RETRYLATER, false},  // the same, said by the host itself
      {RPC_E_CALL_CANCELED, false},          // cancelled here at the time limit or a close
      {RPC_E_DISCONNECTED, false},           // shutting down
      {CO_E_OBJNOTCONNECTED, false},
      {RPC_E_SERVER_DIED, false},
      {RPC_E_SERVER_DIED_DNE, false},
      {RPC_E_INVALID_OBJECT, false},
      {HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE), false},
      {HRESULT_FROM_WIN32(RPC_S_CALL_FAILED), false},  // dropped by a host that shuts down
      {HRESULT_FROM_WIN32(RPC_S_CALL_FAILED_DNE), false},
      {HRESULT_FROM_WIN32(RPC_S_UNKNOWN_IF), false},  // Wine, once the object is cut off
      {DISP_E_EXCEPTION, true},                       // the host raised an error
      {DISP_E_MEMBERNOTFOUND, true},
      {DISP_E_UNKNOWNNAME, true},
      {DISP_E_TYPEMISMATCH, true},
      {DISP_E_BADPARAMCOUNT, true},
      {E_FAIL, true},
      {E_OUTOFMEMORY, true},
  };
  for (const auto& row : rows) {
    const HostStatus status = StatusOfHostCall(row.hr, "");
    const bool box = !status.ok && !status.unavailable;
    EXPECT_EQ(box, row.box) << std::hex << row.hr;
    EXPECT_EQ(status.ok, row.hr == S_OK) << std::hex << row.hr;
    EXPECT_EQ(status.error.empty(), status.ok) << std::hex << row.hr;
  }
  EXPECT_EQ(StatusOfHostCall(DISP_E_EXCEPTION, "no such field").error, "no such field");
}

// Once a thread's guard says stop (its windows are closing), a call on a
// connection it holds goes nowhere and comes back as a state of a host that
// works, not a failure: no box at the close.
TEST(HostLinkTest, ACallAfterTheStopIsNotMadeAndNotAFailure) {
  FakeHost host(false);
  HostCallGuard guard;
  HostStatus status;
  std::atomic<bool> attached{false}, done{false};
  std::thread thread([&] {
    const std::unique_ptr<HostLink> link = NewPlatformHostLink();
    const bool entered = link->EnterThread(&guard);
    if (std::unique_ptr<HostConnection> connection = link->Attach()) {
      attached = true;
      guard.stop = true;
      std::string call;
      status = connection->GetField(5, &call);
    }
    link->LeaveThread(entered);
    done = true;
  });
  PumpUntil(5000, [&] { return done.load(); });  // the host's object lives on this thread
  thread.join();
  ASSERT_TRUE(attached);
  EXPECT_FALSE(status.ok);
  EXPECT_TRUE(status.unavailable);
  EXPECT_EQ(host.CallReads(), 0);
}

// The host disconnects its object (it is shutting down) while a refresh
// reads the entered call: the refresh's next call is refused and it ends
// without a box, and so do the later refreshes, which no longer find it.
TEST_F(InfoWindowsTest, ADisconnectedHostShowsNoBox) {
  FakeHost host;
  int asked = 0;
  host.OnMember(8, [&] {
    if (asked++ == 0) host.Disconnect();
    return S_OK;
  });
  ShowInfo();
  ASSERT_TRUE(Within(5000, [&] { return asked > 0; }));
  PumpFor(300);
  EXPECT_TRUE(ui_->Messages().empty());
  host.SetCall("DL1ABC");
  CheckCall(CallCheck());
  PumpFor(800);  // the refresh comes 330 ms after the check
  EXPECT_TRUE(ui_->Messages().empty());
  EXPECT_NE(CountyWindow(), nullptr);
}

TEST_F(InfoWindowsTest, ShowInfoReopensAndHideInfoClosesOnce) {
  FakeHost host;
  Plugin().RunCommand0(0, "HIDEINFO");  // closed: nothing happens
  ShowInfo();
  ShowInfo();
  ASSERT_TRUE(Within(5000, [&] { return Count(host.Commands(), "<BAUDRATE:27>") == 2; }));
  EXPECT_EQ(Count(host.Commands(), "<MODE:CW>"), 2);
  Plugin().RunCommand0(0, "HIDEINFO");
  Plugin().RunCommand0(0, "HIDEINFO");
  EXPECT_EQ(CountyWindow(), nullptr);
}

// Load, open, unload, and the operator closes the windows, again and again:
// each time the library and its thread leave the process.
TEST(InfoWindowsUnloadTest, FreeLibraryWithTheWindowsOpen) {
  ScratchDir dir;
  UnregisterFakeHost();
  // One set opened and closed first: the threads the system starts for the
  // first one (the timer queue's, COM's) live on.
  Plugin().RunCommand0(0, "SHOWINFO");
  ASSERT_TRUE(Within(5000, [] { return CountyWindow() != nullptr; }));
  Plugin().RunCommand0(0, "HIDEINFO");
  UnloadPlugin();  // this test's loads must be the only ones
  const int threadsBefore = ThreadCount();
  for (int round = 0; round < 20; ++round) {
    tools::LoadedPlugin plugin;
    std::string error;
    ASSERT_TRUE(plugin.Load("", &error)) << error;
    plugin.exports().RunCommand0(0, "SHOWINFO");
    ASSERT_TRUE(Within(5000, [] { return CountyWindow() != nullptr; })) << round;
    plugin.Unload();  // FreeLibrary with the windows open
    PostMessageA(CountyWindow(), WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(Within(3000, [] {
      return CountyWindow() == nullptr && GetModuleHandleA("Stats.dll") == nullptr;
    })) << round;
  }
  EXPECT_TRUE(Within(2000, [&] { return ThreadCount() <= threadsBefore; }))
      << ThreadCount() << " threads, " << threadsBefore << " before";
}

}  // namespace
}  // namespace testing
}  // namespace stats
