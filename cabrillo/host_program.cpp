#include "cabrillo/host_program.h"

#include <cstdio>
#include <memory>

#include "cabrillo/cabrillo_log.h"

namespace stats {

// Through the C library's files rather than iostreams: the library carries
// no iostreams, whose set-up makes per-thread state that an unload leaves.
bool ReadProgramFile(const std::string& name, std::string* bytes) {
  constexpr long kLargestProgram = 1L << 30;
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(name.c_str(), "rb"),
                                                             &std::fclose);
  if (!file || std::fseek(file.get(), 0, SEEK_END) != 0) return false;
  const long size = std::ftell(file.get());
  if (size <= 0 || size > kLargestProgram || std::fseek(file.get(), 0, SEEK_SET) != 0) return false;
  bytes->resize(static_cast<std::size_t>(size));
  return std::fread(&(*bytes)[0], 1, bytes->size(), file.get()) == bytes->size();
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
