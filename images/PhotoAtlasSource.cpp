#include "images/PhotoAtlasSource.h"

#include <algorithm>
#include <condition_variable>
#include <fstream>
#include <mutex>
#include <new>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "images/PhotoDecode.h"
#include "images/PhotoTiles.h"

namespace photo {

namespace {

// A read buffer larger than this is given back after each photo.
constexpr std::size_t kKeptBufferBytes = std::size_t{16} << 20;

}  // namespace

bool ReadPhotoPieces(std::uintmax_t size, std::chrono::steady_clock::time_point started, const ReadBounds& bounds,
                     std::vector<unsigned char>* bytes, std::string* error, const PieceReader& readPiece) {
  if (size == 0) {
    *error = "empty file";
    return false;
  }
  if (size > bounds.maxBytes) {
    *error = "file too large (" + std::to_string(size) + " bytes)";
    return false;
  }
  const auto deadline = started + bounds.time;
  bytes->resize(static_cast<std::size_t>(size));
  // In pieces, so that a stop or the time running out is heard within one
  // piece even from slow storage.
  constexpr std::size_t kPiece = std::size_t{1} << 20;
  std::size_t done = 0;
  while (done < bytes->size()) {
    if (bounds.stop != nullptr && bounds.stop->load(std::memory_order_relaxed)) {
      *error = "stopped";
      return false;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      *error = "took longer than " + std::to_string(bounds.time.count() / 1000) + " s to read";
      return false;
    }
    const long long got = readPiece(bytes->data() + done, std::min(kPiece, bytes->size() - done), error);
    if (got < 0) return false;
    if (got == 0) break;  // a file that shrank meanwhile
    done += static_cast<std::size_t>(got);
  }
  bytes->resize(done);
  return true;
}

bool ReadPhotoFile(const std::filesystem::path& path, const ReadBounds& bounds, std::vector<unsigned char>* bytes,
                   std::string* error) {
  const auto started = std::chrono::steady_clock::now();
  std::error_code code;
  const std::uintmax_t size = std::filesystem::file_size(path, code);
  if (code) {
    *error = "cannot be read (" + code.message() + ")";
    return false;
  }
  std::ifstream file;
  if (size != 0 && size <= bounds.maxBytes) {
    file.open(path, std::ios::binary);
    if (!file) {
      *error = "cannot be opened";
      return false;
    }
  }
  return ReadPhotoPieces(size, started, bounds, bytes, error, [&file](unsigned char* to, std::size_t count, std::string*) {
    file.read(reinterpret_cast<char*>(to), static_cast<std::streamsize>(count));
    return static_cast<long long>(file.gcount());
  });
}

// Everything the worker touches: it holds this to the end, so that it may
// outlive the source (and the rest of the program) while it is held up.
struct PhotoAtlasSource::State {
  State(std::string folderIn, AtlasSourceOptions optionsIn) : folder(std::move(folderIn)), options(std::move(optionsIn)) {}
  void Run();
  void Work();
  bool Sleep(std::chrono::milliseconds duration);  // false when stopped
  void Report(const std::string& text);

  const std::string folder;
  AtlasSourceOptions options;
  std::atomic<bool> stop{false};
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<unsigned char> ready;  // under mutex
  bool fresh = false;                // under mutex
  bool ended = false;                // under mutex
  int atlases = 0;                   // under mutex
};

PhotoAtlasSource::PhotoAtlasSource(std::string folder, AtlasSourceOptions options)
    : state_(std::make_shared<State>(std::move(folder), std::move(options))) {}

PhotoAtlasSource::~PhotoAtlasSource() { Stop(); }

void PhotoAtlasSource::Start() {
  if (worker_.joinable() || state_->stop) return;
  try {
    worker_ = std::thread([state = state_] { state->Run(); });
  } catch (const std::system_error&) {
    // No thread to be had: the built-in pictures stay.
    state_->Report("cannot start reading the photos: no thread");
    {
      std::lock_guard<std::mutex> lock(state_->mutex);
      state_->ended = true;
    }
    state_->changed.notify_all();
  }
}

void PhotoAtlasSource::Stop() {
  std::unique_lock<std::mutex> lock(state_->mutex);
  state_->stop = true;
  state_->changed.notify_all();
  if (!worker_.joinable()) return;
  const bool ended = state_->changed.wait_for(lock, state_->options.stopWait, [this] { return state_->ended; });
  lock.unlock();
  if (ended) {
    worker_.join();
  } else {
    worker_.detach();
  }
}

bool PhotoAtlasSource::TakeAtlas(std::vector<unsigned char>* pixels) {
  std::lock_guard<std::mutex> lock(state_->mutex);
  if (!state_->fresh) return false;
  state_->fresh = false;
  pixels->swap(state_->ready);
  state_->ready.clear();
  return true;
}

bool PhotoAtlasSource::WaitForAtlas(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(state_->mutex);
  state_->changed.wait_for(lock, timeout, [this] { return state_->fresh || state_->ended; });
  return state_->fresh;
}

int PhotoAtlasSource::AtlasCount() {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->atlases;
}

bool PhotoAtlasSource::Ended() {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->ended;
}

bool PhotoAtlasSource::State::Sleep(std::chrono::milliseconds duration) {
  std::unique_lock<std::mutex> lock(mutex);
  return !changed.wait_for(lock, duration, [this] { return stop.load(); });
}

void PhotoAtlasSource::State::Report(const std::string& text) {
  if (options.messages == nullptr || stop) return;
  std::fprintf(options.messages, "zirbel: photos: %s\n", text.c_str());
}

void PhotoAtlasSource::State::Run() {
  // Nothing the library throws may end the program from this thread: the
  // worker ends, and the pictures stay as they are.
  try {
    Work();
  } catch (...) {
    Report("stopped reading the photos: out of memory");
  }
  {
    std::lock_guard<std::mutex> lock(mutex);
    ended = true;
  }
  changed.notify_all();
}

void PhotoAtlasSource::State::Work() {
  AtlasMaker maker(folder, options, &stop);
  for (;;) {
    std::vector<unsigned char> atlas;
    const AtlasMaker::Step step = maker.Next(&atlas);
    if (stop || step == AtlasMaker::Step::Done) break;
    if (step != AtlasMaker::Step::Atlas) continue;
    {
      std::lock_guard<std::mutex> lock(mutex);
      ready = std::move(atlas);
      fresh = true;
      ++atlases;
    }
    changed.notify_all();
    if (maker.Finished() || !Sleep(options.refresh)) break;
  }
}

AtlasMaker::AtlasMaker(std::string folder, AtlasSourceOptions options, const std::atomic<bool>* stop)
    : folder_(std::move(folder)), options_(std::move(options)), stop_(stop) {
  if (!options_.reader) options_.reader = &ReadPhotoFile;
  options_.read.stop = stop;
}

void AtlasMaker::Report(const std::string& text) {
  if (options_.messages == nullptr || Stopped()) return;
  std::fprintf(options_.messages, "zirbel: photos: %s\n", text.c_str());
}

// One photo into one tile. Memory running out for one photo skips that one.
bool AtlasMaker::ReadAndDecode(const PathString& path, Tile* tile, std::string* error) {
  bool decoded = false;
  try {
    if (options_.decoder) return options_.decoder(path, options_.read, tile, error);
    decoded = options_.reader(path, options_.read, &bytes_, error) &&
              DecodePhotoTile(bytes_.data(), bytes_.size(), tile, error, stop_);
  } catch (const std::bad_alloc&) {
    *error = "not enough memory for it";
  } catch (const std::length_error&) {
    *error = "not enough memory for it";
  }
  if (bytes_.capacity() > kKeptBufferBytes) std::vector<unsigned char>().swap(bytes_);
  return decoded;
}

AtlasMaker::Step AtlasMaker::Next(std::vector<unsigned char>* atlas) {
  if (finished_) return Step::Done;
  if (!listed_) {
    list_ = ListPhotos(folder_, options_.limits, stop_);
    for (std::size_t i = 0; i < list_.problems.size() && i < options_.reportedProblems; ++i) Report(list_.problems[i]);
    list_.problems = std::vector<std::string>();
    listed_ = true;
    return Step::Working;
  }
  // The next photos, each tried once per atlas, until the atlas is full.
  const std::size_t count = list_.photos.size();
  if (tried_ < count && tiles_.size() < static_cast<std::size_t>(kTileCount) && !Stopped()) {
    const PathString& path = list_.photos[next_];
    next_ = (next_ + 1) % count;
    ++tried_;
    std::string error;
    Tile tile;
    if (ReadAndDecode(path, &tile, &error)) {
      tiles_.push_back(std::move(tile));
    } else if (!Stopped() && reported_++ < options_.reportedProblems) {
      Report(ShownPath(path) + ": skipped, " + error);
    }
    return Step::Working;
  }
  tried_ = 0;
  if (tiles_.empty() || Stopped()) {
    finished_ = true;
    if (!shown_) {
      const std::string name = ShownPath(std::filesystem::u8path(folder_));
      Report(list_.folderUsable ? "no usable photo in " + name + "; showing the built-in pictures"
                                : "cannot read the folder " + name + "; showing the built-in pictures");
    }
    return Step::Done;
  }
  *atlas = PackAtlas(tiles_);
  tiles_.clear();
  shown_ = true;
  // All the photos fit into one atlas: it never changes.
  finished_ = count <= static_cast<std::size_t>(kTileCount);
  return Step::Atlas;
}

}  // namespace photo
