#include "host/web/WebSettingsStore.h"

#include <emscripten.h>

#include <cstdlib>
#include <memory>

#include "host/NumberText.h"

namespace {

// The stored text of `name`, or null (malloc'd; storage may be unavailable).
EM_JS(char*, StoredText, (const char* name), {
  try {
    const text = window.localStorage.getItem('zirbel.' + UTF8ToString(name));
    return text === null ? 0 : allocateUTF8(text);
  } catch (e) {
    return 0;
  }
});

EM_JS(void, StoreText, (const char* name, const char* text), {
  try {
    window.localStorage.setItem('zirbel.' + UTF8ToString(name), UTF8ToString(text));
  } catch (e) {
  }
});

bool Read(SettingsGroup group, const char* name, std::string* value) {
  if (group != SettingsGroup::Program) return false;
  const std::unique_ptr<char, decltype(&std::free)> text(StoredText(name), &std::free);
  if (!text) return false;
  *value = text.get();
  return true;
}

}  // namespace

bool WebSettingsStore::ReadNumber(SettingsGroup group, const char* name, std::int32_t* value) {
  std::string text;
  return Read(group, name, &text) && ParseNumber(text, NumberForm::Stored, INT32_MIN, INT32_MAX, value);
}

void WebSettingsStore::WriteNumber(SettingsGroup group, const char* name, std::int32_t value) {
  if (group == SettingsGroup::Program) StoreText(name, std::to_string(value).c_str());
}

bool WebSettingsStore::ReadText(SettingsGroup group, const char* name, std::string* value) {
  return Read(group, name, value) && IsSettingText(*value);
}

void WebSettingsStore::WriteText(SettingsGroup group, const char* name, const std::string& value) {
  if (group == SettingsGroup::Program) StoreText(name, value.c_str());
}
