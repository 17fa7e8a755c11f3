// The plug-in's own module handle, where its dialog templates and icon live
// (not the host program's).
#ifndef STATS_PLUGIN_WIN32_MODULE_H_
#define STATS_PLUGIN_WIN32_MODULE_H_

#include <windows.h>

namespace stats {

inline HINSTANCE PluginInstance() {
  static char anchor;
  HMODULE module = nullptr;
  GetModuleHandleExA(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      &anchor, &module);
  return module;
}

// True once the process has begun to exit (the library's entry point was
// told so): other threads are gone, and nothing may wait for them.
bool ProcessIsExiting();
void MarkProcessExiting();

}  // namespace stats

#endif  // STATS_PLUGIN_WIN32_MODULE_H_
