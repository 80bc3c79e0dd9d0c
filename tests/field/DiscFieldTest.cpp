// The field's model: construction, placing the discs, tiles, tear-down.
#include <cmath>
#include <set>

#include "tests/field/FieldFixture.h"

namespace {

constexpr float kTileW = 78.0f / 1024.0f;
constexpr float kTileH = 78.0f / 512.0f;

TEST(DiscFieldModel, ConstructionGivesTheStartValues) {
  KaleidoScene scene;
  DiscField f(&scene);
  EXPECT_EQ(currentField, &f);
  EXPECT_EQ(f.scene, &scene);
  EXPECT_EQ(f.discs, nullptr);
  EXPECT_EQ(f.textures, nullptr);
  EXPECT_FLOAT_EQ(f.feedbackScale, 2.4f);
  EXPECT_EQ(f.tileCount, 78);
  EXPECT_EQ(f.targetSegmentCount, 8);
  EXPECT_TRUE(f.approachSegments);
  EXPECT_EQ(f.spin, 0.0f);
  EXPECT_EQ(f.transitionTick, 0);
  EXPECT_EQ(f.transitionLength, 0);
}

TEST(DiscFieldModel, TeardownWithoutSetUpIsHarmlessAndForgetsTheField) {
  KaleidoScene scene;
  auto* f = new DiscField(&scene);
  EXPECT_EQ(currentField, f);
  delete f;
  EXPECT_EQ(currentField, nullptr);
}

TEST(DiscFieldModel, TeardownOfAnOlderFieldKeepsTheNewerCurrent) {
  KaleidoScene scene;
  auto older = std::make_unique<DiscField>(&scene);
  DiscField newer(&scene);
  older.reset();
  EXPECT_EQ(currentField, &newer);
}

TEST(DiscFieldModel, SetUpInvariantsHoldForManySeedsInBothTileModes) {
  KaleidoScene scene;
  scene.elapsedSeconds = 5.0f;
  bool sawUniform = false;
  bool sawRandom = false;
  for (std::uint32_t seed = 1; seed <= 40; ++seed) {
    SeedRandom(seed * 2654435761u);  // small seeds start with small draws
    DiscField f(&scene);
    f.SetUpWithoutImages();
    ASSERT_NE(f.discs, nullptr);
    ASSERT_GE(f.sharedTile, 0);
    ASSERT_LE(f.sharedTile, 77);
    std::set<int> tiles;
    for (int i = 0; i < kDiscCount; ++i) {
      const Disc& d = f.discs[i];
      EXPECT_LE(d.position.Length(), 4.0f + 1e-5f);
      EXPECT_EQ(d.position.z, 0.0f);
      EXPECT_GE(d.radius, 0.2f);
      EXPECT_LE(d.radius, 0.6f + 1e-6f);
      EXPECT_EQ(d.velocity.Length(), 0.0f);
      EXPECT_EQ(d.force.Length(), 0.0f);
      EXPECT_GE(d.tile, 0);
      EXPECT_LE(d.tile, 77);
      EXPECT_GE(d.rotation, 0.0f);
      EXPECT_LE(d.rotation, 360.0f);
      EXPECT_FLOAT_EQ(d.phase, static_cast<float>(i) / 60.0f);
      EXPECT_NEAR(d.birthTime, 5.0f - 16.0f * static_cast<float>(i) / 60.0f, 1e-5f);
      EXPECT_FLOAT_EQ(d.tileWidth, kTileW);
      EXPECT_FLOAT_EQ(d.tileHeight, kTileH);
      tiles.insert(d.tile);
    }
    if (f.uniformTile) {
      sawUniform = true;
      EXPECT_EQ(tiles, std::set<int>{f.sharedTile});
    } else {
      sawRandom = true;
      EXPECT_GT(tiles.size(), 10u);
    }
  }
  EXPECT_TRUE(sawUniform);
  EXPECT_TRUE(sawRandom);
}

TEST(DiscFieldModel, StartPositionsSpreadOverTheWholeArena) {
  KaleidoScene scene;
  SeedRandom(99);
  DiscField f(&scene);
  f.SetUpWithoutImages();
  int quadrants[4] = {};
  float farthest = 0.0f;
  for (int i = 0; i < kDiscCount; ++i) {
    const Vector3f& p = f.discs[i].position;
    quadrants[(p.x < 0 ? 1 : 0) + (p.y < 0 ? 2 : 0)] += 1;
    farthest = std::fmax(farthest, p.Length());
  }
  for (int q : quadrants) EXPECT_GT(q, 3);
  EXPECT_GT(farthest, 2.5f);
}

class DiscModel : public FieldFixture {};

TEST_F(DiscModel, TileIndexMapsToColumnAndRowOfThirteen) {
  field->uniformTile = true;
  field->sharedTile = 77;
  disc(0).Renew();
  EXPECT_EQ(disc(0).tile, 77);
  EXPECT_FLOAT_EQ(disc(0).tileU, 936.0f / 1024.0f);
  EXPECT_FLOAT_EQ(disc(0).tileV, 390.0f / 512.0f);
  EXPECT_FLOAT_EQ(disc(0).tileWidth, 0.076171875f);
  EXPECT_FLOAT_EQ(disc(0).tileHeight, 0.15234375f);

  field->sharedTile = 13;
  disc(0).Renew();
  EXPECT_FLOAT_EQ(disc(0).tileU, 0.0f);
  EXPECT_FLOAT_EQ(disc(0).tileV, 78.0f / 512.0f);

  field->sharedTile = 12;
  disc(0).Renew();
  EXPECT_FLOAT_EQ(disc(0).tileU, 936.0f / 1024.0f);
  EXPECT_FLOAT_EQ(disc(0).tileV, 0.0f);
}

TEST_F(DiscModel, TileRectangleFollowsTheAtlasSize) {
  field->textures = new TextureSet();
  field->textures->atlas.width = 2048;
  field->textures->atlas.height = 1024;
  field->uniformTile = true;
  field->sharedTile = 14;
  disc(3).Renew();
  EXPECT_FLOAT_EQ(disc(3).tileU, 78.0f / 2048.0f);
  EXPECT_FLOAT_EQ(disc(3).tileV, 78.0f / 1024.0f);
  EXPECT_FLOAT_EQ(disc(3).tileWidth, 78.0f / 2048.0f);
  EXPECT_FLOAT_EQ(disc(3).tileHeight, 78.0f / 1024.0f);
}

TEST_F(DiscModel, AtlasThatFailedToLoadKeepsTheNominalTileLayout) {
  field->textures = new TextureSet();  // zero-filled: width and height 0
  field->uniformTile = true;
  field->sharedTile = 77;
  disc(0).Renew();
  EXPECT_TRUE(std::isfinite(disc(0).tileU));
  EXPECT_FLOAT_EQ(disc(0).tileU, 936.0f / 1024.0f);
  EXPECT_FLOAT_EQ(disc(0).tileV, 390.0f / 512.0f);
  EXPECT_FLOAT_EQ(disc(0).tileWidth, kTileW);
  EXPECT_FLOAT_EQ(disc(0).tileHeight, kTileH);
}

TEST_F(DiscModel, RenewKeepsPlaceMotionAndSizeAndRestartsTheCycle) {
  Disc& d = disc(20);
  d.velocity = Vector3f(0.01f, -0.02f, 0.0f);
  d.force = Vector3f(0.5f, 0.5f, 0.0f);
  d.phase = 0.25f;
  const Vector3f position = d.position;
  const float radius = d.radius;
  scene.elapsedSeconds = 250.0f;
  field->uniformTile = false;
  d.Renew();
  EXPECT_EQ(d.position.x, position.x);
  EXPECT_EQ(d.position.y, position.y);
  EXPECT_EQ(d.velocity.x, 0.01f);
  EXPECT_EQ(d.velocity.y, -0.02f);
  EXPECT_EQ(d.force.x, 0.5f);
  EXPECT_EQ(d.radius, radius);
  EXPECT_FLOAT_EQ(d.birthTime, 246.0f);
}

TEST_F(DiscModel, ResetDiscsPlacesAfreshAndKeepsTheFieldState) {
  field->spin = 0.003f;
  const bool uniform = field->uniformTile;
  const int shared = field->sharedTile;
  Vector3f before[kDiscCount];
  for (int i = 0; i < kDiscCount; ++i) {
    before[i] = disc(i).position;
    disc(i).velocity = Vector3f(1.0f, 1.0f, 0.0f);
  }
  field->ResetDiscs();
  int moved = 0;
  for (int i = 0; i < kDiscCount; ++i) {
    moved += (disc(i).position - before[i]).Length() > 1e-4f ? 1 : 0;
    EXPECT_EQ(disc(i).velocity.Length(), 0.0f);
  }
  EXPECT_EQ(moved, kDiscCount);
  EXPECT_EQ(field->uniformTile, uniform);
  EXPECT_EQ(field->sharedTile, shared);
  EXPECT_EQ(field->spin, 0.003f);
}

}  // namespace
