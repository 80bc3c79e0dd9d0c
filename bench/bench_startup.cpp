// Start-up of the offscreen renderer: from process start to its first
// finished frame written at 1920 x 1080, and the process's peak memory.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "tools/render/OffscreenGl.h"

extern char** environ;

namespace {

void BM_StartToFirstFrame(benchmark::State& state) {
  std::string why;
  if (!EnsureDisplay(&why)) {
    state.SkipWithError(("no X display: " + why).c_str());
    return;
  }
  const std::string output = "/tmp/zirbel-bench-startup-" + std::to_string(getpid()) + ".png";
  std::string program = ZIRBEL_RENDER_PATH;
  std::string size = "1920x1080", frames = "1", outputOption = "--output", out = output;
  char* argv[] = {program.data(), const_cast<char*>("--size"), size.data(), const_cast<char*>("--frames"),
                  frames.data(), outputOption.data(), out.data(), nullptr};
  long peakKb = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ) != 0) {
      state.SkipWithError("cannot start zirbel-render");
      return;
    }
    int status = 0;
    struct rusage usage {};
    wait4(pid, &status, 0, &usage);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.SetIterationTime(seconds);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      state.SkipWithError("zirbel-render failed");
      return;
    }
    if (usage.ru_maxrss > peakKb) peakKb = usage.ru_maxrss;
  }
  std::remove(output.c_str());
  state.counters["peak_rss_MiB"] = static_cast<double>(peakKb) / 1024.0;
}

}  // namespace

BENCHMARK(BM_StartToFirstFrame)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

BENCHMARK_MAIN();
