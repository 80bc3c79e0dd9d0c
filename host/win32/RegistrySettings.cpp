// The settings store in the current user's registry: the system's two
// screen-saver values and the saver's own UseMirrors.
#include <windows.h>

#include <cstdint>

#include "host/SaverState.h"

namespace {

const char kSystemKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Screen Savers";
const char kOwnKey[] = "Software\\Pomwick\\Vostrand";

// Reads a value that holds a 32-bit number into `value`. A value of another
// size or kind (a string, 1 to 3 bytes, more than 4 bytes) counts as absent and
// leaves `value` as it was.
void ReadNumber(HKEY key, const char* name, std::int32_t& value) {
  DWORD type = REG_NONE;
  BYTE buffer[4] = {0, 0, 0, 0};
  DWORD size = sizeof buffer;
  if (RegQueryValueExA(key, name, nullptr, &type, buffer, &size) != ERROR_SUCCESS) return;
  if (size != sizeof buffer || (type != REG_DWORD && type != REG_BINARY)) return;
  const std::uint32_t bits = static_cast<std::uint32_t>(buffer[0]) | (static_cast<std::uint32_t>(buffer[1]) << 8) |
                             (static_cast<std::uint32_t>(buffer[2]) << 16) |
                             (static_cast<std::uint32_t>(buffer[3]) << 24);
  value = static_cast<std::int32_t>(bits);
}

}  // namespace

void SaverState::LoadSystemSettings() {
  passwordDelay = 15;
  mouseThreshold = 50;
  inPasswordCheck = 0;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kSystemKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
  ReadNumber(key, "Password Delay", passwordDelay);
  ReadNumber(key, "Mouse Threshold", mouseThreshold);
  RegCloseKey(key);
}

void SaverState::LoadSettings() {
  useMirrors = 1;
  HKEY key = nullptr;
  // Opening, never creating: reading leaves the registry as it was.
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kOwnKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
  ReadNumber(key, "UseMirrors", useMirrors);
  RegCloseKey(key);
}

void SaverState::SaveSettings() {
  HKEY key = nullptr;
  DWORD disposition = 0;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kOwnKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                      &disposition) != ERROR_SUCCESS) {
    return;
  }
  const DWORD value = static_cast<DWORD>(useMirrors);
  RegSetValueExA(key, "UseMirrors", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
  RegCloseKey(key);
}
