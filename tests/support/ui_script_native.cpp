// The scripted dialogs seam for the in-process plug-in.
#include "plugin/dialogs.h"
#include "plugin/module.h"
#include "resources/resource.h"
#include "tests/support/allocation_faults.h"
#include "tests/support/ui_script.h"

namespace stats {
namespace testing {
namespace {

// Runs the reply's callback as the host would from the dialog's modal loop,
// after checking that the plug-in left its lock free for it.
void WhileOpen(UiScript& script, const DialogReply& reply) {
  if (!reply.whileOpen) return;
  std::mutex& lock = TheModule().lock;
  if (!lock.try_lock()) {
    script.RecordProblem("the module lock is held while a dialog is up");
    return;
  }
  lock.unlock();
  reply.whileOpen();
}

class ScriptedDialogs : public Dialogs {
 public:
  explicit ScriptedDialogs(UiScript& script) : script_(script) {}

  // What the script records, and the operator types, are the test's own
  // allocations, not the plug-in's; what the host does while a dialog is up
  // is the host's and the plug-in's.
  bool ShowHeader(HeaderForm& form) override {
    DialogReply reply;
    {
      UncountedAllocations ours;
      reply = script_.NextReply();
      SeenDialog seen{"Romanian DX Contest", {}, {}};
      for (const HeaderControl& control : kHeaderControls) {
        seen.texts[control.id] = form.*control.text;
      }
      script_.Record(seen);
    }
    WhileOpen(script_, reply);
    UncountedAllocations ours;
    for (const auto& typed : reply.typed) *HeaderText(form, typed.first) = typed.second;
    for (const auto& picked : reply.picked) Pick(form, picked.first, picked.second);
    return reply.confirm;
  }

  bool ShowSetup(SetupForm& form) override {
    DialogReply reply;
    SeenDialog seen{"Setup YO-DX", {}, {}};
    {
      UncountedAllocations ours;
      reply = script_.NextReply();
      // What two-state check boxes show for the stored values.
      auto shown = [](int64_t value) { return value >= 1 && value <= 2 ? 1 : 0; };
      seen.checks[IDC_MASTER_FILE] = shown(form.masterFile);
      seen.checks[IDC_MULTIPLIER_WINDOW] = shown(form.multiplierWindow);
      script_.Record(seen);
    }
    WhileOpen(script_, reply);
    if (!reply.confirm) return false;
    form.masterFile = seen.checks[IDC_MASTER_FILE];
    form.multiplierWindow =
        reply.tickMultiplier >= 0 ? reply.tickMultiplier : seen.checks[IDC_MULTIPLIER_WINDOW];
    return true;
  }

  void ShowMessage(const std::string& caption, const std::string& text, Icon) override {
    UncountedAllocations ours;
    script_.RecordMessage(caption + ": " + text);
  }

 private:
  // An operator can pick only what the combo box lists.
  void Pick(HeaderForm& form, int id, const std::string& entry) {
    for (const HeaderControl& control : kHeaderControls) {
      if (control.id != id) continue;
      for (const char* listed : control.entries) {
        if (entry == listed) {
          form.*control.text = entry;
          return;
        }
      }
    }
    script_.RecordProblem("control " + std::to_string(id) + " lists no entry " + entry);
  }

  UiScript& script_;
};

}  // namespace

struct UiScript::Driver {};

UiScript::UiScript() {
  TheModule().dialogs = std::make_unique<ScriptedDialogs>(*this);
}

UiScript::~UiScript() {
  TheModule().dialogs = NewPlatformDialogs();
}

}  // namespace testing
}  // namespace stats
