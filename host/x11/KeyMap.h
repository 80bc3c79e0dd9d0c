#pragma once
// X key and button events in the terms the close policy and the scene use:
// Windows virtual-key codes (scene/KeyCodes.h) and mouse-button flags.
#include <X11/Xlib.h>

#include <array>
#include <cstdint>

namespace x11host {

// A code that no scene control uses (the "no key" virtual-key code).
constexpr std::uint32_t kUnmappedKey = 0xFF;

struct TranslatedKey {
  // False for keys that count as system keys (Alt, F10, anything with Alt
  // but not Ctrl held): they are not activity, as on Windows.
  bool activity = false;
  std::uint32_t code = 0;  // virtual-key code
};

// `keysym` is the key's symbol; `modifiers` the X modifier state of the
// event. `topRowDigit` is the digit code of the key's place in the top row
// (TopRowDigit), or 0: the top row gives its digits on every layout, as
// Windows' virtual keys do, whatever symbols the layout puts there.
TranslatedKey TranslateKey(unsigned long keysym, unsigned int modifiers, std::uint32_t topRowDigit = 0);

// The digit code ('1' .. '9', '0') of the top-row key with the XKB key name
// `name` ("AE01" .. "AE10", four characters, not necessarily terminated);
// 0 for every other key.
std::uint32_t TopRowDigit(const char* name);

// The top-row digit of each key code of the keyboard, read once from its XKB
// key names; no digits when the server has no XKB.
class TopRow {
 public:
  void Read(Display* display);
  std::uint32_t Digit(unsigned int keycode) const { return keycode < digits_.size() ? digits_[keycode] : 0; }

 private:
  std::array<std::uint8_t, 256> digits_{};
};

// Whether the symbol belongs to the numeric keypad, whose meaning follows
// Num Lock (the caller then looks the symbol up with the modifiers applied).
bool IsKeypadSymbol(unsigned long keysym);

// The button flags of a press of X button `button` (1 left, 2 middle,
// 3 right) with the X modifier state `modifiers`, which holds the buttons
// already down. 0 for buttons that are not clicks (the wheel, side buttons).
std::uint32_t ButtonFlags(unsigned int button, unsigned int modifiers);

}  // namespace x11host
