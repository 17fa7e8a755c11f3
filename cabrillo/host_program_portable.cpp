// The host's program files without the platform: a listing of the working
// folder and our own reader of the version resource.
#include <dirent.h>

#include <memory>
#include <string>
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
  // With readdir, not std::filesystem: its iterator makes each entry inside
  // a function that may not throw, so a refused allocation there ends the
  // process instead of failing the call.
  std::vector<std::string> ExeNames() override {
    std::vector<std::string> names;
    const std::unique_ptr<DIR, int (*)(DIR*)> folder(opendir("."), &closedir);
    if (folder == nullptr) return names;
    for (;;) {
      // Unsafe only between threads that share one DIR; this one is the call's own.
      const dirent* entry = readdir(folder.get());  // NOLINT(concurrency-mt-unsafe)
      if (entry == nullptr) break;
      std::string name = entry->d_name;
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
