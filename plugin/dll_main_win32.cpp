// The library's entry point. At unload (FreeLibrary) the window set is
// closed before the runtime destroys the module's objects; at process exit
// the other threads are already gone and nothing is done.
#include <windows.h>

#include "infowindows/info_windows.h"
#include "plugin/module.h"
#include "plugin/win32_module.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  if (reason != DLL_PROCESS_DETACH) return TRUE;
  if (reserved != nullptr) {
    stats::MarkProcessExiting();
    return TRUE;
  }
  try {
    if (stats::Module* module = stats::ModuleIfBuilt()) module->windows->CloseForUnload();
  } catch (...) {
  }
  return TRUE;
}
