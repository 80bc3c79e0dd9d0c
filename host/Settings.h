#pragma once
// The settings as the saver sees them: named values in two groups, the
// system's screen-saver settings and the program's own, kept in a per-user
// store (the registry on Windows, a settings file on Linux). The names and
// defaults are fixed here once; a store only keeps values.
#include <cstddef>
#include <cstdint>
#include <string>

class SaverState;

enum class SettingsGroup {
  System,   // the system's screen-saver settings (read only)
  Program,  // the saver's own settings
};

class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  // Reads a 32-bit number. False, with *value untouched, when the value is
  // missing or is not such a number.
  virtual bool ReadNumber(SettingsGroup group, const char* name, std::int32_t* value) = 0;
  // Stores a 32-bit number, creating the group when it is missing. A failure
  // leaves the store as it was and is not reported to the caller.
  virtual void WriteNumber(SettingsGroup group, const char* name, std::int32_t value) = 0;
  // Reads a text (UTF-8). False, with *value untouched, when the value is
  // missing or is not text.
  virtual bool ReadText(SettingsGroup group, const char* name, std::string* value) = 0;
  // Stores a text in one step, as WriteNumber stores a number.
  virtual void WriteText(SettingsGroup group, const char* name, const std::string& value) = 0;
  // The writes between BeginUpdate and EndUpdate are stored together, all or
  // none, where the store can (a settings file); by default each is stored
  // as it comes.
  virtual void BeginUpdate() {}
  virtual void EndUpdate() {}
};

// The longest text a setting holds, in bytes.
constexpr std::size_t kMaxSettingText = 4096;
// Why `text` cannot be a setting, in words that follow the setting's name
// ("is not valid UTF-8"); null when it can: valid UTF-8 of at most
// kMaxSettingText bytes without control characters.
const char* SettingTextProblem(const std::string& text);
bool IsSettingText(const std::string& text);
// What the configuration dialog says when it refuses `folder` (a path as the
// system gives it) as the photo folder because the setting cannot hold it;
// empty when the folder can be kept.
std::string PhotoFolderRefusal(const std::string& folder);

namespace setting {
extern const char* const kPasswordDelay;   // System: seconds, default 15
extern const char* const kMouseThreshold;  // System: pixels, default 50
extern const char* const kUseMirrors;      // Program: nonzero = on, default 1
extern const char* const kAllMonitors;     // Program: nonzero = a kaleidoscope on every monitor, default 1
extern const char* const kPhotoFolder;     // Program: text, a folder of photos; default none (empty)
}  // namespace setting

// The two system values, defaults first; also ends any password check.
void LoadSystemSettings(SaverState& state, SettingsStore& store);
// The program's own values, defaults first.
void LoadSettings(SaverState& state, SettingsStore& store);
// Writes the program's own values.
void SaveSettings(const SaverState& state, SettingsStore& store);
