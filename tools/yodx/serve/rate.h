// How many times an address may do a thing (upload a log, try the
// organiser's token) in any minute. Memory stays bounded whatever the
// addresses: past kMostAddresses, those quiet for a minute are forgotten,
// and while that leaves none room, a new address is refused. An IPv6
// address counts as its network of 64 bits (LimitKey).
#ifndef YODX_SERVE_RATE_H_
#define YODX_SERVE_RATE_H_

#include <chrono>
#include <deque>
#include <mutex>
#include <string>
#include <unordered_map>

namespace yodx {
namespace serve {

// What a limit per address counts ADDRESS as: an IPv4 address as it is
// (written as IPv6 or not: "::ffff:192.0.2.1" is 192.0.2.1), and an IPv6
// address as its /64, the network of one home or one server, in which a
// machine may take any address it likes. Anything else as it is.
std::string LimitKey(const std::string& address);

class RateLimit {
 public:
  using Clock = std::chrono::steady_clock;
  // PER_MINUTE 0: no limit.
  explicit RateLimit(int per_minute) : per_minute_(per_minute) {}

  // Whether ADDRESS may do it once more at NOW; counts it when it may.
  bool Allow(const std::string& address, Clock::time_point now = Clock::now());

  static constexpr size_t kMostAddresses = 65536;

 private:
  void ForgetQuiet(Clock::time_point now);

  const int per_minute_;
  std::mutex mutex_;
  std::unordered_map<std::string, std::deque<Clock::time_point>> seen_;
};

}  // namespace serve
}  // namespace yodx

#endif  // YODX_SERVE_RATE_H_
