#pragma once
// The X server's own idle time (the MIT-SCREEN-SAVER extension) as an idle
// source, and what the display tells the watcher's choice: whether it has
// the extension, and whether a screen-saver daemon runs there.
#include <memory>

#include "host/linux/IdleSource.h"

namespace x11host {

class ScreenSaverIdle : public linuxhost::IdleSource {
 public:
  // The display named by $DISPLAY; null when it cannot be opened.
  static std::unique_ptr<ScreenSaverIdle> Connect();
  ~ScreenSaverIdle() override;

  bool HasExtension() const { return hasExtension_; }
  // A daemon sets _SCREENSAVER_VERSION on the root window while it runs.
  bool DaemonRuns() const;

  // Sleeps until the predicted deadline (the delay less the idle time so far);
  // once idle, looks once a second for the input that ends it.
  bool Watch(unsigned seconds, linuxhost::IdleCallbacks callbacks, std::string* why) override;

 private:
  struct State;
  explicit ScreenSaverIdle(std::unique_ptr<State> state);
  std::unique_ptr<State> state_;
  bool hasExtension_ = false;
};

}  // namespace x11host
