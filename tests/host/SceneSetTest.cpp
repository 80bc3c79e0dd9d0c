#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "field/KeyCodes.h"
#include "host/Monitors.h"
#include "host/PhotoFrames.h"
#include "host/SaverState.h"
#include "host/SceneSet.h"
#include "images/PhotoAtlasSource.h"
#include "tests/host/FakeBackend.h"
#include "tools/genimages/JpegWriter.h"

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

struct LoggedTarget : RenderTarget {
  Log* log;
  std::string name;
  LoggedTarget(Log* l, std::string n) : log(l), name(std::move(n)) {}
  bool MakeCurrent() override {
    log->push_back("current " + name);
    return true;
  }
  void Clear() override { log->push_back("clear " + name); }
  void Present() override { log->push_back("present " + name); }
};

std::vector<KaleidoScene*> ScenesOf(const SceneSet& scenes) {
  std::vector<KaleidoScene*> all;
  for (KaleidoScene* s = scenes.Primary(); s != nullptr; s = s->follower) all.push_back(s);
  return all;
}

// Two monitors with M and a digit pressed, then a third plugged in: it shows
// what the others show, and the next M keeps all three in step.
TEST(SceneSet, AScenePluggedInLaterTakesThePrimarysControls) {
  Log log;
  SceneSet scenes({}, BareViews(&log));
  const std::vector<SceneView> two = {{0, 0, 100, 100}, {100, 0, 100, 100}};
  ASSERT_TRUE(scenes.Start(two, 300, 100, 7, 4));
  scenes.Primary()->HandleKey(keycode::kKeyM);
  scenes.Primary()->HandleKey(keycode::kDigit0 + 2);
  std::vector<SceneView> three = two;
  three.push_back({200, 0, 100, 100});
  scenes.Layout(three, 300, 100);
  std::vector<KaleidoScene*> all = ScenesOf(scenes);
  ASSERT_EQ(all.size(), 3u);
  EXPECT_EQ(all[2]->levels, 3) << "the live level count, not the settings' 4";
  EXPECT_TRUE(all[2]->mirrorsSuppressed);
  scenes.Primary()->HandleKey(keycode::kKeyM);
  for (KaleidoScene* s : all) EXPECT_FALSE(s->mirrorsSuppressed) << "every scene mirrored again";
}

TEST(SceneSet, EachTargetDrawsItsViewsAndTheLastSceneEndsOnItsOwnTarget) {
  Log log;
  LoggedTarget left(&log, "L"), right(&log, "R");
  SceneSet scenes({}, BareViews(&log));
  const SceneLayout both = {{&left, 100, 50, {{0, 0, 100, 50}}}, {&right, 80, 50, {{0, 0, 40, 50}, {40, 0, 40, 50}}}};
  ASSERT_TRUE(scenes.Start(both, 300, 0));
  scenes.ShowAtlas(std::vector<unsigned char>(16));  // not an atlas's size: ignored
  scenes.RenderFrame(0);
  EXPECT_EQ(log, Log({"current L", "start 0 seed 300", "current R", "start 1 seed 145", "current R",
                      "start 2 seed 246", "current L", "draw 0 at 0", "present L", "current R", "draw 1 at 0",
                      "draw 2 at 40", "present R"}))
      << "the primary takes the seed as it is, the others one of their own";
  log.clear();
  // The right target loses a view and the left its only one: the scenes move
  // up in order, the last ends with its old target current, and a target
  // without a view is presented black.
  scenes.Layout(SceneLayout{{&left, 100, 50, {}}, {&right, 80, 50, {{0, 0, 40, 50}, {40, 0, 40, 50}}}});
  scenes.RenderFrame(0);
  EXPECT_EQ(log, Log({"current R", "end 2", "current L", "clear L", "present L", "current R", "draw 0 at 0",
                      "draw 1 at 40", "present R"}));
  log.clear();
  scenes.Teardown();
  EXPECT_EQ(log, Log({"current R", "end 0", "current R", "end 1"}));
}

// The photos of a folder reach the scenes between two frames, on the thread
// that draws (the worker's prompt end is the source's own, checked with it).
// Frames are drawn until the atlas is ready; the frame that shows it gives it
// to every scene first, and no frame after gives it again but to a scene
// that joins later.
TEST(PhotoFrames, AnAtlasReachesEverySceneOnceBetweenTwoFrames) {
  char pattern[] = "/tmp/zirbel-frames-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string folder = pattern;
  ASSERT_TRUE(gen::WriteFile(folder + "/1.png", gen::MakePng(64, 64, std::vector<unsigned char>(64 * 64 * 3, 200), {})));
  Log log;
  SceneSet scenes{{}, BareViews(&log)};
  ASSERT_TRUE(scenes.Start({{0, 0, 100, 100}, {100, 0, 100, 100}}, 200, 100, 1, 0));
  photo::AtlasSourceOptions options;
  options.messages = nullptr;
  PhotoFrames frames(scenes, folder, options);
  const Log plain = {"draw 0 at 0", "draw 1 at 100"};
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  for (log = plain; log == plain && std::chrono::steady_clock::now() < deadline; std::this_thread::yield()) {
    log.clear();
    frames.RenderFrame(0);
  }
  EXPECT_EQ(log, Log({"atlas 0", "atlas 1", "draw 0 at 0", "draw 1 at 100"}));
  log.clear();
  frames.RenderFrame(0);
  scenes.Layout({{0, 0, 100, 100}, {100, 0, 100, 100}, {200, 0, 100, 100}}, 300, 100);
  EXPECT_EQ(log, Log({"draw 0 at 0", "draw 1 at 100", "start 2 seed 203", "atlas 2"}));
  std::filesystem::remove_all(folder);
}

}  // namespace
