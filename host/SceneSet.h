#pragma once
// The kaleidoscopes of one window, one per view (per monitor), drawn as one
// frame: each scene draws inside its own view, and the window is cleared
// first wherever no view covers it. The primary view's scene is the one a
// window with a single view would show; it sets the pacing, and the control
// keys reach every scene.
#include <cstdint>
#include <memory>
#include <vector>

#include "host/FrameLoop.h"
#include "host/Monitors.h"

class KaleidoScene;

class SceneSet : public FrameRenderer {
 public:
  SceneSet();
  ~SceneSet() override;
  SceneSet(const SceneSet&) = delete;
  SceneSet& operator=(const SceneSet&) = delete;

  // With the GL context current: one scene per view. The primary's scene is
  // seeded with `seed`, the others each with a seed of its own. `levels`
  // above 0 replaces the scenes' starting level count. False when no scene
  // could be had.
  bool Start(const std::vector<SceneView>& views, std::int32_t windowWidth, std::int32_t windowHeight,
             std::uint32_t seed, std::int32_t levels);
  // The window or its monitors changed: the scenes move to the new views; a
  // view more gets a new scene, a view fewer ends the last one.
  void Layout(const std::vector<SceneView>& views, std::int32_t windowWidth, std::int32_t windowHeight);
  // A window that shows one scene changed size.
  void Resize(std::int32_t width, std::int32_t height) { Layout(WholeWindow(width, height), width, height); }
  // Ends every scene, with the context still current. Safe to call twice.
  void Teardown();

  // Shows `rgba`, an atlas of the embedded atlas's size and layout (the
  // photos of a folder), in every scene's discs and in scenes added later.
  void ShowAtlas(std::vector<unsigned char> rgba);

  KaleidoScene* Primary() const;
  std::size_t Count() const { return scenes_.size(); }

  // FrameRenderer
  bool RenderFrame(std::uint32_t flags) override;
  std::int32_t SleepMs() override;
  void Resume() override;

 private:
  struct Entry;
  bool Add(const SceneView& view, std::uint32_t seed);
  std::uint32_t SeedFor(std::size_t index) const;
  void LinkKeys();

  std::vector<std::unique_ptr<Entry>> scenes_;
  std::int32_t windowWidth_ = 0;
  std::int32_t windowHeight_ = 0;
  std::int32_t levels_ = 0;
  std::uint32_t seed_ = 0;
  bool filled_ = true;
  std::vector<unsigned char> atlas_;  // the atlas shown instead of the embedded one; empty: none
};

// The window's scenes while it runs (the window procedure and the X event
// loop re-lay them out); null otherwise.
extern SceneSet* gScenes;
