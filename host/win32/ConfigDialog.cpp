// The configuration dialog: the "Use Mirrors" and "Show on every monitor"
// check boxes; OK saves them, Cancel, Escape and the close box leave the
// registry alone.
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

// The check boxes and the settings they show.
struct SettingBox {
  int id;
  std::int32_t SaverState::*value;
};
const SettingBox kSettingBoxes[] = {
    {IDC_USE_MIRRORS, &SaverState::useMirrors},
    {IDC_ALL_MONITORS, &SaverState::allMonitors},
};

INT_PTR CALLBACK ConfigDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) SetWindowLongPtrA(dialog, DWLP_USER, lParam);
  const auto* context = reinterpret_cast<const DialogContext*>(GetWindowLongPtrA(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      // The boxes show the stored settings; the focus goes to OK.
      if (context != nullptr) {
        for (const SettingBox& box : kSettingBoxes) {
          CheckDlgButton(dialog, box.id, context->state->*box.value != 0 ? BST_CHECKED : BST_UNCHECKED);
        }
      }
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
          if (context != nullptr) {
            for (const SettingBox& box : kSettingBoxes) {
              context->state->*box.value = IsDlgButtonChecked(dialog, box.id) == BST_CHECKED ? 1 : 0;
            }
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
