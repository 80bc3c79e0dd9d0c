#pragma once
// The settings in the page's local storage, one entry per setting the table
// keeps there ("zirbel.UseMirrors", "zirbel.Levels"); the others, the
// system's among them, keep their defaults.
#include "host/Settings.h"

class WebSettingsStore : public SettingsStore {
 public:
  SettingPlace Place() const override { return kInWebStorage; }
  bool ReadNumber(SettingsGroup group, const char* name, std::int32_t* value) override;
  void WriteNumber(SettingsGroup group, const char* name, std::int32_t value) override;
  bool ReadText(SettingsGroup group, const char* name, std::string* value) override;
  void WriteText(SettingsGroup group, const char* name, const std::string& value) override;
};
