#pragma once
// X key and button events in the terms the close policy and the scene use:
// Windows virtual-key codes and mouse-button flags.
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

// `keysym` is the key's symbol; `modifiers` the X modifier state of the event.
TranslatedKey TranslateKey(unsigned long keysym, unsigned int modifiers);

// Whether the symbol belongs to the numeric keypad, whose meaning follows
// Num Lock (the caller then looks the symbol up with the modifiers applied).
bool IsKeypadSymbol(unsigned long keysym);

// The button flags of a press of X button `button` (1 left, 2 middle,
// 3 right) with the X modifier state `modifiers`, which holds the buttons
// already down. 0 for buttons that are not clicks (the wheel, side buttons).
std::uint32_t ButtonFlags(unsigned int button, unsigned int modifiers);

}  // namespace x11host
