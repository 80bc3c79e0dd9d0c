// The saver window on Windows: over every monitor or inside a preview
// parent, with its OpenGL context and its message queue. The window
// procedure translates messages into the backend's events; the monitors'
// views are the portable ones.
#include "host/win32/Win32Backend.h"

#include <vector>

#include "host/Monitors.h"
#include "host/win32/Win32Host.h"

namespace {

const char kClassName[] = "OpenGL";
const char kWindowTitle[] = "SaverWindow";

// The console display's power state, {6FE69556-704A-47A0-8F24-C28D936FDA47}.
const GUID kConsoleDisplayState = {0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};

// Looked up at run time: systems before Vista lack the power setting
// notifications, Windows 95 and NT 4 the monitor calls.
template <typename Function>
Function User32Function(const char* name) {
  return win32::OptionalCall<Function>("user32.dll", name);
}

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
std::vector<SceneView> MonitorViews(const ScreenRect& screen, bool allMonitors) {
  using Enumerate = BOOL(WINAPI*)(HDC, LPCRECT, MONITORENUMPROC, LPARAM);
  std::vector<Monitor> monitors;
  if (const auto enumerate = User32Function<Enumerate>("EnumDisplayMonitors")) {
    enumerate(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&monitors));
  }
  return LayOutViews(screen, monitors, allMonitors);
}

}  // namespace

namespace win32 {

Win32Backend::Win32Backend(bool saver, WindowHandle parent, bool allMonitors, int showWindow)
    : saver_(saver), parent_(parent), allMonitors_(allMonitors), showWindow_(showWindow) {}

LRESULT CALLBACK Win32Backend::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* backend = reinterpret_cast<Win32Backend*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (backend == nullptr) {
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(window, message, wParam, lParam);
  }
  LRESULT result = 0;
  if (backend->Handle(window, message, wParam, lParam, &result)) return result;
  return DefWindowProcA(window, message, wParam, lParam);
}

bool Win32Backend::Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  BackendEvents& events = *events_;
  Disposition disposition = Disposition::DefaultProcessing;
  switch (message) {
    case WM_CREATE:
      window_ = window;
      events.Created();
      break;
    case WM_DESTROY:
      PostQuitMessage(0);
      break;
    case WM_ACTIVATE:
    case WM_ACTIVATEAPP:
    case WM_NCACTIVATE:
      disposition = events.Activation(LOWORD(wParam) != 0);
      break;
    case WM_CLOSE:
      disposition = events.CloseAsked();
      break;
    case WM_SETCURSOR:
      SetCursor(events.CursorVisible() ? LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)) : nullptr);  // IDC_ARROW
      break;
    case WM_KEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      disposition = events.KeyOrButton(static_cast<std::uint32_t>(wParam));
      break;
    case WM_SYSCOMMAND:
      disposition = events.SystemCommand(wParam == SC_SCREENSAVE || wParam == SC_CLOSE);
      break;
    case WM_MOUSEMOVE:
      disposition = events.PointerMoved();
      break;
    case WM_DISPLAYCHANGE:
    case WM_DPICHANGED:
      // The window keeps covering every monitor in physical pixels, whatever
      // size the system suggests for a new scale.
      if (!saver_) break;
      CoverScreen();
      return true;
    case WM_POWERBROADCAST:
      if (wParam != PBT_POWERSETTINGCHANGE) break;
      NotePower(reinterpret_cast<const POWERBROADCAST_SETTING*>(lParam));
      *result = TRUE;
      return true;
    default:
      break;
  }
  return disposition == Disposition::Handled;
}

void Win32Backend::NotePower(const POWERBROADCAST_SETTING* setting) {
  if (!IsEqualGUID(setting->PowerSetting, kConsoleDisplayState) || setting->DataLength < sizeof(DWORD)) return;
  DWORD displayState = 0;  // 0 off, 1 on, 2 dimmed
  CopyMemory(&displayState, setting->Data, sizeof displayState);
  displayOff_ = displayState == 0;
}

// The monitors changed (added, removed, another resolution or scale): the
// window moves over the new virtual screen and the scenes onto the monitors.
void Win32Backend::CoverScreen() {
  screen_ = VirtualScreen();
  SetWindowPos(window_, nullptr, screen_.x, screen_.y, screen_.width, screen_.height, SWP_NOZORDER | SWP_NOACTIVATE);
  events_->LayoutChanged();
  // The system moves the cursor off a monitor that has gone; that is no activity.
  events_->ScreenChanged();
}

Opened Win32Backend::Open(BackendEvents& events) {
  events_ = &events;
  HINSTANCE instance = ModuleInstance();
  WNDCLASSA windowClass;
  ZeroMemory(&windowClass, sizeof windowClass);
  windowClass.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = &Win32Backend::WindowProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = kClassName;
  if (RegisterClassA(&windowClass) == 0) return Failure("RegisterClass() failed:  Cannot register window class.");

  DWORD style = WS_CHILD | WS_VISIBLE;
  HWND parentWindow = nullptr;
  if (saver_) {
    style = WS_POPUP | WS_VISIBLE;
    screen_ = VirtualScreen();
  } else {
    parentWindow = ToHwnd(parent_);
    RECT rect = {0, 0, 0, 0};
    GetWindowRect(parentWindow, &rect);
    screen_ = ScreenRect{0, 0, rect.right - rect.left, rect.bottom - rect.top};
  }
  // The creation message records the cursor origin and start tick.
  window_ = CreateWindowExA(0, kClassName, kWindowTitle, style, screen_.x, screen_.y, screen_.width, screen_.height,
                            parentWindow, nullptr, instance, this);
  if (window_ == nullptr) return Opened{Opened::Result::Quiet, std::string()};  // no such parent window

  SetSaverRunning(1);
  // Told when the display is powered off and on; reading it keeps nothing awake.
  using Register = HPOWERNOTIFY(WINAPI*)(HANDLE, LPCGUID, DWORD);
  if (auto registerNotification = User32Function<Register>("RegisterPowerSettingNotification")) {
    powerNotification_ = registerNotification(window_, &kConsoleDisplayState, DEVICE_NOTIFY_WINDOW_HANDLE);
  }
  return CreateContext();
}

Opened Win32Backend::Failure(const char* message) { return Opened{Opened::Result::Failed, message}; }

Opened Win32Backend::CreateContext() {
  deviceContext_ = GetDC(window_);
  PIXELFORMATDESCRIPTOR request;
  ZeroMemory(&request, sizeof request);
  request.nSize = sizeof request;
  request.nVersion = 1;
  request.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  request.iPixelType = PFD_TYPE_RGBA;
  request.cColorBits = 32;
  const int format = ChoosePixelFormat(deviceContext_, &request);
  if (format == 0) return Failure("ChoosePixelFormat() failed:  Cannot find a suitable pixel format.");
  if (!SetPixelFormat(deviceContext_, format, &request)) {
    return Failure("SetPixelFormat() failed:  Cannot set format specified.");
  }
  renderingContext_ = wglCreateContext(deviceContext_);
  if (renderingContext_ == nullptr || !wglMakeCurrent(deviceContext_, renderingContext_)) {
    // Without a context nothing can be drawn: say so rather than show a blank window.
    return Failure("wglCreateContext() failed:  Cannot create an OpenGL rendering context.");
  }
  return Opened{};
}

SceneLayout Win32Backend::Layout() {
  // The window's size now: the monitors may have changed since it was made.
  const std::vector<SceneView> views =
      saver_ ? MonitorViews(screen_, allMonitors_) : WholeWindow(screen_.width, screen_.height);
  return SceneLayout{{this, screen_.width, screen_.height, views}};
}

void Win32Backend::DropWindow() {
  if (window_ == nullptr || !IsWindow(window_)) return;
  ::DestroyWindow(window_);
  // The destruction posted the quit message; left in the queue it would end
  // the message box's own loop at once.
  MSG message;
  while (PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
}

void Win32Backend::Close() {
  using Unregister = BOOL(WINAPI*)(HPOWERNOTIFY);
  auto unregisterNotification = User32Function<Unregister>("UnregisterPowerSettingNotification");
  if (powerNotification_ != nullptr && unregisterNotification != nullptr) unregisterNotification(powerNotification_);
  powerNotification_ = nullptr;
  if (renderingContext_ != nullptr) wglMakeCurrent(nullptr, nullptr);
  if (deviceContext_ != nullptr) ReleaseDC(window_, deviceContext_);
  if (renderingContext_ != nullptr) wglDeleteContext(renderingContext_);
  renderingContext_ = nullptr;
  deviceContext_ = nullptr;
  SetSaverRunning(0);
}

bool Win32Backend::Dispatch() {
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

bool Win32Backend::Wait(std::int32_t milliseconds) {
  // Returns for any message, input already in the queue included.
  const DWORD timeout = milliseconds < 0 ? INFINITE : static_cast<DWORD>(milliseconds);
  return MsgWaitForMultipleObjectsEx(0, nullptr, timeout, QS_ALLINPUT, MWMO_INPUTAVAILABLE) != WAIT_TIMEOUT;
}

Sight Win32Backend::PictureSight() {
  if (displayOff_) return Sight::Hidden;
  // A preview in a window that is hidden or minimised; no message tells us
  // when that ends, so it is asked again.
  if (!saver_ && (!IsWindowVisible(window_) || IsIconic(GetAncestor(window_, GA_ROOT)))) return Sight::HiddenPolled;
  return Sight::Visible;
}

bool Win32Backend::CursorPosition(CursorPoint& out) {
  POINT point = {0, 0};
  if (!GetCursorPos(&point)) return false;
  out.x = point.x;
  out.y = point.y;
  return true;
}

void Win32Backend::RefreshCursor() { SendMessageA(window_, WM_SETCURSOR, 0, 0); }

int Win32Backend::VerifyPassword() { return VerifySaverPassword(FromHwnd(window_)); }

void Win32Backend::DestroyWindow() { ::DestroyWindow(window_); }

// Tells the system that a screen saver runs (or no longer runs).
void Win32Backend::SetSaverRunning(UINT running) {
  if (!saver_ || window_ == nullptr) return;
  UINT previous = 0;
  SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, running, &previous, 0);
}

}  // namespace win32
