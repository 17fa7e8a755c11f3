#include "platform/file_system.h"

#include <cstdio>

namespace stats {
namespace {

bool Write(const std::string& path, const char* mode, const std::string& bytes) {
  std::FILE* file = std::fopen(path.c_str(), mode);
  if (file == nullptr) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

class StdioFileSystem : public FileSystem {
 public:
  bool Replace(const std::string& path, const std::string& bytes) override {
    return Write(path, "wb", bytes);
  }
  bool Append(const std::string& path, const std::string& bytes) override {
    return AppendToFile(path, bytes);
  }
};

// Made when the library loads, not on first use: a function-local static
// would need the runtime's thread-safe initialisation, whose per-thread
// state outlives an unload.
StdioFileSystem g_files;

}  // namespace

bool FileSystem::ReplaceSafely(const std::string& path, const std::string& bytes,
                               std::string* error) {
  return ReplaceFileSafely(path, bytes, error);
}

FileSystem& RealFileSystem() {
  return g_files;
}

}  // namespace stats
