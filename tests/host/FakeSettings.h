#pragma once
// A settings store in memory and the settings in words, for the tests of the
// table and of the places that read it.
#include <map>
#include <string>
#include <vector>

#include "host/NumberText.h"
#include "host/SaverState.h"
#include "host/Settings.h"

// Values by "S.<name>" (the system's group) or "P.<name>" (the program's),
// numbers as text; it logs its writes and updates and keeps what it is told.
struct MapStore : SettingsStore {
  explicit MapStore(SettingPlace where) : place(where) {}
  SettingPlace Place() const override { return place; }
  bool ReadNumber(SettingsGroup group, const char* name, std::int32_t* value) override {
    std::string text;
    return ReadText(group, name, &text) && ParseNumber(text, NumberForm::Stored, INT32_MIN, INT32_MAX, value);
  }
  void WriteNumber(SettingsGroup group, const char* name, std::int32_t value) override {
    WriteText(group, name, std::to_string(value));
  }
  bool ReadText(SettingsGroup group, const char* name, std::string* value) override {
    const auto found = values.find((group == SettingsGroup::System ? "S." : "P.") + std::string(name));
    if (found != values.end()) *value = found->second;
    return found != values.end();
  }
  void WriteText(SettingsGroup group, const char* name, const std::string& value) override {
    const std::string key = (group == SettingsGroup::System ? "S." : "P.") + std::string(name);
    values[key] = value;
    log += key + "=" + value + " ";
  }
  void BeginUpdate() override { log += "[ "; }
  void EndUpdate() override { log += "] "; }
  void Unusable(const char* name, const std::string& why) override { told.push_back(name + (" " + why)); }

  SettingPlace place;
  std::map<std::string, std::string> values;
  std::string log;
  std::vector<std::string> told;
};

// Every setting's value in the order of the table, or each choice as "Name=value".
inline std::string Describe(const SaverState& state) {
  std::string text;
  for (const SettingRow& row : AllSettings()) {
    text += (text.empty() ? "" : " ") +
            (row.type == SettingType::Text ? "'" + state.*row.text + "'" : std::to_string(state.*row.number));
  }
  return text;
}
inline std::string Describe(const SettingChoices& choices) {
  std::string text;
  for (const SettingChoice& choice : choices) {
    text += (text.empty() ? "" : " ") + std::string(choice.row->name) + "=" +
            (choice.row->type == SettingType::Text ? choice.text : std::to_string(choice.number));
  }
  return text;
}
