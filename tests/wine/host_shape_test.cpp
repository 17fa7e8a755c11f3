// The plug-in against a host of the real host's shape: its automation
// object on this thread (the one that calls the exports), so that every
// read the window thread makes waits until this thread pumps, and a host
// that is busy, slow, modal, answers "retry later", or calls the exports
// back from inside a member.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
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

// Another thread of the host sits in a library's entry point for a while
// (it holds the loader's lock), so no new thread can start yet: SHOWINFO
// still returns at once, and the windows come when the thread can run.
TEST_F(HostShapeTest, OpeningReturnsAtOnce) {
  using Lock = LONG(NTAPI*)(ULONG, ULONG*, ULONG_PTR*);
  using Unlock = LONG(NTAPI*)(ULONG, ULONG_PTR);
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  using Any = void (*)();  // GetProcAddress's type fits no export
  const auto lock =
      reinterpret_cast<Lock>(reinterpret_cast<Any>(GetProcAddress(ntdll, "LdrLockLoaderLock")));
  const auto unlock =
      reinterpret_cast<Unlock>(reinterpret_cast<Any>(GetProcAddress(ntdll, "LdrUnlockLoaderLock")));
  ASSERT_TRUE(lock != nullptr && unlock != nullptr);
  FakeHost host;
  HANDLE held = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::thread loading([&] {
    ULONG_PTR cookie = 0;
    lock(0, nullptr, &cookie);
    SetEvent(held);
    Sleep(2000);
    unlock(0, cookie);
  });
  WaitForSingleObject(held, 5000);
  const DWORD start = GetTickCount();
  Plugin().RunCommand0(0, "SHOWINFO");
  EXPECT_LT(Elapsed(start), 500u);
  EXPECT_TRUE(PumpUntil(5000, [] { return Title(DxccWindow()) == "YO-DX 20m"; }));
  loading.join();
  CloseHandle(held);
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

// FreeLibrary with the windows open, while the window thread's read waits
// for this thread (which sits in FreeLibrary and cannot answer), or while it
// idles. Either way FreeLibrary returns at once, and the host lives on: it
// uses the loader and pumps, the read is answered or cancelled, and the
// thread closes its windows and frees whatever the library left it.
TEST_F(HostShapeTest, UnloadWithTheWindowsOpenLeavesALiveHost) {
  for (const bool reading : {true, false}) {
    SCOPED_TRACE(reading ? "a read waiting" : "idle");
    FakeHost host;
    UnloadPlugin();
    // A copy of its own: the module may stay mapped for the thread it left.
    const std::string copy =
        (dir_.path() / (reading ? "Stats-reading.dll" : "Stats-idle.dll")).string();
    std::filesystem::copy_file(tools::LoadedPlugin::ProgramFolder() + "Stats.dll", copy);
    tools::LoadedPlugin plugin;
    std::string error;
    ASSERT_TRUE(plugin.Load(copy, &error)) << error;
    plugin.exports().RunCommand0(0, "SHOWINFO");
    ASSERT_TRUE(PumpUntil(5000, [] { return Title(DxccWindow()) == "YO-DX 20m"; }));
    if (reading) {
      host.SetCall("DL1ABC");
      char b27[64] = "", b28[64] = "";
      plugin.exports().CheckCall0("DL1ABC", 0, 0, "CW", "", "", "", "", "", "", "", "", "", "DL", 0,
                                  0, 0, 0.0, 0.0, "", "", "", "", "", "20m", "", b27, b28);
      ASSERT_TRUE(AReadIsWaiting());
    }
    const DWORD start = GetTickCount();
    plugin.Unload();
    EXPECT_LT(Elapsed(start), 3000u);
    // A hang here would be the loader's lock held by a thread that waits for
    // this one: the watchdog ends the run with a message instead.
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread watchdog([done] {
      if (WaitForSingleObject(done, 20000) == WAIT_TIMEOUT) {
        std::fprintf(stderr, "the host's thread hangs after FreeLibrary\n");
        ExitProcess(3);
      }
    });
    for (int i = 0; i < 20; ++i) {
      PumpFor(50);
      HMODULE version = LoadLibraryA("version.dll");
      FreeLibrary(version);
    }
    ExpectAllClosed();
    SetEvent(done);
    watchdog.join();
    CloseHandle(done);
    EXPECT_TRUE(ui_->Messages().empty());
  }
}

// Both reads of a refresh take 6 s, longer than a close waits: the close
// keeps the thread, and SHOWINFO starts no second one while it lives (the
// set opens at once if the thread has ended meanwhile, else at the first
// export after it has): one fresh set that HIDEINFO and the re-arm reach.
TEST_F(HostShapeTest, ACloseThatTimesOutKeepsItsThread) {
  FakeHost host;
  ShowInfo();
  int slow = 2;
  const auto slowRead = [&] {
    if (slow > 0 && slow--) Sleep(6000);
    return S_OK;
  };
  host.OnMember(kGetField, slowRead);
  host.OnMember(kFrequency, slowRead);
  TypeWhileBusy(host, "DL1ABC");
  Plugin().RunCommand0(0, "HIDEINFO");  // serves the first read inside its wait, too late
  Plugin().RunCommand0(0, "SHOWINFO");  // serves the second, too late again
  host.SetCall("YO9AAA");
  EXPECT_TRUE(TypingShows("YO9AAA")) << Title(DxccWindow());
  const std::vector<std::string> commands = host.Commands();
  EXPECT_EQ(std::count(commands.begin(), commands.end(), "<MODE:CW>"), 2);  // two openings
  Plugin().RunCommand0(0, "HIDEINFO");
  ExpectAllClosed();
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
// the host's menu (a posted message) or from inside a call into the host's
// object, is carried out after the wait, never inside it.
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
    host.OnMember(kGetField, [&] {
      if (!fromTheMenu && once) showInfo();
      once = false;
      return S_OK;
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
    bool errorShown;
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
    if (c.errorShown) {
      EXPECT_TRUE(PumpUntil(5000, [&] { return !ui_->Messages().empty(); }));
      EXPECT_GE(rejected, 5);  // asked again for about two seconds, then given up
      EXPECT_LT(rejected, 100);
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
  CheckCall(CallCheck());  // re-armed while the box is up
  PumpFor(800);            // the timer expires inside the box's loop
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
