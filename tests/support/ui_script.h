// Answers the plug-in's dialogs and message boxes the way an operator would,
// and records what they showed. Natively it stands in for the dialogs seam;
// through the real Stats.dll it is a UI robot that finds the real windows,
// reads and types their controls, and presses their buttons.
#ifndef STATS_TESTS_SUPPORT_UI_SCRIPT_H_
#define STATS_TESTS_SUPPORT_UI_SCRIPT_H_

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace stats {
namespace testing {

// How to answer one dialog (the header dialog or the setup dialog).
struct DialogReply {
  bool confirm = true;                 // OK, or else Cancel (header) / the close box (setup)
  std::map<int, std::string> typed;    // control id -> text typed over the shown one
  std::map<int, std::string> picked;   // combo box id -> entry chosen from its list
  int tickMultiplier = -1;             // setup: 0 or 1 sets box 1106, -1 leaves it
  std::function<void()> whileOpen;     // runs on the plug-in's calling thread while it is up
  std::function<void(void*)> inspect;  // through the DLL: gets the dialog's window first
};

// What one dialog showed when it opened.
struct SeenDialog {
  std::string caption;
  std::map<int, std::string> texts;  // header dialog: every control's text
  std::map<int, int> checks;         // setup dialog: both boxes' check states
};

class UiScript {
 public:
  UiScript();  // installs itself for the plug-in that the tests call
  ~UiScript();
  UiScript(const UiScript&) = delete;
  UiScript& operator=(const UiScript&) = delete;

  // Answers the next dialog; dialogs without a queued reply are confirmed as shown.
  void Queue(DialogReply reply);
  // Through the DLL: gets the window of every message box before it is closed.
  void InspectMessages(std::function<void(void*)> inspect);

  std::vector<SeenDialog> Seen() const;
  // Every message box, as "caption: text".
  std::vector<std::string> Messages() const;
  // Problems the script met (a dialog it could not answer, a deadlock).
  std::vector<std::string> Problems() const;

  // For the implementations.
  DialogReply NextReply();
  void Record(SeenDialog seen);
  void RecordMessage(const std::string& message);
  void RecordProblem(const std::string& problem);
  std::function<void(void*)> MessageInspector() const;

 private:
  struct Driver;
  mutable std::mutex mutex_;
  std::deque<DialogReply> replies_;
  std::vector<SeenDialog> seen_;
  std::vector<std::string> messages_;
  std::vector<std::string> problems_;
  std::function<void(void*)> message_inspector_;
  std::unique_ptr<Driver> driver_;
};

}  // namespace testing
}  // namespace stats

#endif  // STATS_TESTS_SUPPORT_UI_SCRIPT_H_
