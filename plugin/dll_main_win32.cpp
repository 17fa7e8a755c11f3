// The library's entry point. The loader calls it with DLL_PROCESS_DETACH
// when the last reference to the module is given back: the host's
// FreeLibrary, or the window thread's FreeLibraryAndExitThread when the
// host had let go first. No thread of the plug-in's lives then (the window
// thread holds a reference for its whole life), so nothing waits here and
// the module's state is freed at once, unless an export is still on the
// host thread's stack (the host unloaded from inside one): its frame still
// uses the state, which is then left as it is. At process exit the other
// threads were stopped wherever they were, perhaps holding the module's
// lock or the heap's: nothing is freed.
#include <windows.h>

#include <memory>

#include "plugin/module.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  if (reason != DLL_PROCESS_DETACH || reserved != nullptr) return TRUE;
  try {
    std::unique_ptr<stats::Module> module = stats::TakeModule();
    if (stats::ExportInProgress()) static_cast<void>(module.release());
  } catch (...) {
  }
  return TRUE;
}
