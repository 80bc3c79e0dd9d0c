#pragma once
// X key and button events in the terms the close policy and the scene use:
// Windows virtual-key codes (field/KeyCodes.h) and mouse-button flags.
#include <X11/Xlib.h>

#include <array>
#include <cstdint>

#include "host/linux/KeySyms.h"

namespace x11host {

using linuxhost::IsKeypadSymbol;
using linuxhost::kUnmappedKey;
using linuxhost::TopRowDigit;
using linuxhost::TranslatedKey;

// `keysym` is the key's symbol; `modifiers` the X modifier state of the
// event. `topRowDigit` is the digit code of the key's place in the top row
// (TopRowDigit), or 0: the top row gives its digits on every layout, as
// Windows' virtual keys do, whatever symbols the layout puts there.
TranslatedKey TranslateKey(unsigned long keysym, unsigned int modifiers, std::uint32_t topRowDigit = 0);

// The top-row digit of each key code of the keyboard, read once from its XKB
// key names; no digits when the server has no XKB.
class TopRow {
 public:
  void Read(Display* display);
  std::uint32_t Digit(unsigned int keycode) const { return keycode < digits_.size() ? digits_[keycode] : 0; }

 private:
  std::array<std::uint8_t, 256> digits_{};
};

// The button flags of a press of X button `button` (1 left, 2 middle,
// 3 right) with the X modifier state `modifiers`, which holds the buttons
// already down. 0 for buttons that are not clicks (the wheel, side buttons).
std::uint32_t ButtonFlags(unsigned int button, unsigned int modifiers);

}  // namespace x11host
