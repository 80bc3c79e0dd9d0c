#include "SaverReport.h"

#include <cmath>
#include <cstdio>
#include <sstream>
#include <thread>

#include "SaverProcesses.h"

namespace bench_savers {
namespace {

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

}  // namespace

std::string LoadAverage() {
  std::istringstream in(ReadText("/proc/loadavg"));
  std::string one;
  in >> one;
  return one;
}

namespace {

const Figures* Find(const std::vector<Row>& rows, const std::string& label) {
  for (const auto& r : rows) {
    if (r.ok && r.program.label.rfind(label, 0) == 0) return &r.figures;
  }
  return nullptr;
}

void Goal(std::ostringstream& md, const std::string& goal, const std::string& measured, bool met) {
  md << "| " << goal << " | " << measured << " | " << (met ? "met" : "missed") << " |\n";
}

// Each goal with the figure it is judged by; a figure that could not be
// measured counts as missed.
void Goals(std::ostringstream& md, const std::vector<Row>& rows, const std::vector<Hidden>& hidden, const Options& o) {
  const Figures* one = Find(rows, "Zirbel, 1 level");
  const Figures* ten = Find(rows, "Zirbel, 10 levels");
  md << "\n| Goal | Measured | |\n|---|---|---|\n";
  for (const auto& [peer, limit] : {std::pair<std::string, double>{"photopile", 0.65}, {"glslideshow", 0.5}}) {
    const Figures* p = Find(rows, peer);
    const double ratio = one && p ? one->TotalMsPerFrame() / p->TotalMsPerFrame() : NAN;
    Goal(md, "own + X CPU per frame ≤ " + Num(limit, 2) + " × " + peer + "'s",
         Num(one ? one->TotalMsPerFrame() : NAN, 1) + " ms against " + Num(p ? p->TotalMsPerFrame() : NAN, 1) +
             " ms (" + Num(ratio, 2) + " ×)",
         ratio <= limit);
  }
  Goal(md, "≥ 23 fps at one level", Num(one ? one->fps : NAN, 1) + " fps", one && one->fps >= 23);
  Goal(md, "≥ 20 fps at ten levels", Num(ten ? ten->fps : NAN, 1) + " fps", ten && ten->fps >= 20);
  Goal(md, "key to exit < 25 ms, median of " + std::to_string(o.exitRuns),
       Num(one ? one->exitMs : NAN, 0) + " ms (" + Num(one ? one->exitMinMs : NAN, 0) + " to " +
           Num(one ? one->exitMaxMs : NAN, 0) + ")",
       one && one->exitMs < 25);
  // "Within a frame": one frame interval at the saver's own pacing.
  const double frameMs = one ? one->intervalMedianMs : NAN;
  for (const Hidden& h : hidden) {
    Goal(md, h.how + " window: no frames, < 1 % of a core",
         std::to_string(h.frames) + " frames, " + Num(h.ownCorePercent, 2) + " % of a core (X server " +
             Num(h.serverCorePercent, 2) + " %)",
         h.frames == 0 && h.ownCorePercent < 1);
    Goal(md, h.how + " window: drawing again within a frame (" + Num(frameMs, 1) + " ms)",
         Num(h.shownToFrameMs, 1) + " ms median, " + Num(h.shownToFrameMaxMs, 1) + " ms at most",
         h.shownToFrameMaxMs <= frameMs);
  }
  Goal(md, "anonymous memory < 32 MiB",
       Num(one ? one->anonMiB : NAN, 1) + " MiB at one level, " + Num(ten ? ten->anonMiB : NAN, 1) + " at ten",
       one && ten && one->anonMiB < 32 && ten->anonMiB < 32);
}

}  // namespace

std::string Table(const std::vector<Row>& rows, const std::vector<Hidden>& hidden, const std::string& load0,
                  const std::string& load1, const Options& o) {
  std::ostringstream md;
  md << "| Program | fps | own CPU ms/frame | X server CPU ms/frame | own + X ms/frame | own + X CPU % of a core "
        "| peak RSS MiB | anonymous MiB | frame interval median / p95 / sd ms | start-up ms "
        "| key to exit ms, median (range) |\n";
  md << "|---|---|---|---|---|---|---|---|---|---|---|\n";
  for (const auto& r : rows) {
    const Figures& f = r.figures;
    md << "| " << r.program.label << " | " << Num(f.fps, 1) << " | " << Num(f.ownMsPerFrame, 1) << " | "
       << Num(f.serverMsPerFrame, 1) << " | " << Num(f.TotalMsPerFrame(), 1) << " | "
       << Num(f.TotalMsPerFrame() * f.fps / 10.0, 0) << " | " << Num(f.peakMiB, 0) << " | " << Num(f.anonMiB, 1)
       << " | " << Num(f.intervalMedianMs, 1) << " / " << Num(f.intervalP95Ms, 1) << " / " << Num(f.intervalSdMs, 1)
       << " | " << Num(f.startupMs, 0) << " | "
       << (std::isnan(f.exitMs) ? "–"
                                : Num(f.exitMs, 0) + " (" + Num(f.exitMinMs, 0) + " to " + Num(f.exitMaxMs, 0) + ")")
       << " |\n";
  }
  // Ratios of the saver at one level against each peer.
  const Row& own = rows.front();
  md << "\n| Zirbel, 1 level, against | own CPU/frame | own + X CPU/frame | own + X CPU per second | peak RSS "
        "| anonymous | start-up |\n";
  md << "|---|---|---|---|---|---|---|\n";
  for (std::size_t i = 1; i < rows.size(); ++i) {
    if (!rows[i].program.keysAfterStart.empty()) continue;  // the same saver with more levels
    const Figures &a = own.figures, &b = rows[i].figures;
    md << "| " << rows[i].program.label << " | " << Num(a.ownMsPerFrame / b.ownMsPerFrame, 2) << " | "
       << Num(a.TotalMsPerFrame() / b.TotalMsPerFrame(), 2) << " | "
       << Num((a.TotalMsPerFrame() * a.fps) / (b.TotalMsPerFrame() * b.fps), 2) << " | "
       << Num(a.peakMiB / b.peakMiB, 2) << " | " << Num(a.anonMiB / b.anonMiB, 2) << " | "
       << Num(a.startupMs / b.startupMs, 2) << " |\n";
  }
  md << "\n| Zirbel --window-id, full-screen window | frames while hidden | own CPU % of a core | X server CPU % "
        "| shown again to next frame ms, median / most |\n";
  md << "|---|---|---|---|---|\n";
  for (const Hidden& h : hidden) {
    md << "| " << h.how << " " << o.hiddenRounds << " × " << Num(o.hiddenSeconds, 0) << " s | "
       << (h.frames < 0 ? "–" : std::to_string(h.frames)) << " | " << Num(h.ownCorePercent, 2) << " | "
       << Num(h.serverCorePercent, 2) << " | " << Num(h.shownToFrameMs, 1) << " / " << Num(h.shownToFrameMaxMs, 1)
       << " |\n";
  }
  md << "\nXvfb 1920 x 1080 x 24, Mesa llvmpipe with its default thread count, " << std::thread::hardware_concurrency()
     << " CPUs" << (o.env.empty() ? std::string() : ", environment " + Join(o.env))
     << "; each steady figure is the median of " << o.repeats << " round(s), each taking every program in turn, of "
     << Num(o.window, 0) << " s after a " << Num(o.warmup, 0)
     << " s warm-up, each run on a fresh server. CPU counts user + system time of the program with its children "
        "and of Xvfb. Anonymous memory is the most RssAnon seen in the window: the resident memory that is the "
        "program's own, without the shared libraries (llvmpipe alone maps about 55 MiB of libLLVM). The slide-show "
        "peers load eight generated 1600 x 1200 JPEG patterns, named by imageDirectory in the ~/.xscreensaver of a "
        "scratch HOME. Start-up is process start to the return of the first buffer swap, median of "
     << o.startupRuns << " runs; key to exit is from sending an Escape press (XTest) to the process exited and "
        "reaped, "
     << o.exitRuns << " runs, each 2 s after the first frame. The hidden window is a full-screen window given by "
        "--window-id, unmapped or covered by another window "
     << o.hiddenRounds << " times for " << Num(o.hiddenSeconds, 0)
     << " s each (counted from 0.3 s after hiding), then shown again. 1-minute load average " << load0 << " before, "
     << load1 << " after.\n";
  Goals(md, rows, hidden, o);
  return md.str();
}

}  // namespace bench_savers
