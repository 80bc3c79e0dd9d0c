// The saver drawing into a window made by someone else (--window-id), as a
// screen-saver daemon or a settings preview starts it, while that window is
// unmapped or fully covered by another: how many frames it presents, how
// much of a core it and the X server use, and how soon after the window is
// shown again the next frame arrives.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>

#include "SaverMeasurement.h"

namespace bench_savers {
namespace {

std::size_t SwapCount(const std::string& log) {
  struct stat st {};
  return stat(log.c_str(), &st) == 0 ? static_cast<std::size_t>(st.st_size) / sizeof(Nanos) : 0;
}

Window FullScreenWindow(Display* d, bool overrideRedirect) {
  XSetWindowAttributes a{};
  a.background_pixel = BlackPixel(d, DefaultScreen(d));
  a.override_redirect = overrideRedirect ? True : False;
  const Window w = XCreateWindow(d, DefaultRootWindow(d), 0, 0, 1920, 1080, 0, CopyFromParent, InputOutput,
                                 CopyFromParent, CWBackPixel | CWOverrideRedirect, &a);
  return w;
}

}  // namespace

bool Bench::RunHidden(const std::string& saver, bool cover, Hidden* h) {
  h->how = cover ? "covered" : "unmapped";
  Server server(o_.display + 2);
  if (!server.Open()) return Fail("cannot start Xvfb " + server.Name());
  Display* d = server.Connection();
  const Window target = FullScreenWindow(d, false);
  const Window lid = FullScreenWindow(d, true);
  XMapWindow(d, target);
  XSync(d, False);
  char id[32];
  std::snprintf(id, sizeof id, "0x%lx", target);
  std::remove(log_.c_str());
  const pid_t pid = Spawn({saver, "--window-id", id}, Env(log_, server), true);
  if (pid <= 0 || WaitFirstSwap(log_, pid, 30) == 0) {
    Stop(pid);
    return Fail(h->how + " window: no frame presented");
  }
  SleepMs(3000);
  std::vector<double> own, x, shown;
  int frames = 0;
  for (int round = 0; round < o_.hiddenRounds; ++round) {
    if (cover) XMapRaised(d, lid);
    else XUnmapWindow(d, target);
    XSync(d, False);
    SleepMs(300);  // the frame that was being drawn when the window went
    const std::size_t n0 = SwapCount(log_);
    const double own0 = TreeCpuSeconds(pid), x0 = TreeCpuSeconds(server.Pid());
    const Nanos t0 = Now();
    SleepMs(o_.hiddenSeconds * 1000);
    const double seconds = static_cast<double>(Now() - t0) / 1e9;
    own.push_back((TreeCpuSeconds(pid) - own0) * 100 / seconds);
    x.push_back((TreeCpuSeconds(server.Pid()) - x0) * 100 / seconds);
    const std::size_t n1 = SwapCount(log_);
    frames += static_cast<int>(n1 - n0);

    const Nanos showing = Now();
    if (cover) XUnmapWindow(d, lid);
    else XMapWindow(d, target);
    XSync(d, False);
    while (SwapCount(log_) <= n1 && Now() - showing < 5000000000LL) SleepMs(0.2);
    const std::vector<Nanos> swaps = ReadSwaps(log_);
    if (swaps.size() <= n1) {
      Stop(pid);
      return Fail(h->how + " window: no frame within 5 s of showing it again");
    }
    shown.push_back(static_cast<double>(swaps[n1] - showing) / 1e6);
    SleepMs(1000);
  }
  const bool alive = waitpid(pid, nullptr, WNOHANG) == 0;
  Stop(pid);
  if (!alive) return Fail(h->how + " window: the saver ended");
  h->frames = frames;
  h->ownCorePercent = Median(own);
  h->serverCorePercent = Median(x);
  h->shownToFrameMs = Median(shown);
  h->shownToFrameMaxMs = *std::max_element(shown.begin(), shown.end());
  return true;
}

}  // namespace bench_savers
