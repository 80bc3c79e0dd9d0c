#include "host/wayland/WaylandBackend.h"

#include <wayland-client.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "host/linux/StopSignals.h"
#include "images/GL.h"
#include "wayland/fractional-scale-v1-client-protocol.h"
#include "wayland/viewporter-client-protocol.h"
// The layer-shell header names a parameter "namespace", a C++ keyword.
#define namespace namespace_
#include "wayland/wlr-layer-shell-unstable-v1-client-protocol.h"
#undef namespace
#include "wayland/xdg-output-unstable-v1-client-protocol.h"

namespace waylandhost {

namespace {

// The protocol versions this host speaks.
constexpr std::uint32_t kCompositorVersion = 4;
constexpr std::uint32_t kLayerShellVersion = 4;
constexpr std::uint32_t kOutputVersion = 4;       // names its output
constexpr std::uint32_t kOutputScaleVersion = 2;  // the least: scale and done
constexpr std::uint32_t kXdgOutputVersion = 3;
constexpr std::uint32_t kSeatVersion = 5;
constexpr const char* kNamespace = "zirbel";

template <typename T>
T* BindAs(wl_registry* registry, std::uint32_t id, const wl_interface* interface, std::uint32_t offered,
          std::uint32_t wanted) {
  return static_cast<T*>(Bind(registry, id, interface, offered, wanted));
}

}  // namespace

BufferSize SaverSurface::Wanted() const { return BufferFor(width, height, scale120, output->info.scale); }

bool SaverSurface::MakeCurrent() {
  const BufferSize wanted = Wanted();
  if (wanted.width != buffer.width || wanted.height != buffer.height || !window.Exists()) {
    if (viewport != nullptr) {
      wp_viewport_set_destination(viewport, width, height);
    } else {
      wl_surface_set_buffer_scale(surface, std::max(output->info.scale, 1));
    }
    if (!window.Size(owner->Egl(), surface, wanted.width, wanted.height)) return false;
    buffer = wanted;
  }
  return window.MakeCurrent();
}

void SaverSurface::Clear() {
  glViewport(0, 0, buffer.width, buffer.height);
  ClearWindow();
}

WaylandBackend::WaylandBackend(Layer layer, std::string onlyOutput, bool allMonitors)
    : layer_(layer), onlyOutput_(std::move(onlyOutput)), allMonitors_(allMonitors) {}

WaylandBackend::~WaylandBackend() { Close(); }

Opened WaylandBackend::Open(BackendEvents& events) {
  const Opened quiet{Opened::Result::Quiet, std::string()};
  events_ = &events;
  linuxhost::CatchStopSignals();
  display_ = wl_display_connect(nullptr);
  if (display_ == nullptr) {
    const char* name = std::getenv("WAYLAND_DISPLAY");
    std::fprintf(stderr, "zirbel: cannot connect to the Wayland display \"%s\"\n", name != nullptr ? name : "");
    return quiet;
  }
  registry_ = wl_display_get_registry(display_);
  Listen(registry_, this);
  wl_display_roundtrip(display_);
  if (compositor_ == nullptr || layerShell_ == nullptr) {
    std::fprintf(stderr, "zirbel: the Wayland compositor offers no layer-shell (zwlr_layer_shell_v1)\n");
    return quiet;
  }
  if (Saver()) events_->Created();
  std::string eglProblem;
  if (!egl_.Open(display_, &eglProblem)) {
    // The saver's user gets to see why nothing shows; a background says it on standard error.
    if (Saver()) return Opened{Opened::Result::Failed, eglProblem};
    std::fprintf(stderr, "zirbel: %s\n", eglProblem.c_str());
    return quiet;
  }
  // The outputs' descriptions (and xdg-output's, asked for in the first
  // round) arrive now; from here on each described output gets its surface.
  wl_display_roundtrip(display_);
  started_ = true;
  for (auto& output : outputs_) OnOutputDescribed(*output);
  // The first configures arrive now: the scenes start on those surfaces.
  const auto configured = [this] {
    return std::any_of(outputs_.begin(), outputs_.end(), [](const auto& o) { return o->surface && o->surface->configured; });
  };
  for (int round = 0; round < 5 && (round == 0 || (hadSurface_ && !configured())); ++round) {
    wl_display_roundtrip(display_);
  }
  if (!hadSurface_) {
    if (onlyOutput_.empty()) {
      std::fprintf(stderr, "zirbel: the Wayland compositor shows no output\n");
    } else {
      std::fprintf(stderr, "zirbel: there is no output named \"%s\"\n", onlyOutput_.c_str());
    }
    return quiet;
  }
  layoutChanged_ = false;
  return Opened{};
}

void WaylandBackend::Close() {
  for (auto& output : outputs_) DropSurface(*output);
  gone_.clear();
  for (auto& output : outputs_) {
    if (output->xdgOutput != nullptr) zxdg_output_v1_destroy(output->xdgOutput);
    ReleaseOutput(output->output);
  }
  outputs_.clear();
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

void WaylandBackend::OnGlobal(wl_registry* registry, std::uint32_t id, const char* interface, std::uint32_t version) {
  const std::string name(interface);
  if (name == wl_compositor_interface.name) {
    compositor_ = BindAs<wl_compositor>(registry, id, &wl_compositor_interface, version, kCompositorVersion);
  } else if (name == zwlr_layer_shell_v1_interface.name) {
    layerShell_ = BindAs<zwlr_layer_shell_v1>(registry, id, &zwlr_layer_shell_v1_interface, version, kLayerShellVersion);
  } else if (name == zxdg_output_manager_v1_interface.name) {
    xdgOutputs_ =
        BindAs<zxdg_output_manager_v1>(registry, id, &zxdg_output_manager_v1_interface, version, kXdgOutputVersion);
    for (auto& output : outputs_) {
      if (output->xdgOutput != nullptr) continue;
      output->xdgOutput = zxdg_output_manager_v1_get_xdg_output(xdgOutputs_, output->output);
      Listen(output->xdgOutput, output.get());
    }
  } else if (name == wp_viewporter_interface.name) {
    viewporter_ = BindAs<wp_viewporter>(registry, id, &wp_viewporter_interface, version, 1);
  } else if (name == wp_fractional_scale_manager_v1_interface.name) {
    fractionalScales_ = BindAs<wp_fractional_scale_manager_v1>(registry, id, &wp_fractional_scale_manager_v1_interface,
                                                             version, 1);
  } else if (name == wl_seat_interface.name && seat_ == nullptr && Saver()) {
    seat_ = BindAs<wl_seat>(registry, id, &wl_seat_interface, version, kSeatVersion);
    Listen(seat_, this);
  } else if (name == wl_output_interface.name && version >= kOutputScaleVersion) {
    auto output = std::make_unique<SaverOutput>();
    output->owner = this;
    output->info.id = id;
    output->output = BindAs<wl_output>(registry, id, &wl_output_interface, version, kOutputVersion);
    Listen(output->output, output.get());
    if (xdgOutputs_ != nullptr) {
      output->xdgOutput = zxdg_output_manager_v1_get_xdg_output(xdgOutputs_, output->output);
      Listen(output->xdgOutput, output.get());
    }
    outputs_.push_back(std::move(output));
  }
}

void WaylandBackend::OnGlobalRemove(std::uint32_t id) {
  const auto found = std::find_if(outputs_.begin(), outputs_.end(), [id](const auto& o) { return o->info.id == id; });
  if (found == outputs_.end()) return;
  // The output is gone: its surface goes with it, the others draw on.
  SaverOutput& output = **found;
  gone_.erase(std::remove(gone_.begin(), gone_.end(), output.surface.get()), gone_.end());
  DropSurface(output);
  if (output.xdgOutput != nullptr) zxdg_output_v1_destroy(output.xdgOutput);
  ReleaseOutput(output.output);
  outputs_.erase(found);
}

void WaylandBackend::OnOutputDescribed(SaverOutput& output) {
  output.info.described = true;
  layoutChanged_ = true;  // another place or scale
  if (started_ && !output.surface && WantsSurface(output.info, onlyOutput_)) AddSurface(output);
}

void WaylandBackend::AddSurface(SaverOutput& output) {
  auto surface = std::make_unique<SaverSurface>();
  surface->owner = this;
  surface->output = &output;
  surface->surface = wl_compositor_create_surface(compositor_);
  if (fractionalScales_ != nullptr && viewporter_ != nullptr) {
    surface->viewport = wp_viewporter_get_viewport(viewporter_, surface->surface);
    surface->fraction = wp_fractional_scale_manager_v1_get_fractional_scale(fractionalScales_, surface->surface);
    Listen(surface->fraction, surface.get());
  }
  const std::uint32_t layer =
      Saver() ? ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY : ZWLR_LAYER_SHELL_V1_LAYER_BACKGROUND;
  surface->layer = zwlr_layer_shell_v1_get_layer_surface(layerShell_, surface->surface, output.output, layer, kNamespace);
  Listen(surface->layer, surface.get());
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

void WaylandBackend::DropSurface(SaverOutput& output) {
  if (!output.surface) return;
  SaverSurface& surface = *output.surface;
  if (surface.configured) {
    // The scenes leave the surface while it still exists: one that ends is
    // torn down with its own surface current.
    surface.configured = false;
    if (events_ != nullptr) events_->LayoutChanged();
  }
  surface.window.Destroy();
  if (surface.fraction != nullptr) wp_fractional_scale_v1_destroy(surface.fraction);
  if (surface.viewport != nullptr) wp_viewport_destroy(surface.viewport);
  if (surface.layer != nullptr) zwlr_layer_surface_v1_destroy(surface.layer);
  if (focus_ == surface.surface) focus_ = nullptr;
  if (pointerSurface_ == surface.surface) pointerSurface_ = nullptr;
  wl_surface_destroy(surface.surface);
  output.surface.reset();
}

void WaylandBackend::DropGoneSurfaces() {
  if (gone_.empty()) return;
  for (SaverSurface* surface : gone_) DropSurface(*surface->output);
  gone_.clear();
  // Nothing left to draw on: the run ends as a lost window ends it.
  const bool any = std::any_of(outputs_.begin(), outputs_.end(), [](const auto& o) { return o->surface != nullptr; });
  if (!any) quit_ = true;
}

void WaylandBackend::OnConfigure(SaverSurface& surface, std::uint32_t serial, std::uint32_t width, std::uint32_t height) {
  zwlr_layer_surface_v1_ack_configure(surface.layer, serial);
  surface.width = static_cast<std::int32_t>(std::min<std::uint32_t>(width, INT32_MAX));
  surface.height = static_cast<std::int32_t>(std::min<std::uint32_t>(height, INT32_MAX));
  surface.configured = surface.width > 0 && surface.height > 0;
  layoutChanged_ = true;
}

void WaylandBackend::OnClosed(SaverSurface& surface) {
  // Dropped once the events in hand are handled: the listener that called
  // here belongs to the surface.
  gone_.push_back(&surface);
}

SceneLayout WaylandBackend::Layout() {
  std::vector<SaverSurface*> shown;
  std::vector<Monitor> monitors;
  for (auto& output : outputs_) {
    SaverSurface* surface = output->surface.get();
    if (surface == nullptr || !surface->configured) continue;
    shown.push_back(surface);
    monitors.push_back(Monitor{ScreenRect{output->info.x, output->info.y, surface->width, surface->height}, false});
  }
  // The first output stands for the primary, which Wayland does not name.
  std::vector<std::size_t> order = PrimaryFirst(monitors);
  SceneLayout layout;
  for (std::size_t k = 0; k < order.size(); ++k) {
    SaverSurface& surface = *shown[order[k]];
    const BufferSize buffer = surface.Wanted();
    TargetViews target{&surface, buffer.width, buffer.height, {}};
    // Each output shows a scene of its own, or with AllMonitors off only the
    // primary does and the others are covered in black.
    if (k == 0 || allMonitors_) target.views = WholeWindow(buffer.width, buffer.height);
    layout.push_back(target);
  }
  return layout;
}

Sight WaylandBackend::PictureSight() {
  for (auto& output : outputs_) {
    if (output->surface && output->surface->configured) return Sight::Visible;
  }
  return Sight::Hidden;
}

}  // namespace waylandhost
