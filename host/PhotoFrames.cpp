#include "host/PhotoFrames.h"

#include <new>
#include <utility>
#include <vector>

#include "host/SceneSet.h"
#include "images/PhotoAtlasSource.h"

PhotoFrames::PhotoFrames(SceneSet& scenes, const std::string& folder, const photo::AtlasSourceOptions& options)
    : scenes_(scenes) {
  if (folder.empty()) return;
  source_.reset(new (std::nothrow) photo::PhotoAtlasSource(folder, options));
  if (source_) source_->Start();
}

PhotoFrames::~PhotoFrames() { Stop(); }

void PhotoFrames::Stop() {
  if (source_) source_->Stop();
}

void PhotoFrames::RenderFrame(std::uint32_t flags) {
  std::vector<unsigned char> atlas;
  if (source_ && source_->TakeAtlas(&atlas)) scenes_.ShowAtlas(std::move(atlas));
  scenes_.RenderFrame(flags);
}

std::int32_t PhotoFrames::SleepMs() { return scenes_.SleepMs(); }

void PhotoFrames::Resume() { scenes_.Resume(); }
