// The one place where the plug-in's output files are written, so that tests
// can make writes fail.
#ifndef STATS_PLATFORM_FILE_SYSTEM_H_
#define STATS_PLATFORM_FILE_SYSTEM_H_

#include <string>

namespace stats {

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Creates or truncates the file and writes the bytes. False when it could not.
  virtual bool Replace(const std::string& path, const std::string& bytes) = 0;
  // Appends the bytes, creating the file when it does not exist.
  virtual bool Append(const std::string& path, const std::string& bytes) = 0;
  // Writes the bytes under a temporary name in the same folder and renames
  // that over path only when every byte is on disk, so path holds either its
  // old content or the whole new one. On failure *error gets the platform's
  // own reason and the old file is left as it was.
  virtual bool ReplaceSafely(const std::string& path, const std::string& bytes, std::string* error);
};

// The platform part of FileSystem::ReplaceSafely (file_system_win32.cpp,
// file_system_portable.cpp).
bool ReplaceFileSafely(const std::string& path, const std::string& bytes, std::string* error);

// The platform part of the real Append: the file opened for appending
// (created when missing), written and closed with the system's own calls,
// three of them; a report line costs no more than that.
bool AppendToFile(const std::string& path, const std::string& bytes);

// Binary files relative to the process's working directory.
FileSystem& RealFileSystem();

}  // namespace stats

#endif  // STATS_PLATFORM_FILE_SYSTEM_H_
