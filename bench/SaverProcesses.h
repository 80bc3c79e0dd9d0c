// The processes and displays of the saver comparison: programs started in
// their own process groups, their CPU time and memory from /proc, a fresh
// Xvfb with a keyboard, and the log of buffer swaps that the probe writes.
#pragma once

#include <X11/Xlib.h>
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace bench_savers {

using Nanos = std::int64_t;

Nanos Now();
void SleepMs(double ms);

// Starts `argv` in its own process group with `extraEnv` added to ours.
pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv, bool quiet);
// Ends the process group started by Spawn and reaps its leader.
void Stop(pid_t pid);
std::string ReadText(const std::string& path);
// CPU seconds used so far by `root` and every live descendant.
double TreeCpuSeconds(pid_t root);
// A "Name:   123 kB" line of /proc/PID/status, in MiB.
double StatusMiB(pid_t pid, const char* name);

// A fresh Xvfb at 1920 x 1080 on display :N, with a connection that types.
class Server {
 public:
  explicit Server(int number) : name_(":" + std::to_string(number)) {}
  ~Server() { Close(); }

  bool Open();
  void Close();
  // A press and release of `keysym`, as a user's keyboard would send it.
  void Key(KeySym keysym);
  const std::string& Name() const { return name_; }
  Display* Connection() const { return display_; }
  pid_t Pid() const { return pid_; }

 private:
  std::string name_;
  pid_t pid_ = -1;
  Display* display_ = nullptr;
};

std::vector<Nanos> ReadSwaps(const std::string& path);
// Waits for the first logged swap; returns its time, or 0 after `timeout`.
Nanos WaitFirstSwap(const std::string& log, pid_t pid, double timeoutSeconds);

}  // namespace bench_savers
