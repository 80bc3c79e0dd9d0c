// zirbel_test_wayland_input: a keyboard and a pointer for a headless
// compositor, kept for as long as it runs (the seat's focus goes with its last
// device). It prints "ready", then reads lines from standard input, "key
// CODE" (a Linux input code, pressed and released) or "move DX DY", and
// answers "done" once the compositor has taken each.
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "wayland/virtual-keyboard-unstable-v1-client-protocol.h"
#include "wayland/wlr-virtual-pointer-unstable-v1-client-protocol.h"

namespace {

wl_seat* seat = nullptr;
zwp_virtual_keyboard_manager_v1* keyboards = nullptr;
zwlr_virtual_pointer_manager_v1* pointers = nullptr;

void Global(void*, wl_registry* registry, std::uint32_t id, const char* interface, std::uint32_t) {
  if (std::strcmp(interface, wl_seat_interface.name) == 0) {
    seat = static_cast<wl_seat*>(wl_registry_bind(registry, id, &wl_seat_interface, 1));
  } else if (std::strcmp(interface, zwp_virtual_keyboard_manager_v1_interface.name) == 0) {
    keyboards = static_cast<zwp_virtual_keyboard_manager_v1*>(
        wl_registry_bind(registry, id, &zwp_virtual_keyboard_manager_v1_interface, 1));
  } else if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0) {
    pointers = static_cast<zwlr_virtual_pointer_manager_v1*>(
        wl_registry_bind(registry, id, &zwlr_virtual_pointer_manager_v1_interface, 1));
  }
}
void GlobalRemove(void*, wl_registry*, std::uint32_t) {}
const wl_registry_listener kListener = {&Global, &GlobalRemove};

// The US keymap, as the keyboard's own, in a file the compositor can map.
bool SendKeymap(zwp_virtual_keyboard_v1* keyboard) {
  xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
  xkb_rule_names names{};
  names.layout = "us";
  xkb_keymap* keymap = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
  char* text = keymap != nullptr ? xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1) : nullptr;
  const int fd = memfd_create("keymap", MFD_CLOEXEC);
  const std::size_t size = text != nullptr ? std::strlen(text) + 1 : 0;
  const bool ok = text != nullptr && fd >= 0 && write(fd, text, size) == static_cast<ssize_t>(size);
  if (ok) zwp_virtual_keyboard_v1_keymap(keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd, static_cast<std::uint32_t>(size));
  std::free(text);
  if (keymap != nullptr) xkb_keymap_unref(keymap);
  xkb_context_unref(context);
  if (fd >= 0) close(fd);
  return ok;
}

}  // namespace

int main() {
  wl_display* display = wl_display_connect(nullptr);
  if (display == nullptr) return 2;
  wl_registry* registry = wl_display_get_registry(display);
  wl_registry_add_listener(registry, &kListener, nullptr);
  wl_display_roundtrip(display);
  if (seat == nullptr || keyboards == nullptr || pointers == nullptr) return 2;
  zwp_virtual_keyboard_v1* keyboard = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(keyboards, seat);
  zwlr_virtual_pointer_v1* pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(pointers, seat);
  if (!SendKeymap(keyboard) || wl_display_roundtrip(display) < 0) return 2;
  std::puts("ready");
  std::fflush(stdout);
  char line[128];
  std::uint32_t time = 0;
  while (std::fgets(line, sizeof line, stdin) != nullptr) {
    unsigned code = 0;
    double dx = 0.0, dy = 0.0;
    time += 10;
    if (std::sscanf(line, "key %u", &code) == 1) {
      zwp_virtual_keyboard_v1_key(keyboard, time, code, WL_KEYBOARD_KEY_STATE_PRESSED);
      zwp_virtual_keyboard_v1_key(keyboard, time + 5, code, WL_KEYBOARD_KEY_STATE_RELEASED);
    } else if (std::sscanf(line, "move %lf %lf", &dx, &dy) == 2) {
      zwlr_virtual_pointer_v1_motion(pointer, time, wl_fixed_from_double(dx), wl_fixed_from_double(dy));
      zwlr_virtual_pointer_v1_frame(pointer);
    }
    if (wl_display_roundtrip(display) < 0) return 1;
    std::puts("done");
    std::fflush(stdout);
  }
  wl_display_disconnect(display);
  return 0;
}
