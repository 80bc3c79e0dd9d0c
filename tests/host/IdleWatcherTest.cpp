#include "host/IdleWatcher.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

constexpr SessionNow kFree{false, false};
constexpr SessionNow kInhibited{true, false};
constexpr SessionNow kLocked{false, true};

struct Watcher {
  std::uint64_t now = 1000;
  IdleWatcher watcher{[this] { return now; }, 15, true};
};

TEST(IdleWatcher, StartsOnceWhenFreeAndAgainOnlyAfterTheNextIdlePeriod) {
  Watcher w;
  EXPECT_EQ(w.watcher.OnIdle(kInhibited), IdleAction::None);
  EXPECT_EQ(w.watcher.OnIdle(kLocked), IdleAction::None);
  EXPECT_EQ(w.watcher.OnIdle(kFree), IdleAction::StartSaver);
  EXPECT_EQ(w.watcher.OnIdle(kFree), IdleAction::None) << "one saver at a time";
  EXPECT_EQ(w.watcher.OnInhibitorsReleased(kFree), IdleAction::None);
  EXPECT_EQ(w.watcher.OnActive(), IdleAction::None);
  EXPECT_EQ(w.watcher.OnSaverEnded(SaverEnd::Normal), IdleAction::None);
  EXPECT_FALSE(w.watcher.SaverRunning());
  EXPECT_EQ(w.watcher.OnInhibitorsReleased(kFree), IdleAction::None) << "the user came back";
  EXPECT_EQ(w.watcher.OnIdle(kFree), IdleAction::StartSaver);
}

TEST(IdleWatcher, ReleasedInhibitorsStartTheSaverOnlyForAUserStillIdle) {
  Watcher w;
  EXPECT_EQ(w.watcher.OnIdle(kInhibited), IdleAction::None);
  EXPECT_EQ(w.watcher.OnInhibitorsReleased(kLocked), IdleAction::None);
  EXPECT_EQ(w.watcher.OnInhibitorsReleased(kFree), IdleAction::StartSaver);
  Watcher back;
  EXPECT_EQ(back.watcher.OnIdle(kInhibited), IdleAction::None);
  EXPECT_EQ(back.watcher.OnActive(), IdleAction::None);
  EXPECT_EQ(back.watcher.OnInhibitorsReleased(kFree), IdleAction::None);
}

TEST(IdleWatcher, TheSessionsLockStopsARunningSaverOnceAndItsEndIsNoFault) {
  Watcher w;
  EXPECT_EQ(w.watcher.OnSessionLocks(), IdleAction::None) << "nothing runs";
  ASSERT_EQ(w.watcher.OnIdle(kFree), IdleAction::StartSaver);
  w.now += 60000;
  EXPECT_EQ(w.watcher.OnSessionLocks(), IdleAction::StopSaver);
  EXPECT_EQ(w.watcher.OnSessionLocks(), IdleAction::None);
  EXPECT_EQ(w.watcher.OnSaverEnded(SaverEnd::Fault), IdleAction::None) << "killed by the watcher itself";
  ASSERT_EQ(w.watcher.OnIdle(kFree), IdleAction::StartSaver);
  w.now += 60000;
  EXPECT_EQ(w.watcher.OnSaverEnded(SaverEnd::Fault), IdleAction::Lock) << "the next run is watched again";
}

TEST(IdleWatcher, OnlyAFaultyEndAfterTheGracePeriodLocksAndOnlyWithLockOnReturn) {
  const std::tuple<std::int32_t, bool, SaverEnd, std::uint64_t, IdleAction> cases[] = {
      // delay s, lock on return, end, ms run, action
      {15, true, SaverEnd::Fault, 15001, IdleAction::Lock},
      {15, true, SaverEnd::Fault, 15000, IdleAction::None},  // exactly the grace period
      {15, true, SaverEnd::Normal, 60000, IdleAction::None}, // its own close policy ran
      {15, false, SaverEnd::Fault, 60000, IdleAction::None},
      {0, true, SaverEnd::Fault, 1, IdleAction::Lock},
      {-1, true, SaverEnd::Fault, 3600000, IdleAction::None},  // as the close policy reads -1
  };
  for (const auto& [delay, lock, end, ran, action] : cases) {
    std::uint64_t now = 5000;
    IdleWatcher watcher([&now] { return now; }, delay, lock);
    ASSERT_EQ(watcher.OnIdle(kFree), IdleAction::StartSaver);
    now += ran;
    EXPECT_EQ(watcher.OnSaverEnded(end), action) << delay << " " << lock << " " << ran;
    EXPECT_EQ(watcher.OnSaverEnded(end), IdleAction::None) << "ended once";
  }
}

TEST(InhibitorSet, CookiesBelongToTheirClientsAndALeavingClientTakesAllOfItsOwn) {
  InhibitorSet set;
  const std::uint32_t a = set.Add(":1.5");
  const std::uint32_t b = set.Add(":1.5");
  const std::uint32_t c = set.Add(":1.9");
  EXPECT_NE(a, 0u);
  EXPECT_NE(a, b);
  EXPECT_NE(b, c);
  EXPECT_FALSE(set.Remove(c, ":1.5")) << "another client's cookie";
  EXPECT_FALSE(set.Remove(77, ":1.9"));
  EXPECT_TRUE(set.Remove(c, ":1.9"));
  EXPECT_FALSE(set.Remove(c, ":1.9")) << "released twice";
  EXPECT_FALSE(set.Empty());
  EXPECT_TRUE(set.Holds(":1.5"));
  EXPECT_EQ(set.DropOwner(":1.9"), 0);
  EXPECT_EQ(set.DropOwner(":1.5"), 2);
  EXPECT_TRUE(set.Empty());
  EXPECT_FALSE(set.Holds(":1.5"));
}

TEST(IdleDelay, MinutesUnlessTheTestOverrideIsAWholeNumberOfSeconds) {
  const std::tuple<std::int32_t, const char*, unsigned> cases[] = {
      {10, nullptr, 600}, {1, "", 60}, {120, "3", 3}, {10, "7200", 7200},
      {10, "0", 600},     {10, "7201", 600}, {10, "2s", 600}, {10, "-4", 600},
  };
  for (const auto& [minutes, text, seconds] : cases) {
    EXPECT_EQ(IdleDelaySeconds(minutes, text), seconds) << minutes << " " << (text ? text : "(unset)");
  }
}

}  // namespace
