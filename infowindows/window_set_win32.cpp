// The window set on Windows: the Romania County window (dialog 106) and the
// DXCC window (dialog 108) on a thread of their own, served by one message
// loop that lets both windows handle their dialog keys.
//
// Who waits for whom: the host's thread talks to the window thread only by
// posted messages. It waits for it only in Close, a bounded time, pumping
// no more than the host's apartment needs (so that a window thread inside a
// call to the host's object can finish it), and at unload, where it holds
// the loader's lock, for a short time without pumping. Each window thread
// owns its shared part (ThreadShared), so a thread that ends late never
// touches a later one's. A thread that outlives an unload (its host call
// cannot return until the host's thread pumps again) inherits the module's
// state and frees it when it ends; the module's code stays mapped for it.
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
constexpr DWORD kUnloadWaitMs = 1000;
const char kErrorCaption[] = "YO-DX statistics";

// What one window thread shares with the host's thread.
struct ThreadShared {
  ThreadShared() : left(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
  ~ThreadShared() {
    if (left != nullptr) CloseHandle(left);
  }
  ThreadShared(const ThreadShared&) = delete;
  ThreadShared& operator=(const ThreadShared&) = delete;

  std::atomic<HWND> county{nullptr};
  std::atomic<HWND> dxcc{nullptr};
  // A close was asked for: no error is shown any more. The host's thread
  // serves the remaining host calls while it waits for the close.
  std::atomic<bool> closing{false};
  // The thread's host calls. Their cancel is set when the library is being
  // unloaded: the host's thread, in FreeLibrary, serves no call, so a call
  // in progress is abandoned and none is started.
  HostCallGuard calls;
  HANDLE left;  // set when the thread has done its last work in the module

  std::mutex mutex;  // guards the two below
  bool finished = false;
  std::function<void()> inheritance;  // given at unload; run by the thread as it ends
};

// Asks the thread to close its windows; the thread checks the flag itself
// when its window comes into being after this. Its opening still completes
// (the host's mode commands go out at every opening).
void RequestClose(ThreadShared& shared) {
  shared.closing = true;
  if (HWND county = shared.county) {
    PostMessageA(county, kStopRefresh, 0, 0);
    if (HWND dxcc = shared.dxcc) PostMessageA(dxcc, WM_CLOSE, 0, 0);
    PostMessageA(county, WM_CLOSE, 0, 0);
  }
}

// What the window thread owns: both windows and the host connection.
class WindowThread : public InfoWindowView, public CountyWindowOpening {
 public:
  WindowThread(const WindowContext& context, ThreadShared& shared)
      : context_(context), shared_(shared) {}

  HWND county = nullptr;
  HWND dxcc = nullptr;
  LastPosition last;

  const WindowContext& context() const { return context_; }

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

  // The opening's host step: attach, the two mode commands, let go.
  void Connect() {
    ConnectCountyWindow(*this);
    host_.reset();
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
    SendMessageA(
        county, WM_SETICON, ICON_BIG,
        reinterpret_cast<LPARAM>(LoadIconA(PluginInstance(), MAKEINTRESOURCEA(IDI_STATS))));
  }
  HostConnection* AttachHost() override {
    host_ = context_.host->Attach();
    return host_.get();
  }

 private:
  WindowContext context_;
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
  dxcc = CreateDialogParamA(PluginInstance(), MAKEINTRESOURCEA(IDD_DXCC), nullptr, DxccProc,
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
void RunWindows(const WindowContext& context, ThreadShared& shared) {
  const bool entered = context.host->EnterThread(&shared.calls);
  {
    WindowThread thread(context, shared);
    HWND county = shared.calls.cancel
                      ? nullptr
                      : CreateDialogParamA(PluginInstance(), MAKEINTRESOURCEA(IDD_COUNTY), nullptr,
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
  context.host->LeaveThread(entered);
}

struct ThreadStart {
  WindowContext context;
  std::shared_ptr<ThreadShared> shared;
};

// Runs the windows; afterwards either frees what an unload left to this
// thread, or hands the shared part back. Returns the event to set last.
HANDLE WindowThreadBody(ThreadStart* parameter) {
  std::shared_ptr<ThreadShared> shared;
  {
    std::unique_ptr<ThreadStart> start(parameter);
    shared = start->shared;
    try {
      RunWindows(start->context, *shared);
    } catch (...) {
      // Nothing may end the host's process; the windows are gone with the loop.
    }
  }
  std::function<void()> inheritance;
  {
    std::lock_guard<std::mutex> hold(shared->mutex);
    shared->finished = true;
    inheritance.swap(shared->inheritance);
  }
  if (inheritance) {
    // The library was unloaded while this thread waited for the host: its
    // state is this thread's to free, and its code stays mapped.
    inheritance();
    return nullptr;
  }
  // The window set holds the shared part until it has seen "left", so this
  // reference is never the last.
  return shared->left;
}

DWORD WINAPI WindowThreadProc(void* parameter) {
  HANDLE left = WindowThreadBody(static_cast<ThreadStart*>(parameter));
  if (left == nullptr) return 0;
  // At unload the host's thread waits for this event and may unmap the
  // module right after: the thread ends without running another
  // instruction of it.
  SetEvent(left);
  ExitThread(0);
}

class Win32WindowSet final : public InfoWindows {
 public:
  explicit Win32WindowSet(const WindowContext& context) : context_(context) {}
  // The unload has closed the set or left it to its thread; at process exit
  // the thread is gone.
  ~Win32WindowSet() override {
    if (thread_ != nullptr) CloseHandle(thread_);
  }
  Win32WindowSet(const Win32WindowSet&) = delete;
  Win32WindowSet& operator=(const Win32WindowSet&) = delete;

  bool IsOpen() override {
    StartWhenFree();
    if (openAfter_) return true;
    if (!current_ || current_->closing) return false;
    std::lock_guard<std::mutex> hold(current_->mutex);
    return !current_->finished;
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

  bool CloseForUnload(std::function<void()> inheritance) override {
    openAfter_ = false;
    if (!current_) return false;
    ThreadShared& shared = *current_;
    shared.calls.cancel = true;
    RequestClose(shared);
    // Under the loader's lock: a plain wait for the thread's last work in
    // the module, never for its end (that needs the lock) and never pumping.
    WaitForSingleObject(shared.left, kUnloadWaitMs);
    {
      std::lock_guard<std::mutex> hold(shared.mutex);
      if (!shared.finished) {
        shared.inheritance = std::move(inheritance);
        return true;
      }
    }
    WaitForSingleObject(shared.left, kUnloadWaitMs);  // comes just after "finished"
    Sleep(20);  // the thread's last instructions: setting the event and ending
    return false;
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

  // The old thread has done its last work (what is left is its end, which
  // touches nothing of a new one): the set asked for meanwhile opens.
  void StartWhenFree() {
    if (!openAfter_ || waiting_ || !current_) return;
    {
      std::lock_guard<std::mutex> hold(current_->mutex);
      if (!current_->finished) return;
    }
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

  void Start() {
    auto shared = std::make_shared<ThreadShared>();
    auto start = std::make_unique<ThreadStart>(ThreadStart{context_, shared});
    HANDLE thread = CreateThread(nullptr, 0, WindowThreadProc, start.get(), 0, nullptr);
    if (thread == nullptr) return;       // not reported: the set does not open
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
