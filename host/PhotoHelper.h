#pragma once
// Photos decoded in a helper process, so that a decoder's fault costs one
// photo and never the saver: the saver starts the helper from its own
// program (with kHelperArgument first), keeps it for many photos, opens each
// file itself and hands it over open, and gets back the tile or a reason.
// The helper is started afresh after it died, passed its time or asked to be
// replaced, and killed, not waited for, on stop. This file holds the portable
// half of both sides: the messages, the saver's decisions (PhotoHelperClient,
// behind photo::PhotoDecoder) and the helper's loop; the platform starts the
// process, passes the file and confines the helper.
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "images/PhotoAtlasSource.h"
#include "images/PhotoTiles.h"

namespace photohelper {

// The private first argument that makes the program the helper.
constexpr const char* kHelperArgument = "--zirbel-photo-helper";
// The variable that lets a test's photo steer the helper: the hooks it
// names (comma-separated: crash, hang, allocate, open, socket) run for a
// photo whose bytes start with "ZIRBEL-TEST-HOOK <name>". Only tests set it.
constexpr const char* kHookVariable = "ZIRBEL_TEST_HELPER_HOOKS";

// The messages: a 32-bit little-endian length of what follows, a 32-bit
// kind, then the kind's fields. A request travels with the open file.
enum class Kind : std::uint32_t { Ready = 1, Request = 2, Tile = 3, Skipped = 4 };
struct Request {
  std::uint64_t size = 0;        // of the file, as the saver found it
  std::uint32_t readMs = 10000;  // the bounds of this photo
  std::uint32_t decodeMs = 10000;
};
struct Reply {
  Kind kind = Kind::Skipped;
  bool retire = false;  // the helper ends after this reply: start a fresh one
  std::string reason;   // Skipped, or Ready with a failed start
  photo::Tile tile;     // Tile
};
constexpr std::size_t kMaxMessage = 64 << 10;

std::vector<unsigned char> EncodeRequest(const Request& request);
bool DecodeRequest(const std::vector<unsigned char>& message, Request* request);
std::vector<unsigned char> EncodeReply(const Reply& reply);
// A whole message (length and all) into `reply`; false when it is not one.
bool DecodeReply(const std::vector<unsigned char>& message, Reply* reply);

// A photo file the saver opened for the helper; closed when destroyed.
class OpenPhoto {
 public:
  virtual ~OpenPhoto() = default;
};

// One running helper, as the platform started it.
class HelperProcess {
 public:
  virtual ~HelperProcess() = default;  // kills it, if still running, without waiting
  // One message, with `file` (may be null) handed to the helper; false when it is gone.
  virtual bool Send(const std::vector<unsigned char>& message, OpenPhoto* file) = 0;
  // Up to `count` bytes of what the helper sent, waiting at most `wait`:
  // how many, 0 when none came in time, -1 when the helper has gone.
  virtual long long Receive(unsigned char* to, std::size_t count, std::chrono::milliseconds wait) = 0;
  // Ends it now. Safe to call twice.
  virtual void Kill() = 0;
  // Once it has gone: how it ended, for a user ("crashed (segmentation fault)").
  virtual std::string HowItEnded() = 0;
};

// What the platform offers the client.
class HelperPlatform {
 public:
  virtual ~HelperPlatform() = default;
  // Opens a photo without waiting on what is not a regular file, within
  // `bounds.maxBytes`; null with a reason a user understands.
  virtual std::unique_ptr<OpenPhoto> Open(const photo::PathString& path, const photo::ReadBounds& bounds,
                                          std::uint64_t* size, std::string* error) = 0;
  // A fresh helper; null with the reason.
  virtual std::unique_ptr<HelperProcess> Start(std::string* error) = 0;
};

struct ClientOptions {
  std::chrono::milliseconds decodeTime{10000};   // per photo, besides the read's bound
  std::chrono::milliseconds slack{2000};         // on top of both, before the helper is killed
  std::chrono::milliseconds startWait{5000};     // for a fresh helper to be ready
  std::chrono::milliseconds listen{20};          // how often a stop is looked for
  int startsBeforeGivingUp = 3;                  // helpers in a row that never got ready
};

// The saver's side: one photo at a time, in a helper kept between photos.
class PhotoHelperClient {
 public:
  PhotoHelperClient(std::shared_ptr<HelperPlatform> platform, ClientOptions options = ClientOptions());
  // A photo::PhotoDecoder: the tile, or false with the reason.
  bool Decode(const photo::PathString& path, const photo::ReadBounds& bounds, photo::Tile* tile, std::string* error);
  // Helpers started so far (a test's count of restarts).
  int Starts() const { return starts_; }

 private:
  bool EnsureHelper(std::string* error);
  // The next whole message before `deadline`; false with the reason.
  bool Await(std::chrono::steady_clock::time_point deadline, const photo::ReadBounds& bounds, Reply* reply,
             std::string* error);
  void Drop();

  std::shared_ptr<HelperPlatform> platform_;
  ClientOptions options_;
  std::unique_ptr<HelperProcess> helper_;
  int starts_ = 0;
  int failedStarts_ = 0;
  std::string unusable_;  // set once helpers cannot be had: every photo is skipped with it
};

// A photo::PhotoDecoder that decodes every photo in a helper of `platform`.
photo::PhotoDecoder HelperDecoder(std::shared_ptr<HelperPlatform> platform, ClientOptions options = ClientOptions());

// The helper's side, as its platform connects it to the saver.
class HelperChannel {
 public:
  virtual ~HelperChannel() = default;
  // The next message and the file that came with it; false at the end.
  virtual bool Receive(std::vector<unsigned char>* message, std::string* error) = 0;
  virtual bool Send(const std::vector<unsigned char>& message) = 0;
  // Reads the file that came with the last message (ReadPhotoPieces' reader).
  virtual long long ReadFile(unsigned char* to, std::size_t count, std::string* error) = 0;
  // Seconds of processor time and bytes of memory at most used so far.
  virtual double ProcessorSeconds() = 0;
  virtual std::uint64_t PeakBytes() = 0;
  // A test hook's forbidden call: "open" a file or a "socket".
  virtual void TryForbidden(const std::string& what) = 0;
};

struct HelperBounds {
  double processorSeconds = 60;                    // then it is replaced
  std::uint64_t peakBytes = std::uint64_t{512} << 20;
  int photos = 2000;
};

// The helper's loop: Ready, then one reply a request until the saver closes
// the channel. `hooks` is the value of kHookVariable. Returns the exit code.
int RunHelper(HelperChannel& channel, const std::string& hooks, const HelperBounds& bounds = HelperBounds());

}  // namespace photohelper
