#include "SaverProcesses.h"

#include <X11/extensions/XTest.h>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

extern char** environ;

namespace bench_savers {

Nanos Now() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<Nanos>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

void SleepMs(double ms) { std::this_thread::sleep_for(std::chrono::microseconds(static_cast<std::int64_t>(ms * 1000))); }

pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv, bool quiet) {
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    const std::string key = entry.substr(0, entry.find('='));
    const bool replaced = std::any_of(extraEnv.begin(), extraEnv.end(),
                                      [&](const std::string& x) { return x.compare(0, key.size() + 1, key + "=") == 0; });
    if (!replaced) env.push_back(entry);
  }
  env.insert(env.end(), extraEnv.begin(), extraEnv.end());
  std::vector<char*> args, envp;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);

  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attr, 0);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (quiet) {
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  }
  pid_t pid = -1;
  if (posix_spawn(&pid, args[0], &actions, &attr, args.data(), envp.data()) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  return pid;
}

void Stop(pid_t pid) {
  if (pid <= 0) return;
  kill(-pid, SIGTERM);
  for (int i = 0; i < 300; ++i) {
    if (waitpid(pid, nullptr, WNOHANG) == pid) {
      kill(-pid, SIGKILL);  // stragglers of the group
      return;
    }
    SleepMs(10);
  }
  kill(-pid, SIGKILL);
  waitpid(pid, nullptr, 0);
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

namespace {

struct StatLine {
  pid_t ppid = 0;
  std::int64_t ticks = 0;  // user + system of the process and its reaped children
};

bool ReadStat(pid_t pid, StatLine* out) {
  const std::string text = ReadText("/proc/" + std::to_string(pid) + "/stat");
  const std::size_t close = text.rfind(')');
  if (close == std::string::npos) return false;
  std::istringstream rest(text.substr(close + 2));
  std::vector<std::string> f;
  for (std::string w; rest >> w;) f.push_back(w);
  // Field 3 of the line is f[0]; utime is field 14, cstime field 17.
  if (f.size() < 15) return false;
  out->ppid = static_cast<pid_t>(std::atoi(f[1].c_str()));
  out->ticks = std::atoll(f[11].c_str()) + std::atoll(f[12].c_str()) + std::atoll(f[13].c_str()) +
               std::atoll(f[14].c_str());
  return true;
}

}  // namespace

double TreeCpuSeconds(pid_t root) {
  std::map<pid_t, StatLine> all;
  if (DIR* d = opendir("/proc")) {
    while (dirent* e = readdir(d)) {
      const pid_t p = static_cast<pid_t>(std::atoi(e->d_name));
      StatLine s;
      if (p > 0 && ReadStat(p, &s)) all[p] = s;
    }
    closedir(d);
  }
  std::int64_t ticks = 0;
  std::vector<pid_t> todo{root};
  while (!todo.empty()) {
    const pid_t p = todo.back();
    todo.pop_back();
    auto it = all.find(p);
    if (it == all.end()) continue;
    ticks += it->second.ticks;
    for (const auto& [child, s] : all) {
      if (s.ppid == p) todo.push_back(child);
    }
  }
  return static_cast<double>(ticks) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double StatusMiB(pid_t pid, const char* name) {
  std::istringstream in(ReadText("/proc/" + std::to_string(pid) + "/status"));
  const std::string prefix = std::string(name) + ":";
  for (std::string line; std::getline(in, line);) {
    if (line.rfind(prefix, 0) == 0) return std::atof(line.c_str() + prefix.size()) / 1024.0;
  }
  return NAN;
}

bool Server::Open() {
  pid_ = Spawn({"/usr/bin/Xvfb", name_, "-screen", "0", "1920x1080x24", "-nolisten", "tcp", "-ac"}, {}, true);
  if (pid_ <= 0) return false;
  for (int i = 0; i < 500; ++i) {
    if ((display_ = XOpenDisplay(name_.c_str())) != nullptr) return true;
    if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
      pid_ = -1;
      return false;
    }
    SleepMs(10);
  }
  return false;
}

void Server::Close() {
  if (display_ != nullptr) XCloseDisplay(display_);
  display_ = nullptr;
  Stop(pid_);
  pid_ = -1;
}

void Server::Key(KeySym keysym) {
  const KeyCode code = XKeysymToKeycode(display_, keysym);
  XTestFakeKeyEvent(display_, code, True, CurrentTime);
  XTestFakeKeyEvent(display_, code, False, CurrentTime);
  XFlush(display_);
}

std::vector<Nanos> ReadSwaps(const std::string& path) {
  std::vector<Nanos> swaps;
  std::ifstream in(path, std::ios::binary);
  Nanos t = 0;
  while (in.read(reinterpret_cast<char*>(&t), sizeof t)) swaps.push_back(t);
  return swaps;
}

Nanos WaitFirstSwap(const std::string& log, pid_t pid, double timeoutSeconds) {
  const Nanos end = Now() + static_cast<Nanos>(timeoutSeconds * 1e9);
  while (Now() < end) {
    struct stat st {};
    if (stat(log.c_str(), &st) == 0 && st.st_size >= static_cast<off_t>(sizeof(Nanos))) {
      return ReadSwaps(log).front();
    }
    if (waitpid(pid, nullptr, WNOHANG) == pid) return 0;
    SleepMs(0.5);
  }
  return 0;
}

}  // namespace bench_savers
