#include "host/web/PhotoSteps.h"

#include <filesystem>
#include <utility>

#include "images/PhotoAtlasSource.h"
#include "images/PhotoDecode.h"

namespace {

// Messages for the first few skipped files, as the worker gives them.
constexpr std::size_t kReportedProblems = 5;

}  // namespace

PhotoSteps::PhotoSteps(std::string folder, std::FILE* messages, double refreshMs)
    : folder_(std::move(folder)), messages_(messages), refreshMs_(refreshMs) {}

void PhotoSteps::Report(const std::string& text) {
  if (messages_ != nullptr) std::fprintf(messages_, "zirbel: photos: %s\n", text.c_str());
}

bool PhotoSteps::Step(double nowMs, std::vector<unsigned char>* atlas) {
  if (done_ || Waiting(nowMs)) return false;
  if (!listed_) {
    list_ = photo::ListPhotos(folder_, photo::WalkLimits());
    for (std::size_t i = 0; i < list_.problems.size() && i < kReportedProblems; ++i) Report(list_.problems[i]);
    listed_ = true;
    return false;
  }
  // The next photos, each tried once per atlas, until the atlas is full.
  const std::size_t count = list_.photos.size();
  if (tried_ < count && tiles_.size() < static_cast<std::size_t>(photo::kTileCount)) {
    const photo::PathString& path = list_.photos[next_];
    next_ = (next_ + 1) % count;
    ++tried_;
    std::vector<unsigned char> bytes;
    std::string error;
    photo::Tile tile;
    if (photo::ReadPhotoFile(path, photo::ReadBounds(), &bytes, &error) &&
        photo::DecodePhotoTile(bytes.data(), bytes.size(), &tile, &error)) {
      tiles_.push_back(std::move(tile));
    } else if (reported_++ < kReportedProblems) {
      Report(photo::ShownPath(path) + ": skipped, " + error);
    }
    return false;
  }
  tried_ = 0;
  if (tiles_.empty()) {
    done_ = true;
    if (shown_) return false;
    const std::string name = photo::ShownPath(std::filesystem::u8path(folder_));
    Report(list_.folderUsable ? "no usable photo in " + name + "; showing the built-in pictures"
                              : "cannot read the folder " + name + "; showing the built-in pictures");
    return false;
  }
  *atlas = photo::PackAtlas(tiles_);
  tiles_.clear();
  shown_ = true;
  // All the photos fit into one atlas: it never changes.
  done_ = count <= static_cast<std::size_t>(photo::kTileCount);
  nextAtlasMs_ = nowMs + refreshMs_;
  return true;
}
