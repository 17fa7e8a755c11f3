// The plug-in against a host of the real host's shape: its automation
// object on this thread (the one that calls the exports), so that every
// read the window thread makes waits until this thread pumps, and a host
// that is busy, slow, modal, answers "retry later", or calls the exports
// back from inside a member.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "tests/support/plugin_test.h"
#include "tests/wine/fake_host.h"
#include "tests/wine/window_probe.h"

namespace stats {
namespace testing {
namespace {

constexpr int kFrequency = 2, kGetField = 8, kCommand = 16;

DWORD Elapsed(DWORD since) {
  return GetTickCount() - since;
}

class HostShapeTest : public WindowsTest {
 protected:
  // Opens the windows and waits for their first refresh, to its end: it
  // lets go of the host's object (a call too) after setting the titles.
  void ShowInfo() {
    Plugin().RunCommand0(0, "SHOWINFO");
    ASSERT_TRUE(PumpUntil(5000, [] { return Title(DxccWindow()) == "YO-DX 20m"; }));
    PumpFor(200);
  }
  // The operator types a call; the refresh's first read then waits for
  // this thread, which stays busy (it does not pump) until the read has
  // reached its queue.
  static void TypeWhileBusy(FakeHost& host, const std::string& call) {
    host.SetCall(call);
    CheckCall(CallCheck());
    ASSERT_TRUE(AReadIsWaiting());
  }
  // The window thread's call into the host's object is a message posted to
  // this thread's apartment window: there is one in the queue. This thread
  // stays busy (peeking without removing serves nothing posted).
  static bool AReadIsWaiting() {
    HWND apartment = nullptr;
    while ((apartment = FindWindowExA(HWND_MESSAGE, apartment, "OleMainThreadWndClass", nullptr)) !=
               nullptr &&
           GetWindowThreadProcessId(apartment, nullptr) != GetCurrentThreadId()) {
    }
    MSG msg;
    for (DWORD waited = 0; apartment != nullptr && waited < 3000; waited += 5) {
      if (PeekMessageA(&msg, apartment, 0, 0, PM_NOREMOVE)) return true;
      Sleep(5);
    }
    return false;
  }
  // A fresh set shows the entered call.
  static bool Showing(const std::string& call) {
    return PumpUntil(5000, [&] {
      return CountyWindow() != nullptr &&
             Title(DxccWindow()).find("worked with " + call) != std::string::npos;
    });
  }
  // The operator types on, a check now and then (each re-arms the refresh,
  // which comes 330 ms after the last), until a set shows the call: an open
  // asked for while an old thread lived happens at the first export after.
  static bool TypingShows(const std::string& call) {
    for (int i = 0; i < 10; ++i) {
      CheckCall(CallCheck());
      if (PumpUntil(700, [&] {
            return Title(DxccWindow()).find("worked with " + call) != std::string::npos;
          })) {
        return true;
      }
    }
    return false;
  }
  static void ExpectAllClosed() {
    EXPECT_TRUE(PumpUntil(3000, [] { return CountyWindow() == nullptr; }));
    EXPECT_EQ(DxccWindow(), nullptr);
  }
};

// No thread can start for a while: a library of the host's holds every new
// one in its entry point. SHOWINFO waits for nothing of its thread's (it
// returns at once), and the windows come when the thread can run.
TEST_F(HostShapeTest, OpeningReturnsAtOnce) {
  FakeHost host;
  Plugin();  // loaded before the gate closes
  HANDLE gate = CreateEventA(nullptr, TRUE, FALSE, "StatsTestThreadGate");
  HMODULE holder = LoadLibraryA((tools::LoadedPlugin::ProgramFolder() + "ThreadGate.dll").c_str());
  ASSERT_NE(holder, nullptr);
  const DWORD start = GetTickCount();
  Plugin().RunCommand0(0, "SHOWINFO");
  EXPECT_LT(Elapsed(start), 500u);
  SetEvent(gate);
  EXPECT_TRUE(PumpUntil(5000, [] { return Title(DxccWindow()) == "YO-DX 20m"; }));
  FreeLibrary(holder);
  CloseHandle(gate);
}

// The host's command handler calls back into the plug-in: the nested
// result must not send the mode commands a second time.
TEST_F(HostShapeTest, AResultSendsTheModeCommandsOnceWhenTheHostCallsBack) {
  FakeHost host;
  ResetStats(ResetArgs());
  int commands = 0;
  host.OnMember(kCommand, [&] {
    if (commands++ == 0) GetResult();
    return S_OK;
  });
  GetResult();
  EXPECT_EQ(host.Commands(), (std::vector<std::string>{"<MODE:CW>", "<BAUDRATE:27>"}));
}

// The host unloads the library with the windows open. FreeLibrary returns at
// once in every shape: the window thread holds a reference to the library of
// its own. The windows stay, working, until the operator closes them; then
// the thread ends and the library leaves the process with it. A load
// meanwhile gets the same library back, its set still open: SHOWINFO then
// gives one set, not two.
TEST_F(HostShapeTest, UnloadWithTheWindowsOpen) {
  enum Shape { kIdle, kAtOnce, kReadPending, kReload, kClosedInARead };
  for (const Shape shape : {kIdle, kAtOnce, kReadPending, kReload, kClosedInARead}) {
    const char* names[] = {"idle", "at-once", "read-pending", "reload", "closed-in-a-read"};
    SCOPED_TRACE(names[shape]);
    FakeHost host;
    // One set opened and closed first: the threads the system starts for
    // the first one (the timer queue's, COM's) live on.
    ShowInfo();
    Plugin().RunCommand0(0, "HIDEINFO");
    UnloadPlugin();
    const int threadsBefore = ThreadCount();
    // A copy of its own, so that its image can be looked for by name.
    const std::string name = std::string("Stats-") + names[shape] + ".dll";
    std::filesystem::copy_file(tools::LoadedPlugin::ProgramFolder() + "Stats.dll",
                               dir_.path() / name);
    tools::LoadedPlugin plugin;
    std::string error;
    ASSERT_TRUE(plugin.Load((dir_.path() / name).string(), &error)) << error;
    const HMODULE image = GetModuleHandleA(name.c_str());
    plugin.exports().RunCommand0(0, "SHOWINFO");
    if (shape != kAtOnce) {
      ASSERT_TRUE(PumpUntil(5000, [] { return Title(DxccWindow()) == "YO-DX 20m"; }));
      PumpFor(300);
    }
    // The operator types a call; the window thread's read waits for this
    // thread, which is busy.
    const auto typeWhileBusy = [&](const char* call) {
      host.SetCall(call);
      char b27[64] = "", b28[64] = "";
      plugin.exports().CheckCall0(call, 0, 0, "CW", "", "", "", "", "", "", "", "", "", "DL", 0, 0,
                                  0, 0.0, 0.0, "", "", "", "", "", "20m", "", b27, b28);
      return AReadIsWaiting();
    };
    if (shape == kReadPending || shape == kClosedInARead) {
      ASSERT_TRUE(typeWhileBusy("DL1ABC"));
    }
    DWORD start = GetTickCount();
    plugin.Unload();
    EXPECT_LT(Elapsed(start), 500u);
    if (shape == kReload) {
      ASSERT_TRUE(plugin.Load((dir_.path() / name).string(), &error)) << error;
      EXPECT_EQ(GetModuleHandleA(name.c_str()), image);
      plugin.exports().RunCommand0(0, "SHOWINFO");
      EXPECT_TRUE(PumpUntil(3000, [] { return Title(DxccWindow()) == "YO-DX 20m"; }));
      PumpFor(300);
      EXPECT_EQ(CountyWindows(), 1);
      start = GetTickCount();
      plugin.Unload();
      EXPECT_LT(Elapsed(start), 500u);
    }
    // The windows outlive the unload, and a read waiting then is answered.
    // In the last shape the host is still busy with the read waiting when
    // the operator closes the windows, and answers right after.
    if (shape != kClosedInARead) {
      ASSERT_TRUE(PumpUntil(5000, [] {
        return Title(DxccWindow()) == "YO-DX 20m" ||
               Title(DxccWindow()) == "YO-DX  worked with DL1ABC";
      }));
    }
    EXPECT_EQ(GetModuleHandleA(name.c_str()), image);
    if (shape == kReadPending) {
      EXPECT_TRUE(
          PumpUntil(3000, [] { return Title(DxccWindow()).find("DL1ABC") != std::string::npos; }));
    }
    // The operator closes them: the windows go, and the library leaves the
    // process with its thread, at once.
    PostMessageA(CountyWindow(), WM_SYSCOMMAND, SC_CLOSE, 0);
    const DWORD closed = GetTickCount();
    EXPECT_TRUE(
        PumpUntil(3000, [] { return CountyWindow() == nullptr && DxccWindow() == nullptr; }));
    EXPECT_LT(Elapsed(closed), 500u);
    EXPECT_TRUE(PumpUntil(3000, [&] { return GetModuleHandleA(name.c_str()) == nullptr; }));
    EXPECT_LT(Elapsed(closed), 500u) << "the library left the process only after that";
    std::printf("%s: image gone %lu ms after the close\n", names[shape], Elapsed(closed));
    EXPECT_TRUE(PumpUntil(3000,
                          [&] {
                            return GetModuleHandleA(name.c_str()) == nullptr &&
                                   ThreadCount() <= threadsBefore;
                          }))
        << ThreadCount() << " threads, " << threadsBefore << " before";
    EXPECT_TRUE(ui_->Messages().empty());
  }
}

// The host ends its process with the windows open and a read waiting: the
// library's part in the exit (it frees nothing then, as the other threads
// were stopped anywhere) neither hangs nor crashes, and the process ends
// with the host's own exit code. The host's side runs in a process of its
// own: this test program again, running the test below.
TEST(ProcessExitTest, TheHostsExitCodeStandsWithTheWindowsOpen) {
  char exe[MAX_PATH];
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  std::string command = std::string("\"") + exe +
                        "\" --gtest_also_run_disabled_tests "
                        "--gtest_filter=HostShapeTest.DISABLED_HostExitsWithAReadWaiting";
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE nothing =
      CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = startup.hStdError = nothing;
  PROCESS_INFORMATION child = {};
  ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                             &startup, &child));
  ASSERT_EQ(WaitForSingleObject(child.hProcess, 30000), WAIT_OBJECT_0);
  DWORD code = 0;
  GetExitCodeProcess(child.hProcess, &code);
  EXPECT_EQ(code, 42u);
  CloseHandle(child.hThread);
  CloseHandle(child.hProcess);
  CloseHandle(nothing);
}

// Run only as the host's process of the test above.
TEST_F(HostShapeTest, DISABLED_HostExitsWithAReadWaiting) {
  FakeHost host;
  ShowInfo();
  TypeWhileBusy(host, "DL1ABC");
  ExitProcess(42);
}

// The host takes 6 s to answer the call that a refresh is making, longer
// than a close waits: HIDEINFO keeps the thread (it still has to let go of
// the host), and the SHOWINFO that follows closes it first and then opens
// one fresh set, which the re-arm and HIDEINFO reach.
TEST_F(HostShapeTest, ACloseThatTimesOutKeepsItsThread) {
  FakeHost host;
  ShowInfo();
  bool slow = true;
  host.OnIncomingCall([&] {
    if (slow) Sleep(6000);
    slow = false;
  });
  TypeWhileBusy(host, "DL1ABC");
  const DWORD start = GetTickCount();
  Plugin().RunCommand0(0, "HIDEINFO");  // serves the call inside its wait, too late
  EXPECT_GE(Elapsed(start), 5000u);
  Plugin().RunCommand0(0, "SHOWINFO");
  host.SetCall("YO9AAA");
  EXPECT_TRUE(TypingShows("YO9AAA")) << Title(DxccWindow());
  EXPECT_EQ(CountyWindows(), 1);
  const std::vector<std::string> commands = host.Commands();
  EXPECT_EQ(std::count(commands.begin(), commands.end(), "<MODE:CW>"), 2);  // two openings
  Plugin().RunCommand0(0, "HIDEINFO");
  ExpectAllClosed();
}

// HIDEINFO while a refresh waits for a slow host (each read takes 1.5 s),
// the read still waiting in the host's queue or the host calling HIDEINFO
// from inside it: the refresh makes no further call, so the windows are gone
// within half a second of the host's answer, or of HIDEINFO when the read
// was not served.
TEST_F(HostShapeTest, AClosedSetAsksTheHostNothingMore) {
  for (const bool fromInside : {false, true}) {
    SCOPED_TRACE(fromInside ? "HIDEINFO from inside the read" : "the read waiting");
    FakeHost host;
    ShowInfo();
    DWORD answered = 0;
    int reads = 0;
    host.OnMember(kGetField, [&] {
      ++reads;
      if (fromInside) Plugin().RunCommand0(0, "HIDEINFO");
      Sleep(1500);
      answered = GetTickCount();
      return S_OK;
    });
    host.OnMember(kFrequency, [&] {
      ++reads;
      Sleep(1500);
      return S_OK;
    });
    TypeWhileBusy(host, "DL1ABC");
    if (!fromInside) Plugin().RunCommand0(0, "HIDEINFO");
    const DWORD hidden = GetTickCount();
    ASSERT_TRUE(PumpUntil(5000, [&] {
      return (!fromInside || answered != 0) && CountyWindow() == nullptr && DxccWindow() == nullptr;
    }));
    const DWORD since = answered != 0 && answered - hidden < 0x80000000u ? answered : hidden;
    EXPECT_LT(GetTickCount() - since, 500u);
    EXPECT_LE(reads, 1);
  }
}

// The host calls SHOWINFO or HIDEINFO from inside a member that serves the
// window thread's read, with no close waiting: the command cannot wait for
// a thread that waits for it, so it returns at once and takes effect when
// the member has returned.
TEST_F(HostShapeTest, ACommandFromInsideAReadReturnsAtOnce) {
  for (const char* command : {"HIDEINFO", "SHOWINFO"}) {
    SCOPED_TRACE(command);
    FakeHost host;
    ShowInfo();
    DWORD took = 0;
    bool once = true;
    host.OnMember(kGetField, [&] {
      if (once) {
        once = false;
        const DWORD start = GetTickCount();
        Plugin().RunCommand0(0, command);
        took = Elapsed(start);
      }
      return S_OK;
    });
    host.SetCall("DL1ABC");
    CheckCall(CallCheck());
    ASSERT_TRUE(PumpUntil(3000, [&] { return !once; }));
    EXPECT_LT(took, 1000u);
    EXPECT_TRUE(PumpUntil(3000, [] { return CountyWindow() == nullptr; }));
    if (std::string(command) == "SHOWINFO") {
      EXPECT_TRUE(TypingShows("DL1ABC"));
      Plugin().RunCommand0(0, "HIDEINFO");
    }
    ExpectAllClosed();
  }
}

// A SHOWINFO that arrives while HIDEINFO waits for the window thread, from
// the host's menu (a posted message) or from inside the call into the host's
// apartment that the refresh is making, is carried out after the wait,
// never inside it.
TEST_F(HostShapeTest, ANestedShowInfoWaitsForTheCloseToFinish) {
  for (const bool fromTheMenu : {true, false}) {
    SCOPED_TRACE(fromTheMenu ? "from the host's menu" : "from a call into the host");
    FakeHost host;
    ShowInfo();
    bool hiding = false, ranInside = false;
    DWORD nestedTook = 0;
    const auto showInfo = [&] {
      ranInside = hiding;
      const DWORD start = GetTickCount();
      Plugin().RunCommand0(0, "SHOWINFO");
      nestedTook = Elapsed(start);
    };
    bool once = true;
    host.OnIncomingCall([&] {
      if (!fromTheMenu && once) showInfo();
      once = false;
    });
    TypeWhileBusy(host, "DL1ABC");
    if (fromTheMenu) host.PostMenuCommand(showInfo);
    hiding = true;
    Plugin().RunCommand0(0, "HIDEINFO");
    hiding = false;
    // A posted command waits for the host's own loop; a call into the
    // host's object must be served inside, but only notes the command.
    EXPECT_TRUE(Showing("DL1ABC"));
    EXPECT_EQ(ranInside, !fromTheMenu);
    EXPECT_LT(nestedTook, 1000u);
    Plugin().RunCommand0(0, "HIDEINFO");
    ExpectAllClosed();
  }
}

TEST_F(HostShapeTest, RetryLaterIsAskedAgainForAWhile) {
  struct Case {
    int rejections;
    bool givenUp;
  };
  for (const Case& c : {Case{3, false}, Case{1000, true}}) {
    SCOPED_TRACE(c.rejections);
    FakeHost host;
    ShowInfo();
    int rejected = 0;
    host.OnMember(kGetField,
                  [&] { return rejected++ < c.rejections ? RPC_E_CALL_REJECTED : S_OK; });
    host.SetCall("YO9AAA");
    CheckCall(CallCheck());
    if (c.givenUp) {
      // Asked again for about two seconds, then given up without a box: the
      // host is only busy, and a later refresh tries again.
      EXPECT_TRUE(PumpUntil(5000, [&] { return rejected >= 5; }));
      PumpFor(2500);
      EXPECT_LT(rejected, 100);
      EXPECT_TRUE(ui_->Messages().empty()) << ui_->Messages()[0];
    } else {
      EXPECT_TRUE(
          PumpUntil(5000, [] { return Title(DxccWindow()) == "YO-DX  worked with YO9AAA"; }));
      EXPECT_TRUE(ui_->Messages().empty()) << ui_->Messages()[0];
    }
    Plugin().RunCommand0(0, "HIDEINFO");
  }
}

// CheckCall0 while a refresh shows the error box: exactly one refresh
// follows once the box is closed.
TEST_F(HostShapeTest, ARearmDuringARefreshLeavesOneRefreshPending) {
  FakeHost host;
  ShowInfo();
  bool failOnce = true;
  host.OnMember(kGetField, [&] {
    const bool fail = failOnce;
    failOnce = false;
    return fail ? E_FAIL : S_OK;
  });
  HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  ui_->InspectMessages([&](void*) { WaitForSingleObject(release, 10000); });
  host.SetCall("YO9AAA");
  CheckCall(CallCheck());
  ASSERT_TRUE(PumpUntil(5000, [&] { return !ui_->Messages().empty(); }));
  const int reads = host.CallReads();
  CheckCall(CallCheck());              // re-armed while the box is up
  PumpFor(800);                        // the timer expires inside the box's loop
  EXPECT_EQ(host.CallReads(), reads);  // no refresh runs nested inside the box
  SetEvent(release);
  EXPECT_TRUE(PumpUntil(3000, [&] { return host.CallReads() == reads + 1; }));
  PumpFor(700);
  EXPECT_EQ(host.CallReads(), reads + 1);
  EXPECT_EQ(Title(DxccWindow()), "YO-DX  worked with YO9AAA");
  CloseHandle(release);
}

// Ink (not the background) in the DXCC grid's cells of one band's row.
int InkInRow(int slot) {
  HWND button = GetDlgItem(DxccWindow(), IDC_DXCC_INFO);
  RECT r;
  GetClientRect(button, &r);
  const int h = r.bottom / 7;
  HDC dc = GetDC(button);
  int ink = 0;
  for (int y = (slot + 1) * h; y < (slot + 2) * h; ++y) {
    for (int x = 90; x < r.right; ++x) {
      const COLORREF c = GetPixel(dc, x, y);
      ink += c != RGB(255, 255, 198) && c != RGB(198, 255, 255);
    }
  }
  ReleaseDC(button, dc);
  return ink;
}

// After a reset the grid's rows are back to "-": a repaint shows that,
// not the picture of the last refresh.
TEST_F(HostShapeTest, ARepaintShowsTheStateAfterAReset) {
  FakeHost host;
  ResetStats(ResetArgs());
  Qso worked;
  worked.call = "YO9AAA";
  worked.prefix = "YO";
  worked.exchRcvd = "BU";
  AddData(worked);
  ShowInfo();
  host.SetCall("YO9AAA");
  CheckCall(CallCheck());
  ASSERT_TRUE(
      PumpUntil(3000, [] { return Title(DxccWindow()) == "YO-DX 2021 worked with YO9AAA"; }));
  PumpFor(200);
  const int worked20m = InkInRow(3);
  ResetStats(ResetArgs());
  InvalidateRect(GetDlgItem(DxccWindow(), IDC_DXCC_INFO), nullptr, FALSE);
  PumpFor(300);
  EXPECT_LT(InkInRow(3) * 2, worked20m);
}

}  // namespace
}  // namespace testing
}  // namespace stats
