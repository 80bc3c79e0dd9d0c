#include "host/linux/IdleSource.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace {

using linuxhost::IdleSourceKind;

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
