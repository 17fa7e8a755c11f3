// Finding the host's version for the CREATED-BY line: the program files of
// the working folder and their fixed file version.
#ifndef STATS_CABRILLO_HOST_PROGRAM_H_
#define STATS_CABRILLO_HOST_PROGRAM_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace stats {

class ProgramFiles {
 public:
  virtual ~ProgramFiles() = default;
  // The names of the working folder's entries matching "*.exe", in the order
  // of the directory listing.
  virtual std::vector<std::string> ExeNames() = 0;
  // The file version words of a program file; false when it has none.
  virtual bool FileVersion(const std::string& name, uint32_t* versionMs, uint32_t* versionLs) = 0;
};

// FindFirstFileA and GetFileVersionInfoA on Windows; a directory listing and
// our own version-resource reader elsewhere.
std::unique_ptr<ProgramFiles> NewPlatformProgramFiles();

// The bytes of a program file; false for a file that cannot be read or is
// too large to be a program whose version we would read.
bool ReadProgramFile(const std::string& name, std::string* bytes);

// The version text of the first program whose name contains "Vexo" (case
// sensitive), or "" when there is none or it has no version.
std::string FindHostVersion(ProgramFiles& programs);

}  // namespace stats

#endif  // STATS_CABRILLO_HOST_PROGRAM_H_
