// The module-wide state of the plug-in: the subsystems' states and the
// cycle's own, everything the exports read and write, gathered in one object
// so that a test can begin from freshly constructed state; the one lock
// shared by the host's thread and the window thread; and the seams.
#ifndef STATS_PLUGIN_MODULE_H_
#define STATS_PLUGIN_MODULE_H_

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "cabrillo/cabrillo_log.h"
#include "infowindows/window_state.h"
#include "scoring/contest.h"

namespace stats {

class Dialogs;
class FileSystem;
class HostLink;
class InfoWindows;
class ProgramFiles;
class SettingsStore;

// The reset and result cycle's own state (plugin/session.h). Field names are
// the plug-in's own names for them.
struct SessionState {
  // Data of the last reset.
  std::string g_Contestant;
  std::string g_StartText;
  std::string g_EndText;
  int g_OutputSwitch = 0;
  int64_t master_file_option = 0;        // non-zero = on
  int64_t multiplier_window_option = 0;  // non-zero = on

  // Result summary.
  std::string g_ResultText;
  int g_HostModeSent = 0;
  // The result's host step is under way (the host may call the exports
  // from inside it): a nested result sends nothing.
  bool host_mode_sending = false;
  // Header dialogs up (the host may ask for a result, or reset again, from
  // inside their modal loops): the header holds the values loaded for a
  // dialog, not an answer, so no file is written from it.
  int header_dialogs_open = 0;
};

// The states and the platform seams they are kept through. Tests replace a
// seam with a fake of their own.
struct Module {
  // Held by every export and by the window thread while it reads or writes
  // the state. Not recursive: a modal dialog or message box shown from an
  // export runs a message loop in which the host may call the exports again,
  // so UI must be shown with the lock released.
  std::mutex lock;
  Contest contest;              // scoring/
  CCabrilloLog g_Cabrillo;      // cabrillo/: the header of the last output run and its QSO lines
  InfoWindowState windowState;  // infowindows/
  SessionState state;           // the reset and result cycle
  FileSystem* files;            // where err.txt and the Cabrillo file go
  std::unique_ptr<SettingsStore> settings;
  std::unique_ptr<HostLink> host;
  std::unique_ptr<Dialogs> dialogs;
  std::unique_ptr<ProgramFiles> programs;  // the host's program file, for its version
  // Last, so that it is closed first: its thread uses everything above.
  std::unique_ptr<InfoWindows> windows;

  Module();
  ~Module();
};

// Releases a held module lock for its lifetime and takes it again after:
// the scope of a modal dialog or message box, or of a wait for the window
// thread, during which the host may call the exports.
class LockReleased {
 public:
  explicit LockReleased(std::unique_lock<std::mutex>& held) : held_(held) { held_.unlock(); }
  ~LockReleased() { held_.lock(); }
  LockReleased(const LockReleased&) = delete;
  LockReleased& operator=(const LockReleased&) = delete;

 private:
  std::unique_lock<std::mutex>& held_;
};

// The module's one instance. It is freed only when the library is unloaded
// (TakeModule), never by the C runtime's exit-time destructors: at process
// exit other threads were stopped anywhere, perhaps holding its lock.
Module& TheModule();
// Takes the instance, if an export has built it, out of the module's
// keeping (for the unload path, which must not build one, and which decides
// whether to free it).
std::unique_ptr<Module> TakeModule();

// Counts the exports in progress, for the unload: a host that unloads the
// library from inside one (from a modal loop of the plug-in's) takes the
// export's code away with the image; the module is then left, not freed
// under that frame as well.
class ExportCall {
 public:
  ExportCall();
  ~ExportCall();
  ExportCall(const ExportCall&) = delete;
  ExportCall& operator=(const ExportCall&) = delete;
};
bool ExportInProgress();

// Replaces the instance with a freshly constructed one, as after loading the
// library. For tests that call the exports in-process.
void RebuildModule();

}  // namespace stats

#endif  // STATS_PLUGIN_MODULE_H_
