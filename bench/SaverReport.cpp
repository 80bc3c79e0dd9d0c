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

}  // namespace bench_savers
