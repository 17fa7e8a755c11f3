// The host's automation object through COM: the class identifier from the
// ProgID, the running instance from the running object table (never a new
// one), and IDispatch::Invoke by member number.
#include <ole2.h>
#include <oleauto.h>
#include <windows.h>

#include <vector>

#include "hostlink/host_link.h"
#include "plugin/win32_error.h"

namespace stats {
namespace {

constexpr DISPID kMemberFrequency = 2;
constexpr DISPID kMemberGetField = 8;
constexpr DISPID kMemberCommand = 16;

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

class ComConnection : public HostConnection {
 public:
  explicit ComConnection(IDispatch* dispatch) : dispatch_(dispatch) {}
  ~ComConnection() override { dispatch_->Release(); }

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
  HostStatus Invoke(DISPID member, WORD flags, VARIANT* args, UINT count, VARIANT* result) {
    DISPPARAMS params = {args, nullptr, count, 0};
    EXCEPINFO exception = {};
    UINT badArgument = 0;
    const HRESULT hr = dispatch_->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                                         result, &exception, &badArgument);
    if (SUCCEEDED(hr)) return HostStatus();
    std::string why;
    if (hr == DISP_E_EXCEPTION) {
      if (exception.pfnDeferredFillIn != nullptr) exception.pfnDeferredFillIn(&exception);
      why = Narrow(exception.bstrDescription);
    }
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    return HostStatus::Failed(why.empty() ? ErrorText(static_cast<DWORD>(hr)) : why);
  }

  IDispatch* dispatch_;
};

class ComHostLink : public HostLink {
 public:
  bool EnterThread() override {
    // A thread that already has COM (in another apartment model) keeps it.
    return SUCCEEDED(CoInitialize(nullptr));
  }
  void LeaveThread(bool entered) override {
    if (entered) CoUninitialize();
  }

  std::unique_ptr<HostConnection> Attach() override {
    CLSID host;
    if (FAILED(CLSIDFromProgID(L"Vexo2.Application", &host))) return nullptr;
    IUnknown* running = nullptr;
    if (FAILED(GetActiveObject(host, nullptr, &running)) || running == nullptr) return nullptr;
    IDispatch* dispatch = nullptr;
    const HRESULT hr = running->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
    running->Release();
    if (FAILED(hr) || dispatch == nullptr) return nullptr;
    return std::make_unique<ComConnection>(dispatch);
  }
};

}  // namespace

std::unique_ptr<HostLink> NewPlatformHostLink() {
  return std::make_unique<ComHostLink>();
}

}  // namespace stats
