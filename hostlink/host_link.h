// The calls the plug-in makes back into the running host.
#ifndef STATS_HOSTLINK_HOST_LINK_H_
#define STATS_HOSTLINK_HOST_LINK_H_

#include <memory>

namespace stats {

class HostLink {
 public:
  virtual ~HostLink() = default;
  // Attaches to the running host on the calling thread and sends it the two
  // mode commands "<MODE:CW>" and "<BAUDRATE:27>". Returns false, sending
  // nothing, when no host is running.
  virtual bool SendModeCommands() = 0;
};

// The host link of this build.
std::unique_ptr<HostLink> NewHostLink();

}  // namespace stats

#endif  // STATS_HOSTLINK_HOST_LINK_H_
