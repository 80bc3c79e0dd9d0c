// The settings store in the current user's registry: the system's
// screen-saver values and the saver's own.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/Settings.h"
#include "host/win32/Win32Host.h"

using win32::ToUtf8;
using win32::ToWide;

namespace {

// Replaces the %VARIABLES% in `text` with their values, as the system does
// for a REG_EXPAND_SZ. False when the text holds a NUL or the result would
// be longer than the system's limit for an expansion.
bool Expand(std::wstring* text) {
  if (text->find(L'\0') != std::wstring::npos) return false;
  constexpr DWORD kMaxExpanded = 32768;  // characters, the end included
  std::vector<wchar_t> expanded(kMaxExpanded, L'\0');
  const DWORD length = ExpandEnvironmentStringsW(text->c_str(), expanded.data(), kMaxExpanded);
  // The length counts the end; 0 is a failure, more than the room a result cut short.
  if (length == 0 || length > kMaxExpanded || expanded[length - 1] != L'\0') return false;
  text->assign(expanded.data(), length - 1);
  return true;
}

const char* KeyPath(SettingsGroup group) { return SettingsGroupName(group); }

class RegistryStore : public SettingsStore {
 public:
  SettingPlace Place() const override { return kInRegistry; }

  // A value of another size or kind (a string, 1 to 3 bytes, more than 4
  // bytes) counts as absent. Opening, never creating: reading leaves the
  // registry as it was.
  bool ReadNumber(SettingsGroup group, const char* name, std::int32_t* value) override {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, KeyPath(group), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return false;
    DWORD type = REG_NONE;
    BYTE buffer[4] = {0, 0, 0, 0};
    DWORD size = sizeof buffer;
    const LONG result = RegQueryValueExA(key, name, nullptr, &type, buffer, &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || size != sizeof buffer || (type != REG_DWORD && type != REG_BINARY)) return false;
    const std::uint32_t bits = static_cast<std::uint32_t>(buffer[0]) | (static_cast<std::uint32_t>(buffer[1]) << 8) |
                               (static_cast<std::uint32_t>(buffer[2]) << 16) |
                               (static_cast<std::uint32_t>(buffer[3]) << 24);
    *value = static_cast<std::int32_t>(bits);
    return true;
  }

  void WriteNumber(SettingsGroup group, const char* name, std::int32_t value) override {
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, KeyPath(group), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, &key, &disposition) != ERROR_SUCCESS) {
      return;
    }
    const DWORD bits = static_cast<DWORD>(value);
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&bits), sizeof bits);
    RegCloseKey(key);
  }

  // A REG_SZ in UTF-16, read through the wide functions so that any path
  // survives, or a REG_EXPAND_SZ with its %VARIABLES% expanded; anything
  // else, or more than a setting's text can hold, counts as absent.
  bool ReadText(SettingsGroup group, const char* name, std::string* value) override {
    std::wstring wide;
    DWORD type = REG_NONE;
    if (!QueryText(group, name, &wide, &type)) return false;
    if (type == REG_EXPAND_SZ && !Expand(&wide)) return false;
    return ToUtf8(wide, value);
  }

  void WriteText(SettingsGroup group, const char* name, const std::string& value) override {
    std::wstring wideName;
    std::wstring wide;
    if (!ToWide(name, &wideName) || !ToWide(value, &wide)) return;
    // A REG_EXPAND_SZ that still names the same folder keeps its variables
    // (a profile folder that moves goes on being found).
    std::wstring stored;
    DWORD type = REG_NONE;
    if (QueryText(group, name, &stored, &type) && type == REG_EXPAND_SZ && Expand(&stored) && stored == wide) return;
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, KeyPath(group), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, &key, &disposition) != ERROR_SUCCESS) {
      return;
    }
    const DWORD size = static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t));
    RegSetValueExW(key, wideName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.c_str()), size);
    RegCloseKey(key);
  }

 private:
  // The text of a REG_SZ or REG_EXPAND_SZ as stored, without its end.
  static bool QueryText(SettingsGroup group, const char* name, std::wstring* wide, DWORD* type) {
    std::wstring wideName;
    if (!ToWide(name, &wideName)) return false;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, KeyPath(group), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return false;
    // Room for the longest text in UTF-16, its end and one more to see a longer one.
    std::vector<wchar_t> buffer(kMaxSettingText + 2, L'\0');
    DWORD size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    const LONG result =
        RegQueryValueExW(key, wideName.c_str(), nullptr, type, reinterpret_cast<BYTE*>(buffer.data()), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || (*type != REG_SZ && *type != REG_EXPAND_SZ) || size % sizeof(wchar_t) != 0) {
      return false;
    }
    wide->assign(buffer.data(), size / sizeof(wchar_t));
    while (!wide->empty() && wide->back() == L'\0') wide->pop_back();  // the end, stored or not
    return true;
  }
};

}  // namespace

namespace win32 {

bool ToWide(const std::string& text, std::wstring* wide) {
  wide->clear();
  if (text.empty()) return true;
  const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0);
  if (length <= 0) return false;
  wide->resize(static_cast<std::size_t>(length));
  return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), &(*wide)[0],
                             length) == length;
}

bool ToUtf8(const std::wstring& wide, std::string* text) {
  text->clear();
  if (wide.empty()) return true;
  const int length = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide.data(), static_cast<int>(wide.size()),
                                         nullptr, 0, nullptr, nullptr);
  if (length <= 0) return false;
  text->resize(static_cast<std::size_t>(length));
  return WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide.data(), static_cast<int>(wide.size()), &(*text)[0],
                             length, nullptr, nullptr) == length;
}

std::unique_ptr<SettingsStore> MakeRegistryStore() { return std::make_unique<RegistryStore>(); }

}  // namespace win32
