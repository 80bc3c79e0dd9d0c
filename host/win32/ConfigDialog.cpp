// The configuration dialog: one "Use Mirrors" check box; OK saves it, Cancel,
// Escape and the close box leave the registry alone.
#include <windows.h>

#include "host/Platform.h"
#include "host/SaverState.h"
#include "host/win32/Win32Host.h"
#include "host/win32/resource.h"

namespace {

INT_PTR CALLBACK ConfigDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  SaverState* state = gSaverState;
  switch (message) {
    case WM_INITDIALOG:
      // The box shows the stored setting; the focus goes to OK.
      if (state != nullptr) {
        CheckDlgButton(dialog, IDC_USE_MIRRORS, state->useMirrors != 0 ? BST_CHECKED : BST_UNCHECKED);
      }
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
          if (state != nullptr) {
            state->useMirrors = IsDlgButtonChecked(dialog, IDC_USE_MIRRORS) == BST_CHECKED ? 1 : 0;
            state->SaveSettings();
          }
          EndDialog(dialog, IDOK);
          return FALSE;
        case IDCANCEL:
          EndDialog(dialog, IDCANCEL);
          return FALSE;
        default:
          return FALSE;
      }
    default:
      return FALSE;
  }
}

}  // namespace

namespace platform {

void RunConfigDialog(SaverState&, WindowHandle owner) {
  DialogBoxParamA(win32::ModuleInstance(), MAKEINTRESOURCEA(IDD_CONFIG), win32::ToHwnd(owner), ConfigDialogProc, 0);
}

}  // namespace platform
