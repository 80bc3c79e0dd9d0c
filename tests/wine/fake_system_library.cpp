// A stand-in for a system library, built under the library's name: loading it
// leaves a file NAME.loaded beside it, so a test sees where a program looked.
#include <windows.h>

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    char path[MAX_PATH + 8];
    const DWORD length = GetModuleFileNameA(instance, path, MAX_PATH);
    lstrcpyA(path + length, ".loaded");
    CloseHandle(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  }
  return TRUE;
}

__declspec(dllexport) BOOL WINAPI VerifyScreenSavePwd(HWND) { return TRUE; }
__declspec(dllexport) DWORD WINAPI PwdChangePasswordA(LPCSTR, HWND, DWORD, DWORD) { return 0; }

}  // extern "C"
