#pragma once
// GNOME's idle monitor on the session bus (org.gnome.Mutter.IdleMonitor) as
// an idle source: an idle watch for the delay, then a user-active watch for
// the input that ends it. Mutter applies GNOME's idle inhibitors to both.
#include <memory>

#include "host/linux/IdleSource.h"

typedef struct _GDBusConnection GDBusConnection;

namespace linuxhost {

class MutterIdle : public IdleSource {
 public:
  // Whether the monitor has an owner on `bus`.
  static bool Offered(GDBusConnection* bus);
  explicit MutterIdle(GDBusConnection* bus);
  ~MutterIdle() override;
  MutterIdle(const MutterIdle&) = delete;
  MutterIdle& operator=(const MutterIdle&) = delete;

  bool Watch(unsigned seconds, IdleCallbacks callbacks, std::string* why) override;

  // A watch of this monitor fired; its name left the bus.
  void Fired(unsigned id);
  void Vanished();

 private:
  bool AddWatch(const char* method, void* arguments, unsigned* id, std::string* why);

  GDBusConnection* bus_;
  IdleCallbacks callbacks_;
  unsigned idleWatch_ = 0;
  unsigned activeWatch_ = 0;
  unsigned subscription_ = 0;
  unsigned nameWatch_ = 0;
};

}  // namespace linuxhost
