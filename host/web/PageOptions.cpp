#include "host/web/PageOptions.h"

#include <cstdlib>
#include <utility>

#include "field/KeyCodes.h"
#include "host/NumberText.h"
#include "host/SaverState.h"
#include "scene/KaleidoScene.h"

const char* const kLevelsSetting = "Levels";

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
    constexpr NumberForm kForm = NumberForm::Stored;
    if (name == "seed") {
      if (ParseNumber(value, kForm, 0, 0xFFFFFFFFll, &options.seed)) options.seedGiven = true;
    } else if (name == "levels") {
      ParseNumber(value, kForm, 1, kMaxLevels, &options.levels);
    } else if (name == "mirrors") {
      ParseNumber(value, kForm, 0, 1, &options.mirrors);
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

bool PacedFrames::Tick(double nowMs, bool visible) {
  if (!visible) {
    paused_ = started_;
    return false;
  }
  if (paused_) {
    renderer_.Resume();
    paused_ = false;
    due_ = nowMs;
  }
  if (started_ && nowMs < due_) return false;
  started_ = true;
  renderer_.RenderFrame(flags_);
  // The delay is read after the frame, so a change made during it counts now.
  due_ = nowMs + renderer_.SleepMs();
  return true;
}
