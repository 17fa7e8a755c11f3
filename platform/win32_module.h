// The plug-in's own module: its handle (where its dialog templates and icon
// live, not the host program's), a counted reference to it for a thread of
// its own, the window a modal dialog of its own belongs to, and the
// form-dialog runner.
#ifndef STATS_PLATFORM_WIN32_MODULE_H_
#define STATS_PLATFORM_WIN32_MODULE_H_

#include <windows.h>

#include <utility>

// The linker's symbol at the start of the image that holds this code; the
// name is the linker's, reserved as it is.
extern "C" IMAGE_DOS_HEADER __ImageBase;  // NOLINT(bugprone-reserved-identifier)

namespace stats {

// The module's handle, with no call into the loader: any thread may ask,
// also while another thread holds the loader's lock.
inline HINSTANCE PluginInstance() {
  return reinterpret_cast<HINSTANCE>(&__ImageBase);
}

// A counted reference to the module, taken on a thread that runs an export
// (the host holds its own reference meanwhile), for a thread of the
// plug-in's own: while the reference is held the image cannot leave the
// process, and the thread gives it back as its very last act with
// FreeLibraryAndExitThread, so that none of its code runs after. Null when
// none could be taken.
HMODULE TakeModuleReference();

// The host's window that a modal dialog or message box of the plug-in's
// belongs to: the calling thread's active window, else its first visible,
// enabled top-level window that is neither owned nor a tool window; null
// when it has none. While the modal window
// is up its owner is disabled, so the operator cannot close the host (and
// unload the plug-in) under it.
HWND HostWindow();

// Runs a modal dialog over a form: FillIn shows the form when the dialog
// opens, ReadBack takes the controls into it on OK; Cancel, Escape and the
// close box leave it as it was. True on OK; a dialog that cannot be
// created counts as cancelled. The dialog belongs to the host's window.
// The dialog procedure is called by the system, whose frames nothing thrown
// may cross (on i686 the unwinder cannot, and ends the process): anything
// thrown there (memory running out as the controls are read back) ends the
// dialog as cancelled, with the form as it was.
template <typename Form, void (*FillIn)(HWND, const Form&), void (*ReadBack)(HWND, Form&)>
bool RunFormDialog(int templateId, Form& form) {
  struct Dialog {
    static INT_PTR Handle(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
      if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        FillIn(dialog, *reinterpret_cast<const Form*>(lParam));
        return TRUE;
      }
      const int command = LOWORD(wParam);
      if (message != WM_COMMAND || (command != IDOK && command != IDCANCEL)) return FALSE;
      if (command == IDOK) {
        Form& form = *reinterpret_cast<Form*>(GetWindowLongPtrA(dialog, DWLP_USER));
        Form answer = form;
        ReadBack(dialog, answer);
        form = std::move(answer);
      }
      EndDialog(dialog, command);
      return TRUE;
    }
    static INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
      try {
        return Handle(dialog, message, wParam, lParam);
      } catch (...) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
    }
  };
  return DialogBoxParamA(PluginInstance(), MAKEINTRESOURCEA(templateId), HostWindow(), Dialog::Proc,
                         reinterpret_cast<LPARAM>(&form)) == IDOK;
}

}  // namespace stats

#endif  // STATS_PLATFORM_WIN32_MODULE_H_
