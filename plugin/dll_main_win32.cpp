// The library's entry point. At unload (FreeLibrary) the window set is
// closed and the module's state freed here, under the loader's lock; a
// window thread still waiting for the host's thread (which sits in this
// FreeLibrary and cannot answer) inherits the state instead and frees it
// when its call returns, and the code stays mapped for it. At process exit
// the other threads are already gone and nothing is done.
#include <windows.h>

#include <memory>

#include "infowindows/info_windows.h"
#include "platform/win32_module.h"
#include "plugin/module.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  if (reason != DLL_PROCESS_DETACH) return TRUE;
  if (reserved != nullptr) {
    stats::MarkProcessExiting();
    return TRUE;
  }
  try {
    std::unique_ptr<stats::Module> module = stats::TakeModule();
    if (module) {
      stats::Module* state = module.get();
      if (state->windows->CloseForUnload([state] { delete state; })) {
        stats::PinPluginModule();
        static_cast<void>(module.release());  // the window thread frees it
      }
    }
  } catch (...) {
  }
  return TRUE;
}
