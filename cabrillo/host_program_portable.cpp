// The host's program files without the platform: a listing of the working
// folder and our own reader of the version resource.
#include <filesystem>
#include <string>
#include <system_error>
#include <utility>

#include "cabrillo/host_program.h"
#include "cabrillo/pe_version.h"

namespace stats {
namespace {

bool EndsWithExe(const std::string& name) {
  if (name.size() < 4) return false;
  std::string tail = name.substr(name.size() - 4);
  for (char& c : tail) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return tail == ".exe";  // the Windows pattern is case-insensitive
}

class ListedProgramFiles : public ProgramFiles {
 public:
  std::vector<std::string> ExeNames() override {
    std::vector<std::string> names;
    std::error_code error;
    std::filesystem::directory_iterator entry(".", error);
    for (; !error && entry != std::filesystem::directory_iterator(); entry.increment(error)) {
      std::string name = entry->path().filename().string();
      if (EndsWithExe(name)) names.push_back(std::move(name));
    }
    return names;
  }

  bool FileVersion(const std::string& name, uint32_t* versionMs, uint32_t* versionLs) override {
    std::string bytes;
    return ReadProgramFile(name, &bytes) && ReadPeFileVersion(bytes, versionMs, versionLs);
  }
};

}  // namespace

std::unique_ptr<ProgramFiles> NewPlatformProgramFiles() {
  return std::make_unique<ListedProgramFiles>();
}

}  // namespace stats
