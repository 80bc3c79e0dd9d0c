#include <gtest/gtest.h>

#include <X11/X.h>
#include <X11/keysym.h>

#include <tuple>

#include "field/KeyCodes.h"
#include "host/x11/KeyMap.h"

namespace {

using x11host::ButtonFlags;
using x11host::TopRowDigit;
using x11host::TranslateKey;

TEST(KeyMap, KeysymsBecomeVirtualKeyCodesAndSystemKeysAreNotActivity) {
  const std::tuple<unsigned long, unsigned int, std::uint32_t> cases[] = {
      {XK_m, 0, keycode::kKeyM}, {XK_M, ShiftMask, keycode::kKeyM}, {XK_s, 0, keycode::kKeyS}, {XK_q, 0, 'Q'},
      {XK_0, 0, keycode::kDigit0}, {XK_9, 0, keycode::kDigit9}, {XK_KP_0, Mod2Mask, keycode::kNumpad0},
      {XK_KP_9, Mod2Mask, keycode::kNumpad9}, {XK_KP_Begin, 0, keycode::kClear}, {XK_Left, 0, keycode::kLeft},
      {XK_Up, 0, keycode::kUp}, {XK_Right, 0, keycode::kRight}, {XK_Down, 0, keycode::kDown},
      {XK_KP_Down, 0, keycode::kDown}, {XK_space, 0, keycode::kSpace}, {XK_Escape, 0, keycode::kEscape},
      {XK_Return, 0, keycode::kReturn}, {XK_F1, 0, keycode::kF1}, {XK_minus, 0, keycode::kOemMinus},
      {XK_dead_acute, 0, x11host::kUnmappedKey}, {XK_EuroSign, 0, x11host::kUnmappedKey},
  };
  for (const auto& [keysym, modifiers, code] : cases) EXPECT_EQ(TranslateKey(keysym, modifiers).code, code) << keysym;
  EXPECT_TRUE(x11host::IsKeypadSymbol(XK_KP_End) && !x11host::IsKeypadSymbol(XK_End));
  const std::tuple<unsigned long, unsigned int, bool> system[] = {  // keysym, modifiers, activity
      {XK_Alt_L, 0, false}, {XK_F10, 0, false}, {XK_F4, Mod1Mask, false}, {XK_1, Mod1Mask, false},
      {XK_q, Mod1Mask | ControlMask, true}, {XK_F4, 0, true}};
  for (const auto& [keysym, modifiers, activity] : system) {
    EXPECT_EQ(TranslateKey(keysym, modifiers, keysym == XK_1 ? TopRowDigit("AE01") : 0u).activity, activity) << keysym;
  }
}

// The top row gives its digits by place, whatever the layout prints there
// (AZERTY's unshifted row is & é " ' ( - è _ ç à); letters follow the layout.
TEST(KeyMap, TopRowDigitsFollowThePhysicalKey) {
  const char* const names[] = {"AE01", "AE02", "AE03", "AE04", "AE05", "AE06", "AE07", "AE08", "AE09", "AE10"};
  const unsigned long azerty[] = {XK_ampersand, XK_eacute, XK_quotedbl,   XK_apostrophe, XK_parenleft,
                                  XK_minus,     XK_egrave, XK_underscore, XK_ccedilla,   XK_agrave};
  for (int i = 0; i < 10; ++i) {
    const std::uint32_t digit = i == 9 ? keycode::kDigit0 : keycode::kDigit0 + 1 + static_cast<std::uint32_t>(i);
    EXPECT_EQ(TopRowDigit(names[i]), digit) << names[i];
    EXPECT_EQ(TranslateKey(azerty[i], 0, TopRowDigit(names[i])).code, digit) << names[i];
  }
  for (const char* other : {"AE00", "AE11", "AE12", "AD01", "AC10", "TLDE", "KP1\0", "\0\0\0\0"}) {
    EXPECT_EQ(TopRowDigit(other), 0u) << other;
  }
  EXPECT_EQ(TranslateKey(XK_m, 0, TopRowDigit("AC10")).code, keycode::kKeyM) << "AZERTY's M";
}

TEST(KeyMap, ButtonsGiveMouseFlags) {
  const std::tuple<unsigned int, unsigned int, std::uint32_t> cases[] = {  // button, state, flags
      {Button1, 0, 0x01u}, {Button3, 0, 0x02u}, {Button2, 0, 0x10u},
      {Button1, ShiftMask | ControlMask | Button3Mask, 0x01u | 0x04u | 0x08u | 0x02u},
      {4, 0, 0u}, {5, Button1Mask, 0u},  // the wheel is not a click
  };
  for (const auto& [button, state, flags] : cases) EXPECT_EQ(ButtonFlags(button, state), flags) << button;
}

}  // namespace
