#include "tests/wine/fake_host.h"

#include <ole2.h>
#include <oleauto.h>

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

class HostObject final : public IDispatch {
 public:
  explicit HostObject(FakeHost::State& state) : state_(state) {}
  virtual ~HostObject() = default;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IDispatch) {
      *out = static_cast<IDispatch*>(this);
      AddRef();
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
    std::lock_guard<std::mutex> hold(state_.mutex);
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
  LONG refs_ = 1;
};

}  // namespace

FakeHost::FakeHost()
    : stop_(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
      ready_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
  HKEY key;
  if (RegCreateKeyExA(HKEY_CLASSES_ROOT, kProgIdKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                      nullptr) == ERROR_SUCCESS) {
    RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(kClassText),
                   sizeof kClassText);
    RegCloseKey(key);
  }
  thread_ = std::thread([this] {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    auto* object = new HostObject(state_);
    DWORD cookie = 0;
    RegisterActiveObject(object, kFakeHostClass, ACTIVEOBJECT_STRONG, &cookie);
    object->Release();  // the table holds it now
    SetEvent(ready_);
    WaitForSingleObject(stop_, INFINITE);
    RevokeActiveObject(cookie, nullptr);
    CoUninitialize();
  });
  WaitForSingleObject(ready_, 10000);
}

FakeHost::~FakeHost() {
  SetEvent(stop_);
  thread_.join();
  CloseHandle(stop_);
  CloseHandle(ready_);
}

void FakeHost::SetCall(const std::string& call) {
  std::lock_guard<std::mutex> hold(state_.mutex);
  state_.call = call;
}

void FakeHost::SetFrequency(double hertz) {
  std::lock_guard<std::mutex> hold(state_.mutex);
  state_.hertz = hertz;
}

void FakeHost::FailMember(int member) {
  std::lock_guard<std::mutex> hold(state_.mutex);
  state_.failing = member;
}

std::vector<std::string> FakeHost::Commands() const {
  std::lock_guard<std::mutex> hold(state_.mutex);
  return state_.commands;
}

int FakeHost::CallReads() const {
  std::lock_guard<std::mutex> hold(state_.mutex);
  return state_.callReads;
}

void UnregisterFakeHost() {
  RegDeleteKeyA(HKEY_CLASSES_ROOT, kProgIdKey);
  RegDeleteKeyA(HKEY_CLASSES_ROOT, "Vexo2.Application");
}

}  // namespace testing
}  // namespace stats
