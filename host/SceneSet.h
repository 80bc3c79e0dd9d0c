#pragma once
// The owner of every kaleidoscope of a run, on every window system: one per
// view (per monitor), each drawn on its render target. X11 and Windows draw
// every view in one window, a target with several views; Wayland has a
// target per output. The primary view's scene is the one a window with a
// single view would show: it takes the start seed as it is, sets the pacing,
// and takes the control keys first, passing each on to the others. A scene
// that joins later takes the primary's live control state, so that the keys
// keep every scene in step. The owner is given what the scenes read from
// outside (their counter and their images) and hands it to each scene it
// starts.
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "host/Backend.h"
#include "host/FramePacer.h"
#include "host/Monitors.h"
#include "scene/KaleidoScene.h"
#include "scene/SceneSources.h"

// The flags handed to RenderFrame for the user's mirror setting.
std::uint32_t FrameFlags(std::int32_t useMirrors);

// A scene's frames, with a fresh measurement of its frame rate after a pause.
class SceneRenderer {
 public:
  explicit SceneRenderer(KaleidoScene& scene) : scene_(scene) {}
  // True: present the frame.
  bool RenderFrame(std::uint32_t flags);
  std::int32_t SleepMs() const;
  // The frame rate measured across a pause would be the pause's: the frame
  // after a pause starts a fresh measurement, so that each measured rate is
  // answered once. The frame clock itself runs on.
  void Resume();

 private:
  KaleidoScene& scene_;
};

// One kaleidoscope of the run in its view. What needs the GL context is
// virtual, so that a test can run the owner without one; the keys and the
// control state are the scene's own.
class ViewScene {
 public:
  virtual ~ViewScene() = default;
  KaleidoScene scene;

  // With the context current: Init in the view, seeded with `seed`, reading
  // `sources`.
  virtual void Start(const SceneView& view, std::uint32_t seed, const SceneSources& sources);
  virtual void Place(const SceneView& view);
  // Steps the scene without drawing it.
  virtual void Advance() { scene.AdvanceFrame(); }
  virtual bool RenderFrame(std::uint32_t flags) { return renderer_.RenderFrame(flags); }
  virtual void Resume() { renderer_.Resume(); }
  virtual void ShowAtlas(const std::vector<unsigned char>& rgba);
  // With the context current. Safe to call twice.
  virtual void Teardown() { scene.Teardown(); }
 private:
  SceneRenderer renderer_{scene};
};

using SceneFactory = std::function<std::unique_ptr<ViewScene>()>;

class SceneSet : public FrameRenderer {
 public:
  explicit SceneSet(const SceneSources& sources, SceneFactory make = nullptr);
  ~SceneSet() override;
  SceneSet(const SceneSet&) = delete;
  SceneSet& operator=(const SceneSet&) = delete;

  // One scene per view, in the layout's order; the first is the primary,
  // seeded with `seed`, the others each with a seed of their own. `levels`
  // above 0 replaces the scenes' starting level count. False when no scene
  // could be had.
  bool Start(const SceneLayout& layout, std::uint32_t seed, std::int32_t levels);
  bool Start(const std::vector<SceneView>& views, std::int32_t width, std::int32_t height, std::uint32_t seed,
             std::int32_t levels) {
    return Start(SceneLayout{{nullptr, width, height, views}}, seed, levels);
  }
  // The targets or their views changed: the scenes move to the new views in
  // order; a view more gets a new scene in step with the primary, a view
  // fewer ends the last scene (on its old target, which must still exist).
  // The primary lives as long as the run, drawn nowhere while no view is left.
  void Layout(const SceneLayout& layout);
  void Layout(const std::vector<SceneView>& views, std::int32_t width, std::int32_t height) {
    Layout(SceneLayout{{nullptr, width, height, views}});
  }
  // Ends every scene. Safe to call twice.
  void Teardown();

  // Shows `rgba`, an atlas of the embedded atlas's size and layout (the
  // photos of a folder), in every scene's discs and in scenes added later.
  void ShowAtlas(std::vector<unsigned char> rgba);

  // The scene that takes the control keys first; null before the start.
  KaleidoScene* Primary() const;
  // Steps every scene without drawing.
  void AdvanceAll();

  // FrameRenderer: every target draws its scenes and is presented (a null
  // target by the caller).
  void RenderFrame(std::uint32_t flags) override;
  std::int32_t SleepMs() override;
  void Resume() override;

 private:
  struct Entry {
    std::unique_ptr<ViewScene> view;
    RenderTarget* target = nullptr;
    bool shown = false;  // has a view in the layout
  };
  bool Add(const SceneView& view, RenderTarget* target);
  std::uint32_t SeedFor(std::size_t index) const;
  void LinkKeys();

  SceneSources sources_;
  SceneFactory make_;
  std::vector<Entry> scenes_;
  SceneLayout layout_;
  std::int32_t levels_ = 0;
  std::uint32_t seed_ = 0;
  std::vector<unsigned char> atlas_;  // the atlas shown instead of the embedded one; empty: none
};
