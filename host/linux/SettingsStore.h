#pragma once
// The per-user settings file of the Linux build: a key file with a group for
// each of the two groups of settings (named as their registry keys are, see
// SettingsGroupName), holding the settings the table puts in the file:
// 32-bit numbers as decimal text, texts as the key file escapes them.
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "host/Settings.h"

typedef struct _GKeyFile GKeyFile;

namespace settingsfile {

// $XDG_CONFIG_HOME/zirbel/settings.ini, or ~/.config/zirbel/settings.ini when
// XDG_CONFIG_HOME is unset or not an absolute path. Empty when no home
// directory can be found.
std::string SettingsPath();
// $XDG_CONFIG_HOME when it is an absolute path, else ~/.config (the settings
// file is in its zirbel folder); empty when no home directory can be found.
std::string ConfigHome();

// Reads one value. False (and *value untouched) when the file, the group or
// the key is missing, the file cannot be read or parsed, or the value is not a
// whole number within the signed 32-bit range (NumberForm::Stored); in the last cases, and in
// those of ReadText, `problem` gets a sentence that names the file, the key
// and what is wrong. A UTF-8 byte-order mark at the start is passed over.
bool ReadValue(const std::string& path, const char* group, const char* key, std::int32_t* value,
               std::string* problem = nullptr);

enum class WriteResult {
  Written,
  // The existing file could not be parsed; it was kept beside as
  // <path>.bad and a new file holding only the written value replaced it.
  WrittenAfterBackup,
  Failed,  // nothing was changed on disk
};

// Sets one value, keeping everything else the file holds. The file is
// replaced atomically (a temporary file in the same directory, flushed to
// disk, then renamed), so an interrupted write leaves the old file intact.
WriteResult WriteValue(const std::string& path, const char* group, const char* key, std::int32_t value);

// The same for a text value, kept as the key file escapes it. A value that
// is not a setting's text (IsSettingText), or has a broken escape, is
// unusable.
bool ReadText(const std::string& path, const char* group, const char* key, std::string* value,
              std::string* problem = nullptr);
WriteResult WriteText(const std::string& path, const char* group, const char* key, const std::string& value);

// The settings file as the saver's settings store. A save that fails, or that
// had to set an unparsable file aside, says so on standard error; a stored
// value that cannot be used (or a file that cannot be read) is told to
// `report`, by default standard error ("zirbel: " before it), once in the
// life of the store.
class KeyFileStore : public SettingsStore {
 public:
  using Report = std::function<void(const std::string& problem)>;
  KeyFileStore();
  explicit KeyFileStore(Report report);
  SettingPlace Place() const override { return kInSettingsFile; }
  bool ReadNumber(SettingsGroup group, const char* name, std::int32_t* value) override;
  void WriteNumber(SettingsGroup group, const char* name, std::int32_t value) override;
  bool ReadText(SettingsGroup group, const char* name, std::string* value) override;
  void WriteText(SettingsGroup group, const char* name, const std::string& value) override;
  // One replacement of the file for every write in between.
  void BeginUpdate() override;
  void EndUpdate() override;
  // "<file>: <name> <why>; its default is used".
  void Unusable(const char* name, const std::string& why) override;

 private:
  // Stores one entry now, or keeps it for EndUpdate.
  void Write(std::function<void(GKeyFile*)> set);
  void Tell(const std::string& problem);
  Report report_;
  std::set<std::string> reported_;
  bool updating_ = false;
  std::vector<std::function<void(GKeyFile*)>> pending_;
};

}  // namespace settingsfile
