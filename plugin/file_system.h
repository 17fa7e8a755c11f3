// The one place where the plug-in's output files are written, so that tests
// can make writes fail.
#ifndef STATS_PLUGIN_FILE_SYSTEM_H_
#define STATS_PLUGIN_FILE_SYSTEM_H_

#include <string>

namespace stats {

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Creates or truncates the file and writes the bytes. False when it could not.
  virtual bool Replace(const std::string& path, const std::string& bytes) = 0;
  // Appends the bytes, creating the file when it does not exist.
  virtual bool Append(const std::string& path, const std::string& bytes) = 0;
};

// Binary stdio files relative to the process's working directory.
FileSystem& RealFileSystem();

}  // namespace stats

#endif  // STATS_PLUGIN_FILE_SYSTEM_H_
