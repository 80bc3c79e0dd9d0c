#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "scene/KaleidoScene.h"
#include "scene/MirrorSegments.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

double Radians(double degrees) { return degrees * kPi / 180.0; }

bool Passes(const double plane[4], double x, double y) { return plane[0] * x + plane[1] * y + plane[3] >= 0.0; }

// Whether the ray at `degrees` (in the frame the planes are given in) passes both planes.
bool InWedge(const double planes[2][4], double degrees) {
  const double x = std::cos(Radians(degrees));
  const double y = std::sin(Radians(degrees));
  return Passes(planes[0], x, y) && Passes(planes[1], x, y);
}

void ExpectPlane(const double plane[4], double degrees) {
  EXPECT_NEAR(plane[0], std::cos(Radians(degrees)), 1e-5);
  EXPECT_NEAR(plane[1], std::sin(Radians(degrees)), 1e-5);
  EXPECT_EQ(plane[2], 0.0);
  EXPECT_EQ(plane[3], 0.0);
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
  const struct {
    float segmentCount, angle;
    int slots;
    bool partial;
    float partialAngle;
  } rows[] = {{10.0f, 36.0f, 10, false, 0.0f},          {9.0f, 40.0f, 9, false, 0.0f},
              {8.0f, 45.0f, 8, false, 0.0f},            {9.5f, 37.894737f, 10, true, 18.947369f},
              {8.5f, 42.352940f, 9, true, 21.176470f},  {9.0005f, 39.997776f, 9, false, 0.0f},
              {8.9999f, 40.000446f, 9, true, 39.996441f}, {9.0009f, 39.996f, 9, false, 0.0f},
              {9.0011f, 39.995113f, 10, true, 0.044f}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.segmentCount);
    KaleidoScene s;
    s.SetSegmentAngle(360.0f / row.segmentCount);
    EXPECT_NEAR(s.segmentAngle, row.angle, 1e-3);
    EXPECT_EQ(s.wedgeAngle, s.segmentAngle);
    EXPECT_NEAR(s.segmentCount, row.segmentCount, 1e-4);
    EXPECT_EQ(s.wedgeSlots, row.slots);
    EXPECT_EQ(s.hasPartialWedge, row.partial);
    if (row.partial) {
      EXPECT_NEAR(s.partialAngle, row.partialAngle, 5e-3);
    }
  }
}

TEST(SetSegmentAngle, OutlineAndPlanes) {
  // Where the planes let each copy through is checked by the ring's coverage
  // below; here the values themselves.
  KaleidoScene s;
  s.SetSegmentAngle(36.0f);
  EXPECT_NEAR(s.wedgeRimStart.x, 0.0f, 1e-4);
  EXPECT_NEAR(s.wedgeRimStart.y, -4.0f, 1e-5);
  EXPECT_NEAR(s.wedgeRimEnd.x, 2.351f, 1e-3);
  EXPECT_NEAR(s.wedgeRimEnd.y, -3.236f, 1e-3);
  EXPECT_EQ(s.wedgeApex.Length(), 0.0f);
  ExpectPlane(s.wedgePlanes[0], 0.0);
  ExpectPlane(s.wedgePlanes[1], 216.0);  // about (-0.809, -0.588)
  s.SetSegmentAngle(360.0f / 9.5f);  // even slot count: the first o degrees
  ExpectPlane(s.partialPlanes[0], 0.0);
  ExpectPlane(s.partialPlanes[1], s.partialAngle + 180.0);
  s.SetSegmentAngle(360.0f / 8.5f);  // odd slot count: the last o degrees
  ExpectPlane(s.partialPlanes[0], s.wedgeAngle - s.partialAngle + 360.0);
  for (int k = 0; k < 4; ++k) EXPECT_EQ(s.partialPlanes[1][k], s.wedgePlanes[1][k]);
}

TEST(SetSegmentAngle, AnglesOutsideTheSectorRangeAreClamped) {
  KaleidoScene s;
  for (float bad : {0.0f, -20.0f, std::nanf("")}) {
    s.SetSegmentAngle(bad);
    EXPECT_EQ(s.segmentAngle, kMinSegmentAngle);
    EXPECT_EQ(s.wedgeSlots, 360);
    EXPECT_FALSE(s.hasPartialWedge);
    EXPECT_TRUE(std::isfinite(s.wedgePlanes[1][0]));
    EXPECT_TRUE(std::isfinite(s.wedgeRimEnd.x));
  }
  for (float wide : {181.0f, 270.0f, 1e30f, INFINITY}) {
    s.SetSegmentAngle(wide);
    EXPECT_EQ(s.segmentAngle, 180.0f);
    EXPECT_EQ(s.segmentCount, 2.0f);
    EXPECT_EQ(s.wedgeSlots, 2);
    EXPECT_FALSE(s.hasPartialWedge);
  }
  EXPECT_EQ(ClampSegmentAngle(0.5f), 1.0f);
  EXPECT_EQ(ClampSegmentAngle(42.0f), 42.0f);
}

TEST(MirrorCopies, IterationsAndCopies) {
  // n = 9: iterations 0, 2, 4, 6, 8; the last draws only its mirrored copy.
  // Without mirrors one unclipped copy; a single slot has no direct copy.
  const struct {
    int slots;
    bool mirrored;
    const char* copies;  // iteration and d(irect) or r(eflected), in order
  } rows[] = {{9, true, "0d0r2d2r4d4r6d6r8r"}, {10, false, "0d"}, {1, false, ""}};
  for (const auto& row : rows) {
    std::string copies;
    ForEachMirrorCopy(row.slots, false, row.mirrored, [&](const MirrorCopy& c) {
      copies += std::to_string(c.iteration) + (c.reflected ? "r" : "d");
    });
    EXPECT_EQ(copies, row.copies) << row.slots << " slots";
  }
}

TEST(MirrorCopies, TheRingIsCoveredExactlyOnce) {
  // Sample the ring away from the seams: every direction lies in one copy.
  for (float count : {10.0f, 9.0f, 8.0f, 9.5f, 8.5f, 9.25f, 8.75f, 3.0f, 2.4f, 2.0f, 17.3f}) {
    SCOPED_TRACE(count);
    KaleidoScene s;
    s.SetSegmentAngle(360.0f / count);
    for (double d = 0.05; d < 360.0; d += 0.1) {
      ASSERT_EQ(CopiesCovering(s, true, d), 1) << "at " << d << " degrees";
    }
  }
}
