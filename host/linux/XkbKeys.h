#pragma once
// The keys of a Linux input device (Wayland's keyboard events, a console's)
// in the terms the close policy and the scene use, through an XKB keymap and
// xkbcommon: the keysym table beside this gives the virtual-key code, the top
// row gives its digits on every layout, the keypad follows Num Lock, and keys
// with Alt held are system keys.
#include <xkbcommon/xkbcommon.h>

#include <cstddef>
#include <cstdint>

#include "host/linux/KeySyms.h"

namespace linuxhost {

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
  // The modifier state (Wayland: wl_keyboard.modifiers).
  void UpdateModifiers(std::uint32_t depressed, std::uint32_t latched, std::uint32_t locked, std::uint32_t group);
  // A press of the key with the Linux input code `key` (Wayland: wl_keyboard.key).
  // Without a keymap every key is activity with no control's code.
  TranslatedKey Translate(std::uint32_t key) const;

  // Whether holding the key repeats it (not so for modifiers).
  bool Repeats(std::uint32_t key) const;

  xkb_state* State() const { return state_; }

 private:
  void Take(xkb_keymap* keymap);

  xkb_context* context_ = nullptr;
  xkb_keymap* keymap_ = nullptr;
  xkb_state* state_ = nullptr;
};

// A held key repeats, as the compositor (wl_keyboard.repeat_info) asks: the
// first repeat `delay` ms after the press, then `rate` a second. Wayland
// leaves repeating to the client; X11 and Windows repeat held keys themselves.
class KeyRepeat {
 public:
  // rate 0: keys do not repeat.
  void Configure(std::int32_t rate, std::int32_t delay);
  void Press(std::uint32_t key, std::uint32_t code, std::uint32_t now);
  void Release(std::uint32_t key);
  void Stop() { held_ = false; }
  // The code of the repeat due at `now`, if one is; the next is then scheduled.
  bool Due(std::uint32_t now, std::uint32_t* code);
  // Milliseconds until the next repeat, or -1 when no key repeats.
  std::int32_t Wait(std::uint32_t now) const;

 private:
  std::int32_t rate_ = 25;
  std::int32_t delay_ = 600;
  bool held_ = false;
  std::uint32_t key_ = 0;
  std::uint32_t code_ = 0;
  std::uint32_t next_ = 0;
};

}  // namespace linuxhost
