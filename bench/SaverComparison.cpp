// Runs the Linux saver and peer GL programs one after another, each on its own
// fresh Xvfb at 1920 x 1080 with Mesa's software rasteriser, and measures what
// a user pays while they run: frames per second, CPU per frame of the program
// and of the X server, peak resident memory, the spread of frame intervals,
// start-up to the first presented frame and, for the saver, the time from a
// key press to process exit and what it costs while its window is hidden.
// Frames are counted by a preloaded probe that
// logs every glXSwapBuffers (see SwapProbe.cpp). SaverProcesses starts the
// programs and servers, SaverMeasurement takes the figures, SaverReport writes
// the tables.
#include <X11/keysym.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "SaverMeasurement.h"
#include "SaverReport.h"

using namespace bench_savers;

namespace {

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
    else if (a == "--exit-runs") o->exitRuns = std::max(1, std::atoi(value().c_str()));
    else if (a == "--quick") o->quick = true;
    else if (a == "--env" && i + 1 < argc && std::strchr(argv[i + 1], '=') != nullptr) o->env.push_back(value());
    else {
      std::fprintf(stderr,
                   "usage: bench_savers [--zirbel PATH] [--before PATH] [--only TEXT] [--probe PATH] [--peers DIR]\n"
                   "                    [--markdown FILE]\n"
                   "                    [--display N] [--window S] [--warmup S] [--repeats N] [--startup-runs N]\n"
                   "                    [--exit-runs N] [--quick] [--env NAME=VALUE]...\n");
      return false;
    }
  }
  if (o->quick) {
    o->repeats = 1;
    o->window = 4;
    o->startupRuns = 3;
    o->exitRuns = 3;
    o->hiddenRounds = 1;
    o->hiddenSeconds = 3;
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
      {{"photopile --root", {o.peers + "/photopile", "--root"}, {}, false}, {}, false},
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
        row.figures.exitMs = s.exitMs;
        row.figures.exitMinMs = s.exitMinMs;
        row.figures.exitMaxMs = s.exitMaxMs;
      }
    }
    row.ok = !runs[i].empty();
    allOk = allOk && row.ok;
  }
  std::vector<Hidden> hidden;
  for (bool cover : {false, true}) {
    std::fprintf(stderr, "the saver's window %s\n", cover ? "covered" : "unmapped");
    Hidden h;
    allOk = bench.RunHidden(o.zirbel, cover, &h) && allOk;
    hidden.push_back(h);
  }
  const std::string md = Table(rows, hidden, load0, LoadAverage(), o);
  std::fputs(md.c_str(), stdout);
  if (!o.markdown.empty()) {
    std::ofstream out(o.markdown);
    out << md;
    if (!out) std::fprintf(stderr, "bench_savers: cannot write %s\n", o.markdown.c_str());
  }
  return allOk ? 0 : 1;
}
