// The window set on Windows: the Romania County window (dialog 106) and the
// DXCC window (dialog 108) on a thread of their own, served by one message
// loop that lets both windows handle their dialog keys.
//
// Who waits for whom: the host's thread talks to the window thread only by
// posted messages. It waits for it only when it closes a set (HIDEINFO, and
// SHOWINFO over an open one), a bounded time, pumping no more than the
// host's apartment needs (so that a window thread inside a call to the
// host's object can finish it). Each window thread owns its shared part
// (ThreadShared), so a thread that ends late never touches a later one's.
//
// The thread holds a counted reference to the library from before it starts
// until its very last act, FreeLibraryAndExitThread: the image cannot leave
// the process while any code of the thread's may still run, whatever the
// host does. The host's FreeLibrary therefore returns at once, the windows
// stay until the operator closes them, and the library leaves the process
// then. The thread's own look-ups need no loader's lock (the module handle
// is the image base; its dialog templates and icon are found on the host's
// thread before it starts); what the system does for it may take the lock,
// which is harmless, as nobody holding that lock waits for the thread.
#include <objbase.h>
#include <windows.h>

#include <atomic>
#include <memory>

#include "hostlink/host_link.h"
#include "infowindows/dxcc_painter.h"
#include "infowindows/info_windows.h"
#include "infowindows/window_logic.h"
#include "platform/settings.h"
#include "platform/win32_module.h"
#include "resources/resource.h"

namespace stats {
namespace {

// Private messages of the county window.
constexpr UINT kArmRefresh = WM_APP + 10;  // wParam: period in milliseconds
constexpr UINT kStopRefresh = WM_APP + 11;
constexpr UINT kConnectHost = WM_APP + 12;

constexpr COLORREF kPaleYellow = RGB(255, 250, 198);
constexpr DWORD kCloseWaitMs = 5000;
constexpr DWORD kCloseSliceMs = 250;
const char kErrorCaption[] = "YO-DX statistics";

// The module's resources that a window thread uses, found on the host's
// thread (finding a resource takes the loader's lock). They stay valid while
// the thread's reference keeps the image.
struct WindowResources {
  const DLGTEMPLATE* county = nullptr;
  const DLGTEMPLATE* dxcc = nullptr;
  HICON icon = nullptr;

  bool Find() {
    county = Template(IDD_COUNTY);
    dxcc = Template(IDD_DXCC);
    icon = LoadIconA(PluginInstance(), MAKEINTRESOURCEA(IDI_STATS));
    return county != nullptr && dxcc != nullptr;
  }

  static const DLGTEMPLATE* Template(int id) {
    HRSRC found = FindResourceA(PluginInstance(), MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));
    HGLOBAL loaded = found != nullptr ? LoadResource(PluginInstance(), found) : nullptr;
    return loaded != nullptr ? static_cast<const DLGTEMPLATE*>(LockResource(loaded)) : nullptr;
  }
};

// What one window thread shares with the host's thread.
struct ThreadShared {
  std::atomic<HWND> county{nullptr};
  std::atomic<HWND> dxcc{nullptr};
  // A close was asked for: no error is shown any more, and once the opening
  // has sent its commands no new call goes to the host (a refresh under way
  // ends at its next call, letting go of the host's object, its one last
  // call), so that the windows go as soon as the host has answered the
  // calls in progress, which the host's thread serves while it waits for
  // the close.
  std::atomic<bool> closing{false};
  std::atomic<bool> opened{false};  // the opening's host step is done
  // The thread's host calls.
  HostCallGuard calls;
  // Set when the windows are gone, just before the thread ends.
  std::atomic<bool> finished{false};
};

// Asks the thread to close its windows; the thread checks the flag itself
// when its window comes into being after this. Its opening still completes
// (the host's mode commands go out at every opening).
void RequestClose(ThreadShared& shared) {
  shared.closing = true;
  if (shared.opened) shared.calls.stop = true;
  if (HWND county = shared.county) {
    PostMessageA(county, kStopRefresh, 0, 0);
    if (HWND dxcc = shared.dxcc) PostMessageA(dxcc, WM_CLOSE, 0, 0);
    PostMessageA(county, WM_CLOSE, 0, 0);
  }
}

// What the window thread owns: both windows and the host connection.
class WindowThread : public InfoWindowView, public CountyWindowOpening {
 public:
  WindowThread(const WindowContext& context, const WindowResources& resources, ThreadShared& shared)
      : context_(context), resources_(resources), shared_(shared) {}

  HWND county = nullptr;
  HWND dxcc = nullptr;
  LastPosition last;

  const WindowContext& context() const { return context_; }
  HICON icon() const { return resources_.icon; }

  // The refresh timer expired. A refresh runs host calls and may show the
  // error box, whose message loops deliver the timer again when CheckCall0
  // re-armed it meanwhile: that refresh then runs right after this one.
  // The host is attached for each refresh and let go after it, so that an
  // idle thread holds nothing of the host's.
  void OnTimer() {
    KillTimer(county, kRefreshTimerId);
    if (refreshing_) {
      refreshAgain_ = true;
      return;
    }
    refreshing_ = true;
    do {
      refreshAgain_ = false;
      std::unique_ptr<HostConnection> host = context_.host->Attach();
      RefreshInfoWindows(*context_.lock, *context_.contest, *context_.state, host.get(), *this);
    } while (refreshAgain_ && !shared_.closing);
    refreshing_ = false;
  }

  // The opening's host step: attach, the two mode commands, let go. A close
  // asked for meanwhile stops the calls after it.
  void Connect() {
    ConnectCountyWindow(*this);
    host_.reset();
    shared_.opened = true;
    if (shared_.closing) shared_.calls.stop = true;
  }

  // Ends the thread's work.
  void Finish() {
    if (dxcc != nullptr) DestroyWindow(dxcc);
    shared_.dxcc = nullptr;
    if (brush_ != nullptr) DeleteObject(brush_);
  }

  HBRUSH brush() const { return brush_; }
  // The county window is gone: nobody may post to its handle any more.
  void Forgotten() { shared_.county = nullptr; }

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
  // Painting reads the state itself (CurrentDxccPicture).
  void RepaintDxcc(const DxccPicture&) override {
    if (dxcc != nullptr) InvalidateRect(GetDlgItem(dxcc, IDC_DXCC_INFO), nullptr, FALSE);
  }
  void ShowHostError(const std::string& description) override {
    if (shared_.closing) return;  // the close abandoned the call; nothing went wrong
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
    SendMessageA(county, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(resources_.icon));
  }
  HostConnection* AttachHost() override {
    host_ = context_.host->Attach();
    return host_.get();
  }

 private:
  WindowContext context_;
  const WindowResources& resources_;
  ThreadShared& shared_;
  HBRUSH brush_ = nullptr;
  bool refreshing_ = false;
  bool refreshAgain_ = false;
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

INT_PTR DxccMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowThread* thread = ThreadOf(window);
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowLongPtrA(window, DWLP_USER, lParam);
      thread = reinterpret_cast<WindowThread*>(lParam);
      const LastPosition at =
          ReadWindowPosition(*thread->context().settings, kDxccPositionKeys, &thread->last);
      SetWindowPos(window, nullptr, static_cast<int>(at.left), static_cast<int>(at.top), 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(thread->icon()));
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
        const WindowContext& context = thread->context();
        DrawInfoButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam),
                       CurrentDxccPicture(*context.lock, *context.contest, *context.state));
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

INT_PTR CountyMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
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
      thread->Connect();
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
      thread->Forgotten();
      PostQuitMessage(0);
      return TRUE;
    default:
      return FALSE;
  }
}

INT_PTR CALLBACK DxccProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

void WindowThread::ShowDxccWindow() {
  if (dxcc != nullptr) return;
  dxcc = CreateDialogIndirectParamA(PluginInstance(), resources_.dxcc, nullptr, DxccProc,
                                    reinterpret_cast<LPARAM>(this));
  shared_.dxcc = dxcc;
  if (dxcc != nullptr) ShowWindow(dxcc, SW_SHOW);
}

// The dialog procedures. Nothing thrown may cross the system's frames,
// which would end the host's process: a failed message is a message not
// handled.
INT_PTR CALLBACK DxccProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    return DxccMessage(window, message, wParam, lParam);
  } catch (...) {
    return FALSE;
  }
}

INT_PTR CALLBACK CountyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    return CountyMessage(window, message, wParam, lParam);
  } catch (...) {
    return FALSE;
  }
}

// The window thread's life: COM with its calls guarded, both windows, the
// message loop, the end.
void RunWindows(const WindowContext& context, const WindowResources& resources,
                ThreadShared& shared) {
  // COM is left however the thread's work ends: a message filter or a tick
  // left behind would be called into the library after it has gone.
  struct ThreadInHost {
    HostLink& host;
    const bool entered;
    ThreadInHost(HostLink& link, HostCallGuard* guard)
        : host(link), entered(link.EnterThread(guard)) {}
    ~ThreadInHost() { host.LeaveThread(entered); }
    ThreadInHost(const ThreadInHost&) = delete;
    ThreadInHost& operator=(const ThreadInHost&) = delete;
  } inHost(*context.host, &shared.calls);
  {
    WindowThread thread(context, resources, shared);
    HWND county = CreateDialogIndirectParamA(PluginInstance(), resources.county, nullptr,
                                             CountyProc, reinterpret_cast<LPARAM>(&thread));
    if (county != nullptr) {
      // The host is connected by the first message the window handles.
      PostMessageA(county, kConnectHost, 0, 0);
      shared.county = county;
      if (shared.closing) PostMessageA(county, WM_CLOSE, 0, 0);  // asked before it was there
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
    thread.Finish();
  }
  shared.county = nullptr;
  // Nothing of the host's is held here any more, so leaving COM makes no
  // call into the host.
}

struct ThreadStart {
  WindowContext context;
  WindowResources resources;
  std::shared_ptr<ThreadShared> shared;
  HMODULE module;  // the thread's reference to the library
};

// Everything the thread does in the library, its objects destroyed when it
// returns.
void RunWindowThread(ThreadStart* parameter) {
  std::unique_ptr<ThreadStart> start(parameter);
  try {
    RunWindows(start->context, start->resources, *start->shared);
  } catch (...) {
    // Nothing may end the host's process; the windows are gone with the loop.
  }
  start->shared->finished = true;
}

DWORD WINAPI WindowThreadProc(void* parameter) {
  const HMODULE module = static_cast<ThreadStart*>(parameter)->module;
  RunWindowThread(static_cast<ThreadStart*>(parameter));
  // Gives the library's reference back and ends the thread without
  // returning into it: when this was the last reference, the library is
  // unloaded here (DllMain runs on this thread) and no code of it runs after.
  FreeLibraryAndExitThread(module, 0);
}

class Win32WindowSet final : public InfoWindows {
 public:
  explicit Win32WindowSet(const WindowContext& context) : context_(context) {}
  // Runs when the library's last reference is given back: no window thread
  // lives then (each holds a reference), or this is the last one ending.
  ~Win32WindowSet() override {
    if (thread_ != nullptr) CloseHandle(thread_);
  }
  Win32WindowSet(const Win32WindowSet&) = delete;
  Win32WindowSet& operator=(const Win32WindowSet&) = delete;

  bool IsOpen() override {
    StartWhenFree();
    if (openAfter_) return true;
    return current_ && !current_->closing && !current_->finished;
  }

  void Open() override { Run(Command::kOpen); }
  void Close() override { Run(Command::kClose); }

  void RearmRefresh() override {
    StartWhenFree();
    if (!current_ || current_->closing) return;
    if (HWND county = current_->county) {
      PostMessageA(county, kArmRefresh, static_cast<WPARAM>(kTypingRefresh.count()), 0);
    }
  }

 private:
  enum class Command { kNone, kOpen, kClose };

  // The host may call the exports from inside the wait of a close (a call
  // from the window thread into its object runs there): such a nested
  // command is kept and carried out once the outer one has finished, so
  // that nothing is started or closed under a wait.
  void Run(Command command) {
    if (waiting_) {
      nested_ = command;
      return;
    }
    for (Command next = command; next != Command::kNone;) {
      Apply(next);
      next = nested_;
      nested_ = Command::kNone;
    }
  }

  void Apply(Command command) {
    openAfter_ = false;
    CloseAndWait();
    if (command != Command::kOpen) return;
    if (thread_ == nullptr) {
      Start();
    } else {
      // The old thread still waits for the host: no second one while it
      // lives. The set opens at the first export after it has ended.
      openAfter_ = true;
    }
  }

  // The old thread has ended: the set asked for meanwhile opens.
  void StartWhenFree() {
    if (!openAfter_ || waiting_ || thread_ == nullptr) return;
    if (WaitForSingleObject(thread_, 0) != WAIT_OBJECT_0) return;
    openAfter_ = false;
    Forget();
    Start();
  }

  void CloseAndWait() {
    if (!current_) return;
    RequestClose(*current_);
    waiting_ = true;
    const bool ended = WaitForThread(thread_, current_->calls);
    waiting_ = false;
    if (ended) Forget();  // else kept: it ends when its host call returns
  }

  void Forget() {
    if (thread_ != nullptr) CloseHandle(thread_);
    thread_ = nullptr;
    current_.reset();
  }

  // Not reported when it fails: the set does not open.
  void Start() {
    auto start = std::make_unique<ThreadStart>(
        ThreadStart{context_, WindowResources(), std::make_shared<ThreadShared>(), nullptr});
    if (!start->resources.Find()) return;
    // Taken last, so that nothing can fail between taking and giving it.
    const HMODULE module = TakeModuleReference();
    if (module == nullptr) return;
    start->module = module;
    std::shared_ptr<ThreadShared> shared = start->shared;
    HANDLE thread = CreateThread(nullptr, 0, WindowThreadProc, start.get(), 0, nullptr);
    if (thread == nullptr) {
      // Never the last reference: the host holds its own while it calls.
      FreeLibrary(module);
      return;
    }
    static_cast<void>(start.release());  // the thread's now
    current_ = std::move(shared);
    thread_ = thread;
  }

  // Waits at most kCloseWaitMs for the thread, serving meanwhile only what
  // the host's apartment needs: calls into the host's object (the window
  // thread may be in one) and sent messages, never the host's own input or
  // posted messages. A host call that stays unanswered through a whole
  // slice of that serving is one this thread cannot serve: the host made
  // this call from inside it. Then the thread is left to end by itself.
  static bool WaitForThread(HANDLE thread, const HostCallGuard& calls) {
    const DWORD start = GetTickCount();
    unsigned answered = calls.answered;
    for (;;) {
      ServeWaitingCalls();
      if (WaitForSingleObject(thread, 0) == WAIT_OBJECT_0) return true;
      const DWORD spent = GetTickCount() - start;
      if (spent >= kCloseWaitMs) return false;
      DWORD index = 0;
      const DWORD slice =
          kCloseWaitMs - spent < kCloseSliceMs ? kCloseWaitMs - spent : kCloseSliceMs;
      const HRESULT hr = CoWaitForMultipleHandles(0, slice, 1, &thread, &index);
      if (hr == S_OK) return true;
      if (hr == CO_E_NOTINITIALIZED) {
        // No apartment on this thread: nothing of the host's to serve here.
        return WaitForSingleObject(thread, kCloseWaitMs - spent) == WAIT_OBJECT_0;
      }
      if (hr != RPC_S_CALLPENDING) return false;
      if (calls.inCall && calls.answered == answered) return false;
      answered = calls.answered;
    }
  }

  // Calls into this thread's apartment that arrived before the wait began:
  // the wait wakes only for messages that are new to the queue, and the
  // host's own loop may already have looked at these.
  static void ServeWaitingCalls() {
    HWND apartment = nullptr;
    do {
      apartment = FindWindowExA(HWND_MESSAGE, apartment, "OleMainThreadWndClass", nullptr);
    } while (apartment != nullptr &&
             GetWindowThreadProcessId(apartment, nullptr) != GetCurrentThreadId());
    MSG msg;
    while (apartment != nullptr && PeekMessageA(&msg, apartment, 0, 0, PM_REMOVE)) {
      DispatchMessageA(&msg);
    }
  }

  WindowContext context_;
  std::shared_ptr<ThreadShared> current_;  // the live or last thread's
  HANDLE thread_ = nullptr;
  bool waiting_ = false;
  bool openAfter_ = false;  // opened while the old thread still lived
  Command nested_ = Command::kNone;
};

}  // namespace

std::unique_ptr<InfoWindows> NewPlatformInfoWindows(WindowContext context) {
  return std::make_unique<Win32WindowSet>(context);
}

}  // namespace stats
