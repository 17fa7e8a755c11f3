// The one place where the plug-in's output files are written, so that tests
// can make writes fail.
#ifndef STATS_PLATFORM_FILE_SYSTEM_H_
#define STATS_PLATFORM_FILE_SYSTEM_H_

#include <string>

namespace stats {

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Gives the file the bytes as its whole content, creating it when it does
  // not exist: false when it could not, and then the old file is as it was.
  // A file that another program holds open, which the platform will not
  // replace, is written over in place instead (ReplaceOrRewriteFile).
  virtual bool Replace(const std::string& path, const std::string& bytes) = 0;
  // Appends the bytes, creating the file when it does not exist. False when
  // a byte could not be written or the file did not close without error;
  // what the file held before is left as it was either way.
  virtual bool Append(const std::string& path, const std::string& bytes) = 0;
  // Replace, with every byte on disk before the new file takes the old
  // one's name. On failure *error gets the platform's own reason.
  virtual bool ReplaceSafely(const std::string& path, const std::string& bytes, std::string* error);
};

// The platform part of replacing a file whole (file_system_win32.cpp,
// file_system_portable.cpp): the bytes under a temporary name in the same
// folder, renamed over path only when every byte was written and the file
// closed without error (and, with flushToDisk, its bytes were on disk), so
// that path holds either its old content or the whole new one. On failure
// *error gets the platform's own reason and the old file is left as it was.
bool ReplaceFileSafely(const std::string& path, const std::string& bytes, std::string* error,
                       bool flushToDisk = true);

// The platform part of the real Replace, for a file that is started afresh
// (the report): as ReplaceFileSafely without the wait for the disk, and no
// reason told. Where the platform refuses to rename over a file that another
// program holds open (Windows, unless that program lets it be deleted: a
// viewer that follows the report as it grows does not), the bytes, which
// fitted on the disk a moment ago, are written over the old ones in place.
bool ReplaceOrRewriteFile(const std::string& path, const std::string& bytes);

// The platform part of the real Append: the file opened for appending
// (created when missing), written and closed with the system's own calls,
// three of them; a report line costs no more than that.
bool AppendToFile(const std::string& path, const std::string& bytes);

// Binary files relative to the process's working directory.
FileSystem& RealFileSystem();

// For tests of a disk that fails a file only as it is closed (a full disk
// whose cached bytes go out then, a network share): the next `count` files
// that the functions above close report the close as failed, with the
// platform's "disk full", though each is closed all the same.
void FailNextCloses(int count);
// For the platform files: whether the close just made is one to fail.
bool CloseFailsByRequest();

}  // namespace stats

#endif  // STATS_PLATFORM_FILE_SYSTEM_H_
