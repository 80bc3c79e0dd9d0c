#pragma once
// Wayland with layer-shell: a layer surface on every output (or on the one
// asked for), each a render target of its own at the output's size and scale.
//
// Offers: a kaleidoscope on every output (the first output stands for the
// primary, which Wayland does not name), outputs that come and go while it
// runs, fractional scales (viewporter), the desktop's background layer.
// Saver: overlay surfaces with the keyboard to themselves, their input
// reported as every backend's is; losing every surface ends the run.
// Background: background-layer surfaces that take no input; SIGTERM, SIGINT
// or the compositor closing them end the run. Not offered: a preview inside
// another program's window and the daemons' windows (X11 has those); the
// cursor's place before the pointer first moves over a surface.
#include <memory>
#include <string>
#include <vector>

#include "host/Backend.h"
#include "host/linux/WindowSystems.h"
#include "host/linux/XkbKeys.h"
#include "host/wayland/EglOutput.h"
#include "host/wayland/Outputs.h"

struct wl_interface;
struct wl_compositor;
struct wl_display;
struct wl_keyboard;
struct wl_output;
struct wl_pointer;
struct wl_registry;
struct wl_seat;
struct wl_surface;
struct wp_fractional_scale_manager_v1;
struct wp_fractional_scale_v1;
struct wp_viewport;
struct wp_viewporter;
struct zwlr_layer_shell_v1;
struct zwlr_layer_surface_v1;
struct zxdg_output_manager_v1;
struct zxdg_output_v1;

namespace waylandhost {

constexpr BackendCaps kWaylandCaps{/*monitors=*/true, /*hotPlug=*/true, /*preview=*/false, /*borrowed=*/false,
                                   /*background=*/true, /*password=*/false};

enum class Layer { Overlay, Background };

// Whether $WAYLAND_DISPLAY is set, can be reached and its compositor offers layer-shell.
bool OffersLayerShell();

// Wayland's row in the table of window systems.
linuxhost::WindowSystem WaylandWindowSystem();

class WaylandBackend;
struct SaverOutput;

// One output's layer surface: a render target with the EGL window behind it.
struct SaverSurface : RenderTarget {
  WaylandBackend* owner = nullptr;
  SaverOutput* output = nullptr;
  wl_surface* surface = nullptr;
  zwlr_layer_surface_v1* layer = nullptr;
  wp_viewport* viewport = nullptr;
  wp_fractional_scale_v1* fraction = nullptr;
  EglWindow window;
  std::int32_t width = 0;  // logical size, from the last configure
  std::int32_t height = 0;
  std::int32_t scale120 = 0;  // the preferred fractional scale, 0 when none is given
  BufferSize buffer;          // what the EGL window has now
  bool configured = false;

  // The buffer the surface needs now.
  BufferSize Wanted() const;
  // Sizes the EGL window to Wanted() first.
  bool MakeCurrent() override;
  void Clear() override;
  void Present() override { window.Swap(); }
};

struct SaverOutput {
  WaylandBackend* owner = nullptr;
  OutputInfo info;
  wl_output* output = nullptr;
  zxdg_output_v1* xdgOutput = nullptr;
  std::unique_ptr<SaverSurface> surface;
};

class WaylandBackend : public WaitingBackend {
 public:
  WaylandBackend(Layer layer, std::string onlyOutput, bool allMonitors);
  ~WaylandBackend() override;
  WaylandBackend(const WaylandBackend&) = delete;
  WaylandBackend& operator=(const WaylandBackend&) = delete;

  // Connects, sets up EGL and the first surfaces; Quiet (with a line on
  // standard error) when there is nothing to draw on.
  Opened Open(BackendEvents& events) override;
  // A target per configured surface: those of the outputs chosen for a
  // scene first, the primary's first; the others stay black.
  SceneLayout Layout() override;
  void Close() override;
  bool Dispatch() override;
  bool QuitRequested() override;
  bool Wait(std::int32_t milliseconds) override;
  Sight PictureSight() override;
  bool CursorPosition(CursorPoint& out) override;
  void RefreshCursor() override;
  void DestroyWindow() override { quit_ = true; }

  // The protocol's callbacks, through the listeners of Listeners.cpp.
  void OnGlobal(wl_registry* registry, std::uint32_t id, const char* interface, std::uint32_t version);
  void OnGlobalRemove(std::uint32_t id);
  void OnOutputDescribed(SaverOutput& output);
  void OnConfigure(SaverSurface& surface, std::uint32_t serial, std::uint32_t width, std::uint32_t height);
  void OnClosed(SaverSurface& surface);
  void OnScaleChanged() { layoutChanged_ = true; }
  void OnSeatCapabilities(std::uint32_t capabilities);
  void OnPointerAt(wl_surface* surface, double sx, double sy, std::uint32_t enterSerial);
  void OnButton(std::uint32_t button, bool pressed);
  void OnKeymap(std::uint32_t format, int fd, std::uint32_t size);
  void OnKeyboardFocus(wl_surface* surface, bool entered);
  void OnKey(std::uint32_t key, bool pressed);
  void OnRepeatInfo(std::int32_t rate, std::int32_t delay) { repeat_.Configure(rate, delay); }
  void OnModifiers(std::uint32_t depressed, std::uint32_t latched, std::uint32_t locked, std::uint32_t group);

  EglContext& Egl() { return egl_; }

 private:
  bool Saver() const { return layer_ == Layer::Overlay; }
  void AddSurface(SaverOutput& output);
  void DropSurface(SaverOutput& output);
  void DropGoneSurfaces();
  SaverOutput* OutputShowing(wl_surface* surface);
  void ReleaseGlobals();

  Layer layer_;
  std::string onlyOutput_;
  bool allMonitors_;
  BackendEvents* events_ = nullptr;

  wl_display* display_ = nullptr;
  wl_registry* registry_ = nullptr;
  wl_compositor* compositor_ = nullptr;
  zwlr_layer_shell_v1* layerShell_ = nullptr;
  zxdg_output_manager_v1* xdgOutputs_ = nullptr;
  wp_viewporter* viewporter_ = nullptr;
  wp_fractional_scale_manager_v1* fractionalScales_ = nullptr;
  wl_seat* seat_ = nullptr;
  wl_pointer* pointer_ = nullptr;
  wl_keyboard* keyboard_ = nullptr;
  EglContext egl_;
  linuxhost::XkbKeys keys_;
  linuxhost::KeyRepeat repeat_;
  std::vector<std::unique_ptr<SaverOutput>> outputs_;
  std::vector<SaverSurface*> gone_;  // closed by the compositor, dropped after the events

  std::uint32_t pointerSerial_ = 0;
  CursorPoint pointerAt_;
  bool pointerKnown_ = false;
  wl_surface* pointerSurface_ = nullptr;
  wl_surface* focus_ = nullptr;
  bool hadFocus_ = false;
  bool keyboardPresent_ = false;
  bool focusChanged_ = false;
  bool started_ = false;
  bool hadSurface_ = false;
  bool layoutChanged_ = false;
  bool lost_ = false;
  bool quit_ = false;
};

// The listeners of Listeners.cpp, each handing its events to the saver.
void Listen(wl_registry* registry, WaylandBackend* saver);
void Listen(wl_output* output, SaverOutput* described);
void Listen(zxdg_output_v1* output, SaverOutput* described);
void Listen(zwlr_layer_surface_v1* layer, SaverSurface* surface);
void Listen(wp_fractional_scale_v1* fraction, SaverSurface* surface);
void Listen(wl_seat* seat, WaylandBackend* saver);
void Listen(wl_pointer* pointer, WaylandBackend* saver);
void Listen(wl_keyboard* keyboard, WaylandBackend* saver);
// Binds a global at the lower of the version offered and the one wanted.
void* Bind(wl_registry* registry, std::uint32_t id, const wl_interface* interface, std::uint32_t offered,
           std::uint32_t wanted);
// Before version 3 an output can only be forgotten, not released.
void ReleaseOutput(wl_output* output);

}  // namespace waylandhost
