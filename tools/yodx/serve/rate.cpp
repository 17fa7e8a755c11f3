#include "tools/yodx/serve/rate.h"

namespace yodx {
namespace serve {

namespace {
constexpr std::chrono::seconds kMinute(60);
}  // namespace

bool RateLimit::Allow(const std::string& address, Clock::time_point now) {
  if (per_minute_ <= 0) return true;
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = seen_.find(address);
  if (found == seen_.end()) {
    if (seen_.size() >= kMostAddresses) ForgetQuiet(now);
    if (seen_.size() >= kMostAddresses) return false;
    found = seen_.emplace(address, std::deque<Clock::time_point>()).first;
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
