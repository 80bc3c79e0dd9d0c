// The Windows system services: the module, the embedded images, error
// messages.
#include <windows.h>

#include "host/win32/Win32Host.h"

namespace win32 {

// The executable's handle, the one its WinMain is given.
HINSTANCE ModuleInstance() { return GetModuleHandleA(nullptr); }

bool FindImageResource(const char* name, const unsigned char** data, std::uint32_t* size) {
  if (name == nullptr || data == nullptr || size == nullptr) return false;
  HINSTANCE module = ModuleInstance();
  HRSRC resource = FindResourceA(module, name, MAKEINTRESOURCEA(10));  // RT_RCDATA
  if (resource == nullptr) return false;
  const DWORD bytes = SizeofResource(module, resource);
  if (bytes == 0) return false;
  HGLOBAL handle = LoadResource(module, resource);
  if (handle == nullptr) return false;
  const void* pointer = LockResource(handle);
  if (pointer == nullptr) return false;
  *data = static_cast<const unsigned char*>(pointer);
  *size = bytes;
  return true;
}

void ShowErrorMessage(const char* text) { MessageBoxA(nullptr, text, "Error", MB_OK); }

}  // namespace win32
