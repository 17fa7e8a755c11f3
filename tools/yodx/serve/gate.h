// A first-come, first-served gate: at most SLOTS callers are past it at
// once, and the others pass in the order they came. The robot's checks are
// bound by the processor: with as many at once as there are cores, each
// upload is answered in its turn, instead of every upload under way sharing
// the cores and a large log waiting on all of them.
#ifndef YODX_SERVE_GATE_H_
#define YODX_SERVE_GATE_H_

#include <condition_variable>
#include <mutex>

namespace yodx {
namespace serve {

class FifoGate {
 public:
  explicit FifoGate(int slots) : slots_(slots < 1 ? 1 : slots) {}

  // Holds a place past the gate for its lifetime.
  class Pass {
   public:
    explicit Pass(FifoGate* gate) : gate_(gate) { gate_->Enter(); }
    ~Pass() { gate_->Leave(); }
    Pass(const Pass&) = delete;
    Pass& operator=(const Pass&) = delete;

   private:
    FifoGate* gate_;
  };

 private:
  void Enter() {
    std::unique_lock<std::mutex> lock(mutex_);
    const unsigned long long ticket = next_++;
    turn_.wait(lock, [&] { return ticket == serving_ && inside_ < slots_; });
    ++serving_;
    ++inside_;
    turn_.notify_all();  // the next ticket may pass too, when a slot is free
  }
  void Leave() {
    std::lock_guard<std::mutex> lock(mutex_);
    --inside_;
    turn_.notify_all();
  }

  const int slots_;
  std::mutex mutex_;
  std::condition_variable turn_;
  unsigned long long next_ = 0, serving_ = 0;
  int inside_ = 0;
};

}  // namespace serve
}  // namespace yodx

#endif  // YODX_SERVE_GATE_H_
