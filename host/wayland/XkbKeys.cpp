#include "host/wayland/XkbKeys.h"

#include <string>

namespace waylandhost {

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

linuxhost::TranslatedKey XkbKeys::Translate(std::uint32_t key) const {
  if (state_ == nullptr) return linuxhost::TranslatedKey{true, linuxhost::kUnmappedKey};
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

}  // namespace waylandhost
