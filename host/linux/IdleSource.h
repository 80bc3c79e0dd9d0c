#pragma once
// Where the idle watcher learns that the user is idle: what the session
// offers, the one choice among the sources, and the contract every source
// keeps. The sources live with their window systems (host/wayland,
// host/x11) and here (the desktop's idle monitor on the session bus).
#include <functional>
#include <string>

namespace linuxhost {

// What the session offers the watcher, as probed once at its start.
struct SessionOffers {
  bool wayland = false;              // a Wayland display could be opened
  bool extIdleNotify = false;        // it offers ext_idle_notifier_v1 (and a seat)
  bool kdeIdle = false;              // it offers org_kde_kwin_idle (and a seat)
  bool mutterIdleMonitor = false;    // org.gnome.Mutter.IdleMonitor has an owner on the session bus
  bool x11 = false;                  // an X display could be opened
  bool screenSaverExtension = false; // it has the MIT-SCREEN-SAVER extension
  bool daemonOnDisplay = false;      // a screen-saver daemon announces itself on its root window
};

enum class IdleSourceKind {
  None,              // nothing here tells idleness
  Daemon,            // a screen-saver daemon already starts savers on this display
  MutterIdleMonitor, // GNOME's idle monitor (it applies GNOME's inhibitors)
  ExtIdleNotify,     // Wayland's ext-idle-notify-v1
  KdeIdle,           // Wayland's org_kde_kwin_idle
  ScreenSaverExtension,  // X11's MIT-SCREEN-SAVER
};

// The one choice of the idle source. On an X11 session a daemon that runs
// there wins; GNOME's own monitor comes before the Wayland protocols, since
// it applies the desktop's inhibitors on Wayland and X11 alike; the X11
// extension serves only an X11 session: under Wayland, XWayland sees only
// the input of X clients.
IdleSourceKind ChooseIdleSource(const SessionOffers& offers);

// The source's name, as the watcher reports it.
const char* IdleSourceName(IdleSourceKind kind);

struct IdleCallbacks {
  std::function<void(bool idle)> changed;  // true: idle for the whole delay; false: input after it
  std::function<void()> gone;              // the source's connection ended
};

// One source. Its events come from the thread-default GMainContext.
class IdleSource {
 public:
  virtual ~IdleSource() = default;
  // Starts watching for `seconds` of idleness; false, with `why`, when it cannot.
  virtual bool Watch(unsigned seconds, IdleCallbacks callbacks, std::string* why) = 0;
};

}  // namespace linuxhost
