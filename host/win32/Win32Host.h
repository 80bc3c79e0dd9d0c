#pragma once
// Internals shared by the Windows backend's files.
#include <windows.h>

#include <memory>
#include <string>

#include "host/WindowHandle.h"

class SaverState;
class SettingsStore;

namespace win32 {

// The module instance handle of the executable (the one WinMain is given),
// used for the window class, the window, the dialog and the image resources.
HINSTANCE ModuleInstance();

inline HWND ToHwnd(WindowHandle handle) { return reinterpret_cast<HWND>(handle); }
inline WindowHandle FromHwnd(HWND window) { return reinterpret_cast<WindowHandle>(window); }

// The bytes of an embedded image by its resource name (RCDATA). False when
// the name is unknown or the resource is empty.
bool FindImageResource(const char* name, const unsigned char** data, std::uint32_t* size);

// The modal message box titled "Error" with an OK button.
void ShowErrorMessage(const char* text);

// The system's screen-saver password services: the check before the saver
// closes (nonzero: it may) and the password change dialog.
int VerifySaverPassword(WindowHandle window);
void ChangeSaverPassword(WindowHandle parent);

// The configuration dialog; OK saves its settings into `store`.
void RunConfigDialog(SaverState& state, SettingsStore& store, WindowHandle owner);

// The settings store in the current user's registry.
std::unique_ptr<SettingsStore> MakeRegistryStore();

// UTF-8 and UTF-16 both ways; false for text that is not valid in its encoding.
bool ToWide(const std::string& text, std::wstring* wide);
bool ToUtf8(const std::wstring& wide, std::string* text);

// GetProcAddress answers a generic function pointer; this turns it into the
// entry point's real type without a function-cast warning.
template <typename Function>
Function ProcAddress(HMODULE module, const char* name) {
  FARPROC proc = GetProcAddress(module, name);
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(proc));
}

// A call that older systems lack, looked up at run time in a system library
// the program links anyway ("user32.dll", "shell32.dll"); null when the
// system has none.
template <typename Function>
Function OptionalCall(const char* library, const char* name) {
  HMODULE module = GetModuleHandleA(library);
  return module != nullptr ? ProcAddress<Function>(module, name) : nullptr;
}

}  // namespace win32
