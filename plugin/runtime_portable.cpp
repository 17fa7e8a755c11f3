// Elsewhere the C++ runtime keeps every thread's exception state itself:
// every room is ready, and none borrows anything.
#include "plugin/runtime.h"

namespace stats {

ExceptionRoom::ExceptionRoom() noexcept = default;

ExceptionRoom::~ExceptionRoom() {
  static_cast<void>(borrowed_);
}

}  // namespace stats
