// A fresh, empty working folder for one test: the plug-in writes err.txt and
// its settings file relative to the working directory.
#ifndef STATS_TESTS_SUPPORT_SCRATCH_DIR_H_
#define STATS_TESTS_SUPPORT_SCRATCH_DIR_H_

#include <filesystem>
#include <string>

namespace stats {
namespace testing {

class ScratchDir {
 public:
  ScratchDir();   // creates the folder and makes it the working directory
  ~ScratchDir();  // restores the working directory and removes the folder
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path previous_;
  std::filesystem::path path_;
};

// The whole file as bytes; empty when it does not exist.
std::string ReadFileBytes(const std::filesystem::path& path);
bool FileExists(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes);

}  // namespace testing
}  // namespace stats

#endif  // STATS_TESTS_SUPPORT_SCRATCH_DIR_H_
