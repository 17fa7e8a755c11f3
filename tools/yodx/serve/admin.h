// The organiser's credentials: the token, of which the store keeps only the
// SHA-256, and the sessions a browser gets for it at the log-in form, kept
// in memory as their SHA-256 only. Both compared in constant time.
#ifndef YODX_SERVE_ADMIN_H_
#define YODX_SERVE_ADMIN_H_

#include <chrono>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

#include "tools/yodx/serve/store.h"

namespace yodx {
namespace serve {

// Makes sure STORE holds the hash of the organiser's token. On the first
// start (no hash stored) a new token of 32 random bytes is written to PATH,
// created with mode 0600 and never over a file; a file already there is
// taken when it holds a token (the database was started afresh), refused
// otherwise. NEW_TOKEN replaces the file and the hash with a new token. Sets
// *NOTE to what the organiser should be told, or "". False with *ERROR.
bool PrepareToken(Store* store, const std::string& path, bool new_token, std::string* note,
                  std::string* error);

// The SHA-256 of the organiser's token that STORE holds.
std::string TokenHash(const Store& store);

class Organiser {
 public:
  explicit Organiser(std::string token_sha256) : token_sha256_(std::move(token_sha256)) {}

  // Whether PRESENTED is the token.
  bool IsToken(std::string_view presented) const;

  // A new session: the cookie's value, 32 random bytes in hex.
  std::string OpenSession();
  bool IsSession(std::string_view value);
  void CloseSession(std::string_view value);

  static constexpr std::chrono::hours kSessionLife{12};
  static constexpr size_t kMostSessions = 64;  // the oldest goes first

 private:
  using Clock = std::chrono::steady_clock;
  const std::string token_sha256_;
  std::mutex mutex_;
  std::unordered_map<std::string, Clock::time_point> sessions_;  // hash -> end of life
};

}  // namespace serve
}  // namespace yodx

#endif  // YODX_SERVE_ADMIN_H_
