// The library's entry point. The loader calls it with DLL_PROCESS_DETACH
// when the last reference to the module is given back: the host's
// FreeLibrary, or the window thread's FreeLibraryAndExitThread when the
// host had let go first. No thread of the plug-in's lives then (the window
// thread holds a reference for its whole life), so nothing waits here and
// the module's state is freed at once, and then what the runtime keeps for
// the library (runtime_win32.cpp). Not while an export is on the host
// thread's stack, though (the host unloaded the library from inside one,
// from a modal loop of ours): that frame's code goes with the image, which
// nothing here can keep without pinning it, so the state is left as it is
// rather than freed under it as well. The host's own windows are disabled
// while a modal window of ours is up, so the operator cannot do that. At
// process exit the other threads were stopped wherever they were, perhaps
// holding the module's lock or the heap's: nothing is freed.
#include <windows.h>

#include <memory>

#include "plugin/module.h"
#include "plugin/runtime_win32.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      // Refused, the load fails (the host is told, and the loader calls
      // here again with DLL_PROCESS_DETACH, which frees nothing not made).
      return stats::StartRuntime() ? TRUE : FALSE;
    case DLL_THREAD_DETACH:
      stats::EndThreadRuntime();
      return TRUE;
    case DLL_PROCESS_DETACH:
      break;
    default:
      return TRUE;
  }
  if (reserved != nullptr) return TRUE;
  bool inUse = false;
  try {
    std::unique_ptr<stats::Module> module = stats::TakeModule();
    inUse = stats::ExportInProgress();
    if (inUse) static_cast<void>(module.release());
  } catch (...) {
  }
  // An export still on the stack may yet throw through the runtime.
  if (!inUse) stats::StopRuntime();
  return TRUE;
}
