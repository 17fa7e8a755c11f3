#include "hostlink/host_link.h"

namespace stats {

bool SendModeCommands(HostLink& link) {
  const bool entered = link.EnterThread();
  bool attached = false;
  {
    std::unique_ptr<HostConnection> host = link.Attach();
    if (host) {
      attached = true;
      // A host that refuses the first command is still a running host: the
      // commands count as sent, as they would be by the window's opening.
      if (host->Command("<MODE:CW>").ok) host->Command("<BAUDRATE:27>");
    }
  }  // released before the thread leaves COM
  link.LeaveThread(entered);
  return attached;
}

}  // namespace stats
