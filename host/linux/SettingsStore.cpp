#include "host/linux/SettingsStore.h"

#include <glib.h>
#include <glib/gstdio.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host/System.h"

namespace settings {

const char* const kSystemGroup = "Software\\Microsoft\\Windows\\CurrentVersion\\Screen Savers";
const char* const kProgramGroup = "Software\\Pomwick\\Vostrand";
const char* const kPasswordDelay = setting::kPasswordDelay;
const char* const kMouseThreshold = setting::kMouseThreshold;
const char* const kUseMirrors = setting::kUseMirrors;

namespace {

// Owns a GKeyFile and a GError for the length of one operation.
struct KeyFile {
  GKeyFile* file = g_key_file_new();
  GError* error = nullptr;
  ~KeyFile() {
    g_key_file_free(file);
    if (error != nullptr) g_error_free(error);
  }
  void ClearError() { g_clear_error(&error); }
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string HomeDirectory() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return home;
  const passwd* entry = getpwuid(getuid());
  if (entry != nullptr && entry->pw_dir != nullptr && entry->pw_dir[0] == '/') return entry->pw_dir;
  return std::string();
}

bool ReplaceFile(const std::string& path, const gchar* data, gsize length) {
  GError* error = nullptr;
  const bool ok = g_file_set_contents_full(path.c_str(), data, static_cast<gssize>(length),
                                           static_cast<GFileSetContentsFlags>(G_FILE_SET_CONTENTS_CONSISTENT |
                                                                              G_FILE_SET_CONTENTS_DURABLE),
                                           0600, &error);
  if (error != nullptr) g_error_free(error);
  return ok;
}

}  // namespace

bool ParseValue(const char* text, std::int32_t* value) {
  if (text == nullptr) return false;
  const char* p = text;
  while (IsBlank(*p)) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') {
    negative = *p == '-';
    ++p;
  }
  if (*p < '0' || *p > '9') return false;
  std::int64_t magnitude = 0;
  while (*p >= '0' && *p <= '9') {
    magnitude = magnitude * 10 + (*p - '0');
    if (magnitude > static_cast<std::int64_t>(INT32_MAX) + 1) return false;
    ++p;
  }
  while (IsBlank(*p)) ++p;
  if (*p != '\0') return false;
  const std::int64_t result = negative ? -magnitude : magnitude;
  if (result > INT32_MAX || result < INT32_MIN) return false;
  *value = static_cast<std::int32_t>(result);
  return true;
}

std::string SettingsPath() {
  std::string base;
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config != nullptr && config[0] == '/') {
    base = config;
  } else {
    const std::string home = HomeDirectory();
    if (home.empty()) return std::string();
    base = home + "/.config";
  }
  return base + "/zirbel/settings.ini";
}

namespace {

// One entry of the file: as it stands (`escaped`), or unescaped as a string.
bool ReadEntry(const std::string& path, const char* group, const char* key, bool escaped, std::string* value) {
  // Only a regular file is read: opening a named pipe would wait for a writer.
  if (path.empty() || !g_file_test(path.c_str(), G_FILE_TEST_IS_REGULAR)) return false;
  KeyFile keys;
  if (!g_key_file_load_from_file(keys.file, path.c_str(), G_KEY_FILE_NONE, &keys.error)) return false;
  gchar* text = escaped ? g_key_file_get_value(keys.file, group, key, &keys.error)
                        : g_key_file_get_string(keys.file, group, key, &keys.error);
  if (text == nullptr) return false;
  *value = text;
  g_free(text);
  return true;
}

// Sets one entry with `set`, keeping everything else the file holds.
template <typename Set>
WriteResult WriteEntry(const std::string& path, Set set) {
  if (path.empty()) return WriteResult::Failed;
  gchar* directory = g_path_get_dirname(path.c_str());
  const int made = g_mkdir_with_parents(directory, 0700);
  g_free(directory);
  if (made != 0) return WriteResult::Failed;

  // Something other than a file in its place (a directory, a named pipe) is
  // left alone.
  if (g_file_test(path.c_str(), G_FILE_TEST_EXISTS) && !g_file_test(path.c_str(), G_FILE_TEST_IS_REGULAR)) {
    return WriteResult::Failed;
  }
  KeyFile keys;
  bool backedUp = false;
  gchar* old = nullptr;
  gsize oldLength = 0;
  if (g_file_get_contents(path.c_str(), &old, &oldLength, &keys.error)) {
    const auto flags = static_cast<GKeyFileFlags>(G_KEY_FILE_KEEP_COMMENTS | G_KEY_FILE_KEEP_TRANSLATIONS);
    // The key-file parser drops what follows a NUL byte on its line, so such
    // a file could not be written back whole: it counts as unparsable.
    const bool binary = std::memchr(old, '\0', oldLength) != nullptr;
    if (binary || !g_key_file_load_from_data(keys.file, old, oldLength, flags, &keys.error)) {
      // Never drop a file we cannot understand: keep it beside, then start anew.
      keys.ClearError();
      if (!ReplaceFile(path + ".bad", old, oldLength)) {
        g_free(old);
        return WriteResult::Failed;
      }
      backedUp = true;
      g_key_file_free(keys.file);
      keys.file = g_key_file_new();
    }
    g_free(old);
  } else {
    // Only a missing file may be created; one that exists but cannot be read
    // (or is not a file) is left alone.
    const bool missing = g_error_matches(keys.error, G_FILE_ERROR, G_FILE_ERROR_NOENT);
    if (!missing) return WriteResult::Failed;
    keys.ClearError();
  }

  set(keys.file);
  gsize length = 0;
  gchar* data = g_key_file_to_data(keys.file, &length, nullptr);
  const bool written = data != nullptr && ReplaceFile(path, data, length);
  g_free(data);
  if (!written) return WriteResult::Failed;
  return backedUp ? WriteResult::WrittenAfterBackup : WriteResult::Written;
}

}  // namespace

bool ReadValue(const std::string& path, const char* group, const char* key, std::int32_t* value) {
  std::string text;
  return ReadEntry(path, group, key, true, &text) && ParseValue(text.c_str(), value);
}

WriteResult WriteValue(const std::string& path, const char* group, const char* key, std::int32_t value) {
  return WriteEntry(path, [&](GKeyFile* file) { g_key_file_set_integer(file, group, key, value); });
}

bool ReadText(const std::string& path, const char* group, const char* key, std::string* value) {
  return ReadEntry(path, group, key, false, value);
}

WriteResult WriteText(const std::string& path, const char* group, const char* key, const std::string& value) {
  return WriteEntry(path, [&](GKeyFile* file) { g_key_file_set_string(file, group, key, value.c_str()); });
}

static const char* GroupName(SettingsGroup group) {
  return group == SettingsGroup::System ? kSystemGroup : kProgramGroup;
}

bool KeyFileStore::ReadNumber(SettingsGroup group, const char* name, std::int32_t* value) {
  return ReadValue(SettingsPath(), GroupName(group), name, value);
}

namespace {

// A save that fails, or that had to set an unparsable file aside, says so.
void ReportWrite(const std::string& path, WriteResult result) {
  if (result == WriteResult::WrittenAfterBackup) {
    std::fprintf(stderr, "zirbel: %s could not be parsed; the old file was kept as %s.bad\n", path.c_str(),
                 path.c_str());
  } else if (result == WriteResult::Failed) {
    std::fprintf(stderr, "zirbel: the setting could not be saved to %s\n",
                 path.empty() ? "(no home directory)" : path.c_str());
  }
}

}  // namespace

void KeyFileStore::Write(std::function<void(GKeyFile*)> set) {
  if (updating_) {
    pending_.push_back(std::move(set));
    return;
  }
  const std::string path = SettingsPath();
  ReportWrite(path, WriteEntry(path, set));
}

void KeyFileStore::BeginUpdate() {
  updating_ = true;
  pending_.clear();
}

void KeyFileStore::EndUpdate() {
  updating_ = false;
  std::vector<std::function<void(GKeyFile*)>> sets;
  sets.swap(pending_);
  if (sets.empty()) return;
  Write([&sets](GKeyFile* file) {
    for (const auto& set : sets) set(file);
  });
}

void KeyFileStore::WriteNumber(SettingsGroup group, const char* name, std::int32_t value) {
  const char* groupName = GroupName(group);
  Write([groupName, name, value](GKeyFile* file) { g_key_file_set_integer(file, groupName, name, value); });
}

bool KeyFileStore::ReadText(SettingsGroup group, const char* name, std::string* value) {
  return settings::ReadText(SettingsPath(), GroupName(group), name, value);
}

void KeyFileStore::WriteText(SettingsGroup group, const char* name, const std::string& value) {
  const char* groupName = GroupName(group);
  Write([groupName, name, value](GKeyFile* file) { g_key_file_set_string(file, groupName, name, value.c_str()); });
}

}  // namespace settings

namespace platform {

SettingsStore& PlatformSettingsStore() {
  static settings::KeyFileStore store;
  return store;
}

}  // namespace platform
