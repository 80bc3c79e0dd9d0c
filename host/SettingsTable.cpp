// The table of every setting. A new setting is one row here, its member in
// SaverState, its words in the manual, and its controls where the dialogs
// show it.
#include <cstdint>
#include <utility>

#include "host/SaverState.h"
#include "host/Settings.h"
#include "scene/KaleidoScene.h"

namespace setting {
const char* const kPasswordDelay = "Password Delay";
const char* const kMouseThreshold = "Mouse Threshold";
const char* const kUseMirrors = "UseMirrors";
const char* const kAllMonitors = "AllMonitors";
const char* const kLevels = "Levels";
const char* const kPhotoFolder = "PhotoFolder";
const char* const kIdleMinutes = "IdleMinutes";
const char* const kLockOnReturn = "LockOnReturn";
}  // namespace setting

namespace {

// A row as written below: the kind first, then where else it appears.
struct Row : SettingRow {
  Row(const char* name, SettingsGroup group, SettingType type, std::uint32_t where)
      : SettingRow{name, group, type, 0, INT32_MIN, INT32_MAX, nullptr, nullptr, where,
                   nullptr, nullptr, {}, nullptr, nullptr} {}
  Row&& Dialog(const char* label) {
    dialogLabel = label;
    places |= kInDialog;
    return std::move(*this);
  }
  Row&& Web(const char* field) {
    webName = field;
    places |= kInWebAddress;
    return std::move(*this);
  }
  Row&& Option(const char* option, const char* value, const char* help, std::int32_t sets = 0) {
    options.push_back(SettingOption{option, value, help, sets});
    places |= kInCommandLine;
    return std::move(*this);
  }
  Row&& Daemon(const char* id, const char* label) {
    daemonId = id;
    daemonLabel = label;
    places |= kInDaemon;
    return std::move(*this);
  }
};

// In both stores, and in the manual with the settings file.
constexpr std::uint32_t kStored = kInRegistry | kInSettingsFile | kInManual;

// Stored settings rely on the whole 32-bit range (a Password Delay of -1);
// a flag is on for any nonzero value.
Row Number(const char* name, SettingsGroup group, std::int32_t SaverState::*member, std::int32_t fallback,
           std::uint32_t places, std::int32_t low = INT32_MIN, std::int32_t high = INT32_MAX) {
  Row row(name, group, SettingType::Number, places);
  row.number = member;
  row.fallback = fallback;
  row.low = low;
  row.high = high;
  return row;
}

Row Flag(const char* name, std::int32_t SaverState::*member, std::int32_t fallback, std::uint32_t places,
         std::int32_t low = INT32_MIN, std::int32_t high = INT32_MAX) {
  Row row = Number(name, SettingsGroup::Program, member, fallback, places, low, high);
  row.type = SettingType::Flag;
  return row;
}

Row Text(const char* name, std::string SaverState::*member, std::uint32_t places) {
  Row row(name, SettingsGroup::Program, SettingType::Text, places);
  row.text = member;
  return row;
}

}  // namespace

const std::vector<SettingRow>& AllSettings() {
  using namespace setting;
  constexpr SettingsGroup kSystem = SettingsGroup::System;
  constexpr SettingsGroup kProgram = SettingsGroup::Program;
  static const std::vector<SettingRow> rows = {
      Number(kPasswordDelay, kSystem, &SaverState::passwordDelay, 15, kStored),
      Number(kMouseThreshold, kSystem, &SaverState::mouseThreshold, 50, kStored),
      Flag(kUseMirrors, &SaverState::useMirrors, 1, kStored | kInWebStorage)
          .Dialog("Use Mirrors")
          .Web("mirrors")
          .Option("--mirrors", nullptr, "mirrors on for this run", 1)
          .Option("--no-mirrors", nullptr, "mirrors off for this run", 0)
          .Daemon("mirrors", "Use mirrors"),
      Flag(kAllMonitors, &SaverState::allMonitors, 1, kStored).Dialog("Show on every monitor"),
      Number(kLevels, kProgram, &SaverState::levels, 1, kInWebStorage | kInManual, 1, kMaxLevels)
          .Web("levels")
          .Option("--levels", "N", "start with N feedback levels")
          .Daemon("levels", "Levels"),
      // The daemon's file chooser: a photo picked there names its folder.
      Text(kPhotoFolder, &SaverState::photoFolder, kStored)
          .Dialog("Photo folder")
          .Option("--photos", "DIR",
                  "show the photos (JPEG, PNG) of DIR and its subfolders; \"\" for the built-in pictures")
          .Daemon("photos", "Photo folder"),
      // The Linux idle watcher and the session lock (Windows has its own
      // timeout and lock); the dialog shows them together.
      Number(kIdleMinutes, kProgram, &SaverState::idleMinutes, 10, kInSettingsFile | kInManual, 1, 120)
          .Dialog("Start after %s minutes of inactivity"),
      // A new flag: only 0 and 1 are its values.
      Flag(kLockOnReturn, &SaverState::lockOnReturn, 1, kInSettingsFile | kInManual, 0, 1)
          .Dialog("Lock the session when the saver ends after the grace period"),
  };
  return rows;
}

const SettingRow* FindSetting(const std::string& name) {
  for (const SettingRow& row : AllSettings()) {
    if (name == row.name) return &row;
  }
  return nullptr;
}

std::string SettingRow::Range() const { return std::to_string(low) + " to " + std::to_string(high); }

const char* SettingsGroupName(SettingsGroup group) {
  return group == SettingsGroup::System ? "Software\\Microsoft\\Windows\\CurrentVersion\\Screen Savers"
                                        : "Software\\Pomwick\\Vostrand";
}
