// The photo helper's loop: it says it is ready, then for each request reads
// the file that came with it within the request's bounds, decodes it into a
// tile and answers with the tile or the reason, until the saver closes the
// channel. After a photo that ran out of memory, or once it has used its
// processor time, memory or photo count, it asks to be replaced and ends.
#include <chrono>
#include <csignal>
#include <cstring>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/PhotoHelper.h"
#include "images/PhotoDecode.h"

namespace photohelper {

namespace {

// Whether `hooks` (comma-separated) names `hook`.
bool Named(const std::string& hooks, const std::string& hook) {
  return (',' + hooks + ',').find(',' + hook + ',') != std::string::npos;
}

// A test's photo: "ZIRBEL-TEST-HOOK <name>" runs that hook, where allowed.
void RunHook(HelperChannel& channel, const std::string& hooks, const std::vector<unsigned char>& bytes) {
  static const char kPrefix[] = "ZIRBEL-TEST-HOOK ";
  const std::size_t prefix = sizeof kPrefix - 1;
  if (hooks.empty() || bytes.size() <= prefix || std::memcmp(bytes.data(), kPrefix, prefix) != 0) return;
  std::string name(bytes.begin() + static_cast<long>(prefix), bytes.end());
  name = name.substr(0, name.find_first_of("\r\n "));
  if (!Named(hooks, name)) return;
  if (name == "crash") std::raise(SIGSEGV);
  if (name == "hang") {
    for (volatile unsigned long spin = 0;; spin = spin + 1) {
    }
  }
  if (name == "allocate") {  // until the helper's bound refuses (or 4 GiB, where nothing bounds it)
    std::vector<std::unique_ptr<char[]>> held;
    for (int i = 0; i < 256; ++i) held.emplace_back(new char[std::size_t{16} << 20]);
    return;
  }
  if (name == "open" || name == "socket") channel.TryForbidden(name);
}

Reply Answer(HelperChannel& channel, const std::string& hooks, const Request& request, std::vector<unsigned char>* bytes) {
  Reply reply;
  photo::ReadBounds read;
  read.time = std::chrono::milliseconds(request.readMs);
  read.maxBytes = static_cast<std::size_t>(request.size);
  std::string error;
  try {
    const bool readWhole = photo::ReadPhotoPieces(request.size, std::chrono::steady_clock::now(), read, bytes, &error,
                                                  [&channel](unsigned char* to, std::size_t count, std::string* why) {
                                                    return channel.ReadFile(to, count, why);
                                                  });
    if (readWhole) {
      RunHook(channel, hooks, *bytes);
      photo::DecodeLimits limits;
      limits.time = std::chrono::milliseconds(request.decodeMs);
      if (photo::DecodePhotoTile(bytes->data(), bytes->size(), &reply.tile, &error, nullptr, limits)) {
        reply.kind = Kind::Tile;
        return reply;
      }
    }
  } catch (const std::bad_alloc&) {
    error = "not enough memory for it (the photo decoder's bound)";
    reply.retire = true;
  } catch (const std::length_error&) {
    error = "not enough memory for it (the photo decoder's bound)";
    reply.retire = true;
  }
  reply.kind = Kind::Skipped;
  reply.reason = error;
  return reply;
}

}  // namespace

int RunHelper(HelperChannel& channel, const std::string& hooks, const HelperBounds& bounds) {
  Reply ready;
  ready.kind = Kind::Ready;
  if (!channel.Send(EncodeReply(ready))) return 1;
  std::vector<unsigned char> message, bytes;
  for (int photos = 1;; ++photos) {
    std::string error;
    if (!channel.Receive(&message, &error)) return 0;  // the saver is done with it
    Request request;
    if (!DecodeRequest(message, &request)) return 2;
    Reply reply = Answer(channel, hooks, request, &bytes);
    std::vector<unsigned char>().swap(bytes);
    reply.retire = reply.retire || photos >= bounds.photos || channel.ProcessorSeconds() > bounds.processorSeconds ||
                   channel.PeakBytes() > bounds.peakBytes;
    if (!channel.Send(EncodeReply(reply)) || reply.retire) return 0;
  }
}

}  // namespace photohelper
