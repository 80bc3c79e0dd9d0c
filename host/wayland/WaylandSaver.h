#pragma once
// The Wayland run: a layer-shell surface on every output (or on the one
// asked for), each with a kaleidoscope of its own at the output's size and
// scale, drawn in turn by one frame loop that waits on the connection and on
// the stop signals. Outputs that come and go while it runs are followed.
//
// Saver: overlay surfaces with the keyboard to themselves; their input goes
// through the close policy as the X11 and Win32 windows' does, and losing
// every surface ends the run. Background: background-layer surfaces that take
// no input; SIGTERM, SIGINT or the compositor closing them end the run.
#include <memory>
#include <string>
#include <vector>

#include "host/ClosePolicy.h"
#include "host/FrameLoop.h"
#include "host/SceneLife.h"
#include "host/wayland/EglOutput.h"
#include "host/wayland/Outputs.h"
#include "host/wayland/XkbKeys.h"

struct wl_callback;
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

namespace photo {
class PhotoAtlasSource;
}

namespace waylandhost {

enum class Layer { Overlay, Background };

// Whether $WAYLAND_DISPLAY can be reached and its compositor offers layer-shell.
bool OffersLayerShell();

class WaylandSaver : public FrameLoopHost, public FrameRenderer, public SaverWindowServices {
 public:
  WaylandSaver(SaverState& state, const SaverRun& run, Layer layer, std::string onlyOutput);
  ~WaylandSaver() override;
  WaylandSaver(const WaylandSaver&) = delete;
  WaylandSaver& operator=(const WaylandSaver&) = delete;

  // Connects, sets up EGL and the first surfaces; false (with a line on
  // standard error, or the set-up message shown) when nothing can run.
  bool Start();
  // Runs the frame loop until the run ends, then tears everything down.
  void Run(std::int32_t useMirrors);

  // FrameLoopHost
  bool HandlePendingEvent() override;
  bool QuitRequested() override;
  void Present() override {}  // each surface is swapped as it is drawn
  bool WaitForEvent(std::int32_t milliseconds) override;
  std::uint32_t Milliseconds() override;
  Sight PictureSight() override;

  // FrameRenderer: every configured surface's scene, each swapped in turn.
  bool RenderFrame(std::uint32_t flags) override;
  std::int32_t SleepMs() override;
  void Resume() override;

  // SaverWindowServices
  void PostCloseRequest() override { ++pendingCloses_; }
  void RefreshCursor() override;
  bool CursorPosition(CursorPoint& out) override;
  std::uint32_t TickCount() override;
  int VerifyPassword() override;
  void DestroySaverWindow() override { quit_ = true; }

  struct Scene;
  struct Surface;
  struct Output;

  // The protocol's callbacks, through the listeners of WaylandSaver.cpp.
  void OnGlobal(wl_registry* registry, std::uint32_t id, const char* interface, std::uint32_t version);
  void OnGlobalRemove(std::uint32_t id);
  void OnOutputDescribed(Output& output);
  void OnConfigure(Surface& surface, std::uint32_t serial, std::uint32_t width, std::uint32_t height);
  void OnClosed(Surface& surface);
  void OnSeatCapabilities(std::uint32_t capabilities);
  void OnPointerAt(wl_surface* surface, double sx, double sy, std::uint32_t enterSerial);
  void OnButton(std::uint32_t button, bool pressed);
  void OnKeymap(std::uint32_t format, int fd, std::uint32_t size);
  void OnKeyboardFocus(wl_surface* surface, bool entered);
  void OnKey(std::uint32_t key, bool pressed);
  void OnRepeatInfo(std::int32_t rate, std::int32_t delay) { repeat_.Configure(rate, delay); }
  void OnModifiers(std::uint32_t depressed, std::uint32_t latched, std::uint32_t locked, std::uint32_t group);
  void OnSurfaceGone(Surface& surface) { gone_.push_back(&surface); }

 private:
  bool Saver() const { return layer_ == Layer::Overlay; }
  void AddSurface(Output& output);
  void DropSurface(Output& output);
  void DropGoneSurfaces();
  // Whether the surface shows a kaleidoscope: every one, or with AllMonitors
  // off only the first output's.
  bool ShowsScene(const Surface& surface) const;
  bool DrawSurface(Surface& surface, std::uint32_t flags);
  void LinkScenes();
  Output* OutputShowing(wl_surface* surface);
  void HandleClose();
  void TearDown();

  SaverState& state_;
  SaverRun run_;
  Layer layer_;
  std::string onlyOutput_;
  ClosePolicy policy_;
  KaleidoScene* primary_ = nullptr;  // the scene whose keys the policy asks first

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
  XkbKeys keys_;
  KeyRepeat repeat_;
  std::vector<std::unique_ptr<Output>> outputs_;
  std::vector<Surface*> gone_;  // closed by the compositor, dropped after the events

  std::uint32_t seed_ = 0;
  std::uint32_t scenesMade_ = 0;
  // The photo folder's worker, and the atlas every scene shows once it is made.
  std::unique_ptr<photo::PhotoAtlasSource> photos_;
  std::vector<unsigned char> atlas_;
  std::uint32_t atlasVersion_ = 0;
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
  bool lost_ = false;
  bool quit_ = false;
  int pendingCloses_ = 0;
};

}  // namespace waylandhost
