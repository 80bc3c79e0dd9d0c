// The photos of a folder reach the scenes between two frames, on the thread
// that draws (the worker's prompt end is the source's own, checked with it).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "host/PhotoFrames.h"
#include "images/PhotoAtlasSource.h"
#include "tests/host/FakeBackend.h"
#include "tools/genimages/JpegWriter.h"

namespace {

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
