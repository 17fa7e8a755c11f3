// The headless responder of the builds without a desktop: every dialog is
// confirmed with the values it was shown, as an operator pressing Enter
// would, and messages go to standard error, where a command-line host shows
// them. A command-line host can answer the header dialog's categories, which
// the settings file does not preset, through the environment:
// STATS_HEADER_CATEGORY_BAND=20M stands for "20M" typed into CATEGORY-BAND.
#include <cstdio>
#include <cstdlib>

#include "plugin/dialogs.h"

namespace stats {
namespace {

class HeadlessDialogs : public Dialogs {
 public:
  bool ShowHeader(HeaderForm& form) override {
    for (const HeaderControl& control : kHeaderControls) {
      if (control.entries.empty()) continue;  // only the combo boxes
      std::string name = std::string("STATS_HEADER_") + control.label;
      for (char& c : name) c = c == '-' ? '_' : c;
      // The plug-in never changes its environment, so reading it races with nothing.
      if (const char* typed = std::getenv(name.c_str())) {  // NOLINT(concurrency-mt-unsafe)
        form.*control.text = typed;
      }
    }
    return true;
  }

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
