// The UI robot for the real Stats.dll: a thread that watches for the
// plug-in's dialogs and message boxes, reads and types their controls with
// window messages, and presses their buttons. Callbacks that must run on the
// plug-in's calling thread (inside its modal loop) go through a helper
// window of that thread.
#include <windows.h>

#include <atomic>
#include <set>
#include <thread>
#include <vector>

#include "cabrillo/header.h"
#include "resources/resource.h"
#include "tests/support/ui_script.h"

namespace stats {
namespace testing {
namespace {

constexpr UINT kRunCallback = WM_APP + 1;
constexpr int kFirstCountyBox = 1015;  // "AB" of the Romania County window
constexpr UINT kCallbackTimeoutMs = 20000;
const char kHelperClass[] = "StatsTestUiHelper";

LRESULT CALLBACK HelperProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kRunCallback) {
    (*reinterpret_cast<const std::function<void()>*>(lParam))();
    return 1;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

std::string TextOf(HWND window) {
  std::vector<char> text(static_cast<size_t>(GetWindowTextLengthA(window)) + 1);
  const int n = GetWindowTextA(window, text.data(), static_cast<int>(text.size()));
  return std::string(text.data(), n > 0 ? n : 0);
}

std::string ClassOf(HWND window) {
  char name[64] = "";
  GetClassNameA(window, name, sizeof name);
  return name;
}

BOOL CALLBACK CollectStaticText(HWND child, LPARAM out) {
  if (ClassOf(child) == "Static") {
    const std::string text = TextOf(child);
    if (!text.empty()) *reinterpret_cast<std::string*>(out) += text;
  }
  return TRUE;
}

BOOL CALLBACK CollectDialogs(HWND window, LPARAM out) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == GetCurrentProcessId() && IsWindowVisible(window) && ClassOf(window) == "#32770") {
    reinterpret_cast<std::vector<HWND>*>(out)->push_back(window);
  }
  return TRUE;
}

void Press(HWND dialog, int id) {
  PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

}  // namespace

struct UiScript::Driver {
  UiScript& script;
  HWND helper = nullptr;
  std::atomic<bool> stop{false};
  std::set<HWND> handled;
  std::thread robot;

  explicit Driver(UiScript& s) : script(s) {
    WNDCLASSA helperClass = {};
    helperClass.lpfnWndProc = HelperProc;
    helperClass.hInstance = GetModuleHandleA(nullptr);
    helperClass.lpszClassName = kHelperClass;
    RegisterClassA(&helperClass);  // fails harmlessly when registered before
    helper = CreateWindowA(kHelperClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
    robot = std::thread([this] { Run(); });
  }

  ~Driver() {
    stop = true;
    robot.join();
    DestroyWindow(helper);
  }

  void Run() {
    while (!stop) {
      std::vector<HWND> dialogs;
      EnumWindows(CollectDialogs, reinterpret_cast<LPARAM>(&dialogs));
      for (auto it = handled.begin(); it != handled.end();) {
        it = IsWindow(*it) ? std::next(it) : handled.erase(it);
      }
      for (HWND dialog : dialogs) {
        if (handled.insert(dialog).second) Answer(dialog);
      }
      Sleep(5);
    }
  }

  // Runs a callback on the plug-in's calling thread, inside its modal loop.
  void OnCallingThread(const std::function<void()>& callback) {
    if (!callback) return;
    DWORD_PTR ignored = 0;
    if (!SendMessageTimeoutA(helper, kRunCallback, 0, reinterpret_cast<LPARAM>(&callback),
                             SMTO_NORMAL, kCallbackTimeoutMs, &ignored)) {
      script.RecordProblem("the calling thread did not serve its messages while a dialog was up");
    }
  }

  void Answer(HWND dialog) {
    const std::string caption = TextOf(dialog);
    if (caption == "Romanian DX Contest") {
      AnswerHeader(dialog, caption);
    } else if (caption == "Setup YO-DX") {
      AnswerSetup(dialog, caption);
    } else if (GetDlgItem(dialog, kFirstCountyBox) != nullptr ||
               GetDlgItem(dialog, IDC_DXCC_INFO) != nullptr) {
      return;  // the information windows are not for the robot to answer
    } else {
      std::string text;
      EnumChildWindows(dialog, CollectStaticText, reinterpret_cast<LPARAM>(&text));
      // Gone before it could be read: one of the information windows as it
      // closed (a box waits for its OK), seen without its caption or controls.
      if (!IsWindow(dialog)) return;
      script.RecordMessage(caption + ": " + text);
      if (auto inspect = script.MessageInspector()) inspect(dialog);
      Press(dialog, IDOK);
    }
  }

  void AnswerHeader(HWND dialog, const std::string& caption) {
    const DialogReply reply = script.NextReply();
    SeenDialog seen{caption, {}, {}};
    for (const HeaderControl& control : kHeaderControls) {
      seen.texts[control.id] = TextOf(GetDlgItem(dialog, control.id));
    }
    script.Record(seen);
    if (reply.inspect) reply.inspect(dialog);
    OnCallingThread(reply.whileOpen);
    for (const auto& typed : reply.typed) {
      SetDlgItemTextA(dialog, typed.first, typed.second.c_str());
    }
    for (const auto& picked : reply.picked) {
      const LRESULT index =
          SendDlgItemMessageA(dialog, picked.first, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                              reinterpret_cast<LPARAM>(picked.second.c_str()));
      if (index == CB_ERR) {
        script.RecordProblem("control " + std::to_string(picked.first) + " lists no entry " +
                             picked.second);
      } else {
        SendDlgItemMessageA(dialog, picked.first, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
      }
    }
    Press(dialog, reply.confirm ? IDOK : IDCANCEL);
  }

  void AnswerSetup(HWND dialog, const std::string& caption) {
    const DialogReply reply = script.NextReply();
    SeenDialog seen{caption, {}, {}};
    for (int id : {IDC_MASTER_FILE, IDC_MULTIPLIER_WINDOW}) {
      seen.checks[id] = static_cast<int>(IsDlgButtonChecked(dialog, id));
    }
    script.Record(seen);
    if (reply.inspect) reply.inspect(dialog);
    OnCallingThread(reply.whileOpen);
    if (reply.tickMultiplier >= 0) {
      CheckDlgButton(dialog, IDC_MULTIPLIER_WINDOW, reply.tickMultiplier ? BST_CHECKED : 0);
    }
    if (reply.confirm) {
      Press(dialog, IDOK);
    } else {
      PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);  // the close box
    }
  }
};

UiScript::UiScript() : driver_(std::make_unique<Driver>(*this)) {}

UiScript::~UiScript() = default;

}  // namespace testing
}  // namespace stats
