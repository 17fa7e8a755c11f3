// Refusals of the plug-in's allocations, made on the calling thread only:
// natively the process's operator new (which the plug-in's containers use),
// through the real DLL the DLL's own malloc, calloc and realloc, which the
// test redirects in the DLL's import table. Allocations are numbered from
// 0 at StartAllocationFaults.
#ifndef STATS_TESTS_SUPPORT_ALLOCATION_FAULTS_H_
#define STATS_TESTS_SUPPORT_ALLOCATION_FAULTS_H_

#include <cstddef>

namespace stats {
namespace testing {

struct AllocationPlan {
  static constexpr std::size_t kNever = ~std::size_t{0};
  std::size_t refuseNumber = kNever;     // this allocation fails, once
  std::size_t refuseFromBytes = kNever;  // every allocation of at least this size fails
};

struct AllocationCount {
  std::size_t made = 0;  // allocations asked for, refused ones included
  std::size_t refused = 0;
};

void StartAllocationFaults(const AllocationPlan& plan);

// While one lives, the calling thread's allocations are the test's own:
// neither counted nor refused (natively the test's operator new is the
// plug-in's too).
class UncountedAllocations {
 public:
  UncountedAllocations();
  ~UncountedAllocations();
  UncountedAllocations(const UncountedAllocations&) = delete;
  UncountedAllocations& operator=(const UncountedAllocations&) = delete;

 private:
  bool was_;
};
// The counts so far, while started.
AllocationCount AllocationsSoFar();
AllocationCount StopAllocationFaults();

// Natively, for the test program's operator new: the block, or null when
// the plan refuses it.
void* AllocateAsPlanned(std::size_t bytes) noexcept;

}  // namespace testing
}  // namespace stats

#endif  // STATS_TESTS_SUPPORT_ALLOCATION_FAULTS_H_
