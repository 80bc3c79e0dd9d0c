// The system's screen-saver password services, loaded by name when needed.
#include <windows.h>

#include <cstring>

#include "host/win32/Win32Host.h"

namespace {

using VerifyScreenSavePwdFn = BOOL(WINAPI*)(HWND window);
using PwdChangePasswordFn = DWORD(WINAPI*)(LPCSTR provider, HWND owner, DWORD reserved1, DWORD reserved2);

static_assert(sizeof(OSVERSIONINFOA) == 148, "the version record has the documented size");

bool IsNtFamily() {
  OSVERSIONINFOA version;
  ZeroMemory(&version, sizeof version);
  version.dwOSVersionInfoSize = sizeof version;
  GetVersionExA(&version);
  return version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

// Loads the library `name` from the system folder only, so that a file of
// that name beside the program or in the current folder is never loaded.
HMODULE LoadSystemLibrary(const char* name) {
  char path[MAX_PATH];
  const UINT length = GetSystemDirectoryA(path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  std::size_t end = length;
  if (path[end - 1] != '\\') path[end++] = '\\';
  const std::size_t nameLength = std::strlen(name);
  if (end + nameLength >= MAX_PATH) return nullptr;
  std::memcpy(path + end, name, nameLength + 1);
  return LoadLibraryA(path);
}

}  // namespace

namespace win32 {

int VerifySaverPassword(WindowHandle window) {
  // The NT family checks the password itself when the saver is secured.
  if (IsNtFamily()) return 1;
  HMODULE library = LoadSystemLibrary("PASSWORD.CPL");
  if (library == nullptr) return 1;
  auto verify = ProcAddress<VerifyScreenSavePwdFn>(library, "VerifyScreenSavePwd");
  if (verify == nullptr) {
    FreeLibrary(library);
    return 1;
  }
  const BOOL verified = verify(ToHwnd(window));
  FreeLibrary(library);
  return verified;
}

void ChangeSaverPassword(WindowHandle parent) {
  HMODULE library = LoadSystemLibrary("MPR.DLL");
  if (library == nullptr) return;
  auto change = ProcAddress<PwdChangePasswordFn>(library, "PwdChangePasswordA");
  if (change != nullptr) change("SCRSAVE", ToHwnd(parent), 0, 0);
  FreeLibrary(library);
}

}  // namespace win32
