#include "host/linux/IdleSource.h"

namespace linuxhost {

IdleSourceKind ChooseIdleSource(const SessionOffers& offers) {
  const bool x11Session = offers.x11 && !offers.wayland;
  if (x11Session && offers.daemonOnDisplay) return IdleSourceKind::Daemon;
  if (offers.mutterIdleMonitor) return IdleSourceKind::MutterIdleMonitor;
  if (offers.wayland && offers.extIdleNotify) return IdleSourceKind::ExtIdleNotify;
  if (offers.wayland && offers.kdeIdle) return IdleSourceKind::KdeIdle;
  if (x11Session && offers.screenSaverExtension) return IdleSourceKind::ScreenSaverExtension;
  return IdleSourceKind::None;
}

const char* IdleSourceName(IdleSourceKind kind) {
  switch (kind) {
    case IdleSourceKind::None: break;
    case IdleSourceKind::Daemon: return "a screen-saver daemon";
    case IdleSourceKind::MutterIdleMonitor: return "org.gnome.Mutter.IdleMonitor";
    case IdleSourceKind::ExtIdleNotify: return "ext-idle-notify-v1";
    case IdleSourceKind::KdeIdle: return "org_kde_kwin_idle";
    case IdleSourceKind::ScreenSaverExtension: return "MIT-SCREEN-SAVER";
  }
  return "none";
}

}  // namespace linuxhost
