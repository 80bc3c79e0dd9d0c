// The Windows system services: clock, tick count, embedded images, error
// messages.
#include <windows.h>

#include "host/System.h"
#include "host/win32/Win32Host.h"

namespace win32 {

// The executable's handle, the one its WinMain is given.
HINSTANCE ModuleInstance() { return GetModuleHandleA(nullptr); }

}  // namespace win32

namespace platform {

std::int64_t CounterFrequency() {
  LARGE_INTEGER frequency;
  if (!QueryPerformanceFrequency(&frequency)) return 0;
  return frequency.QuadPart;
}

std::int64_t CounterValue() {
  LARGE_INTEGER value;
  if (!QueryPerformanceCounter(&value)) return 0;
  return value.QuadPart;
}

std::uint32_t TickCount() { return GetTickCount(); }

bool FindImageResource(const char* name, const unsigned char** data, std::uint32_t* size) {
  if (name == nullptr || data == nullptr || size == nullptr) return false;
  HINSTANCE module = win32::ModuleInstance();
  HRSRC resource = FindResourceA(module, name, MAKEINTRESOURCEA(10));  // RT_RCDATA
  if (resource == nullptr) return false;
  const DWORD bytes = SizeofResource(module, resource);
  if (bytes == 0) return false;
  HGLOBAL handle = LoadResource(module, resource);
  if (handle == nullptr) return false;
  const void* pointer = LockResource(handle);
  if (pointer == nullptr) return false;
  *data = static_cast<const unsigned char*>(pointer);
  *size = bytes;
  return true;
}

}  // namespace platform

namespace win32 {

SystemCounter::SystemCounter() : useTicks_(platform::CounterFrequency() <= 0) {}

std::int64_t SystemCounter::Frequency() { return useTicks_ ? 1000 : platform::CounterFrequency(); }

std::int64_t SystemCounter::Value() {
  if (!useTicks_) return platform::CounterValue();
  const std::uint32_t tick = GetTickCount();
  if (tick < lastTick_) wraps_ += std::int64_t{1} << 32;
  lastTick_ = tick;
  return wraps_ + tick;
}

void ShowErrorMessage(const char* text) { MessageBoxA(nullptr, text, "Error", MB_OK); }

}  // namespace win32
