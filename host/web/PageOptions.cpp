#include "host/web/PageOptions.h"

#include <cstdlib>
#include <utility>

#include "field/KeyCodes.h"
#include "host/NumberText.h"
#include "host/SaverState.h"

namespace {

// The setting whose web name is `name` with its value, if in range.
bool ReadSetting(const std::string& name, const std::string& value, SettingChoices* choices) {
  for (const SettingRow& row : AllSettings()) {
    if (!row.In(kInWebAddress) || name != row.webName) continue;
    const bool flag = row.type == SettingType::Flag;
    std::int32_t number = 0;
    if (ParseNumber(value, NumberForm::Stored, flag ? 0 : row.low, flag ? 1 : row.high, &number)) {
      Choose(*choices, SettingChoice{&row, number, std::string()});
    }
    return true;
  }
  return false;
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
    if (ReadSetting(name, value, &options.settings)) continue;
    if (name == "seed" && ParseNumber(value, NumberForm::Stored, 0, 0xFFFFFFFFll, &options.seed)) {
      options.seedGiven = true;
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

void LoadPageSettings(const PageOptions& options, SettingsStore& store, SaverState& state) {
  LoadSettings(state, store);
  ApplyChoices(options.settings, state);
  for (const SettingChoice& choice : options.settings) SaveSetting(*choice.row, state, store);
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
