#include "host/Settings.h"

#include "host/SaverState.h"

namespace setting {
const char* const kPasswordDelay = "Password Delay";
const char* const kMouseThreshold = "Mouse Threshold";
const char* const kUseMirrors = "UseMirrors";
const char* const kAllMonitors = "AllMonitors";
const char* const kPhotoFolder = "PhotoFolder";
}  // namespace setting

void LoadSystemSettings(SaverState& state, SettingsStore& store) {
  state.passwordDelay = 15;
  state.mouseThreshold = 50;
  state.inPasswordCheck = 0;
  store.ReadNumber(SettingsGroup::System, setting::kPasswordDelay, &state.passwordDelay);
  store.ReadNumber(SettingsGroup::System, setting::kMouseThreshold, &state.mouseThreshold);
}

void LoadSettings(SaverState& state, SettingsStore& store) {
  state.useMirrors = 1;
  state.allMonitors = 1;
  store.ReadNumber(SettingsGroup::Program, setting::kUseMirrors, &state.useMirrors);
  store.ReadNumber(SettingsGroup::Program, setting::kAllMonitors, &state.allMonitors);
  // A value that is not a usable text (too long, broken, with control
  // characters) counts as none: the built-in pictures.
  state.photoFolder.clear();
  std::string folder;
  if (store.ReadText(SettingsGroup::Program, setting::kPhotoFolder, &folder) && IsSettingText(folder)) {
    state.photoFolder = folder;
  }
}

void SaveSettings(const SaverState& state, SettingsStore& store) {
  store.BeginUpdate();
  store.WriteNumber(SettingsGroup::Program, setting::kUseMirrors, state.useMirrors);
  store.WriteNumber(SettingsGroup::Program, setting::kAllMonitors, state.allMonitors);
  store.WriteText(SettingsGroup::Program, setting::kPhotoFolder,
                  IsSettingText(state.photoFolder) ? state.photoFolder : std::string());
  store.EndUpdate();
}

const char* SettingTextProblem(const std::string& text) {
  static const char* const kTooLong = "is longer than 4096 bytes";
  static const char* const kNotUtf8 = "is not valid UTF-8";
  static const char* const kControl = "holds a control character";
  static_assert(kMaxSettingText == 4096, "the words above name the limit");
  if (text.size() > kMaxSettingText) return kTooLong;
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x20 || lead == 0x7F) return kControl;
    // The sequence length and the smallest code point it may carry.
    std::size_t length = 1;
    std::uint32_t point = lead;
    std::uint32_t least = 0;
    if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4, point = lead & 0x07u, least = 0x10000;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3, point = lead & 0x0Fu, least = 0x800;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2, point = lead & 0x1Fu, least = 0x80;
    } else if (lead >= 0x80) {
      return kNotUtf8;
    }
    if (text.size() - i < length) return kNotUtf8;
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0u) != 0x80u) return kNotUtf8;
      point = (point << 6) | (next & 0x3Fu);
    }
    if (point < least || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) return kNotUtf8;
    if (point >= 0x80 && point < 0xA0) return kControl;  // C1 controls
    i += length;
  }
  return nullptr;
}

bool IsSettingText(const std::string& text) { return SettingTextProblem(text) == nullptr; }

std::string PhotoFolderRefusal(const std::string& folder) {
  if (IsSettingText(folder)) return std::string();
  if (folder.size() > kMaxSettingText) {
    return "This folder's path is too long to be stored in the settings. Choose a folder with a shorter path.";
  }
  return "This folder's name cannot be stored in the settings. Choose or rename a folder whose name is valid text.";
}
