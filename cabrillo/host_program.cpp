#include "cabrillo/host_program.h"

#include <fstream>
#include <iterator>

#include "cabrillo/cabrillo_log.h"

namespace stats {

bool ReadProgramFile(const std::string& name, std::string* bytes) {
  constexpr std::streamoff kLargestProgram = std::streamoff{1} << 30;
  std::ifstream in(name, std::ios::binary | std::ios::ate);
  if (!in) return false;
  const std::streamoff size = in.tellg();
  if (size <= 0 || size > kLargestProgram) return false;
  in.seekg(0);
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return static_cast<std::streamoff>(bytes->size()) == size;
}

std::string FindHostVersion(ProgramFiles& programs) {
  for (const std::string& name : programs.ExeNames()) {
    if (name.find("Vexo") == std::string::npos) continue;
    uint32_t ms = 0, ls = 0;
    return programs.FileVersion(name, &ms, &ls) ? HostVersionText(ms, ls) : std::string();
  }
  return std::string();
}

}  // namespace stats
