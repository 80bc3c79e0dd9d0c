#include <gtest/gtest.h>

#include <cstdint>
#include <functional>

#include "host/ClosePolicy.h"
#include "scene/KaleidoScene.h"
#include "scene/KeyCodes.h"

namespace {

// The password dialog answers `passwordAnswer` and runs `duringDialog` while
// it is up, as the system's modal loop delivers messages then.
struct FakeServices : SaverWindowServices {
  CursorPoint cursor{100, 200};
  bool cursorReadable = true, cursorVisibleAtVerify = false;
  std::uint32_t tick = 5000;
  int passwordAnswer = 1, posted = 0, cursorRefreshes = 0, verifications = 0, destroyed = 0;
  ClosePolicy* policy = nullptr;
  std::function<void()> duringDialog = [] {};

  void PostCloseRequest() override { ++posted; }
  void RefreshCursor() override { ++cursorRefreshes; }
  bool CursorPosition(CursorPoint& out) override {
    if (cursorReadable) out = cursor;
    return cursorReadable;
  }
  std::uint32_t TickCount() override { return tick; }
  int VerifyPassword() override {
    ++verifications;
    cursorVisibleAtVerify = policy != nullptr && policy->CursorVisible();
    duringDialog();
    return passwordAnswer;
  }
  void DestroySaverWindow() override { ++destroyed; }
};

class ClosePolicyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    services.policy = &policy;
    policy.OnCreate();
  }
  void MoveTo(std::int32_t x, std::int32_t y, ClosePolicy* other = nullptr) {
    services.cursor = {x, y};
    (other != nullptr ? other : &policy)->OnMouseMove();
  }
  void HandleCloseAfter(std::uint32_t milliseconds) {
    services.tick = state.startTick + milliseconds;
    policy.OnClose();
  }

  SaverState state;
  FakeServices services;
  KaleidoScene bareScene;  // answers the key table without a field
  KaleidoScene* scene = &bareScene;
  ClosePolicy policy{state, services, SaverMode::Saver, &scene};
};

TEST_F(ClosePolicyTest, MouseThresholdIsPerAxisAndStrict) {
  const struct {
    std::int32_t x, y;
    int posted;
  } moves[] = {{150, 200, 0}, {100, 150, 0}, {60, 240, 0},  // 50 on an axis, 40 on each: no sum
               {100, 251, 1}, {49, 200, 2}};                  // 51 either way, every time
  for (const auto& m : moves) {
    MoveTo(m.x, m.y);
    EXPECT_EQ(services.posted, m.posted) << m.x << "," << m.y;
  }
  state.cursorOrigin = {INT32_MIN, 0};
  state.mouseThreshold = INT32_MAX;
  MoveTo(INT32_MAX, 0);
  EXPECT_EQ(services.posted, 3) << "a distance beyond 2^31 is still beyond the threshold";
}

TEST_F(ClosePolicyTest, ACursorThatCannotBeReadKeepsTheLastKnownPosition) {
  services.cursorReadable = false;
  MoveTo(0, 0);
  EXPECT_EQ(services.posted, 0) << "an unreadable cursor is not a move to (0, 0)";
  state.closeRequested = 1;
  services.passwordAnswer = 0;
  HandleCloseAfter(20000);
  services.cursorReadable = true;
  MoveTo(140, 240);
  EXPECT_EQ(services.posted, 0) << "the origin stays where it was after the check";

  SaverState fresh;  // unreadable at creation: the first position seen becomes the origin
  ClosePolicy late{fresh, services, SaverMode::Saver, &scene};
  services.cursorReadable = false;
  late.OnCreate();
  services.cursorReadable = true;
  MoveTo(900, 900, &late);
  MoveTo(951, 900, &late);
  EXPECT_EQ(services.posted, 1);
}

TEST_F(ClosePolicyTest, GracePeriodCountsFromCreation) {
  const struct {
    std::int32_t delay;  // seconds
    std::uint32_t createdAt, elapsed;
    bool asksForPassword;
  } cases[] = {
      {15, 5000, 15000, false}, {15, 5000, 15001, true},  // exactly the delay: no password
      {0, 5000, 0, false},      {0, 5000, 1, true},       // 0 asks after the first millisecond
      {-1, 5000, 4000000000u, false},                     // -1 taken as unsigned never asks
      {15, 0xFFFFF000u, 4352, false}, {15, 0xFFFFF000u, 15001, true},  // across the tick's wrap
  };
  for (const auto& c : cases) {
    SaverState s;
    s.passwordDelay = c.delay;
    FakeServices f;
    f.tick = c.createdAt;
    ClosePolicy p{s, f, SaverMode::Saver, &scene};
    p.OnCreate();
    f.tick = c.createdAt + c.elapsed - (c.elapsed > 0 ? 1 : 0);
    p.OnKeyOrButton('Q');  // activity late in the grace period does not restart it
    f.tick = c.createdAt + c.elapsed;
    EXPECT_EQ(p.OnClose(), Disposition::Handled);
    EXPECT_EQ(f.verifications, c.asksForPassword ? 1 : 0) << c.delay << " s, " << c.elapsed << " ms";
    EXPECT_EQ(f.destroyed, 1);
  }
}

TEST_F(ClosePolicyTest, ConsumedKeysKeepTheSaverAndAnythingElseCloses) {
  HandleCloseAfter(60000);
  EXPECT_EQ(services.destroyed, 0) << "no activity, no close";
  policy.OnKeyOrButton('5');
  EXPECT_EQ(bareScene.levels, 6) << "keys reach the scene";
  EXPECT_EQ(services.posted, 0) << "a consumed key keeps the saver";
  EXPECT_EQ(policy.OnKeyOrButton(keycode::kEscape), Disposition::DefaultProcessing);
  policy.OnKeyOrButton(0x01);  // left button
  EXPECT_EQ(services.posted, 2);
  scene = nullptr;  // without a scene every key closes
  policy.OnKeyOrButton(keycode::kSpace);
  policy.OnActivation(true);
  policy.OnActivation(false);
  EXPECT_EQ(services.posted, 4);
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
  EXPECT_EQ(services.verifications, 1) << "no second check is started";
  EXPECT_EQ(services.posted, 1) << "nothing is requested while the check runs";
  EXPECT_TRUE(services.cursorVisibleAtVerify) << "the arrow shows while the dialog is up";
  EXPECT_EQ(services.destroyed, 0);
  EXPECT_FALSE(policy.CursorVisible());
  EXPECT_EQ(services.cursorRefreshes, 2);

  services.duringDialog = [] {};
  MoveTo(750, 340);  // within the threshold of the new origin
  EXPECT_EQ(services.posted, 1);
  MoveTo(751, 300);
  EXPECT_EQ(services.posted, 2);
  services.passwordAnswer = 7;  // any nonzero answer closes
  HandleCloseAfter(30000);
  EXPECT_EQ(services.destroyed, 1);
}

TEST_F(ClosePolicyTest, PreviewIgnoresAllInputAndClosesByDefault) {
  ClosePolicy preview{state, services, SaverMode::Preview, &scene};
  MoveTo(900, 900, &preview);
  preview.OnKeyOrButton('Q');
  preview.OnActivation(false);
  EXPECT_EQ(services.posted, 0);
  EXPECT_EQ(preview.OnSystemCommand(true), Disposition::DefaultProcessing);
  EXPECT_EQ(preview.OnClose(), Disposition::DefaultProcessing);
  EXPECT_EQ(services.destroyed, 0) << "the platform's default does the destroying";
  EXPECT_TRUE(preview.CursorVisible());
  EXPECT_EQ(policy.OnSystemCommand(true), Disposition::Handled) << "while the saver runs";
}

}  // namespace
