// The host's program files through the platform: FindFirstFileA for the
// listing and the version functions for the fixed file version.
#include <windows.h>

#include <vector>

#include "cabrillo/host_program.h"
#include "cabrillo/pe_version.h"

namespace stats {
namespace {

bool HasSoundVersionResource(const std::string& name) {
  std::string bytes;
  uint32_t ms, ls;
  return ReadProgramFile(name, &bytes) && ReadPeFileVersion(bytes, &ms, &ls);
}

class Win32ProgramFiles : public ProgramFiles {
 public:
  std::vector<std::string> ExeNames() override {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA("*.exe", &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
      names.push_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
  }

  bool FileVersion(const std::string& name, uint32_t* versionMs, uint32_t* versionLs) override {
    // Wine's version functions read outside a garbled resource tree and
    // crash the process; our bounds-checked reader looks first, and only a
    // file with a sound version resource goes to the platform.
    if (!HasSoundVersionResource(name)) return false;
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(name.c_str(), &ignored);
    if (size == 0) return false;
    std::vector<char> block(size);
    if (!GetFileVersionInfoA(name.c_str(), 0, size, block.data())) return false;
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), "\\", &value, &length) || value == nullptr ||
        length < sizeof(VS_FIXEDFILEINFO)) {
      return false;
    }
    const auto* info = static_cast<const VS_FIXEDFILEINFO*>(value);
    if (info->dwSignature != 0xFEEF04BDu) return false;
    *versionMs = info->dwFileVersionMS;
    *versionLs = info->dwFileVersionLS;
    return true;
  }
};

}  // namespace

std::unique_ptr<ProgramFiles> NewPlatformProgramFiles() {
  return std::make_unique<Win32ProgramFiles>();
}

}  // namespace stats
