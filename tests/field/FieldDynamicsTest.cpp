// The field's motion, disc cycles, transition clock and keys.
#include <cmath>

#include "scene/KeyCodes.h"
#include "tests/field/FieldFixture.h"

namespace {

constexpr float kGravity = -0.003f;
constexpr float kTol = 1e-5f;

// ---- Segment easing (a field without discs: only the easing runs) ----

class SegmentEasing : public ::testing::Test {
 protected:
  KaleidoScene scene;
  DiscField f{&scene};
};

TEST_F(SegmentEasing, ReachesEightExactlyOnTheSixtyThirdStepAndKeepsItsSpeed) {
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
  EXPECT_EQ(f.segmentVelocity, kept);
}

TEST_F(SegmentEasing, TheGKeyStopsTheCountHalfWayAndResumesWithItsSpeed) {
  for (int step = 0; step < 30; ++step) f.Step();
  const float count = scene.segmentCount;
  const float velocity = f.segmentVelocity;
  ASSERT_NE(count, std::trunc(count));
  f.HandleKey(keycode::kKeyG);
  EXPECT_FALSE(f.approachSegments);
  for (int step = 0; step < 40; ++step) f.Step();
  EXPECT_EQ(scene.segmentCount, count);
  EXPECT_EQ(f.segmentVelocity, velocity);
  f.HandleKey(keycode::kKeyG);
  f.Step();
  EXPECT_NEAR(scene.segmentCount, count + velocity - 0.001f, 1e-6f);
  EXPECT_NEAR(scene.segmentAngle, 360.0f / scene.segmentCount, 1e-4f);
}

// ---- Pushes and motion ----

class FieldForces : public FieldFixture {
 protected:
  // One step with the swirl still: positions are as placed when the forces
  // are summed, and each disc's force is left for inspection.
  void StepStill() {
    field->spin = 0.0f;
    field->approachSegments = false;
    field->Step();
  }
  void ExpectForce(int i, float x, float y) {
    EXPECT_NEAR(disc(i).force.x, x, kTol) << "disc " << i;
    EXPECT_NEAR(disc(i).force.y, y, kTol) << "disc " << i;
  }
};

TEST_F(FieldForces, OverlappingDiscsPushEachOtherApartOnlyWhenTheirIndicesAddUpTo58) {
  // Radius 0.5, the two centres `gap` apart on the x axis; the push on the
  // right-hand disc b (a's is the opposite).
  const struct {
    int a, b;
    float gap, push;
  } rows[] = {{10, 48, 0.5f, 0.075f}, {0, 58, 0.5f, 0.075f}, {0, 1, 0.5f, 0.075f}, {28, 30, 0.5f, 0.075f},
              {10, 49, 0.1f, 0.0f},   {10, 50, 0.1f, 0.0f},   {0, 59, 0.1f, 0.0f},  {30, 59, 0.1f, 0.0f},
              {5, 6, 1.0f, 0.0f},     // squares that only touch
              {3, 4, 0.0f, 0.0f}};    // coincident discs
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::Message() << row.a << " and " << row.b);
    Isolate({row.a, row.b});
    Place(row.a, -row.gap / 2, 1.0f, 0.5f);
    Place(row.b, row.gap / 2, 1.0f, 0.5f);
    StepStill();
    ExpectForce(row.a, -row.push, kGravity);
    ExpectForce(row.b, row.push, kGravity);
    EXPECT_TRUE(std::isfinite(disc(row.a).position.x));
  }
  // On a slant the push points along the line of centres.
  Isolate({0, 1});
  Place(0, 0.0f, 0.0f, 0.5f);
  Place(1, 0.3f, 0.4f, 0.5f);
  StepStill();
  ExpectForce(0, -0.075f * 0.6f, -0.075f * 0.8f + kGravity);
  ExpectForce(1, 0.075f * 0.6f, 0.075f * 0.8f + kGravity);
}

TEST_F(FieldForces, ContainmentStartsWhereTheDiscWouldReachPastTheArena) {
  Isolate({7, 8, 9});
  Place(7, 3.0f, 0.0f, 0.5f);   // look-ahead at 3: edge of the allowance
  Place(8, 0.0f, 3.5f, 0.5f);   // 0.5 beyond it
  Place(9, -3.0f, 0.0f, 0.5f);  // at 3, but moving outward by 0.5
  disc(9).velocity = Vector3f(-0.5f, 0.0f, 0.0f);
  StepStill();
  ExpectForce(7, 0.0f, kGravity);
  ExpectForce(8, 0.0f, kGravity - 0.075f);
  ExpectForce(9, 0.075f, kGravity);
}

TEST_F(FieldForces, IntegrationDampsAndRollsAndTheSwirlTurnsPositionsOnly) {
  Isolate({1, 2});
  Place(2, -1.0f, 1.0f, 0.3f);
  disc(2).velocity = Vector3f(0.1f, 0.0f, 0.0f);
  Place(1, 2.0f, 0.0f, 0.3f);
  const float rotation = disc(2).rotation;
  field->spin = 0.1f;
  field->approachSegments = false;
  field->Step();
  // Disc 2 was turned by 0.1 rad about the origin, then moved.
  const float vx = 0.1f * 0.82f, vy = kGravity * 0.82f;
  const float tx = -std::cos(0.1f) - std::sin(0.1f), ty = -std::sin(0.1f) + std::cos(0.1f);
  EXPECT_NEAR(disc(2).velocity.x, vx, 1e-6f);
  EXPECT_NEAR(disc(2).velocity.y, vy, 1e-6f);
  EXPECT_NEAR(disc(2).position.x, tx + vx, 1e-5f);
  EXPECT_NEAR(disc(2).position.y, ty + vy, 1e-5f);
  EXPECT_NEAR(disc(2).rotation - rotation, 100.0f * std::sqrt(vx * vx + vy * vy), 1e-3f);
  EXPECT_NEAR(disc(1).position.x, 2.0f * std::cos(0.1f), 1e-5f);
  EXPECT_NEAR(disc(1).position.y, 2.0f * std::sin(0.1f) + vy, 1e-5f);
  EXPECT_NEAR(disc(1).velocity.x, 0.0f, 1e-7f);
  EXPECT_NEAR(field->spin, 0.1f * 0.9f + 0.00045f, 1e-7f);
}

TEST_F(FieldForces, DiscAtRestFallsTowardItsTerminalSpeed) {
  Isolate({0});
  Place(0, 0.0f, 1.0f, 0.2f);
  for (int step = 0; step < 60; ++step) field->Step();
  EXPECT_NEAR(disc(0).velocity.y, -0.003f * 0.82f / 0.18f, 1e-5f);
  EXPECT_NEAR(disc(0).velocity.x, 0.0f, 1e-7f);
  EXPECT_LT(disc(0).position.Length(), 1.0f);  // it is swirled but not flung out
}

TEST_F(FieldForces, SpinRisesTowardItsRestValueAndUpArrowKicksDecay) {
  EXPECT_EQ(field->spin, 0.0f);
  for (int step = 0; step < 200; ++step) field->Step();
  EXPECT_NEAR(field->spin, 0.0045f, 1e-7f);
  field->HandleKey(keycode::kUp);
  field->HandleKey(keycode::kUp);
  EXPECT_NEAR(field->spin, 0.0045f + 2 * 0.00436332f, 1e-7f);
  for (int step = 0; step < 200; ++step) field->Step();
  EXPECT_NEAR(field->spin, 0.0045f, 1e-7f);
}

// ---- Disc cycles, renewal and the transition clock ----

class DiscCycles : public FieldFixture {
 protected:
  void SetUp() override {
    FieldFixture::SetUp();
    Isolate({});
    field->uniformTile = true;
    field->sharedTile = 77;
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
  field->Step();
  EXPECT_EQ(field->transitionTick, 6);
}

TEST_F(DiscCycles, StaggeredCyclesTickSixtyTimesPerSixteenSeconds) {
  SeedRandom(5);
  field->ResetDiscs();  // phases i / 60 again, at the current time
  field->transitionLength = 100000;
  const float start = scene.elapsedSeconds;
  for (int frame = 1; frame <= 16 * 24; ++frame) {
    // Every disc in the upper-left, so that each renews at once.
    for (int i = 0; i < kDiscCount; ++i) disc(i).position = Vector3f(-2.0f, 2.0f, 0.0f);
    scene.elapsedSeconds = start + static_cast<float>(frame) / 24.0f;
    field->Step();
  }
  EXPECT_NEAR(field->transitionTick, 60, 1);
}

TEST_F(DiscCycles, TransitionPeriodsFlipTheModeAndPickATile) {
  const struct {
    float duration;
    int length;
  } rows[] = {{0.5f, 1}, {1.0f, 3}, {16.9f, 63}, {17.0f, 63}, {0.0f, 0}};
  for (const auto& row : rows) {
    const bool mode = field->uniformTile;
    field->transitionTick = 9;
    field->StartTransition(row.duration);
    EXPECT_EQ(field->transitionLength, row.length) << row.duration;
    EXPECT_EQ(field->transitionTick, 0);
    EXPECT_NE(field->uniformTile, mode);
    EXPECT_GE(field->sharedTile, 0);
    EXPECT_LE(field->sharedTile, 77);
  }
  // A tick past the length starts a period of 3 to 63 ticks.
  field->transitionLength = 2;
  const bool mode = field->uniformTile;
  field->AdvanceTransition();
  field->AdvanceTransition();
  EXPECT_EQ(field->uniformTile, mode);
  field->AdvanceTransition();
  EXPECT_EQ(field->transitionTick, 0);
  EXPECT_NE(field->uniformTile, mode);
  EXPECT_GE(field->transitionLength, 3);
  EXPECT_LE(field->transitionLength, 63);
  // A fresh field's first tick (length 0) flips the mode at once.
  DiscField fresh(&scene);
  const bool freshMode = fresh.uniformTile;
  fresh.AdvanceTransition();
  EXPECT_NE(fresh.uniformTile, freshMode);
}

TEST_F(DiscCycles, ArrowKeysSteerTheScaleUnboundedAndDownPlacesEveryDiscAfresh) {
  field->HandleKey(keycode::kLeft);
  field->HandleKey(keycode::kLeft);
  EXPECT_NEAR(field->feedbackScale, 2.2f, 1e-6f);
  field->HandleKey(keycode::kRight);
  EXPECT_NEAR(field->feedbackScale, 2.3f, 1e-6f);
  for (int i = 0; i < 30; ++i) field->HandleKey(keycode::kLeft);
  EXPECT_LT(field->feedbackScale, 0.0f);
  const float scale = field->feedbackScale;
  for (std::uint32_t key : {keycode::kSpace, keycode::kKeyM, keycode::kNumpad0, 0xFFFFu}) field->HandleKey(key);
  EXPECT_EQ(field->feedbackScale, scale);
  EXPECT_EQ(disc(0).position.y, kSpeckY) << "other keys move nothing";

  const bool mode = field->uniformTile;
  field->HandleKey(keycode::kDown);
  EXPECT_NE(field->uniformTile, mode);
  EXPECT_EQ(field->transitionLength, 1);
  EXPECT_EQ(field->transitionTick, 0);
  for (int i = 0; i < kDiscCount; ++i) {
    EXPECT_GE(disc(i).radius, 0.2f);  // the specks are gone
    EXPECT_NE(disc(i).position.y, kSpeckY);
    if (field->uniformTile) {
      EXPECT_EQ(disc(i).tile, field->sharedTile);
    }
  }
  field->HandleKey(keycode::kDown);
  EXPECT_EQ(field->uniformTile, mode);
}

}  // namespace
