// A stand-in for the host's automation object: an IDispatch registered in
// the running object table under the ProgID "Vexo2.Application", answering
// members 2 (frequency), 8 (entry field) and 16 (command) and recording the
// commands. It lives on a multithreaded-apartment thread of its own, so any
// thread can call it without this test's thread serving messages.
#ifndef STATS_TESTS_WINE_FAKE_HOST_H_
#define STATS_TESTS_WINE_FAKE_HOST_H_

#include <windows.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace stats {
namespace testing {

class FakeHost {
 public:
  FakeHost();   // registers the ProgID and publishes the object
  ~FakeHost();  // revokes it
  FakeHost(const FakeHost&) = delete;
  FakeHost& operator=(const FakeHost&) = delete;

  void SetCall(const std::string& call);
  void SetFrequency(double hertz);
  void FailMember(int member);  // 0: none fails
  std::vector<std::string> Commands() const;
  int CallReads() const;  // how often the entered call was read: one per refresh

  // For the object.
  struct State {
    mutable std::mutex mutex;
    std::string call;
    double hertz = 14025000;
    int failing = 0;
    std::vector<std::string> commands;
    int callReads = 0;
  };

 private:
  State state_;
  HANDLE stop_;
  HANDLE ready_;
  std::thread thread_;
};

// Removes the ProgID's registration, so that no host can be found.
void UnregisterFakeHost();

}  // namespace testing
}  // namespace stats

#endif  // STATS_TESTS_WINE_FAKE_HOST_H_
