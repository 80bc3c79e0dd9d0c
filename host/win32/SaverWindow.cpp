// The saver window: full screen or inside a preview parent, with its OpenGL
// context and the message-and-frame loop. The window procedure translates
// messages into calls of the portable close policy.
#include <windows.h>

#include <new>

#include "host/ClosePolicy.h"
#include "host/Entry.h"
#include "host/FrameLoop.h"
#include "host/Platform.h"
#include "host/SaverState.h"
#include "host/win32/Win32Host.h"
#include "scene/KaleidoScene.h"

namespace {

const char kClassName[] = "OpenGL";
const char kWindowTitle[] = "SaverWindow";

// The window-system side of the close policy.
class Win32WindowServices : public SaverWindowServices {
 public:
  explicit Win32WindowServices(HWND window) : window_(window) {}
  void PostCloseRequest() override { PostMessageA(window_, WM_CLOSE, 0, 0); }
  void RefreshCursor() override { SendMessageA(window_, WM_SETCURSOR, 0, 0); }
  CursorPoint CursorPosition() override {
    POINT point = {0, 0};
    GetCursorPos(&point);
    CursorPoint result;
    result.x = point.x;
    result.y = point.y;
    return result;
  }
  std::uint32_t TickCount() override { return GetTickCount(); }
  int VerifyPassword() override { return platform::VerifySaverPassword(win32::FromHwnd(window_)); }
  void DestroySaverWindow() override { DestroyWindow(window_); }

 private:
  HWND window_;
};

LRESULT CALLBACK SaverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  SaverState* state = gSaverState;
  if (state == nullptr) {
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(window, message, wParam, lParam);
  }
  Win32WindowServices services(window);
  ClosePolicy policy{*state, services, gSaverMode, &gScene};
  Disposition disposition = Disposition::DefaultProcessing;

  switch (message) {
    case WM_CREATE:
      policy.OnCreate(win32::FromHwnd(window));
      break;
    case WM_DESTROY:
      PostQuitMessage(0);
      break;
    case WM_ACTIVATE:
    case WM_ACTIVATEAPP:
    case WM_NCACTIVATE:
      disposition = policy.OnActivation(LOWORD(wParam) != 0);
      break;
    case WM_CLOSE:
      disposition = policy.OnClose();
      break;
    case WM_SETCURSOR:
      SetCursor(policy.CursorVisible() ? LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)) : nullptr);  // IDC_ARROW
      break;
    case WM_KEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      disposition = policy.OnKeyOrButton(static_cast<std::uint32_t>(wParam));
      break;
    case WM_SYSCOMMAND:
      disposition = policy.OnSystemCommand(wParam == SC_SCREENSAVE || wParam == SC_CLOSE);
      break;
    case WM_MOUSEMOVE:
      disposition = policy.OnMouseMove();
      break;
    default:
      break;
  }
  if (disposition == Disposition::Handled) return 0;
  return DefWindowProcA(window, message, wParam, lParam);
}

// The message queue and the buffer swap as the portable frame loop sees them.
class Win32LoopHost : public FrameLoopHost {
 public:
  explicit Win32LoopHost(HDC deviceContext) : deviceContext_(deviceContext) {}
  bool HandlePendingEvent() override {
    MSG message;
    if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) return false;
    if (message.message == WM_QUIT) {
      quit_ = true;
      return true;
    }
    TranslateMessage(&message);
    DispatchMessageA(&message);
    return true;
  }
  bool QuitRequested() override { return quit_; }
  void Present() override { SwapBuffers(deviceContext_); }
  void Sleep(std::int32_t milliseconds) override { ::Sleep(static_cast<DWORD>(milliseconds)); }

 private:
  HDC deviceContext_;
  bool quit_ = false;
};

// Tells the system that a screen saver runs (or no longer runs).
void SetSaverRunning(bool saver, UINT running) {
  if (!saver) return;
  UINT previous = 0;
  SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, running, &previous, 0);
}

}  // namespace

namespace platform {

void RunSaverWindow(SaverState& state, WindowHandle parent, int showWindow) {
  HINSTANCE instance = win32::ModuleInstance();
  const bool saver = gSaverMode == SaverMode::Saver;

  WNDCLASSA windowClass;
  ZeroMemory(&windowClass, sizeof windowClass);
  windowClass.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = SaverWindowProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = kClassName;
  if (RegisterClassA(&windowClass) == 0) {
    ShowErrorMessage("RegisterClass() failed:  Cannot register window class.");
    return;
  }

  int width = 0;
  int height = 0;
  DWORD style = 0;
  HWND parentWindow = nullptr;
  if (saver) {
    style = WS_POPUP | WS_VISIBLE;
    width = GetSystemMetrics(SM_CXSCREEN);
    height = GetSystemMetrics(SM_CYSCREEN);
  } else {
    style = WS_CHILD | WS_VISIBLE;
    parentWindow = win32::ToHwnd(parent);
    RECT rect = {0, 0, 0, 0};
    GetWindowRect(parentWindow, &rect);
    width = rect.right - rect.left;
    height = rect.bottom - rect.top;
  }

  // The creation message records the window, cursor origin and start tick.
  HWND window = CreateWindowExA(0, kClassName, kWindowTitle, style, 0, 0, width, height, parentWindow, nullptr,
                                instance, nullptr);
  if (window == nullptr) return;  // no such parent window: nothing to draw into

  SetSaverRunning(saver, 1);
  HDC deviceContext = GetDC(window);

  PIXELFORMATDESCRIPTOR request;
  ZeroMemory(&request, sizeof request);
  request.nSize = sizeof request;
  request.nVersion = 1;
  request.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  request.iPixelType = PFD_TYPE_RGBA;
  request.cColorBits = 32;
  const int format = ChoosePixelFormat(deviceContext, &request);
  if (format == 0) {
    ShowErrorMessage("ChoosePixelFormat() failed:  Cannot find a suitable pixel format.");
    SetSaverRunning(saver, 0);
    return;
  }
  if (!SetPixelFormat(deviceContext, format, &request)) {
    ShowErrorMessage("SetPixelFormat() failed:  Cannot set format specified.");
    SetSaverRunning(saver, 0);
    return;
  }

  HGLRC renderingContext = wglCreateContext(deviceContext);
  if (renderingContext == nullptr || !wglMakeCurrent(deviceContext, renderingContext)) {
    // Without a context nothing can be drawn: say so rather than show a blank window.
    ShowErrorMessage("wglCreateContext() failed:  Cannot create an OpenGL rendering context.");
    if (renderingContext != nullptr) wglDeleteContext(renderingContext);
    ReleaseDC(window, deviceContext);
    DestroyWindow(window);
    SetSaverRunning(saver, 0);
    return;
  }

  KaleidoScene* scene = new (std::nothrow) KaleidoScene();
  if (scene != nullptr) {
    scene->Init(width, height);
    gScene = scene;

    ShowWindow(window, showWindow);
    Win32LoopHost host(deviceContext);
    SceneRenderer renderer(*scene);
    RunFrameLoop(host, renderer, state.useMirrors);

    scene->Teardown();
    gScene = nullptr;
    delete scene;
  } else {
    DestroyWindow(window);
  }

  wglMakeCurrent(nullptr, nullptr);
  ReleaseDC(window, deviceContext);
  wglDeleteContext(renderingContext);
  SetSaverRunning(saver, 0);
}

}  // namespace platform
