#include "host/IdleWatcher.h"

#include <utility>

#include "host/NumberText.h"

IdleWatcher::IdleWatcher(std::function<std::uint64_t()> nowMs, std::int32_t passwordDelaySeconds, bool lockOnReturn)
    : nowMs_(std::move(nowMs)), passwordDelaySeconds_(passwordDelaySeconds), lockOnReturn_(lockOnReturn) {}

IdleAction IdleWatcher::StartIfFree(const SessionNow& now) {
  if (running_ || now.inhibited || now.locked) return IdleAction::None;
  running_ = true;
  stopping_ = false;
  startedMs_ = nowMs_();
  return IdleAction::StartSaver;
}

IdleAction IdleWatcher::OnIdle(const SessionNow& now) {
  idle_ = true;
  return StartIfFree(now);
}

IdleAction IdleWatcher::OnActive() {
  idle_ = false;
  return IdleAction::None;
}

IdleAction IdleWatcher::OnInhibitorsReleased(const SessionNow& now) {
  return idle_ ? StartIfFree(now) : IdleAction::None;
}

IdleAction IdleWatcher::OnSessionLocks() {
  if (!running_ || stopping_) return IdleAction::None;
  stopping_ = true;
  return IdleAction::StopSaver;
}

IdleAction IdleWatcher::OnSaverEnded(SaverEnd end) {
  if (!running_) return IdleAction::None;
  running_ = false;
  // Whatever ended it, the user came back or the session is locked: the next
  // saver waits for the next idle period.
  idle_ = false;
  if (stopping_ || end == SaverEnd::Normal || !lockOnReturn_) return IdleAction::None;
  // The elapsed time against the grace period, as the saver's own close policy
  // measures it: strictly more than the delay locks.
  const std::uint64_t elapsed = nowMs_() - startedMs_;
  const std::uint64_t grace = passwordDelaySeconds_ < 0 ? 0xFFFFFFFFull
                                                        : static_cast<std::uint64_t>(passwordDelaySeconds_) * 1000u;
  return elapsed > grace ? IdleAction::Lock : IdleAction::None;
}

std::uint32_t InhibitorSet::Add(const std::string& owner) {
  while (next_ == 0 || held_.count(next_) != 0) ++next_;
  const std::uint32_t cookie = next_++;
  held_[cookie] = owner;
  return cookie;
}

bool InhibitorSet::Remove(std::uint32_t cookie, const std::string& owner) {
  const auto found = held_.find(cookie);
  if (found == held_.end() || found->second != owner) return false;
  held_.erase(found);
  return true;
}

int InhibitorSet::DropOwner(const std::string& owner) {
  int dropped = 0;
  for (auto it = held_.begin(); it != held_.end();) {
    if (it->second == owner) {
      it = held_.erase(it);
      ++dropped;
    } else {
      ++it;
    }
  }
  return dropped;
}

bool InhibitorSet::Holds(const std::string& owner) const {
  for (const auto& entry : held_) {
    if (entry.second == owner) return true;
  }
  return false;
}

unsigned IdleDelaySeconds(std::int32_t idleMinutes, const char* testSeconds) {
  std::int32_t seconds = 0;
  if (testSeconds != nullptr && ParseNumber(testSeconds, NumberForm::Plain, 1, 7200, &seconds)) {
    return static_cast<unsigned>(seconds);
  }
  return static_cast<unsigned>(idleMinutes < 1 ? 1 : idleMinutes) * 60u;
}
