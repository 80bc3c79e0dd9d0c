// The field's model: placing the discs, tiles, the quads, the tear-down.
#include <cmath>
#include <tuple>

#include "field/FieldConstants.h"
#include "tests/field/FieldFixture.h"

namespace {

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

}  // namespace
