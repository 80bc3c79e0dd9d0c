#include "host/linux/Programs.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

extern char** environ;

namespace linuxhost {

std::string SiblingProgram(const char* name) {
  char buffer[4096];
  const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (length <= 0) return name;
  std::string self(buffer, static_cast<std::size_t>(length));
  const std::size_t slash = self.rfind('/');
  if (slash == std::string::npos) return name;
  return self.substr(0, slash + 1) + name;
}

int RunProgramAndWait(const std::string& path, const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  argv.reserve(arguments.size() + 1);
  for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t child = 0;
  if (posix_spawn(&child, path.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return -1;
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return -1;
}

bool DisplayNamed() {
  const char* display = std::getenv("DISPLAY");
  return display != nullptr && display[0] != '\0';
}

}  // namespace linuxhost
