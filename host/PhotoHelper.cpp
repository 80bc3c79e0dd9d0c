// The messages between the saver and its photo helper, and the saver's
// decisions: when a helper is started, what a photo costs when it dies, is
// too slow or asks to be replaced, and when helpers are given up.
#include "host/PhotoHelper.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

namespace photohelper {

namespace {

constexpr std::size_t kHeader = 8;  // length and kind
constexpr std::size_t kTileBytes = static_cast<std::size_t>(photo::kTilePixels) * photo::kTilePixels * 4;

void Put32(unsigned char* out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<unsigned char>(value >> (8 * i));
}

std::uint32_t Get32(const unsigned char* p) {
  return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24);
}

// The header, a 32-bit flags field where `flags` is not null, and `size` bytes of `body`.
std::vector<unsigned char> Message(Kind kind, const std::uint32_t* flags, const unsigned char* body, std::size_t size) {
  const std::size_t head = kHeader + (flags != nullptr ? 4 : 0);
  std::vector<unsigned char> out(head + size);
  Put32(out.data(), static_cast<std::uint32_t>(out.size() - 4));
  Put32(out.data() + 4, static_cast<std::uint32_t>(kind));
  if (flags != nullptr) Put32(out.data() + kHeader, *flags);
  if (size > 0) std::memcpy(out.data() + head, body, size);
  return out;
}

// The message's kind and body, when its length is its own.
bool Open(const std::vector<unsigned char>& message, Kind* kind, const unsigned char** body, std::size_t* size) {
  if (message.size() < kHeader || Get32(message.data()) != message.size() - 4) return false;
  *kind = static_cast<Kind>(Get32(message.data() + 4));
  *body = message.data() + kHeader;
  *size = message.size() - kHeader;
  return true;
}

}  // namespace

std::vector<unsigned char> EncodeRequest(const Request& request) {
  unsigned char body[16];
  Put32(body, static_cast<std::uint32_t>(request.size));
  Put32(body + 4, static_cast<std::uint32_t>(request.size >> 32));
  Put32(body + 8, request.readMs);
  Put32(body + 12, request.decodeMs);
  return Message(Kind::Request, nullptr, body, sizeof body);
}

bool DecodeRequest(const std::vector<unsigned char>& message, Request* request) {
  Kind kind;
  const unsigned char* body = nullptr;
  std::size_t size = 0;
  if (!Open(message, &kind, &body, &size) || kind != Kind::Request || size != 16) return false;
  request->size = Get32(body) | (std::uint64_t{Get32(body + 4)} << 32);
  request->readMs = Get32(body + 8);
  request->decodeMs = Get32(body + 12);
  return true;
}

std::vector<unsigned char> EncodeReply(const Reply& reply) {
  const std::uint32_t flags = reply.retire ? 1 : 0;
  if (reply.kind == Kind::Tile) return Message(reply.kind, &flags, reply.tile.data(), reply.tile.size());
  const std::size_t length = std::min<std::size_t>(reply.reason.size(), 1024);  // reasons are cut
  return Message(reply.kind, &flags, reinterpret_cast<const unsigned char*>(reply.reason.data()), length);
}

bool DecodeReply(const std::vector<unsigned char>& message, Reply* reply) {
  Kind kind;
  const unsigned char* body = nullptr;
  std::size_t size = 0;
  if (!Open(message, &kind, &body, &size) || size < 4) return false;
  reply->kind = kind;
  reply->retire = Get32(body) != 0;
  const unsigned char* rest = body + 4;
  const std::size_t length = size - 4;
  reply->tile.clear();
  reply->reason.clear();
  switch (kind) {
    case Kind::Tile:
      if (length != kTileBytes) return false;
      reply->tile.assign(rest, rest + length);
      return true;
    case Kind::Ready:
    case Kind::Skipped:
      reply->reason.assign(reinterpret_cast<const char*>(rest), length);
      return true;
    case Kind::Request:
      break;
  }
  return false;
}

PhotoHelperClient::PhotoHelperClient(std::shared_ptr<HelperPlatform> platform, ClientOptions options)
    : platform_(std::move(platform)), options_(options) {}

void PhotoHelperClient::Drop() {
  if (helper_) helper_->Kill();
  helper_.reset();
}

bool PhotoHelperClient::Await(std::chrono::steady_clock::time_point deadline, const photo::ReadBounds& bounds,
                              Reply* reply, std::string* error) {
  std::vector<unsigned char> message;
  std::size_t want = 4;
  while (message.size() < want) {
    if (bounds.stop != nullptr && bounds.stop->load(std::memory_order_relaxed)) {
      *error = "stopped";
      return false;
    }
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) {
      *error = "timeout";
      return false;
    }
    const auto wait = std::min(options_.listen, std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now) +
                                                    std::chrono::milliseconds(1));
    unsigned char piece[16 << 10];
    const long long got = helper_->Receive(piece, std::min(sizeof piece, want - message.size()), wait);
    if (got < 0) {
      *error = "gone";
      return false;
    }
    message.insert(message.end(), piece, piece + got);
    if (want == 4 && message.size() == 4) {
      want = 4 + static_cast<std::size_t>(message[0] | (message[1] << 8) | (message[2] << 16)) +
             (static_cast<std::size_t>(message[3]) << 24);
      if (want > kMaxMessage || want < kHeader) {
        *error = "bad";
        return false;
      }
    }
  }
  if (!DecodeReply(message, reply)) {
    *error = "bad";
    return false;
  }
  return true;
}

bool PhotoHelperClient::EnsureHelper(std::string* error) {
  if (helper_) return true;
  if (!unusable_.empty()) {
    *error = unusable_;
    return false;
  }
  ++starts_;
  std::string why;
  helper_ = platform_->Start(&why);
  Reply ready;
  const photo::ReadBounds none;
  if (helper_ && Await(std::chrono::steady_clock::now() + options_.startWait, none, &ready, &why)) {
    if (ready.kind == Kind::Ready && ready.reason.empty()) {
      failedStarts_ = 0;
      return true;
    }
    why = ready.reason.empty() ? "it answered out of turn" : ready.reason;
  } else if (helper_) {
    why = why == "gone" ? helper_->HowItEnded() : why == "timeout" ? "it did not get ready in time" : "it answered garbage";
  }
  Drop();
  *error = "the photo decoder cannot start (" + why + ")";
  if (++failedStarts_ >= options_.startsBeforeGivingUp) unusable_ = *error;
  return false;
}

bool PhotoHelperClient::Decode(const photo::PathString& path, const photo::ReadBounds& bounds, photo::Tile* tile,
                               std::string* error) {
  const auto started = std::chrono::steady_clock::now();
  std::uint64_t size = 0;
  std::unique_ptr<OpenPhoto> file = platform_->Open(path, bounds, &size, error);
  if (!file) return false;
  if (size == 0) {
    *error = "empty file";
    return false;
  }
  Request request;
  request.size = size;
  request.readMs = static_cast<std::uint32_t>(bounds.time.count());
  request.decodeMs = static_cast<std::uint32_t>(options_.decodeTime.count());
  const std::vector<unsigned char> message = EncodeRequest(request);
  // A helper that has gone before it took the photo costs nothing: one
  // fresh helper is tried.
  bool sent = false;
  for (int attempt = 0; attempt < 2 && !sent; ++attempt) {
    if (!EnsureHelper(error)) return false;
    sent = helper_->Send(message, file.get());
    if (!sent) Drop();
  }
  if (!sent) {
    *error = "the photo decoder does not take photos";
    return false;
  }
  file.reset();
  Reply reply;
  std::string why;
  if (!Await(started + bounds.time + options_.decodeTime + options_.slack, bounds, &reply, &why)) {
    const bool gone = why == "gone";
    const std::string ended = gone ? helper_->HowItEnded() : "";
    Drop();
    if (why == "stopped") {
      *error = "stopped";
    } else if (why == "timeout") {
      char text[160];
      std::snprintf(text, sizeof text, "takes longer than the %g s a photo may take to read and decode (the decoder was stopped)",
                    std::chrono::duration<double>(bounds.time + options_.decodeTime).count());
      *error = text;
    } else {
      *error = gone ? "the photo decoder " + ended + " on it" : "the photo decoder answered garbage";
    }
    return false;
  }
  if (reply.retire) Drop();
  if (reply.kind == Kind::Tile) {
    *tile = std::move(reply.tile);
    return true;
  }
  *error = reply.kind == Kind::Skipped ? reply.reason : "the photo decoder answered out of turn";
  if (reply.kind != Kind::Skipped) Drop();
  return false;
}

photo::PhotoDecoder HelperDecoder(std::shared_ptr<HelperPlatform> platform, ClientOptions options) {
  auto client = std::make_shared<PhotoHelperClient>(std::move(platform), options);
  return [client](const photo::PathString& path, const photo::ReadBounds& bounds, photo::Tile* tile,
                  std::string* error) { return client->Decode(path, bounds, tile, error); };
}

}  // namespace photohelper
