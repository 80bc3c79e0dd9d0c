#pragma once
// A field set up without GL in a scene whose values the tests set by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <memory>

#include "field/DiscField.h"
#include "scene/KaleidoScene.h"

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
