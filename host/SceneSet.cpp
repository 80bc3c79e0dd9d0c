#include "host/SceneSet.h"

#include <new>

#include "images/PhotoTiles.h"

void RenderTarget::Clear() { ClearWindow(); }

void ViewScene::Start(const SceneView& view, std::uint32_t seed, const SceneSources& sources) {
  scene.originX = view.x;
  scene.originY = view.y;
  scene.Init(view.width, view.height, seed, sources);
}

void ViewScene::Place(const SceneView& view) { scene.PlaceView(view.x, view.y, view.width, view.height); }

void ViewScene::ShowAtlas(const std::vector<unsigned char>& rgba) {
  scene.ShowAtlas(rgba.data(), photo::kAtlasWidth, photo::kAtlasHeight);
}

namespace {

std::unique_ptr<ViewScene> MakeKaleidoscope() { return std::unique_ptr<ViewScene>(new (std::nothrow) ViewScene()); }

bool Current(RenderTarget* target) { return target == nullptr || target->MakeCurrent(); }

}  // namespace

SceneSet::SceneSet(const SceneSources& sources, SceneFactory make)
    : sources_(sources), make_(make ? std::move(make) : SceneFactory(&MakeKaleidoscope)) {}
SceneSet::~SceneSet() { Teardown(); }

bool SceneSet::Add(const SceneView& view, RenderTarget* target) {
  std::unique_ptr<ViewScene> added = make_();
  if (!added || !Current(target)) return false;
  const std::size_t index = scenes_.size();
  added->Start(view, SeedFor(index), sources_);
  if (levels_ > 0) added->scene.levels = levels_;
  // A scene that joins a running window takes what the keys have changed.
  if (index > 0) added->scene.TakeControlsOf(scenes_.front().view->scene);
  if (!atlas_.empty()) added->ShowAtlas(atlas_);
  scenes_.push_back(Entry{std::move(added), target, true});
  return true;
}

std::uint32_t SceneSet::SeedFor(std::size_t index) const {
  // The primary takes the seed as it is; each other view one of its own.
  return index == 0 ? seed_ : (seed_ + 101u * static_cast<std::uint32_t>(index)) & 0xffu;
}

void SceneSet::LinkKeys() {
  for (std::size_t i = 0; i < scenes_.size(); ++i) {
    scenes_[i].view->scene.follower = i + 1 < scenes_.size() ? &scenes_[i + 1].view->scene : nullptr;
  }
}

bool SceneSet::Start(const SceneLayout& layout, std::uint32_t seed, std::int32_t levels) {
  Teardown();
  levels_ = levels;
  seed_ = seed;
  Layout(layout);
  return !scenes_.empty();
}

void SceneSet::Layout(const SceneLayout& layout) {
  std::vector<std::pair<const SceneView*, RenderTarget*>> places;
  for (const TargetViews& t : layout) {
    for (const SceneView& v : t.views) places.emplace_back(&v, t.target);
  }
  while (scenes_.size() > places.size() && scenes_.size() > 1) {
    Entry& last = scenes_.back();
    if (Current(last.target)) last.view->Teardown();
    scenes_.pop_back();
  }
  for (std::size_t i = 0; i < places.size(); ++i) {
    if (i == scenes_.size()) {
      if (!Add(*places[i].first, places[i].second)) break;
      continue;
    }
    Entry& entry = scenes_[i];
    entry.target = places[i].second;
    entry.shown = true;
    entry.view->Place(*places[i].first);
  }
  if (places.empty() && !scenes_.empty()) scenes_.front() = Entry{std::move(scenes_.front().view), nullptr, false};
  layout_ = layout;
  LinkKeys();
}

void SceneSet::Teardown() {
  for (Entry& entry : scenes_) {
    if (Current(entry.target)) entry.view->Teardown();
  }
  scenes_.clear();
  layout_.clear();
}

void SceneSet::ShowAtlas(std::vector<unsigned char> rgba) {
  if (rgba.size() != static_cast<std::size_t>(photo::kAtlasWidth) * photo::kAtlasHeight * 4) return;
  atlas_ = std::move(rgba);
  for (Entry& entry : scenes_) {
    if (Current(entry.target)) entry.view->ShowAtlas(atlas_);
  }
}

KaleidoScene* SceneSet::Primary() const { return scenes_.empty() ? nullptr : &scenes_.front().view->scene; }

void SceneSet::AdvanceAll() {
  for (Entry& entry : scenes_) entry.view->Advance();
}

void SceneSet::RenderFrame(std::uint32_t flags) {
  for (const TargetViews& t : layout_) {
    if (!Current(t.target)) continue;
    if (!ViewsFillWindow(t.views, t.width, t.height)) {
      if (t.target != nullptr) {
        t.target->Clear();
      } else {
        ClearWindow();
      }
    }
    // A target without a scene is presented black.
    bool present = t.views.empty();
    for (Entry& entry : scenes_) {
      if (entry.shown && entry.target == t.target) present = entry.view->RenderFrame(flags) || present;
    }
    if (present && t.target != nullptr) t.target->Present();
  }
}

std::int32_t SceneSet::SleepMs() { return scenes_.empty() ? 0 : scenes_.front().view->scene.sleepMs; }

void SceneSet::Resume() {
  for (Entry& entry : scenes_) entry.view->Resume();
}
