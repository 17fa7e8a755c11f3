// A stand-in for the host's automation object, in the real host's shape:
// an IDispatch registered in the running object table under the ProgID
// "Vexo2.Application" from the thread that constructs it (the test's main
// thread, which also calls the exports), in that thread's single-threaded
// apartment, beside a main window of the host's. A call from the window
// thread is then a message to this thread and is answered only while it
// pumps, so tests wait with PumpUntil. It answers members 2 (frequency),
// 8 (entry field) and 16 (command), records the commands, and can be told
// to be slow, modal, rejecting, failing or re-entrant in any member.
#ifndef STATS_TESTS_WINE_FAKE_HOST_H_
#define STATS_TESTS_WINE_FAKE_HOST_H_

#include <objbase.h>
#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace stats {
namespace testing {

class FakeHost {
 public:
  // withWindow: the host's main window, visible and active on this thread.
  explicit FakeHost(bool withWindow = true);
  ~FakeHost();  // revokes the object
  FakeHost(const FakeHost&) = delete;
  FakeHost& operator=(const FakeHost&) = delete;

  void SetCall(const std::string& call);
  void SetFrequency(double hertz);
  void FailMember(int member);  // 0: none fails
  // Cuts the object off from its clients, as a host that shuts down does:
  // a call on a connection made before is refused from then on. A new
  // lookup connects again.
  void Disconnect();
  // Runs before the member answers, on this thread, each time it is
  // called: it may sleep (a busy host), pump (a host in a modal loop) or
  // call the exports. A failure code it returns is the member's answer
  // (RPC_E_CALL_REJECTED: "retry later"); S_OK lets the member answer.
  void OnMember(int member, std::function<HRESULT()> action);
  // Runs on this thread as each call into this thread's apartment arrives
  // (the host's message filter is asked), whatever object and member it is
  // for: the lookup of the object and the letting go of it too.
  void OnIncomingCall(std::function<void()> action);
  // Posts a command of the host's menu to its main window: it runs when
  // this thread next dispatches its messages.
  void PostMenuCommand(std::function<void()> command);
  std::vector<std::string> Commands() const;
  int CallReads() const;  // how often the entered call was read: one per refresh
  HWND window() const { return window_; }

  // For the object.
  struct State {
    std::string call;
    double hertz = 14025000;
    int failing = 0;
    std::vector<std::string> commands;
    int callReads = 0;
    std::map<int, std::function<HRESULT()>> actions;
    std::function<void()> incoming;
  };

 private:
  State state_;
  std::vector<std::function<void()>> menu_;
  IUnknown* object_ = nullptr;
  DWORD cookie_ = 0;
  IMessageFilter* filter_ = nullptr;
  bool comEntered_ = false;
  HWND window_ = nullptr;
};

// Removes the ProgID's registration, so that no host can be found.
void UnregisterFakeHost();

// Serves this thread's messages (calls into the host's object among them)
// until the condition holds or ms have passed; the condition's last answer.
bool PumpUntil(DWORD ms, const std::function<bool()>& condition);
inline void PumpFor(DWORD ms) {
  PumpUntil(ms, [] { return false; });
}

}  // namespace testing
}  // namespace stats

#endif  // STATS_TESTS_WINE_FAKE_HOST_H_
