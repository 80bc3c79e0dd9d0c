#pragma once
// The settings: one table with a row per setting (SettingsTable.cpp) that
// gives its name, group, type, default, range, the SaverState member it fills
// and where it appears. Loading, saving and checking a setting, the
// configuration dialogs, the Linux program's options, the daemon's settings
// description and the web page's address all read the rows; a store (the
// registry on Windows, a settings file on Linux, the web page's local
// storage) only keeps values.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class SaverState;

enum class SettingsGroup {
  System,   // the system's screen-saver settings (read only)
  Program,  // the saver's own settings
};
// The group's name in a store: its registry key under HKEY_CURRENT_USER, which
// the settings file takes for its group.
const char* SettingsGroupName(SettingsGroup group);

enum class SettingType {
  Number,  // a whole number within the row's range
  Flag,    // a number, nonzero for on
  Text,    // UTF-8 text (IsSettingText); empty by default
};

// Where a setting appears: the bits of SettingRow::places. A store is one of
// the first three and keeps the rows that name it.
enum SettingPlace : std::uint32_t {
  kInRegistry = 1u << 0,      // the registry (Windows)
  kInSettingsFile = 1u << 1,  // the settings file (Linux)
  kInWebStorage = 1u << 2,    // the web page's local storage ("zirbel.<name>")
  kInDialog = 1u << 3,        // the configuration dialogs
  kInWebAddress = 1u << 4,    // the web page's address (webName=value)
  kInCommandLine = 1u << 5,   // the Linux program's options
  kInDaemon = 1u << 6,        // the daemon's settings description (zirbel.xml)
  kInManual = 1u << 7,        // the manual page, by its options and its key in the settings file
};

// A command-line option that sets a setting for one run, over the stored value.
struct SettingOption {
  const char* name;   // "--levels"
  const char* value;  // the value's name in the usage text ("N"), or null for a switch
  const char* help;   // the usage text's words; a number's range follows them
  std::int32_t sets;  // a switch: the value it sets
};

struct SettingRow {
  const char* name;  // as stored: the registry value, the settings file's key, the local-storage entry
  SettingsGroup group;
  SettingType type;
  std::int32_t fallback;  // a number's or a flag's default
  std::int32_t low;       // a number's range; a flag and a full-range number take every 32-bit value
  std::int32_t high;
  std::int32_t SaverState::*number;  // Number and Flag: the member it fills
  std::string SaverState::*text;     // Text: the member it fills
  std::uint32_t places;              // SettingPlace bits
  const char* dialogLabel;           // kInDialog: the Linux dialog's words for it
  const char* webName;               // kInWebAddress: the address's name for it
  std::vector<SettingOption> options;  // kInCommandLine
  const char* daemonId;                // kInDaemon: the daemon dialog's name and label for it
  const char* daemonLabel;

  bool In(std::uint32_t place) const { return (places & place) != 0; }
  // The range in words: "1 to 10".
  std::string Range() const;
};

// Every setting, in the order they are saved and listed.
const std::vector<SettingRow>& AllSettings();
// The row named `name`; null when there is none.
const SettingRow* FindSetting(const std::string& name);

namespace setting {
extern const char* const kPasswordDelay;   // System: seconds
extern const char* const kMouseThreshold;  // System: pixels
extern const char* const kUseMirrors;      // Program: the mirror segments
extern const char* const kAllMonitors;     // Program: a kaleidoscope on every monitor, else the primary only
extern const char* const kLevels;          // Program: the feedback levels the scenes start with
extern const char* const kPhotoFolder;     // Program: a folder of photos; empty: the built-in pictures
extern const char* const kIdleMinutes;     // Program: minutes without input before the idle watcher starts the saver
extern const char* const kLockOnReturn;    // Program: a close after the grace period locks the session
}  // namespace setting

class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  // Which store this is (kInRegistry, kInSettingsFile or kInWebStorage):
  // only the rows that name it are read from it and written to it.
  virtual SettingPlace Place() const = 0;
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
  // A value read that cannot be used, and `why` in words that follow its
  // name; its default is used. Told where the store can (the settings file:
  // on standard error); by default nowhere.
  virtual void Unusable(const char* /*name*/, const std::string& /*why*/) {}
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

// Every setting of `state` at its default.
void TakeDefaults(SaverState& state);
// One setting: its default, then the value `store` keeps, where it keeps the
// row and the value is usable (within the range, a setting's text).
void LoadSetting(const SettingRow& row, SaverState& state, SettingsStore& store);
// Writes one setting, where `store` keeps the row; a text that cannot be a
// setting is written empty.
void SaveSetting(const SettingRow& row, const SaverState& state, SettingsStore& store);
// The system's settings, as LoadSetting loads them; also ends any password check.
void LoadSystemSettings(SaverState& state, SettingsStore& store);
// The program's own settings, as LoadSetting loads them.
void LoadSettings(SaverState& state, SettingsStore& store);
// Writes the program's own settings that `store` keeps, in one update.
void SaveSettings(const SaverState& state, SettingsStore& store);

// A value given for one run (a command-line option, the web page's
// address), over the one loaded.
struct SettingChoice {
  const SettingRow* row;
  std::int32_t number;  // Number and Flag
  std::string text;     // Text
};
using SettingChoices = std::vector<SettingChoice>;
// Adds `choice`, in place of an earlier one for the same setting.
void Choose(SettingChoices& choices, SettingChoice choice);
// Puts each choice into its member of `state`.
void ApplyChoices(const SettingChoices& choices, SaverState& state);
