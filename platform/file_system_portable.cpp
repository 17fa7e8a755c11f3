// Appends and whole-file replacement with POSIX calls: open, write, close;
// for a replacement write, sync, rename.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <system_error>

#include "platform/file_system.h"

namespace stats {

bool AppendToFile(const std::string& path, const std::string& bytes) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  bool written = true;
  for (std::size_t done = 0; written && done < bytes.size();) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    written = n > 0;
    if (written) done += static_cast<std::size_t>(n);
  }
  return close(fd) == 0 && written;
}

bool ReplaceFileSafely(const std::string& path, const std::string& bytes, std::string* error) {
  const std::string temporary = path + ".tmp";
  auto fail = [&](bool created) {
    *error = std::generic_category().message(errno);  // strerror is not thread-safe
    if (created) std::remove(temporary.c_str());
    return false;
  };
  const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
  if (fd < 0) return fail(false);
  for (std::size_t done = 0; done < bytes.size();) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int saved = errno != 0 ? errno : EIO;
      close(fd);
      errno = saved;
      return fail(true);
    }
    done += static_cast<std::size_t>(n);
  }
  if (fsync(fd) != 0) {
    const int saved = errno;
    close(fd);
    errno = saved;
    return fail(true);
  }
  if (close(fd) != 0 || std::rename(temporary.c_str(), path.c_str()) != 0) return fail(true);
  return true;
}

}  // namespace stats
