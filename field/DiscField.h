#pragma once
// The sixty discs: model, set-up, dynamics and drawing.
#include <cstdint>

#include "field/Random.h"
#include "field/Vector3f.h"
#include "images/ImageTexture.h"
#include "images/ResourceImageLoader.h"

constexpr int kDiscCount = 60;

// What the field shares with the scene that drives it: the field reads the
// scene's time and segment angle, and its Step eases the segment count and
// angle. The logo's centre is where the scene's view puts its lower-right
// corner. Every random value of the field is drawn from the scene's source.
struct FieldDriver {
  RandomSource random;
  float elapsedSeconds = 0.0f;
  float segmentAngle = 36.0f;
  float segmentCount = 10.0f;
  float logoX = 5.0f;
  float logoY = -5.0f;
};

struct DiscField;

// A disc's quad as drawn: four corners in field coordinates, counter-clockwise
// from the bottom left before the disc's rotation, with their texture
// coordinates.
struct DiscCorners {
  float position[4][3];
  float texCoord[4][2];
};

struct Disc {
  Vector3f position;
  Vector3f velocity;
  Vector3f force;
  float phase = 0.0f;
  float birthTime = 0.0f;
  float radius = 0.0f;
  float rotation = 0.0f;
  std::int32_t tile = 0;
  float tileU = 0.0f;
  float tileV = 0.0f;
  float tileWidth = 0.0f;
  float tileHeight = 0.0f;

  void Reset(const DiscField& owner, int index);
  void Renew(const DiscField& owner);
  void AfterMove(DiscField& owner);
  // Where the disc's quad lies: translated to `position`, turned by `rotation`
  // degrees counter-clockwise and scaled by `radius`, at z = 1.
  DiscCorners Corners() const;
};

// The sixty disc quads placed in field coordinates, built once per pass and
// sent between one glBegin and glEnd per mirror copy: the driver sees one draw
// instead of sixty, each with its own matrix. Field coordinates are the same
// for every copy, so the copies share the batch. (Measured under llvmpipe, a
// vertex-array draw of the same batch cost a little more per frame.)
struct DiscBatch {
  DiscCorners corners[kDiscCount];
  bool current = false;  // built for the pass now open
  bool inPass = false;
};

struct DiscField {
  Disc* discs = nullptr;  // owned, kDiscCount of them
  FieldDriver* scene = nullptr;  // not owned, never null
  float spin = 0.0f;
  float feedbackScale = 2.4f;
  std::int32_t transitionTick = 0;
  std::int32_t transitionLength = 0;
  bool uniformTile = true;
  std::int32_t sharedTile = 0;
  std::int32_t tileCount = 78;
  std::int32_t targetSegmentCount = 8;
  float segmentVelocity = 0.0f;
  bool approachSegments = true;
  TextureSet* textures = nullptr;  // owned
  DiscBatch batch;

  explicit DiscField(FieldDriver* scene);
  RandomSource& Random() const { return scene->random; }
  ~DiscField();
  DiscField(const DiscField&) = delete;
  DiscField& operator=(const DiscField&) = delete;

  // Set-up with a current GL context: discs, the images found through `find`,
  // clear colour.
  void SetUp(ImageResourceFinder find);
  // The same without GL: no images are decoded or uploaded, and the tile
  // coordinates use the atlas size 1024 x 512. For tests and the soak run.
  void SetUpWithoutImages();
  void ResetDiscs();
  void LoadTextures(ImageResourceFinder find);
  // Allocates the disc array unless it exists; false when there is none.
  bool AllocateDiscs();
  // Deletes the atlas texture and frees the texture set, if any.
  void ReleaseTextures();
  // Shows another atlas of the same layout (RGBA, width x height), the photos
  // of a folder: the discs keep their tiles, which now show the new pictures.
  void ShowAtlas(const unsigned char* rgba, std::int32_t width, std::int32_t height);

  void Step();
  void StartTransition(float duration);
  void AdvanceTransition();
  void HandleKey(std::uint32_t key);

  void BeginPass(bool withLogo, std::int32_t level);
  void DrawDiscs();
  void DrawFeedback(std::uint32_t texture);
  void EndPass();
};
