#include "SaverMeasurement.h"

#include <X11/keysym.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace bench_savers {

double Median(std::vector<double> v) {
  if (v.empty()) return NAN;
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 != 0 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double Percentile(std::vector<double> v, double p) {
  if (v.empty()) return NAN;
  std::sort(v.begin(), v.end());
  const std::size_t i = static_cast<std::size_t>(std::ceil(p * static_cast<double>(v.size()))) - 1;
  return v[std::min(i, v.size() - 1)];
}

std::vector<std::string> Bench::Env(const std::string& log, const Server& server) const {
  std::vector<std::string> env = {"DISPLAY=" + server.Name(), "LD_PRELOAD=" + o_.probe, "ZIRBEL_SWAP_LOG=" + log,
                                  "HOME=" + home_, "XDG_CONFIG_HOME=" + home_ + "/.config"};
  env.insert(env.end(), o_.env.begin(), o_.env.end());
  return env;
}

bool Bench::Prepare() {
  char dir[] = "/tmp/zirbel-bench-XXXXXX";
  if (mkdtemp(dir) == nullptr) return false;
  home_ = dir;
  log_ = home_ + "/swaps.bin";
  return true;
}

Bench::~Bench() {
  std::remove(log_.c_str());
  rmdir((home_ + "/.config").c_str());
  rmdir(home_.c_str());
}

bool Bench::RunSteady(const Program& p, Figures* f) {
  Server server(o_.display);
  if (!server.Open()) return Fail("cannot start Xvfb " + server.Name());
  std::remove(log_.c_str());
  const pid_t pid = Spawn(p.argv, Env(log_, server), true);
  if (pid <= 0 || WaitFirstSwap(log_, pid, 30) == 0) {
    Stop(pid);
    return Fail(p.label + ": no frame presented");
  }
  for (KeySym k : p.keysAfterStart) server.Key(k);
  SleepMs(o_.warmup * 1000);
  const Nanos t0 = Now();
  const double own0 = TreeCpuSeconds(pid), x0 = TreeCpuSeconds(server.Pid());
  SleepMs(o_.window * 1000);
  const Nanos t1 = Now();
  const double own1 = TreeCpuSeconds(pid), x1 = TreeCpuSeconds(server.Pid());
  f->peakMiB = StatusMiB(pid, "VmHWM");
  f->anonMiB = StatusMiB(pid, "RssAnon");
  const bool alive = waitpid(pid, nullptr, WNOHANG) == 0;
  if (alive && p.exitByKey) f->exitMs = TimeExitOnKey(server, pid);
  Stop(pid);
  server.Close();
  if (!alive) return Fail(p.label + ": ended during the measurement");

  std::vector<Nanos> swaps;
  for (Nanos t : ReadSwaps(log_)) {
    if (t >= t0 && t <= t1) swaps.push_back(t);
  }
  if (swaps.size() < 2) return Fail(p.label + ": fewer than two frames in the window");
  const double seconds = static_cast<double>(t1 - t0) / 1e9;
  const double frames = static_cast<double>(swaps.size());
  f->fps = frames / seconds;
  f->ownMsPerFrame = (own1 - own0) * 1000.0 / frames;
  f->serverMsPerFrame = (x1 - x0) * 1000.0 / frames;
  std::vector<double> intervals;
  for (std::size_t i = 1; i < swaps.size(); ++i) intervals.push_back(static_cast<double>(swaps[i] - swaps[i - 1]) / 1e6);
  f->intervalMedianMs = Median(intervals);
  f->intervalP95Ms = Percentile(intervals, 0.95);
  double mean = 0, sq = 0;
  for (double v : intervals) mean += v;
  mean /= static_cast<double>(intervals.size());
  for (double v : intervals) sq += (v - mean) * (v - mean);
  f->intervalSdMs = std::sqrt(sq / static_cast<double>(intervals.size()));
  return true;
}

bool Bench::RunStartAndExit(const Program& p, Figures* f) {
  Server server(o_.display + 1);
  if (!server.Open()) return Fail("cannot start Xvfb " + server.Name());
  std::vector<double> starts, exits;
  for (int run = 0; run < o_.startupRuns; ++run) {
    std::remove(log_.c_str());
    const Nanos start = Now();
    const pid_t pid = Spawn(p.argv, Env(log_, server), true);
    const Nanos first = pid > 0 ? WaitFirstSwap(log_, pid, 30) : 0;
    if (first == 0) {
      Stop(pid);
      return Fail(p.label + ": no frame presented");
    }
    starts.push_back(static_cast<double>(first - start) / 1e6);
    if (p.exitByKey) {
      SleepMs(1000);
      const double ms = TimeExitOnKey(server, pid);
      if (std::isnan(ms)) {
        Stop(pid);
        return Fail(p.label + ": did not end on a key press");
      }
      exits.push_back(ms);
    } else {
      Stop(pid);
    }
  }
  f->startupMs = Median(starts);
  f->earlyExitMs = Median(exits);
  return true;
}

double Bench::TimeExitOnKey(Server& server, pid_t pid) {
  server.Key(XK_Escape);
  const Nanos pressed = Now();
  while (Now() - pressed < 5000000000LL) {
    if (waitpid(pid, nullptr, WNOHANG) == pid) return static_cast<double>(Now() - pressed) / 1e6;
    SleepMs(0.2);
  }
  return NAN;
}

bool Bench::Fail(const std::string& why) {
  std::fprintf(stderr, "bench_savers: %s\n", why.c_str());
  return false;
}

// Median of each figure over the repeats.
Figures MedianOf(const std::vector<Figures>& runs) {
  auto pick = [&](double Figures::*m) {
    std::vector<double> v;
    for (const auto& r : runs) {
      if (!std::isnan(r.*m)) v.push_back(r.*m);
    }
    return Median(v);
  };
  Figures f;
  for (auto m : {&Figures::fps, &Figures::ownMsPerFrame, &Figures::serverMsPerFrame, &Figures::peakMiB,
                 &Figures::anonMiB, &Figures::intervalMedianMs, &Figures::intervalP95Ms, &Figures::intervalSdMs,
                 &Figures::exitMs}) {
    f.*m = pick(m);
  }
  return f;
}

}  // namespace bench_savers
