// The field's motion, disc cycles, transition clock and keys.
#include <cmath>

#include "tests/field/FieldFixture.h"

namespace {

constexpr float kGravity = -0.003f;
constexpr float kTol = 1e-5f;

// ---- Segment easing (a field without discs: only the easing runs) ----

class SegmentEasing : public ::testing::Test {
 protected:
  void SetUp() override {
    scene.segmentCount = 10.0f;
    scene.segmentAngle = 36.0f;
  }
  KaleidoScene scene;
  DiscField f{&scene};
};

TEST_F(SegmentEasing, ReachesEightExactlyOnTheSixtyThirdStep) {
  float previous = scene.segmentCount;
  for (int step = 1; step <= 62; ++step) {
    f.Step();
    ASSERT_LT(scene.segmentCount, previous) << "step " << step;
    ASSERT_GT(scene.segmentCount, 8.0f) << "step " << step;
    ASSERT_NEAR(scene.segmentAngle * scene.segmentCount, 360.0f, 1e-3f);
    previous = scene.segmentCount;
  }
  f.Step();
  EXPECT_EQ(scene.segmentCount, 8.0f);
  EXPECT_EQ(scene.segmentAngle, 45.0f);
  EXPECT_NEAR(f.segmentVelocity, -0.063f, 1e-4f);

  const float kept = f.segmentVelocity;
  for (int step = 0; step < 20; ++step) f.Step();
  EXPECT_EQ(scene.segmentCount, 8.0f);
  EXPECT_EQ(scene.segmentAngle, 45.0f);
  EXPECT_EQ(f.segmentVelocity, kept);
}

TEST_F(SegmentEasing, SwitchedOffHalfWayTheCountStaysAndResumesWithItsSpeed) {
  for (int step = 0; step < 30; ++step) f.Step();
  const float count = scene.segmentCount;
  const float velocity = f.segmentVelocity;
  ASSERT_NE(count, std::trunc(count));

  f.HandleKey(0x47);  // G
  EXPECT_FALSE(f.approachSegments);
  for (int step = 0; step < 40; ++step) f.Step();
  EXPECT_EQ(scene.segmentCount, count);
  EXPECT_EQ(f.segmentVelocity, velocity);

  f.HandleKey(0x47);
  f.Step();
  EXPECT_NEAR(scene.segmentCount, count + velocity - 0.001f, 1e-6f);
  EXPECT_NEAR(scene.segmentAngle, 360.0f / scene.segmentCount, 1e-4f);
}

// ---- Pushes ----

class FieldForces : public FieldFixture {
 protected:
  // One step with the swirl still: positions are as placed when the forces
  // are summed, and each disc's force is left for inspection.
  void StepStill() {
    field->spin = 0.0f;
    field->approachSegments = false;
    field->Step();
  }

  // Discs a and b of radius 0.5 side by side, halfGap either side of x = 0.
  void StepPair(int a, int b, float halfGap) {
    Isolate({a, b});
    Place(a, -halfGap, 1.0f, 0.5f);
    Place(b, halfGap, 1.0f, 0.5f);
    StepStill();
  }
};

TEST_F(FieldForces, OverlappingPairWithIndexSumUpTo58PushesBothApart) {
  for (auto [a, b] : {std::pair<int, int>{10, 48}, {0, 58}, {0, 1}, {28, 30}}) {
    SCOPED_TRACE(::testing::Message() << a << "+" << b);
    StepPair(a, b, 0.25f);  // radius 0.5, centres 0.5 apart
    EXPECT_NEAR(disc(a).force.x, -0.075f, kTol);
    EXPECT_NEAR(disc(a).force.y, kGravity, kTol);
    EXPECT_NEAR(disc(b).force.x, 0.075f, kTol);
    EXPECT_NEAR(disc(b).force.y, kGravity, kTol);
  }
}

TEST_F(FieldForces, PairWithIndexSum59OrMoreIsNeverPushed) {
  for (auto [a, b] : {std::pair<int, int>{10, 49}, {10, 50}, {0, 59}, {30, 59}}) {
    SCOPED_TRACE(::testing::Message() << a << "+" << b);
    StepPair(a, b, 0.05f);  // deep overlap
    EXPECT_NEAR(disc(a).force.x, 0.0f, kTol);
    EXPECT_NEAR(disc(a).force.y, kGravity, kTol);
    EXPECT_NEAR(disc(b).force.x, 0.0f, kTol);
    EXPECT_NEAR(disc(b).force.y, kGravity, kTol);
  }
}

TEST_F(FieldForces, PushPointsAlongTheLineOfCentres) {
  Isolate({0, 1});
  Place(0, 0.0f, 0.0f, 0.5f);
  Place(1, 0.3f, 0.4f, 0.5f);  // 0.5 apart on a slant
  StepStill();
  EXPECT_NEAR(disc(0).force.x, -0.075f * 0.6f, kTol);
  EXPECT_NEAR(disc(0).force.y, -0.075f * 0.8f + kGravity, kTol);
  EXPECT_NEAR(disc(1).force.x, 0.075f * 0.6f, kTol);
  EXPECT_NEAR(disc(1).force.y, 0.075f * 0.8f + kGravity, kTol);
}

TEST_F(FieldForces, CoincidentDiscsDoNotPushEachOther) {
  Isolate({3, 4});
  Place(3, 1.0f, 1.0f, 0.4f);
  Place(4, 1.0f, 1.0f, 0.4f);
  StepStill();
  for (int i : {3, 4}) {
    EXPECT_EQ(disc(i).force.x, 0.0f);
    EXPECT_NEAR(disc(i).force.y, kGravity, kTol);
    EXPECT_TRUE(std::isfinite(disc(i).position.x));
  }
}

TEST_F(FieldForces, SquaresThatOnlyTouchDoNotPush) {
  Isolate({5, 6});
  Place(5, 0.0f, 0.0f, 0.5f);
  Place(6, 1.0f, 0.0f, 0.5f);  // edges meet at x = 0.5
  StepStill();
  EXPECT_EQ(disc(5).force.x, 0.0f);
  EXPECT_EQ(disc(6).force.x, 0.0f);
}

TEST_F(FieldForces, ContainmentStartsWhereTheDiscWouldReachPastTheArena) {
  Isolate({7, 8, 9});
  Place(7, 3.0f, 0.0f, 0.5f);   // look-ahead at 3: edge of the allowance
  Place(8, 0.0f, 3.5f, 0.5f);   // 0.5 beyond it
  Place(9, -3.0f, 0.0f, 0.5f);  // at 3, but moving outward by 0.5
  disc(9).velocity = Vector3f(-0.5f, 0.0f, 0.0f);
  StepStill();
  EXPECT_NEAR(disc(7).force.x, 0.0f, kTol);
  EXPECT_NEAR(disc(7).force.y, kGravity, kTol);
  EXPECT_NEAR(disc(8).force.x, 0.0f, kTol);
  EXPECT_NEAR(disc(8).force.y, kGravity - 0.075f, kTol);
  EXPECT_NEAR(disc(9).force.x, 0.075f, kTol);
}

// ---- Motion ----

TEST_F(FieldForces, IntegrationDampsTheSumOfVelocityAndForce) {
  Isolate({2});
  Place(2, -1.0f, 1.0f, 0.3f);
  disc(2).velocity = Vector3f(0.1f, 0.0f, 0.0f);
  const float rotation = disc(2).rotation;
  StepStill();
  const float vx = 0.1f * 0.82f;
  const float vy = kGravity * 0.82f;
  EXPECT_NEAR(disc(2).velocity.x, vx, 1e-6f);
  EXPECT_NEAR(disc(2).velocity.y, vy, 1e-6f);
  EXPECT_NEAR(disc(2).position.x, -1.0f + vx, 1e-6f);
  EXPECT_NEAR(disc(2).position.y, 1.0f + vy, 1e-6f);
  EXPECT_NEAR(disc(2).rotation - rotation, 100.0f * std::sqrt(vx * vx + vy * vy), 1e-3f);
}

TEST_F(FieldForces, DiscAtRestFallsTowardItsTerminalSpeed) {
  Isolate({0});
  Place(0, 0.0f, 1.0f, 0.2f);
  for (int step = 0; step < 60; ++step) field->Step();
  EXPECT_NEAR(disc(0).velocity.y, -0.003f * 0.82f / 0.18f, 1e-5f);
  EXPECT_NEAR(disc(0).velocity.x, 0.0f, 1e-7f);
  EXPECT_LT(disc(0).position.Length(), 1.0f);  // it is swirled but not flung out
}

TEST_F(FieldForces, SwirlTurnsPositionsAboutTheOriginButNotVelocities) {
  Isolate({1});
  Place(1, 2.0f, 0.0f, 0.3f);
  field->spin = 0.1f;
  field->approachSegments = false;
  field->Step();
  // Turned by 0.1 rad, then moved by the damped gravity.
  EXPECT_NEAR(disc(1).position.x, 2.0f * std::cos(0.1f), 1e-5f);
  EXPECT_NEAR(disc(1).position.y, 2.0f * std::sin(0.1f) + kGravity * 0.82f, 1e-5f);
  EXPECT_NEAR(disc(1).velocity.x, 0.0f, 1e-7f);
  EXPECT_NEAR(field->spin, 0.1f * 0.9f + 0.00045f, 1e-7f);
}

TEST_F(FieldForces, SpinRisesTowardItsRestValueAndKicksDecay) {
  EXPECT_EQ(field->spin, 0.0f);
  for (int step = 0; step < 200; ++step) field->Step();
  EXPECT_NEAR(field->spin, 0.0045f, 1e-7f);
  field->HandleKey(0x26);  // Up
  field->HandleKey(0x26);
  EXPECT_NEAR(field->spin, 0.0045f + 2 * 0.00436332f, 1e-7f);
  for (int step = 0; step < 200; ++step) field->Step();
  EXPECT_NEAR(field->spin, 0.0045f, 1e-7f);
}

// ---- Disc cycles and renewal ----

class DiscCycles : public FieldFixture {
 protected:
  void SetUp() override {
    FieldFixture::SetUp();
    Isolate({});
    field->uniformTile = true;
    field->sharedTile = 77;
    field->transitionTick = 0;
    field->transitionLength = 1000;
    field->approachSegments = false;
  }

  // Places disc i so that its cycle ends at the next step, 1.25 cycles old.
  void CycleOver(int i, float x, float y, float radius) {
    Place(i, x, y, radius);
    disc(i).tile = 5;
    disc(i).birthTime = scene.elapsedSeconds - 20.0f;
  }
};

TEST_F(DiscCycles, DiscOutsideTheLowerRightIsRenewedInTheSameStep) {
  const float at[][2] = {{-2.0f, 2.0f}, {2.0f, 2.0f}, {-2.0f, -2.0f}};
  for (const auto& p : at) {
    SCOPED_TRACE(::testing::Message() << p[0] << "," << p[1]);
    const int ticks = field->transitionTick;
    CycleOver(11, p[0], p[1], 0.3f);
    field->spin = 0.0f;
    field->Step();
    const Disc& d = disc(11);
    EXPECT_EQ(d.tile, 77);
    EXPECT_NEAR(d.phase, 0.25f, 1e-5f);
    EXPECT_NEAR(d.birthTime, scene.elapsedSeconds - 4.0f, 1e-4f);
    EXPECT_NEAR(d.position.x, p[0], 1e-5f);
    EXPECT_NEAR(d.position.y, p[1] + kGravity * 0.82f, 1e-5f);
    EXPECT_NEAR(d.velocity.y, kGravity * 0.82f, 1e-7f);
    EXPECT_EQ(d.radius, 0.3f);
    EXPECT_EQ(field->transitionTick, ticks + 1);
  }
}

TEST_F(DiscCycles, DiscReachingIntoTheLowerRightWaitsAndTicksEveryStep) {
  CycleOver(12, -0.2f, 0.2f, 0.3f);  // its square reaches over both axes
  const float birth = disc(12).birthTime;
  for (int step = 1; step <= 5; ++step) {
    scene.elapsedSeconds += 1.0f / 24.0f;
    field->Step();
    EXPECT_EQ(disc(12).tile, 5);
    EXPECT_EQ(disc(12).birthTime, birth);
    EXPECT_EQ(field->transitionTick, step);
    EXPECT_GT(disc(12).phase, 0.0f);
    EXPECT_LT(disc(12).phase, 1.0f);
  }
  // Once it has left the quadrant it is renewed and stops ticking.
  disc(12).position = Vector3f(-1.0f, 0.2f, 0.0f);
  field->Step();
  EXPECT_EQ(disc(12).tile, 77);
  EXPECT_EQ(field->transitionTick, 6);
  field->Step();
  EXPECT_EQ(field->transitionTick, 6);
}

TEST_F(DiscCycles, StaggeredCyclesTickSixtyTimesPerSixteenSeconds) {
  SeedRandom(5);
  field->ResetDiscs();  // phases i / 60 again, at the current time
  field->transitionTick = 0;
  field->transitionLength = 100000;
  // Keep every disc in the upper-left so that each renews at once.
  const float start = scene.elapsedSeconds;
  for (int frame = 1; frame <= 16 * 24; ++frame) {
    for (int i = 0; i < kDiscCount; ++i) disc(i).position = Vector3f(-2.0f, 2.0f, 0.0f);
    scene.elapsedSeconds = start + static_cast<float>(frame) / 24.0f;
    field->Step();
  }
  EXPECT_NEAR(field->transitionTick, 60, 1);
}

// ---- Transition clock ----

TEST_F(DiscCycles, StartTransitionSetsLengthFlipsModeAndPicksATile) {
  const struct {
    float duration;
    int length;
  } cases[] = {{0.5f, 1}, {1.0f, 3}, {16.9f, 63}, {17.0f, 63}, {0.0f, 0}};
  for (const auto& c : cases) {
    const bool mode = field->uniformTile;
    field->transitionTick = 9;
    field->StartTransition(c.duration);
    EXPECT_EQ(field->transitionLength, c.length) << c.duration;
    EXPECT_EQ(field->transitionTick, 0);
    EXPECT_NE(field->uniformTile, mode);
    EXPECT_GE(field->sharedTile, 0);
    EXPECT_LE(field->sharedTile, 77);
  }
}

TEST_F(DiscCycles, AdvanceTransitionStartsANewPeriodOncePastTheLength) {
  field->transitionTick = 0;
  field->transitionLength = 2;
  const bool mode = field->uniformTile;
  field->AdvanceTransition();
  field->AdvanceTransition();
  EXPECT_EQ(field->transitionTick, 2);
  EXPECT_EQ(field->uniformTile, mode);
  field->AdvanceTransition();
  EXPECT_EQ(field->transitionTick, 0);
  EXPECT_NE(field->uniformTile, mode);
  EXPECT_GE(field->transitionLength, 3);
  EXPECT_LE(field->transitionLength, 63);
}

TEST(TransitionClock, FirstTickAfterSetUpFlipsTheMode) {
  KaleidoScene scene;
  SeedRandom(3);
  DiscField f(&scene);
  const bool mode = f.uniformTile;
  f.AdvanceTransition();
  EXPECT_NE(f.uniformTile, mode);
  EXPECT_EQ(f.transitionTick, 0);
}

// ---- Keys ----

TEST_F(DiscCycles, ArrowKeysSteerScaleAndTheOtherKeysDoNothing) {
  field->HandleKey(0x25);
  field->HandleKey(0x25);
  EXPECT_NEAR(field->feedbackScale, 2.2f, 1e-6f);
  field->HandleKey(0x27);
  EXPECT_NEAR(field->feedbackScale, 2.3f, 1e-6f);
  for (int i = 0; i < 30; ++i) field->HandleKey(0x25);
  EXPECT_LT(field->feedbackScale, 0.0f);  // not bounded

  const float scale = field->feedbackScale;
  const float spin = field->spin;
  const bool mode = field->uniformTile;
  const bool easing = field->approachSegments;
  const Vector3f where = disc(0).position;
  for (std::uint32_t key : {0x00u, 0x20u, 0x24u, 0x29u, 0x46u, 0x48u, 0x4Du, 0x60u, 0xFFFFu}) {
    field->HandleKey(key);
  }
  EXPECT_EQ(field->feedbackScale, scale);
  EXPECT_EQ(field->spin, spin);
  EXPECT_EQ(field->uniformTile, mode);
  EXPECT_EQ(field->approachSegments, easing);
  EXPECT_EQ(disc(0).position.x, where.x);
}

TEST_F(DiscCycles, DownArrowFlipsTheTileModeAndPlacesEveryDiscAfresh) {
  const bool mode = field->uniformTile;
  field->HandleKey(0x28);
  EXPECT_NE(field->uniformTile, mode);
  EXPECT_EQ(field->transitionLength, 1);
  EXPECT_EQ(field->transitionTick, 0);
  int atSpeck = 0;
  for (int i = 0; i < kDiscCount; ++i) {
    EXPECT_GE(disc(i).radius, 0.2f);  // the specks are gone
    atSpeck += disc(i).position.y == kSpeckY ? 1 : 0;
    if (field->uniformTile) {
      EXPECT_EQ(disc(i).tile, field->sharedTile);
    }
  }
  EXPECT_EQ(atSpeck, 0);
  field->HandleKey(0x28);
  EXPECT_EQ(field->uniformTile, mode);
}

}  // namespace
