#include <gtest/gtest.h>

#include "field/DiscField.h"
#include "scene/KaleidoScene.h"

TEST(Keys, TableAnswersOnABareScene) {
  KaleidoScene s;  // no Init: nothing to forward to
  for (std::uint32_t code : {0x20u, 0x25u, 0x26u, 0x27u, 0x28u, 0x53u}) {
    EXPECT_TRUE(s.HandleKey(code)) << std::hex << code;
  }
  for (std::uint32_t code = 0; code < 0x20; ++code) EXPECT_FALSE(s.HandleKey(code)) << code;
  for (std::uint32_t code : {0x21u, 0x24u, 0x29u, 0x2Fu, 0x3Au, 0x47u, 0x4Cu, 0x4Eu, 0x52u, 0x54u, 0x6Du, 0x1Bu,
                             0x100u, 0xFFFFFFFFu}) {
    EXPECT_FALSE(s.HandleKey(code)) << std::hex << code;
  }
  EXPECT_EQ(s.levels, 1);
  EXPECT_FALSE(s.mirrorsSuppressed);
}

TEST(Keys, TopRowDigitsSetTheLevelCount) {
  KaleidoScene s;
  EXPECT_TRUE(s.HandleKey('9'));
  EXPECT_EQ(s.levels, 10);
  EXPECT_TRUE(s.HandleKey('0'));
  EXPECT_EQ(s.levels, 1);
  s.HandleKey('5');
  s.HandleKey('5');
  EXPECT_EQ(s.levels, 6);  // sets, does not add
  for (std::uint32_t code = '0'; code <= '9'; ++code) {
    s.HandleKey(code);
    EXPECT_EQ(s.levels, static_cast<std::int32_t>(code) - 47);
  }
}

TEST(Keys, KeypadDigitsAreNotLevelKeys) {
  KaleidoScene s;
  s.HandleKey('3');
  for (std::uint32_t code = 0x60; code <= 0x69; ++code) {
    EXPECT_FALSE(s.HandleKey(code));
    EXPECT_EQ(s.levels, 4);
  }
}

TEST(Keys, MTogglesMirrorSuppression) {
  KaleidoScene s;
  EXPECT_TRUE(s.HandleKey('M'));
  EXPECT_TRUE(s.mirrorsSuppressed);
  EXPECT_TRUE(s.HandleKey('M'));
  EXPECT_FALSE(s.mirrorsSuppressed);
  EXPECT_FALSE(s.HandleKey('m'));  // lower-case codes are not key-down codes
  EXPECT_FALSE(s.mirrorsSuppressed);
}

// The keys the scene passes on reach the field's own handler.
class KeysWithField : public ::testing::Test {
 protected:
  void SetUp() override {
    scene.field = new DiscField(&scene);
    scene.field->SetUpWithoutImages();
  }
  void TearDown() override { scene.Teardown(); }
  KaleidoScene scene;
};

TEST_F(KeysWithField, ArrowsSteerTheField) {
  DiscField& f = *scene.field;
  const float scale = f.feedbackScale;
  EXPECT_TRUE(scene.HandleKey(0x25));
  EXPECT_NEAR(f.feedbackScale, scale - 0.1f, 1e-5);
  EXPECT_TRUE(scene.HandleKey(0x27));
  EXPECT_TRUE(scene.HandleKey(0x27));
  EXPECT_NEAR(f.feedbackScale, scale + 0.1f, 1e-5);
  const float spin = f.spin;
  EXPECT_TRUE(scene.HandleKey(0x26));
  EXPECT_NEAR(f.spin, spin + 0.00436332f, 1e-6);
}

TEST_F(KeysWithField, UnlistedKeysReachTheFieldAndEndTheSaver) {
  DiscField& f = *scene.field;
  const bool easing = f.approachSegments;
  EXPECT_FALSE(scene.HandleKey('G'));
  EXPECT_NE(f.approachSegments, easing);
  EXPECT_FALSE(scene.HandleKey('G'));
  EXPECT_EQ(f.approachSegments, easing);
  // Keys the scene consumes itself never reach the field.
  const float scale = f.feedbackScale;
  const float spin = f.spin;
  for (std::uint32_t code : {0x20u, 0x30u, 0x39u, 0x4Du, 0x53u}) EXPECT_TRUE(scene.HandleKey(code));
  EXPECT_EQ(f.approachSegments, easing);
  EXPECT_EQ(f.feedbackScale, scale);
  EXPECT_EQ(f.spin, spin);
}
