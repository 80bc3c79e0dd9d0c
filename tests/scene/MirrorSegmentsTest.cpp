#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>

#include "scene/KaleidoScene.h"
#include "scene/MirrorSegments.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// Whether the ray at `degrees` (in the planes' frame) passes both planes.
bool InWedge(const double planes[2][4], double degrees) {
  const double x = std::cos(degrees * kPi / 180.0), y = std::sin(degrees * kPi / 180.0);
  return planes[0][0] * x + planes[0][1] * y + planes[0][3] >= 0.0 &&
         planes[1][0] * x + planes[1][1] * y + planes[1][3] >= 0.0;
}

// How many copies of a level cover the ray at `degrees` in the pass's frame.
int CopiesCovering(const KaleidoScene& s, bool mirrored, double degrees) {
  int count = 0;
  ForEachMirrorCopy(s.wedgeSlots, s.hasPartialWedge, mirrored, [&](const MirrorCopy& c) {
    double local = degrees - c.iteration * static_cast<double>(s.wedgeAngle);
    if (c.reflected) local = 180.0 - local;  // x -> -x
    if (InWedge(c.partial ? s.partialPlanes : s.wedgePlanes, local)) ++count;
  });
  return count;
}

}  // namespace

TEST(SetSegmentAngle, ExampleTable) {
  // Segment count; angle, whole slots, whether a partial wedge closes the ring, its angle.
  const std::tuple<float, float, int, bool, float> rows[] = {
      {10.0f, 36.0f, 10, false, 0.0f},         {9.0f, 40.0f, 9, false, 0.0f},
      {8.0f, 45.0f, 8, false, 0.0f},           {9.5f, 37.894737f, 10, true, 18.947369f},
      {8.5f, 42.352940f, 9, true, 21.176470f}, {9.0005f, 39.997776f, 9, false, 0.0f},
      {8.9999f, 40.000446f, 9, true, 39.996441f}, {9.0009f, 39.996f, 9, false, 0.0f},
      {9.0011f, 39.995113f, 10, true, 0.044f}};
  for (const auto& [segmentCount, angle, slots, partial, partialAngle] : rows) {
    SCOPED_TRACE(segmentCount);
    KaleidoScene s;
    s.SetSegmentAngle(360.0f / segmentCount);
    EXPECT_NEAR(s.segmentAngle, angle, 1e-3);
    EXPECT_EQ(s.wedgeAngle, s.segmentAngle);
    EXPECT_NEAR(s.segmentCount, segmentCount, 1e-4);
    EXPECT_TRUE(s.wedgeSlots == slots && s.hasPartialWedge == partial);
    EXPECT_NEAR(partial ? s.partialAngle : 0.0f, partialAngle, 5e-3);
  }
}

// The outline; the planes themselves are checked by the ring coverage below.
TEST(SetSegmentAngle, OutlineAndAnglesOutsideTheSectorRangeClamped) {
  KaleidoScene s;
  s.SetSegmentAngle(36.0f);
  EXPECT_NEAR(s.wedgeRimStart.x, 0.0f, 1e-4);
  EXPECT_NEAR(s.wedgeRimStart.y, -4.0f, 1e-5);
  EXPECT_NEAR(s.wedgeRimEnd.x, 2.351f, 1e-3);
  EXPECT_NEAR(s.wedgeRimEnd.y, -3.236f, 1e-3);
  EXPECT_EQ(s.wedgeApex.Length(), 0.0f);
  for (float bad : {0.0f, -20.0f, std::nanf("")}) {
    s.SetSegmentAngle(bad);
    EXPECT_TRUE(s.segmentAngle == kMinSegmentAngle && s.wedgeSlots == 360 && !s.hasPartialWedge &&
                std::isfinite(s.wedgePlanes[1][0]) && std::isfinite(s.wedgeRimEnd.x));
  }
  for (float wide : {181.0f, 270.0f, 1e30f, INFINITY}) {
    s.SetSegmentAngle(wide);
    EXPECT_TRUE(s.segmentAngle == 180.0f && s.segmentCount == 2.0f && s.wedgeSlots == 2 && !s.hasPartialWedge);
  }
  EXPECT_EQ(ClampSegmentAngle(0.5f), 1.0f);
  EXPECT_EQ(ClampSegmentAngle(42.0f), 42.0f);
}

TEST(MirrorCopies, IterationsAndCopies) {
  // Iteration and d(irect) or r(eflected), in order: with 9 slots the last
  // iteration draws only its mirrored copy; a single slot has no direct copy.
  const std::tuple<int, bool, std::string> rows[] = {
      {9, true, "0d0r2d2r4d4r6d6r8r"}, {10, false, "0d"}, {1, false, ""}};
  for (const auto& [slots, mirrored, want] : rows) {
    std::string copies;
    ForEachMirrorCopy(slots, false, mirrored, [&](const MirrorCopy& c) {
      copies += std::to_string(c.iteration) + (c.reflected ? "r" : "d");
    });
    EXPECT_EQ(copies, want) << slots << " slots";
  }
}

TEST(MirrorCopies, TheRingIsCoveredExactlyOnce) {
  for (float count : {10.0f, 9.0f, 8.0f, 9.5f, 8.5f, 9.25f, 8.75f, 3.0f, 2.4f, 2.0f, 17.3f}) {
    SCOPED_TRACE(count);
    KaleidoScene s;
    s.SetSegmentAngle(360.0f / count);
    for (double d = 0.05; d < 360.0; d += 0.1) ASSERT_EQ(CopiesCovering(s, true, d), 1) << "at " << d << " degrees";
  }
}
