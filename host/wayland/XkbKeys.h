#pragma once
// Wayland key events in the terms the close policy and the scene use, through
// the compositor's keymap and xkbcommon: the keysym table of host/linux/ gives
// the virtual-key code, the top row gives its digits on every layout, the
// keypad follows Num Lock, and keys with Alt held are system keys.
#include <xkbcommon/xkbcommon.h>

#include <cstddef>
#include <cstdint>

#include "host/linux/KeySyms.h"

namespace waylandhost {

class XkbKeys {
 public:
  XkbKeys();
  ~XkbKeys();
  XkbKeys(const XkbKeys&) = delete;
  XkbKeys& operator=(const XkbKeys&) = delete;

  // The compositor's keymap (XKB text format, `size` bytes, possibly with a
  // terminating zero); false, keeping the previous one, when it cannot be read.
  bool LoadKeymap(const char* text, std::size_t size);
  // A keymap from rules, model and layout names (as the system's defaults
  // would build it); false when the names give none.
  bool LoadNames(const char* layout);
  bool Ready() const { return state_ != nullptr; }
  // wl_keyboard.modifiers.
  void UpdateModifiers(std::uint32_t depressed, std::uint32_t latched, std::uint32_t locked, std::uint32_t group);
  // A press of the key with the Linux input code `key` (wl_keyboard.key).
  // Without a keymap every key is activity with no control's code.
  linuxhost::TranslatedKey Translate(std::uint32_t key) const;

  xkb_state* State() const { return state_; }

 private:
  void Take(xkb_keymap* keymap);

  xkb_context* context_ = nullptr;
  xkb_keymap* keymap_ = nullptr;
  xkb_state* state_ = nullptr;
};

}  // namespace waylandhost
