#pragma once
// The compositor's idle notifications as an idle source: ext-idle-notify-v1
// where it is offered, else org_kde_kwin_idle. The compositor applies its
// own idle inhibitors to both.
#include <memory>

#include "host/linux/IdleSource.h"

namespace waylandhost {

class WaylandIdle : public linuxhost::IdleSource {
 public:
  // The display named by $WAYLAND_DISPLAY, its globals read; null when it
  // cannot be opened.
  static std::unique_ptr<WaylandIdle> Connect();
  ~WaylandIdle() override;

  bool HasExtIdleNotify() const;
  bool HasKdeIdle() const;

  // Uses ext-idle-notify-v1 when offered, else org_kde_kwin_idle.
  bool Watch(unsigned seconds, linuxhost::IdleCallbacks callbacks, std::string* why) override;

  struct State;

 private:
  explicit WaylandIdle(std::unique_ptr<State> state);
  std::unique_ptr<State> state_;
};

}  // namespace waylandhost
