#pragma once
// The caller's login session as logind keeps it, over the system bus: lock
// it, ask whether it is locked or whether something holds off idleness, and
// hear when it is told to lock. Every call waits at most kCallTimeoutMs, so a
// hung bus never hangs the caller.
#include <functional>
#include <memory>
#include <string>
#include <vector>

typedef struct _GDBusConnection GDBusConnection;

namespace linuxhost::logind {

constexpr int kCallTimeoutMs = 1000;

class Session {
 public:
  // The caller's session: XDG_SESSION_ID, else the session of this process
  // (GetSessionByPID), else logind's "auto" session. Null when there is no
  // system bus, no logind or no session; `why` (may be null) then says which,
  // in a sentence.
  static std::unique_ptr<Session> Open(std::string* why);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Asks logind to lock the session (the desktop's locker then asks for the
  // password). False when the call failed; `why` (may be null) says why.
  bool Lock(std::string* why = nullptr);
  // The session's LockedHint: the desktop's locker shows.
  bool LockedHint() const;
  // Whether an idle inhibitor is held (systemd-inhibit --what=idle).
  bool IdleInhibited() const;
  // Calls `onLock` on the thread-default GMainContext (as it is now) for each
  // Lock signal of the session, for as long as the Session lives.
  void OnLock(std::function<void()> onLock);

  // The session's object path.
  const std::string& Path() const { return path_; }

 private:
  Session(GDBusConnection* bus, std::string path) : bus_(bus), path_(std::move(path)) {}

  GDBusConnection* bus_;
  std::string path_;
  std::vector<unsigned> subscriptions_;
};

// Whether `blocked`, a BlockInhibited value ("handle-power-key:idle"), names `what`.
bool NamesInhibitor(const std::string& blocked, const std::string& what);

}  // namespace linuxhost::logind
