// What only the real dialogs can show: the templates' controls, the keys in
// the multi-line boxes, and the owner and icon of the "Output" message box.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>

#include "resources/resource.h"
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

using DialogTemplateTest = PluginTest;

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

TEST_F(DialogTemplateTest, OutputBoxIsOwnedByTheActiveWindowAndInforms) {
  MakePluginsFolder();
  HWND host = CreateWindowA("STATIC", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                            nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  SetActiveWindow(host);
  HWND owner = nullptr;
  HICON icon = nullptr;
  ui_->InspectMessages([&](void* window) {
    HWND box = static_cast<HWND>(window);
    owner = GetWindow(box, GW_OWNER);
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
      }
    }
  });
  ResetArgs args;
  args.outputSwitch = 1;
  ResetStats(args);
  GetResult();
  EXPECT_EQ(ui_->Messages(), std::vector<std::string>{"Output: File produced: YO3XYZ.cbr"});
  EXPECT_EQ(owner, host);
  EXPECT_EQ(icon, LoadIcon(nullptr, IDI_INFORMATION));
  DestroyWindow(host);
}

}  // namespace
}  // namespace testing
}  // namespace stats
