// Natively the plug-in is linked into the test program: the program's own
// operator new (replaced in allocation_faults_operator_new.cpp) serves the
// plug-in's containers, and asks here whether to refuse.
#include <cstdlib>

#include "tests/support/allocation_faults.h"

namespace stats {
namespace testing {
namespace {

thread_local bool t_started = false;
thread_local AllocationPlan t_plan;
thread_local AllocationCount t_count;

}  // namespace

void* AllocateAsPlanned(std::size_t bytes) noexcept {
  if (t_started) {
    const std::size_t number = t_count.made++;
    if (number == t_plan.refuseNumber || bytes >= t_plan.refuseFromBytes) {
      ++t_count.refused;
      return nullptr;
    }
  }
  return std::malloc(bytes == 0 ? 1 : bytes);
}

void StartAllocationFaults(const AllocationPlan& plan) {
  t_plan = plan;
  t_count = AllocationCount();
  t_started = true;
}

UncountedAllocations::UncountedAllocations() : was_(t_started) {
  t_started = false;
}

UncountedAllocations::~UncountedAllocations() {
  t_started = was_;
}

AllocationCount AllocationsSoFar() {
  return t_count;
}

AllocationCount StopAllocationFaults() {
  t_started = false;
  return t_count;
}

}  // namespace testing
}  // namespace stats
