#include "host/linux/PhotoFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

int OpenPhotoFile(const std::filesystem::path& path, std::uintmax_t* size, std::string* error) {
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    const int code = errno;
    struct stat info {};
    if (code == EWOULDBLOCK) {
      *error = "in use by another program (it holds a lease on the file)";
    } else if (code == ENXIO && stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
      *error = std::string("not a regular file (") + KindText(info.st_mode) + ")";
    } else {
      *error = "cannot be opened (" + Reason(code) + ")";
    }
    return -1;
  }
  struct stat info {};
  if (fstat(fd, &info) != 0) {
    *error = "cannot be read (" + Reason(errno) + ")";
  } else if (!S_ISREG(info.st_mode)) {
    *error = std::string("not a regular file (") + KindText(info.st_mode) + ")";
  } else {
    *size = static_cast<std::uintmax_t>(info.st_size);
    return fd;
  }
  close(fd);
  return -1;
}

bool ReadPhotoWithoutWaiting(const std::filesystem::path& path, const photo::ReadBounds& bounds,
                   std::vector<unsigned char>* bytes, std::string* error) {
  const auto started = std::chrono::steady_clock::now();
  std::uintmax_t size = 0;
  const Descriptor file(OpenPhotoFile(path, &size, error));
  if (file.get() < 0) return false;
  const int fd = file.get();
  return photo::ReadPhotoPieces(size, started, bounds, bytes, error, [fd](unsigned char* to, std::size_t count, std::string* why) {
    return ReadPiece(fd, to, count, why);
  });
}

long long ReadPiece(int fd, unsigned char* to, std::size_t count, std::string* error) {
  for (;;) {
    const ssize_t got = read(fd, to, count);
    if (got >= 0) return got;
    if (errno == EINTR || errno == EAGAIN) continue;
    *error = "cannot be read (" + Reason(errno) + ")";
    return -1;
  }
}

}  // namespace linuxhost
