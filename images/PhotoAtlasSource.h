#pragma once
// The photo atlas of a folder, made on a worker thread: the folder is walked,
// its photos are cut into tiles and packed into an atlas of the embedded
// atlas's layout. With more photos than tiles the next atlas is made from
// the next photos after a while. The thread that draws only takes finished
// atlases; it never waits for the worker.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "images/PhotoFolder.h"

namespace photo {

struct AtlasSourceOptions {
  std::chrono::milliseconds refresh{std::chrono::minutes(3)};  // between two atlases
  WalkLimits limits;
  std::size_t maxFileBytes = std::size_t{128} << 20;  // larger files are skipped
  std::size_t reportedProblems = 5;                   // messages for the first few skipped
  std::FILE* messages = stderr;                       // null: none
};

class PhotoAtlasSource {
 public:
  explicit PhotoAtlasSource(std::string folder, AtlasSourceOptions options = AtlasSourceOptions());
  ~PhotoAtlasSource();  // stops the worker
  PhotoAtlasSource(const PhotoAtlasSource&) = delete;
  PhotoAtlasSource& operator=(const PhotoAtlasSource&) = delete;

  // Starts the worker (once).
  void Start();
  // Ends the worker at once: a decode in progress is abandoned. Safe to call twice.
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
  void Run();
  void Work();
  bool Sleep(std::chrono::milliseconds duration);  // false when stopped
  void Report(const std::string& text);

  const std::string folder_;
  const AtlasSourceOptions options_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<unsigned char> ready_;  // under mutex_
  bool fresh_ = false;                // under mutex_
  bool ended_ = false;                // under mutex_
  int atlases_ = 0;                   // under mutex_
  std::size_t reported_ = 0;          // worker only
  std::thread worker_;
};

// The bytes of a file, at most `maxBytes`; false with the reason otherwise,
// or when `stop` turns true while it reads.
bool ReadPhotoFile(const std::filesystem::path& path, std::size_t maxBytes, std::vector<unsigned char>* bytes,
                   std::string* error, const std::atomic<bool>* stop = nullptr);

}  // namespace photo
