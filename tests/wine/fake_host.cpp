#include "tests/wine/fake_host.h"

#include <ole2.h>
#include <oleauto.h>

#include <utility>

namespace stats {
namespace testing {
namespace {

// {6F0B0E6A-1C2D-4E5F-8A9B-0C1D2E3F4A5B}: this test's own class identifier.
const CLSID kFakeHostClass = {
    0x6f0b0e6a, 0x1c2d, 0x4e5f, {0x8a, 0x9b, 0x0c, 0x1d, 0x2e, 0x3f, 0x4a, 0x5b}};
const char kProgIdKey[] = "Vexo2.Application\\CLSID";
const char kClassText[] = "{6F0B0E6A-1C2D-4E5F-8A9B-0C1D2E3F4A5B}";

std::string Narrow(BSTR text) {
  std::string out;
  for (UINT i = 0; text != nullptr && i < SysStringLen(text); ++i)
    out += static_cast<char>(text[i]);
  return out;
}

// The counting and the interface lookup of a COM object that offers one
// interface, Interface, whose identifier is given.
template <typename Interface>
class ComObject : public Interface {
 public:
  explicit ComObject(REFIID offered) : offered_(offered) {}
  virtual ~ComObject() = default;
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == offered_) {
      *out = static_cast<Interface*>(this);
      this->AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG n = InterlockedDecrement(&refs_);
    if (n == 0) delete this;
    return n;
  }

 private:
  const IID& offered_;
  LONG refs_ = 1;
};

class HostObject final : public ComObject<IDispatch> {
 public:
  explicit HostObject(FakeHost::State& state) : ComObject(IID_IDispatch), state_(state) {}
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }

  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception, UINT*) override {
    auto action = state_.actions.find(member);
    if (action != state_.actions.end()) {
      const std::function<HRESULT()> run = action->second;  // it may replace itself
      const HRESULT hr = run();
      if (FAILED(hr)) return hr;
    }
    if (member == state_.failing) {
      if (exception != nullptr) {
        *exception = {};
        exception->bstrDescription = SysAllocString(L"fake host failure");
      }
      return DISP_E_EXCEPTION;
    }
    switch (member) {
      case 16:
        if (params->cArgs != 1 || params->rgvarg[0].vt != VT_BSTR) return DISP_E_TYPEMISMATCH;
        state_.commands.push_back(Narrow(params->rgvarg[0].bstrVal));
        return S_OK;
      case 8: {
        if (params->cArgs != 1 || params->rgvarg[0].vt != VT_I4) return DISP_E_TYPEMISMATCH;
        if (params->rgvarg[0].lVal != 5 || result == nullptr) return DISP_E_BADINDEX;
        ++state_.callReads;
        std::wstring wide(state_.call.begin(), state_.call.end());
        VariantInit(result);
        result->vt = VT_BSTR;
        result->bstrVal = SysAllocString(wide.c_str());
        return S_OK;
      }
      case 2:
        if (!(flags & DISPATCH_PROPERTYGET) || result == nullptr) return DISP_E_MEMBERNOTFOUND;
        VariantInit(result);
        result->vt = VT_R8;
        result->dblVal = state_.hertz;
        return S_OK;
      default:
        return DISP_E_MEMBERNOTFOUND;
    }
  }

 private:
  FakeHost::State& state_;
};

// The host's message filter: serves every incoming call, after the test's
// action for it.
class HostFilter final : public ComObject<IMessageFilter> {
 public:
  explicit HostFilter(FakeHost::State& state) : ComObject(IID_IMessageFilter), state_(state) {}
  DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) override {
    if (state_.incoming) {
      const std::function<void()> run = state_.incoming;  // it may replace itself
      run();
    }
    return SERVERCALL_ISHANDLED;
  }
  DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD, DWORD) override {
    return static_cast<DWORD>(-1);
  }
  DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) override {
    return PENDINGMSG_WAITDEFPROCESS;
  }

 private:
  FakeHost::State& state_;
};

const char kHostWindowClass[] = "StatsTestHostWindow";

constexpr UINT kMenuCommand = WM_APP + 50;

LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kMenuCommand) {
    auto* pending = reinterpret_cast<std::vector<std::function<void()>>*>(
        GetWindowLongPtrA(window, GWLP_USERDATA));
    if (pending != nullptr && !pending->empty()) {
      const std::function<void()> command = pending->front();
      pending->erase(pending->begin());
      command();
    }
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

FakeHost::FakeHost(bool withWindow) {
  comEntered_ = SUCCEEDED(CoInitialize(nullptr));
  HKEY key;
  if (RegCreateKeyExA(HKEY_CLASSES_ROOT, kProgIdKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                      nullptr) == ERROR_SUCCESS) {
    RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(kClassText),
                   sizeof kClassText);
    RegCloseKey(key);
  }
  object_ = new HostObject(state_);  // our reference, given back at the end
  RegisterActiveObject(object_, kFakeHostClass, ACTIVEOBJECT_STRONG, &cookie_);
  filter_ = new HostFilter(state_);
  IMessageFilter* previous = nullptr;
  CoRegisterMessageFilter(filter_, &previous);
  if (previous != nullptr) previous->Release();
  if (withWindow) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = HostWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kHostWindowClass;
    RegisterClassA(&windowClass);  // fails harmlessly when registered before
    window_ = CreateWindowA(kHostWindowClass, "Vexo", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 700, 500,
                            200, 120, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&menu_));
    SetForegroundWindow(window_);
    SetActiveWindow(window_);
    PumpFor(50);
  }
}

// As a host that shuts down: the object leaves the table and is cut off
// from its clients, so that a later call from the plug-in's window thread
// is refused at once instead of waiting for an apartment that is gone. A
// call already queued is still served, by the object alone: the test's own
// actions, whose captures may be gone, are dropped first.
FakeHost::~FakeHost() {
  state_.actions.clear();
  state_.incoming = nullptr;
  RevokeActiveObject(cookie_, nullptr);
  CoDisconnectObject(object_, 0);
  PumpFor(20);  // the calls already queued get their answer
  object_->Release();
  IMessageFilter* previous = nullptr;
  CoRegisterMessageFilter(nullptr, &previous);
  if (previous != nullptr) previous->Release();
  filter_->Release();
  if (window_ != nullptr) DestroyWindow(window_);
  PumpFor(20);
  if (comEntered_) CoUninitialize();
}

void FakeHost::SetCall(const std::string& call) {
  state_.call = call;
}

void FakeHost::SetFrequency(double hertz) {
  state_.hertz = hertz;
}

void FakeHost::FailMember(int member) {
  state_.failing = member;
}

void FakeHost::Disconnect() {
  CoDisconnectObject(object_, 0);
}

void FakeHost::OnMember(int member, std::function<HRESULT()> action) {
  state_.actions[member] = std::move(action);
}

void FakeHost::OnIncomingCall(std::function<void()> action) {
  state_.incoming = std::move(action);
}

void FakeHost::PostMenuCommand(std::function<void()> command) {
  menu_.push_back(std::move(command));
  PostMessageA(window_, kMenuCommand, 0, 0);
}

std::vector<std::string> FakeHost::Commands() const {
  return state_.commands;
}

int FakeHost::CallReads() const {
  return state_.callReads;
}

bool PumpUntil(DWORD ms, const std::function<bool()>& condition) {
  const DWORD start = GetTickCount();
  for (;;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    if (condition()) return true;
    const DWORD spent = GetTickCount() - start;
    if (spent >= ms) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - spent < 10 ? ms - spent : 10, QS_ALLINPUT);
  }
}

void UnregisterFakeHost() {
  RegDeleteKeyA(HKEY_CLASSES_ROOT, kProgIdKey);
  RegDeleteKeyA(HKEY_CLASSES_ROOT, "Vexo2.Application");
}

}  // namespace testing
}  // namespace stats
