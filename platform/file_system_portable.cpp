// Appends and whole-file replacement with POSIX calls: open, write, close;
// for a replacement write, (sync,) close, rename.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <system_error>

#include "platform/file_system.h"

namespace stats {
namespace {

// Every byte, or false with errno telling why.
bool WriteAll(int fd, const std::string& bytes) {
  for (std::size_t done = 0; done < bytes.size();) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// Closes the file; false, with errno telling why, when the close reported
// an error (on some file systems the first sign of a full disk).
bool CloseChecked(int fd) {
  if (close(fd) != 0) return false;
  if (!CloseFailsByRequest()) return true;
  errno = ENOSPC;
  return false;
}

}  // namespace

bool AppendToFile(const std::string& path, const std::string& bytes) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  const bool written = WriteAll(fd, bytes);
  return CloseChecked(fd) && written;
}

namespace {

// The bytes under a temporary name, renamed over path: 0, or the errno of
// the step that failed, and then the temporary file is gone. No text is
// made here: the caller decides whether it needs one.
int ReplaceWhole(const std::string& path, const std::string& bytes, bool flushToDisk) {
  const std::string temporary = path + ".tmp";
  const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return errno;
  bool ok = WriteAll(fd, bytes) && (!flushToDisk || fsync(fd) == 0);
  int why = errno;
  if (!CloseChecked(fd) && ok) {
    ok = false;
    why = errno;
  }
  if (ok && std::rename(temporary.c_str(), path.c_str()) != 0) {
    ok = false;
    why = errno;
  }
  if (ok) return 0;
  std::remove(temporary.c_str());
  return why != 0 ? why : EIO;
}

}  // namespace

bool ReplaceFileSafely(const std::string& path, const std::string& bytes, std::string* error,
                       bool flushToDisk) {
  const int why = ReplaceWhole(path, bytes, flushToDisk);
  if (why == 0) return true;
  *error = std::generic_category().message(why);  // strerror is not thread-safe
  return false;
}

// A rename here replaces a file that others hold open as well.
bool ReplaceOrRewriteFile(const std::string& path, const std::string& bytes) {
  return ReplaceWhole(path, bytes, false) == 0;
}

}  // namespace stats
