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
#include "host/win32/Win32Host.h"
#include "host/win32/resource.h"

namespace {

// What the dialog works on, handed over as its initial parameter.
struct DialogContext {
  SaverState* state;
  SettingsStore* store;
  std::string photoFolder;  // the choice so far, stored only by OK
};

// The check boxes and the flags they show.
struct SettingBox {
  int id;
  const char* setting;
};
const SettingBox kSettingBoxes[] = {
    {IDC_USE_MIRRORS, setting::kUseMirrors},
    {IDC_ALL_MONITORS, setting::kAllMonitors},
};

std::int32_t& BoxValue(SaverState& state, const SettingBox& box) { return state.*FindSetting(box.setting)->number; }

void ShowPhotoFolder(HWND dialog, const std::string& folder) {
  std::wstring wide;
  if (folder.empty() || !win32::ToWide(folder, &wide)) wide = L"Built-in pictures";
  SetDlgItemTextW(dialog, IDC_PHOTO_FOLDER, wide.c_str());
}

// The picker opens at the current choice.
int CALLBACK StartAtChoice(HWND picker, UINT message, LPARAM, LPARAM choice) {
  if (message == BFFM_INITIALIZED && choice != 0) SendMessageW(picker, BFFM_SETSELECTIONW, TRUE, choice);
  return 0;
}

// The chosen folder's path. Long paths where the system knows them (looked
// up at run time: systems before Vista lack the call), else the classic one.
bool ChosenPath(PCIDLIST_ABSOLUTE chosen, std::vector<wchar_t>* path) {
  using PathFromIdListEx = BOOL(WINAPI*)(PCIDLIST_ABSOLUTE, PWSTR, DWORD, int);
  const auto longPath = win32::OptionalCall<PathFromIdListEx>("shell32.dll", "SHGetPathFromIDListEx");
  path->assign(longPath != nullptr ? 32768 : MAX_PATH, L'\0');
  if (longPath != nullptr) return longPath(chosen, path->data(), static_cast<DWORD>(path->size()), 0) != FALSE;
  return SHGetPathFromIDListW(chosen, path->data()) != FALSE;
}

// The system's folder picker; false when cancelled or when the setting
// cannot hold the folder, which is refused with a word why.
bool PickFolder(HWND dialog, std::string* folder) {
  std::wstring start;
  if (folder->empty() || !win32::ToWide(*folder, &start)) start.clear();
  BROWSEINFOW info = {};
  info.hwndOwner = dialog;
  info.lpszTitle = L"Photo folder";
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  info.lpfn = &StartAtChoice;
  info.lParam = start.empty() ? 0 : reinterpret_cast<LPARAM>(start.c_str());
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);
  bool picked = false;
  std::string refusal;
  if (chosen != nullptr) {
    std::vector<wchar_t> path;
    std::string text;
    const bool got = ChosenPath(chosen, &path);
    path.back() = L'\0';
    if (got && path[0] != L'\0') {
      // A name with no UTF-8 form (a lone surrogate) is refused as broken text is.
      refusal = PhotoFolderRefusal(win32::ToUtf8(path.data(), &text) ? text : std::string("\xFF"));
      if (refusal.empty()) {
        *folder = text;
        picked = true;
      }
    }
    CoTaskMemFree(chosen);
  }
  std::wstring message;
  if (!refusal.empty() && win32::ToWide(refusal, &message)) {
    MessageBoxW(dialog, message.c_str(), L"Photo folder", MB_OK | MB_ICONERROR);
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
          CheckDlgButton(dialog, box.id, BoxValue(*context->state, box) != 0 ? BST_CHECKED : BST_UNCHECKED);
        }
        ShowPhotoFolder(dialog, context->photoFolder);
      }
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
          if (context != nullptr) {
            for (const SettingBox& box : kSettingBoxes) {
              BoxValue(*context->state, box) = IsDlgButtonChecked(dialog, box.id) == BST_CHECKED ? 1 : 0;
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

namespace win32 {

void RunConfigDialog(SaverState& state, SettingsStore& store, WindowHandle owner) {
  DialogContext context{&state, &store, state.photoFolder};
  // The wide dialog: the photo folder shows with every character it has.
  DialogBoxParamW(ModuleInstance(), MAKEINTRESOURCEW(IDD_CONFIG), ToHwnd(owner), ConfigDialogProc,
                  reinterpret_cast<LPARAM>(&context));
}

}  // namespace win32
