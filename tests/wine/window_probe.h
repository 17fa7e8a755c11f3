// What the Wine tests read of the plug-in's information windows: the
// windows themselves, found by a control only they hold, their titles,
// the threads of this process; and the fixture of those tests.
#ifndef STATS_TESTS_WINE_WINDOW_PROBE_H_
#define STATS_TESTS_WINE_WINDOW_PROBE_H_

#include <windows.h>
// After windows.h, which it needs.
#include <tlhelp32.h>

#include <string>
#include <utility>

#include "resources/resource.h"
#include "tests/support/plugin_test.h"

namespace stats {
namespace testing {

inline std::string Title(HWND window) {
  char text[128] = "";
  GetWindowTextA(window, text, sizeof text);
  return text;
}

// A visible top-level window of this process holding the control.
struct WindowSearch {
  int control;
  HWND found;
};

inline BOOL CALLBACK FindHolder(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<WindowSearch*>(param);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == GetCurrentProcessId() && IsWindowVisible(window) &&
      GetDlgItem(window, search->control) != nullptr) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

inline HWND WindowWith(int control) {
  WindowSearch search{control, nullptr};
  EnumWindows(FindHolder, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

inline BOOL CALLBACK CountHolders(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<std::pair<int, int>*>(param);
  WindowSearch one{search->first, nullptr};
  FindHolder(window, reinterpret_cast<LPARAM>(&one));
  search->second += one.found != nullptr;
  return TRUE;
}

// How many visible county windows this process shows: one set or more.
inline int CountyWindows() {
  std::pair<int, int> search{1015, 0};
  EnumWindows(CountHolders, reinterpret_cast<LPARAM>(&search));
  return search.second;
}

inline HWND CountyWindow() {
  return WindowWith(1015);  // "AB"
}
inline HWND DxccWindow() {
  return WindowWith(IDC_DXCC_INFO);
}

inline int ThreadCount() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  THREADENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  int count = 0;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    count += entry.th32OwnerProcessID == GetCurrentProcessId();
  }
  CloseHandle(snapshot);
  return count;
}

// Tests of the information windows: the settings folder the window
// positions go to, and the windows closed after each test.
class WindowsTest : public PluginTest {
 protected:
  void SetUp() override {
    PluginTest::SetUp();
    MakePluginsFolder();
  }
  void TearDown() override {
    Plugin().RunCommand0(0, "HIDEINFO");
    PluginTest::TearDown();
  }
};

}  // namespace testing
}  // namespace stats

#endif  // STATS_TESTS_WINE_WINDOW_PROBE_H_
