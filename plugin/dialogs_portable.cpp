// The headless responder of the builds without a desktop: every dialog is
// confirmed with the values it was shown, as an operator pressing Enter
// would, and messages go to standard error, where a command-line host shows
// them.
#include <cstdio>

#include "plugin/dialogs.h"

namespace stats {
namespace {

class HeadlessDialogs : public Dialogs {
 public:
  bool ShowHeader(HeaderForm&) override { return true; }

  bool ShowSetup(SetupForm& form) override {
    // A two-state box shows any stored value from 1 to 2 ticked.
    auto box = [](int64_t value) -> int64_t { return value >= 1 && value <= 2 ? 1 : 0; };
    form.masterFile = box(form.masterFile);
    form.multiplierWindow = box(form.multiplierWindow);
    return true;
  }

  void ShowMessage(const std::string& caption, const std::string& text, Icon) override {
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
  }
};

}  // namespace

std::unique_ptr<Dialogs> NewPlatformDialogs() {
  return std::make_unique<HeadlessDialogs>();
}

}  // namespace stats
