// The version-resource reader on arbitrary bytes: never reads outside them.
#include "cabrillo/cabrillo_log.h"
#include "cabrillo/pe_version.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  uint32_t ms = 0, ls = 0;
  if (stats::ReadPeFileVersion(bytes, &ms, &ls)) stats::HostVersionText(ms, ls);
  return 0;
}
