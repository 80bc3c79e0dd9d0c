#include <gtest/gtest.h>

#include <X11/X.h>
#include <X11/keysym.h>

#include "host/x11/KeyMap.h"
#include "scene/KaleidoScene.h"

namespace {

using x11host::ButtonFlags;
using x11host::TranslateKey;

TEST(KeyMap, LettersBecomeUpperCaseCodes) {
  EXPECT_EQ(TranslateKey(XK_m, 0).code, 0x4Du);
  EXPECT_EQ(TranslateKey(XK_M, ShiftMask).code, 0x4Du);
  EXPECT_EQ(TranslateKey(XK_s, 0).code, 0x53u);
  EXPECT_EQ(TranslateKey(XK_q, 0).code, 0x51u);
  EXPECT_TRUE(TranslateKey(XK_q, 0).activity);
}

TEST(KeyMap, DigitsArrowsSpaceAndKeypad) {
  for (unsigned i = 0; i < 10; ++i) {
    EXPECT_EQ(TranslateKey(XK_0 + i, 0).code, 0x30u + i);
    EXPECT_EQ(TranslateKey(XK_KP_0 + i, Mod2Mask).code, 0x60u + i);
  }
  EXPECT_EQ(TranslateKey(XK_Left, 0).code, 0x25u);
  EXPECT_EQ(TranslateKey(XK_Up, 0).code, 0x26u);
  EXPECT_EQ(TranslateKey(XK_Right, 0).code, 0x27u);
  EXPECT_EQ(TranslateKey(XK_Down, 0).code, 0x28u);
  EXPECT_EQ(TranslateKey(XK_space, 0).code, 0x20u);
  EXPECT_EQ(TranslateKey(XK_Escape, 0).code, 0x1Bu);
  EXPECT_EQ(TranslateKey(XK_Return, 0).code, 0x0Du);
  EXPECT_EQ(TranslateKey(XK_F1, 0).code, 0x70u);
  EXPECT_TRUE(x11host::IsKeypadSymbol(XK_KP_End));
  EXPECT_FALSE(x11host::IsKeypadSymbol(XK_End));
}

TEST(KeyMap, TheSceneAgreesOnControlsAndClosers) {
  KaleidoScene scene;  // bare: answers the key table
  const unsigned long controls[] = {XK_space, XK_Left, XK_Up, XK_Right, XK_Down, XK_0, XK_5, XK_9, XK_m, XK_s};
  for (unsigned long k : controls) EXPECT_TRUE(scene.HandleKey(TranslateKey(k, 0).code)) << k;
  const unsigned long closers[] = {XK_q, XK_g, XK_Escape, XK_Return, XK_KP_5, XK_Shift_L, XK_F1, XK_dead_acute, XK_EuroSign};
  for (unsigned long k : closers) EXPECT_FALSE(scene.HandleKey(TranslateKey(k, 0).code)) << k;
}

TEST(KeyMap, SystemKeysAreNotActivity) {
  EXPECT_FALSE(TranslateKey(XK_Alt_L, 0).activity);
  EXPECT_FALSE(TranslateKey(XK_F10, 0).activity);
  EXPECT_FALSE(TranslateKey(XK_F4, Mod1Mask).activity);
  EXPECT_FALSE(TranslateKey(XK_q, Mod1Mask).activity);
  EXPECT_TRUE(TranslateKey(XK_q, Mod1Mask | ControlMask).activity);
  EXPECT_TRUE(TranslateKey(XK_F4, 0).activity);
}

TEST(KeyMap, ButtonsGiveMouseFlags) {
  EXPECT_EQ(ButtonFlags(Button1, 0), 0x01u);
  EXPECT_EQ(ButtonFlags(Button3, 0), 0x02u);
  EXPECT_EQ(ButtonFlags(Button2, 0), 0x10u);
  EXPECT_EQ(ButtonFlags(Button1, ShiftMask | ControlMask | Button3Mask), 0x01u | 0x04u | 0x08u | 0x02u);
  EXPECT_EQ(ButtonFlags(4, 0), 0u) << "the wheel is not a click";
  EXPECT_EQ(ButtonFlags(5, Button1Mask), 0u);
  KaleidoScene scene;
  for (unsigned state : {0u, unsigned(ShiftMask), unsigned(ControlMask | ShiftMask | Button1Mask | Button2Mask)}) {
    for (unsigned button : {Button1, Button2, Button3}) {
      EXPECT_FALSE(scene.HandleKey(ButtonFlags(button, state))) << "every click closes the saver";
    }
  }
}

}  // namespace
