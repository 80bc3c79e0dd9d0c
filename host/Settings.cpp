#include "host/Settings.h"

#include "host/SaverState.h"

namespace setting {
const char* const kPasswordDelay = "Password Delay";
const char* const kMouseThreshold = "Mouse Threshold";
const char* const kUseMirrors = "UseMirrors";
const char* const kAllMonitors = "AllMonitors";
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
}

void SaveSettings(const SaverState& state, SettingsStore& store) {
  store.WriteNumber(SettingsGroup::Program, setting::kUseMirrors, state.useMirrors);
  store.WriteNumber(SettingsGroup::Program, setting::kAllMonitors, state.allMonitors);
}
