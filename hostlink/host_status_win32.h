// What a call into the host's automation object came to, by its HRESULT
// and the host's own description (empty: the system's text for the code).
#ifndef STATS_HOSTLINK_HOST_STATUS_WIN32_H_
#define STATS_HOSTLINK_HOST_STATUS_WIN32_H_

#include <windows.h>

#include <string>

#include "hostlink/host_link.h"

namespace stats {

// Ok for a success. Unavailable for the states of a host that works: busy
// ("retry later" past the retry window), the call cancelled by the plug-in,
// the host disconnected or gone while it shuts down. Failed for the rest:
// an error the host raised, a member it lacks, a wrong argument.
HostStatus StatusOfHostCall(HRESULT hr, const std::string& description);

}  // namespace stats

#endif  // STATS_HOSTLINK_HOST_STATUS_WIN32_H_
