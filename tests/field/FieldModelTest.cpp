// The field's model: placing the discs, tiles, the quads, the tear-down.
#include <cmath>

#include "field/FieldConstants.h"
#include "tests/field/FieldFixture.h"

namespace {

TEST(DiscFieldModel, TeardownForgetsOnlyItsOwnField) {
  KaleidoScene scene;
  auto older = std::make_unique<DiscField>(&scene);
  auto newer = std::make_unique<DiscField>(&scene);  // never set up
  older.reset();
  EXPECT_EQ(currentField, newer.get());
  newer.reset();
  EXPECT_EQ(currentField, nullptr);
}

class DiscModel : public FieldFixture {};

TEST_F(DiscModel, TileRectangleFromTheIndexAndTheAtlasSize) {
  const struct {
    int atlasWidth, atlasHeight;  // 0 x 0: the atlas failed to load
    int tile;
    float u, v, width, height;
  } rows[] = {{1024, 512, 77, 936.0f / 1024, 390.0f / 512, 0.076171875f, 0.15234375f},
              {1024, 512, 13, 0.0f, 78.0f / 512, 78.0f / 1024, 78.0f / 512},
              {1024, 512, 12, 936.0f / 1024, 0.0f, 78.0f / 1024, 78.0f / 512},
              {2048, 1024, 14, 78.0f / 2048, 78.0f / 1024, 78.0f / 2048, 78.0f / 1024},
              {0, 0, 77, 936.0f / 1024, 390.0f / 512, 78.0f / 1024, 78.0f / 512}};
  field->textures = new TextureSet();
  field->uniformTile = true;
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::Message() << "tile " << row.tile << " of " << row.atlasWidth);
    field->textures->atlas.width = row.atlasWidth;
    field->textures->atlas.height = row.atlasHeight;
    field->sharedTile = row.tile;
    disc(3).Renew();
    EXPECT_EQ(disc(3).tile, row.tile);
    EXPECT_FLOAT_EQ(disc(3).tileU, row.u);
    EXPECT_FLOAT_EQ(disc(3).tileV, row.v);
    EXPECT_FLOAT_EQ(disc(3).tileWidth, row.width);
    EXPECT_FLOAT_EQ(disc(3).tileHeight, row.height);
  }
  // The largest draw gives u = 1 exactly; a tile pick still stays below 78.
  SeedRandom(0xF01BF641u);
  EXPECT_EQ(field::PickBelow(78), 77);
}

TEST_F(DiscModel, RenewRestartsTheCycleOnlyAndResetPlacesAfreshKeepingTheFieldState) {
  Disc& d = disc(20);
  Place(20, 1.5f, -0.5f, 0.3f);
  d.velocity = Vector3f(0.01f, -0.02f, 0.0f);
  d.force = Vector3f(0.5f, 0.5f, 0.0f);
  d.phase = 0.25f;
  scene.elapsedSeconds = 250.0f;
  field->uniformTile = false;
  d.Renew();
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
  EXPECT_FALSE(field->uniformTile);
  EXPECT_EQ(field->sharedTile, shared);
  EXPECT_EQ(field->spin, 0.003f);
}

TEST_F(DiscModel, OutlineHoldsTheMaskCircleWithTheSquaresTextureTurnedAsGlRotateTurnsIt) {
  Disc& d = disc(0);
  Place(0, 1.0f, -2.0f, 0.5f);
  d.tileU = 0.25f, d.tileV = 0.5f, d.tileWidth = 0.125f, d.tileHeight = 0.0625f, d.rotation = 0.0f;
  const DiscOutline flat = d.Outline();
  double unit[kDiscOutlineVertices][2];  // the outline in the tile's square, (-1, -1) to (1, 1)
  for (int k = 0; k < kDiscOutlineVertices; ++k) {
    unit[k][0] = (flat.position[k][0] - 1.0) / 0.5;
    unit[k][1] = (flat.position[k][1] + 2.0) / 0.5;
    EXPECT_TRUE(std::fabs(unit[k][0]) <= 1.0 + 1e-6 && std::fabs(unit[k][1]) <= 1.0 + 1e-6) << "vertex " << k;
    // The square's texture at this point; its top row (t = tileV) at the top.
    EXPECT_NEAR(flat.texCoord[k][0], 0.25 + 0.125 * (unit[k][0] + 1.0) / 2.0, 1e-7) << "vertex " << k;
    EXPECT_NEAR(flat.texCoord[k][1], 0.5 + 0.0625 * (1.0 - unit[k][1]) / 2.0, 1e-7) << "vertex " << k;
  }
  // Every point of the circle through the square's edge midpoints lies in a
  // quad, on the inner side of its four counter-clockwise edges.
  for (double a = 0.0; a < 6.2832; a += 0.01) {
    bool inside = false;
    for (int q = 0; q < kDiscOutlineVertices && !inside; q += 4) {
      inside = true;
      for (int e = 0; e < 4; ++e) {
        const double *p = unit[q + e], *n = unit[q + (e + 1) % 4];
        inside = inside && (n[0] - p[0]) * (std::sin(a) - p[1]) - (n[1] - p[1]) * (std::cos(a) - p[0]) >= -1e-9;
      }
    }
    EXPECT_TRUE(inside) << a << " radians";
  }
  // Rotations grow without bound while the discs roll.
  for (float rotation : {30.0f, 90.0f, 359.9f, 1000037.3f, 1234567.9f, 36000017.0f}) {
    d.rotation = rotation;
    const DiscOutline q = d.Outline();
    const long double radians = std::fmod(static_cast<long double>(rotation), 360.0L) * 3.14159265358979323846L / 180;
    const double c = static_cast<double>(std::cos(radians)), s = static_cast<double>(std::sin(radians));
    for (int k = 0; k < kDiscOutlineVertices; ++k) {
      EXPECT_NEAR(q.position[k][0], 1.0 + 0.5 * (c * unit[k][0] - s * unit[k][1]), 2e-6) << rotation << ", " << k;
      EXPECT_NEAR(q.position[k][1], -2.0 + 0.5 * (s * unit[k][0] + c * unit[k][1]), 2e-6) << rotation << ", " << k;
      EXPECT_TRUE(q.position[k][2] == 1.0f && q.texCoord[k][0] == flat.texCoord[k][0] &&
                  q.texCoord[k][1] == flat.texCoord[k][1]);
    }
  }
}

}  // namespace
