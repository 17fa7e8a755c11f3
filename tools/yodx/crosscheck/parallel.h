// Work on the items of a list spread over a few threads.
#ifndef YODX_CROSSCHECK_PARALLEL_H_
#define YODX_CROSSCHECK_PARALLEL_H_

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace yodx {
namespace crosscheck {

// Calls WORK(i) for every i below COUNT, on at most THREADS threads (this
// one among them), each taking the next item when it is done with one. The
// first exception thrown stops the others taking items and is thrown again
// here once all have finished.
template <typename Work>
void ForEachItem(size_t count, int threads, const Work& work) {
  std::atomic<size_t> next{0};
  std::exception_ptr failure;
  std::mutex failure_lock;
  auto run = [&] {
    try {
      for (size_t i = next++; i < count; i = next++) work(i);
    } catch (...) {
      const std::lock_guard<std::mutex> hold(failure_lock);
      if (!failure) failure = std::current_exception();
      next = count;
    }
  };
  std::vector<std::thread> helpers;
  const size_t all = std::min(count, static_cast<size_t>(std::max(threads, 1)));
  try {
    for (size_t i = 1; i < all; ++i) helpers.emplace_back(run);
  } catch (const std::system_error&) {
    // No more threads to be had: the ones running do all the work.
  }
  run();
  for (std::thread& helper : helpers) helper.join();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace crosscheck
}  // namespace yodx

#endif  // YODX_CROSSCHECK_PARALLEL_H_
