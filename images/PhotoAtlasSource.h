#pragma once
// The photo atlas of a folder, made on a worker thread: the folder is walked,
// its photos are cut into tiles and packed into an atlas of the embedded
// atlas's layout. With more photos than tiles the next atlas is made from
// the next photos after a while. The thread that draws only takes finished
// atlases; it never waits for the worker, and a stop waits for it only
// briefly: a worker held up by the system (a file on a share that stopped
// answering) is left behind, and ends with the process.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "images/PhotoFolder.h"
#include "images/PhotoTiles.h"

namespace photo {

// What reading one photo file may take.
struct ReadBounds {
  std::size_t maxBytes = std::size_t{128} << 20;  // larger files are skipped
  std::chrono::milliseconds time{10000};           // a slower read is given up
  const std::atomic<bool>* stop = nullptr;         // set: the read ends at once
};

// Reads a whole photo file into `bytes`; false with a reason a user
// understands in `error`. Reads in pieces, and hears a stop or the time
// running out between two pieces.
using PhotoReader = std::function<bool(const std::filesystem::path& path, const ReadBounds& bounds,
                                       std::vector<unsigned char>* bytes, std::string* error)>;

// What every reader shares once it has the file open and knows its size:
// the size's bounds, then the file in pieces, hearing a stop or the time
// (counted from `started`) between two. `readPiece` reads at most `count`
// bytes to `to` and gives how many, 0 at the end, or -1 with `error` set.
using PieceReader = std::function<long long(unsigned char* to, std::size_t count, std::string* error)>;
bool ReadPhotoPieces(std::uintmax_t size, std::chrono::steady_clock::time_point started, const ReadBounds& bounds,
                     std::vector<unsigned char>* bytes, std::string* error, const PieceReader& readPiece);

// The portable reader (std::ifstream), taken where the options name none.
bool ReadPhotoFile(const std::filesystem::path& path, const ReadBounds& bounds, std::vector<unsigned char>* bytes,
                   std::string* error);

// Turns one photo file into a tile, wherever it decodes it (a helper
// process, say): false with a reason a user understands. It hears
// `bounds.stop` and keeps to `bounds`.
using PhotoDecoder = std::function<bool(const PathString& path, const ReadBounds& bounds, Tile* tile, std::string* error)>;

struct AtlasSourceOptions {
  std::chrono::milliseconds refresh{std::chrono::minutes(3)};  // between two atlases
  WalkLimits limits;
  ReadBounds read;                     // per photo; `stop` is the source's own
  PhotoReader reader;                  // empty: ReadPhotoFile; a platform's own is handed in by its entry
  PhotoDecoder decoder;                // empty: read with `reader`, decode in this process
  std::size_t reportedProblems = 5;    // messages for the first few skipped
  std::FILE* messages = stderr;        // null: none
  std::chrono::milliseconds stopWait{50};  // how long Stop() waits for the worker
};

// The atlases of a folder, made one small piece of work at a time: the walk,
// then one photo, then the atlas. The worker runs the pieces back to back; a
// host without threads runs one between two frames. With more photos than
// tiles, each atlas takes the next ones.
class AtlasMaker {
 public:
  enum class Step {
    Working,  // a piece done; more to come
    Atlas,    // an atlas is finished (the caller waits `refresh` before the next)
    Done,     // nothing more: the only atlas was made, or there is none
  };
  // `stop` (may be null) is heard within a read or a decode, and silences
  // the messages.
  AtlasMaker(std::string folder, AtlasSourceOptions options, const std::atomic<bool>* stop = nullptr);
  // The next piece of work; an atlas is moved into `atlas`.
  Step Next(std::vector<unsigned char>* atlas);
  // True once Next has nothing more to make.
  bool Finished() const { return finished_; }

 private:
  bool Stopped() const { return stop_ != nullptr && stop_->load(std::memory_order_relaxed); }
  void Report(const std::string& text);
  bool ReadAndDecode(const PathString& path, Tile* tile, std::string* error);

  const std::string folder_;
  AtlasSourceOptions options_;
  const std::atomic<bool>* stop_;
  PhotoList list_;
  bool listed_ = false;
  bool shown_ = false;
  bool finished_ = false;
  std::size_t next_ = 0;      // the photo to try next
  std::size_t tried_ = 0;     // photos tried for the atlas being made
  std::size_t reported_ = 0;  // photos reported as skipped
  std::vector<Tile> tiles_;
  std::vector<unsigned char> bytes_;  // the file being decoded
};

class PhotoAtlasSource {
 public:
  explicit PhotoAtlasSource(std::string folder, AtlasSourceOptions options = AtlasSourceOptions());
  ~PhotoAtlasSource();  // stops the worker
  PhotoAtlasSource(const PhotoAtlasSource&) = delete;
  PhotoAtlasSource& operator=(const PhotoAtlasSource&) = delete;

  // Starts the worker (once).
  void Start();
  // Ends the worker: it hears the stop between two small pieces of work.
  // Waits for it at most `stopWait`; a worker that is still held up (in a
  // read the system does not end) is left to end by itself, or with the
  // process, and touches nothing of this object. Safe to call twice.
  void Stop();

  // Moves a finished atlas that was not taken yet into `pixels` (RGBA,
  // kAtlasWidth x kAtlasHeight); false when there is none.
  bool TakeAtlas(std::vector<unsigned char>* pixels);
  // Waits until an atlas is ready or the worker has ended, at most `timeout`;
  // true when an atlas is ready. For tools that draw single frames.
  bool WaitForAtlas(std::chrono::milliseconds timeout);
  // Atlases made so far, and whether the worker has ended.
  int AtlasCount();
  bool Ended();

 private:
  struct State;  // shared with the worker, which may outlive this object
  std::shared_ptr<State> state_;
  std::thread worker_;
};

}  // namespace photo
