// The information windows as the rest of the plug-in sees them: a window set
// that can be opened, closed, asked whether it is open, and given a prompt
// refresh while the operator types.
#ifndef STATS_INFOWINDOWS_INFO_WINDOWS_H_
#define STATS_INFOWINDOWS_INFO_WINDOWS_H_

#include <memory>

namespace stats {

class InfoWindows {
 public:
  virtual ~InfoWindows() = default;
  virtual bool IsOpen() = 0;
  // Opens the window set on its own thread and returns at once.
  virtual void Open() = 0;
  virtual void Close() = 0;
  // Re-arms the refresh timer of an open window set.
  virtual void RearmRefresh() = 0;
};

// The window set of this build.
std::unique_ptr<InfoWindows> NewInfoWindows();

}  // namespace stats

#endif  // STATS_INFOWINDOWS_INFO_WINDOWS_H_
