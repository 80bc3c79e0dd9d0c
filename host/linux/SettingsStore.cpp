#include "host/linux/SettingsStore.h"

#include <glib.h>
#include <glib/gstdio.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "host/NumberText.h"

namespace settingsfile {

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

std::string ConfigHome() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config != nullptr && config[0] == '/') return config;
  const std::string home = HomeDirectory();
  return home.empty() ? home : home + "/.config";
}

std::string SettingsPath() {
  const std::string base = ConfigHome();
  return base.empty() ? base : base + "/zirbel/settings.ini";
}

namespace {

// The key-file parser takes a UTF-8 byte-order mark for part of the first
// line, so it is passed over.
gsize ByteOrderMark(const gchar* data, gsize length) {
  return length >= 3 && std::memcmp(data, "\xEF\xBB\xBF", 3) == 0 ? 3 : 0;
}

bool LoadKeys(KeyFile& keys, const gchar* data, gsize length, GKeyFileFlags flags) {
  const gsize mark = ByteOrderMark(data, length);
  return g_key_file_load_from_data(keys.file, data + mark, length - mark, flags, &keys.error);
}

// Where the caller asked for it, why a value is not used.
void Say(std::string* problem, std::string why) {
  if (problem != nullptr) *problem = std::move(why);
}

// One entry of the file as it stands (escaped). False when it is not there;
// then `problem` (if any) says why where the file cannot be read.
bool ReadEntry(const std::string& path, const char* group, const char* key, std::string* value,
               std::string* problem) {
  if (path.empty() || !g_file_test(path.c_str(), G_FILE_TEST_EXISTS)) return false;
  // Only a regular file is read: opening a named pipe would wait for a writer.
  if (!g_file_test(path.c_str(), G_FILE_TEST_IS_REGULAR)) {
    Say(problem, path + " is not a regular file; the defaults are used");
    return false;
  }
  KeyFile keys;
  gchar* data = nullptr;
  gsize length = 0;
  if (!g_file_get_contents(path.c_str(), &data, &length, &keys.error)) {
    if (!g_error_matches(keys.error, G_FILE_ERROR, G_FILE_ERROR_NOENT)) {
      Say(problem, std::string(keys.error->message) + "; the defaults are used");  // names the file
    }
    return false;
  }
  const bool parsed = LoadKeys(keys, data, length, G_KEY_FILE_NONE);
  g_free(data);
  if (!parsed) {
    Say(problem, path + " is not a settings file (groups in [brackets], lines of key=value); the defaults are used");
    return false;
  }
  gchar* text = g_key_file_get_value(keys.file, group, key, nullptr);
  if (text == nullptr) return false;
  *value = text;
  g_free(text);
  return true;
}

std::string Unusable(const std::string& path, const char* key, const std::string& why) {
  return path + ": " + key + " " + why + "; its default is used";
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
    if (binary || !LoadKeys(keys, old, oldLength, flags)) {
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

bool ReadValue(const std::string& path, const char* group, const char* key, std::int32_t* value,
               std::string* problem) {
  std::string text;
  if (!ReadEntry(path, group, key, &text, problem)) return false;
  if (ParseNumber(text, NumberForm::Stored, INT32_MIN, INT32_MAX, value)) return true;
  Say(problem, Unusable(path, key, "is not a whole number from -2147483648 to 2147483647"));
  return false;
}

WriteResult WriteValue(const std::string& path, const char* group, const char* key, std::int32_t value) {
  return WriteEntry(path, [&](GKeyFile* file) { g_key_file_set_integer(file, group, key, value); });
}

bool ReadText(const std::string& path, const char* group, const char* key, std::string* value,
              std::string* problem) {
  std::string escaped;
  if (!ReadEntry(path, group, key, &escaped, problem)) return false;
  // The escapes (\s \n \t \r \\) undone; anything else after a backslash
  // leaves the value unusable.
  const char* broken = nullptr;
  std::string text;
  if (!g_utf8_validate(escaped.data(), static_cast<gssize>(escaped.size()), nullptr)) {
    broken = "is not valid UTF-8";
  } else {
    KeyFile keys;
    g_key_file_set_value(keys.file, group, key, escaped.c_str());
    gchar* unescaped = g_key_file_get_string(keys.file, group, key, &keys.error);
    if (unescaped != nullptr) text = unescaped;
    g_free(unescaped);
    broken = keys.error != nullptr || unescaped == nullptr
                 ? "has a backslash that is not one of \\s, \\n, \\t, \\r or \\\\"
                 : SettingTextProblem(text);
  }
  if (broken == nullptr) {
    *value = text;
    return true;
  }
  Say(problem, Unusable(path, key, broken));
  return false;
}

WriteResult WriteText(const std::string& path, const char* group, const char* key, const std::string& value) {
  return WriteEntry(path, [&](GKeyFile* file) { g_key_file_set_string(file, group, key, value.c_str()); });
}

KeyFileStore::KeyFileStore()
    : KeyFileStore([](const std::string& problem) { std::fprintf(stderr, "zirbel: %s\n", problem.c_str()); }) {}

KeyFileStore::KeyFileStore(Report report) : report_(std::move(report)) {}

void KeyFileStore::Tell(const std::string& problem) {
  if (!problem.empty() && reported_.insert(problem).second) report_(problem);
}

void KeyFileStore::Unusable(const char* name, const std::string& why) {
  Tell(settingsfile::Unusable(SettingsPath(), name, why));
}

bool KeyFileStore::ReadNumber(SettingsGroup group, const char* name, std::int32_t* value) {
  std::string problem;
  const bool found = ReadValue(SettingsPath(), SettingsGroupName(group), name, value, &problem);
  Tell(problem);
  return found;
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
  const char* groupName = SettingsGroupName(group);
  Write([groupName, name, value](GKeyFile* file) { g_key_file_set_integer(file, groupName, name, value); });
}

bool KeyFileStore::ReadText(SettingsGroup group, const char* name, std::string* value) {
  std::string problem;
  const bool found = settingsfile::ReadText(SettingsPath(), SettingsGroupName(group), name, value, &problem);
  Tell(problem);
  return found;
}

void KeyFileStore::WriteText(SettingsGroup group, const char* name, const std::string& value) {
  const char* groupName = SettingsGroupName(group);
  Write([groupName, name, value](GKeyFile* file) { g_key_file_set_string(file, groupName, name, value.c_str()); });
}

}  // namespace settingsfile
