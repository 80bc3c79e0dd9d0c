// The photo helper's side on Linux: it dies with the thread that started it,
// keeps only the socket to the saver (descriptor 3) and the standard streams,
// readies the decoders, limits itself (address space, processor time, no
// file writes, no core dumps), and then, before it reads a byte of a photo,
// sets no_new_privs and a seccomp filter that allows only what decoding
// needs: it cannot open a file, make a socket, start a program or a process.
#include <fcntl.h>
#include <malloc.h>
#include <seccomp.h>
#include <sched.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "host/linux/PhotoFile.h"
#include "host/linux/PhotoHelperProcess.h"
#include "images/PhotoDecode.h"

namespace linuxhost {

namespace {

constexpr int kSocket = 3;
// The helper's memory beyond what it has mapped once ready: the largest
// photo the bounds allow (a 48-megapixel progressive JPEG, 275 MiB in the
// JPEG library, or a 64-megapixel HEIF decoded whole) with room to spare.
constexpr std::uint64_t kMemoryBytes = std::uint64_t{1} << 30;
constexpr rlim_t kProcessorSeconds = 120;  // the loop asks to be replaced after 60

// Reading, writing and receiving on the socket and the photo's descriptor;
// memory; threads of the decoders (libde265 starts one, dav1d one a core)
// and their locks; clocks and the process's own usage; signals to itself
// (a crash, abort) and its own handlers (the C library's for its threads).
const char* const kAllowed[] = {
    "read", "readv", "write", "writev", "recvmsg", "close", "lseek", "fstat", "brk", "munmap", "mremap",
    "madvise", "futex", "set_robust_list", "rseq", "sched_yield", "sched_getaffinity", "gettid", "getpid",
    "tgkill", "rt_sigaction", "rt_sigprocmask", "rt_sigreturn", "clock_gettime", "clock_getres", "getrusage", "getrandom",
    "restart_syscall", "exit", "exit_group",
#if defined(__SANITIZE_ADDRESS__)
    // The address sanitizer's runtime checks memory through a pipe of its own
    // and gives each thread a signal stack.
    "pipe2", "pipe", "sigaltstack",
#endif
    nullptr};

bool Confine(std::string* error) {
  scmp_filter_ctx filter = seccomp_init(SCMP_ACT_KILL_PROCESS);
  if (filter == nullptr) {
    *error = "no seccomp filter";
    return false;
  }
  int failed = 0;
  for (const char* const* name = kAllowed; *name != nullptr; ++name) {
    const int call = seccomp_syscall_resolve_name(*name);
    if (call != __NR_SCMP_ERROR) failed |= seccomp_rule_add(filter, SCMP_ACT_ALLOW, call, 0);
  }
  // Memory, never executable; a thread, never a process; fstat of a
  // descriptor, never a path.
  failed |= seccomp_rule_add(filter, SCMP_ACT_ALLOW, SCMP_SYS(mmap), 1, SCMP_A2(SCMP_CMP_MASKED_EQ, PROT_EXEC, 0));
  failed |= seccomp_rule_add(filter, SCMP_ACT_ALLOW, SCMP_SYS(mprotect), 1, SCMP_A2(SCMP_CMP_MASKED_EQ, PROT_EXEC, 0));
  failed |= seccomp_rule_add(filter, SCMP_ACT_ALLOW, SCMP_SYS(clone), 1,
                             SCMP_A0(SCMP_CMP_MASKED_EQ, CLONE_THREAD, CLONE_THREAD));
  failed |= seccomp_rule_add(filter, SCMP_ACT_ERRNO(ENOSYS), SCMP_SYS(clone3), 0);  // the C library falls back to clone
  // dav1d names its threads; nothing else of prctl.
  failed |= seccomp_rule_add(filter, SCMP_ACT_ALLOW, SCMP_SYS(prctl), 1, SCMP_A0(SCMP_CMP_EQ, PR_SET_NAME));
  failed |= seccomp_rule_add(filter, SCMP_ACT_ALLOW, SCMP_SYS(newfstatat), 1,
                             SCMP_A3(SCMP_CMP_MASKED_EQ, AT_EMPTY_PATH, AT_EMPTY_PATH));
  if (failed == 0 && prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) failed = -errno;
  if (failed == 0) failed = seccomp_load(filter);
  seccomp_release(filter);
  if (failed != 0) *error = std::string("the sandbox cannot be set up: ") + std::strerror(-failed);
  return failed == 0;
}

// Address space in use now (pages of /proc/self/statm), read before the filter.
std::uint64_t MappedBytes() {
  std::FILE* statm = std::fopen("/proc/self/statm", "r");
  unsigned long long pages = 0;
  if (statm != nullptr) {
    if (std::fscanf(statm, "%llu", &pages) != 1) pages = 0;
    std::fclose(statm);
  }
  return pages * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
}

bool Limit(int resource, rlim_t soft, rlim_t hard) {
  const rlimit limit{soft, hard};
  return setrlimit(resource, &limit) == 0;
}

class SocketChannel : public photohelper::HelperChannel {
 public:
  ~SocketChannel() override { Take(-1); }

  bool Receive(std::vector<unsigned char>* message, std::string* error) override {
    unsigned char length[4];
    if (!Fill(length, 4)) return false;
    const std::size_t size = length[0] | (length[1] << 8) | (length[2] << 16) | (std::size_t{length[3]} << 24);
    if (size > photohelper::kMaxMessage) {
      *error = "message too long";
      return false;
    }
    message->assign(length, length + 4);
    message->resize(4 + size);
    return Fill(message->data() + 4, size);
  }

  bool Send(const std::vector<unsigned char>& message) override {
    for (std::size_t done = 0; done < message.size();) {
      const ssize_t sent = write(kSocket, message.data() + done, message.size() - done);
      if (sent < 0 && errno == EINTR) continue;
      if (sent <= 0) return false;
      done += static_cast<std::size_t>(sent);
    }
    return true;
  }

  long long ReadFile(unsigned char* to, std::size_t count, std::string* error) override {
    if (file_ < 0) {
      *error = "cannot be read (no file came)";
      return -1;
    }
    return ReadPiece(file_, to, count, error);
  }

  double ProcessorSeconds() override {
    timespec used{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &used);
    return static_cast<double>(used.tv_sec) + static_cast<double>(used.tv_nsec) * 1e-9;
  }

  std::uint64_t PeakBytes() override {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<std::uint64_t>(usage.ru_maxrss) * 1024;
  }

  void TryForbidden(const std::string& what) override {
    const int fd = what == "open" ? open("/proc/self/status", O_RDONLY) : socket(AF_INET, SOCK_STREAM, 0);
    if (fd >= 0) close(fd);  // the filter let it through: the photo decodes as what it is
  }

 private:
  void Take(int fd) {
    if (file_ >= 0) close(file_);
    file_ = fd;
  }

  // Exactly `count` bytes from the socket, with any descriptor sent alongside.
  bool Fill(unsigned char* to, std::size_t count) {
    while (count > 0) {
      iovec part{to, count};
      msghdr header{};
      header.msg_iov = &part;
      header.msg_iovlen = 1;
      alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))];
      header.msg_control = control;
      header.msg_controllen = sizeof control;
      const ssize_t got = recvmsg(kSocket, &header, MSG_CMSG_CLOEXEC);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) return false;
      for (cmsghdr* c = CMSG_FIRSTHDR(&header); c != nullptr; c = CMSG_NXTHDR(&header, c)) {
        if (c->cmsg_level != SOL_SOCKET || c->cmsg_type != SCM_RIGHTS || c->cmsg_len != CMSG_LEN(sizeof(int))) continue;
        int fd = -1;
        std::memcpy(&fd, CMSG_DATA(c), sizeof fd);
        Take(fd);
      }
      to += got;
      count -= static_cast<std::size_t>(got);
    }
    return true;
  }

  int file_ = -1;
};

// Tells the saver why the helper cannot run, in its Ready message.
int Refuse(const std::string& why) {
  photohelper::Reply reply;
  reply.kind = photohelper::Kind::Ready;
  reply.reason = why;
  SocketChannel().Send(photohelper::EncodeReply(reply));
  return 3;
}

}  // namespace

const char* const* AllowedSystemCalls() { return kAllowed; }

int RunPhotoHelper(int argc, char** argv) {
  // Dies with the saver's thread that started it; a saver gone already ends it.
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (argc < 3 || std::to_string(getppid()) != argv[2]) return 4;
  close_range(kSocket + 1, ~0U, 0);
  signal(SIGPIPE, SIG_IGN);
  const char* hooks = std::getenv(photohelper::kHookVariable);
  const std::string hookList = hooks != nullptr ? hooks : "";
  mallopt(M_ARENA_MAX, 2);
  photo::PrepareDecoders();
  const std::uint64_t limit = MappedBytes() + kMemoryBytes;
  if (!Limit(RLIMIT_CORE, 0, 0) || !Limit(RLIMIT_FSIZE, 0, 0) ||
      !Limit(RLIMIT_CPU, kProcessorSeconds, kProcessorSeconds + 5) ||
      !Limit(RLIMIT_AS, static_cast<rlim_t>(limit), static_cast<rlim_t>(limit))) {
    return Refuse(std::string("its limits cannot be set: ") + std::strerror(errno));
  }
  std::string error;
  if (!Confine(&error)) return Refuse(error);
  SocketChannel channel;
  const int code = photohelper::RunHelper(channel, hookList);
  std::fflush(nullptr);
  _exit(code);  // no exit handlers: nothing of the program's own is to be done
}

}  // namespace linuxhost
