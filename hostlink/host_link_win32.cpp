// The host's automation object through COM: the class identifier from the
// ProgID, the running instance from the running object table (never a new
// one), and IDispatch::Invoke by member number.
//
// The host's object lives in the single-threaded apartment of the host's own
// thread, so a call from the window thread is a message to that thread and
// completes only when it pumps. The window thread therefore guards its
// calls with a message filter: it retries a host that answers "retry later"
// for a while, cancels a call that takes too long, and a small timer keeps
// messages arriving during a call so that the filter is asked at all. Once
// the thread's guard says stop (its windows are closing), no new call goes
// out.
#include <ole2.h>
#include <oleauto.h>
#include <windows.h>

#include <atomic>
#include <vector>

#include "hostlink/host_link.h"
#include "hostlink/host_status_win32.h"
#include "platform/win32_error.h"

namespace stats {
namespace {

constexpr DISPID kMemberFrequency = 2;
constexpr DISPID kMemberGetField = 8;
constexpr DISPID kMemberCommand = 16;

constexpr DWORD kRetryLaterMs = static_cast<DWORD>(kRetryLaterLimit.count());
constexpr DWORD kCallLimitMs = static_cast<DWORD>(kHostCallLimit.count());
constexpr DWORD kRetryDelayMs = 100;
constexpr DWORD kTickMs = 250;

bool IsRetryLater(HRESULT hr) {
  return hr == RPC_E_CALL_REJECTED || hr == RPC_E_SERVERCALL_RETRYLATER;
}

}  // namespace

HostStatus StatusOfHostCall(HRESULT hr, const std::string& description) {
  if (SUCCEEDED(hr)) return HostStatus();
  std::string why = description.empty() ? ErrorText(static_cast<DWORD>(hr)) : description;
  switch (hr) {
    case RPC_E_CALL_REJECTED:  // busy, past the retry window
    case RPC_E_SERVERCALL_RETRYLATER:
    case RPC_E_CALL_CANCELED:  // cancelled here, at the time limit or a close
    case RPC_E_DISCONNECTED:   // the host shuts down, or has gone
    case CO_E_OBJNOTCONNECTED:
    case RPC_E_INVALID_OBJECT:
    case RPC_E_SERVER_DIED:
    case RPC_E_SERVER_DIED_DNE:
    case HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE):
    case HRESULT_FROM_WIN32(RPC_S_CALL_FAILED):
    case HRESULT_FROM_WIN32(RPC_S_CALL_FAILED_DNE):
    case HRESULT_FROM_WIN32(RPC_S_UNKNOWN_IF):  // Wine's answer once the object is cut off
      return HostStatus::Unavailable(std::move(why));
    default:
      return HostStatus::Failed(std::move(why));
  }
}

namespace {

std::wstring Wide(const std::string& text) {
  const int n =
      MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], n);
  return wide;
}

std::string Narrow(const wchar_t* text, UINT length) {
  const int n =
      WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), &narrow[0], n, nullptr, nullptr);
  return narrow;
}

std::string Narrow(BSTR text) {
  return text != nullptr ? Narrow(text, SysStringLen(text)) : std::string();
}

// A VARIANT that clears itself.
struct Variant : VARIANT {
  Variant() { VariantInit(this); }
  ~Variant() { VariantClear(this); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
};

// The message filter of a thread of the plug-in's own. COM asks it what to
// do while a call waits (MessagePending, whenever a message arrives) and
// when the host rejected a call (RetryRejectedCall). The tick posts a
// message to the thread every kTickMs while a call is in progress, so that
// a host that never answers still meets the time limit.
class CallGuard final : public IMessageFilter {
 public:
  explicit CallGuard(HostCallGuard* state) : state_(state), thread_(GetCurrentThreadId()) {}
  CallGuard(const CallGuard&) = delete;
  CallGuard& operator=(const CallGuard&) = delete;

  // Registers the filter on this thread and starts the tick.
  void Install() {
    IMessageFilter* previous = nullptr;
    if (SUCCEEDED(CoRegisterMessageFilter(this, &previous))) installed_ = true;
    if (previous != nullptr) previous->Release();
    CreateTimerQueueTimer(&timer_, nullptr, Tick, this, kTickMs, kTickMs, WT_EXECUTEINTIMERTHREAD);
  }
  // Stops the tick (waiting for a tick in progress) and removes the filter.
  // On the thread that installed it.
  void Remove() {
    if (timer_ != nullptr) DeleteTimerQueueTimer(nullptr, timer_, INVALID_HANDLE_VALUE);
    timer_ = nullptr;
    if (installed_) {
      IMessageFilter* previous = nullptr;
      CoRegisterMessageFilter(nullptr, &previous);
      if (previous != nullptr) previous->Release();
      installed_ = false;
    }
  }

  bool Stopped() const { return state_->stop; }
  void InCall(bool calling) {
    state_->inCall = calling;
    if (!calling) ++state_->answered;
  }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IMessageFilter) {
      *out = static_cast<IMessageFilter*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const long n = --refs_;
    if (n == 0) delete this;
    return static_cast<ULONG>(n);
  }

  // IMessageFilter
  DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) override {
    return SERVERCALL_ISHANDLED;
  }
  DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD elapsed, DWORD) override {
    if (Stopped() || elapsed >= kRetryLaterMs) return static_cast<DWORD>(-1);
    return kRetryDelayMs;
  }
  DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD elapsed, DWORD) override {
    if (elapsed >= kCallLimitMs) return PENDINGMSG_CANCELCALL;
    return PENDINGMSG_WAITDEFPROCESS;
  }

 private:
  ~CallGuard() = default;

  static void CALLBACK Tick(void* self, BOOLEAN) {
    auto* guard = static_cast<CallGuard*>(self);
    if (guard->state_->inCall) PostThreadMessageA(guard->thread_, WM_NULL, 0, 0);
  }

  HostCallGuard* state_;
  DWORD thread_;
  std::atomic<long> refs_{1};
  bool installed_ = false;
  HANDLE timer_ = nullptr;
};

// The guard of the calling thread, if it is a thread of the plug-in's own,
// in a slot of the system's thread-local storage. Not a C++ thread_local:
// mingw-w64 keeps those in records of its threads library that are freed
// only when the thread's end is told to the library, which never happens
// for the window thread that unloads the library as it ends.
class GuardSlot {
 public:
  GuardSlot() noexcept : slot_(TlsAlloc()) {}
  ~GuardSlot() {
    if (slot_ != TLS_OUT_OF_INDEXES) TlsFree(slot_);
  }
  GuardSlot(const GuardSlot&) = delete;
  GuardSlot& operator=(const GuardSlot&) = delete;

  CallGuard* get() const {
    return slot_ != TLS_OUT_OF_INDEXES ? static_cast<CallGuard*>(TlsGetValue(slot_)) : nullptr;
  }
  // False when the system had no slot to give.
  bool set(CallGuard* guard) const {
    return slot_ != TLS_OUT_OF_INDEXES && TlsSetValue(slot_, guard);
  }

 private:
  DWORD slot_;
};

// Made when the library loads, on the loading thread.
const GuardSlot g_guards;

CallGuard* ThisThreadsGuard() {
  return g_guards.get();
}

// Marks a call into the host on a guarded thread, for the tick and for
// whoever waits for the thread.
class GuardedCall {
 public:
  GuardedCall() : guard_(ThisThreadsGuard()) {
    if (guard_ != nullptr) guard_->InCall(true);
  }
  ~GuardedCall() {
    if (guard_ != nullptr) guard_->InCall(false);
  }
  GuardedCall(const GuardedCall&) = delete;
  GuardedCall& operator=(const GuardedCall&) = delete;

 private:
  CallGuard* guard_;
};

bool Stopped() {
  const CallGuard* guard = ThisThreadsGuard();
  return guard != nullptr && guard->Stopped();
}

class ComConnection : public HostConnection {
 public:
  explicit ComConnection(IDispatch* dispatch) : dispatch_(dispatch) {}
  ~ComConnection() override {
    GuardedCall call;
    dispatch_->Release();
  }
  ComConnection(const ComConnection&) = delete;
  ComConnection& operator=(const ComConnection&) = delete;

  HostStatus Command(const std::string& text) override {
    Variant arg;
    arg.vt = VT_BSTR;
    const std::wstring wide = Wide(text);
    arg.bstrVal = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    Variant ignored;
    return Invoke(kMemberCommand, DISPATCH_METHOD, &arg, 1, &ignored);
  }

  HostStatus GetField(int field, std::string* text) override {
    Variant arg;
    arg.vt = VT_I4;
    arg.lVal = field;
    Variant result;
    HostStatus status = Invoke(kMemberGetField, DISPATCH_METHOD, &arg, 1, &result);
    if (!status.ok) return status;
    if (result.vt == VT_EMPTY || result.vt == VT_NULL) {
      text->clear();
      return status;
    }
    const HRESULT hr = VariantChangeType(&result, &result, 0, VT_BSTR);
    if (FAILED(hr)) return HostStatus::Failed(ErrorText(static_cast<DWORD>(hr)));
    *text = Narrow(result.bstrVal);
    return status;
  }

  HostStatus Frequency(double* hertz) override {
    Variant result;
    HostStatus status = Invoke(kMemberFrequency, DISPATCH_PROPERTYGET, nullptr, 0, &result);
    if (!status.ok) return status;
    const HRESULT hr = VariantChangeType(&result, &result, 0, VT_R8);
    if (FAILED(hr)) return HostStatus::Failed(ErrorText(static_cast<DWORD>(hr)));
    *hertz = result.dblVal;
    return status;
  }

 private:
  // One member call. A guarded call that the host answers with "retry
  // later" is made again until kRetryLaterLimit has passed since the first
  // attempt (where COM retried through the filter already, that time is
  // spent and it is not asked again).
  HostStatus Invoke(DISPID member, WORD flags, VARIANT* args, UINT count, VARIANT* result) {
    if (Stopped()) return StatusOfHostCall(RPC_E_CALL_CANCELED, std::string());
    const DWORD start = GetTickCount();
    for (;;) {
      DISPPARAMS params = {args, nullptr, count, 0};
      EXCEPINFO exception = {};
      UINT badArgument = 0;
      HRESULT hr;
      {
        GuardedCall call;
        hr = dispatch_->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result,
                               &exception, &badArgument);
      }
      if (SUCCEEDED(hr)) return HostStatus();
      std::string why;
      if (hr == DISP_E_EXCEPTION) {
        if (exception.pfnDeferredFillIn != nullptr) exception.pfnDeferredFillIn(&exception);
        why = Narrow(exception.bstrDescription);
      }
      SysFreeString(exception.bstrSource);
      SysFreeString(exception.bstrDescription);
      SysFreeString(exception.bstrHelpFile);
      const bool again = ThisThreadsGuard() != nullptr && IsRetryLater(hr) && !Stopped() &&
                         GetTickCount() - start < kRetryLaterMs;
      if (!again) return StatusOfHostCall(hr, why);
      Sleep(kRetryDelayMs);
    }
  }

  IDispatch* dispatch_;
};

// Serialises the plug-in's own lookups of the running host between its
// threads. Looking the host up reads the running object table, and a
// lookup from the window thread asks the host's thread to count the new
// reference while still holding the table (Wine's does); a lookup the host's
// thread makes at that moment would wait for the table and never serve that
// request. Whoever waits for the gate serves its apartment's calls meanwhile.
class LookupGate {
 public:
  LookupGate() : mutex_(CreateMutexA(nullptr, FALSE, nullptr)) {}
  ~LookupGate() {
    if (mutex_ != nullptr) CloseHandle(mutex_);
  }
  LookupGate(const LookupGate&) = delete;
  LookupGate& operator=(const LookupGate&) = delete;

  // True when entered within the time limit of a host call.
  bool Enter() {
    if (mutex_ == nullptr) return false;
    DWORD index = 0;
    HANDLE handles[] = {mutex_};
    HRESULT hr = CoWaitForMultipleHandles(0, kCallLimitMs, 1, handles, &index);
    if (hr == CO_E_NOTINITIALIZED) {
      const DWORD r = WaitForSingleObject(mutex_, kCallLimitMs);
      hr = r == WAIT_OBJECT_0 || r == WAIT_ABANDONED ? S_OK : RPC_S_CALLPENDING;
    }
    // A mutex whose owner ended without leaving it counts as entered.
    return hr == S_OK || hr == static_cast<HRESULT>(WAIT_ABANDONED);
  }
  void Leave() { ReleaseMutex(mutex_); }

 private:
  HANDLE mutex_;
};

class ComHostLink : public HostLink {
 public:
  bool EnterThread(HostCallGuard* guard) override {
    // A thread that already has COM (in another apartment model) keeps it.
    const bool entered = SUCCEEDED(CoInitialize(nullptr));
    if (guard != nullptr && ThisThreadsGuard() == nullptr) {
      auto* installed = new CallGuard(guard);
      if (g_guards.set(installed)) {
        installed->Install();
      } else {
        installed->Release();  // the thread's calls go unguarded
      }
    }
    return entered;
  }
  void LeaveThread(bool entered) override {
    if (CallGuard* guard = ThisThreadsGuard()) {
      guard->Remove();
      guard->Release();
      g_guards.set(nullptr);
    }
    if (entered) CoUninitialize();
  }

  std::unique_ptr<HostConnection> Attach() override {
    if (Stopped()) return nullptr;
    CLSID host;
    if (FAILED(CLSIDFromProgID(L"Vexo2.Application", &host))) return nullptr;
    if (!gate_.Enter()) return nullptr;  // the host is too busy to be found now
    IDispatch* dispatch = nullptr;
    {
      // Finding the running object and asking it for IDispatch are calls
      // into the host's apartment.
      GuardedCall call;
      IUnknown* running = nullptr;
      if (SUCCEEDED(GetActiveObject(host, nullptr, &running)) && running != nullptr) {
        if (FAILED(running->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)))) {
          dispatch = nullptr;
        }
        running->Release();
      }
    }
    gate_.Leave();
    return dispatch != nullptr ? std::make_unique<ComConnection>(dispatch) : nullptr;
  }

 private:
  LookupGate gate_;
};

}  // namespace

std::unique_ptr<HostLink> NewPlatformHostLink() {
  return std::make_unique<ComHostLink>();
}

}  // namespace stats
