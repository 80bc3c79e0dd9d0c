#include "host/linux/PhotoFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <system_error>

namespace linuxhost {

namespace {

const char* KindText(mode_t mode) {
  if (S_ISFIFO(mode)) return "a pipe";
  if (S_ISSOCK(mode)) return "a socket";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  if (S_ISDIR(mode)) return "a folder";
  return "not a file";
}

std::string Reason(int code) { return std::generic_category().message(code); }

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

bool ReadPhotoFile(const std::filesystem::path& path, const photo::ReadBounds& bounds,
                   std::vector<unsigned char>* bytes, std::string* error) {
  const auto deadline = std::chrono::steady_clock::now() + bounds.time;
  const Descriptor file(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (file.get() < 0) {
    const int code = errno;
    struct stat info {};
    if (code == EWOULDBLOCK) {
      *error = "in use by another program (it holds a lease on the file)";
    } else if (code == ENXIO && stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
      *error = std::string("not a regular file (") + KindText(info.st_mode) + ")";
    } else {
      *error = "cannot be opened (" + Reason(code) + ")";
    }
    return false;
  }
  struct stat info {};
  if (fstat(file.get(), &info) != 0) {
    *error = "cannot be read (" + Reason(errno) + ")";
    return false;
  }
  if (!S_ISREG(info.st_mode)) {
    *error = std::string("not a regular file (") + KindText(info.st_mode) + ")";
    return false;
  }
  const auto size = static_cast<std::uintmax_t>(info.st_size);
  if (size == 0) {
    *error = "empty file";
    return false;
  }
  if (size > bounds.maxBytes) {
    *error = "file too large (" + std::to_string(size) + " bytes)";
    return false;
  }
  bytes->resize(static_cast<std::size_t>(size));
  // In pieces, so that a stop or the time running out is heard within one
  // piece even from slow storage.
  constexpr std::size_t kPiece = std::size_t{1} << 20;
  std::size_t done = 0;
  while (done < bytes->size()) {
    if (bounds.stop != nullptr && bounds.stop->load(std::memory_order_relaxed)) {
      *error = "stopped";
      return false;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      *error = "took longer than " + std::to_string(bounds.time.count() / 1000) + " s to read";
      return false;
    }
    const ssize_t got = read(file.get(), bytes->data() + done, std::min(kPiece, bytes->size() - done));
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (got < 0) {
      *error = "cannot be read (" + Reason(errno) + ")";
      return false;
    }
    if (got == 0) break;  // a file that shrank meanwhile
    done += static_cast<std::size_t>(got);
  }
  bytes->resize(done);
  return true;
}

}  // namespace linuxhost
