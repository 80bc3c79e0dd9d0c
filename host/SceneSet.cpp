#include "host/SceneSet.h"

#include <new>

#include "field/DiscField.h"
#include "images/PhotoTiles.h"
#include "scene/FrameClock.h"
#include "scene/KaleidoScene.h"

SceneSet* gScenes = nullptr;

// Each scene keeps its own frame clock, started when the scene starts; the
// primary's is the process's one, as a set is started once per run.
struct SceneSet::Entry {
  KaleidoScene scene;
  FrameClock clock;
  SceneRenderer renderer{scene};
};

SceneSet::SceneSet() = default;
SceneSet::~SceneSet() { Teardown(); }

bool SceneSet::Add(const SceneView& view, std::uint32_t seed) {
  std::unique_ptr<Entry> entry(new (std::nothrow) Entry());
  if (!entry) return false;
  KaleidoScene& scene = entry->scene;
  scene.clock = &entry->clock;
  scene.originX = view.x;
  scene.originY = view.y;
  scene.Init(view.width, view.height, seed);
  if (levels_ > 0) scene.levels = levels_;
  if (!atlas_.empty() && scene.field != nullptr) {
    scene.field->ShowAtlas(atlas_.data(), photo::kAtlasWidth, photo::kAtlasHeight);
  }
  scenes_.push_back(std::move(entry));
  return true;
}

std::uint32_t SceneSet::SeedFor(std::size_t index) const {
  // The primary takes the seed as it is; each other view one of its own.
  return index == 0 ? seed_ : (seed_ + 101u * static_cast<std::uint32_t>(index)) & 0xffu;
}

void SceneSet::LinkKeys() {
  for (std::size_t i = 0; i < scenes_.size(); ++i) {
    scenes_[i]->scene.follower = i + 1 < scenes_.size() ? &scenes_[i + 1]->scene : nullptr;
  }
  gScene = Primary();
}

bool SceneSet::Start(const std::vector<SceneView>& views, std::int32_t windowWidth, std::int32_t windowHeight,
                     std::uint32_t seed, std::int32_t levels) {
  Teardown();
  levels_ = levels;
  seed_ = seed;
  windowWidth_ = windowWidth;
  windowHeight_ = windowHeight;
  filled_ = ViewsFillWindow(views, windowWidth, windowHeight);
  for (std::size_t i = 0; i < views.size(); ++i) {
    if (!Add(views[i], SeedFor(i)) && i == 0) return false;
  }
  LinkKeys();
  return !scenes_.empty();
}

void SceneSet::Layout(const std::vector<SceneView>& views, std::int32_t windowWidth, std::int32_t windowHeight) {
  windowWidth_ = windowWidth;
  windowHeight_ = windowHeight;
  filled_ = ViewsFillWindow(views, windowWidth, windowHeight);
  while (scenes_.size() > views.size() && scenes_.size() > 1) {
    scenes_.back()->scene.Teardown();
    scenes_.pop_back();
  }
  for (std::size_t i = 0; i < views.size(); ++i) {
    const SceneView& v = views[i];
    if (i < scenes_.size()) {
      scenes_[i]->scene.PlaceView(v.x, v.y, v.width, v.height);
    } else {
      // A new scene shows the settings' levels, as the others started with.
      if (!Add(v, SeedFor(i))) break;
    }
  }
  LinkKeys();
}

void SceneSet::Teardown() {
  for (auto& entry : scenes_) entry->scene.Teardown();
  scenes_.clear();
  if (gScenes == this) gScenes = nullptr;
}

void SceneSet::ShowAtlas(std::vector<unsigned char> rgba) {
  if (rgba.size() != static_cast<std::size_t>(photo::kAtlasWidth) * photo::kAtlasHeight * 4) return;
  atlas_ = std::move(rgba);
  for (auto& entry : scenes_) {
    if (entry->scene.field != nullptr) {
      entry->scene.field->ShowAtlas(atlas_.data(), photo::kAtlasWidth, photo::kAtlasHeight);
    }
  }
}

KaleidoScene* SceneSet::Primary() const { return scenes_.empty() ? nullptr : &scenes_.front()->scene; }

bool SceneSet::RenderFrame(std::uint32_t flags) {
  if (!filled_) ClearWindow();
  bool present = false;
  for (auto& entry : scenes_) present = entry->renderer.RenderFrame(flags) || present;
  return present;
}

std::int32_t SceneSet::SleepMs() { return scenes_.empty() ? 0 : scenes_.front()->renderer.SleepMs(); }

void SceneSet::Resume() {
  for (auto& entry : scenes_) entry->renderer.Resume();
}
