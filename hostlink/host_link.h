// The calls the plug-in makes back into the running host, through the
// automation object it publishes as "Vexo2.Application". A connection
// belongs to the thread that made it: each thread attaches on its own and
// never hands its connection to another. The window thread attaches for
// each refresh and lets go after it, so that an idle window thread holds
// nothing of the host's (letting go is itself a call into the host).
#ifndef STATS_HOSTLINK_HOST_LINK_H_
#define STATS_HOSTLINK_HOST_LINK_H_

#include <atomic>
#include <chrono>
#include <memory>
#include <string>

namespace stats {

// The outcome of one call into the host: ok; failed, with the host's error
// description; or not made for a state of a host that works, which is no
// failure to tell the operator of: busy past the retry window (in a modal
// dialog of its own), cancelled by the plug-in at the time limit or at a
// close, or gone while it shuts down.
struct HostStatus {
  bool ok = true;
  bool unavailable = false;  // not ok, and nothing to show: the next refresh tries again
  std::string error;
  static HostStatus Failed(std::string why) { return {false, false, std::move(why)}; }
  static HostStatus Unavailable(std::string why) { return {false, true, std::move(why)}; }
};

// One thread's connection to the running host.
class HostConnection {
 public:
  virtual ~HostConnection() = default;
  // Member 16: a command text ("<MODE:CW>", "<BAUDRATE:27>", "<SP1>").
  virtual HostStatus Command(const std::string& text) = 0;
  // Member 8: a field of the entry line; 5 is the call being entered.
  virtual HostStatus GetField(int field, std::string* text) = 0;
  // Member 2: the operating frequency in hertz.
  virtual HostStatus Frequency(double* hertz) = 0;
};

// How the calls of a thread of the plug-in's own are guarded: a host that
// answers "retry later" (it sits in a modal state) is asked again for
// kRetryLaterLimit, and no call waits longer than kHostCallLimit. Once stop
// is true no new call is made (attaching and the members; letting go of a
// connection still is one) and a rejected one is not asked again; a call in
// progress still gets its answer. inCall and answered tell another thread
// whether this one is waiting for the host, and how many of its calls have
// come back.
constexpr std::chrono::milliseconds kRetryLaterLimit{2000};
constexpr std::chrono::milliseconds kHostCallLimit{10000};
struct HostCallGuard {
  std::atomic<bool> stop{false};
  std::atomic<bool> inCall{false};
  std::atomic<unsigned> answered{0};
};

class HostLink {
 public:
  virtual ~HostLink() = default;
  // Prepares the calling thread for host calls (COM on Windows). Returns
  // what LeaveThread, on the same thread, must be given. A thread of the
  // plug-in's own passes a guard, which must outlive LeaveThread: every host
  // call of the thread, attaching and letting go included, is then guarded
  // as said above. The host's own thread passes none: its own handling of
  // messages is left alone.
  virtual bool EnterThread(HostCallGuard* guard = nullptr) = 0;
  virtual void LeaveThread(bool entered) = 0;
  // The running host, or nullptr when none runs. Never starts one.
  virtual std::unique_ptr<HostConnection> Attach() = 0;
};

// COM on Windows; elsewhere no host ever runs.
std::unique_ptr<HostLink> NewPlatformHostLink();

// GetResult0's host step, on the calling thread: attach and send
// "<MODE:CW>" and "<BAUDRATE:27>". False when no host runs; a failing call
// is absorbed (nothing escapes to the host's call of GetResult0).
bool SendModeCommands(HostLink& link);

}  // namespace stats

#endif  // STATS_HOSTLINK_HOST_LINK_H_
