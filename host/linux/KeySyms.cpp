#include "host/linux/KeySyms.h"

#include <X11/keysym.h>

#include "field/KeyCodes.h"

namespace linuxhost {

namespace {

struct Mapping {
  std::uint32_t keysym;
  std::uint32_t code;
};

using namespace keycode;

// Keys whose virtual-key code is not a character code.
constexpr Mapping kNamedKeys[] = {
    {XK_BackSpace, kBackspace}, {XK_Tab, kTab}, {XK_ISO_Left_Tab, kTab}, {XK_Return, kReturn},
    {XK_KP_Enter, kReturn}, {XK_Shift_L, kShift}, {XK_Shift_R, kShift}, {XK_Control_L, kControl},
    {XK_Control_R, kControl}, {XK_Alt_L, kMenu}, {XK_Alt_R, kMenu}, {XK_Meta_L, kMenu}, {XK_Meta_R, kMenu},
    {XK_Pause, kPause}, {XK_Caps_Lock, kCapital}, {XK_Escape, kEscape}, {XK_space, kSpace},
    {XK_KP_Space, kSpace}, {XK_Prior, kPrior}, {XK_KP_Prior, kPrior}, {XK_Next, kNext}, {XK_KP_Next, kNext},
    {XK_End, kEnd}, {XK_KP_End, kEnd}, {XK_Home, kHome}, {XK_KP_Home, kHome}, {XK_Left, kLeft},
    {XK_KP_Left, kLeft}, {XK_Up, kUp}, {XK_KP_Up, kUp}, {XK_Right, kRight}, {XK_KP_Right, kRight},
    {XK_Down, kDown}, {XK_KP_Down, kDown}, {XK_Print, kPrint}, {XK_Insert, kInsert}, {XK_KP_Insert, kInsert},
    {XK_Delete, kDelete}, {XK_KP_Delete, kDelete}, {XK_KP_Begin, kClear}, {XK_Super_L, kLeftWindows},
    {XK_Super_R, kRightWindows}, {XK_Menu, kApps}, {XK_KP_Multiply, kMultiply}, {XK_KP_Add, kAdd},
    {XK_KP_Separator, kSeparator}, {XK_KP_Subtract, kSubtract}, {XK_KP_Decimal, kDecimal},
    {XK_KP_Divide, kDivide}, {XK_Num_Lock, kNumLock}, {XK_Scroll_Lock, kScrollLock},
    {XK_semicolon, kOemSemicolon}, {XK_equal, kOemPlus}, {XK_comma, kOemComma}, {XK_minus, kOemMinus},
    {XK_period, kOemPeriod}, {XK_slash, kOemSlash}, {XK_grave, kOemTilde}, {XK_bracketleft, kOemOpenBracket},
    {XK_backslash, kOemBackslash}, {XK_bracketright, kOemCloseBracket}, {XK_apostrophe, kOemQuote},
};

std::uint32_t VirtualKey(std::uint32_t keysym) {
  if (keysym >= XK_a && keysym <= XK_z) return keysym - XK_a + kLetterA;
  if (keysym >= XK_A && keysym <= XK_Z) return keysym;
  if (keysym >= XK_0 && keysym <= XK_9) return keysym;
  if (keysym >= XK_KP_0 && keysym <= XK_KP_9) return keysym - XK_KP_0 + kNumpad0;
  if (keysym >= XK_F1 && keysym <= XK_F24) return keysym - XK_F1 + kF1;
  for (const Mapping& m : kNamedKeys) {
    if (m.keysym == keysym) return m.code;
  }
  return kUnmappedKey;
}

}  // namespace

TranslatedKey TranslateKeysym(std::uint32_t keysym, bool alt, bool control, std::uint32_t topRowDigit) {
  TranslatedKey press;
  press.code = topRowDigit != 0 ? topRowDigit : VirtualKey(keysym);
  alt = alt || press.code == keycode::kMenu;
  const bool systemKey = (alt && !control) || keysym == XK_F10;
  press.activity = !systemKey;
  return press;
}

std::uint32_t TopRowDigit(const char* name) {
  if (name == nullptr || name[0] != 'A' || name[1] != 'E' || name[2] < '0' || name[2] > '1' || name[3] < '0' ||
      name[3] > '9') {
    return 0;
  }
  const int place = (name[2] - '0') * 10 + (name[3] - '0');  // 1 .. 10 from the left
  if (place < 1 || place > 10) return 0;
  return place == 10 ? kDigit0 : kDigit0 + static_cast<std::uint32_t>(place);
}

bool IsKeypadSymbol(std::uint32_t keysym) { return keysym >= XK_KP_Space && keysym <= XK_KP_Equal; }

}  // namespace linuxhost
