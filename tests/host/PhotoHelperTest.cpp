// The saver's decisions about its photo helper, against a fake helper, and
// the messages' round trip.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "host/PhotoHelper.h"

namespace {

using namespace photohelper;
using std::chrono::milliseconds;

// What a fake helper does with the next photo.
enum class Act { Tile, Skip, Retire, Crash, Hang, Garbage, GoneBeforeSend, NeverReady };

// One a photo, or NeverReady for a helper that never starts.
using Script = std::deque<Act>;

class FakeHelper : public HelperProcess {
 public:
  explicit FakeHelper(Script* script) : script_(script) {
    Reply ready;
    ready.kind = Kind::Ready;
    if (Next() != Act::NeverReady) out_ = EncodeReply(ready);
  }
  bool Send(const std::vector<unsigned char>& message, OpenPhoto*) override {
    Request request;
    EXPECT_TRUE(DecodeRequest(message, &request));
    EXPECT_EQ(request.size, 5u);
    const Act act = Next();
    script_->pop_front();
    Reply reply;
    reply.kind = act == Act::Tile || act == Act::Retire ? Kind::Tile : Kind::Skipped;
    reply.tile.assign(78 * 78 * 4, 7);
    reply.reason = "not a photo";
    reply.retire = act == Act::Retire;
    if (act == Act::GoneBeforeSend) return false;
    if (act == Act::Crash) gone_ = true;
    if (act == Act::Garbage) out_ = {9, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    if (act != Act::Hang && act != Act::Crash && act != Act::Garbage) out_ = EncodeReply(reply);
    return true;
  }
  long long Receive(unsigned char* to, std::size_t count, milliseconds) override {
    if (out_.empty()) return gone_ ? -1 : 0;
    const std::size_t n = std::min(count, out_.size());
    std::copy(out_.begin(), out_.begin() + static_cast<long>(n), to);
    out_.erase(out_.begin(), out_.begin() + static_cast<long>(n));
    return static_cast<long long>(n);
  }
  void Kill() override {}
  std::string HowItEnded() override { return "crashed (Segmentation fault)"; }

 private:
  Act Next() const { return script_->empty() ? Act::Tile : script_->front(); }
  Script* script_;
  std::vector<unsigned char> out_;
  bool gone_ = false;
};

class FakePlatform : public HelperPlatform {
 public:
  explicit FakePlatform(Script* script) : script_(script) {}
  std::unique_ptr<OpenPhoto> Open(const photo::PathString& path, const photo::ReadBounds&, std::uint64_t* size,
                                  std::string* error) override {
    *size = 5;
    if (path == "missing") *error = "cannot be opened (No such file or directory)";
    return path == "missing" ? nullptr : std::make_unique<OpenPhoto>();
  }
  std::unique_ptr<HelperProcess> Start(std::string*) override {
    auto helper = std::make_unique<FakeHelper>(script_);
    if (!script_->empty() && script_->front() == Act::NeverReady) script_->pop_front();
    return helper;
  }

 private:
  Script* script_;
};

// A stop is heard at once; a file the saver cannot open never reaches a helper.
TEST(PhotoHelper, EachFaultCostsOnePhotoAndTheNextGetsAFreshHelper) {
  const std::string noStart = "the photo decoder cannot start (it did not get ready in time)";
  const std::string missing = "cannot be opened (No such file or directory)";
  struct Case {
    const char* name;
    std::vector<Act> acts;        // for the photos in turn (NeverReady: a start)
    std::vector<std::string> errors;  // per photo; "" for a tile
    int starts;
  } cases[] = {
      {"kept for many photos", {Act::Tile, Act::Skip, Act::Tile}, {"", "not a photo", ""}, 1},
      {"a crash", {Act::Crash, Act::Tile}, {"the photo decoder crashed (Segmentation fault) on it", ""}, 2},
      {"a hang", {Act::Hang, Act::Tile},
       {"takes longer than the 0.2 s a photo may take to read and decode (the decoder was stopped)", ""}, 2},
      {"a stop while it hangs", {Act::Hang, Act::Tile}, {"stopped", ""}, 2},
      {"garbage", {Act::Garbage, Act::Tile}, {"the photo decoder answered garbage", ""}, 2},
      {"replaced when it asks", {Act::Retire, Act::Tile, Act::Tile}, {"", "", ""}, 2},
      {"gone before it took one", {Act::GoneBeforeSend, Act::Tile}, {"", ""}, 2},
      {"one start that failed", {Act::NeverReady, Act::Tile}, {noStart, ""}, 2},
      {"given up after three", {Act::NeverReady, Act::NeverReady, Act::NeverReady, Act::Tile},
       {noStart, noStart, noStart, noStart}, 3},
      {"a file the saver cannot open", {}, {missing}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Script script(c.acts.begin(), c.acts.end());
    ClientOptions options;
    options.decodeTime = options.slack = milliseconds(100);
    options.startWait = milliseconds(50);
    PhotoHelperClient client(std::make_shared<FakePlatform>(&script), options);
    for (std::size_t i = 0; i < c.errors.size(); ++i) {
      // The photo that is to be "stopped" comes with its stop set, and a
      // minute to take: the stop ends it, not the time.
      std::atomic<bool> stop{c.errors[i] == "stopped"};
      photo::ReadBounds bounds;
      bounds.time = stop ? std::chrono::minutes(1) : milliseconds(100);
      bounds.stop = &stop;
      photo::Tile tile;
      std::string error;
      const auto start = std::chrono::steady_clock::now();
      EXPECT_EQ(client.Decode(c.errors[i] == missing ? "missing" : "photo", bounds, &tile, &error), c.errors[i].empty()) << i;
      EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << i;
      EXPECT_EQ(error, c.errors[i]) << i;
      EXPECT_EQ(tile.size(), c.errors[i].empty() ? 78u * 78u * 4u : 0u) << i;
    }
    EXPECT_EQ(client.Starts(), c.starts);
  }
}

TEST(PhotoHelper, MessagesRoundTripAndBadOnesAreRefused) {
  Request request{(std::uint64_t{1} << 33) + 5, 1234, 5678};
  Request back;
  ASSERT_TRUE(DecodeRequest(EncodeRequest(request), &back));
  EXPECT_TRUE(back.size == request.size && back.readMs == 1234u && back.decodeMs == 5678u);
  Reply reply;
  reply.kind = Kind::Skipped;
  reply.retire = true;
  reply.reason = std::string(2000, 'x');
  Reply got;
  ASSERT_TRUE(DecodeReply(EncodeReply(reply), &got));
  EXPECT_TRUE(got.retire);
  EXPECT_EQ(got.reason.size(), 1024u) << "reasons are cut";
  std::vector<unsigned char> bad = EncodeRequest(request);
  bad.pop_back();
  EXPECT_FALSE(DecodeRequest(bad, &back)) << "length not its own";
  reply.kind = Kind::Tile;
  reply.tile.assign(10, 0);
  EXPECT_FALSE(DecodeReply(EncodeReply(reply), &got)) << "a tile of the wrong size";
  EXPECT_FALSE(DecodeReply(EncodeRequest(request), &got)) << "a request is no reply";
}

}  // namespace
