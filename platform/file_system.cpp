#include "platform/file_system.h"

#include <atomic>

namespace stats {
namespace {

class RealFiles : public FileSystem {
 public:
  bool Replace(const std::string& path, const std::string& bytes) override {
    // The report: small, started again at every reset, and made again by
    // the host's replay after it, so not worth a wait for the disk.
    return ReplaceOrRewriteFile(path, bytes);
  }
  bool Append(const std::string& path, const std::string& bytes) override {
    return AppendToFile(path, bytes);
  }
};

// Made when the library loads, not on first use: a function-local static
// would need the runtime's thread-safe initialisation, whose per-thread
// state outlives an unload.
RealFiles g_files;

std::atomic<int> g_failingCloses{0};

}  // namespace

bool FileSystem::ReplaceSafely(const std::string& path, const std::string& bytes,
                               std::string* error) {
  return ReplaceFileSafely(path, bytes, error);
}

FileSystem& RealFileSystem() {
  return g_files;
}

void FailNextCloses(int count) {
  g_failingCloses = count;
}

bool CloseFailsByRequest() {
  for (int left = g_failingCloses.load(); left > 0;) {
    if (g_failingCloses.compare_exchange_weak(left, left - 1)) return true;
  }
  return false;
}

}  // namespace stats
