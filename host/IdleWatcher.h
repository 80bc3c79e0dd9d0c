#pragma once
// The idle watcher's decisions, apart from any desktop: when to start the
// full-screen saver, when to end it, and when to lock the session because it
// ended badly. The event loop translates what the session tells it (the
// idle source, the inhibitors, the session's lock) into these calls and
// carries out the action each one answers. Time comes from the clock handed in.
#include <cstdint>
#include <functional>
#include <map>
#include <string>

enum class IdleAction {
  None,
  StartSaver,  // run the full-screen saver
  StopSaver,   // end the running saver (it must not be drawn behind a lock screen)
  Lock,        // ask the session to lock
};

// How a saver the watcher started ended.
enum class SaverEnd {
  Normal,  // exit code 0: its own close policy ended it
  Fault,   // a signal, a crash or a nonzero exit code
};

// What holds the saver back at the moment of an event.
struct SessionNow {
  bool inhibited = false;  // an idle inhibitor is held (the desktop's or an application's)
  bool locked = false;     // the session is locked: its locker shows
};

class IdleWatcher {
 public:
  // `nowMs`: a monotonic clock in milliseconds. `passwordDelaySeconds`: the
  // grace period after which a faulty end leaves the session locked, when
  // `lockOnReturn` is set.
  IdleWatcher(std::function<std::uint64_t()> nowMs, std::int32_t passwordDelaySeconds, bool lockOnReturn);

  // The user has been idle for the whole delay.
  IdleAction OnIdle(const SessionNow& now);
  // Input again after an idle period.
  IdleAction OnActive();
  // The last inhibitor was released: a user idle all along gets the saver now.
  IdleAction OnInhibitorsReleased(const SessionNow& now);
  // The session locked (its Lock signal, or the desktop's shield came up).
  IdleAction OnSessionLocks();
  // The saver the watcher started has ended.
  IdleAction OnSaverEnded(SaverEnd end);

  bool SaverRunning() const { return running_; }
  bool UserIdle() const { return idle_; }

 private:
  IdleAction StartIfFree(const SessionNow& now);

  std::function<std::uint64_t()> nowMs_;
  std::int32_t passwordDelaySeconds_;
  bool lockOnReturn_;
  bool idle_ = false;
  bool running_ = false;
  bool stopping_ = false;  // the watcher itself ends the saver: no fault of its own
  std::uint64_t startedMs_ = 0;
};

// The applications' idle inhibitors (Inhibit / UnInhibit), by cookie, each
// with the bus name of the client that holds it.
class InhibitorSet {
 public:
  // A new inhibitor of `owner`; its cookie, never 0.
  std::uint32_t Add(const std::string& owner);
  // Releases the cookie if `owner` holds it; false otherwise.
  bool Remove(std::uint32_t cookie, const std::string& owner);
  // Drops every inhibitor of `owner` (it left the bus); how many.
  int DropOwner(const std::string& owner);
  bool Empty() const { return held_.empty(); }
  // Whether `owner` holds any.
  bool Holds(const std::string& owner) const;

 private:
  std::map<std::uint32_t, std::string> held_;
  std::uint32_t next_ = 1;
};

// The idle delay in seconds: `idleMinutes` minutes, unless `testSeconds` (the
// value of the test override, null when unset) is a whole number of seconds
// from 1 to 7200.
unsigned IdleDelaySeconds(std::int32_t idleMinutes, const char* testSeconds);
