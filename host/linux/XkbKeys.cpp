#include "host/linux/XkbKeys.h"

#include <string>

namespace linuxhost {

namespace {

// Linux input codes are XKB key codes less 8.
constexpr std::uint32_t kEvdevOffset = 8;

}  // namespace

XkbKeys::XkbKeys() : context_(xkb_context_new(XKB_CONTEXT_NO_FLAGS)) {}

XkbKeys::~XkbKeys() {
  Take(nullptr);
  if (context_ != nullptr) xkb_context_unref(context_);
}

void XkbKeys::Take(xkb_keymap* keymap) {
  if (state_ != nullptr) xkb_state_unref(state_);
  if (keymap_ != nullptr) xkb_keymap_unref(keymap_);
  keymap_ = keymap;
  state_ = keymap != nullptr ? xkb_state_new(keymap) : nullptr;
}

bool XkbKeys::LoadKeymap(const char* text, std::size_t size) {
  if (context_ == nullptr || text == nullptr) return false;
  // The text may or may not carry its terminating zero.
  const std::string keymapText(text, size > 0 && text[size - 1] == '\0' ? size - 1 : size);
  xkb_keymap* keymap = xkb_keymap_new_from_string(context_, keymapText.c_str(), XKB_KEYMAP_FORMAT_TEXT_V1,
                                                  XKB_KEYMAP_COMPILE_NO_FLAGS);
  if (keymap == nullptr) return false;
  Take(keymap);
  return true;
}

bool XkbKeys::LoadNames(const char* layout) {
  if (context_ == nullptr) return false;
  xkb_rule_names names{};
  names.layout = layout;
  xkb_keymap* keymap = xkb_keymap_new_from_names(context_, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
  if (keymap == nullptr) return false;
  Take(keymap);
  return true;
}

void XkbKeys::UpdateModifiers(std::uint32_t depressed, std::uint32_t latched, std::uint32_t locked,
                              std::uint32_t group) {
  if (state_ != nullptr) xkb_state_update_mask(state_, depressed, latched, locked, 0, 0, group);
}

TranslatedKey XkbKeys::Translate(std::uint32_t key) const {
  if (state_ == nullptr) return TranslatedKey{true, linuxhost::kUnmappedKey};
  const xkb_keycode_t code = key + kEvdevOffset;
  // The key's own symbol, without Shift: letters and digits as printed.
  const xkb_keysym_t* symbols = nullptr;
  const int count =
      xkb_keymap_key_get_syms_by_level(keymap_, code, xkb_state_key_get_layout(state_, code), 0, &symbols);
  xkb_keysym_t symbol = count > 0 ? symbols[0] : XKB_KEY_NoSymbol;
  // The keypad follows Num Lock: digits with it, movement keys without.
  if (linuxhost::IsKeypadSymbol(symbol)) symbol = xkb_state_key_get_one_sym(state_, code);
  const bool alt = xkb_state_mod_name_is_active(state_, XKB_MOD_NAME_ALT, XKB_STATE_MODS_EFFECTIVE) > 0;
  const bool control = xkb_state_mod_name_is_active(state_, XKB_MOD_NAME_CTRL, XKB_STATE_MODS_EFFECTIVE) > 0;
  return linuxhost::TranslateKeysym(symbol, alt, control,
                                    linuxhost::TopRowDigit(xkb_keymap_key_get_name(keymap_, code)));
}

bool XkbKeys::Repeats(std::uint32_t key) const {
  return keymap_ != nullptr && xkb_keymap_key_repeats(keymap_, key + kEvdevOffset) != 0;
}

void KeyRepeat::Configure(std::int32_t rate, std::int32_t delay) {
  rate_ = rate > 0 ? rate : 0;
  delay_ = delay > 0 ? delay : 0;
  if (rate_ == 0) held_ = false;
}

void KeyRepeat::Press(std::uint32_t key, std::uint32_t code, std::uint32_t now) {
  held_ = rate_ > 0;
  key_ = key;
  code_ = code;
  next_ = now + static_cast<std::uint32_t>(delay_);
}

void KeyRepeat::Release(std::uint32_t key) {
  if (key == key_) held_ = false;
}

bool KeyRepeat::Due(std::uint32_t now, std::uint32_t* code) {
  // Unsigned differences keep the schedule right across the tick wrap.
  if (!held_ || static_cast<std::int32_t>(now - next_) < 0) return false;
  *code = code_;
  const std::uint32_t interval = static_cast<std::uint32_t>(1000 / rate_ > 0 ? 1000 / rate_ : 1);
  next_ += interval;
  if (static_cast<std::int32_t>(now - next_) >= 0) next_ = now + interval;  // a late loop does not burst
  return true;
}

std::int32_t KeyRepeat::Wait(std::uint32_t now) const {
  if (!held_) return -1;
  const std::int32_t left = static_cast<std::int32_t>(next_ - now);
  return left > 0 ? left : 0;
}

}  // namespace linuxhost
