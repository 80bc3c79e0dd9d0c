#include <gtest/gtest.h>

#include "host/SaverState.h"
#include "host/SceneSet.h"
#include "field/KeyCodes.h"
#include "tests/host/FakeBackend.h"

namespace {

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

}  // namespace
