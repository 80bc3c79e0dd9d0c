// The protocol's listeners: each hands its events to the saver, or to the
// output or surface they describe. And the probe for layer-shell.
#include <wayland-client.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "host/wayland/WaylandBackend.h"
#include "wayland/fractional-scale-v1-client-protocol.h"
// The layer-shell header names a parameter "namespace", a C++ keyword.
#define namespace namespace_
#include "wayland/wlr-layer-shell-unstable-v1-client-protocol.h"
#undef namespace
#include "wayland/xdg-output-unstable-v1-client-protocol.h"

namespace waylandhost {

void* Bind(wl_registry* registry, std::uint32_t id, const wl_interface* interface, std::uint32_t offered,
           std::uint32_t wanted) {
  return wl_registry_bind(registry, id, interface, std::min(offered, wanted));
}

void ReleaseOutput(wl_output* output) {
  if (output == nullptr) return;
  if (wl_output_get_version(output) >= WL_OUTPUT_RELEASE_SINCE_VERSION) {
    wl_output_release(output);
  } else {
    wl_output_destroy(output);
  }
}

namespace {
void Global(void* data, wl_registry* registry, std::uint32_t id, const char* interface, std::uint32_t version) {
  static_cast<WaylandBackend*>(data)->OnGlobal(registry, id, interface, version);
}
void GlobalRemove(void* data, wl_registry*, std::uint32_t id) { static_cast<WaylandBackend*>(data)->OnGlobalRemove(id); }
const wl_registry_listener kRegistryListener = {&Global, &GlobalRemove};

void OutputGeometry(void*, wl_output*, std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                    const char*, const char*, std::int32_t) {}
void OutputMode(void*, wl_output*, std::uint32_t, std::int32_t, std::int32_t, std::int32_t) {}
void OutputDone(void* data, wl_output*) {
  auto* output = static_cast<SaverOutput*>(data);
  output->owner->OnOutputDescribed(*output);
}
void OutputScale(void* data, wl_output*, std::int32_t scale) {
  static_cast<SaverOutput*>(data)->info.scale = scale;
}
void OutputName(void* data, wl_output*, const char* name) {
  static_cast<SaverOutput*>(data)->info.name = name;
}
void OutputDescription(void*, wl_output*, const char*) {}
const wl_output_listener kOutputListener = {&OutputGeometry, &OutputMode,        &OutputDone,
                                            &OutputScale,    &OutputName, &OutputDescription};

void XdgPosition(void* data, zxdg_output_v1*, std::int32_t x, std::int32_t y) {
  auto* output = static_cast<SaverOutput*>(data);
  output->info.x = x;
  output->info.y = y;
}
void XdgSize(void*, zxdg_output_v1*, std::int32_t, std::int32_t) {}
void XdgDone(void* data, zxdg_output_v1*) {
  auto* output = static_cast<SaverOutput*>(data);
  output->owner->OnOutputDescribed(*output);
}
void XdgName(void* data, zxdg_output_v1*, const char* name) {
  static_cast<SaverOutput*>(data)->info.name = name;
}
void XdgDescription(void*, zxdg_output_v1*, const char*) {}
const zxdg_output_v1_listener kXdgOutputListener = {&XdgPosition, &XdgSize, &XdgDone, &XdgName, &XdgDescription};

void LayerConfigure(void* data, zwlr_layer_surface_v1*, std::uint32_t serial, std::uint32_t width,
                    std::uint32_t height) {
  auto* surface = static_cast<SaverSurface*>(data);
  surface->owner->OnConfigure(*surface, serial, width, height);
}
void LayerClosed(void* data, zwlr_layer_surface_v1*) {
  auto* surface = static_cast<SaverSurface*>(data);
  surface->owner->OnClosed(*surface);
}
const zwlr_layer_surface_v1_listener kLayerListener = {&LayerConfigure, &LayerClosed};

void PreferredScale(void* data, wp_fractional_scale_v1*, std::uint32_t scale) {
  auto* surface = static_cast<SaverSurface*>(data);
  surface->scale120 = static_cast<std::int32_t>(scale);
  surface->owner->OnScaleChanged();
}
const wp_fractional_scale_v1_listener kFractionListener = {&PreferredScale};

void SeatCapabilities(void* data, wl_seat*, std::uint32_t capabilities) {
  static_cast<WaylandBackend*>(data)->OnSeatCapabilities(capabilities);
}
void SeatName(void*, wl_seat*, const char*) {}
const wl_seat_listener kSeatListener = {&SeatCapabilities, &SeatName};

void PointerEnter(void* data, wl_pointer*, std::uint32_t serial, wl_surface* surface, wl_fixed_t x, wl_fixed_t y) {
  static_cast<WaylandBackend*>(data)->OnPointerAt(surface, wl_fixed_to_double(x), wl_fixed_to_double(y), serial);
}
void PointerLeave(void*, wl_pointer*, std::uint32_t, wl_surface*) {}
void PointerMotion(void* data, wl_pointer*, std::uint32_t, wl_fixed_t x, wl_fixed_t y) {
  static_cast<WaylandBackend*>(data)->OnPointerAt(nullptr, wl_fixed_to_double(x), wl_fixed_to_double(y), 0);
}
void PointerButton(void* data, wl_pointer*, std::uint32_t, std::uint32_t, std::uint32_t button, std::uint32_t state) {
  static_cast<WaylandBackend*>(data)->OnButton(button, state == WL_POINTER_BUTTON_STATE_PRESSED);
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
  static_cast<WaylandBackend*>(data)->OnKeymap(format, fd, size);
}
void KeyboardEnter(void* data, wl_keyboard*, std::uint32_t, wl_surface* surface, wl_array*) {
  static_cast<WaylandBackend*>(data)->OnKeyboardFocus(surface, true);
}
void KeyboardLeave(void* data, wl_keyboard*, std::uint32_t, wl_surface* surface) {
  static_cast<WaylandBackend*>(data)->OnKeyboardFocus(surface, false);
}
void KeyboardKey(void* data, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t key, std::uint32_t state) {
  static_cast<WaylandBackend*>(data)->OnKey(key, state == WL_KEYBOARD_KEY_STATE_PRESSED);
}
void KeyboardModifiers(void* data, wl_keyboard*, std::uint32_t, std::uint32_t depressed, std::uint32_t latched,
                       std::uint32_t locked, std::uint32_t group) {
  static_cast<WaylandBackend*>(data)->OnModifiers(depressed, latched, locked, group);
}
void KeyboardRepeat(void* data, wl_keyboard*, std::int32_t rate, std::int32_t delay) {
  static_cast<WaylandBackend*>(data)->OnRepeatInfo(rate, delay);
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

void Listen(wl_registry* registry, WaylandBackend* saver) { wl_registry_add_listener(registry, &kRegistryListener, saver); }
void Listen(wl_output* output, SaverOutput* described) { wl_output_add_listener(output, &kOutputListener, described); }
void Listen(zxdg_output_v1* output, SaverOutput* described) {
  zxdg_output_v1_add_listener(output, &kXdgOutputListener, described);
}
void Listen(zwlr_layer_surface_v1* layer, SaverSurface* surface) {
  zwlr_layer_surface_v1_add_listener(layer, &kLayerListener, surface);
}
void Listen(wp_fractional_scale_v1* fraction, SaverSurface* surface) {
  wp_fractional_scale_v1_add_listener(fraction, &kFractionListener, surface);
}
void Listen(wl_seat* seat, WaylandBackend* saver) { wl_seat_add_listener(seat, &kSeatListener, saver); }
void Listen(wl_pointer* pointer, WaylandBackend* saver) { wl_pointer_add_listener(pointer, &kPointerListener, saver); }
void Listen(wl_keyboard* keyboard, WaylandBackend* saver) {
  wl_keyboard_add_listener(keyboard, &kKeyboardListener, saver);
}

bool OffersLayerShell() {
  // Without $WAYLAND_DISPLAY the library would try "wayland-0" all the same.
  const char* named = std::getenv("WAYLAND_DISPLAY");
  if (named == nullptr || *named == '\0') return false;
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

}  // namespace waylandhost
