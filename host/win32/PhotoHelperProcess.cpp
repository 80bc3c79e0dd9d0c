// The photo helper on Windows. The saver's side: the helper is the .scr
// itself started with the helper argument, with a low-integrity token, in a
// job object (a memory limit, killed when the saver's handle closes, no
// process of its own, no access to the desktop, the clipboard or the
// system's settings), talking over two anonymous pipes as its standard input
// and output and inheriting nothing else. Each photo is opened here and its
// handle duplicated into the helper; the handle's value goes before the
// request. The helper's side: the same pipes, the photo read from the handle.
#include <windows.h>
#define PSAPI_VERSION 1  // GetProcessMemoryInfo from psapi.dll, as Vista has it
#include <psapi.h>
#include <sddl.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "host/win32/PhotoHelperProcess.h"
#include "images/PhotoDecode.h"

namespace win32 {

namespace {

#ifdef _WIN64
constexpr SIZE_T kMemoryBytes = SIZE_T{1} << 30;
#else
constexpr SIZE_T kMemoryBytes = SIZE_T{768} << 20;  // within the 2 GiB a 32-bit process has
#endif

bool WriteAll(HANDLE pipe, const unsigned char* data, std::size_t size) {
  while (size > 0) {
    DWORD written = 0;
    if (!WriteFile(pipe, data, static_cast<DWORD>(size), &written, nullptr) || written == 0) return false;
    data += written;
    size -= written;
  }
  return true;
}

bool ReadAll(HANDLE pipe, unsigned char* to, std::size_t size) {
  while (size > 0) {
    DWORD got = 0;
    if (!ReadFile(pipe, to, static_cast<DWORD>(size), &got, nullptr) || got == 0) return false;
    to += got;
    size -= got;
  }
  return true;
}

class WinPhoto : public photohelper::OpenPhoto {
 public:
  explicit WinPhoto(HANDLE file) : file(file) {}
  ~WinPhoto() override { CloseHandle(file); }
  const HANDLE file;
};

class WinHelper : public photohelper::HelperProcess {
 public:
  WinHelper(HANDLE process, HANDLE job, HANDLE to, HANDLE from) : process_(process), job_(job), to_(to), from_(from) {}
  ~WinHelper() override {
    Kill();
    for (HANDLE h : {to_, from_, process_, job_}) CloseHandle(h);  // the job's close kills what is left
  }

  bool Send(const std::vector<unsigned char>& message, photohelper::OpenPhoto* file) override {
    HANDLE remote = nullptr;
    if (file != nullptr && !DuplicateHandle(GetCurrentProcess(), static_cast<WinPhoto*>(file)->file, process_, &remote,
                                            GENERIC_READ, FALSE, 0)) {
      return false;
    }
    const std::uint64_t value = reinterpret_cast<std::uintptr_t>(remote);
    unsigned char prefix[8];
    for (int i = 0; i < 8; ++i) prefix[i] = static_cast<unsigned char>(value >> (8 * i));
    return WriteAll(to_, prefix, 8) && WriteAll(to_, message.data(), message.size());
  }

  long long Receive(unsigned char* to, std::size_t count, std::chrono::milliseconds wait) override {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
      DWORD available = 0;
      if (!PeekNamedPipe(from_, nullptr, 0, nullptr, &available, nullptr)) return -1;  // gone
      if (available > 0) {
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(count < available ? count : available);
        return ReadFile(from_, to, want, &got, nullptr) && got > 0 ? got : -1;
      }
      if (WaitForSingleObject(process_, 1) == WAIT_OBJECT_0) {
        if (PeekNamedPipe(from_, nullptr, 0, nullptr, &available, nullptr) && available > 0) continue;
        return -1;
      }
      if (std::chrono::steady_clock::now() >= deadline) return 0;
    }
  }

  void Kill() override { TerminateJobObject(job_, 1); }

  std::string HowItEnded() override {
    DWORD code = 0;
    if (WaitForSingleObject(process_, 2000) != WAIT_OBJECT_0 || !GetExitCodeProcess(process_, &code)) return "ended";
    switch (code) {
      case 0xC0000005: return "crashed (access violation)";
      case 0xC00000FD: return "crashed (stack overflow)";
      case 0xC0000017: case 0xC000012D: return "ran out of its memory";
      case 0xC0000409: return "crashed (a broken stack or an abort)";
      case 1: return "was killed";
      default: break;
    }
    char text[64];
    std::snprintf(text, sizeof text, "ended (exit code 0x%lX)", static_cast<unsigned long>(code));
    return text;
  }

 private:
  const HANDLE process_, job_, to_, from_;
};

// A primary token like the saver's, at low integrity.
HANDLE LowIntegrityToken() {
  HANDLE own = nullptr, token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_QUERY | TOKEN_ASSIGN_PRIMARY | TOKEN_ADJUST_DEFAULT,
                        &own)) {
    return nullptr;
  }
  PSID low = nullptr;
  const bool made = DuplicateTokenEx(own, 0, nullptr, SecurityImpersonation, TokenPrimary, &token) &&
                    ConvertStringSidToSidW(L"S-1-16-4096", &low);
  CloseHandle(own);
  TOKEN_MANDATORY_LABEL label = {};
  label.Label.Attributes = SE_GROUP_INTEGRITY;
  label.Label.Sid = low;
  const bool lowered = made && SetTokenInformation(token, TokenIntegrityLevel, &label,
                                                   sizeof label + GetLengthSid(low));
  if (low != nullptr) LocalFree(low);
  if (!lowered && token != nullptr) CloseHandle(token);
  return lowered ? token : nullptr;
}

HANDLE ConfiningJob() {
  HANDLE job = CreateJobObjectW(nullptr, nullptr);
  if (job == nullptr) return nullptr;
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_PROCESS_MEMORY | JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE |
                                            JOB_OBJECT_LIMIT_ACTIVE_PROCESS | JOB_OBJECT_LIMIT_DIE_ON_UNHANDLED_EXCEPTION;
  limits.BasicLimitInformation.ActiveProcessLimit = 1;
  limits.ProcessMemoryLimit = kMemoryBytes;
  JOBOBJECT_BASIC_UI_RESTRICTIONS ui = {};
  ui.UIRestrictionsClass = JOB_OBJECT_UILIMIT_DESKTOP | JOB_OBJECT_UILIMIT_DISPLAYSETTINGS | JOB_OBJECT_UILIMIT_EXITWINDOWS |
                           JOB_OBJECT_UILIMIT_GLOBALATOMS | JOB_OBJECT_UILIMIT_HANDLES | JOB_OBJECT_UILIMIT_READCLIPBOARD |
                           JOB_OBJECT_UILIMIT_SYSTEMPARAMETERS | JOB_OBJECT_UILIMIT_WRITECLIPBOARD;
  if (!SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits) ||
      !SetInformationJobObject(job, JobObjectBasicUIRestrictions, &ui, sizeof ui)) {
    CloseHandle(job);
    return nullptr;
  }
  return job;
}

std::string Failure(const char* what) { return std::string(what) + " (error " + std::to_string(GetLastError()) + ")"; }

class WinPlatform : public photohelper::HelperPlatform {
 public:
  std::unique_ptr<photohelper::OpenPhoto> Open(const photo::PathString& path, const photo::ReadBounds& bounds,
                                               std::uint64_t* size, std::string* error) override {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      *error = "cannot be opened (error " + std::to_string(GetLastError()) + ")";
      return nullptr;
    }
    auto photo = std::make_unique<WinPhoto>(file);
    LARGE_INTEGER length = {};
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileSizeEx(file, &length)) {
      *error = "not a regular file";
      return nullptr;
    }
    if (static_cast<std::uint64_t>(length.QuadPart) > bounds.maxBytes) {
      *error = "file too large (" + std::to_string(length.QuadPart) + " bytes)";
      return nullptr;
    }
    *size = static_cast<std::uint64_t>(length.QuadPart);
    return photo;
  }

  std::unique_ptr<photohelper::HelperProcess> Start(std::string* error) override;
};

std::unique_ptr<photohelper::HelperProcess> WinPlatform::Start(std::string* error) {
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE childIn = nullptr, toHelper = nullptr, fromHelper = nullptr, childOut = nullptr;
  if (!CreatePipe(&childIn, &toHelper, &inherit, 0) || !CreatePipe(&fromHelper, &childOut, &inherit, 0)) {
    *error = Failure("no pipe");
    return nullptr;
  }
  SetHandleInformation(toHelper, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(fromHelper, HANDLE_FLAG_INHERIT, 0);
  // Only the two pipe ends are inherited.
  SIZE_T listSize = 0;
  InitializeProcThreadAttributeList(nullptr, 1, 0, &listSize);
  std::vector<unsigned char> list(listSize);
  auto* attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(list.data());
  HANDLE inherited[2] = {childIn, childOut};
  STARTUPINFOEXW startup = {};
  startup.StartupInfo.cb = sizeof startup;
  startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
  startup.StartupInfo.hStdInput = childIn;
  startup.StartupInfo.hStdOutput = childOut;
  startup.lpAttributeList = attributes;
  wchar_t program[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, program, MAX_PATH);
  std::wstring commandLine = L"\"" + std::wstring(program) + L"\" --zirbel-photo-helper";
  HANDLE token = LowIntegrityToken();
  HANDLE job = ConfiningJob();
  PROCESS_INFORMATION started = {};
  bool ok = token != nullptr && job != nullptr && InitializeProcThreadAttributeList(attributes, 1, 0, &listSize) &&
            UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherited, sizeof inherited,
                                      nullptr, nullptr);
  if (ok) {
    ok = CreateProcessAsUserW(token, program, &commandLine[0], nullptr, nullptr, TRUE,
                              CREATE_SUSPENDED | CREATE_NO_WINDOW | EXTENDED_STARTUPINFO_PRESENT, nullptr, nullptr,
                              &startup.StartupInfo, &started);
    DeleteProcThreadAttributeList(attributes);
  }
  *error = ok ? "" : Failure(token == nullptr ? "no low-integrity token" : job == nullptr ? "no job" : "no process");
  if (ok && !AssignProcessToJobObject(job, started.hProcess)) {
    *error = Failure("not confined to its job");
    TerminateProcess(started.hProcess, 1);
    ok = false;
  }
  if (ok) ResumeThread(started.hThread);
  for (HANDLE h : {childIn, childOut, token, started.hThread}) {
    if (h != nullptr) CloseHandle(h);
  }
  if (ok) return std::make_unique<WinHelper>(started.hProcess, job, toHelper, fromHelper);
  for (HANDLE h : {toHelper, fromHelper, job, started.hProcess}) {
    if (h != nullptr) CloseHandle(h);
  }
  return nullptr;
}

// The helper's side: the photo's handle, then the message, on standard input.
class PipeChannel : public photohelper::HelperChannel {
 public:
  PipeChannel() : in_(GetStdHandle(STD_INPUT_HANDLE)), out_(GetStdHandle(STD_OUTPUT_HANDLE)) {}
  ~PipeChannel() override { Take(nullptr); }

  bool Receive(std::vector<unsigned char>* message, std::string* error) override {
    unsigned char head[12];
    if (!ReadAll(in_, head, sizeof head)) return false;
    std::uint64_t value = 0;
    for (int i = 7; i >= 0; --i) value = (value << 8) | head[i];
    Take(reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(value)));
    const std::size_t size = head[8] | (head[9] << 8) | (head[10] << 16) | (std::size_t{head[11]} << 24);
    if (size > photohelper::kMaxMessage) {
      *error = "message too long";
      return false;
    }
    message->assign(head + 8, head + 12);
    message->resize(4 + size);
    return ReadAll(in_, message->data() + 4, size);
  }
  bool Send(const std::vector<unsigned char>& message) override { return WriteAll(out_, message.data(), message.size()); }
  long long ReadFile(unsigned char* to, std::size_t count, std::string* error) override {
    DWORD got = 0;
    if (file_ != nullptr && ::ReadFile(file_, to, static_cast<DWORD>(count), &got, nullptr)) return got;
    *error = "cannot be read (error " + std::to_string(GetLastError()) + ")";
    return -1;
  }
  double ProcessorSeconds() override {
    FILETIME created, ended, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user)) return 0;
    const auto ticks = [](const FILETIME& t) { return (std::uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime; };
    return static_cast<double>(ticks(kernel) + ticks(user)) * 1e-7;
  }
  std::uint64_t PeakBytes() override {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    return GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters) ? counters.PeakPagefileUsage : 0;
  }
  void TryForbidden(const std::string&) override {}  // nothing the token or the job forbids a read of

 private:
  void Take(HANDLE file) {
    if (file_ != nullptr) CloseHandle(file_);
    file_ = file;
  }
  const HANDLE in_, out_;
  HANDLE file_ = nullptr;
};

}  // namespace

std::shared_ptr<photohelper::HelperPlatform> MakeHelperPlatform() { return std::make_shared<WinPlatform>(); }

int RunPhotoHelper() {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  const char* hooks = std::getenv(photohelper::kHookVariable);
  photo::PrepareDecoders();
  PipeChannel channel;
  return photohelper::RunHelper(channel, hooks != nullptr ? hooks : "");
}

}  // namespace win32
