// What only the real dialogs can show: the templates' controls, the keys in
// the multi-line boxes, the owner of every modal window and the icon of the
// "Output" message box.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/support/allocation_faults.h"
#include "tests/support/plugin_test.h"

namespace stats {
namespace testing {
namespace {

LONG StyleOf(HWND dialog, int id) {
  return GetWindowLongA(GetDlgItem(dialog, id), GWL_STYLE);
}

// Waits up to two seconds for a condition that another thread brings about.
template <typename Condition>
bool Eventually(Condition condition) {
  for (int i = 0; i < 200; ++i) {
    if (condition()) return true;
    Sleep(10);
  }
  return condition();
}

void PostKey(HWND control, WPARAM key) {
  PostMessageA(control, WM_KEYDOWN, key, 1);
  PostMessageA(control, WM_KEYUP, key, 0xC0000001);
}

// The controls of dialog templates 101 (the Cabrillo header) and 105 (setup)
// by their numbers, written out here and not taken from resource.h, so that
// a wrong number there shows too. For each: the window class, the label (the
// text just before an edit or combo box, a button's own caption) and a combo
// box's list as the dialog fills it.
struct PinnedControl {
  int dialog;
  int id;
  const char* className;
  const char* label;
  std::vector<const char*> entries;
};
const PinnedControl kPinnedControls[] = {
    {101, 1009, "Edit", "CONTEST", {}},
    {101, 1010, "Edit", "CALLSIGN", {}},
    {101, 1008, "Edit", "CLAIMED", {}},
    {101, 1013, "ComboBox", "CATEGORY-OPERATOR", {"SINGLE-OP", "MULTI-OP", "CHECKLOG"}},
    {101, 1121, "Edit", "LOCATION", {}},
    {101, 1118, "ComboBox", "CATEGORY-BAND", {"ALL", "80M", "40M", "20M", "15M", "10M"}},
    {101, 1123, "ComboBox", "CATEGORY-MODE", {"MIXED", "CW", "SSB"}},
    {101, 1125, "ComboBox", "CATEGORY-POWER", {"HIGH", "LOW", "QRP"}},
    {101, 1122, "ComboBox", "CATEGORY-TRANSMITTER", {"ONE", "TWO", "UNLIMITED"}},
    {101, 1007, "Edit", "NAME", {}},
    {101, 1002, "Edit", "ADDRESS", {}},
    {101, 1003, "Edit", "ADDRESS-CITY", {}},
    {101, 1011, "Edit", "ADDRESS-POSTALCODE", {}},
    {101, 1012, "Edit", "ADDRESS-COUNTRY", {}},
    {101, 1006, "Edit", "OPERATORS", {}},
    {101, 1005, "Edit", "CLUB", {}},
    {101, 1001, "Edit", "SOAPBOX", {}},
    {101, 1004, "Edit", "E-MAIL", {}},
    {101, 1, "Button", "OK", {}},
    {101, 2, "Button", "CANCEL", {}},
    {105, 1, "Button", "OK", {}},
    {105, 1014, "Button", "Using master file", {}},
    {105, 1106, "Button", "Using window Multiplier", {}},
};

std::string ControlText(HWND window) {
  char text[256] = "";
  GetWindowTextA(window, text, sizeof text);
  return text;
}

// Every control of a dialog but its static texts, one line each as the
// table above describes it, sorted.
std::vector<std::string> ShownControls(HWND dialog) {
  std::vector<std::string> shown;
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    char name[64] = "";
    GetClassNameA(child, name, sizeof name);
    if (std::string(name) == "Static") continue;
    HWND before = GetWindow(child, GW_HWNDPREV);
    std::string line =
        std::to_string(GetDlgCtrlID(child)) + " " + name + " " +
        (std::string(name) == "Button" || !before ? ControlText(child) : ControlText(before));
    const LRESULT count =
        std::string(name) == "ComboBox" ? SendMessageA(child, CB_GETCOUNT, 0, 0) : 0;
    for (LRESULT i = 0; i < count; ++i) {
      char entry[64] = "";
      SendMessageA(child, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(entry));
      line += std::string(" ") + entry;
    }
    shown.push_back(line);
  }
  std::sort(shown.begin(), shown.end());
  return shown;
}

using DialogTemplateTest = PluginTest;

TEST_F(DialogTemplateTest, ControlNumbersOfTheTwoTemplates) {
  MakePluginsFolder();
  std::map<int, std::vector<std::string>> shown;
  DialogReply header;
  header.confirm = false;
  header.inspect = [&](void* window) { shown[101] = ShownControls(static_cast<HWND>(window)); };
  ui_->Queue(header);
  ResetArgs args;
  args.outputSwitch = 1;
  ResetStats(args);
  DialogReply setup;
  setup.confirm = false;
  setup.inspect = [&](void* window) { shown[105] = ShownControls(static_cast<HWND>(window)); };
  ui_->Queue(setup);
  Plugin().SetupSet0();

  HMODULE dll = GetModuleHandleA("Stats.dll");
  for (int dialog : {101, 105}) {
    EXPECT_NE(FindResourceA(dll, MAKEINTRESOURCEA(dialog), MAKEINTRESOURCEA(5)), nullptr)
        << "no dialog template " << dialog;  // 5: RT_DIALOG
    std::vector<std::string> pinned;
    for (const PinnedControl& c : kPinnedControls) {
      if (c.dialog != dialog) continue;
      std::string line = std::to_string(c.id) + " " + c.className + " " + c.label;
      for (const char* entry : c.entries) line += std::string(" ") + entry;
      pinned.push_back(line);
    }
    std::sort(pinned.begin(), pinned.end());
    EXPECT_EQ(shown[dialog], pinned) << "template " << dialog;
  }
}

// A folder where the file goes: the box shows the reason in the platform's
// own words, as the system gives them for the error it reports.
TEST_F(DialogTemplateTest, AFailedWriteShowsThePlatformsReason) {
  MakePluginsFolder();
  ResetArgs args;
  args.outputSwitch = 1;
  ResetStats(args);
  ASSERT_TRUE(CreateDirectoryA((dir_.path() / "YO3XYZ.cbr").string().c_str(), nullptr));
  GetResult();
  char* reason = nullptr;
  FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, ERROR_ACCESS_DENIED, 0, reinterpret_cast<char*>(&reason), 0, nullptr);
  ASSERT_NE(reason, nullptr);
  std::string text = reason;
  LocalFree(reason);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
    text.pop_back();
  }
  EXPECT_EQ(ui_->Messages(), std::vector<std::string>{
                                 "Output: File not produced: YO3XYZ.cbr could not be written (" +
                                 text + "). The previous file, if any, is unchanged."});
}

TEST_F(DialogTemplateTest, HeaderDialogControlsAndKeys) {
  MakePluginsFolder();
  std::atomic<bool> soapboxBroke{false}, operatorsConfirmed{false}, inspected{false};
  DialogReply reply;
  reply.inspect = [&](void* window) {
    HWND dialog = static_cast<HWND>(window);
    EXPECT_TRUE(StyleOf(dialog, IDC_SOAPBOX) & ES_WANTRETURN);
    EXPECT_TRUE(StyleOf(dialog, IDC_SOAPBOX) & ES_MULTILINE);
    EXPECT_FALSE(StyleOf(dialog, IDC_OPERATORS) & ES_WANTRETURN);
    EXPECT_TRUE(StyleOf(dialog, IDC_OPERATORS) & ES_MULTILINE);
    for (int id :
         {IDC_CAT_OPERATOR, IDC_CAT_BAND, IDC_CAT_MODE, IDC_CAT_POWER, IDC_CAT_TRANSMITTER}) {
      EXPECT_EQ(StyleOf(dialog, id) & 3, CBS_DROPDOWN) << id;
    }
    EXPECT_TRUE(StyleOf(dialog, IDC_CAT_TRANSMITTER) & CBS_SORT);
    EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_CAT_BAND, CB_GETCOUNT, 0, 0), 6);
    EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_CAT_BAND, CB_GETCURSEL, 0, 0), 0);

    // Enter breaks a line in SOAPBOX and confirms the dialog from OPERATORS.
    HWND soapbox = GetDlgItem(dialog, IDC_SOAPBOX);
    PostKey(soapbox, VK_RETURN);
    soapboxBroke = Eventually([&] { return GetWindowTextLengthA(soapbox) == 2; });
    PostKey(GetDlgItem(dialog, IDC_OPERATORS), VK_RETURN);
    operatorsConfirmed = Eventually([&] { return !IsWindow(dialog); });
    inspected = true;
  };
  ui_->Queue(reply);
  ResetArgs args;
  args.outputSwitch = 1;
  ResetStats(args);
  ASSERT_TRUE(Eventually([&] { return inspected.load(); }));
  EXPECT_TRUE(soapboxBroke);
  EXPECT_TRUE(operatorsConfirmed);
  EXPECT_NE(SettingsFile().find("\r\nSoapBox=<CR><LF>\r\n"), std::string::npos);
}

// Memory runs out as the header dialog reads its controls back on OK: the
// dialog ends as cancelled, the throw never reaching the system's frames,
// and the reset goes on as after a cancel: nothing of the answer stored, the
// start toggle written, the dialog gone and the host's window enabled.
TEST_F(DialogTemplateTest, MemoryRunningOutOnOkIsACancel) {
  MakePluginsFolder();
  HWND host = CreateWindowA("STATIC", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                            nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  SetActiveWindow(host);
  DialogReply reply;
  reply.typed = {{IDC_NAME, "Ion Popescu"}};
  reply.whileOpen = [] {
    AllocationPlan plan;
    plan.refuseNumber = 0;  // the first after OK: reading the controls back
    StartAllocationFaults(plan);
  };
  ui_->Queue(reply);
  ResetArgs args;
  args.outputSwitch = 1;
  EXPECT_EQ(ResetStats(args), 1);
  EXPECT_EQ(StopAllocationFaults().refused, 1u);
  EXPECT_EQ(FindWindowA("#32770", "Romanian DX Contest"), nullptr);
  EXPECT_TRUE(IsWindowEnabled(host));
  const std::string settings = SettingsFile();
  EXPECT_EQ(settings.find("Ion Popescu"), std::string::npos) << settings;
  EXPECT_NE(settings.find("Start=0\r\n"), std::string::npos) << settings;
  DestroyWindow(host);
}

TEST_F(DialogTemplateTest, SetupDialogHidesTheMasterFileBox) {
  DialogReply reply;
  reply.confirm = false;
  reply.inspect = [](void* window) {
    HWND dialog = static_cast<HWND>(window);
    HWND master = GetDlgItem(dialog, IDC_MASTER_FILE);
    HWND multiplier = GetDlgItem(dialog, IDC_MULTIPLIER_WINDOW);
    EXPECT_FALSE(IsWindowVisible(master));
    EXPECT_FALSE(IsWindowEnabled(master));
    EXPECT_TRUE(IsWindowVisible(multiplier));
    RECT a, b;
    GetWindowRect(master, &a);
    GetWindowRect(multiplier, &b);
    EXPECT_EQ(a.left, b.left);
    EXPECT_EQ(a.top, b.top);
    char caption[64];
    GetWindowTextA(multiplier, caption, sizeof caption);
    EXPECT_STREQ(caption, "Using window Multiplier");
  };
  ui_->Queue(reply);
  Plugin().SetupSet0();
  EXPECT_EQ(ui_->Seen().size(), 1u);
}

// Every modal window of the plug-in's belongs to the host's active window,
// which is disabled while it is up: the operator cannot close the host (and
// unload the plug-in) from under it. The "Output" box informs.
TEST_F(DialogTemplateTest, ModalWindowsBelongToTheHostsWindow) {
  MakePluginsFolder();
  HWND host = CreateWindowA("STATIC", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                            nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  SetActiveWindow(host);
  struct Seen {
    HWND owner = nullptr;
    BOOL hostEnabled = TRUE;
  };
  std::map<std::string, Seen> seen;
  const auto look = [&](const std::string& which) {
    return [&seen, which, host](void* window) {
      seen[which] = {GetWindow(static_cast<HWND>(window), GW_OWNER), IsWindowEnabled(host)};
    };
  };
  HICON icon = nullptr;
  ui_->InspectMessages([&](void* window) {
    look("Output box")(window);
    HWND box = static_cast<HWND>(window);
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
      }
    }
  });
  DialogReply reply;
  reply.inspect = look("header dialog");
  ui_->Queue(reply);
  ResetArgs args;
  args.outputSwitch = 1;
  ResetStats(args);
  GetResult();
  reply.inspect = look("setup dialog");
  ui_->Queue(reply);
  Plugin().SetupSet0();

  EXPECT_EQ(ui_->Messages(), std::vector<std::string>{"Output: File produced: YO3XYZ.cbr"});
  EXPECT_EQ(icon, LoadIcon(nullptr, IDI_INFORMATION));
  EXPECT_EQ(seen.size(), 3u);
  for (const auto& [which, window] : seen) {
    EXPECT_EQ(window.owner, host) << which;
    EXPECT_FALSE(window.hostEnabled) << which;
  }
  EXPECT_TRUE(IsWindowEnabled(host));
  DestroyWindow(host);
}

}  // namespace
}  // namespace testing
}  // namespace stats
