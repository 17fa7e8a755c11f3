// Reads the fixed file version of a Windows program file (PE32 or PE32+)
// from its version resource, without the platform: the portable twin of
// GetFileVersionInfoA and VerQueryValueA(block, "\\"). Every offset is
// checked against the file's size, so a truncated or garbled file simply has
// no version.
#ifndef STATS_CABRILLO_PE_VERSION_H_
#define STATS_CABRILLO_PE_VERSION_H_

#include <cstdint>
#include <string>

namespace stats {

// dwFileVersionMS and dwFileVersionLS of the version resource (type 16,
// name 1, its first language). False when the bytes hold none.
bool ReadPeFileVersion(const std::string& bytes, uint32_t* versionMs, uint32_t* versionLs);

}  // namespace stats

#endif  // STATS_CABRILLO_PE_VERSION_H_
