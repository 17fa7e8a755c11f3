#include "platform/win32_module.h"

#include <atomic>

namespace stats {
namespace {
std::atomic<bool> g_processExiting{false};
}  // namespace

bool ProcessIsExiting() {
  return g_processExiting;
}

void MarkProcessExiting() {
  g_processExiting = true;
}

}  // namespace stats
