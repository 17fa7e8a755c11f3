#include "cabrillo/host_program.h"

#include "cabrillo/cabrillo_log.h"

namespace stats {

std::string FindHostVersion(ProgramFiles& programs) {
  for (const std::string& name : programs.ExeNames()) {
    if (name.find("Vexo") == std::string::npos) continue;
    uint32_t ms = 0, ls = 0;
    return programs.FileVersion(name, &ms, &ls) ? HostVersionText(ms, ls) : std::string();
  }
  return std::string();
}

}  // namespace stats
