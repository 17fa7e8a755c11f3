#include "platform/win32_module.h"

namespace stats {
namespace {

// The thread's main window: visible, enabled, owned by no other window and
// not a tool window (a palette or a floating bar).
BOOL CALLBACK FirstUsableWindow(HWND window, LPARAM found) {
  if (GetWindow(window, GW_OWNER) != nullptr || !IsWindowVisible(window) ||
      !IsWindowEnabled(window) || (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) != 0) {
    return TRUE;
  }
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

}  // namespace

HMODULE TakeModuleReference() {
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                          reinterpret_cast<LPCWSTR>(&__ImageBase), &module)) {
    return nullptr;
  }
  return module;
}

HWND HostWindow() {
  if (HWND active = GetActiveWindow()) return active;
  HWND found = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FirstUsableWindow, reinterpret_cast<LPARAM>(&found));
  return found;
}

}  // namespace stats
