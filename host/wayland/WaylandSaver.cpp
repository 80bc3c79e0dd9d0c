#include "host/wayland/WaylandSaver.h"

#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "host/System.h"
#include "field/DiscField.h"
#include "images/PhotoAtlasSource.h"
#include "images/GL.h"
#include "images/PhotoTiles.h"
#include "host/linux/KeySyms.h"
#include "host/linux/StopSignals.h"
#include "scene/FrameClock.h"
#include "scene/KaleidoScene.h"
#include "wayland/fractional-scale-v1-client-protocol.h"
#include "wayland/viewporter-client-protocol.h"
// The layer-shell header names a parameter "namespace", a C++ keyword.
#define namespace namespace_
#include "wayland/wlr-layer-shell-unstable-v1-client-protocol.h"
#undef namespace
#include "wayland/xdg-output-unstable-v1-client-protocol.h"

namespace waylandhost {

// A kaleidoscope of its own per surface, with its own clock: every scene
// ticks once a frame.
struct WaylandSaver::Scene {
  KaleidoScene scene;
  FrameClock clock;
  SceneRenderer renderer{scene};
  std::uint32_t atlasShown = 0;  // the photo atlas the field shows (0: the built-in one)
};

struct WaylandSaver::Surface {
  WaylandSaver* owner = nullptr;
  Output* output = nullptr;
  wl_surface* surface = nullptr;
  zwlr_layer_surface_v1* layer = nullptr;
  wp_viewport* viewport = nullptr;
  wp_fractional_scale_v1* fraction = nullptr;
  EglWindow window;
  std::unique_ptr<Scene> scene;
  std::int32_t width = 0;  // logical size, from the last configure
  std::int32_t height = 0;
  std::int32_t scale120 = 0;  // the preferred fractional scale, 0 when none is given
  BufferSize buffer;          // what the window and the scene have now
  bool configured = false;
};

struct WaylandSaver::Output {
  WaylandSaver* owner = nullptr;
  OutputInfo info;
  wl_output* output = nullptr;
  zxdg_output_v1* xdgOutput = nullptr;
  std::unique_ptr<Surface> surface;
};

namespace {

// The protocol versions this host speaks.
constexpr std::uint32_t kCompositorVersion = 4;
constexpr std::uint32_t kLayerShellVersion = 4;
constexpr std::uint32_t kOutputVersion = 4;       // names its output
constexpr std::uint32_t kOutputScaleVersion = 2;  // the least: scale and done
constexpr std::uint32_t kXdgOutputVersion = 3;
constexpr std::uint32_t kSeatVersion = 5;
constexpr const char* kNamespace = "zirbel";

// Linux input codes of the three buttons that click.
constexpr std::uint32_t kButtonLeft = 0x110;
constexpr std::uint32_t kButtonRight = 0x111;
constexpr std::uint32_t kButtonMiddle = 0x112;

template <typename T>
T* Bind(wl_registry* registry, std::uint32_t id, const wl_interface* interface, std::uint32_t offered,
        std::uint32_t wanted) {
  return static_cast<T*>(wl_registry_bind(registry, id, interface, std::min(offered, wanted)));
}

// Before version 3 an output can only be forgotten, not released.
void ReleaseOutput(wl_output* output) {
  if (output == nullptr) return;
  if (wl_output_get_version(output) >= WL_OUTPUT_RELEASE_SINCE_VERSION) {
    wl_output_release(output);
  } else {
    wl_output_destroy(output);
  }
}

// --- listeners: each hands the event to the saver --------------------------

void Global(void* data, wl_registry* registry, std::uint32_t id, const char* interface, std::uint32_t version) {
  static_cast<WaylandSaver*>(data)->OnGlobal(registry, id, interface, version);
}
void GlobalRemove(void* data, wl_registry*, std::uint32_t id) { static_cast<WaylandSaver*>(data)->OnGlobalRemove(id); }
const wl_registry_listener kRegistryListener = {&Global, &GlobalRemove};

void OutputGeometry(void*, wl_output*, std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                    const char*, const char*, std::int32_t) {}
void OutputMode(void*, wl_output*, std::uint32_t, std::int32_t, std::int32_t, std::int32_t) {}
void OutputDone(void* data, wl_output*) {
  auto* output = static_cast<WaylandSaver::Output*>(data);
  output->owner->OnOutputDescribed(*output);
}
void OutputScale(void* data, wl_output*, std::int32_t scale) {
  static_cast<WaylandSaver::Output*>(data)->info.scale = scale;
}
void OutputName(void* data, wl_output*, const char* name) {
  static_cast<WaylandSaver::Output*>(data)->info.name = name;
}
void OutputDescription(void*, wl_output*, const char*) {}
const wl_output_listener kOutputListener = {&OutputGeometry, &OutputMode,        &OutputDone,
                                            &OutputScale,    &OutputName, &OutputDescription};

void XdgPosition(void* data, zxdg_output_v1*, std::int32_t x, std::int32_t y) {
  auto* output = static_cast<WaylandSaver::Output*>(data);
  output->info.x = x;
  output->info.y = y;
}
void XdgSize(void*, zxdg_output_v1*, std::int32_t, std::int32_t) {}
void XdgDone(void* data, zxdg_output_v1*) {
  auto* output = static_cast<WaylandSaver::Output*>(data);
  output->owner->OnOutputDescribed(*output);
}
void XdgName(void* data, zxdg_output_v1*, const char* name) {
  static_cast<WaylandSaver::Output*>(data)->info.name = name;
}
void XdgDescription(void*, zxdg_output_v1*, const char*) {}
const zxdg_output_v1_listener kXdgOutputListener = {&XdgPosition, &XdgSize, &XdgDone, &XdgName, &XdgDescription};

void LayerConfigure(void* data, zwlr_layer_surface_v1*, std::uint32_t serial, std::uint32_t width,
                    std::uint32_t height) {
  auto* surface = static_cast<WaylandSaver::Surface*>(data);
  surface->owner->OnConfigure(*surface, serial, width, height);
}
void LayerClosed(void* data, zwlr_layer_surface_v1*) {
  auto* surface = static_cast<WaylandSaver::Surface*>(data);
  surface->owner->OnClosed(*surface);
}
const zwlr_layer_surface_v1_listener kLayerListener = {&LayerConfigure, &LayerClosed};

void PreferredScale(void* data, wp_fractional_scale_v1*, std::uint32_t scale) {
  static_cast<WaylandSaver::Surface*>(data)->scale120 = static_cast<std::int32_t>(scale);
}
const wp_fractional_scale_v1_listener kFractionListener = {&PreferredScale};

void SeatCapabilities(void* data, wl_seat*, std::uint32_t capabilities) {
  static_cast<WaylandSaver*>(data)->OnSeatCapabilities(capabilities);
}
void SeatName(void*, wl_seat*, const char*) {}
const wl_seat_listener kSeatListener = {&SeatCapabilities, &SeatName};

void PointerEnter(void* data, wl_pointer*, std::uint32_t serial, wl_surface* surface, wl_fixed_t x, wl_fixed_t y) {
  static_cast<WaylandSaver*>(data)->OnPointerAt(surface, wl_fixed_to_double(x), wl_fixed_to_double(y), serial);
}
void PointerLeave(void*, wl_pointer*, std::uint32_t, wl_surface*) {}
void PointerMotion(void* data, wl_pointer*, std::uint32_t, wl_fixed_t x, wl_fixed_t y) {
  static_cast<WaylandSaver*>(data)->OnPointerAt(nullptr, wl_fixed_to_double(x), wl_fixed_to_double(y), 0);
}
void PointerButton(void* data, wl_pointer*, std::uint32_t, std::uint32_t, std::uint32_t button, std::uint32_t state) {
  static_cast<WaylandSaver*>(data)->OnButton(button, state == WL_POINTER_BUTTON_STATE_PRESSED);
}
void PointerAxis(void*, wl_pointer*, std::uint32_t, std::uint32_t, wl_fixed_t) {}
void PointerFrame(void*, wl_pointer*) {}
void PointerAxisSource(void*, wl_pointer*, std::uint32_t) {}
void PointerAxisStop(void*, wl_pointer*, std::uint32_t, std::uint32_t) {}
void PointerAxisDiscrete(void*, wl_pointer*, std::uint32_t, std::int32_t) {}
const wl_pointer_listener kPointerListener = {&PointerEnter,      &PointerLeave,    &PointerMotion,
                                              &PointerButton,     &PointerAxis,     &PointerFrame,
                                              &PointerAxisSource, &PointerAxisStop, &PointerAxisDiscrete,
                                              nullptr};

void KeyboardKeymap(void* data, wl_keyboard*, std::uint32_t format, std::int32_t fd, std::uint32_t size) {
  static_cast<WaylandSaver*>(data)->OnKeymap(format, fd, size);
}
void KeyboardEnter(void* data, wl_keyboard*, std::uint32_t, wl_surface* surface, wl_array*) {
  static_cast<WaylandSaver*>(data)->OnKeyboardFocus(surface, true);
}
void KeyboardLeave(void* data, wl_keyboard*, std::uint32_t, wl_surface* surface) {
  static_cast<WaylandSaver*>(data)->OnKeyboardFocus(surface, false);
}
void KeyboardKey(void* data, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t key, std::uint32_t state) {
  static_cast<WaylandSaver*>(data)->OnKey(key, state == WL_KEYBOARD_KEY_STATE_PRESSED);
}
void KeyboardModifiers(void* data, wl_keyboard*, std::uint32_t, std::uint32_t depressed, std::uint32_t latched,
                       std::uint32_t locked, std::uint32_t group) {
  static_cast<WaylandSaver*>(data)->OnModifiers(depressed, latched, locked, group);
}
void KeyboardRepeat(void* data, wl_keyboard*, std::int32_t rate, std::int32_t delay) {
  static_cast<WaylandSaver*>(data)->OnRepeatInfo(rate, delay);
}
const wl_keyboard_listener kKeyboardListener = {&KeyboardKeymap, &KeyboardEnter,     &KeyboardLeave,
                                                &KeyboardKey,    &KeyboardModifiers, &KeyboardRepeat};

// Just the globals, for the probe.
struct Probe {
  bool layerShell = false;
};
void ProbeGlobal(void* data, wl_registry*, std::uint32_t, const char* interface, std::uint32_t) {
  if (std::strcmp(interface, zwlr_layer_shell_v1_interface.name) == 0) static_cast<Probe*>(data)->layerShell = true;
}
void ProbeGlobalRemove(void*, wl_registry*, std::uint32_t) {}
const wl_registry_listener kProbeListener = {&ProbeGlobal, &ProbeGlobalRemove};

}  // namespace

bool OffersLayerShell() {
  wl_display* display = wl_display_connect(nullptr);
  if (display == nullptr) return false;
  Probe probe;
  wl_registry* registry = wl_display_get_registry(display);
  wl_registry_add_listener(registry, &kProbeListener, &probe);
  wl_display_roundtrip(display);
  wl_registry_destroy(registry);
  wl_display_disconnect(display);
  return probe.layerShell;
}

WaylandSaver::WaylandSaver(SaverState& state, const SaverRun& run, Layer layer, std::string onlyOutput)
    : state_(state),
      run_(run),
      layer_(layer),
      onlyOutput_(std::move(onlyOutput)),
      policy_{state, *this, layer == Layer::Overlay ? SaverMode::Saver : SaverMode::Preview, &primary_} {}

WaylandSaver::~WaylandSaver() { TearDown(); }

bool WaylandSaver::Start() {
  linuxhost::CatchStopSignals();
  display_ = wl_display_connect(nullptr);
  if (display_ == nullptr) {
    const char* name = std::getenv("WAYLAND_DISPLAY");
    std::fprintf(stderr, "zirbel: cannot connect to the Wayland display \"%s\"\n", name != nullptr ? name : "");
    return false;
  }
  registry_ = wl_display_get_registry(display_);
  wl_registry_add_listener(registry_, &kRegistryListener, this);
  wl_display_roundtrip(display_);
  if (compositor_ == nullptr || layerShell_ == nullptr) {
    std::fprintf(stderr, "zirbel: the Wayland compositor offers no layer-shell (zwlr_layer_shell_v1)\n");
    return false;
  }
  if (Saver()) policy_.OnCreate();
  if (!egl_.Open(display_)) {
    if (Saver()) platform::ShowErrorMessage(SetUpMessage(SetUpResult::NoPixelFormat));
    return false;
  }
  seed_ = RandomSeedForTime(static_cast<std::int64_t>(std::time(nullptr)));
  // The outputs' descriptions (and xdg-output's, asked for in the first
  // round) arrive now; from here on each described output gets its surface.
  wl_display_roundtrip(display_);
  started_ = true;
  for (auto& output : outputs_) OnOutputDescribed(*output);
  wl_display_roundtrip(display_);
  if (!hadSurface_) {
    if (onlyOutput_.empty()) {
      std::fprintf(stderr, "zirbel: the Wayland compositor shows no output\n");
    } else {
      std::fprintf(stderr, "zirbel: there is no output named \"%s\"\n", onlyOutput_.c_str());
    }
    return false;
  }
  return true;
}

void WaylandSaver::Run(std::int32_t useMirrors) {
  RunFrameLoop(*this, *this, useMirrors);
  TearDown();
}

void WaylandSaver::TearDown() {
  for (auto& output : outputs_) DropSurface(*output);
  gone_.clear();
  for (auto& output : outputs_) {
    if (output->xdgOutput != nullptr) zxdg_output_v1_destroy(output->xdgOutput);
    ReleaseOutput(output->output);
  }
  outputs_.clear();
  if (gScene == primary_) gScene = nullptr;
  primary_ = nullptr;
  egl_.Close();
  if (display_ == nullptr) return;
  // Seats before version 5, and their devices before version 3, can only be forgotten.
  if (pointer_ != nullptr && wl_pointer_get_version(pointer_) >= WL_POINTER_RELEASE_SINCE_VERSION) {
    wl_pointer_release(pointer_);
  } else if (pointer_ != nullptr) {
    wl_pointer_destroy(pointer_);
  }
  if (keyboard_ != nullptr && wl_keyboard_get_version(keyboard_) >= WL_KEYBOARD_RELEASE_SINCE_VERSION) {
    wl_keyboard_release(keyboard_);
  } else if (keyboard_ != nullptr) {
    wl_keyboard_destroy(keyboard_);
  }
  if (seat_ != nullptr && wl_seat_get_version(seat_) >= WL_SEAT_RELEASE_SINCE_VERSION) {
    wl_seat_release(seat_);
  } else if (seat_ != nullptr) {
    wl_seat_destroy(seat_);
  }
  if (fractionalScales_ != nullptr) wp_fractional_scale_manager_v1_destroy(fractionalScales_);
  if (viewporter_ != nullptr) wp_viewporter_destroy(viewporter_);
  if (xdgOutputs_ != nullptr) zxdg_output_manager_v1_destroy(xdgOutputs_);
  if (layerShell_ != nullptr) zwlr_layer_shell_v1_destroy(layerShell_);
  if (compositor_ != nullptr) wl_compositor_destroy(compositor_);
  if (registry_ != nullptr) wl_registry_destroy(registry_);
  wl_display_flush(display_);
  wl_display_disconnect(display_);
  display_ = nullptr;
}

// --- globals and outputs ---------------------------------------------------

void WaylandSaver::OnGlobal(wl_registry* registry, std::uint32_t id, const char* interface, std::uint32_t version) {
  const std::string name(interface);
  if (name == wl_compositor_interface.name) {
    compositor_ = Bind<wl_compositor>(registry, id, &wl_compositor_interface, version, kCompositorVersion);
  } else if (name == zwlr_layer_shell_v1_interface.name) {
    layerShell_ = Bind<zwlr_layer_shell_v1>(registry, id, &zwlr_layer_shell_v1_interface, version, kLayerShellVersion);
  } else if (name == zxdg_output_manager_v1_interface.name) {
    xdgOutputs_ =
        Bind<zxdg_output_manager_v1>(registry, id, &zxdg_output_manager_v1_interface, version, kXdgOutputVersion);
    for (auto& output : outputs_) {
      if (output->xdgOutput != nullptr) continue;
      output->xdgOutput = zxdg_output_manager_v1_get_xdg_output(xdgOutputs_, output->output);
      zxdg_output_v1_add_listener(output->xdgOutput, &kXdgOutputListener, output.get());
    }
  } else if (name == wp_viewporter_interface.name) {
    viewporter_ = Bind<wp_viewporter>(registry, id, &wp_viewporter_interface, version, 1);
  } else if (name == wp_fractional_scale_manager_v1_interface.name) {
    fractionalScales_ = Bind<wp_fractional_scale_manager_v1>(registry, id, &wp_fractional_scale_manager_v1_interface,
                                                             version, 1);
  } else if (name == wl_seat_interface.name && seat_ == nullptr && Saver()) {
    seat_ = Bind<wl_seat>(registry, id, &wl_seat_interface, version, kSeatVersion);
    wl_seat_add_listener(seat_, &kSeatListener, this);
  } else if (name == wl_output_interface.name && version >= kOutputScaleVersion) {
    auto output = std::make_unique<Output>();
    output->owner = this;
    output->info.id = id;
    output->output = Bind<wl_output>(registry, id, &wl_output_interface, version, kOutputVersion);
    wl_output_add_listener(output->output, &kOutputListener, output.get());
    if (xdgOutputs_ != nullptr) {
      output->xdgOutput = zxdg_output_manager_v1_get_xdg_output(xdgOutputs_, output->output);
      zxdg_output_v1_add_listener(output->xdgOutput, &kXdgOutputListener, output.get());
    }
    outputs_.push_back(std::move(output));
  }
}

void WaylandSaver::OnGlobalRemove(std::uint32_t id) {
  const auto found = std::find_if(outputs_.begin(), outputs_.end(), [id](const auto& o) { return o->info.id == id; });
  if (found == outputs_.end()) return;
  // The output is gone: its surface goes with it, the others draw on.
  Output& output = **found;
  gone_.erase(std::remove(gone_.begin(), gone_.end(), output.surface.get()), gone_.end());
  DropSurface(output);
  if (output.xdgOutput != nullptr) zxdg_output_v1_destroy(output.xdgOutput);
  ReleaseOutput(output.output);
  outputs_.erase(found);
}

void WaylandSaver::OnOutputDescribed(Output& output) {
  output.info.described = true;
  if (started_ && !output.surface && WantsSurface(output.info, onlyOutput_)) AddSurface(output);
}

void WaylandSaver::AddSurface(Output& output) {
  auto surface = std::make_unique<Surface>();
  surface->owner = this;
  surface->output = &output;
  surface->surface = wl_compositor_create_surface(compositor_);
  if (fractionalScales_ != nullptr && viewporter_ != nullptr) {
    surface->viewport = wp_viewporter_get_viewport(viewporter_, surface->surface);
    surface->fraction = wp_fractional_scale_manager_v1_get_fractional_scale(fractionalScales_, surface->surface);
    wp_fractional_scale_v1_add_listener(surface->fraction, &kFractionListener, surface.get());
  }
  const std::uint32_t layer =
      Saver() ? ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY : ZWLR_LAYER_SHELL_V1_LAYER_BACKGROUND;
  surface->layer = zwlr_layer_shell_v1_get_layer_surface(layerShell_, surface->surface, output.output, layer, kNamespace);
  zwlr_layer_surface_v1_add_listener(surface->layer, &kLayerListener, surface.get());
  // The whole output, over (or under) panels and their exclusive zones.
  zwlr_layer_surface_v1_set_anchor(surface->layer,
                                   ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                                       ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
  zwlr_layer_surface_v1_set_size(surface->layer, 0, 0);
  zwlr_layer_surface_v1_set_exclusive_zone(surface->layer, -1);
  if (Saver()) {
    zwlr_layer_surface_v1_set_keyboard_interactivity(surface->layer,
                                                     ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE);
  } else {
    // The background takes no input: an empty input region lets the
    // pointer through to the desktop.
    wl_region* region = wl_compositor_create_region(compositor_);
    wl_surface_set_input_region(surface->surface, region);
    wl_region_destroy(region);
  }
  wl_surface_commit(surface->surface);
  output.surface = std::move(surface);
  hadSurface_ = true;
}

void WaylandSaver::DropSurface(Output& output) {
  if (!output.surface) return;
  Surface& surface = *output.surface;
  if (surface.scene) {
    // The scene's textures belong to the context; it is torn down while its
    // own surface is current.
    surface.window.MakeCurrent();
    surface.scene->scene.Teardown();
    surface.scene.reset();
  }
  surface.window.Destroy();
  if (surface.fraction != nullptr) wp_fractional_scale_v1_destroy(surface.fraction);
  if (surface.viewport != nullptr) wp_viewport_destroy(surface.viewport);
  if (surface.layer != nullptr) zwlr_layer_surface_v1_destroy(surface.layer);
  if (focus_ == surface.surface) focus_ = nullptr;
  if (pointerSurface_ == surface.surface) pointerSurface_ = nullptr;
  wl_surface_destroy(surface.surface);
  output.surface.reset();
  LinkScenes();
}

void WaylandSaver::DropGoneSurfaces() {
  if (gone_.empty()) return;
  for (Surface* surface : gone_) DropSurface(*surface->output);
  gone_.clear();
  // Nothing left to draw on: the run ends as a lost window ends it.
  const bool any = std::any_of(outputs_.begin(), outputs_.end(), [](const auto& o) { return o->surface != nullptr; });
  if (!any) quit_ = true;
}

void WaylandSaver::OnConfigure(Surface& surface, std::uint32_t serial, std::uint32_t width, std::uint32_t height) {
  zwlr_layer_surface_v1_ack_configure(surface.layer, serial);
  surface.width = static_cast<std::int32_t>(std::min<std::uint32_t>(width, INT32_MAX));
  surface.height = static_cast<std::int32_t>(std::min<std::uint32_t>(height, INT32_MAX));
  surface.configured = surface.width > 0 && surface.height > 0;
}

void WaylandSaver::OnClosed(Surface& surface) {
  // Dropped once the events in hand are handled: the listener that called
  // here belongs to the surface.
  surface.configured = false;
  OnSurfaceGone(surface);
}

// --- drawing ---------------------------------------------------------------

void WaylandSaver::LinkScenes() {
  std::vector<KaleidoScene*> scenes;
  for (auto& output : outputs_) {
    if (output->surface && output->surface->scene) scenes.push_back(&output->surface->scene->scene);
  }
  for (std::size_t i = 0; i < scenes.size(); ++i) scenes[i]->follower = i + 1 < scenes.size() ? scenes[i + 1] : nullptr;
  primary_ = scenes.empty() ? nullptr : scenes.front();
  gScene = primary_;
}

bool WaylandSaver::ShowsScene(const Surface& surface) const {
  if (state_.allMonitors != 0) return true;
  // Wayland names no primary output: the first one announced stands for it.
  for (const auto& output : outputs_) {
    if (output->surface) return output->surface.get() == &surface;
  }
  return false;
}

bool WaylandSaver::DrawSurface(Surface& surface, std::uint32_t flags) {
  const BufferSize buffer = BufferFor(surface.width, surface.height, surface.scale120, surface.output->info.scale);
  const bool resized = buffer.width != surface.buffer.width || buffer.height != surface.buffer.height;
  if (resized || !surface.window.Exists()) {
    if (surface.viewport != nullptr) {
      wp_viewport_set_destination(surface.viewport, surface.width, surface.height);
    } else {
      wl_surface_set_buffer_scale(surface.surface, std::max(surface.output->info.scale, 1));
    }
    if (!surface.window.Size(egl_, surface.surface, buffer.width, buffer.height)) return false;
    surface.buffer = buffer;
  }
  if (!surface.window.MakeCurrent()) return false;
  if (!ShowsScene(surface)) {
    // "Only the primary": the other outputs stay covered, in black.
    glViewport(0, 0, buffer.width, buffer.height);
    ClearWindow();
    surface.window.Swap();
    return true;
  }
  if (!surface.scene) {
    surface.scene = std::make_unique<Scene>();
    KaleidoScene& scene = surface.scene->scene;
    scene.clock = &surface.scene->clock;
    // The first scene takes the seed as it is, as a lone window's would.
    const std::uint32_t n = scenesMade_++;
    scene.Init(buffer.width, buffer.height, n == 0 ? seed_ : (seed_ + 101u * n) & 0xffu);
    if (run_.levels > 0) scene.levels = run_.levels;
    LinkScenes();
  } else if (resized) {
    surface.scene->scene.PlaceView(0, 0, buffer.width, buffer.height);
  } else {
    // One context draws every output: each scene brings its own projection.
    surface.scene->scene.Resize(buffer.width, buffer.height);
  }
  Scene& own = *surface.scene;
  if (own.atlasShown != atlasVersion_ && own.scene.field != nullptr) {
    own.scene.field->ShowAtlas(atlas_.data(), photo::kAtlasWidth, photo::kAtlasHeight);
    own.atlasShown = atlasVersion_;
  }
  if (own.renderer.RenderFrame(flags)) surface.window.Swap();
  return true;
}

bool WaylandSaver::RenderFrame(std::uint32_t flags) {
  if (!run_.photoFolder.empty() && !photos_) {
    photos_ = std::make_unique<photo::PhotoAtlasSource>(run_.photoFolder);
    photos_->Start();
  }
  std::vector<unsigned char> atlas;
  if (photos_ && photos_->TakeAtlas(&atlas) &&
      atlas.size() == static_cast<std::size_t>(photo::kAtlasWidth) * photo::kAtlasHeight * 4) {
    atlas_ = std::move(atlas);
    ++atlasVersion_;
  }
  for (auto& output : outputs_) {
    if (output->surface && output->surface->configured) DrawSurface(*output->surface, flags);
  }
  wl_display_flush(display_);
  return false;  // every surface is presented already
}

std::int32_t WaylandSaver::SleepMs() { return primary_ != nullptr ? primary_->sleepMs : kHiddenPollMs / 10; }

void WaylandSaver::Resume() {
  for (auto& output : outputs_) {
    if (output->surface && output->surface->scene) output->surface->scene->renderer.Resume();
  }
}

Sight WaylandSaver::PictureSight() {
  for (auto& output : outputs_) {
    if (output->surface && output->surface->configured) return Sight::Visible;
  }
  return Sight::Hidden;
}

// --- the event loop --------------------------------------------------------

bool WaylandSaver::HandlePendingEvent() {
  // Close requests posted by the policy come first, as posted messages do.
  if (pendingCloses_ > 0) {
    --pendingCloses_;
    HandleClose();
    return true;
  }
  std::uint32_t repeated = 0;
  if (repeat_.Due(platform::TickCount(), &repeated)) {
    policy_.OnKeyOrButton(repeated);
    return true;
  }
  int handled = wl_display_dispatch_pending(display_);
  if (handled == 0 && wl_display_prepare_read(display_) == 0) {
    wl_display_flush(display_);
    pollfd watched{wl_display_get_fd(display_), POLLIN, 0};
    if (poll(&watched, 1, 0) > 0) {
      if (wl_display_read_events(display_) != 0) lost_ = true;
    } else {
      wl_display_cancel_read(display_);
    }
    handled = wl_display_dispatch_pending(display_);
  }
  if (handled < 0) lost_ = true;
  DropGoneSurfaces();
  // The keyboard left and went to none of the saver's surfaces; the focus
  // that goes with the seat's last keyboard is not taken by anyone.
  if (focusChanged_) {
    focusChanged_ = false;
    if (hadFocus_ && focus_ == nullptr && keyboardPresent_) policy_.OnActivation(false);
  }
  return handled > 0;
}

bool WaylandSaver::WaitForEvent(std::int32_t milliseconds) {
  if (pendingCloses_ > 0 || linuxhost::StopRequested() || lost_) return true;
  // A held key's next repeat ends the wait as an event would.
  const std::int32_t repeatIn = repeat_.Wait(platform::TickCount());
  if (repeatIn == 0) return true;
  const bool repeatFirst = repeatIn > 0 && (milliseconds < 0 || repeatIn < milliseconds);
  if (repeatFirst) milliseconds = repeatIn;
  if (wl_display_prepare_read(display_) != 0) return true;  // events wait in the queue
  wl_display_flush(display_);
  const int stopFd = linuxhost::StopSignalFd();
  pollfd watched[2] = {{wl_display_get_fd(display_), POLLIN, 0}, {stopFd, POLLIN, 0}};
  const int ready = poll(watched, stopFd >= 0 ? 2 : 1, milliseconds < 0 ? -1 : milliseconds);
  if (ready > 0 && watched[0].revents != 0) {
    if (wl_display_read_events(display_) != 0) lost_ = true;
  } else {
    wl_display_cancel_read(display_);
  }
  return ready != 0 || repeatFirst;
}

bool WaylandSaver::QuitRequested() {
  if (lost_ && !quit_) std::fputs("zirbel: the connection to the Wayland compositor was lost\n", stderr);
  if (lost_) quit_ = true;
  return quit_ || linuxhost::StopRequested();
}

std::uint32_t WaylandSaver::Milliseconds() { return platform::TickCount(); }

void WaylandSaver::HandleClose() {
  if (policy_.OnClose() == Disposition::DefaultProcessing) quit_ = true;
}

// --- input (the saver only) ------------------------------------------------

void WaylandSaver::OnSeatCapabilities(std::uint32_t capabilities) {
  if ((capabilities & WL_SEAT_CAPABILITY_POINTER) != 0 && pointer_ == nullptr) {
    pointer_ = wl_seat_get_pointer(seat_);
    wl_pointer_add_listener(pointer_, &kPointerListener, this);
  }
  // The seat's pointer and keyboard are kept when its last device goes:
  // events of the next device arrive through them again.
  keyboardPresent_ = (capabilities & WL_SEAT_CAPABILITY_KEYBOARD) != 0;
  if (keyboardPresent_ && keyboard_ == nullptr) {
    keyboard_ = wl_seat_get_keyboard(seat_);
    wl_keyboard_add_listener(keyboard_, &kKeyboardListener, this);
  }
}

WaylandSaver::Output* WaylandSaver::OutputShowing(wl_surface* surface) {
  for (auto& output : outputs_) {
    if (surface != nullptr && output->surface && output->surface->surface == surface) return output.get();
  }
  return nullptr;
}

void WaylandSaver::OnPointerAt(wl_surface* surface, double sx, double sy, std::uint32_t enterSerial) {
  if (surface != nullptr) {
    // Entering one of the saver's surfaces: the cursor is hidden there.
    pointerSerial_ = enterSerial;
    pointerSurface_ = surface;
    RefreshCursor();
  }
  const Output* output = OutputShowing(pointerSurface_);
  if (output == nullptr) return;
  pointerAt_ = DesktopPoint(output->info, sx, sy);
  pointerKnown_ = true;
  policy_.OnMouseMove();
}

void WaylandSaver::OnButton(std::uint32_t button, bool pressed) {
  if (!pressed) return;
  std::uint32_t flags = 0;
  switch (button) {
    case kButtonLeft: flags = linuxhost::kMkLeft; break;
    case kButtonRight: flags = linuxhost::kMkRight; break;
    case kButtonMiddle: flags = linuxhost::kMkMiddle; break;
    default: return;  // side buttons are not clicks
  }
  policy_.OnKeyOrButton(flags);
}

void WaylandSaver::OnKeymap(std::uint32_t format, int fd, std::uint32_t size) {
  if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 && size > 0) {
    void* text = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (text != MAP_FAILED) {
      keys_.LoadKeymap(static_cast<const char*>(text), size);
      munmap(text, size);
    }
  }
  close(fd);
}

void WaylandSaver::OnKeyboardFocus(wl_surface* surface, bool entered) {
  if (entered) {
    if (OutputShowing(surface) == nullptr) return;
    focus_ = surface;
    hadFocus_ = true;
    policy_.OnActivation(true);
    return;
  }
  repeat_.Stop();
  // A surface the saver dropped with its output (null here once destroyed)
  // takes the focus with it: that is no loss of activation.
  if (surface == nullptr || surface != focus_) return;
  focus_ = nullptr;
  focusChanged_ = true;
}

void WaylandSaver::OnKey(std::uint32_t key, bool pressed) {
  if (!pressed) {
    repeat_.Release(key);
    return;
  }
  const linuxhost::TranslatedKey press = keys_.Translate(key);
  if (!press.activity) return;
  if (keys_.Repeats(key)) repeat_.Press(key, press.code, platform::TickCount());
  policy_.OnKeyOrButton(press.code);
}

void WaylandSaver::OnModifiers(std::uint32_t depressed, std::uint32_t latched, std::uint32_t locked,
                               std::uint32_t group) {
  keys_.UpdateModifiers(depressed, latched, locked, group);
}

void WaylandSaver::RefreshCursor() {
  // No cursor over the saver; the password check, where there is one, shows
  // its own window.
  if (pointer_ != nullptr && pointerSerial_ != 0) wl_pointer_set_cursor(pointer_, pointerSerial_, nullptr, 0, 0);
}

bool WaylandSaver::CursorPosition(CursorPoint& out) {
  if (!pointerKnown_) return false;
  out = pointerAt_;
  return true;
}

std::uint32_t WaylandSaver::TickCount() { return platform::TickCount(); }

int WaylandSaver::VerifyPassword() { return platform::VerifySaverPassword(0); }

}  // namespace waylandhost
