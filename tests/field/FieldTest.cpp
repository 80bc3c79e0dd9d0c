// The field without GL: placing the discs, tiles, the quads, the tear-down;
// the forces, the motion, the discs' cycles, the transitions and the keys.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <memory>
#include <string>
#include <tuple>

#include "field/DiscField.h"
#include "field/FieldConstants.h"
#include "field/KeyCodes.h"
#include "scene/KaleidoScene.h"

namespace {

// A field set up without GL in a scene whose values the tests set by hand.
class FieldFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    scene.random.Seed(1234);
    scene.elapsedSeconds = 100.0f;
    field = std::make_unique<DiscField>(&scene);
    field->SetUpWithoutImages();
  }

  Disc& disc(int i) { return field->discs[i]; }

  // Gathers every disc but `keep` into one resting speck at (0, kSpeckY):
  // coincident discs do not push each other, and it touches nothing else.
  static constexpr float kSpeckY = -3.9f;
  void Isolate(std::initializer_list<int> keep) {
    for (int i = 0; i < kDiscCount; ++i) {
      if (std::find(keep.begin(), keep.end(), i) == keep.end()) Place(i, 0.0f, kSpeckY, 0.001f);
    }
  }

  void Place(int i, float x, float y, float radius) {
    Disc& d = disc(i);
    d.position = Vector3f(x, y, 0.0f);
    d.velocity = Vector3f();
    d.force = Vector3f();
    d.radius = radius;
    d.phase = 0.0f;
    d.birthTime = scene.elapsedSeconds;
  }

  KaleidoScene scene;
  std::unique_ptr<DiscField> field;
};

TEST(DiscFieldModel, EachFieldPlacesItsDiscsOnItsOwnScenesTime) {
  FieldDriver first, second;
  first.elapsedSeconds = 10.0f;
  second.elapsedSeconds = 50.0f;
  DiscField older(&first), newer(&second);
  older.SetUpWithoutImages();
  newer.SetUpWithoutImages();
  EXPECT_TRUE(older.discs[0].birthTime == 10.0f && newer.discs[0].birthTime == 50.0f);
}

class DiscModel : public FieldFixture {};

TEST_F(DiscModel, TileRectangleFromTheIndexAndTheAtlasSize) {
  // Atlas width and height (0 x 0: it failed to load), tile; the tile's rectangle u, v, width, height.
  const std::tuple<int, int, int, float, float, float, float> rows[] = {
      {1024, 512, 77, 936.0f / 1024, 390.0f / 512, 0.076171875f, 0.15234375f},
      {1024, 512, 13, 0.0f, 78.0f / 512, 78.0f / 1024, 78.0f / 512},
      {1024, 512, 12, 936.0f / 1024, 0.0f, 78.0f / 1024, 78.0f / 512},
      {2048, 1024, 14, 78.0f / 2048, 78.0f / 1024, 78.0f / 2048, 78.0f / 1024},
      {0, 0, 77, 936.0f / 1024, 390.0f / 512, 78.0f / 1024, 78.0f / 512}};
  field->textures = new TextureSet();
  field->uniformTile = true;
  for (const auto& [atlasWidth, atlasHeight, tile, u, v, width, height] : rows) {
    SCOPED_TRACE(::testing::Message() << "tile " << tile << " of " << atlasWidth);
    field->textures->atlas.width = atlasWidth;
    field->textures->atlas.height = atlasHeight;
    field->sharedTile = tile;
    disc(3).Renew(*field);
    EXPECT_EQ(disc(3).tile, tile);
    EXPECT_FLOAT_EQ(disc(3).tileU, u);
    EXPECT_FLOAT_EQ(disc(3).tileV, v);
    EXPECT_FLOAT_EQ(disc(3).tileWidth, width);
    EXPECT_FLOAT_EQ(disc(3).tileHeight, height);
  }
  // The largest draw gives u = 1 exactly; a tile pick still stays below 78.
  scene.random.Seed(0xF01BF641u);
  EXPECT_EQ(field::PickBelow(scene.random, 78), 77);
}

TEST_F(DiscModel, RenewRestartsTheCycleOnlyAndResetPlacesAfreshKeepingTheFieldState) {
  Disc& d = disc(20);
  Place(20, 1.5f, -0.5f, 0.3f);
  d.velocity = Vector3f(0.01f, -0.02f, 0.0f);
  d.force = Vector3f(0.5f, 0.5f, 0.0f);
  d.phase = 0.25f;
  scene.elapsedSeconds = 250.0f;
  field->uniformTile = false;
  d.Renew(*field);
  EXPECT_TRUE(d.position.x == 1.5f && d.position.y == -0.5f && d.velocity.y == -0.02f && d.force.x == 0.5f &&
              d.radius == 0.3f);
  EXPECT_FLOAT_EQ(d.birthTime, 246.0f);

  field->spin = 0.003f;
  const int shared = field->sharedTile;
  Vector3f before[kDiscCount];
  for (int i = 0; i < kDiscCount; ++i) {
    before[i] = disc(i).position;
    disc(i).velocity = Vector3f(1.0f, 1.0f, 0.0f);
  }
  field->ResetDiscs();
  for (int i = 0; i < kDiscCount; ++i) {
    EXPECT_GT((disc(i).position - before[i]).Length(), 1e-4f) << "disc " << i;
    EXPECT_EQ(disc(i).velocity.Length(), 0.0f);
  }
  EXPECT_TRUE(!field->uniformTile && field->sharedTile == shared && field->spin == 0.003f) << "the field state kept";
}

TEST_F(DiscModel, QuadIsTheUnitSquareTurnedByTheRotationAsGlRotateTurnsIt) {
  // Rotations grow without bound while the discs roll.
  Disc& d = disc(0);
  Place(0, 1.0f, -2.0f, 0.5f);
  d.tileU = 0.25f, d.tileV = 0.5f, d.tileWidth = 0.125f, d.tileHeight = 0.0625f;
  const double cornerX[4] = {-1, 1, 1, -1}, cornerY[4] = {-1, -1, 1, 1};
  const float cornerS[4] = {0.25f, 0.375f, 0.375f, 0.25f}, cornerT[4] = {0.5625f, 0.5625f, 0.5f, 0.5f};
  for (float rotation : {0.0f, 30.0f, 90.0f, 359.9f, 1000037.3f, 1234567.9f, 36000017.0f}) {
    SCOPED_TRACE(rotation);
    d.rotation = rotation;
    const DiscCorners q = d.Corners();
    const long double radians = std::fmod(static_cast<long double>(rotation), 360.0L) * 3.14159265358979323846L / 180;
    const double c = static_cast<double>(std::cos(radians)), s = static_cast<double>(std::sin(radians));
    for (int k = 0; k < 4; ++k) {
      EXPECT_NEAR(q.position[k][0], 1.0 + 0.5 * (c * cornerX[k] - s * cornerY[k]), 2e-6) << "corner " << k;
      EXPECT_NEAR(q.position[k][1], -2.0 + 0.5 * (s * cornerX[k] + c * cornerY[k]), 2e-6) << "corner " << k;
      // The tile's top row (t = tileV) goes to the quad's top edge.
      EXPECT_TRUE(q.position[k][2] == 1.0f && q.texCoord[k][0] == cornerS[k] && q.texCoord[k][1] == cornerT[k]);
    }
  }
}

constexpr float kGravity = -0.003f;

void ExpectXy(const Vector3f& v, float x, float y, float tolerance, const std::string& what) {
  EXPECT_NEAR(v.x, x, tolerance) << what;
  EXPECT_NEAR(v.y, y, tolerance) << what;
}

TEST(SegmentEasing, ReachesEightOnTheSixtyThirdStepAndTheGKeyHoldsItHalfWay) {
  KaleidoScene scene;
  DiscField f(&scene);
  float previous = scene.segmentCount;
  for (int step = 1; step <= 62; ++step) {
    if (step == 31) {  // held between whole numbers, then resumed with the kept speed
      const float count = scene.segmentCount, velocity = f.segmentVelocity;
      f.HandleKey(keycode::kKeyG);
      for (int i = 0; i < 40; ++i) f.Step();
      EXPECT_TRUE(count != std::trunc(count) && scene.segmentCount == count && f.segmentVelocity == velocity);
      f.HandleKey(keycode::kKeyG);
    }
    f.Step();
    ASSERT_TRUE(scene.segmentCount < previous && scene.segmentCount > 8.0f) << "step " << step;
    ASSERT_NEAR(scene.segmentAngle * scene.segmentCount, 360.0f, 1e-3f);
    previous = scene.segmentCount;
  }
  f.Step();
  EXPECT_TRUE(scene.segmentCount == 8.0f && scene.segmentAngle == 45.0f);
  EXPECT_NEAR(f.segmentVelocity, -0.063f, 1e-4f);
  for (int step = 0; step < 20; ++step) f.Step();
  EXPECT_EQ(scene.segmentCount, 8.0f);
}

class FieldForces : public FieldFixture {
 protected:
  // One step with the swirl still: forces summed at the placed positions.
  void StepStill() {
    field->spin = 0.0f;
    field->approachSegments = false;
    field->Step();
  }
  void ExpectForce(int i, float x, float y) { ExpectXy(disc(i).force, x, y, 1e-5f, "disc " + std::to_string(i)); }
};

TEST_F(FieldForces, OverlappingDiscsPushApartOnlyWhenTheirIndicesAddUpTo58AndTheRimContainsThem) {
  // Radius 0.5, centres `gap` apart on the x axis; the push on b, a's opposite.
  const std::tuple<int, int, float, float> rows[] = {
      {10, 48, 0.5f, 0.075f}, {0, 58, 0.5f, 0.075f}, {0, 1, 0.5f, 0.075f}, {28, 30, 0.5f, 0.075f},
      {10, 49, 0.1f, 0.0f},   {10, 50, 0.1f, 0.0f},  {0, 59, 0.1f, 0.0f},  {30, 59, 0.1f, 0.0f},
      {5, 6, 1.0f, 0.0f},  // squares that only touch
      {3, 4, 0.0f, 0.0f}};  // coincident discs
  for (const auto& [a, b, gap, push] : rows) {
    SCOPED_TRACE(::testing::Message() << a << " and " << b);
    Isolate({a, b});
    Place(a, -gap / 2, 1.0f, 0.5f);
    Place(b, gap / 2, 1.0f, 0.5f);
    StepStill();
    ExpectForce(a, -push, kGravity);
    ExpectForce(b, push, kGravity);
    EXPECT_TRUE(std::isfinite(disc(a).position.x));
  }
  // In one step, far apart: on a slant the push points along the line of
  // centres; containment starts where the look-ahead point leaves three units.
  Isolate({0, 1, 7, 8, 9});
  Place(0, 0.0f, 0.0f, 0.5f);
  Place(1, 0.3f, 0.4f, 0.5f);
  Place(7, 3.0f, 0.0f, 0.5f);
  Place(8, 0.0f, 3.5f, 0.5f);
  Place(9, -3.0f, 0.0f, 0.5f);  // at 3, moving outward by 0.5
  disc(9).velocity = Vector3f(-0.5f, 0.0f, 0.0f);
  StepStill();
  ExpectForce(0, -0.075f * 0.6f, -0.075f * 0.8f + kGravity);
  ExpectForce(1, 0.075f * 0.6f, 0.075f * 0.8f + kGravity);
  ExpectForce(7, 0.0f, kGravity);
  ExpectForce(8, 0.0f, kGravity - 0.075f);
  ExpectForce(9, 0.075f, kGravity);
}

TEST_F(FieldForces, IntegrationDampsRollsAndSwirlsAndSpinSettles) {
  Isolate({1, 2});
  Place(2, -1.0f, 1.0f, 0.3f);
  disc(2).velocity = Vector3f(0.1f, 0.0f, 0.0f);
  Place(1, 2.0f, 0.0f, 0.3f);
  const float rotation = disc(2).rotation;
  field->spin = 0.1f;
  field->approachSegments = false;
  field->Step();
  // Turned by 0.1 rad about the origin, then moved.
  const float vx = 0.1f * 0.82f, vy = kGravity * 0.82f;
  ExpectXy(disc(2).velocity, vx, vy, 1e-6f, "velocity");
  ExpectXy(disc(2).position, -std::cos(0.1f) - std::sin(0.1f) + vx, -std::sin(0.1f) + std::cos(0.1f) + vy, 1e-5f, "2");
  EXPECT_NEAR(disc(2).rotation - rotation, 100.0f * std::sqrt(vx * vx + vy * vy), 1e-3f);
  ExpectXy(disc(1).position, 2.0f * std::cos(0.1f), 2.0f * std::sin(0.1f) + vy, 1e-5f, "1");
  EXPECT_NEAR(field->spin, 0.1f * 0.9f + 0.00045f, 1e-7f);
  // Left alone, the spin settles at 0.0045.
  for (int step = 0; step < 200; ++step) field->Step();
  EXPECT_NEAR(field->spin, 0.0045f, 1e-7f);
  // A disc at rest falls toward its terminal speed.
  Isolate({0});
  Place(0, 0.0f, 1.0f, 0.2f);
  for (int step = 0; step < 60; ++step) field->Step();
  ExpectXy(disc(0).velocity, 0.0f, -0.003f * 0.82f / 0.18f, 1e-5f, "terminal speed");
  EXPECT_LT(disc(0).position.Length(), 1.0f);
}

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
  // Disc i, 1.25 cycles old: its cycle ends at the next step.
  void CycleOver(int i, float x, float y) {
    Place(i, x, y, 0.3f);
    disc(i).tile = 5;
    disc(i).birthTime = scene.elapsedSeconds - 20.0f;
  }
};

TEST_F(DiscCycles, OutsideTheLowerRightRenewedAtOnceInsideItWaitsAndTicks) {
  for (const auto& p : {std::pair{-2.0f, 2.0f}, {2.0f, 2.0f}, {-2.0f, -2.0f}}) {
    SCOPED_TRACE(::testing::Message() << p.first << "," << p.second);
    const int ticks = field->transitionTick;
    CycleOver(11, p.first, p.second);
    field->spin = 0.0f;
    field->Step();
    const Disc& d = disc(11);
    EXPECT_TRUE(d.tile == 77 && d.radius == 0.3f);
    EXPECT_NEAR(d.phase, 0.25f, 1e-5f);
    EXPECT_NEAR(d.birthTime, scene.elapsedSeconds - 4.0f, 1e-4f);
    ExpectXy(d.position, p.first, p.second + kGravity * 0.82f, 1e-5f, "kept in place");
    EXPECT_EQ(field->transitionTick, ticks + 1);
  }
  field->transitionTick = 0;
  CycleOver(12, -0.2f, 0.2f);  // its square reaches over both axes
  const float birth = disc(12).birthTime;
  for (int step = 1; step <= 5; ++step) {
    scene.elapsedSeconds += 1.0f / 24.0f;
    field->Step();
    EXPECT_TRUE(disc(12).tile == 5 && disc(12).birthTime == birth) << "the disc waits, step " << step;
    EXPECT_EQ(field->transitionTick, step);
    EXPECT_TRUE(disc(12).phase > 0.0f && disc(12).phase < 1.0f);
  }
  disc(12).position = Vector3f(-1.0f, 0.2f, 0.0f);  // out of the quadrant
  field->Step();
  EXPECT_EQ(disc(12).tile, 77);
  field->Step();
  EXPECT_EQ(field->transitionTick, 6);
}

TEST_F(DiscCycles, TransitionPeriodsFlipTheModeAndPickATile) {
  const std::pair<float, int> rows[] = {{0.5f, 1}, {1.0f, 3}, {16.9f, 63}, {17.0f, 63}, {0.0f, 0}};
  for (const auto& [duration, length] : rows) {
    const bool mode = field->uniformTile;
    field->transitionTick = 9;
    field->StartTransition(duration);
    EXPECT_EQ(field->transitionLength, length) << duration;
    EXPECT_EQ(field->transitionTick, 0);
    EXPECT_NE(field->uniformTile, mode);
    EXPECT_TRUE(field->sharedTile >= 0 && field->sharedTile <= 77);
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
  EXPECT_TRUE(field->transitionLength >= 3 && field->transitionLength <= 63);
  DiscField fresh(&scene);  // its first tick (length 0) flips at once
  const bool freshMode = fresh.uniformTile;
  fresh.AdvanceTransition();
  EXPECT_NE(fresh.uniformTile, freshMode);
}

TEST_F(DiscCycles, ArrowKeysSteerTheScaleUnboundedAndDownPlacesEveryDiscAfresh) {
  for (int i = 0; i < 30; ++i) field->HandleKey(keycode::kLeft);
  const float scale = field->feedbackScale;
  EXPECT_NEAR(scale, 2.4f - 30 * 0.1f, 1e-5f) << "0.1 a press, through zero";
  for (std::uint32_t key : {keycode::kSpace, keycode::kKeyM, keycode::kNumpad0, 0xFFFFu}) field->HandleKey(key);
  EXPECT_EQ(field->feedbackScale, scale);
  EXPECT_EQ(disc(0).position.y, kSpeckY) << "other keys move nothing";

  const bool mode = field->uniformTile;
  field->HandleKey(keycode::kDown);
  EXPECT_NE(field->uniformTile, mode);
  EXPECT_EQ(field->transitionLength, 1);
  EXPECT_EQ(field->transitionTick, 0);
  for (int i = 0; i < kDiscCount; ++i) {
    EXPECT_TRUE(disc(i).radius >= 0.2f && disc(i).position.y != kSpeckY) << "disc " << i;
    EXPECT_TRUE(!field->uniformTile || disc(i).tile == field->sharedTile) << "disc " << i;
  }
  field->HandleKey(keycode::kDown);
  EXPECT_EQ(field->uniformTile, mode);
}

}  // namespace
