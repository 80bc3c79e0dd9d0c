#pragma once
// The idle watcher on the session bus: the one name that makes it the only
// watcher of the session (org.zirbel.IdleWatcher, with its Quit method), the
// applications' inhibitors (org.freedesktop.ScreenSaver, served where no one
// else serves it), and GNOME's screen shield (org.gnome.ScreenSaver). Without
// a session bus, a lock file in $XDG_RUNTIME_DIR keeps the watcher alone.
#include <functional>
#include <map>
#include <string>

#include "host/IdleWatcher.h"
#include "host/linux/Autostart.h"

typedef struct _GDBusConnection GDBusConnection;

namespace linuxhost {

class WatcherBus {
 public:
  struct Events {
    std::function<void()> quit;               // Quit() was called
    std::function<void()> inhibitorsReleased; // the last inhibitor went
    std::function<void()> shieldUp;           // the desktop's screen shield came up
  };

  explicit WatcherBus(Events events);
  ~WatcherBus();
  WatcherBus(const WatcherBus&) = delete;
  WatcherBus& operator=(const WatcherBus&) = delete;

  // Makes this the session's one watcher: the bus name, else the lock file.
  // False when another watcher holds it (`why` says so) or neither can be had.
  bool Claim(std::string* why);
  // The session bus, or null when there is none.
  GDBusConnection* Bus() const { return bus_; }
  // Serves org.freedesktop.ScreenSaver unless someone else does; whether it serves.
  bool ServeInhibitors();
  // Whether an application's inhibitor is held.
  bool Inhibited() const { return !inhibitors_.Empty(); }

  // The bus calls, from the thread-default GMainContext.
  void Call(const std::string& sender, const std::string& interface, const std::string& method, void* parameters,
            void* invocation);
  void OwnerLeft(const std::string& owner);
  void ShieldChanged(bool active);

 private:
  bool Export(const char* path, const char* xml, unsigned* id);

  Events events_;
  GDBusConnection* bus_ = nullptr;
  int lockFile_ = -1;
  InhibitorSet inhibitors_;
  std::map<std::string, unsigned> ownerWatches_;  // each inhibiting client's name watch
  unsigned objects_[3] = {0, 0, 0};
  unsigned shieldSubscription_ = 0;
};

}  // namespace linuxhost
