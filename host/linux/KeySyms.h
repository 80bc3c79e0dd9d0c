#pragma once
// Key symbols (the X keysyms, which xkbcommon shares) in the terms the close
// policy and the scene use: Windows virtual-key codes (field/KeyCodes.h).
// The X11 and the Wayland host both translate through these.
#include <cstdint>

namespace linuxhost {

// The mouse-button flags of a button press, as Windows hands them over.
constexpr std::uint32_t kMkLeft = 0x0001;
constexpr std::uint32_t kMkRight = 0x0002;
constexpr std::uint32_t kMkShift = 0x0004;
constexpr std::uint32_t kMkControl = 0x0008;
constexpr std::uint32_t kMkMiddle = 0x0010;

// A code that no scene control uses (the "no key" virtual-key code).
constexpr std::uint32_t kUnmappedKey = 0xFF;

struct TranslatedKey {
  // False for keys that count as system keys (Alt, F10, anything with Alt
  // but not Ctrl held): they are not activity, as on Windows.
  bool activity = false;
  std::uint32_t code = 0;  // virtual-key code
};

// `keysym` is the key's symbol, `alt` and `control` whether those modifiers
// are held. `topRowDigit` is the digit code of the key's place in the top row
// (TopRowDigit), or 0: the top row gives its digits on every layout, as
// Windows' virtual keys do, whatever symbols the layout puts there.
TranslatedKey TranslateKeysym(std::uint32_t keysym, bool alt, bool control, std::uint32_t topRowDigit);

// The digit code ('1' .. '9', '0') of the top-row key with the XKB key name
// `name` ("AE01" .. "AE10", four characters, not necessarily terminated);
// 0 for every other key.
std::uint32_t TopRowDigit(const char* name);

// Whether the symbol belongs to the numeric keypad, whose meaning follows
// Num Lock (the caller then looks the symbol up with the modifiers applied).
bool IsKeypadSymbol(std::uint32_t keysym);

}  // namespace linuxhost
