#include <gtest/gtest.h>
#include <linux/input-event-codes.h>

#include <cstdlib>
#include <string>
#include <tuple>
#include <utility>

#include "field/KeyCodes.h"
#include "host/wayland/Outputs.h"
#include "host/linux/XkbKeys.h"

namespace {

struct Press {
  unsigned key;
  std::uint32_t code;
  bool activity;
};

void ExpectPresses(linuxhost::XkbKeys& keys, std::initializer_list<Press> presses, const char* layout) {
  for (const Press& press : presses) {
    const linuxhost::TranslatedKey translated = keys.Translate(press.key);
    EXPECT_EQ(translated.code, press.code) << layout << " key " << press.key;
    EXPECT_EQ(translated.activity, press.activity) << layout << " key " << press.key;
  }
}

void Toggle(linuxhost::XkbKeys& keys, unsigned key, xkb_key_direction direction) {
  xkb_state_update_key(keys.State(), key + 8, direction);
}

TEST(WaylandHost, KeysTranslateThroughTheCompositorsKeymap) {
  linuxhost::XkbKeys keys;
  EXPECT_EQ(keys.Translate(KEY_M).code, linuxhost::kUnmappedKey) << "no keymap yet";
  ASSERT_TRUE(keys.LoadNames("us"));
  // The compositor sends its keymap as text, with or without its zero.
  char* text = xkb_keymap_get_as_string(xkb_state_get_keymap(keys.State()), XKB_KEYMAP_FORMAT_TEXT_V1);
  ASSERT_NE(text, nullptr);
  ASSERT_TRUE(keys.LoadKeymap(text, std::string(text).size() + 1));
  ASSERT_TRUE(keys.LoadKeymap(text, std::string(text).size()));
  std::free(text);
  EXPECT_FALSE(keys.LoadKeymap("xkb_keymap {", 12));
  ExpectPresses(keys,
                {{KEY_M, keycode::kKeyM, true}, {KEY_S, keycode::kKeyS, true}, {KEY_Q, 'Q', true},
                 {KEY_5, '5', true}, {KEY_0, keycode::kDigit0, true}, {KEY_SPACE, keycode::kSpace, true},
                 {KEY_LEFT, keycode::kLeft, true}, {KEY_DOWN, keycode::kDown, true}, {KEY_KP5, keycode::kClear, true},
                 {KEY_KP8, keycode::kUp, true}, {KEY_ESC, keycode::kEscape, true}, {KEY_F10, keycode::kF10, false},
                 {KEY_LEFTALT, keycode::kMenu, false}},
                "us");
  Toggle(keys, KEY_LEFTSHIFT, XKB_KEY_DOWN);  // Shift gives no lower- or upper-case codes
  ExpectPresses(keys, {{KEY_M, keycode::kKeyM, true}, {KEY_5, '5', true}}, "us+shift");
  Toggle(keys, KEY_LEFTSHIFT, XKB_KEY_UP);
  Toggle(keys, KEY_NUMLOCK, XKB_KEY_DOWN);  // the keypad follows Num Lock
  Toggle(keys, KEY_NUMLOCK, XKB_KEY_UP);
  ExpectPresses(keys, {{KEY_KP5, keycode::kNumpad0 + 5, true}}, "us+numlock");
  Toggle(keys, KEY_LEFTALT, XKB_KEY_DOWN);  // Alt makes system keys; Ctrl+Alt does not
  ExpectPresses(keys, {{KEY_Q, 'Q', false}}, "us+alt");
  Toggle(keys, KEY_LEFTCTRL, XKB_KEY_DOWN);
  ExpectPresses(keys, {{KEY_Q, 'Q', true}}, "us+ctrl+alt");

  // AZERTY: the top row still gives digits, the letters follow the layout.
  ASSERT_TRUE(keys.LoadNames("fr"));
  ExpectPresses(keys, {{KEY_1, '1', true}, {KEY_0, keycode::kDigit0, true}, {KEY_SEMICOLON, keycode::kKeyM, true},
                       {KEY_Q, 'A', true}},
                "fr");
}

// A held key repeats after the delay at the rate, until it is released.
TEST(WaylandHost, HeldKeysRepeatAsTheCompositorAsks) {
  linuxhost::KeyRepeat repeat;
  repeat.Configure(25, 600);  // every 40 ms after 600 ms
  std::uint32_t code = 0;
  repeat.Press(KEY_LEFT, keycode::kLeft, 0xFFFFFF00u);  // across the tick wrap
  EXPECT_EQ(repeat.Wait(0xFFFFFF00u), 600);
  EXPECT_FALSE(repeat.Due(0xFFFFFF00u + 599, &code));
  EXPECT_TRUE(repeat.Due(0xFFFFFF00u + 600, &code) && code == keycode::kLeft);
  EXPECT_EQ(repeat.Wait(0xFFFFFF00u + 610), 30);
  EXPECT_TRUE(repeat.Due(0xFFFFFF00u + 2000, &code)) << "late";
  EXPECT_FALSE(repeat.Due(0xFFFFFF00u + 2001, &code)) << "a late loop gets one repeat, not a burst";
  repeat.Release(KEY_RIGHT);
  EXPECT_GE(repeat.Wait(0), 0) << "another key's release";
  repeat.Release(KEY_LEFT);
  EXPECT_EQ(repeat.Wait(0), -1);
  repeat.Configure(0, 600);
  repeat.Press(KEY_LEFT, keycode::kLeft, 0);
  EXPECT_FALSE(repeat.Due(10000, &code)) << "rate 0: no repeat";
}

TEST(WaylandHost, OutputsGetSurfacesBuffersAndPointerPlaces) {
  waylandhost::OutputInfo output;
  output.name = "HEADLESS-2";
  output.x = 1280;
  EXPECT_FALSE(WantsSurface(output, "")) << "not described yet";
  output.described = true;
  EXPECT_TRUE(WantsSurface(output, "") && WantsSurface(output, "HEADLESS-2") && !WantsSurface(output, "HEADLESS-1"));

  const std::tuple<int, int, int, int, int, int> sizes[] = {
      // logical size, fraction in 120ths, integer scale, buffer size
      {1280, 720, 0, 1, 1280, 720}, {1280, 720, 0, 2, 2560, 1440}, {1280, 720, 180, 2, 1920, 1080},
      {1280, 720, 150, 1, 1600, 900}, {3, 1, 140, 1, 4, 1},  // 3.5 rounds up, 1.17 down
      {0, 0, 0, 1, 1, 1}, {100, 100, 0, 0, 100, 100},
  };
  for (const auto& [w, h, fraction, scale, bw, bh] : sizes) {
    const waylandhost::BufferSize b = waylandhost::BufferFor(w, h, fraction, scale);
    EXPECT_EQ(std::pair(b.width, b.height), std::pair(bw, bh)) << w << "x" << h << " at " << fraction << "/" << scale;
  }
  const CursorPoint inside = waylandhost::DesktopPoint(output, 10.7, 20.2);
  EXPECT_TRUE(inside.x == 1290 && inside.y == 20) << inside.x << ", " << inside.y;
  EXPECT_EQ(waylandhost::DesktopPoint(output, -0.5, 0.0).x, 1279);
}

}  // namespace
