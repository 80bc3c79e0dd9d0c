#include "host/x11/KeyMap.h"

#include <X11/XKBlib.h>
#include <X11/keysym.h>


namespace x11host {

using namespace linuxhost;

TranslatedKey TranslateKey(unsigned long keysym, unsigned int modifiers, std::uint32_t topRowDigit) {
  return TranslateKeysym(static_cast<std::uint32_t>(keysym), (modifiers & Mod1Mask) != 0,
                         (modifiers & ControlMask) != 0, topRowDigit);
}

void TopRow::Read(Display* display) {
  digits_.fill(0);
  XkbDescPtr keyboard = XkbGetMap(display, 0, XkbUseCoreKbd);
  if (keyboard == nullptr) return;
  if (XkbGetNames(display, XkbKeyNamesMask, keyboard) == Success && keyboard->names != nullptr &&
      keyboard->names->keys != nullptr) {
    for (int code = keyboard->min_key_code; code <= keyboard->max_key_code && code < 256; ++code) {
      digits_[static_cast<std::size_t>(code)] = static_cast<std::uint8_t>(TopRowDigit(keyboard->names->keys[code].name));
    }
  }
  XkbFreeKeyboard(keyboard, 0, True);
}

std::uint32_t ButtonFlags(unsigned int button, unsigned int modifiers) {
  std::uint32_t flags = 0;
  switch (button) {
    case Button1: flags = kMkLeft; break;
    case Button2: flags = kMkMiddle; break;
    case Button3: flags = kMkRight; break;
    default: return 0;
  }
  if ((modifiers & Button1Mask) != 0) flags |= kMkLeft;
  if ((modifiers & Button2Mask) != 0) flags |= kMkMiddle;
  if ((modifiers & Button3Mask) != 0) flags |= kMkRight;
  if ((modifiers & ShiftMask) != 0) flags |= kMkShift;
  if ((modifiers & ControlMask) != 0) flags |= kMkControl;
  return flags;
}

}  // namespace x11host
