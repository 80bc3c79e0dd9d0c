// zirbel-registry-test.exe: the saver's settings store against the real
// registry (of the Wine prefix). Prints one line per check; exit code 0 when
// every check passed.
#include <windows.h>

#include <cstdint>
#include <cstdio>

#include "host/SaverState.h"
#include "host/Settings.h"
#include "host/System.h"

namespace {

int failures = 0;

void Check(bool ok, const char* what) {
  std::printf("%s: %s\n", ok ? "ok" : "FAILED", what);
  if (!ok) ++failures;
}

const char kSystemKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Screen Savers";
const char kOwnKey[] = "Software\\Pomwick\\Vostrand";

void DeleteValue(const char* keyPath, const char* name) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
  RegDeleteValueA(key, name);
  RegCloseKey(key);
}

void SetValue(const char* keyPath, const char* name, DWORD type, const void* data, DWORD size) {
  HKEY key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, keyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    Check(false, "the test can write the registry");
    return;
  }
  RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
  RegCloseKey(key);
}

void SetNumber(const char* keyPath, const char* name, std::uint32_t value) {
  SetValue(keyPath, name, REG_DWORD, &value, sizeof value);
}

bool OwnKeyExists() {
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kOwnKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

void ClearAll() {
  DeleteValue(kSystemKey, "Password Delay");
  DeleteValue(kSystemKey, "Mouse Threshold");
  RegDeleteKeyA(HKEY_CURRENT_USER, kOwnKey);
}

SaverState Loaded() {
  SaverState state;
  state.passwordDelay = 777;
  state.mouseThreshold = 777;
  state.inPasswordCheck = 1;
  state.useMirrors = 777;
  LoadSystemSettings(state, platform::PlatformSettingsStore());
  LoadSettings(state, platform::PlatformSettingsStore());
  return state;
}

void Defaults() {
  ClearAll();
  const SaverState state = Loaded();
  Check(state.passwordDelay == 15 && state.mouseThreshold == 50 && state.useMirrors == 1,
        "with nothing stored: delay 15, threshold 50, mirrors 1");
  Check(state.inPasswordCheck == 0, "loading clears the password-check flag");
  Check(!OwnKeyExists(), "reading does not create the saver's key");
}

void Numbers() {
  ClearAll();
  SetNumber(kSystemKey, "Mouse Threshold", 10);
  SaverState state = Loaded();
  Check(state.mouseThreshold == 10 && state.passwordDelay == 15, "only the threshold stored: 10, delay stays 15");
  SetNumber(kSystemKey, "Password Delay", 0xffffffffu);
  state = Loaded();
  Check(state.passwordDelay == -1, "a delay of 0xffffffff reads as -1");
  const std::uint32_t binary = 42;
  SetValue(kSystemKey, "Password Delay", REG_BINARY, &binary, sizeof binary);
  state = Loaded();
  Check(state.passwordDelay == 42, "a 4-byte binary value is a number");
  SetNumber(kOwnKey, "UseMirrors", 0);
  Check(Loaded().useMirrors == 0, "UseMirrors 0 turns mirroring off");
  SetNumber(kOwnKey, "UseMirrors", 5);
  Check(Loaded().useMirrors == 5, "UseMirrors 5 keeps it on");
}

void NotNumbers() {
  ClearAll();
  SetValue(kSystemKey, "Mouse Threshold", REG_SZ, "10", 3);
  Check(Loaded().mouseThreshold == 50, "a threshold stored as a string counts as absent");
  const unsigned char three[3] = {10, 0, 0};
  SetValue(kSystemKey, "Mouse Threshold", REG_BINARY, three, sizeof three);
  Check(Loaded().mouseThreshold == 50, "a threshold of 3 bytes counts as absent");
  const std::uint64_t eight = 10;
  SetValue(kSystemKey, "Mouse Threshold", REG_QWORD, &eight, sizeof eight);
  Check(Loaded().mouseThreshold == 50, "a threshold of 8 bytes counts as absent");
  SetValue(kSystemKey, "Password Delay", REG_SZ, "", 1);
  Check(Loaded().passwordDelay == 15, "an empty string delay counts as absent");
  SetValue(kOwnKey, "UseMirrors", REG_SZ, "", 1);
  Check(Loaded().useMirrors == 1, "UseMirrors stored as an empty string counts as absent");
}

void Save() {
  ClearAll();
  SaverState state = Loaded();
  state.useMirrors = 0;
  SaveSettings(state, platform::PlatformSettingsStore());
  Check(OwnKeyExists(), "saving creates the saver's key");
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kOwnKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
    DWORD type = 0, value = 99, size = sizeof value, values = 0;
    RegQueryValueExA(key, "UseMirrors", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    Check(type == REG_DWORD && size == 4 && value == 0, "UseMirrors is saved as the DWORD 0");
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                     nullptr);
    Check(values == 1, "the key holds only UseMirrors");
    RegCloseKey(key);
  }
  state.useMirrors = 1;
  SaveSettings(state, platform::PlatformSettingsStore());
  Check(Loaded().useMirrors == 1, "a second save replaces the value");
  ClearAll();
}

}  // namespace

int main() {
  Defaults();
  Numbers();
  NotNumbers();
  Save();
  return failures == 0 ? 0 : 1;
}
