#pragma once
// The settings in the page's local storage, one entry per setting
// ("zirbel.UseMirrors"); the system's values are not kept there, so their
// defaults hold.
#include "host/Settings.h"

class WebSettingsStore : public SettingsStore {
 public:
  bool ReadNumber(SettingsGroup group, const char* name, std::int32_t* value) override;
  void WriteNumber(SettingsGroup group, const char* name, std::int32_t value) override;
  bool ReadText(SettingsGroup group, const char* name, std::string* value) override;
  void WriteText(SettingsGroup group, const char* name, const std::string& value) override;
};
