// The window set on Windows: the Romania County window (dialog 106) and the
// DXCC window (dialog 108) on a thread of their own, served by one message
// loop that lets both windows handle their dialog keys. The host's thread
// talks to the window thread only by posted messages; it never sends one
// and never waits without a time limit.
#include <windows.h>

#include <atomic>

#include "hostlink/host_link.h"
#include "infowindows/dxcc_painter.h"
#include "infowindows/info_windows.h"
#include "infowindows/window_logic.h"
#include "plugin/settings.h"
#include "plugin/win32_module.h"
#include "resources/resource.h"

namespace stats {
namespace {

// Private messages of the county window.
constexpr UINT kArmRefresh = WM_APP + 10;  // wParam: period in milliseconds
constexpr UINT kStopRefresh = WM_APP + 11;
constexpr UINT kConnectHost = WM_APP + 12;

constexpr COLORREF kPaleYellow = RGB(255, 250, 198);
constexpr DWORD kCreationWaitMs = 5000;
constexpr DWORD kCloseWaitMs = 5000;
constexpr DWORD kUnloadWaitMs = 3000;
const char kErrorCaption[] = "YO-DX statistics";

class Win32WindowSet;

// What the window thread owns: both windows, the host connection, the last
// picture and the shared last position.
class WindowThread : public InfoWindowView, public CountyWindowOpening {
 public:
  WindowThread(const WindowContext& context, std::atomic<HWND>* dxccHandle)
      : context_(context), dxccHandle_(dxccHandle) {}

  HWND county = nullptr;
  HWND dxcc = nullptr;
  bool refreshing = false;
  LastPosition last;
  DxccPicture picture;

  const WindowContext& context() const { return context_; }

  void OnTimer() {
    KillTimer(county, kRefreshTimerId);
    if (refreshing) return;  // a host call's message loop delivered another
    refreshing = true;
    RefreshInfoWindows(*context_.lock, *context_.state, host_.get(), *this);
    refreshing = false;
  }

  // Ends the thread's work. At unload the host's thread cannot serve COM
  // calls, so the host's proxy is left unreleased rather than wait for it.
  void Finish(bool unloading) {
    if (dxcc != nullptr) DestroyWindow(dxcc);
    *dxccHandle_ = nullptr;
    if (unloading) {
      static_cast<void>(host_.release());  // left unreleased on purpose, as said above
    } else {
      host_.reset();
      context_.host->LeaveThread(comEntered_);
    }
    if (brush_ != nullptr) DeleteObject(brush_);
  }

  HBRUSH brush() const { return brush_; }

  // InfoWindowView
  void ShowDxccWindow() override;
  void SetCountyTitle(const std::string& title) override { SetWindowTextA(county, title.c_str()); }
  void SetDxccTitle(const std::string& title) override {
    if (dxcc != nullptr) SetWindowTextA(dxcc, title.c_str());
  }
  void SetCountyFlags(const CountyFlags& flags) override {
    for (std::size_t i = 0; i < kCountyBoxes.size(); ++i) {
      CheckDlgButton(county, kCountyBoxes[i].id, flags[i] ? BST_CHECKED : BST_UNCHECKED);
    }
  }
  void RepaintDxcc(const DxccPicture& next) override {
    picture = next;
    if (dxcc != nullptr) InvalidateRect(GetDlgItem(dxcc, IDC_DXCC_INFO), nullptr, FALSE);
  }
  void ShowHostError(const std::string& description) override {
    MessageBoxA(nullptr, description.c_str(), kErrorCaption,
                MB_OK | MB_ICONEXCLAMATION | MB_SYSTEMMODAL);
  }

  // CountyWindowOpening
  void PlaceAt(int64_t left, int64_t top) override {
    SetWindowPos(county, nullptr, static_cast<int>(left), static_cast<int>(top), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  void CreateBrush() override {
    if (brush_ == nullptr) brush_ = CreateSolidBrush(kPaleYellow);
  }
  void ArmRefresh(std::chrono::milliseconds period) override {
    SetTimer(county, kRefreshTimerId, static_cast<UINT>(period.count()), nullptr);
  }
  void SetIcon() override {
    SendMessageA(
        county, WM_SETICON, ICON_BIG,
        reinterpret_cast<LPARAM>(LoadIconA(PluginInstance(), MAKEINTRESOURCEA(IDI_STATS))));
  }
  HostConnection* AttachHost() override {
    comEntered_ = context_.host->EnterThread();
    host_ = context_.host->Attach();
    return host_.get();
  }

 private:
  WindowContext context_;
  std::atomic<HWND>* dxccHandle_;
  HBRUSH brush_ = nullptr;
  bool comEntered_ = false;
  std::unique_ptr<HostConnection> host_;
};

WindowThread* ThreadOf(HWND window) {
  return reinterpret_cast<WindowThread*>(GetWindowLongPtrA(window, DWLP_USER));
}

// Writes the window's position to its keys when it has moved.
void SavePosition(HWND window, WindowThread* thread, const PositionKeys& keys) {
  RECT r;
  if (GetWindowRect(window, &r)) {
    SaveWindowPosition(*thread->context().settings, keys, r.left, r.top, &thread->last);
  }
}

// Plays the drawing list into an off-screen surface the size of the item
// context's clip box and copies it in one block transfer.
void DrawInfoButton(const DRAWITEMSTRUCT& item, const DxccPicture& picture) {
  RECT clip;
  GetClipBox(item.hDC, &clip);
  const int width = clip.right - clip.left, height = clip.bottom - clip.top;
  if (width <= 0 || height <= 0) return;
  HDC surface = CreateCompatibleDC(item.hDC);
  HBITMAP bitmap = CreateCompatibleBitmap(item.hDC, width, height);
  HGDIOBJ previous = SelectObject(surface, bitmap);
  SetWindowOrgEx(surface, clip.left, clip.top, nullptr);
  SetBkMode(surface, TRANSPARENT);
  for (const DrawOp& op : PaintDxcc(picture, item.rcItem.right, item.rcItem.bottom)) {
    if (op.kind == DrawOp::kFill) {
      HBRUSH brush = CreateSolidBrush(op.colour);
      const RECT r = {op.left, op.top, op.right, op.bottom};
      FillRect(surface, &r, brush);
      DeleteObject(brush);
    } else {
      TextOutA(surface, op.x, op.y, op.text.data(), static_cast<int>(op.text.size()));
    }
  }
  BitBlt(item.hDC, clip.left, clip.top, width, height, surface, clip.left, clip.top, SRCCOPY);
  SelectObject(surface, previous);
  DeleteObject(bitmap);
  DeleteDC(surface);
}

INT_PTR CALLBACK DxccProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowThread* thread = ThreadOf(window);
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowLongPtrA(window, DWLP_USER, lParam);
      thread = reinterpret_cast<WindowThread*>(lParam);
      const LastPosition at =
          ReadWindowPosition(*thread->context().settings, kDxccPositionKeys, &thread->last);
      SetWindowPos(window, nullptr, static_cast<int>(at.left), static_cast<int>(at.top), 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      SendMessageA(
          window, WM_SETICON, ICON_BIG,
          reinterpret_cast<LPARAM>(LoadIconA(PluginInstance(), MAKEINTRESOURCEA(IDI_STATS))));
      return TRUE;
    }
    case WM_SETCURSOR:
      if (thread != nullptr) SavePosition(window, thread, kDxccPositionKeys);
      return FALSE;
    case WM_SIZE:
      if (HWND button = GetDlgItem(window, IDC_DXCC_INFO)) {
        MoveWindow(button, 5, 5, LOWORD(lParam) - 10, HIWORD(lParam) - 10, TRUE);
      }
      return FALSE;
    case WM_DRAWITEM:
      if (thread != nullptr && wParam == IDC_DXCC_INFO) {
        DrawInfoButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam), thread->picture);
        return TRUE;
      }
      return FALSE;
    case WM_COMMAND:  // Enter and Escape hide it, as the close box does
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) ShowWindow(window, SW_HIDE);
      return TRUE;
    case WM_CLOSE:
      ShowWindow(window, SW_HIDE);
      return TRUE;
    default:
      return FALSE;
  }
}

void WindowThread::ShowDxccWindow() {
  if (dxcc != nullptr) return;
  dxcc = CreateDialogParamA(PluginInstance(), MAKEINTRESOURCEA(IDD_DXCC), nullptr, DxccProc,
                            reinterpret_cast<LPARAM>(this));
  *dxccHandle_ = dxcc;
  if (dxcc != nullptr) ShowWindow(dxcc, SW_SHOW);
}

INT_PTR CALLBACK CountyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowThread* thread = ThreadOf(window);
  if (thread == nullptr && message != WM_INITDIALOG) return FALSE;  // still being created
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrA(window, DWLP_USER, lParam);
      thread = reinterpret_cast<WindowThread*>(lParam);
      thread->county = window;
      OpenCountyWindow(*thread, *thread->context().settings, &thread->last);
      return TRUE;
    case kConnectHost:
      ConnectCountyWindow(*thread);
      return TRUE;
    case WM_TIMER:
      thread->OnTimer();
      return TRUE;
    case kArmRefresh:
      SetTimer(window, kRefreshTimerId, static_cast<UINT>(wParam), nullptr);
      return TRUE;
    case kStopRefresh:
      KillTimer(window, kRefreshTimerId);
      return TRUE;
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      SetBkColor(dc, kPaleYellow);
      SetTextColor(dc, RGB(0, 0, 0));
      return reinterpret_cast<INT_PTR>(thread->brush());
    }
    case WM_SETCURSOR:
      SavePosition(window, thread, kCountyPositionKeys);
      return FALSE;
    case WM_COMMAND:  // Enter and Escape close the set, as the close box does
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) DestroyWindow(window);
      return TRUE;
    case WM_CLOSE:
      DestroyWindow(window);
      return TRUE;
    case WM_DESTROY:
      thread->county = nullptr;
      PostQuitMessage(0);
      return TRUE;
    default:
      return FALSE;
  }
}

class Win32WindowSet final : public InfoWindows {
 public:
  explicit Win32WindowSet(const WindowContext& context)
      : context_(context),
        created_(CreateEventA(nullptr, FALSE, FALSE, nullptr)),
        left_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

  ~Win32WindowSet() override {
    if (!ProcessIsExiting()) CloseForUnload();
    if (thread_ != nullptr) CloseHandle(thread_);
    CloseHandle(created_);
    CloseHandle(left_);
  }
  Win32WindowSet(const Win32WindowSet&) = delete;
  Win32WindowSet& operator=(const Win32WindowSet&) = delete;

  bool IsOpen() override { return county_ != nullptr; }

  void Open() override {
    Close();
    ResetEvent(left_);
    unloading_ = false;
    thread_ = CreateThread(nullptr, 0, ThreadProc, this, 0, nullptr);
    // Wait only for the window to exist (no host call happens before).
    if (thread_ != nullptr) WaitForSingleObject(created_, kCreationWaitMs);
  }

  void Close() override {
    if (HWND county = county_) {
      PostMessageA(county, kStopRefresh, 0, 0);
      if (HWND dxcc = dxcc_) PostMessageA(dxcc, WM_CLOSE, 0, 0);
      PostMessageA(county, WM_CLOSE, 0, 0);
    }
    if (thread_ == nullptr) return;
    WaitPumping(thread_, kCloseWaitMs);
    CloseHandle(thread_);
    thread_ = nullptr;
  }

  void RearmRefresh() override {
    if (HWND county = county_) {
      PostMessageA(county, kArmRefresh, static_cast<WPARAM>(kTypingRefresh.count()), 0);
    }
  }

  // Under the loader's lock: no waiting for the thread to end (that needs
  // the lock), only for it to have left the module's code but its last few
  // instructions, for which the short pause is.
  void CloseForUnload() override {
    HWND county = county_;
    if (county == nullptr) return;
    unloading_ = true;
    PostMessageA(county, kStopRefresh, 0, 0);
    PostMessageA(county, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(left_, kUnloadWaitMs) == WAIT_OBJECT_0) Sleep(20);
  }

 private:
  static DWORD WINAPI ThreadProc(void* parameter) {
    auto* set = static_cast<Win32WindowSet*>(parameter);
    {
      WindowThread thread(set->context_, &set->dxcc_);
      HWND county = CreateDialogParamA(PluginInstance(), MAKEINTRESOURCEA(IDD_COUNTY), nullptr,
                                       CountyProc, reinterpret_cast<LPARAM>(&thread));
      // The host is connected by the first message the window handles, queued
      // before the opener can queue a close.
      if (county != nullptr) PostMessageA(county, kConnectHost, 0, 0);
      set->county_ = county;
      SetEvent(set->created_);
      if (county != nullptr) {
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
          // Each window gets its dialog keys (Enter, Escape, Tab).
          if (thread.dxcc != nullptr && IsDialogMessageA(thread.dxcc, &msg)) continue;
          if (thread.county != nullptr && IsDialogMessageA(thread.county, &msg)) continue;
          TranslateMessage(&msg);
          DispatchMessageA(&msg);
        }
        if (thread.county != nullptr) DestroyWindow(thread.county);
      }
      thread.Finish(set->unloading_);
      set->county_ = nullptr;
    }
    SetEvent(set->left_);
    return 0;
  }

  // Waits for the handle while keeping this thread's own messages flowing,
  // so that a window thread inside a call to this thread can finish it.
  static void WaitPumping(HANDLE handle, DWORD limit) {
    const DWORD start = GetTickCount();
    for (;;) {
      const DWORD spent = GetTickCount() - start;
      if (spent >= limit) return;
      const DWORD r = MsgWaitForMultipleObjects(1, &handle, FALSE, limit - spent, QS_ALLINPUT);
      if (r != WAIT_OBJECT_0 + 1) return;  // ended, timed out or failed
      MSG msg;
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
          PostQuitMessage(static_cast<int>(msg.wParam));  // the host's own loop must see it
          return;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      }
    }
  }

  WindowContext context_;
  HANDLE created_;
  HANDLE left_;
  HANDLE thread_ = nullptr;
  std::atomic<HWND> county_{nullptr};
  std::atomic<HWND> dxcc_{nullptr};
  std::atomic<bool> unloading_{false};
};

}  // namespace

std::unique_ptr<InfoWindows> NewPlatformInfoWindows(WindowContext context) {
  return std::make_unique<Win32WindowSet>(context);
}

}  // namespace stats
