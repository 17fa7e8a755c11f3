#include "tools/yodx/serve/admin.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

#include "tools/yodx/serve/crypto.h"

namespace yodx {
namespace serve {

namespace {

constexpr const char* kTokenKey = "admin_token_sha256";

// The system's sentence for an errno value (strerror's, without its shared buffer).
std::string ErrnoText(int value) {
  return std::generic_category().message(value);
}

bool IsToken(const std::string& text) {
  return text.size() == 64 && std::all_of(text.begin(), text.end(), [](char c) {
           return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
         });
}

// Writes TOKEN to a new file at PATH, mode 0600, synced; false with *error.
bool WriteTokenFile(const std::string& path, const std::string& token, std::string* error) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) {
    *error = "cannot create " + path + ": " + ErrnoText(errno);
    return false;
  }
  const std::string line = token + "\n";
  const bool written = ::fchmod(fd, 0600) == 0 &&
                       ::write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size()) &&
                       ::fsync(fd) == 0;
  const int saved = errno;
  ::close(fd);
  if (!written) {
    ::unlink(path.c_str());
    *error = "cannot write " + path + ": " + ErrnoText(saved);
  }
  return written;
}

// The token in the file at PATH, "" when it holds none (or is not there).
std::string ReadTokenFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return std::string();
  char buffer[80];
  const ssize_t got = ::read(fd, buffer, sizeof buffer);
  ::close(fd);
  if (got <= 0) return std::string();
  std::string text(buffer, static_cast<size_t>(got));
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return IsToken(text) ? text : std::string();
}

bool StoreHash(Store* store, const std::string& token, std::string* error) {
  const WriteOutcome stored = store->SetSetting(kTokenKey, Sha256Hex(token));
  if (stored.status != WriteStatus::kCommitted) {
    *error = "cannot store the organiser's token: " + stored.message;
    return false;
  }
  return true;
}

}  // namespace

bool PrepareToken(Store* store, const std::string& path, bool new_token, std::string* note,
                  std::string* error) {
  note->clear();
  const bool stored = !store->Setting(kTokenKey).empty();
  if (stored && !new_token) return true;
  if (!new_token) {
    struct stat st;
    if (::lstat(path.c_str(), &st) == 0) {
      const std::string kept = ReadTokenFile(path);
      if (kept.empty() || !S_ISREG(st.st_mode)) {
        *error = path + " is there but holds no token: move it away, and a new one is made";
        return false;
      }
      if (!StoreHash(store, kept, error)) return false;
      *note = "the organiser's token is the one in " + path;
      return true;
    }
  }
  const std::string token = RandomHex(32);
  if (new_token) {
    // Written beside the old file, then put in its place: never a moment
    // without a token file, nor one readable by others.
    const std::string fresh = path + ".new";
    ::unlink(fresh.c_str());
    if (!WriteTokenFile(fresh, token, error)) return false;
    if (::rename(fresh.c_str(), path.c_str()) != 0) {
      *error = "cannot replace " + path + ": " + ErrnoText(errno);
      ::unlink(fresh.c_str());
      return false;
    }
  } else if (!WriteTokenFile(path, token, error)) {
    return false;
  }
  // The file's name is made durable before its hash is stored: a power cut
  // must not leave a hash whose token is in no file.
  if (!SyncFolderOf(path)) {
    *error = "cannot sync the folder of " + path + ": " + ErrnoText(errno);
    return false;
  }
  if (!StoreHash(store, token, error)) return false;
  *note =
      std::string(new_token ? "a new organiser's token is in " : "the organiser's token is in ") +
      path + " (readable by its owner only)";
  return true;
}

std::string TokenHash(const Store& store) {
  return store.Setting(kTokenKey);
}

bool Organiser::IsToken(std::string_view presented) const {
  return SameSecret(Sha256Hex(presented), token_sha256_);
}

std::string Organiser::OpenSession() {
  std::string value = RandomHex(32);
  const Clock::time_point now = Clock::now();
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto it = sessions_.begin(); it != sessions_.end();) {
    it = it->second <= now ? sessions_.erase(it) : std::next(it);
  }
  if (sessions_.size() >= kMostSessions) {
    sessions_.erase(
        std::min_element(sessions_.begin(), sessions_.end(),
                         [](const auto& a, const auto& b) { return a.second < b.second; }));
  }
  sessions_[Sha256Hex(value)] = now + kSessionLife;
  return value;
}

bool Organiser::IsSession(std::string_view value) {
  // Looked up by the SHA-256 of what the browser sent: how long the look-up
  // takes tells nothing of a session's value.
  const std::string hash = Sha256Hex(value);
  std::lock_guard<std::mutex> lock(mutex_);
  const auto found = sessions_.find(hash);
  return found != sessions_.end() && found->second > Clock::now() && SameSecret(found->first, hash);
}

void Organiser::CloseSession(std::string_view value) {
  const std::string hash = Sha256Hex(value);
  std::lock_guard<std::mutex> lock(mutex_);
  sessions_.erase(hash);
}

}  // namespace serve
}  // namespace yodx
