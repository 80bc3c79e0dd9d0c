// The saver's side of the photo helper on Linux: started with posix_spawn
// from this very program, talked to over a stream socket, each photo's
// descriptor passed with its request, killed without waiting.
#include "host/linux/PhotoHelperProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "host/linux/PhotoFile.h"

extern char** environ;

namespace linuxhost {

namespace {

class LinuxPhoto : public photohelper::OpenPhoto {
 public:
  explicit LinuxPhoto(int fd) : fd(fd) {}
  ~LinuxPhoto() override { close(fd); }
  const int fd;
};

// What the helper's environment keeps: the test hooks, the sanitizers'
// options, where the libraries are. No display, no session bus, no home.
bool Kept(const char* entry) {
  static const char* const kKept[] = {photohelper::kHookVariable, "ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS",
                                      "LD_LIBRARY_PATH"};
  for (const char* name : kKept) {
    const std::size_t length = std::strlen(name);
    if (std::strncmp(entry, name, length) == 0 && entry[length] == '=') return true;
  }
  return false;
}

std::string SignalText(int signal) {
  switch (signal) {
    case SIGSYS: return "was stopped by its sandbox (a forbidden system call)";
    case SIGKILL: return "was killed";
    case SIGXCPU: return "used up its processor time";
    default: break;
  }
  const char* name = strsignal(signal);
  return std::string("crashed (") + (name != nullptr ? name : "signal " + std::to_string(signal)) + ")";
}

class LinuxHelper : public photohelper::HelperProcess {
 public:
  LinuxHelper(pid_t pid, int socket) : pid_(pid), socket_(socket) {}
  ~LinuxHelper() override {
    Kill();
    close(socket_);
    Reap(std::chrono::milliseconds(0));
  }

  bool Send(const std::vector<unsigned char>& message, photohelper::OpenPhoto* file) override {
    std::size_t done = 0;
    while (done < message.size()) {
      iovec part{const_cast<unsigned char*>(message.data() + done), message.size() - done};
      msghdr header{};
      header.msg_iov = &part;
      header.msg_iovlen = 1;
      alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
      if (file != nullptr && done == 0) {  // the descriptor goes with the first byte
        header.msg_control = control;
        header.msg_controllen = sizeof control;
        cmsghdr* c = CMSG_FIRSTHDR(&header);
        c->cmsg_level = SOL_SOCKET;
        c->cmsg_type = SCM_RIGHTS;
        c->cmsg_len = CMSG_LEN(sizeof(int));
        const int fd = static_cast<LinuxPhoto*>(file)->fd;
        std::memcpy(CMSG_DATA(c), &fd, sizeof fd);
      }
      const ssize_t sent = sendmsg(socket_, &header, MSG_NOSIGNAL);
      if (sent < 0 && errno == EINTR) continue;
      if (sent <= 0) return false;
      done += static_cast<std::size_t>(sent);
    }
    return true;
  }

  long long Receive(unsigned char* to, std::size_t count, std::chrono::milliseconds wait) override {
    pollfd ready{socket_, POLLIN, 0};
    const int polled = poll(&ready, 1, static_cast<int>(wait.count()));
    if (polled == 0 || (polled < 0 && errno == EINTR)) return 0;
    const ssize_t got = polled < 0 ? -1 : recv(socket_, to, count, MSG_DONTWAIT);
    if (got < 0 && (errno == EAGAIN || errno == EINTR)) return 0;
    return got > 0 ? got : -1;
  }

  void Kill() override {
    if (!reaped_) kill(pid_, SIGKILL);
  }

  // Gone: its end is reaped within a moment, as the socket closes with the process.
  std::string HowItEnded() override {
    if (!Reap(std::chrono::milliseconds(2000))) return "ended";
    if (WIFSIGNALED(status_)) return SignalText(WTERMSIG(status_));
    return "ended (exit code " + std::to_string(WEXITSTATUS(status_)) + ")";
  }

 private:
  bool Reap(std::chrono::milliseconds within) {
    const auto deadline = std::chrono::steady_clock::now() + within;
    while (!reaped_) {
      const pid_t done = waitpid(pid_, &status_, WNOHANG);
      if (done == pid_ || (done < 0 && errno != EINTR)) {
        reaped_ = true;
        break;
      }
      if (std::chrono::steady_clock::now() >= deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
  }

  const pid_t pid_;
  const int socket_;
  int status_ = 0;
  bool reaped_ = false;
};

class LinuxPlatform : public photohelper::HelperPlatform {
 public:
  explicit LinuxPlatform(std::string program) : program_(std::move(program)) {}

  std::unique_ptr<photohelper::OpenPhoto> Open(const photo::PathString& path, const photo::ReadBounds& bounds,
                                               std::uint64_t* size, std::string* error) override {
    std::uintmax_t found = 0;
    const int fd = OpenPhotoFile(path, &found, error);
    if (fd < 0) return nullptr;
    auto photo = std::make_unique<LinuxPhoto>(fd);
    if (found > bounds.maxBytes) {
      *error = "file too large (" + std::to_string(found) + " bytes)";
      return nullptr;
    }
    *size = found;
    return photo;
  }

  std::unique_ptr<photohelper::HelperProcess> Start(std::string* error) override {
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
      *error = std::string("no socket: ") + std::strerror(errno);
      return nullptr;
    }
    if (pair[1] == 3) {  // dup2 onto itself would keep close-on-exec
      const int moved = fcntl(pair[1], F_DUPFD_CLOEXEC, 4);
      close(pair[1]);
      pair[1] = moved;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pair[1], 3);  // clears close-on-exec on 3
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    std::vector<char*> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
      if (Kept(*entry)) environment.push_back(*entry);
    }
    environment.push_back(nullptr);
    const std::string parent = std::to_string(getpid());
    char* arguments[] = {const_cast<char*>("zirbel-photo-helper"), const_cast<char*>(photohelper::kHelperArgument),
                         const_cast<char*>(parent.c_str()), nullptr};
    pid_t pid = 0;
    const int failed = posix_spawn(&pid, program_.c_str(), &actions, nullptr, arguments, environment.data());
    posix_spawn_file_actions_destroy(&actions);
    close(pair[1]);
    if (failed != 0) {
      close(pair[0]);
      *error = program_ + ": " + std::strerror(failed);
      return nullptr;
    }
    return std::make_unique<LinuxHelper>(pid, pair[0]);
  }

 private:
  const std::string program_;
};

}  // namespace

std::shared_ptr<photohelper::HelperPlatform> MakeHelperPlatform(std::string program) {
  return std::make_shared<LinuxPlatform>(std::move(program));
}

}  // namespace linuxhost
