// The saver window: over every monitor or inside a preview parent, with its
// OpenGL context and the message-and-frame loop. The window procedure
// translates messages into calls of the portable close policy; the scene's
// life and the monitors' views are the portable ones.
#include <windows.h>

#include <vector>

#include "host/ClosePolicy.h"
#include "host/Monitors.h"
#include "host/SaverState.h"
#include "host/SceneLife.h"
#include "host/System.h"
#include "host/win32/Win32Host.h"

namespace {

const char kClassName[] = "OpenGL";
const char kWindowTitle[] = "SaverWindow";

// What the window procedure works on; the window carries it.
struct WindowContext {
  SaverState* state;
  SaverMode mode;
  bool displayOff;    // the console's display is powered off
  ScreenRect screen;  // the window's place: the virtual screen (Saver), the parent's size (Preview)
  SceneSet* scenes;   // the run's scenes once they are started, else null
  RenderTarget* target;
};

// The console display's power state, {6FE69556-704A-47A0-8F24-C28D936FDA47}.
const GUID kConsoleDisplayState = {0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};

// Looked up at run time: systems before Vista lack the power setting
// notifications, Windows 95 and NT 4 the monitor calls.
template <typename Function>
Function User32Function(const char* name) {
  return win32::OptionalCall<Function>("user32.dll", name);
}

// The window-system side of the close policy.
class Win32WindowServices : public SaverWindowServices {
 public:
  explicit Win32WindowServices(HWND window) : window_(window) {}
  void PostCloseRequest() override { PostMessageA(window_, WM_CLOSE, 0, 0); }
  void RefreshCursor() override { SendMessageA(window_, WM_SETCURSOR, 0, 0); }
  bool CursorPosition(CursorPoint& out) override {
    POINT point = {0, 0};
    if (!GetCursorPos(&point)) return false;
    out.x = point.x;
    out.y = point.y;
    return true;
  }
  std::uint32_t TickCount() override { return GetTickCount(); }
  int VerifyPassword() override { return platform::VerifySaverPassword(win32::FromHwnd(window_)); }
  void DestroySaverWindow() override { DestroyWindow(window_); }

 private:
  HWND window_;
};

// The rectangle round every monitor, in screen pixels; the primary screen
// where the system knows of no other.
ScreenRect VirtualScreen() {
  ScreenRect screen{GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                    GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN)};
  if (screen.width <= 0 || screen.height <= 0) {
    screen = ScreenRect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  }
  return screen;
}

// Looked up at run time, as Windows 95 and NT 4 know of one monitor only.
BOOL CALLBACK AddMonitor(HMONITOR handle, HDC, LPRECT, LPARAM list) {
  using GetInfo = BOOL(WINAPI*)(HMONITOR, LPMONITORINFO);
  const auto getInfo = User32Function<GetInfo>("GetMonitorInfoA");
  MONITORINFO info;
  ZeroMemory(&info, sizeof info);
  info.cbSize = sizeof info;
  if (getInfo != nullptr && getInfo(handle, &info)) {
    const RECT& r = info.rcMonitor;
    Monitor monitor;
    monitor.rect = ScreenRect{r.left, r.top, r.right - r.left, r.bottom - r.top};
    monitor.primary = (info.dwFlags & MONITORINFOF_PRIMARY) != 0;
    reinterpret_cast<std::vector<Monitor>*>(list)->push_back(monitor);
  }
  return TRUE;
}

// Where the kaleidoscopes go in a window over `screen`: on the monitors as
// the system reports them now.
std::vector<SceneView> MonitorViews(const ScreenRect& screen, const SaverState& state) {
  using Enumerate = BOOL(WINAPI*)(HDC, LPCRECT, MONITORENUMPROC, LPARAM);
  std::vector<Monitor> monitors;
  if (const auto enumerate = User32Function<Enumerate>("EnumDisplayMonitors")) {
    enumerate(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&monitors));
  }
  return LayOutViews(screen, monitors, state.allMonitors != 0);
}

// The monitors changed (added, removed, another resolution or scale): the
// window moves over the new virtual screen and the scenes onto the monitors.
void CoverScreen(HWND window, WindowContext& context) {
  const ScreenRect screen = VirtualScreen();
  context.screen = screen;
  SetWindowPos(window, nullptr, screen.x, screen.y, screen.width, screen.height, SWP_NOZORDER | SWP_NOACTIVATE);
  if (context.scenes != nullptr) {
    context.scenes->Layout(
        SceneLayout{{context.target, screen.width, screen.height, MonitorViews(screen, *context.state)}});
  }
  // The system moves the cursor off a monitor that has gone; that is no activity.
  Win32WindowServices services(window);
  context.state->TakeCursorOrigin(services);
}

LRESULT CALLBACK SaverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* context = reinterpret_cast<WindowContext*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (context == nullptr) {
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(window, message, wParam, lParam);
  }
  Win32WindowServices services(window);
  ClosePolicy policy{*context->state, services, context->mode, context->scenes};
  Disposition disposition = Disposition::DefaultProcessing;

  switch (message) {
    case WM_CREATE:
      policy.OnCreate();
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
    case WM_DISPLAYCHANGE:
    case WM_DPICHANGED:
      // The window keeps covering every monitor in physical pixels, whatever
      // size the system suggests for a new scale.
      if (context->mode == SaverMode::Saver) {
        CoverScreen(window, *context);
        return 0;
      }
      break;
    case WM_POWERBROADCAST:
      if (wParam == PBT_POWERSETTINGCHANGE) {
        const auto* setting = reinterpret_cast<const POWERBROADCAST_SETTING*>(lParam);
        if (IsEqualGUID(setting->PowerSetting, kConsoleDisplayState) && setting->DataLength >= sizeof(DWORD)) {
          DWORD displayState = 0;  // 0 off, 1 on, 2 dimmed
          CopyMemory(&displayState, setting->Data, sizeof displayState);
          context->displayOff = displayState == 0;
        }
        return TRUE;
      }
      break;
    default:
      break;
  }
  if (disposition == Disposition::Handled) return 0;
  return DefWindowProcA(window, message, wParam, lParam);
}

// The window, its device and rendering contexts and the message queue as
// the scene's life sees them.
class Win32SceneHost : public SceneHost {
 public:
  Win32SceneHost(SaverState& state, const SaverRun& run)
      : context_{&state, run.mode, false, ScreenRect{}, nullptr, this}, saver_(run.mode == SaverMode::Saver), parent_(run.parent),
        showWindow_(run.showWindow) {}

  SetUpResult SetUp() override {
    HINSTANCE instance = win32::ModuleInstance();
    WNDCLASSA windowClass;
    ZeroMemory(&windowClass, sizeof windowClass);
    windowClass.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = SaverWindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kClassName;
    if (RegisterClassA(&windowClass) == 0) return SetUpResult::NoWindowClass;

    DWORD style = WS_CHILD | WS_VISIBLE;
    HWND parentWindow = nullptr;
    ScreenRect& place = context_.screen;
    if (saver_) {
      style = WS_POPUP | WS_VISIBLE;
      place = VirtualScreen();
    } else {
      parentWindow = win32::ToHwnd(parent_);
      RECT rect = {0, 0, 0, 0};
      GetWindowRect(parentWindow, &rect);
      place = ScreenRect{0, 0, rect.right - rect.left, rect.bottom - rect.top};
    }
    // The creation message records the cursor origin and start tick.
    window_ = CreateWindowExA(0, kClassName, kWindowTitle, style, place.x, place.y, place.width, place.height,
                              parentWindow, nullptr, instance, &context_);
    if (window_ == nullptr) return SetUpResult::Quiet;  // no such parent window: nothing to draw into

    SetSaverRunning(1);
    // Told when the display is powered off and on; reading it keeps nothing awake.
    using Register = HPOWERNOTIFY(WINAPI*)(HANDLE, LPCGUID, DWORD);
    if (auto registerNotification = User32Function<Register>("RegisterPowerSettingNotification")) {
      powerNotification_ = registerNotification(window_, &kConsoleDisplayState, DEVICE_NOTIFY_WINDOW_HANDLE);
    }
    deviceContext_ = GetDC(window_);
    PIXELFORMATDESCRIPTOR request;
    ZeroMemory(&request, sizeof request);
    request.nSize = sizeof request;
    request.nVersion = 1;
    request.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    request.iPixelType = PFD_TYPE_RGBA;
    request.cColorBits = 32;
    const int format = ChoosePixelFormat(deviceContext_, &request);
    if (format == 0) return SetUpResult::NoPixelFormat;
    if (!SetPixelFormat(deviceContext_, format, &request)) return SetUpResult::FormatNotSet;
    renderingContext_ = wglCreateContext(deviceContext_);
    if (renderingContext_ == nullptr || !wglMakeCurrent(deviceContext_, renderingContext_)) {
      return SetUpResult::NoContext;
    }
    return SetUpResult::Ready;
  }

  // The window's size now: the monitors may have changed since it was made.
  int Width() override { return context_.screen.width; }
  int Height() override { return context_.screen.height; }
  std::vector<SceneView> Views() override {
    if (!saver_) return SceneHost::Views();
    return MonitorViews(context_.screen, *context_.state);
  }
  void Attach(SceneSet* scenes) override { context_.scenes = scenes; }
  void Show() override { ShowWindow(window_, showWindow_); }

  void DropWindow() override {
    if (window_ == nullptr || !IsWindow(window_)) return;
    DestroyWindow(window_);
    // The destruction posted the quit message; left in the queue it would end
    // the message box's own loop at once.
    MSG message;
    while (PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
  }

  void TearDown() override {
    using Unregister = BOOL(WINAPI*)(HPOWERNOTIFY);
    auto unregisterNotification = User32Function<Unregister>("UnregisterPowerSettingNotification");
    if (powerNotification_ != nullptr && unregisterNotification != nullptr) unregisterNotification(powerNotification_);
    if (renderingContext_ != nullptr) wglMakeCurrent(nullptr, nullptr);
    if (deviceContext_ != nullptr) ReleaseDC(window_, deviceContext_);
    if (renderingContext_ != nullptr) wglDeleteContext(renderingContext_);
    SetSaverRunning(0);
  }

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
  bool WaitForEvent(std::int32_t milliseconds) override {
    // Returns for any message, input already in the queue included.
    const DWORD timeout = milliseconds < 0 ? INFINITE : static_cast<DWORD>(milliseconds);
    return MsgWaitForMultipleObjectsEx(0, nullptr, timeout, QS_ALLINPUT, MWMO_INPUTAVAILABLE) != WAIT_TIMEOUT;
  }
  std::uint32_t Milliseconds() override { return GetTickCount(); }
  Sight PictureSight() override {
    if (context_.displayOff) return Sight::Hidden;
    // A preview in a window that is hidden or minimised; no message tells us
    // when that ends, so it is asked again.
    if (!saver_ && (!IsWindowVisible(window_) || IsIconic(GetAncestor(window_, GA_ROOT)))) {
      return Sight::HiddenPolled;
    }
    return Sight::Visible;
  }

 private:
  // Tells the system that a screen saver runs (or no longer runs).
  void SetSaverRunning(UINT running) {
    if (!saver_ || window_ == nullptr) return;
    UINT previous = 0;
    SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, running, &previous, 0);
  }

  WindowContext context_;
  bool saver_;
  WindowHandle parent_;
  int showWindow_;
  HWND window_ = nullptr;
  HDC deviceContext_ = nullptr;
  HGLRC renderingContext_ = nullptr;
  HPOWERNOTIFY powerNotification_ = nullptr;
  bool quit_ = false;
};

}  // namespace

namespace win32 {

void RunSaverWindow(SaverState& state, const SaverRun& run) {
  Win32SceneHost host(state, run);
  RunScene(host, run, state, &platform::ShowErrorMessage);
}

}  // namespace win32
