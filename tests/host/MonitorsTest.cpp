#include <gtest/gtest.h>

#include "host/Monitors.h"

namespace {

using Views = std::vector<SceneView>;

struct LayoutCase {
  const char* name;
  ScreenRect window;
  std::vector<Monitor> monitors;
  bool allMonitors;
  Views views;
  bool fills;
};

// Two monitors side by side, 1280x720 and 1024x768, the second one primary:
// the window spans 2304x768 and the first monitor leaves 48 rows below it.
const std::vector<Monitor> kPair = {{{0, 0, 1280, 720}, false}, {{1280, 0, 1024, 768}, true}};

TEST(MonitorLayout, ViewsFollowMonitorsPrimaryFirst) {
  const LayoutCase cases[] = {
      {"one monitor", {0, 0, 800, 600}, {{{0, 0, 800, 600}, true}}, true, {{0, 0, 800, 600}}, true},
      {"no monitors known", {0, 0, 640, 480}, {}, true, {{0, 0, 640, 480}}, true},
      {"primary first, y from below", {0, 0, 2304, 768}, kPair, true, {{1280, 0, 1024, 768}, {0, 48, 1280, 720}}, false},
      {"primary only", {0, 0, 2304, 768}, kPair, false, {{1280, 0, 1024, 768}}, false},
      {"none marked: first listed", {0, 0, 2000, 1000}, {{{1000, 0, 1000, 1000}, false}, {{0, 0, 1000, 1000}, false}},
       true, {{1000, 0, 1000, 1000}, {0, 0, 1000, 1000}}, true},
      {"mirrored outputs once", {0, 0, 800, 600}, {{{0, 0, 800, 600}, false}, {{0, 0, 800, 600}, true}}, true,
       {{0, 0, 800, 600}}, true},
      {"window offset, monitor clipped", {-100, 50, 1000, 500}, {{{-200, 0, 600, 600}, true}, {{500, 50, 400, 500}, false}},
       true, {{0, 0, 500, 500}, {600, 0, 400, 500}}, false},
      {"monitor outside the window", {0, 0, 800, 600}, {{{900, 0, 800, 600}, true}}, true, {{0, 0, 800, 600}}, true},
      {"zero-sized monitor skipped", {0, 0, 800, 600}, {{{0, 0, 0, 0}, true}, {{0, 0, 800, 600}, false}}, true,
       {{0, 0, 800, 600}}, true},
  };
  for (const LayoutCase& c : cases) {
    const Views got = LayOutViews(c.window, c.monitors, c.allMonitors);
    ASSERT_EQ(got.size(), c.views.size()) << c.name;
    for (std::size_t i = 0; i < got.size(); ++i) {
      EXPECT_TRUE(got[i] == c.views[i]) << c.name << " view " << i << ": " << got[i].x << "," << got[i].y << " "
                                        << got[i].width << "x" << got[i].height;
    }
    EXPECT_EQ(ViewsFillWindow(got, c.window.width, c.window.height), c.fills) << c.name;
  }
  // Overlapping views (monitors that overlap in part) never count as filling.
  EXPECT_FALSE(ViewsFillWindow({{0, 0, 600, 600}, {400, 0, 400, 600}}, 800, 600));
}

}  // namespace
