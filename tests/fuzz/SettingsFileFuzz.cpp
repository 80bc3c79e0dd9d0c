// Any bytes as the Linux settings file. Reading gives each value or its
// default, never a crash, and a value that is there but not used is
// reported. Saving the program's setting into such a file loses nothing:
// every other value survives, an unparsable file is kept beside as .bad byte
// for byte, and a failed save leaves the file as it was.
#include <glib.h>
#include <glib/gstdio.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <set>
#include <string>

#include "host/SaverState.h"
#include "host/Settings.h"
#include "host/linux/SettingsStore.h"

namespace {

std::string path;
const char* const kProgramGroup = SettingsGroupName(SettingsGroup::Program);

void Require(bool condition) {
  if (!condition) std::abort();
}

std::optional<std::string> ReadRaw(const std::string& file) {
  g_autofree gchar* contents = nullptr;
  gsize length = 0;
  if (!g_file_get_contents(file.c_str(), &contents, &length, nullptr)) return std::nullopt;
  return std::string(contents, length);
}

// The file as the saver parses it: a UTF-8 byte-order mark at the start is
// passed over.
GKeyFile* Parse(const std::string& file) {
  const std::string text = file.substr(file.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0);
  GKeyFile* keys = g_key_file_new();
  const auto flags = static_cast<GKeyFileFlags>(G_KEY_FILE_KEEP_COMMENTS | G_KEY_FILE_KEEP_TRANSLATIONS);
  if (!g_key_file_load_from_data(keys, text.data(), text.size(), flags, nullptr)) {
    g_key_file_free(keys);
    return nullptr;
  }
  return keys;
}

// Reading: each setting of the file holds the stored value where ReadValue
// (ReadText) finds one within its range and its default otherwise; a value
// that is there but not used is reported.
void CheckLoad(const std::string& original) {
  std::set<std::string> reported;
  settingsfile::KeyFileStore store([&reported](const std::string& problem) {
    Require(reported.insert(problem).second);  // each once
  });
  SaverState state;
  LoadSystemSettings(state, store);
  LoadSettings(state, store);
  g_autoptr(GKeyFile) parsed = Parse(original);
  for (const SettingRow& row : AllSettings()) {
    if (!row.In(kInSettingsFile)) continue;
    const char* group = SettingsGroupName(row.group);
    const bool isText = row.type == SettingType::Text;
    std::string problem, text;
    std::int32_t value = 0;
    bool found = isText ? settingsfile::ReadText(path, group, row.name, &text, &problem)
                        : settingsfile::ReadValue(path, group, row.name, &value, &problem);
    if (!isText && found && (value < row.low || value > row.high)) {
      found = false;
      problem = path + ": " + row.name + " is " + std::to_string(value) + ", not from " + row.Range() +
                "; its default is used";
    }
    Require(isText ? state.*row.text == (found ? text : "") : state.*row.number == (found ? value : row.fallback));
    Require(problem.empty() || reported.count(problem) == 1);
    const bool there = parsed != nullptr && g_key_file_has_key(parsed, group, row.name, nullptr);
    Require(!there || found || !problem.empty());
  }
  Require(state.inPasswordCheck == 0);
}

// The parser takes a carriage return before a line's end as part of the line
// end, so a value whose file ends in "\r" without a newline comes back
// without it.
bool SameValue(const gchar* old, const gchar* now) {
  if (old == nullptr || now == nullptr) return old == now;
  std::string a(old);
  if (!a.empty() && a.back() == '\r') a.pop_back();
  return a == now;
}

// Every value of `before` is in `after` unchanged, except the one saved.
void CheckKept(GKeyFile* before, GKeyFile* after) {
  g_auto(GStrv) groups = g_key_file_get_groups(before, nullptr);
  for (gchar** group = groups; *group != nullptr; ++group) {
    g_auto(GStrv) keys = g_key_file_get_keys(before, *group, nullptr, nullptr);
    for (gchar** key = keys; key != nullptr && *key != nullptr; ++key) {
      if (g_strcmp0(*group, kProgramGroup) == 0 && g_strcmp0(*key, setting::kUseMirrors) == 0) continue;
      g_autofree gchar* old = g_key_file_get_value(before, *group, *key, nullptr);
      g_autofree gchar* now = g_key_file_get_value(after, *group, *key, nullptr);
      Require(SameValue(old, now));
    }
  }
}

void CheckSave(const std::string& original, std::int32_t saved) {
  const std::string bad = path + ".bad";
  g_unlink(bad.c_str());
  const settingsfile::WriteResult result = settingsfile::WriteValue(path, kProgramGroup, setting::kUseMirrors, saved);
  const std::optional<std::string> now = ReadRaw(path);
  Require(now.has_value());
  if (result == settingsfile::WriteResult::Failed) {
    Require(*now == original);
    return;
  }
  std::int32_t value = 0;
  Require(settingsfile::ReadValue(path, kProgramGroup, setting::kUseMirrors, &value) && value == saved);
  g_autoptr(GKeyFile) before = Parse(original);
  g_autoptr(GKeyFile) after = Parse(*now);
  Require(after != nullptr);
  if (result == settingsfile::WriteResult::WrittenAfterBackup) {
    // Only a file that cannot be parsed, or holds NUL bytes, is set aside,
    // and then whole.
    const bool binary = original.find('\0') != std::string::npos;
    Require((before == nullptr || binary) && ReadRaw(bad) == original);
  } else {
    Require(before != nullptr && original.find('\0') == std::string::npos);
    CheckKept(before, after);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  gchar* made = g_dir_make_tmp("zirbel-settings-fuzz-XXXXXX", nullptr);  // under $TMPDIR, which the runner removes
  Require(made != nullptr);
  g_setenv("XDG_CONFIG_HOME", made, TRUE);
  const std::string directory = std::string(made) + "/zirbel";
  g_free(made);
  Require(g_mkdir_with_parents(directory.c_str(), 0700) == 0);
  path = settingsfile::SettingsPath();
  Require(path == directory + "/settings.ini");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Require(g_file_set_contents(path.c_str(), reinterpret_cast<const gchar*>(data), static_cast<gssize>(size), nullptr));
  const std::string original(reinterpret_cast<const char*>(data), size);
  CheckLoad(original);
  CheckSave(original, static_cast<std::int32_t>(size % 3) - 1);
  return 0;
}
