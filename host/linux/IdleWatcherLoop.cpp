#include "host/linux/IdleWatcherLoop.h"

#include <glib-unix.h>
#include <glib.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "host/IdleWatcher.h"
#include "host/SaverState.h"
#include "host/linux/IdleSource.h"
#include "host/linux/Logind.h"
#include "host/linux/MutterIdle.h"
#include "host/linux/WatcherBus.h"
#include "host/wayland/WaylandIdle.h"
#include "host/x11/ScreenSaverIdle.h"

namespace linuxhost {

namespace {

// How long a saver told to end (SIGTERM) may take before it is killed.
constexpr guint kKillAfterMs = 500;

std::uint64_t NowMs() { return static_cast<std::uint64_t>(g_get_monotonic_time() / 1000); }

bool Set(const char* variable) {
  const char* value = std::getenv(variable);
  return value != nullptr && *value != '\0';
}

// The session's offers, probed once, and the chosen source with them.
struct Probe {
  std::unique_ptr<waylandhost::WaylandIdle> wayland;
  std::unique_ptr<x11host::ScreenSaverIdle> x11;
  SessionOffers offers;

  explicit Probe(GDBusConnection* bus) {
    if (Set("WAYLAND_DISPLAY")) wayland = waylandhost::WaylandIdle::Connect();
    offers.wayland = wayland != nullptr;
    offers.extIdleNotify = wayland != nullptr && wayland->HasExtIdleNotify();
    offers.kdeIdle = wayland != nullptr && wayland->HasKdeIdle();
    offers.mutterIdleMonitor = bus != nullptr && MutterIdle::Offered(bus);
    // Under Wayland the X display is XWayland, which sees only X clients' input.
    if (Set("DISPLAY") && !offers.wayland) x11 = x11host::ScreenSaverIdle::Connect();
    offers.x11 = x11 != nullptr;
    offers.screenSaverExtension = x11 != nullptr && x11->HasExtension();
    offers.daemonOnDisplay = x11 != nullptr && x11->DaemonRuns();
  }

  std::unique_ptr<IdleSource> Take(IdleSourceKind kind, GDBusConnection* bus) {
    switch (kind) {
      case IdleSourceKind::MutterIdleMonitor: return std::make_unique<MutterIdle>(bus);
      case IdleSourceKind::ExtIdleNotify:
      case IdleSourceKind::KdeIdle: return std::move(wayland);
      case IdleSourceKind::ScreenSaverExtension: return std::move(x11);
      case IdleSourceKind::None:
      case IdleSourceKind::Daemon: break;
    }
    return nullptr;
  }
};

class Loop {
 public:
  explicit Loop(const SaverState& state)
      : watcher_(&NowMs, state.passwordDelay, state.lockOnReturn != 0),
        bus_({[this] { Quit(); }, [this] { Act(watcher_.OnInhibitorsReleased(Now())); },
              [this] { Act(watcher_.OnSessionLocks()); }}) {
    loop_ = g_main_loop_new(nullptr, FALSE);
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    program_ = length > 0 ? std::string(path, static_cast<std::size_t>(length)) : "/proc/self/exe";
  }
  ~Loop() {
    if (killTimer_ != 0) g_source_remove(killTimer_);
    g_main_loop_unref(loop_);
  }

  int Run(unsigned seconds);

 private:
  SessionNow Now() const {
    SessionNow now;
    now.inhibited = bus_.Inhibited() || (session_ != nullptr && session_->IdleInhibited());
    now.locked = session_ != nullptr && session_->LockedHint();
    return now;
  }
  void Quit() { g_main_loop_quit(loop_); }
  void Act(IdleAction action);
  void StartSaver();
  void EndSaver();
  static void OnChildEnded(GPid pid, gint status, gpointer data);
  static gboolean OnKillTimer(gpointer data);
  static gboolean OnStopSignal(gpointer data);

  IdleWatcher watcher_;
  WatcherBus bus_;
  GMainLoop* loop_ = nullptr;
  std::string program_;
  std::unique_ptr<logind::Session> session_;
  std::unique_ptr<IdleSource> source_;
  GPid child_ = 0;
  guint killTimer_ = 0;
};

void Loop::StartSaver() {
  char* argv[] = {const_cast<char*>(program_.c_str()), const_cast<char*>("/s"), nullptr};
  GError* error = nullptr;
  // The saver ends with the watcher, even one killed outright.
  GSpawnChildSetupFunc withWatcher = [](gpointer) { prctl(PR_SET_PDEATHSIG, SIGTERM); };
  if (!g_spawn_async(nullptr, argv, nullptr, G_SPAWN_DO_NOT_REAP_CHILD, withWatcher, nullptr, &child_, &error)) {
    std::fprintf(stderr, "zirbel: cannot start the saver: %s\n", error->message);
    g_error_free(error);
    child_ = 0;
    Act(watcher_.OnSaverEnded(SaverEnd::Normal));
    return;
  }
  g_child_watch_add(child_, &Loop::OnChildEnded, this);
}

void Loop::Act(IdleAction action) {
  switch (action) {
    case IdleAction::None: break;
    case IdleAction::StartSaver: StartSaver(); break;
    case IdleAction::StopSaver:
      if (child_ != 0) {
        kill(child_, SIGTERM);
        if (killTimer_ == 0) killTimer_ = g_timeout_add(kKillAfterMs, &Loop::OnKillTimer, this);
      }
      break;
    case IdleAction::Lock: {
      std::string why;
      if (session_ == nullptr || !session_->Lock(&why)) {
        std::fprintf(stderr, "zirbel: the saver ended unexpectedly and the session cannot be locked%s%s\n",
                     why.empty() ? "" : ": ", why.c_str());
      }
      break;
    }
  }
}

void Loop::OnChildEnded(GPid pid, gint status, gpointer data) {
  Loop* self = static_cast<Loop*>(data);
  g_spawn_close_pid(pid);
  self->child_ = 0;
  if (self->killTimer_ != 0) g_source_remove(self->killTimer_);
  self->killTimer_ = 0;
  const bool normal = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  self->Act(self->watcher_.OnSaverEnded(normal ? SaverEnd::Normal : SaverEnd::Fault));
}

// A watcher that ends takes its running saver with it: SIGTERM, then SIGKILL
// once the saver has had the time a stop gives it.
void Loop::EndSaver() {
  if (child_ == 0) return;
  kill(child_, SIGTERM);
  for (guint waited = 0; waited < kKillAfterMs; waited += 10) {
    if (waitpid(child_, nullptr, WNOHANG) == child_) return;
    g_usleep(10 * 1000);
  }
  kill(child_, SIGKILL);
  waitpid(child_, nullptr, 0);
}

gboolean Loop::OnKillTimer(gpointer data) {
  Loop* self = static_cast<Loop*>(data);
  self->killTimer_ = 0;
  if (self->child_ != 0) kill(self->child_, SIGKILL);
  return G_SOURCE_REMOVE;
}

gboolean Loop::OnStopSignal(gpointer data) {
  static_cast<Loop*>(data)->Quit();
  return G_SOURCE_CONTINUE;
}

int Loop::Run(unsigned seconds) {
  std::string why;
  if (!bus_.Claim(&why)) {
    std::fprintf(stderr, "zirbel: %s\n", why.c_str());
    return 1;
  }
  Probe probe(bus_.Bus());
  const IdleSourceKind kind = ChooseIdleSource(probe.offers);
  if (kind == IdleSourceKind::Daemon) {
    std::fprintf(stderr, "zirbel: a screen-saver daemon runs on this display; it starts the saver here\n");
    return 0;
  }
  // What holds the saver back is known before the source can first say idle.
  std::string noSession;
  session_ = logind::Session::Open(&noSession);
  if (session_ == nullptr) {
    std::fprintf(stderr, "zirbel: %s Without it the session's lock is not watched.\n", noSession.c_str());
  } else {
    session_->OnLock([this] { Act(watcher_.OnSessionLocks()); });
  }
  const bool serving = bus_.ServeInhibitors();
  source_ = probe.Take(kind, bus_.Bus());
  IdleCallbacks callbacks;
  callbacks.changed = [this](bool idle) { Act(idle ? watcher_.OnIdle(Now()) : watcher_.OnActive()); };
  callbacks.gone = [this] { Quit(); };
  if (source_ == nullptr || !source_->Watch(seconds, callbacks, &why)) {
    std::fprintf(stderr, "zirbel: nothing in this session tells when the user is idle%s%s\n",
                 why.empty() ? "" : ": ", why.c_str());
    return 1;
  }
  std::fprintf(stderr, "zirbel: watching for %u s of inactivity (%s%s)\n", seconds, IdleSourceName(kind),
               serving ? ", serving org.freedesktop.ScreenSaver" : "");
  g_unix_signal_add(SIGTERM, &Loop::OnStopSignal, this);
  g_unix_signal_add(SIGINT, &Loop::OnStopSignal, this);
  g_main_loop_run(loop_);
  EndSaver();
  return 0;
}

}  // namespace

int RunIdleWatcher(const SaverState& state) {
  // ZIRBEL_TEST_IDLE_SECONDS is set only by the tests and the benchmark: a
  // delay of seconds in place of the IdleMinutes setting.
  const unsigned seconds = IdleDelaySeconds(state.idleMinutes, std::getenv("ZIRBEL_TEST_IDLE_SECONDS"));
  Loop loop(state);
  return loop.Run(seconds);
}

}  // namespace linuxhost
