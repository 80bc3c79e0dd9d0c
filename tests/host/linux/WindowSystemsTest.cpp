// What the session offers decides the window system that draws a run and
// the source that tells the idle watcher of the user's input.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "host/linux/IdleSource.h"
#include "host/linux/WindowSystems.h"

namespace {

using linuxhost::IdleSourceKind;
using linuxhost::WindowSystem;

// Probes that answer as the case says and count how often they are asked.
bool waylandHere = false;
int asked = 0;
bool AskWayland() {
  ++asked;
  return waylandHere;
}
bool AskConsole() {
  ++asked;
  return true;
}

// The program's two rows as they are, and a third, console-like row that
// draws only the saver, after them.
std::vector<WindowSystem> Table() {
  std::vector<WindowSystem> systems = linuxhost::WindowSystems();
  systems[1].probe = &AskWayland;
  systems.push_back({"console", "the console", "", BackendCaps{}, &AskConsole, nullptr, nullptr});
  return systems;
}

TEST(WindowSystems, ProbedRowsComeFirstTheRowWithoutAProbeLastAndOnlyWhatCanDrawTheRun) {
  const std::tuple<const char*, RunKind, bool, const char*, int, const char*> cases[] = {
      // forced, the run, Wayland here, chosen, probes asked, error
      {"", RunKind::Saver, true, "wayland", 1, ""},
      {"", RunKind::Saver, false, "console", 2, ""},  // GNOME Shell: no layer-shell
      {"", RunKind::Preview, true, "x11", 0, ""},     // only X11 draws into another window
      {"", RunKind::Borrowed, true, "x11", 0, ""},
      {"", RunKind::Background, false, nullptr, 1, "--layer needs Wayland"},
      {"x11", RunKind::Saver, true, "x11", 0, ""},
      {"wayland", RunKind::Saver, false, "wayland", 0, ""},
      {"x11", RunKind::Background, true, nullptr, 0, "--layer needs Wayland, not --x11"},
      {"wayland", RunKind::Preview, true, nullptr, 0, "a preview needs X11, not --wayland"},
      {"console", RunKind::Borrowed, true, nullptr, 0, "--root or --window-id needs X11, not --console"},
  };
  const std::vector<WindowSystem> table = Table();
  for (const auto& [forced, kind, here, chosen, probes, error] : cases) {
    waylandHere = here;
    asked = 0;
    std::string why;
    const WindowSystem* system = linuxhost::ChooseWindowSystem(table, forced, kind, &why);
    EXPECT_STREQ(system != nullptr ? system->name : nullptr, chosen) << forced << " " << static_cast<int>(kind);
    EXPECT_EQ(why, error);
    EXPECT_EQ(asked, probes) << "a probe is asked only when its answer decides";
  }
}

// A session as the letters say: W Wayland, e ext-idle-notify, k org_kde_kwin_idle,
// G GNOME's idle monitor, X an X display, s MIT-SCREEN-SAVER, D a daemon on it.
linuxhost::SessionOffers Session(const std::string& letters) {
  linuxhost::SessionOffers offers;
  const auto has = [&](char c) { return letters.find(c) != std::string::npos; };
  offers.wayland = has('W');
  offers.extIdleNotify = has('e');
  offers.kdeIdle = has('k');
  offers.mutterIdleMonitor = has('G');
  offers.x11 = has('X');
  offers.screenSaverExtension = has('s');
  offers.daemonOnDisplay = has('D');
  return offers;
}

TEST(IdleSource, EachSessionGetsTheSourceThatSeesAllOfItsInput) {
  const std::tuple<const char*, IdleSourceKind> cases[] = {
      {"Wk", IdleSourceKind::KdeIdle},                 // sway
      {"WekXs", IdleSourceKind::ExtIdleNotify},        // KWin, with XWayland
      {"WGXs", IdleSourceKind::MutterIdleMonitor},     // GNOME on Wayland
      {"GXs", IdleSourceKind::MutterIdleMonitor},      // GNOME on X11
      {"Xs", IdleSourceKind::ScreenSaverExtension},    // a bare X11 session
      {"XsD", IdleSourceKind::Daemon},                 // a daemon starts savers there
      {"GXsD", IdleSourceKind::Daemon},
      {"WkXsD", IdleSourceKind::KdeIdle},              // a daemon on XWayland sees no Wayland input
      {"WXs", IdleSourceKind::None},                   // XWayland alone cannot tell
      {"ek", IdleSourceKind::None},                    // protocols without a display
      {"X", IdleSourceKind::None},
      {"", IdleSourceKind::None},
  };
  for (const auto& [letters, kind] : cases) {
    EXPECT_EQ(ChooseIdleSource(Session(letters)), kind) << letters << ": " << IdleSourceName(kind);
  }
}

}  // namespace
