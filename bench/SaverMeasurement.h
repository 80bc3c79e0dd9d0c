// The measurements of the saver comparison: a program's steady frame rate,
// CPU, memory and frame intervals on a fresh server, its start-up and exit
// times, and what the saver costs while its window cannot be seen.
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
  int exitRuns = 5;
  int hiddenRounds = 3;        // of hiding and showing the saver's window
  double hiddenSeconds = 5.0;  // each time it is hidden
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
  double anonMiB = NAN;  // the most resident memory of the program's own, not shared files
  double startupMs = NAN, exitMs = NAN, exitMinMs = NAN, exitMaxMs = NAN;
  double TotalMsPerFrame() const { return ownMsPerFrame + serverMsPerFrame; }
};

// The saver in a window of someone else's (--window-id) that is hidden and
// shown again, several times over.
struct Hidden {
  std::string how;  // "unmapped" or "covered"
  int frames = -1;  // presented while hidden, all rounds together
  double ownCorePercent = NAN, serverCorePercent = NAN;  // medians over the rounds
  double shownToFrameMs = NAN, shownToFrameMaxMs = NAN;  // from showing the window to the next swap
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
  // The saver drawing into a full-screen window that is unmapped, or covered
  // by another window, and shown again (SaverHidden.cpp).
  bool RunHidden(const std::string& saver, bool cover, Hidden* h);
  const Options& options() const { return o_; }

 private:
  std::vector<std::string> Env(const std::string& log, const Server& server) const;
  // Milliseconds from sending an Escape press to the process's exit and
  // reaping; NaN if it does not end within 5 s.
  static double TimeExitOnKey(Server& server, pid_t pid);
  bool Fail(const std::string& why);
  // A folder of generated photographs for the slide-show peers, named in
  // the ~/.xscreensaver file their image loader reads.
  bool WriteImages() const;

  Options o_;
  std::string home_, log_;
};

double Median(std::vector<double> v);
double Percentile(std::vector<double> v, double p);
// Median of each figure over the repeats.
Figures MedianOf(const std::vector<Figures>& runs);

}  // namespace bench_savers
