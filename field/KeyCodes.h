#pragma once
// Key codes as the scene, the field and every host speak them: the Windows
// virtual-key numbers. The X11 and Wayland hosts translate their keysyms to
// these; Windows passes its own through unchanged.
#include <cstdint>

namespace keycode {

constexpr std::uint32_t kBackspace = 0x08;
constexpr std::uint32_t kTab = 0x09;
constexpr std::uint32_t kReturn = 0x0D;
constexpr std::uint32_t kShift = 0x10;
constexpr std::uint32_t kControl = 0x11;
constexpr std::uint32_t kMenu = 0x12;  // Alt
constexpr std::uint32_t kPause = 0x13;
constexpr std::uint32_t kCapital = 0x14;
constexpr std::uint32_t kEscape = 0x1B;
constexpr std::uint32_t kSpace = 0x20;
constexpr std::uint32_t kPrior = 0x21;  // Page Up
constexpr std::uint32_t kNext = 0x22;   // Page Down
constexpr std::uint32_t kEnd = 0x23;
constexpr std::uint32_t kHome = 0x24;
constexpr std::uint32_t kLeft = 0x25;
constexpr std::uint32_t kUp = 0x26;
constexpr std::uint32_t kRight = 0x27;
constexpr std::uint32_t kDown = 0x28;
constexpr std::uint32_t kPrint = 0x2C;
constexpr std::uint32_t kInsert = 0x2D;
constexpr std::uint32_t kDelete = 0x2E;
// Top-row digits '0'..'9' and letters 'A'..'Z' are their ASCII codes.
constexpr std::uint32_t kDigit0 = 0x30;
constexpr std::uint32_t kDigit9 = 0x39;
constexpr std::uint32_t kLetterA = 0x41;
constexpr std::uint32_t kLetterZ = 0x5A;
constexpr std::uint32_t kKeyM = 0x4D;
constexpr std::uint32_t kKeyG = 0x47;
constexpr std::uint32_t kKeyS = 0x53;
constexpr std::uint32_t kClear = 0x0C;  // keypad 5 without Num Lock
constexpr std::uint32_t kLeftWindows = 0x5B;
constexpr std::uint32_t kRightWindows = 0x5C;
constexpr std::uint32_t kApps = 0x5D;
// Keypad digits 0..9.
constexpr std::uint32_t kNumpad0 = 0x60;
constexpr std::uint32_t kNumpad9 = 0x69;
constexpr std::uint32_t kMultiply = 0x6A;
constexpr std::uint32_t kAdd = 0x6B;
constexpr std::uint32_t kSeparator = 0x6C;
constexpr std::uint32_t kSubtract = 0x6D;
constexpr std::uint32_t kDecimal = 0x6E;
constexpr std::uint32_t kDivide = 0x6F;
constexpr std::uint32_t kF1 = 0x70;
constexpr std::uint32_t kF10 = 0x79;
constexpr std::uint32_t kF24 = 0x87;
constexpr std::uint32_t kNumLock = 0x90;
constexpr std::uint32_t kScrollLock = 0x91;
// Punctuation keys of a US layout.
constexpr std::uint32_t kOemSemicolon = 0xBA;
constexpr std::uint32_t kOemPlus = 0xBB;
constexpr std::uint32_t kOemComma = 0xBC;
constexpr std::uint32_t kOemMinus = 0xBD;
constexpr std::uint32_t kOemPeriod = 0xBE;
constexpr std::uint32_t kOemSlash = 0xBF;
constexpr std::uint32_t kOemTilde = 0xC0;
constexpr std::uint32_t kOemOpenBracket = 0xDB;
constexpr std::uint32_t kOemBackslash = 0xDC;
constexpr std::uint32_t kOemCloseBracket = 0xDD;
constexpr std::uint32_t kOemQuote = 0xDE;

}  // namespace keycode
