// The measurements of the saver comparison: a program's steady frame rate,
// CPU, memory and frame intervals on a fresh server, and its start-up and
// exit times.
#pragma once

#include <X11/Xlib.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "SaverProcesses.h"

namespace bench_savers {

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
  ~Bench();
  bool Prepare();
  // Frame rate, CPU, memory and intervals over a window after a warm-up.
  bool RunSteady(const Program& p, Figures* f);
  // Process start to the first presented frame, median over several runs on
  // one server; for a saver that ends on a key, also key press to exit.
  bool RunStartAndExit(const Program& p, Figures* f);
  const Options& options() const { return o_; }

 private:
  std::vector<std::string> Env(const std::string& log, const Server& server) const;
  // Milliseconds from an Escape press to the process's exit; NaN if it
  // does not end within 5 s.
  static double TimeExitOnKey(Server& server, pid_t pid);
  bool Fail(const std::string& why);

  Options o_;
  std::string home_, log_;
};

double Median(std::vector<double> v);
double Percentile(std::vector<double> v, double p);
// Median of each figure over the repeats.
Figures MedianOf(const std::vector<Figures>& runs);

}  // namespace bench_savers
