// zirbel-test-helper.exe SAVER.scr plays the system's preview pane: the saver,
// started with /p and a window's handle, must fill that window with a child,
// keep running, and end with exit code 0 when the window is destroyed.
// zirbel-test-helper.exe monitors [shrink] lists the monitors as WxH+X+Y, with
// "shrink" after setting the second one to 800 x 600.
#include <windows.h>

#include <cstdio>
#include <functional>
#include <string>

namespace {

int failures = 0;

void Check(bool ok, const char* what) {
  std::printf("%s: %s\n", ok ? "ok" : "FAILED", what);
  std::fflush(stdout);
  if (!ok) ++failures;
}

// Answers this thread's messages (the saver's window sends its parent some)
// until `done` holds or `milliseconds` have passed; whether it holds.
bool PumpUntil(DWORD milliseconds, const std::function<bool()>& done = [] { return false; }) {
  const DWORD start = GetTickCount();
  for (DWORD elapsed = 0; elapsed < milliseconds && !done(); elapsed = GetTickCount() - start) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
  }
  return done();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::string(argv[1]) == "monitors") {
    DEVMODEA mode = {};
    mode.dmSize = sizeof mode, mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
    mode.dmPelsWidth = 800, mode.dmPelsHeight = 600;
    const bool shrink = argc == 3 && std::string(argv[2]) == "shrink";
    if (shrink && ChangeDisplaySettingsExA("\\\\.\\DISPLAY2", &mode, nullptr, 0, nullptr) != DISP_CHANGE_SUCCESSFUL) {
      return 1;
    }
    return !EnumDisplayMonitors(nullptr, nullptr, [](HMONITOR, HDC, LPRECT r, LPARAM) -> BOOL {
      return std::printf("%ldx%ld+%ld+%ld\n", r->right - r->left, r->bottom - r->top, r->left, r->top) > 0;
    }, 0);
  }
  if (argc != 2) return 2;
  HWND parent = CreateWindowExA(0, "STATIC", "PreviewParent", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 400, 300,
                                nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  PumpUntil(200);
  std::string commandLine = "\"" + std::string(argv[1]) + "\" /p " +
                            std::to_string(static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(parent)));
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (parent == nullptr ||
      !CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    Check(false, "the parent window opens and the saver starts");
    return 1;
  }

  HWND child = nullptr;
  Check(PumpUntil(15000, [&] { return (child = FindWindowExA(parent, nullptr, "OpenGL", "SaverWindow")) != nullptr; }),
        "the saver's window appears inside the parent");
  RECT outer = {}, inner = {};
  POINT origin = {0, 0};
  GetWindowRect(parent, &outer);
  GetWindowRect(child, &inner);
  ClientToScreen(parent, &origin);
  Check(inner.left == origin.x && inner.top == origin.y && (GetWindowLongA(child, GWL_STYLE) & WS_CHILD) != 0,
        "it is a child window at the parent's client origin");
  Check(inner.right - inner.left == outer.right - outer.left && inner.bottom - inner.top == outer.bottom - outer.top,
        "it takes the size of the parent's window rectangle");
  PumpUntil(2500);
  Check(WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT && IsWindow(child),
        "the saver and its window stay in the preview");

  DestroyWindow(parent);
  const bool ended = PumpUntil(10000, [&] { return WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0; });
  if (!ended) TerminateProcess(process.hProcess, 1);
  DWORD code = 1;
  GetExitCodeProcess(process.hProcess, &code);
  Check(ended && code == 0, "the saver ends with exit code 0 when the parent is destroyed");
  return failures == 0 ? 0 : 1;
}
