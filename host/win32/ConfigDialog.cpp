// The configuration dialog: one "Use Mirrors" check box; OK saves it, Cancel,
// Escape and the close box leave the registry alone.
#include <windows.h>

#include "host/SaverState.h"
#include "host/Settings.h"
#include "host/System.h"
#include "host/win32/Win32Host.h"
#include "host/win32/resource.h"

namespace {

// What the dialog works on, handed over as its initial parameter.
struct DialogContext {
  SaverState* state;
  SettingsStore* store;
};

INT_PTR CALLBACK ConfigDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) SetWindowLongPtrA(dialog, DWLP_USER, lParam);
  const auto* context = reinterpret_cast<const DialogContext*>(GetWindowLongPtrA(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      // The box shows the stored setting; the focus goes to OK.
      if (context != nullptr) {
        CheckDlgButton(dialog, IDC_USE_MIRRORS, context->state->useMirrors != 0 ? BST_CHECKED : BST_UNCHECKED);
      }
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
          if (context != nullptr) {
            context->state->useMirrors = IsDlgButtonChecked(dialog, IDC_USE_MIRRORS) == BST_CHECKED ? 1 : 0;
            SaveSettings(*context->state, *context->store);
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

void RunConfigDialog(SaverState& state, SettingsStore& store, WindowHandle owner) {
  DialogContext context{&state, &store};
  DialogBoxParamA(win32::ModuleInstance(), MAKEINTRESOURCEA(IDD_CONFIG), win32::ToHwnd(owner), ConfigDialogProc,
                  reinterpret_cast<LPARAM>(&context));
}

}  // namespace platform
