#include "host/Settings.h"

#include <utility>

#include "host/SaverState.h"

namespace {

void TakeDefault(const SettingRow& row, SaverState& state) {
  if (row.type == SettingType::Text) {
    (state.*row.text).clear();
  } else {
    state.*row.number = row.fallback;
  }
}

void LoadGroup(SettingsGroup group, SaverState& state, SettingsStore& store) {
  for (const SettingRow& row : AllSettings()) {
    if (row.group == group) LoadSetting(row, state, store);
  }
}

}  // namespace

void TakeDefaults(SaverState& state) {
  for (const SettingRow& row : AllSettings()) TakeDefault(row, state);
}

void LoadSetting(const SettingRow& row, SaverState& state, SettingsStore& store) {
  TakeDefault(row, state);
  if (!row.In(store.Place())) return;
  if (row.type == SettingType::Text) {
    // A value that is not a usable text (too long, broken, with control
    // characters) counts as none.
    std::string text;
    if (store.ReadText(row.group, row.name, &text) && IsSettingText(text)) state.*row.text = text;
    return;
  }
  std::int32_t value = 0;
  if (!store.ReadNumber(row.group, row.name, &value)) return;
  if (value < row.low || value > row.high) {
    store.Unusable(row.name, "is " + std::to_string(value) + ", not from " + row.Range());
    return;
  }
  state.*row.number = value;
}

void SaveSetting(const SettingRow& row, const SaverState& state, SettingsStore& store) {
  if (!row.In(store.Place())) return;
  if (row.type == SettingType::Text) {
    const std::string& text = state.*row.text;
    store.WriteText(row.group, row.name, IsSettingText(text) ? text : std::string());
  } else {
    store.WriteNumber(row.group, row.name, state.*row.number);
  }
}

void LoadSystemSettings(SaverState& state, SettingsStore& store) {
  LoadGroup(SettingsGroup::System, state, store);
  state.inPasswordCheck = 0;
}

void LoadSettings(SaverState& state, SettingsStore& store) { LoadGroup(SettingsGroup::Program, state, store); }

void SaveSettings(const SaverState& state, SettingsStore& store) {
  store.BeginUpdate();
  for (const SettingRow& row : AllSettings()) {
    if (row.group == SettingsGroup::Program) SaveSetting(row, state, store);
  }
  store.EndUpdate();
}

void Choose(SettingChoices& choices, SettingChoice choice) {
  for (SettingChoice& earlier : choices) {
    if (earlier.row == choice.row) {
      earlier = std::move(choice);
      return;
    }
  }
  choices.push_back(std::move(choice));
}

void ApplyChoices(const SettingChoices& choices, SaverState& state) {
  for (const SettingChoice& choice : choices) {
    if (choice.row->type == SettingType::Text) {
      state.*choice.row->text = choice.text;
    } else {
      state.*choice.row->number = choice.number;
    }
  }
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
