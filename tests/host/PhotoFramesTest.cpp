// The photos of a folder reach the scenes between two frames, on the thread
// that draws, and a worker held up in a read never holds up the run's end.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "host/PhotoFrames.h"
#include "images/PhotoAtlasSource.h"
#include "tests/host/FakeBackend.h"
#include "tools/genimages/JpegWriter.h"

namespace {

namespace fs = std::filesystem;

class PhotoFramesTest : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/zirbel-frames-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder = pattern;
    const std::vector<unsigned char> grey(64 * 64 * 3, 200);
    ASSERT_TRUE(gen::WriteFile(folder + "/1.png", gen::MakePng(64, 64, grey, {})));
    options.messages = nullptr;
    ASSERT_TRUE(scenes.Start({{0, 0, 100, 100}, {100, 0, 100, 100}}, 200, 100, 1, 0));
    log.clear();
  }
  void TearDown() override { fs::remove_all(folder); }

  std::string folder;
  photo::AtlasSourceOptions options;
  Log log;
  SceneSet scenes{{}, BareViews(&log)};
};

// Frames are drawn until the atlas is ready; the frame that shows it gives it
// to every scene first, and no frame after gives it again but to a scene
// that joins later.
TEST_F(PhotoFramesTest, AnAtlasReachesEverySceneOnceBetweenTwoFrames) {
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
}

// A read the system holds up (a share that stopped answering) does not hold
// up the end of the run.
TEST_F(PhotoFramesTest, TheEndNeverWaitsForAWorkerHeldUpInARead) {
  auto entered = std::make_shared<std::promise<void>>();
  std::promise<void> release;
  options.reader = [entered, released = release.get_future().share()](
                       const fs::path&, const photo::ReadBounds&, std::vector<unsigned char>*, std::string* error) {
    entered->set_value();
    released.wait();
    *error = "released";
    return false;
  };
  auto frames = std::make_unique<PhotoFrames>(scenes, folder, options);
  ASSERT_EQ(entered->get_future().wait_for(std::chrono::seconds(10)), std::future_status::ready);
  auto ended = std::async(std::launch::async, [&] { frames.reset(); });
  const bool prompt = ended.wait_for(std::chrono::seconds(2)) == std::future_status::ready;
  release.set_value();
  ended.wait();
  EXPECT_TRUE(prompt) << "the end waited for the held-up read";
}

}  // namespace
