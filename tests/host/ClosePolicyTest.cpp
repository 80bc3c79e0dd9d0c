#include <gtest/gtest.h>

#include <cstdint>

#include "host/ClosePolicy.h"
#include "scene/KaleidoScene.h"

namespace {

// A window, cursor and clock under the test's control. The password dialog
// is simulated: it can answer a chosen value, and it can deliver messages to
// the policy while it is "up", as the system's modal loop does.
class FakeServices : public SaverWindowServices {
 public:
  CursorPoint cursor;
  std::uint32_t tick = 0;
  int passwordAnswer = 1;
  int posted = 0;
  int cursorRefreshes = 0;
  int verifications = 0;
  int destroyed = 0;
  bool cursorVisibleAtVerify = false;
  ClosePolicy* policy = nullptr;
  CursorPoint cursorAfterDialog{-1, -1};
  bool deliverDuringDialog = false;

  void PostCloseRequest() override { ++posted; }
  void RefreshCursor() override { ++cursorRefreshes; }
  CursorPoint CursorPosition() override { return cursor; }
  std::uint32_t TickCount() override { return tick; }
  int VerifyPassword() override {
    ++verifications;
    cursorVisibleAtVerify = policy != nullptr && policy->CursorVisible();
    if (deliverDuringDialog && policy != nullptr) {
      // Messages that reach the saver while the dialog is up.
      policy->OnActivation(false);
      policy->OnKeyOrButton('Q');
      cursor = {cursor.x + 500, cursor.y};
      policy->OnMouseMove();
      policy->OnClose();
    }
    if (cursorAfterDialog.x >= 0) cursor = cursorAfterDialog;
    return passwordAnswer;
  }
  void DestroySaverWindow() override { ++destroyed; }
};

class ClosePolicyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    services.cursor = {100, 200};
    services.tick = 5000;
    services.policy = &policy;
    policy.OnCreate(0x1234);
  }
  // Advances the clock and delivers the close request that activity posted.
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

TEST_F(ClosePolicyTest, CreationRecordsWindowCursorAndTick) {
  EXPECT_EQ(state.window, 0x1234u);
  EXPECT_EQ(state.cursorOrigin.x, 100);
  EXPECT_EQ(state.cursorOrigin.y, 200);
  EXPECT_EQ(state.startTick, 5000u);
  EXPECT_EQ(state.closeRequested, 0);
  EXPECT_FALSE(policy.CursorVisible());
}

TEST_F(ClosePolicyTest, MouseThresholdIsPerAxisAndStrict) {
  services.cursor = {150, 200};  // 50 on x
  policy.OnMouseMove();
  services.cursor = {100, 150};  // 50 on y
  policy.OnMouseMove();
  services.cursor = {60, 240};  // 40 on each axis: the diagonal does not add up
  policy.OnMouseMove();
  EXPECT_EQ(services.posted, 0);
  EXPECT_EQ(state.closeRequested, 0);

  services.cursor = {100, 251};  // 51 on y
  EXPECT_EQ(policy.OnMouseMove(), Disposition::DefaultProcessing);
  EXPECT_EQ(services.posted, 1);
  EXPECT_EQ(state.closeRequested, 1);
  services.cursor = {49, 200};  // 51 on x, the other way
  policy.OnMouseMove();
  EXPECT_EQ(services.posted, 2) << "every move beyond the threshold posts a request";
}

TEST_F(ClosePolicyTest, ThresholdFromTheSettingAndFarCoordinatesDoNotOverflow) {
  state.mouseThreshold = 10;
  services.cursor = {111, 200};
  policy.OnMouseMove();
  EXPECT_EQ(services.posted, 1);

  state.cursorOrigin = {INT32_MIN, 0};
  state.mouseThreshold = INT32_MAX;
  services.cursor = {INT32_MAX, 0};
  policy.OnMouseMove();
  EXPECT_EQ(services.posted, 2) << "a distance beyond 2^31 is still beyond the threshold";
}

TEST_F(ClosePolicyTest, GracePeriodEndsExactlyAtTheDelay) {
  state.closeRequested = 1;
  HandleCloseAfter(15000);
  EXPECT_EQ(services.destroyed, 1);
  EXPECT_EQ(services.verifications, 0) << "at exactly 15 s no password is asked";

  HandleCloseAfter(15001);
  EXPECT_EQ(services.verifications, 1);
  EXPECT_EQ(services.destroyed, 2);
}

TEST_F(ClosePolicyTest, ZeroDelayAsksAfterTheFirstMillisecond) {
  state.passwordDelay = 0;
  state.closeRequested = 1;
  HandleCloseAfter(0);
  EXPECT_EQ(services.verifications, 0);
  HandleCloseAfter(1);
  EXPECT_EQ(services.verifications, 1);
}

TEST_F(ClosePolicyTest, MinusOneDelayNeverAsks) {
  state.passwordDelay = -1;
  state.closeRequested = 1;
  HandleCloseAfter(4000000000u);
  EXPECT_EQ(services.verifications, 0);
  EXPECT_EQ(services.destroyed, 1);
}

TEST_F(ClosePolicyTest, ElapsedTimeSurvivesTheTickWrap) {
  services.tick = 0xFFFFF000u;  // 4096 ms before the wrap
  policy.OnCreate(0x1234);
  state.closeRequested = 1;
  services.tick = 0x00000100u;  // 4352 ms later
  policy.OnClose();
  EXPECT_EQ(services.verifications, 0);
  EXPECT_EQ(services.destroyed, 1);

  services.tick = 0xFFFFF000u + 15001u;  // wraps to a small number
  policy.OnClose();
  EXPECT_EQ(services.verifications, 1);
}

TEST_F(ClosePolicyTest, ControlKeysKeepTheSaverAndOthersClose) {
  const std::uint32_t consumed[] = {0x20, 0x25, 0x26, 0x27, 0x28, '0', '5', '9', 'M', 'S'};
  for (std::uint32_t code : consumed) policy.OnKeyOrButton(code);
  EXPECT_EQ(services.posted, 0);
  EXPECT_EQ(state.closeRequested, 0);

  const std::uint32_t closing[] = {'Q', 'G', 0x60, 0x1B, 0x0D, 0x01 /* left button */, 0x02, 0x10, 0x05};
  int expected = 0;
  for (std::uint32_t code : closing) {
    EXPECT_EQ(policy.OnKeyOrButton(code), Disposition::DefaultProcessing);
    EXPECT_EQ(services.posted, ++expected) << "code " << code;
  }
  EXPECT_EQ(state.closeRequested, 1);
}

TEST_F(ClosePolicyTest, WithoutASceneEveryKeyCloses) {
  scene = nullptr;
  policy.OnKeyOrButton(0x20);
  EXPECT_EQ(services.posted, 1);
  ClosePolicy noPointer{state, services, SaverMode::Saver, nullptr};
  noPointer.OnKeyOrButton('5');
  EXPECT_EQ(services.posted, 2);
}

TEST_F(ClosePolicyTest, ActivationLossRequestsCloseAndActivationDoesNot) {
  policy.OnActivation(true);
  EXPECT_EQ(services.posted, 0);
  policy.OnActivation(false);
  EXPECT_EQ(services.posted, 1);
}

TEST_F(ClosePolicyTest, CloseWithoutActivityIsIgnored) {
  HandleCloseAfter(100);
  HandleCloseAfter(60000);
  EXPECT_EQ(services.destroyed, 0);
  EXPECT_EQ(services.verifications, 0);
}

TEST_F(ClosePolicyTest, SystemCloseAndScreenSaveCommandsAreSwallowed) {
  EXPECT_EQ(policy.OnSystemCommand(true), Disposition::Handled);
  EXPECT_EQ(policy.OnSystemCommand(false), Disposition::DefaultProcessing);
  EXPECT_EQ(services.posted, 0);
}

TEST_F(ClosePolicyTest, FailedVerificationKeepsTheSaverWithTheOriginMoved) {
  services.passwordAnswer = 0;
  services.cursorAfterDialog = {700, 300};
  services.cursor = {100, 300};  // activity
  policy.OnMouseMove();
  HandleCloseAfter(20000);
  EXPECT_EQ(services.verifications, 1);
  EXPECT_TRUE(services.cursorVisibleAtVerify) << "the arrow shows while the dialog is up";
  EXPECT_EQ(services.destroyed, 0);
  EXPECT_EQ(state.inPasswordCheck, 0);
  EXPECT_EQ(state.closeRequested, 1);
  EXPECT_FALSE(policy.CursorVisible());
  EXPECT_EQ(services.cursorRefreshes, 2);
  EXPECT_EQ(state.cursorOrigin.x, 700);
  EXPECT_EQ(state.cursorOrigin.y, 300);

  // Within the threshold of the new origin: no new request.
  const int posted = services.posted;
  services.cursorAfterDialog = {-1, -1};
  services.cursor = {750, 340};
  policy.OnMouseMove();
  EXPECT_EQ(services.posted, posted);
  services.cursor = {751, 300};
  policy.OnMouseMove();
  EXPECT_EQ(services.posted, posted + 1);
}

TEST_F(ClosePolicyTest, AnyNonzeroVerificationCloses) {
  services.passwordAnswer = 7;
  state.closeRequested = 1;
  HandleCloseAfter(16000);
  EXPECT_EQ(services.destroyed, 1);
}

TEST_F(ClosePolicyTest, MessagesDuringThePasswordCheckChangeNothing) {
  services.passwordAnswer = 0;
  services.deliverDuringDialog = true;
  policy.OnKeyOrButton('Q');
  const int posted = services.posted;
  HandleCloseAfter(30000);
  EXPECT_EQ(services.verifications, 1) << "no second check is started";
  EXPECT_EQ(services.posted, posted) << "nothing is requested while the check runs";
  EXPECT_EQ(services.destroyed, 0);
  EXPECT_EQ(bareScene.levels, 1);
}

TEST_F(ClosePolicyTest, InPasswordCheckEverythingIsDefault) {
  state.inPasswordCheck = 1;
  state.closeRequested = 1;
  EXPECT_TRUE(policy.CursorVisible());
  policy.OnKeyOrButton('Q');
  policy.OnActivation(false);
  services.cursor = {900, 900};
  policy.OnMouseMove();
  EXPECT_EQ(policy.OnClose(), Disposition::Handled);
  EXPECT_EQ(services.posted, 0);
  EXPECT_EQ(services.destroyed, 0);
}

TEST_F(ClosePolicyTest, PreviewIgnoresAllInputAndClosesByDefault) {
  ClosePolicy preview{state, services, SaverMode::Preview, &scene};
  services.cursor = {900, 900};
  preview.OnMouseMove();
  preview.OnKeyOrButton('Q');
  preview.OnActivation(false);
  EXPECT_EQ(services.posted, 0);
  EXPECT_EQ(state.closeRequested, 0);
  EXPECT_EQ(preview.OnSystemCommand(true), Disposition::DefaultProcessing);
  EXPECT_EQ(preview.OnClose(), Disposition::DefaultProcessing);
  EXPECT_EQ(services.destroyed, 0) << "the platform's default does the destroying";
  EXPECT_TRUE(preview.CursorVisible());
  EXPECT_EQ(bareScene.levels, 1) << "keys are not handed to the scene";
}

TEST_F(ClosePolicyTest, DigitKeysReachTheScene) {
  policy.OnKeyOrButton('5');
  EXPECT_EQ(bareScene.levels, 6);
}

}  // namespace
