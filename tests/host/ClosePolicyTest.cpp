#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <tuple>

#include "field/KeyCodes.h"
#include "host/ClosePolicy.h"
#include "scene/KaleidoScene.h"
#include "tests/host/FakeBackend.h"

namespace {

// Logs what the policy asks of the window. The password dialog answers
// `passwordAnswer` and runs `duringDialog` while it is up, as the system's
// modal loop delivers messages then.
struct FakeServices : SaverWindowServices {
  Log log;
  CursorPoint cursor{100, 200};
  bool cursorReadable = true;
  std::uint32_t tick = 5000;
  int passwordAnswer = 1;
  ClosePolicy* policy = nullptr;
  std::function<void()> duringDialog = [] {};

  void PostCloseRequest() override { log.push_back("post"); }
  void RefreshCursor() override { log.push_back(policy->CursorVisible() ? "arrow" : "no arrow"); }
  bool CursorPosition(CursorPoint& out) override {
    if (cursorReadable) out = cursor;
    return cursorReadable;
  }
  std::uint32_t TickCount() override { return tick; }
  int VerifyPassword() override {
    log.push_back("verify");
    duringDialog();
    return passwordAnswer;
  }
  void LockSession() override { log.push_back("lock"); }
  void DestroySaverWindow() override { log.push_back("destroy"); }
};

const Log kChecked = {"post", "arrow", "verify", "no arrow"};  // a close request and a password check

class ClosePolicyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    services.policy = &policy;
    scenes.Start(WholeWindow(640, 480), 640, 480, 1, 0);
    policy.OnCreate();
  }
  void MoveTo(std::int32_t x, std::int32_t y, ClosePolicy* other = nullptr) {
    services.cursor = {x, y};
    (other != nullptr ? other : &policy)->OnMouseMove();
  }
  Disposition HandleCloseAfter(std::uint32_t milliseconds) {
    services.tick = state.startTick + milliseconds;
    return policy.OnClose();
  }

  SaverState state;
  FakeServices services;
  Log drawn;
  SceneSet scenes{{}, BareViews(&drawn)};  // answers the key table without a field
  ClosePolicy policy{state, services, true, &scenes};
};

TEST_F(ClosePolicyTest, MouseThresholdIsPerAxisAndStrict) {
  const std::tuple<std::int32_t, std::int32_t, std::size_t> moves[] = {  // x, y, close requests after
      {150, 200, 0}, {100, 150, 0}, {60, 240, 0},  // 50 on an axis, 40 on each: no sum
      {100, 251, 1}, {49, 200, 2}};                // 51 either way, every time
  for (const auto& [x, y, posted] : moves) {
    MoveTo(x, y);
    EXPECT_EQ(services.log.size(), posted) << x << "," << y;
  }
  state.cursorOrigin = {INT32_MIN, 0};
  state.mouseThreshold = INT32_MAX;
  MoveTo(INT32_MAX, 0);
  EXPECT_EQ(services.log.size(), 3u) << "a distance beyond 2^31 is still beyond the threshold";
}

TEST_F(ClosePolicyTest, ACursorThatCannotBeReadKeepsTheLastKnownPosition) {
  services.cursorReadable = false;
  MoveTo(0, 0);
  EXPECT_EQ(services.log, Log{}) << "an unreadable cursor is not a move to (0, 0)";
  state.closeRequested = 1;
  services.passwordAnswer = 0;
  HandleCloseAfter(20000);
  services.cursorReadable = true;
  MoveTo(140, 240);
  EXPECT_EQ(services.log, Log({"arrow", "verify", "no arrow"})) << "the origin stays where it was after the check";

  SaverState fresh;  // unreadable at creation: the first position seen becomes the origin
  ClosePolicy late{fresh, services, true, &scenes};
  services.cursorReadable = false;
  late.OnCreate();
  services.cursorReadable = true;
  MoveTo(900, 900, &late);
  MoveTo(951, 900, &late);
  EXPECT_EQ(services.log.back(), "post");
}

// After the grace period a close asks for the password and, with
// LockOnReturn, locks the session before the window goes.
TEST_F(ClosePolicyTest, GracePeriodCountsFromCreationAndOnlyAfterItTheSessionLocks) {
  // s, created at, ms, LockOnReturn, asks for the password
  const std::tuple<std::int32_t, std::uint32_t, std::uint32_t, std::int32_t, bool> cases[] = {
      {15, 5000, 15000, 1, false}, {15, 5000, 15001, 1, true},  // exactly the delay: no password
      {15, 5000, 15001, 0, true},
      {0, 5000, 0, 1, false},      {0, 5000, 1, 1, true},       // 0 asks after the first millisecond
      {-1, 5000, 4000000000u, 1, false},                        // -1 taken as unsigned never asks
      {15, 0xFFFFF000u, 4352, 1, false}, {15, 0xFFFFF000u, 15001, 1, true},  // across the tick's wrap
  };
  for (const auto& [delay, createdAt, elapsed, lockOnReturn, asksForPassword] : cases) {
    state = SaverState{};
    state.passwordDelay = delay;
    state.lockOnReturn = lockOnReturn;
    services.tick = createdAt;
    services.log.clear();
    policy.OnCreate();
    HandleCloseAfter(elapsed - (elapsed > 0 ? 1 : 0));  // no activity yet: no close
    policy.OnKeyOrButton('Q');  // activity late in the grace period does not restart it
    EXPECT_EQ(HandleCloseAfter(elapsed), Disposition::Handled);
    Log expected = asksForPassword ? kChecked : Log{"post"};
    if (asksForPassword && lockOnReturn != 0) expected.push_back("lock");
    expected.push_back("destroy");
    EXPECT_EQ(services.log, expected) << delay << " s, " << elapsed << " ms, LockOnReturn " << lockOnReturn;
  }
}

TEST_F(ClosePolicyTest, ConsumedKeysKeepTheSaverAndAnythingElseCloses) {
  policy.OnKeyOrButton('5');
  EXPECT_EQ(scenes.Primary()->levels, 6) << "keys reach the primary scene";
  EXPECT_EQ(services.log, Log{}) << "a consumed key keeps the saver";
  EXPECT_EQ(policy.OnKeyOrButton(keycode::kEscape), Disposition::DefaultProcessing);
  policy.OnKeyOrButton(0x01);  // left button
  policy.scenes = nullptr;  // without scenes every key closes
  policy.OnKeyOrButton(keycode::kSpace);
  policy.OnActivation(true);
  policy.OnActivation(false);
  EXPECT_EQ(services.log, Log(4, "post"));
}

TEST_F(ClosePolicyTest, FailedVerificationKeepsTheSaverWithTheOriginMoved) {
  services.passwordAnswer = 0;
  MoveTo(100, 300);
  services.duringDialog = [this] {  // nothing that reaches the saver during the check counts
    policy.OnActivation(false);
    policy.OnKeyOrButton('Q');
    MoveTo(900, 300);
    policy.OnClose();
    services.cursor = {700, 300};  // where the dialog leaves the cursor
  };
  HandleCloseAfter(20000);
  EXPECT_EQ(services.log, kChecked) << "the arrow shows only while the dialog is up";
  services.duringDialog = [] {};
  MoveTo(750, 340);  // within the threshold of the new origin
  MoveTo(751, 300);
  services.passwordAnswer = 7;  // any nonzero answer closes
  HandleCloseAfter(30000);
  Log expected = kChecked;
  expected.insert(expected.end(), kChecked.begin(), kChecked.end());
  expected.insert(expected.end(), {"lock", "destroy"});
  EXPECT_EQ(services.log, expected) << "the session locks only once the saver may close";
}

TEST_F(ClosePolicyTest, PreviewIgnoresAllInputAndClosesByDefault) {
  ClosePolicy preview{state, services, false, &scenes};
  MoveTo(900, 900, &preview);
  preview.OnKeyOrButton('Q');
  preview.OnActivation(false);
  EXPECT_EQ(preview.OnSystemCommand(true), Disposition::DefaultProcessing);
  EXPECT_EQ(preview.OnClose(), Disposition::DefaultProcessing);
  EXPECT_EQ(services.log, Log{}) << "nothing requested; the platform's default does the destroying";
  EXPECT_TRUE(preview.CursorVisible());
  EXPECT_EQ(policy.OnSystemCommand(true), Disposition::Handled) << "while the saver runs";
}

}  // namespace
