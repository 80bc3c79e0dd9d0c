#include "SaverMeasurement.h"

#include <X11/keysym.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "tools/genimages/JpegWriter.h"

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
  // The peers run their image loader (xscreensaver-getimage) by name from the
  // PATH, as their daemon sets it.
  const char* path = std::getenv("PATH");
  env.push_back("PATH=" + o_.peers + ":" + (path != nullptr ? path : "/usr/bin:/bin"));
  env.insert(env.end(), o_.env.begin(), o_.env.end());
  return env;
}

bool Bench::Prepare() {
  char dir[] = "/tmp/zirbel-bench-XXXXXX";
  if (mkdtemp(dir) == nullptr) return false;
  home_ = dir;
  log_ = home_ + "/swaps.bin";
  return WriteImages() || Fail("cannot write the image folder in " + home_);
}

Bench::~Bench() {
  std::error_code ignored;
  if (!home_.empty()) std::filesystem::remove_all(home_, ignored);
}

bool Bench::WriteImages() const {
  // Eight 1600 x 1200 pictures of coloured rings and bands, the same on
  // every run: large enough for the loader, which skips anything under 500
  // pixels wide, and varied enough that the fades show.
  const std::string folder = home_ + "/images";
  std::filesystem::create_directories(folder);
  const int w = 1600, h = 1200;
  std::vector<unsigned char> rgb(static_cast<std::size_t>(w) * h * 3);
  for (int k = 0; k < 8; ++k) {
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const double dx = x - w * (0.3 + 0.05 * k), dy = y - h * (0.6 - 0.04 * k);
        const double ring = 0.5 + 0.5 * std::sin(std::sqrt(dx * dx + dy * dy) / (9.0 + k));
        unsigned char* p = &rgb[(static_cast<std::size_t>(y) * w + x) * 3];
        p[0] = static_cast<unsigned char>(255 * ring * ((k & 1) != 0 ? 1.0 : 0.4));
        p[1] = static_cast<unsigned char>(255 * (0.5 + 0.5 * std::sin((x + 3 * y) / (40.0 + 5 * k))));
        p[2] = static_cast<unsigned char>(255 * ((k & 2) != 0 ? ring : 1 - ring) * y / h);
      }
    }
    const std::string name = folder + "/pattern" + std::to_string(k) + ".jpg";
    if (!gen::WriteFile(name, gen::CompressJpeg(rgb.data(), w, h, 3, gen::JpegOptions{}))) return false;
  }
  std::ofstream prefs(home_ + "/.xscreensaver");
  prefs << "grabDesktopImages: False\ngrabVideoFrames: False\nchooseRandomImages: True\nimageDirectory: " << folder
        << "\n";
  return static_cast<bool>(prefs);
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
  // The kernel keeps the peak of the whole resident set, not of its
  // anonymous part: that one is sampled through the window.
  double anon = StatusMiB(pid, "RssAnon");
  for (int i = 0; i < 20; ++i) {
    SleepMs(o_.window * 1000 / 20);
    anon = std::max(anon, StatusMiB(pid, "RssAnon"));
  }
  const Nanos t1 = Now();
  const double own1 = TreeCpuSeconds(pid), x1 = TreeCpuSeconds(server.Pid());
  f->peakMiB = StatusMiB(pid, "VmHWM");
  f->anonMiB = anon;
  const bool alive = waitpid(pid, nullptr, WNOHANG) == 0;
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
  const int exitRuns = p.exitByKey ? o_.exitRuns : 0;
  for (int run = 0; run < std::max(o_.startupRuns, exitRuns); ++run) {
    std::remove(log_.c_str());
    const Nanos start = Now();
    const pid_t pid = Spawn(p.argv, Env(log_, server), true);
    const Nanos first = pid > 0 ? WaitFirstSwap(log_, pid, 30) : 0;
    if (first == 0) {
      Stop(pid);
      return Fail(p.label + ": no frame presented");
    }
    if (run < o_.startupRuns) starts.push_back(static_cast<double>(first - start) / 1e6);
    if (run < exitRuns) {
      SleepMs(2000);  // drawing steadily, between frames as often as in them
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
  f->exitMs = Median(exits);
  if (!exits.empty()) {
    f->exitMinMs = *std::min_element(exits.begin(), exits.end());
    f->exitMaxMs = *std::max_element(exits.begin(), exits.end());
  }
  return true;
}

double Bench::TimeExitOnKey(Server& server, pid_t pid) {
  const Nanos pressed = Now();
  server.Key(XK_Escape);
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
                 &Figures::anonMiB, &Figures::intervalMedianMs, &Figures::intervalP95Ms, &Figures::intervalSdMs}) {
    f.*m = pick(m);
  }
  return f;
}

}  // namespace bench_savers
