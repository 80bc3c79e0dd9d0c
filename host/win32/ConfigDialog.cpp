// The configuration dialog: the "Use Mirrors" and "Show on every monitor"
// check boxes and the photo folder; OK saves them, Cancel, Escape and the
// close box leave the registry alone.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <string>
#include <vector>

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
  std::string photoFolder;  // the choice so far, stored only by OK
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

void ShowPhotoFolder(HWND dialog, const std::string& folder) {
  std::wstring wide;
  if (folder.empty() || !win32::ToWide(folder, &wide)) wide = L"Built-in pictures";
  SetDlgItemTextW(dialog, IDC_PHOTO_FOLDER, wide.c_str());
}

// The system's folder picker, opened at the current choice; false when cancelled.
bool PickFolder(HWND dialog, std::string* folder) {
  std::wstring start;
  win32::ToWide(*folder, &start);
  BROWSEINFOW info = {};
  info.hwndOwner = dialog;
  info.lpszTitle = L"Photo folder";
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);
  bool picked = false;
  if (chosen != nullptr) {
    // Long paths too: a buffer of the longest path the system allows.
    std::vector<wchar_t> path(32768, L'\0');
    std::string text;
    if (SHGetPathFromIDListEx(chosen, path.data(), static_cast<DWORD>(path.size()), GPFIDL_DEFAULT) &&
        win32::ToUtf8(path.data(), &text) && IsSettingText(text) && !text.empty()) {
      *folder = text;
      picked = true;
    }
    CoTaskMemFree(chosen);
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return picked;
}

INT_PTR CALLBACK ConfigDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) SetWindowLongPtrW(dialog, DWLP_USER, lParam);
  auto* context = reinterpret_cast<DialogContext*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      // The boxes show the stored settings; the focus goes to OK.
      if (context != nullptr) {
        for (const SettingBox& box : kSettingBoxes) {
          CheckDlgButton(dialog, box.id, context->state->*box.value != 0 ? BST_CHECKED : BST_UNCHECKED);
        }
        ShowPhotoFolder(dialog, context->photoFolder);
      }
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
          if (context != nullptr) {
            for (const SettingBox& box : kSettingBoxes) {
              context->state->*box.value = IsDlgButtonChecked(dialog, box.id) == BST_CHECKED ? 1 : 0;
            }
            context->state->photoFolder = context->photoFolder;
            SaveSettings(*context->state, *context->store);
          }
          EndDialog(dialog, IDOK);
          return FALSE;
        case IDCANCEL:
          EndDialog(dialog, IDCANCEL);
          return FALSE;
        case IDC_PHOTOS:
          if (context != nullptr && PickFolder(dialog, &context->photoFolder)) {
            ShowPhotoFolder(dialog, context->photoFolder);
          }
          return FALSE;
        case IDC_BUILTIN_PHOTOS:
          if (context != nullptr) {
            context->photoFolder.clear();
            ShowPhotoFolder(dialog, context->photoFolder);
          }
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
  DialogContext context{&state, &store, state.photoFolder};
  // The wide dialog: the photo folder shows with every character it has.
  DialogBoxParamW(win32::ModuleInstance(), MAKEINTRESOURCEW(IDD_CONFIG), win32::ToHwnd(owner), ConfigDialogProc,
                  reinterpret_cast<LPARAM>(&context));
}

}  // namespace platform
