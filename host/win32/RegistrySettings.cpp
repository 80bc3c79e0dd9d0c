// The settings store in the current user's registry: the system's
// screen-saver values and the saver's own.
#include <windows.h>

#include <cstdint>

#include "host/Settings.h"
#include "host/System.h"

namespace {

const char* KeyPath(SettingsGroup group) {
  return group == SettingsGroup::System ? "Software\\Microsoft\\Windows\\CurrentVersion\\Screen Savers"
                                        : "Software\\Pomwick\\Vostrand";
}

class RegistryStore : public SettingsStore {
 public:
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
};

}  // namespace

namespace platform {

SettingsStore& PlatformSettingsStore() {
  static RegistryStore store;
  return store;
}

}  // namespace platform
