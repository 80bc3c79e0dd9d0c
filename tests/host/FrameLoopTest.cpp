#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/FrameLoop.h"
#include "scene/KaleidoScene.h"

namespace {

// Events are queued as names; "quit" ends the loop when handled. Everything
// the loop does is logged in order.
class FakeHost : public FrameLoopHost {
 public:
  std::vector<std::vector<std::string>> batches;  // events arriving before frame i
  std::vector<std::string> log;
  std::size_t frame = 0;
  std::vector<std::string> waiting;
  bool quit = false;

  bool HandlePendingEvent() override {
    if (waiting.empty()) return false;
    const std::string e = waiting.front();
    waiting.erase(waiting.begin());
    log.push_back("event " + e);
    if (e == "quit") quit = true;
    return true;
  }
  bool QuitRequested() override { return quit; }
  void Present() override { log.push_back("present"); }
  void Sleep(std::int32_t ms) override {
    log.push_back("sleep " + std::to_string(ms));
    ++frame;
    if (frame < batches.size()) {
      waiting.insert(waiting.end(), batches[frame].begin(), batches[frame].end());
    } else {
      waiting.push_back("quit");
    }
  }
};

class FakeRenderer : public FrameRenderer {
 public:
  std::vector<bool> results;  // per frame; true when missing
  std::vector<std::uint32_t> flags;
  std::int32_t sleepMs = 40;
  std::int32_t sleepAfterSecondFrame = 40;
  std::vector<std::string>* log = nullptr;

  bool RenderFrame(std::uint32_t f) override {
    flags.push_back(f);
    if (log != nullptr) log->push_back("render");
    if (flags.size() == 2) sleepMs = sleepAfterSecondFrame;
    const std::size_t i = flags.size() - 1;
    return i < results.size() ? results[i] : true;
  }
  std::int32_t SleepMs() override { return sleepMs; }
};

TEST(FrameLoop, DrainsEveryWaitingEventBeforeRendering) {
  FakeHost host;
  FakeRenderer renderer;
  renderer.log = &host.log;
  host.waiting = {"a", "b", "c"};
  host.batches = {{}, {"d", "e"}};
  RunFrameLoop(host, renderer, 1);
  const std::vector<std::string> expected = {"event a", "event b", "event c", "render", "present", "sleep 40",
                                             "event d", "event e", "render", "present", "sleep 40", "event quit"};
  EXPECT_EQ(host.log, expected);
}

TEST(FrameLoop, NoPresentWhenTheFrameSaysSoButStillSleeps) {
  FakeHost host;
  FakeRenderer renderer;
  renderer.log = &host.log;
  renderer.results = {false, true};
  host.batches = {{}, {}};
  RunFrameLoop(host, renderer, 1);
  const std::vector<std::string> expected = {"render", "sleep 40", "render", "present", "sleep 40", "event quit"};
  EXPECT_EQ(host.log, expected);
}

TEST(FrameLoop, ADelayChangedDuringAFrameCountsRightAfterIt) {
  FakeHost host;
  FakeRenderer renderer;
  renderer.sleepAfterSecondFrame = 12;
  host.batches = {{}, {}, {}};
  RunFrameLoop(host, renderer, 1);
  const std::vector<std::string> expected = {"present", "sleep 40", "present", "sleep 12", "present", "sleep 12",
                                             "event quit"};
  EXPECT_EQ(host.log, expected);
}

TEST(FrameLoop, NegativeDelayDoesNotSleepForever) {
  FakeHost host;
  FakeRenderer renderer;
  renderer.sleepMs = -5;
  RunFrameLoop(host, renderer, 1);
  EXPECT_EQ(host.log[1], "sleep 0");
}

TEST(FrameLoop, QuitInTheMiddleOfABurstEndsWithoutAnotherFrame) {
  FakeHost host;
  FakeRenderer renderer;
  host.waiting = {"a", "quit", "b"};
  RunFrameLoop(host, renderer, 1);
  EXPECT_TRUE(renderer.flags.empty());
  EXPECT_EQ(host.log, (std::vector<std::string>{"event a", "event quit"}));
}

TEST(FrameLoop, MirrorBitFollowsAnyNonzeroSetting) {
  EXPECT_EQ(FrameFlags(1), kMirrorsBit);
  EXPECT_EQ(FrameFlags(7), kMirrorsBit);
  EXPECT_EQ(FrameFlags(-1), kMirrorsBit);
  EXPECT_EQ(FrameFlags(0), 0u);

  FakeHost host;
  FakeRenderer renderer;
  RunFrameLoop(host, renderer, 0);
  ASSERT_EQ(renderer.flags.size(), 1u);
  EXPECT_EQ(renderer.flags[0], 0u);
}

}  // namespace
