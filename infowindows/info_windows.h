// The information windows as the rest of the plug-in sees them: a window set
// on a thread of its own that can be opened, closed, asked whether it is
// open, and given a prompt refresh while the operator types. On Windows the
// thread holds a reference to the library for its whole life: the windows
// outlive the host's unload until the operator closes them.
#ifndef STATS_INFOWINDOWS_INFO_WINDOWS_H_
#define STATS_INFOWINDOWS_INFO_WINDOWS_H_

#include <memory>
#include <mutex>

namespace stats {

class HostLink;
class SettingsStore;
struct Contest;
struct InfoWindowState;

class InfoWindows {
 public:
  virtual ~InfoWindows() = default;
  // True from Open until a close is asked for or the operator closes the set.
  virtual bool IsOpen() = 0;
  // Closes an open set, then starts the window thread and returns without
  // waiting for it. While an earlier thread still lives (its close timed
  // out in a call to a busy host) no second one starts. Called without the
  // module lock: the window thread needs it.
  virtual void Open() = 0;
  // Closes the set and waits, a bounded time, for its thread to end; a
  // thread that outlives the wait is kept, not forgotten. Called without
  // the module lock.
  virtual void Close() = 0;
  // Re-arms the 330 ms refresh of an open set (CheckCall0).
  virtual void RearmRefresh() = 0;
};

// What the window thread works with: the module's lock, the contest and
// the windows' state, the settings file for the window positions, and the
// host link.
struct WindowContext {
  std::mutex* lock;
  Contest* contest;
  InfoWindowState* state;
  SettingsStore* settings;
  HostLink* host;
};

// The window set of this build: dialogs 106 and 108 on Windows; elsewhere
// the same logic on an event loop of our own, showing nothing.
std::unique_ptr<InfoWindows> NewPlatformInfoWindows(WindowContext context);

}  // namespace stats

#endif  // STATS_INFOWINDOWS_INFO_WINDOWS_H_
