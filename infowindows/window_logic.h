// The logic of the two information windows, without any window: what a
// refresh reads from the host and the contest state, and what it makes the
// windows show. The platform's windows (or a recording, in tests and on
// Linux) implement InfoWindowView.
#ifndef STATS_INFOWINDOWS_WINDOW_LOGIC_H_
#define STATS_INFOWINDOWS_WINDOW_LOGIC_H_

#include <array>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "log/contest_log.h"

namespace stats {

class HostConnection;
class SettingsStore;
struct Contest;
struct InfoWindowState;

constexpr int kRefreshTimerId = 1500;
constexpr std::chrono::milliseconds kOpeningRefresh{300};
constexpr std::chrono::milliseconds kTypingRefresh{330};

// The band slot and window band name of a frequency: whole megahertz 1, 3,
// 7, 14, 21 and 28 are "160m" to "10m"; anything else is slot -1, "".
struct BandAt {
  int slot;
  std::string name;
};
BandAt BandFromFrequency(double hertz);

// "YO-DX CNT on <band> <n> of 20".
std::string CountyWindowTitle(const std::string& band, std::size_t counties);

// The county check boxes in alphabetical order of their codes, with the
// control identifiers of dialog 106.
struct CountyBox {
  const char* code;
  int id;
};
extern const std::array<CountyBox, 42> kCountyBoxes;
using CountyFlags = std::array<int, 42>;  // by kCountyBoxes index, 0 or 1

// Everything the DXCC window paints, copied from the state by a refresh.
struct DxccPicture {
  std::string call;  // empty: the band list instead of the grid
  int slot = -1;
  std::array<std::array<std::string, 4>, kBandSlots> rows;  // band, time, mode, county/number
  std::vector<std::string> bandList;                        // the slot's DXCC multipliers, sorted
};

// What the DXCC window shows now: the call and band of the last refresh and
// the grid rows and band list as the state holds them (rows back to "-"
// after a reset). Takes the lock. Painting uses it, so that a repaint never
// shows a picture older than the state.
DxccPicture CurrentDxccPicture(std::mutex& lock, const Contest& contest,
                               const InfoWindowState& state);

// The windows as a refresh drives them.
class InfoWindowView {
 public:
  virtual ~InfoWindowView() = default;
  virtual void ShowDxccWindow() = 0;  // creates and shows it when there is none
  virtual void SetCountyTitle(const std::string& title) = 0;
  virtual void SetDxccTitle(const std::string& title) = 0;
  virtual void SetCountyFlags(const CountyFlags& flags) = 0;
  virtual void RepaintDxcc(const DxccPicture& picture) = 0;
  // A call into the host failed: its description, for the operator.
  virtual void ShowHostError(const std::string& description) = 0;
};

// One refresh of both windows (the county window's timer expired). Takes the
// lock only to read and write the state, never around a host call or the
// view. host is null when no host runs.
void RefreshInfoWindows(std::mutex& lock, Contest& contest, InfoWindowState& state,
                        HostConnection* host, InfoWindowView& view);

// The steps of the county window's opening that are not the platform's own.
class CountyWindowOpening {
 public:
  virtual ~CountyWindowOpening() = default;
  virtual void PlaceAt(int64_t left, int64_t top) = 0;
  virtual void CreateBrush() = 0;
  virtual void ArmRefresh(std::chrono::milliseconds period) = 0;
  virtual void SetIcon() = 0;
  // Initialises COM on the window thread and attaches to the running host;
  // null when none runs.
  virtual HostConnection* AttachHost() = 0;
  virtual void ShowHostError(const std::string& description) = 0;
};

// The window positions: the last position pair both windows share, read at
// opening and written when a window was moved.
struct LastPosition {
  int64_t left = 0;
  int64_t top = 0;
};
struct PositionKeys {
  const char* x;
  const char* y;
  int64_t zeroLeft;  // what a stored 0 means
  int64_t zeroTop;
};
extern const PositionKeys kCountyPositionKeys;  // "oblast_x", "oblast_y"; 0 is 0
extern const PositionKeys kDxccPositionKeys;    // "dxcc_x", "dxcc_y"; 0 is 10 and 400

// Reads a window's position and makes it the last position.
LastPosition ReadWindowPosition(SettingsStore& settings, const PositionKeys& keys,
                                LastPosition* last);
// Writes the coordinate that differs from the last position (x before y).
void SaveWindowPosition(SettingsStore& settings, const PositionKeys& keys, int64_t left,
                        int64_t top, LastPosition* last);

// The county window's opening, in order: placement, brush, the 300 ms
// refresh, icon; then ConnectCountyWindow: the host and its two mode
// commands (a failing command ends the opening with the error shown). The
// Windows build connects just after the window exists, so that whoever
// waits for the window never waits for the host.
void OpenCountyWindow(CountyWindowOpening& steps, SettingsStore& settings, LastPosition* last);
void ConnectCountyWindow(CountyWindowOpening& steps);

// The one-shot refresh timer: each arming gives at most one refresh, and
// arming again replaces the pending one (so a burst of checks gives one
// refresh, 330 ms after the last).
class RefreshTimer {
 public:
  using Clock = std::chrono::steady_clock;
  void Arm(Clock::time_point now, std::chrono::milliseconds period) { due_ = now + period; }
  void Stop() { due_.reset(); }
  // True once, when the armed time has come; the timer is then stopped.
  bool Fire(Clock::time_point now) {
    if (!due_ || now < *due_) return false;
    due_.reset();
    return true;
  }
  std::optional<Clock::time_point> due() const { return due_; }

 private:
  std::optional<Clock::time_point> due_;
};

}  // namespace stats

#endif  // STATS_INFOWINDOWS_WINDOW_LOGIC_H_
