// The plug-in's own module handle, where its dialog templates and icon live
// (not the host program's).
#ifndef STATS_PLATFORM_WIN32_MODULE_H_
#define STATS_PLATFORM_WIN32_MODULE_H_

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

// Runs a modal dialog over a form: FillIn shows the form when the dialog
// opens, ReadBack takes the controls into it on OK; Cancel, Escape and the
// close box leave it as it was. True on OK; a dialog that cannot be
// created counts as cancelled.
template <typename Form, void (*FillIn)(HWND, const Form&), void (*ReadBack)(HWND, Form&)>
bool RunFormDialog(int templateId, HWND owner, Form& form) {
  struct Dialog {
    static INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
      if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        FillIn(dialog, *reinterpret_cast<const Form*>(lParam));
        return TRUE;
      }
      const int command = LOWORD(wParam);
      if (message != WM_COMMAND || (command != IDOK && command != IDCANCEL)) return FALSE;
      if (command == IDOK) {
        ReadBack(dialog, *reinterpret_cast<Form*>(GetWindowLongPtrA(dialog, DWLP_USER)));
      }
      EndDialog(dialog, command);
      return TRUE;
    }
  };
  return DialogBoxParamA(PluginInstance(), MAKEINTRESOURCEA(templateId), owner, Dialog::Proc,
                         reinterpret_cast<LPARAM>(&form)) == IDOK;
}

// Keeps the plug-in's code mapped until the process ends, whatever the
// host's FreeLibrary calls: for a thread that must outlive an unload.
inline void PinPluginModule() {
  static char anchor;
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                     &anchor, &module);
}

// True once the process has begun to exit (the library's entry point was
// told so): other threads are gone, and nothing may wait for them.
bool ProcessIsExiting();
void MarkProcessExiting();

}  // namespace stats

#endif  // STATS_PLATFORM_WIN32_MODULE_H_
