#include "host/web/PageOptions.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "field/KeyCodes.h"
#include "host/SaverState.h"
#include "scene/KaleidoScene.h"

const char* const kLevelsSetting = "Levels";

namespace {

// A whole number in [low, high]; false for anything else.
bool ReadWhole(const std::string& text, long long low, long long high, long long* value) {
  if (text.empty() || text.size() > 12) return false;
  char* end = nullptr;
  const long long v = std::strtoll(text.c_str(), &end, 10);
  if (*end != '\0' || v < low || v > high) return false;
  *value = v;
  return true;
}

}  // namespace

PageOptions ParsePageQuery(const std::string& query) {
  PageOptions options;
  std::size_t at = !query.empty() && query[0] == '?' ? 1 : 0;
  while (at <= query.size()) {
    std::size_t end = query.find('&', at);
    if (end == std::string::npos) end = query.size();
    const std::string pair = query.substr(at, end - at);
    at = end + 1;
    const std::size_t equals = pair.find('=');
    const std::string name = pair.substr(0, equals);
    const std::string value = equals == std::string::npos ? std::string() : pair.substr(equals + 1);
    long long number = 0;
    if (name == "seed" && ReadWhole(value, 0, 0xFFFFFFFFll, &number)) {
      options.seedGiven = true;
      options.seed = static_cast<std::uint32_t>(number);
    } else if (name == "levels" && ReadWhole(value, 1, kMaxLevels, &number)) {
      options.levels = static_cast<std::int32_t>(number);
    } else if (name == "mirrors" && ReadWhole(value, 0, 1, &number)) {
      options.mirrors = static_cast<std::int32_t>(number);
    } else if (name == "time") {
      char* stop = nullptr;
      const double seconds = std::strtod(value.c_str(), &stop);
      if (!value.empty() && *stop == '\0' && seconds >= 0.0 && seconds <= 3600.0) options.time = seconds;
    } else if (name == "still") {
      options.still = true;
    } else if (name == "saver") {
      options.saver = true;
    }
  }
  return options;
}

PageSettings ResolvePageSettings(const PageOptions& options, SettingsStore& store) {
  SaverState state;
  LoadSettings(state, store);
  PageSettings settings;
  settings.useMirrors = state.useMirrors;
  if (options.mirrors >= 0) {
    settings.useMirrors = options.mirrors;
    store.WriteNumber(SettingsGroup::Program, setting::kUseMirrors, options.mirrors);
  }
  settings.levels = options.levels;
  if (settings.levels > 0) {
    store.WriteNumber(SettingsGroup::Program, kLevelsSetting, settings.levels);
  } else if (!store.ReadNumber(SettingsGroup::Program, kLevelsSetting, &settings.levels) || settings.levels < 1 ||
             settings.levels > kMaxLevels) {
    settings.levels = 0;
  }
  return settings;
}

bool KeepPageSetting(SettingsStore& store, const std::string& name, std::int32_t value) {
  const bool mirrors = name == setting::kUseMirrors;
  if (!mirrors && name != kLevelsSetting) return false;
  if (value < (mirrors ? 0 : 1) || value > (mirrors ? 1 : kMaxLevels)) return false;
  store.WriteNumber(SettingsGroup::Program, mirrors ? setting::kUseMirrors : kLevelsSetting, value);
  return true;
}

std::uint32_t LevelKeyFor(std::int32_t levels, std::int32_t step) {
  const std::int32_t wanted = std::max(1, std::min(kMaxLevels, levels + step));
  return keycode::kDigit0 + static_cast<std::uint32_t>(wanted - 1);
}

std::uint32_t KeyCodeForDomCode(const std::string& code) {
  using namespace keycode;
  if (code.size() == 6 && code.compare(0, 5, "Digit") == 0 && code[5] >= '0' && code[5] <= '9') {
    return kDigit0 + static_cast<std::uint32_t>(code[5] - '0');
  }
  if (code.size() == 4 && code.compare(0, 3, "Key") == 0 && code[3] >= 'A' && code[3] <= 'Z') {
    return static_cast<std::uint32_t>(code[3]);
  }
  static const std::pair<const char*, std::uint32_t> kNamed[] = {
      {"ArrowLeft", kLeft}, {"ArrowUp", kUp},         {"ArrowRight", kRight},   {"ArrowDown", kDown},
      {"Space", kSpace},    {"Escape", kEscape},      {"Enter", kReturn},       {"Tab", kTab},
      {"Backspace", kBackspace}, {"ShiftLeft", kShift}, {"ShiftRight", kShift}, {"ControlLeft", kControl},
      {"ControlRight", kControl}, {"AltLeft", kMenu}, {"AltRight", kMenu},      {"PageUp", kPrior},
      {"PageDown", kNext},  {"Home", kHome},          {"End", kEnd},            {"Insert", kInsert},
      {"Delete", kDelete},
  };
  for (const auto& named : kNamed) {
    if (code == named.first) return named.second;
  }
  return 0;
}
