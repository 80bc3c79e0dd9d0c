#include "images/PhotoAtlasSource.h"

#include <algorithm>
#include <fstream>
#include <system_error>
#include <utility>

#include "images/PhotoDecode.h"
#include "images/PhotoTiles.h"

namespace photo {

bool ReadPhotoFile(const std::filesystem::path& path, std::size_t maxBytes, std::vector<unsigned char>* bytes,
                   std::string* error, const std::atomic<bool>* stop) {
  std::error_code code;
  const std::uintmax_t size = std::filesystem::file_size(path, code);
  if (code) {
    *error = code.message();
    return false;
  }
  if (size == 0) {
    *error = "empty file";
    return false;
  }
  if (size > maxBytes) {
    *error = "file too large (" + std::to_string(size) + " bytes)";
    return false;
  }
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    *error = "cannot be opened";
    return false;
  }
  bytes->resize(static_cast<std::size_t>(size));
  // In pieces, so that a stop is heard within one piece even from slow storage.
  constexpr std::size_t kPiece = std::size_t{1} << 20;
  std::size_t done = 0;
  while (done < bytes->size() && file) {
    if (stop != nullptr && *stop) {
      *error = "stopped";
      return false;
    }
    const std::size_t piece = std::min(kPiece, bytes->size() - done);
    file.read(reinterpret_cast<char*>(bytes->data() + done), static_cast<std::streamsize>(piece));
    done += static_cast<std::size_t>(file.gcount());
  }
  bytes->resize(done);  // a file that shrank meanwhile
  return true;
}

PhotoAtlasSource::PhotoAtlasSource(std::string folder, AtlasSourceOptions options)
    : folder_(std::move(folder)), options_(std::move(options)) {}

PhotoAtlasSource::~PhotoAtlasSource() { Stop(); }

void PhotoAtlasSource::Start() {
  if (worker_.joinable() || stop_) return;
  try {
    worker_ = std::thread(&PhotoAtlasSource::Run, this);
  } catch (const std::system_error&) {
    // No thread to be had: the built-in pictures stay.
    Report("cannot start reading the photos: no thread");
    {
      std::lock_guard<std::mutex> lock(mutex_);
      ended_ = true;
    }
    changed_.notify_all();
  }
}

void PhotoAtlasSource::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  if (worker_.joinable()) worker_.join();
}

bool PhotoAtlasSource::TakeAtlas(std::vector<unsigned char>* pixels) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!fresh_) return false;
  fresh_ = false;
  pixels->swap(ready_);
  ready_.clear();
  return true;
}

bool PhotoAtlasSource::WaitForAtlas(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait_for(lock, timeout, [this] { return fresh_ || ended_; });
  return fresh_;
}

int PhotoAtlasSource::AtlasCount() {
  std::lock_guard<std::mutex> lock(mutex_);
  return atlases_;
}

bool PhotoAtlasSource::Ended() {
  std::lock_guard<std::mutex> lock(mutex_);
  return ended_;
}

bool PhotoAtlasSource::Sleep(std::chrono::milliseconds duration) {
  std::unique_lock<std::mutex> lock(mutex_);
  return !changed_.wait_for(lock, duration, [this] { return stop_.load(); });
}

void PhotoAtlasSource::Report(const std::string& text) {
  if (options_.messages == nullptr) return;
  std::fprintf(options_.messages, "zirbel: photos: %s\n", text.c_str());
}

void PhotoAtlasSource::Run() {
  // Nothing the library throws (memory running out) may end the program
  // from this thread: the worker ends, and the pictures stay as they are.
  try {
    Work();
  } catch (...) {
    Report("stopped reading the photos: out of memory");
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ended_ = true;
  }
  changed_.notify_all();
}

void PhotoAtlasSource::Work() {
  PhotoList list = ListPhotos(folder_, options_.limits, &stop_);
  for (std::size_t i = 0; i < list.problems.size() && i < options_.reportedProblems; ++i) Report(list.problems[i]);
  std::size_t next = 0;
  bool shown = false;
  while (!stop_ && !list.photos.empty()) {
    // The next photos, each tried once per atlas, until the atlas is full.
    std::vector<Tile> tiles;
    std::vector<unsigned char> bytes;
    const std::size_t count = list.photos.size();
    for (std::size_t tried = 0; tried < count && tiles.size() < static_cast<std::size_t>(kTileCount) && !stop_;
         ++tried) {
      const std::filesystem::path& path = list.photos[next];
      next = (next + 1) % count;
      std::string error;
      Tile tile;
      if (ReadPhotoFile(path, options_.maxFileBytes, &bytes, &error, &stop_) &&
          DecodePhotoTile(bytes.data(), bytes.size(), &tile, &error, &stop_)) {
        tiles.push_back(std::move(tile));
      } else if (!stop_ && reported_++ < options_.reportedProblems) {
        Report(PathText(path) + ": skipped, " + error);
      }
    }
    if (stop_ || tiles.empty()) break;
    std::vector<unsigned char> atlas = PackAtlas(tiles);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      ready_ = std::move(atlas);
      fresh_ = true;
      ++atlases_;
    }
    changed_.notify_all();
    shown = true;
    // All the photos fit into one atlas: it never changes.
    if (count <= static_cast<std::size_t>(kTileCount)) break;
    if (!Sleep(options_.refresh)) break;
  }
  if (!shown && !stop_) {
    Report(list.folderUsable ? "no usable photo in " + folder_ + "; showing the built-in pictures"
                             : "cannot read the folder " + folder_ + "; showing the built-in pictures");
  }
}

}  // namespace photo
