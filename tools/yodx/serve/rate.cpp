#include "tools/yodx/serve/rate.h"

#include <arpa/inet.h>

#include <cstring>

namespace yodx {
namespace serve {

namespace {
constexpr std::chrono::seconds kMinute(60);
}  // namespace

std::string LimitKey(const std::string& address) {
  unsigned char bytes[16];
  if (inet_pton(AF_INET6, address.c_str(), bytes) != 1) return address;
  static const unsigned char kMapped[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff};
  char text[INET6_ADDRSTRLEN];
  if (std::memcmp(bytes, kMapped, sizeof kMapped) == 0) {
    return inet_ntop(AF_INET, bytes + 12, text, sizeof text) != nullptr ? text : address;
  }
  std::memset(bytes + 8, 0, 8);
  if (inet_ntop(AF_INET6, bytes, text, sizeof text) == nullptr) return address;
  return std::string(text) + "/64";
}

bool RateLimit::Allow(const std::string& address, Clock::time_point now) {
  if (per_minute_ <= 0) return true;
  const std::string key = LimitKey(address);
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = seen_.find(key);
  if (found == seen_.end()) {
    if (seen_.size() >= kMostAddresses) ForgetQuiet(now);
    if (seen_.size() >= kMostAddresses) return false;
    found = seen_.emplace(key, std::deque<Clock::time_point>()).first;
  }
  std::deque<Clock::time_point>& times = found->second;
  while (!times.empty() && now - times.front() >= kMinute) times.pop_front();
  if (times.size() >= static_cast<size_t>(per_minute_)) return false;
  times.push_back(now);
  return true;
}

void RateLimit::ForgetQuiet(Clock::time_point now) {
  for (auto it = seen_.begin(); it != seen_.end();) {
    it = it->second.empty() || now - it->second.back() >= kMinute ? seen_.erase(it) : std::next(it);
  }
}

}  // namespace serve
}  // namespace yodx
