// The calls the plug-in makes back into the running host, through the
// automation object it publishes as "Vexo2.Application". A connection
// belongs to the thread that made it: each thread attaches on its own and
// never hands its connection to another.
#ifndef STATS_HOSTLINK_HOST_LINK_H_
#define STATS_HOSTLINK_HOST_LINK_H_

#include <atomic>
#include <chrono>
#include <memory>
#include <string>

namespace stats {

// The outcome of one call into the host: ok, or the host's error description.
struct HostStatus {
  bool ok = true;
  std::string error;
  static HostStatus Failed(std::string why) { return {false, std::move(why)}; }
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
  // The library is going away and the host's thread cannot serve a call:
  // stop guarding this thread's calls and forget the host's object without
  // releasing it (a release is itself a call into the host).
  virtual void Abandon() {}
};

// How the calls of a thread of the plug-in's own are guarded: a host that
// answers "retry later" (it sits in a modal state) is asked again for
// kRetryLaterLimit, no call waits longer than kHostCallLimit, and once the
// cancel flag is true a call in progress is abandoned and no new one made.
constexpr std::chrono::milliseconds kRetryLaterLimit{2000};
constexpr std::chrono::milliseconds kHostCallLimit{3000};

class HostLink {
 public:
  virtual ~HostLink() = default;
  // Prepares the calling thread for host calls (COM on Windows). Returns
  // what LeaveThread, on the same thread, must be given.
  virtual bool EnterThread() = 0;
  virtual void LeaveThread(bool entered) = 0;
  // The running host, or nullptr when none runs. Never starts one.
  virtual std::unique_ptr<HostConnection> Attach() = 0;
  // The same for a thread of the plug-in's own (never the host's thread,
  // whose own message handling is left alone), with every call guarded as
  // said above. cancel must outlive the connection.
  virtual std::unique_ptr<HostConnection> AttachGuarded(const std::atomic<bool>* cancel) = 0;
};

// COM on Windows; elsewhere no host ever runs.
std::unique_ptr<HostLink> NewPlatformHostLink();

// GetResult0's host step, on the calling thread: attach and send
// "<MODE:CW>" and "<BAUDRATE:27>". False when no host runs; a failing call
// is absorbed (nothing escapes to the host's call of GetResult0).
bool SendModeCommands(HostLink& link);

}  // namespace stats

#endif  // STATS_HOSTLINK_HOST_LINK_H_
