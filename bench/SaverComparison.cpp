// Runs the Linux saver and peer GL programs one after another, each on its own
// fresh Xvfb at 1920 x 1080 with Mesa's software rasteriser, and measures what
// a user pays while they run: frames per second, CPU per frame of the program
// and of the X server, peak resident memory, the spread of frame intervals,
// start-up to the first presented frame and, for the saver, the time from a
// key press to process exit. Frames are counted by a preloaded probe that
// logs every glXSwapBuffers (see SwapProbe.cpp).
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using Nanos = std::int64_t;

Nanos Now() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<Nanos>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

void SleepMs(double ms) { std::this_thread::sleep_for(std::chrono::microseconds(static_cast<std::int64_t>(ms * 1000))); }

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

// ---- processes ------------------------------------------------------------

struct Options {
  std::string zirbel;
  std::string probe;
  std::string peers = "/usr/libexec/xscreensaver";
  std::string gears = "/usr/bin/glxgears";
  std::string markdown = "bench/savers.md";
  std::string before;  // another build of the saver, measured alongside
  std::string only;    // measure only the programs whose label holds this
  int display = 53;
  double warmup = 15.0;  // the saver's pacing settles in about 14 s
  double window = 10.0;
  int repeats = 3;
  int startupRuns = 7;
  bool quick = false;
  std::vector<std::string> env;  // NAME=VALUE for every program measured
};

// Starts `argv` in its own process group with `extraEnv` added to ours.
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

// Ends the process group started by Spawn and reaps its leader.
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

// CPU seconds used so far by `root` and every live descendant.
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

// A "Name:   123 kB" line of /proc/PID/status, in MiB.
double StatusMiB(pid_t pid, const char* name) {
  std::istringstream in(ReadText("/proc/" + std::to_string(pid) + "/status"));
  const std::string prefix = std::string(name) + ":";
  for (std::string line; std::getline(in, line);) {
    if (line.rfind(prefix, 0) == 0) return std::atof(line.c_str() + prefix.size()) / 1024.0;
  }
  return NAN;
}

// ---- the X server and the swap log -----------------------------------------

class Server {
 public:
  explicit Server(int number) : name_(":" + std::to_string(number)) {}
  ~Server() { Close(); }

  bool Open() {
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

  void Close() {
    if (display_ != nullptr) XCloseDisplay(display_);
    display_ = nullptr;
    Stop(pid_);
    pid_ = -1;
  }

  // A press and release of `keysym`, as a user's keyboard would send it.
  void Key(KeySym keysym) {
    const KeyCode code = XKeysymToKeycode(display_, keysym);
    XTestFakeKeyEvent(display_, code, True, CurrentTime);
    XTestFakeKeyEvent(display_, code, False, CurrentTime);
    XFlush(display_);
  }

  const std::string& Name() const { return name_; }
  pid_t Pid() const { return pid_; }

 private:
  std::string name_;
  pid_t pid_ = -1;
  Display* display_ = nullptr;
};

std::vector<Nanos> ReadSwaps(const std::string& path) {
  std::vector<Nanos> swaps;
  std::ifstream in(path, std::ios::binary);
  Nanos t = 0;
  while (in.read(reinterpret_cast<char*>(&t), sizeof t)) swaps.push_back(t);
  return swaps;
}

// Waits for the first logged swap; returns its time, or 0 after `timeout`.
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

// ---- one program ------------------------------------------------------------

struct Program {
  std::string label;
  std::vector<std::string> argv;
  std::vector<KeySym> keysAfterStart;  // sent once the first frame is up
  bool exitByKey = false;
};

struct Figures {
  double fps = NAN, ownMsPerFrame = NAN, serverMsPerFrame = NAN, peakMiB = NAN;
  double intervalMedianMs = NAN, intervalP95Ms = NAN, intervalSdMs = NAN;
  double anonMiB = NAN;  // of the resident memory, what is the program's own, not shared files
  double startupMs = NAN, exitMs = NAN, earlyExitMs = NAN;
  double TotalMsPerFrame() const { return ownMsPerFrame + serverMsPerFrame; }
};

class Bench {
 public:
  explicit Bench(Options o) : o_(std::move(o)) {}

  std::vector<std::string> Env(const std::string& log, const Server& server) const {
    std::vector<std::string> env = {"DISPLAY=" + server.Name(), "LD_PRELOAD=" + o_.probe, "ZIRBEL_SWAP_LOG=" + log,
                                    "HOME=" + home_, "XDG_CONFIG_HOME=" + home_ + "/.config"};
    env.insert(env.end(), o_.env.begin(), o_.env.end());
    return env;
  }

  bool Prepare() {
    char dir[] = "/tmp/zirbel-bench-XXXXXX";
    if (mkdtemp(dir) == nullptr) return false;
    home_ = dir;
    log_ = home_ + "/swaps.bin";
    return true;
  }

  ~Bench() {
    std::remove(log_.c_str());
    rmdir((home_ + "/.config").c_str());
    rmdir(home_.c_str());
  }

  // Frame rate, CPU, memory and intervals over a window after a warm-up.
  bool RunSteady(const Program& p, Figures* f) {
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

  // Process start to the first presented frame, median over several runs on
  // one server; for a saver that ends on a key, also key press to exit.
  bool RunStartAndExit(const Program& p, Figures* f) {
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

  // Milliseconds from an Escape press to the process's exit; NaN if it
  // does not end within 5 s.
  static double TimeExitOnKey(Server& server, pid_t pid) {
    server.Key(XK_Escape);
    const Nanos pressed = Now();
    while (Now() - pressed < 5000000000LL) {
      if (waitpid(pid, nullptr, WNOHANG) == pid) return static_cast<double>(Now() - pressed) / 1e6;
      SleepMs(0.2);
    }
    return NAN;
  }

  bool Fail(const std::string& why) {
    std::fprintf(stderr, "bench_savers: %s\n", why.c_str());
    return false;
  }

  const Options& options() const { return o_; }

 private:
  Options o_;
  std::string home_, log_;
};

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

std::string Num(double v, int decimals) {
  if (std::isnan(v)) return "–";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  return buf;
}

std::string Join(const std::vector<std::string>& parts) {
  std::string all;
  for (const auto& p : parts) all += (all.empty() ? "" : " ") + p;
  return all;
}

std::string LoadAverage() {
  std::istringstream in(ReadText("/proc/loadavg"));
  std::string one;
  in >> one;
  return one;
}

struct Row {
  Program program;
  Figures figures;
  bool ok = false;
};

std::string Table(const std::vector<Row>& rows, const std::string& load0, const std::string& load1,
                  const Options& o) {
  std::ostringstream md;
  md << "| Program | fps | own CPU ms/frame | X server CPU ms/frame | own + X ms/frame | own + X CPU % of a core "
        "| peak RSS MiB (anonymous) | frame interval median / p95 / sd ms | start-up ms "
        "| exit ms (running / 1 s after start) |\n";
  md << "|---|---|---|---|---|---|---|---|---|---|\n";
  for (const auto& r : rows) {
    const Figures& f = r.figures;
    md << "| " << r.program.label << " | " << Num(f.fps, 1) << " | " << Num(f.ownMsPerFrame, 1) << " | "
       << Num(f.serverMsPerFrame, 1) << " | " << Num(f.TotalMsPerFrame(), 1) << " | "
       << Num(f.TotalMsPerFrame() * f.fps / 10.0, 0) << " | " << Num(f.peakMiB, 0) << " (" << Num(f.anonMiB, 0)
       << ") | "
       << Num(f.intervalMedianMs, 1) << " / " << Num(f.intervalP95Ms, 1) << " / " << Num(f.intervalSdMs, 1) << " | "
       << Num(f.startupMs, 0) << " | " << Num(f.exitMs, 0) << " / " << Num(f.earlyExitMs, 0) << " |\n";
  }
  // Ratios of the saver at one level against each peer.
  const Row& own = rows.front();
  md << "\n| Zirbel, 1 level, against | own CPU/frame | own + X CPU/frame | own + X CPU per second | peak RSS "
        "| start-up |\n";
  md << "|---|---|---|---|---|---|\n";
  for (std::size_t i = 1; i < rows.size(); ++i) {
    if (!rows[i].program.keysAfterStart.empty()) continue;  // the same saver with more levels
    const Figures &a = own.figures, &b = rows[i].figures;
    md << "| " << rows[i].program.label << " | " << Num(a.ownMsPerFrame / b.ownMsPerFrame, 2) << " | "
       << Num(a.TotalMsPerFrame() / b.TotalMsPerFrame(), 2) << " | "
       << Num((a.TotalMsPerFrame() * a.fps) / (b.TotalMsPerFrame() * b.fps), 2) << " | "
       << Num(a.peakMiB / b.peakMiB, 2) << " | " << Num(a.startupMs / b.startupMs, 2) << " |\n";
  }
  md << "\nXvfb 1920 x 1080 x 24, Mesa llvmpipe with its default thread count, " << std::thread::hardware_concurrency()
     << " CPUs" << (o.env.empty() ? std::string() : ", environment " + Join(o.env))
     << "; each steady figure is the median of " << o.repeats << " rounds, each taking every program in turn, of "
     << Num(o.window, 0) << " s after a " << Num(o.warmup, 0)
     << " s warm-up, each run on a fresh server. Start-up is process start to the return of the first buffer swap, "
        "median of "
     << o.startupRuns << " runs; exit is an Escape press to process exit, once after each steady run and "
     << o.startupRuns << " times 1 s after start, when the pacing still sleeps longest. CPU counts user + system "
        "time of the program with its children and of Xvfb. 1-minute load average "
     << load0 << " before, " << load1 << " after.\n";
  return md.str();
}

bool ParseOptions(int argc, char** argv, Options* o) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&]() -> std::string { return i + 1 < argc ? argv[++i] : std::string(); };
    if (a == "--zirbel") o->zirbel = value();
    else if (a == "--probe") o->probe = value();
    else if (a == "--before") o->before = value();
    else if (a == "--only") o->only = value();
    else if (a == "--peers") o->peers = value();
    else if (a == "--markdown") o->markdown = value();
    else if (a == "--display") o->display = std::atoi(value().c_str());
    else if (a == "--window") o->window = std::atof(value().c_str());
    else if (a == "--warmup") o->warmup = std::atof(value().c_str());
    else if (a == "--repeats") o->repeats = std::max(1, std::atoi(value().c_str()));
    else if (a == "--startup-runs") o->startupRuns = std::max(1, std::atoi(value().c_str()));
    else if (a == "--quick") o->quick = true;
    else if (a == "--env" && i + 1 < argc && std::strchr(argv[i + 1], '=') != nullptr) o->env.push_back(value());
    else {
      std::fprintf(stderr,
                   "usage: bench_savers [--zirbel PATH] [--before PATH] [--only TEXT] [--probe PATH] [--peers DIR]\n"
                   "                    [--markdown FILE]\n"
                   "                    [--display N] [--window S] [--warmup S] [--repeats N] [--startup-runs N]\n"
                   "                    [--quick] [--env NAME=VALUE]...\n");
      return false;
    }
  }
  if (o->quick) {
    o->repeats = 1;
    o->window = 4;
    o->startupRuns = 3;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  o.zirbel = ZIRBEL_SAVER_PATH;
  o.probe = ZIRBEL_PROBE_PATH;
  if (!ParseOptions(argc, argv, &o)) return 2;

  std::vector<Row> rows = {
      {{"Zirbel, 1 level, mirrors", {o.zirbel, "/s"}, {}, true}, {}, false},
      {{"Zirbel, 10 levels, mirrors", {o.zirbel, "/s"}, {XK_9}, true}, {}, false},
      {{"kaleidocycle --root", {o.peers + "/kaleidocycle", "--root"}, {}, false}, {}, false},
      {{"glslideshow --root", {o.peers + "/glslideshow", "--root"}, {}, false}, {}, false},
      {{"glxgears -fullscreen (floor)", {o.gears, "-fullscreen"}, {}, false}, {}, false},
  };
  if (!o.before.empty()) {
    rows.insert(rows.begin() + 2, {{"Zirbel before, 1 level", {o.before, "/s"}, {}, true}, {}, false});
    rows.insert(rows.begin() + 3, {{"Zirbel before, 10 levels", {o.before, "/s"}, {XK_9}, true}, {}, false});
  }
  if (!o.only.empty()) {
    // The first row stays: the ratios are taken against it.
    rows.erase(std::remove_if(rows.begin() + 1, rows.end(),
                              [&](const Row& r) { return r.program.label.find(o.only) == std::string::npos; }),
               rows.end());
  }
  Bench bench(o);
  if (!bench.Prepare()) return 1;
  const std::string load0 = LoadAverage();
  bool allOk = true;
  // Rounds go through every program in turn, so a change in the machine's
  // load falls on all of them alike.
  std::vector<std::vector<Figures>> runs(rows.size());
  for (int r = 0; r < o.repeats; ++r) {
    for (std::size_t i = 0; i < rows.size(); ++i) {
      std::fprintf(stderr, "round %d of %d: %s\n", r + 1, o.repeats, rows[i].program.label.c_str());
      Figures f;
      if (bench.RunSteady(rows[i].program, &f)) runs[i].push_back(f);
    }
  }
  for (std::size_t i = 0; i < rows.size(); ++i) {
    Row& row = rows[i];
    row.figures = MedianOf(runs[i]);
    // A saver row with more levels differs only after start-up: not timed again.
    if (row.program.keysAfterStart.empty()) {
      Figures s;
      if (bench.RunStartAndExit(row.program, &s)) {
        row.figures.startupMs = s.startupMs;
        row.figures.earlyExitMs = s.earlyExitMs;
      }
    }
    row.ok = !runs[i].empty();
    allOk = allOk && row.ok;
  }
  const std::string md = Table(rows, load0, LoadAverage(), o);
  std::fputs(md.c_str(), stdout);
  if (!o.markdown.empty()) {
    std::ofstream out(o.markdown);
    out << md;
    if (!out) std::fprintf(stderr, "bench_savers: cannot write %s\n", o.markdown.c_str());
  }
  return allOk ? 0 : 1;
}
