// The test program's operator new and delete, which refuse as the
// allocation faults plan (allocation_faults_native.cpp). Out of line: inlined
// into other files of a batch, the compiler would see malloc paired with
// delete.
#include <cstdlib>
#include <new>

#include "tests/support/allocation_faults.h"

void* operator new(std::size_t bytes) {
  if (void* p = stats::testing::AllocateAsPlanned(bytes)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t bytes) {
  return operator new(bytes);
}
void* operator new(std::size_t bytes, const std::nothrow_t&) noexcept {
  return stats::testing::AllocateAsPlanned(bytes);
}
void* operator new[](std::size_t bytes, const std::nothrow_t&) noexcept {
  return stats::testing::AllocateAsPlanned(bytes);
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}
