// zirbel-test-helper.exe: the Windows side of the Wine end-to-end tests.
//
//   zirbel-test-helper.exe preview SAVER.scr [WIDTH HEIGHT]
//       Plays the system's preview pane: opens a window, starts the saver with
//       /p and that window's handle, checks that the saver's child window fills
//       it and keeps running, then destroys the window and expects the saver to
//       end with exit code 0.
//   zirbel-test-helper.exe knock
//       Sends the running saver the close requests that no activity asked for:
//       WM_CLOSE, and the close and screen-saver system commands.
//   zirbel-test-helper.exe activate
//       Opens a window of its own and makes it the foreground window for two
//       seconds, taking the activation from the saver.
//
// Prints one line per check; exit code 0 when every check passed, 2 on bad use.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

int failures = 0;

void Check(bool ok, const char* what) {
  std::printf("%s: %s\n", ok ? "ok" : "FAILED", what);
  std::fflush(stdout);
  if (!ok) ++failures;
}

// Handles this thread's messages for `milliseconds` (the saver's window sends
// messages to its parent, which must be answered).
void Pump(DWORD milliseconds) {
  const DWORD start = GetTickCount();
  for (;;) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= milliseconds) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - elapsed, QS_ALLINPUT);
  }
}

HWND OpenWindow(const char* title, int width, int height) {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  windowClass.lpszClassName = "ZirbelTestHelper";
  RegisterClassA(&windowClass);
  return CreateWindowExA(0, "ZirbelTestHelper", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, width, height,
                         nullptr, nullptr, windowClass.hInstance, nullptr);
}

int Knock() {
  HWND saver = FindWindowA("OpenGL", "SaverWindow");
  Check(saver != nullptr, "the saver's window is there");
  if (saver == nullptr) return 1;
  Check(PostMessageA(saver, WM_CLOSE, 0, 0) != FALSE, "WM_CLOSE posted");
  Check(SendMessageA(saver, WM_SYSCOMMAND, SC_CLOSE, 0) == 0, "the close command answered 0");
  Check(SendMessageA(saver, WM_SYSCOMMAND, SC_SCREENSAVE, 0) == 0, "the screen-saver command answered 0");
  Pump(300);
  return failures == 0 ? 0 : 1;
}

int Activate() {
  HWND window = OpenWindow("ZirbelTestHelper", 300, 200);
  Check(window != nullptr, "the helper's window opens");
  if (window == nullptr) return 1;
  SetForegroundWindow(window);
  Pump(2000);
  DestroyWindow(window);
  return failures == 0 ? 0 : 1;
}

int Preview(int argc, char** argv) {
  const int width = argc == 5 ? std::atoi(argv[3]) : 400;
  const int height = argc == 5 ? std::atoi(argv[4]) : 300;
  HWND parent = OpenWindow("PreviewParent", width, height);
  if (parent == nullptr) {
    Check(false, "the parent window opens");
    return 1;
  }
  Pump(200);

  std::string commandLine = "\"" + std::string(argv[2]) + "\" /p " +
                            std::to_string(static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(parent)));
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    Check(false, "the saver starts");
    return 1;
  }

  HWND child = nullptr;
  for (int i = 0; i < 300 && child == nullptr; ++i) {
    Pump(50);
    child = FindWindowExA(parent, nullptr, "OpenGL", "SaverWindow");
  }
  Check(child != nullptr, "the saver's window appears inside the parent");
  if (child != nullptr) {
    RECT parentRect, childRect;
    GetWindowRect(parent, &parentRect);
    GetWindowRect(child, &childRect);
    POINT origin = {0, 0};
    ClientToScreen(parent, &origin);
    Check(childRect.left == origin.x && childRect.top == origin.y, "it starts at the parent's client origin");
    Check(childRect.right - childRect.left == parentRect.right - parentRect.left &&
              childRect.bottom - childRect.top == parentRect.bottom - parentRect.top,
          "it takes the size of the parent's window rectangle");
    Check((GetWindowLongA(child, GWL_STYLE) & WS_CHILD) != 0, "it is a child window");

    Pump(2500);
    Check(WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT, "the saver keeps running in the preview");
    Check(IsWindow(child) != FALSE, "its window stays");
  }

  DestroyWindow(parent);
  DWORD waited = WAIT_TIMEOUT;
  for (int i = 0; i < 200 && waited == WAIT_TIMEOUT; ++i) {
    Pump(50);
    waited = WaitForSingleObject(process.hProcess, 0);
  }
  Check(waited == WAIT_OBJECT_0, "the saver ends when the parent is destroyed");
  if (waited != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
  DWORD code = 1;
  GetExitCodeProcess(process.hProcess, &code);
  Check(code == 0, "with exit code 0");
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc >= 2 ? argv[1] : "";
  if (command == "preview" && (argc == 3 || argc == 5)) return Preview(argc, argv);
  if (command == "knock" && argc == 2) return Knock();
  if (command == "activate" && argc == 2) return Activate();
  std::fprintf(stderr, "usage: zirbel-test-helper.exe preview SAVER.scr [WIDTH HEIGHT] | knock | activate\n");
  return 2;
}
