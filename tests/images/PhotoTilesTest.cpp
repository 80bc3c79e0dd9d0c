// Photos as tiles: the centre square, turned upright by each Exif
// orientation, masked like the embedded atlas, with the photo's own
// transparency; the bounds on hostile photos; the atlas laid out as the
// embedded one; the folder walk; and the worker that makes the atlases.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <memory>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "images/PhotoAtlasSource.h"
#include "images/PhotoDecode.h"
#include "images/PhotoFolder.h"
#include "images/PhotoTiles.h"
#include "images/ResourceImageLoader.h"
#include "resources/EmbeddedResources.h"
#include "tools/genimages/JpegWriter.h"

namespace {

namespace fs = std::filesystem;
using Rgb = std::array<int, 3>;
const Rgb kQuadrant[4] = {{230, 20, 20}, {20, 200, 20}, {20, 20, 230}, {230, 230, 20}};  // TL TR BL BR

// A 240 x 160 photo: white margins left and right of a centre square whose
// quadrants have the four colours above.
std::vector<unsigned char> QuadrantPhoto(int orientation, bool bigEndian) {
  const int w = 240, h = 160;
  std::vector<unsigned char> rgb(static_cast<std::size_t>(w) * h * 3);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const Rgb c = x >= 40 && x < 200 ? kQuadrant[(y >= 80) * 2 + (x >= 120)] : Rgb{255, 255, 255};
      for (int k = 0; k < 3; ++k) rgb[(static_cast<std::size_t>(y) * w + x) * 3 + k] = static_cast<unsigned char>(c[k]);
    }
  }
  gen::JpegOptions options;
  options.quality = 95;
  if (orientation > 0) options.segments.push_back(gen::OrientationSegment(orientation, bigEndian));
  return gen::CompressJpeg(rgb.data(), w, h, 3, options);
}

Rgb At(const std::vector<unsigned char>& rgba, int width, int x, int y) {
  const unsigned char* p = &rgba[(static_cast<std::size_t>(y) * width + x) * 4];
  return {p[0], p[1], p[2]};
}

void ExpectNear(const Rgb& got, const Rgb& want, const std::string& where) {
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(got[k], want[k], 12) << where << " channel " << k;
}

// A 1-pixel PNG followed by 64 MiB of compressed zeros.
std::vector<unsigned char> BombPng() {
  gen::PngOptions bomb;
  bomb.extraZeros = 64u << 20;
  return gen::MakePng(1, 1, {0, 0, 0}, bomb);
}

// A small progressive grey JPEG whose last scan stands `scans` times.
std::vector<unsigned char> ManyScans(int scans) {
  std::vector<unsigned char> grey(64 * 64, 128);
  gen::JpegOptions progressive;
  progressive.progressive = true;
  return gen::RepeatLastScan(gen::CompressJpeg(grey.data(), 64, 64, 1, progressive), scans);
}

TEST(PhotoTiles, CentreSquareTurnedUprightForEachOrientation) {
  // Which stored quadrant shows at the upright tile's TL, TR, BL, BR.
  const int upright[9][4] = {{0, 1, 2, 3}, {0, 1, 2, 3}, {1, 0, 3, 2}, {3, 2, 1, 0}, {2, 3, 0, 1},
                             {0, 2, 1, 3}, {2, 0, 3, 1}, {3, 1, 2, 0}, {1, 3, 0, 2}};
  for (int orientation = 0; orientation <= 9; ++orientation) {  // 0: no Exif; 9: out of range
    const std::vector<unsigned char> jpeg = QuadrantPhoto(orientation, orientation % 2 == 0);
    photo::Tile tile;
    std::string error;
    ASSERT_TRUE(photo::DecodePhotoTile(jpeg.data(), jpeg.size(), &tile, &error)) << error;
    ASSERT_EQ(tile.size(), 78u * 78u * 4u);
    const int* expected = upright[orientation <= 8 ? orientation : 1];
    const int corner[4][2] = {{20, 20}, {57, 20}, {20, 57}, {57, 57}};
    for (int q = 0; q < 4; ++q) {
      ExpectNear(At(tile, 78, corner[q][0], corner[q][1]), kQuadrant[expected[q]],
                 "orientation " + std::to_string(orientation) + " quadrant " + std::to_string(q));
    }
    for (int y = 0; y < 78; ++y) {
      for (int x = 0; x < 78; ++x) ASSERT_EQ(tile[(y * 78 + x) * 4 + 3], photo::TileOpacity(x, y));
    }
  }
  EXPECT_EQ(photo::TileOpacity(39, 39), 255);
  EXPECT_EQ(photo::TileOpacity(0, 0), 0);
}

// A PNG's transparency, in each form a PNG can hold it, is the tile's: the
// left part opaque blue, the rest transparent red that never shows, not even
// blended into the tile pixel that covers both.
TEST(PhotoTiles, PngTransparencyIsKept) {
  const int side = 64;
  struct Case {
    const char* name;
    gen::PngOptions options;
    std::vector<unsigned char> blue, red;  // one pixel of each, as stored
  } cases[] = {
      {"RGBA", {6, 8, {}, {}, 0}, {0, 0, 255, 255}, {255, 0, 0, 0}},
      {"palette with tRNS", {3, 8, {0, 0, 255, 255, 0, 0}, {255, 0}, 0}, {0}, {1}},
      {"RGB with a transparent colour", {2, 8, {}, {0, 255, 0, 0, 0, 0}, 0}, {0, 0, 255}, {255, 0, 0}},
      {"grey and alpha, 16 bits", {4, 16, {}, {}, 0}, {0, 0, 255, 255}, {255, 255, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<unsigned char> pixels;
    for (int i = 0; i < side * side; ++i) {
      const std::vector<unsigned char>& p = i % side < 26 ? c.blue : c.red;
      pixels.insert(pixels.end(), p.begin(), p.end());
    }
    photo::Tile tile;
    std::string error;
    const std::vector<unsigned char> png = gen::MakePng(side, side, pixels, c.options);
    ASSERT_TRUE(photo::DecodePhotoTile(png.data(), png.size(), &tile, &error)) << error;
    const Rgb blue = c.options.colourType == 4 ? Rgb{0, 0, 0} : Rgb{0, 0, 255};  // grey
    ExpectNear(At(tile, 78, 15, 39), blue, "left");
    EXPECT_EQ(tile[(39 * 78 + 15) * 4 + 3], 255);
    ExpectNear(At(tile, 78, 31, 39), blue, "the pixel covering both");
    EXPECT_TRUE(tile[(39 * 78 + 31) * 4 + 3] > 100 && tile[(39 * 78 + 31) * 4 + 3] < 200);
    for (int y = 0; y < 78; ++y) {
      for (int x = 30; x < 78; ++x) {
        const unsigned char* p = &tile[(y * 78 + x) * 4];
        ASSERT_LE(p[0], 2) << "red shows at " << x << ", " << y;
        ASSERT_LE(p[3], x >= 33 ? 0 : photo::TileOpacity(x, y)) << x << ", " << y;
      }
    }
  }
}

// Photos that would take too long or too much memory are refused with a
// reason, a 48-megapixel progressive photo without chroma subsampling is
// not, and a stop is heard while a PNG inflates data after its last row.
TEST(PhotoTiles, HostilePhotosAreRefusedWithAReason) {
  const auto decode = [](const std::vector<unsigned char>& bytes, const photo::DecodeLimits& limits,
                         const std::atomic<bool>* stop = nullptr) {
    photo::Tile tile;
    std::string error;
    const bool decoded = photo::DecodePhotoTile(bytes.data(), bytes.size(), &tile, &error, stop, limits);
    EXPECT_EQ(decoded, error.empty());
    return error;
  };
  photo::DecodeLimits limits;
  EXPECT_EQ(decode(BombPng(), limits), "holds far more compressed data than its picture needs");
  const std::vector<unsigned char> scans = ManyScans(150);
  EXPECT_EQ(decode(scans, limits), "has more than 100 scans (a progressive photo has about ten)");
  limits.jpegScans = 150;
  EXPECT_EQ(decode(scans, limits), "") << "the file itself is sound";

  // Each look at the clock a second later: the 10 s are soon over.
  auto seconds = std::chrono::steady_clock::time_point();
  limits.now = [&seconds] { return seconds += std::chrono::seconds(1); };
  EXPECT_EQ(decode(QuadrantPhoto(1, true), limits), "takes longer than the 10 s a photo may take to decode");
  limits = photo::DecodeLimits();

  // The 48-megapixel case: a small progressive 4:4:4 photo's frame header
  // claiming 8000 x 6000 (the missing data decodes as grey).
  std::vector<unsigned char> rgb(64 * 48 * 3, 90);
  gen::JpegOptions progressive;
  progressive.progressive = true;
  std::vector<unsigned char> large = gen::CompressJpeg(rgb.data(), 64, 48, 3, progressive);
  for (std::size_t i = 0; i + 9 < large.size(); ++i) {
    if (large[i] == 0xFF && large[i + 1] == 0xC2) {
      large[i + 5] = 6000 >> 8, large[i + 6] = 6000 & 255, large[i + 7] = 8000 >> 8, large[i + 8] = 8000 & 255;
      break;
    }
  }
  EXPECT_EQ(decode(large, limits), "");
  limits.jpegMemory = 200u << 20;
  EXPECT_EQ(decode(large, limits), "needs more than the 200 MiB of memory a photo may use to decode");
  limits = photo::DecodeLimits();

  // 2048 x 1024 grey rows, then 1 GiB of zeros: within the size bound, and
  // the library inflates it all after the last row unless stopped.
  gen::PngOptions extra;
  extra.colourType = 0;
  extra.extraZeros = 1ull << 30;
  const std::vector<unsigned char> png = gen::MakePng(2048, 1024, std::vector<unsigned char>(2048 * 1024, 0), extra);
  limits.time = std::chrono::milliseconds(100);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(decode(png, limits), "takes longer than the 0.1 s a photo may take to decode");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  // A stop once the 1024 rows are read (one look at the clock a row) is
  // heard in the inflation that follows.
  limits.time = std::chrono::minutes(1);
  std::atomic<bool> stop{false};
  int looks = 0;
  limits.now = [&] {
    start = std::chrono::steady_clock::now();
    if (++looks == 1100) stop = true;
    return std::chrono::steady_clock::time_point();  // no time passes
  };
  EXPECT_EQ(decode(png, limits, &stop), "stopped");
  EXPECT_EQ(looks, 1100) << "heard at the next look";
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

// Packed tiles sit where the embedded atlas has its tiles: the alpha of an
// atlas of masked tiles is the embedded atlas's mask.
TEST(PhotoTiles, AtlasHasTheEmbeddedLayout) {
  std::vector<photo::Tile> tiles;
  for (int t = 0; t < 5; ++t) {
    photo::Tile tile(78 * 78 * 4);
    for (int i = 0; i < 78 * 78; ++i) {
      tile[i * 4] = static_cast<unsigned char>(40 * t);
      tile[i * 4 + 3] = photo::TileOpacity(i % 78, i / 78);
    }
    tiles.push_back(tile);
  }
  const std::vector<unsigned char> atlas = photo::PackAtlas(tiles);
  ASSERT_EQ(atlas.size(), 1024u * 512u * 4u);
  for (int t : {0, 4, 5, 12, 13, 77}) {  // tiles repeat in order
    EXPECT_EQ(atlas[((t / 13 * 78 + 39) * 1024 + t % 13 * 78 + 39) * 4], 40 * (t % 5)) << t;
  }
  ImageTexture embedded;
  ASSERT_TRUE(DecodeWithMask(embedded, "JPEG_ZIRBEL_RGB", "JPEG_ZIRBEL_MSK", &FindEmbeddedResource));
  ASSERT_EQ(embedded.width * embedded.height, 1024 * 512);
  int worst = 0;
  for (std::size_t i = 3; i < atlas.size(); i += 4) worst = std::max(worst, std::abs(atlas[i] - embedded.pixels[i]));
  EXPECT_LE(worst, 24) << "the masks differ";
  FreeImagePixels(embedded);
  EXPECT_TRUE(photo::PackAtlas({}).empty());
}

class PhotoFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/zirbel-photos-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root = pattern;
  }
  void TearDown() override { fs::remove_all(root); }
  void Put(const std::string& name, const std::vector<unsigned char>& bytes) {
    fs::create_directories(fs::path(root + "/" + name).parent_path());
    ASSERT_TRUE(gen::WriteFile(root + "/" + name, bytes));
  }
  std::vector<std::string> Names(const photo::PhotoList& list) {
    std::vector<std::string> names;
    for (const fs::path p : list.photos) names.push_back(fs::relative(p, root).string());
    return names;
  }
  // A worker's first atlas of `folder` (within 20 s), taken once, and its messages.
  struct Shown {
    bool shown = false;
    std::vector<unsigned char> atlas;
    std::string messages;
  };
  static Shown FirstAtlas(const std::string& folder, photo::AtlasSourceOptions options) {
    Shown s;
    std::FILE* messages = std::tmpfile();
    options.messages = messages;
    photo::PhotoAtlasSource source(folder, options);
    source.Start();
    s.shown = source.WaitForAtlas(std::chrono::seconds(20)) && source.TakeAtlas(&s.atlas);
    std::vector<unsigned char> again;
    EXPECT_FALSE(source.TakeAtlas(&again)) << "taken once";
    source.Stop();
    std::rewind(messages);
    char text[4096] = {0};
    s.messages.assign(text, std::fread(text, 1, sizeof text - 1, messages));
    std::fclose(messages);
    return s;
  }
  std::string root;
};

TEST_F(PhotoFolderTest, WalksSubfoldersOnceAndKeepsToItsLimits) {
  const std::vector<unsigned char> jpeg = QuadrantPhoto(1, true);
  for (const char* name : {"a.jpg", "B.JPEG", "c.png", "d.txt", "sub/e.jpe", "sub/deep/f.jpg"}) Put(name, jpeg);
  fs::create_directory_symlink("..", root + "/sub/back");  // a loop
  fs::create_symlink("self.jpg", root + "/self.jpg");      // a link to itself
  fs::create_symlink("gone.jpg", root + "/dangling.jpg");
  ASSERT_EQ(mkfifo((root + "/pipe.jpg").c_str(), 0600), 0);  // never opened
  const std::vector<std::string> all = {"B.JPEG", "a.jpg", "c.png", "sub/deep/f.jpg", "sub/e.jpe"};

  const std::pair<photo::WalkLimits, std::vector<std::string>> cases[] = {
      {{}, all},
      {{100, 2, 24}, {"B.JPEG", "a.jpg"}},
      {{100, 100, 0}, {"B.JPEG", "a.jpg", "c.png"}},
      {{3, 100, 24}, {}},  // stops after three entries, whichever they are
      {{100, 100, 24, 2 * (root.size() + 8)}, {"B.JPEG", "a.jpg"}},  // the paths' bytes
  };
  for (const auto& [limits, photos] : cases) {
    const photo::PhotoList list = photo::ListPhotos(root, limits);
    EXPECT_TRUE(list.folderUsable);
    if (limits.maxEntries == 3) {
      EXPECT_LE(list.photos.size(), 3u);
      EXPECT_NE(testing::PrintToString(list.problems).find("stopped after 3 entries"), std::string::npos);
    } else {
      EXPECT_EQ(Names(list), photos);
    }
  }
  const photo::PhotoList byFile = photo::ListPhotos(root + "/a.jpg", {});
  EXPECT_EQ(Names(byFile), all) << "a photo names its folder";
  EXPECT_EQ(byFile.problems[0], root + "/a.jpg is a file: showing the photos of its folder " + root);
  EXPECT_NE(testing::PrintToString(byFile.problems).find("pipe.jpg: skipped, not a regular file (a pipe)"),
            std::string::npos);
  EXPECT_EQ(photo::ListPhotos(root + "/pipe.jpg", {}).problems, std::vector<std::string>{root + "/pipe.jpg: not a folder (a pipe)"});
  const photo::PhotoList missing = photo::ListPhotos(root + "/none", {});
  EXPECT_FALSE(missing.folderUsable);
  EXPECT_TRUE(missing.photos.empty() && !missing.problems.empty());
}

// The worker: broken files are skipped with a message for the first few,
// hostile ones quickly with their reasons, one that memory runs out for alone;
// the photos repeat to fill the atlas, and more photos than tiles give a new atlas.
TEST_F(PhotoFolderTest, WorkerMakesAtlasesAndSkipsBrokenFiles) {
  const std::vector<unsigned char> jpeg = QuadrantPhoto(6, false);
  Put("1.jpg", jpeg);
  Put("2.jpg", std::vector<unsigned char>(jpeg.begin(), jpeg.begin() + 200));
  Put("3.jpg", {});
  Put("4.png", {0x89, 'P', 'N', 'G'});
  photo::AtlasSourceOptions options;
  options.reportedProblems = 2;
  Shown s = FirstAtlas(root, options);
  ASSERT_TRUE(s.shown);
  ExpectNear(At(s.atlas, 1024, 20, 20), kQuadrant[2], "tile 0");
  ExpectNear(At(s.atlas, 1024, 12 * 78 + 20, 5 * 78 + 20), kQuadrant[2], "tile 77 repeats the one photo");
  EXPECT_NE(s.messages.find("2.jpg: skipped"), std::string::npos) << s.messages;
  EXPECT_EQ(s.messages.find("4.png"), std::string::npos) << "only the first two are reported";

  Put("hostile/1.png", BombPng());
  Put("hostile/2.jpg", ManyScans(500));
  Put("hostile/3.jpg", jpeg);
  s = FirstAtlas(root + "/hostile", options);
  ASSERT_TRUE(s.shown);
  ExpectNear(At(s.atlas, 1024, 20, 20), kQuadrant[2], "tile 0");
  EXPECT_NE(s.messages.find("1.png: skipped, holds far more compressed data than its picture needs"), std::string::npos);
  EXPECT_NE(s.messages.find("2.jpg: skipped, has more than 100 scans"), std::string::npos) << s.messages;

  Put("memory/0-big.jpg", {1});
  Put("memory/1.jpg", jpeg);
  options.reader = [](const fs::path& path, const photo::ReadBounds& bounds, std::vector<unsigned char>* bytes,
                      std::string* error) {
    if (path.filename() == "0-big.jpg") throw std::bad_alloc();
    return photo::ReadPhotoFile(path, bounds, bytes, error);
  };
  s = FirstAtlas(root + "/memory", options);
  EXPECT_TRUE(s.shown);
  EXPECT_NE(s.messages.find("0-big.jpg: skipped, not enough memory for it"), std::string::npos);

  std::vector<unsigned char> atlas;
  options = photo::AtlasSourceOptions();
  options.messages = nullptr;
  for (int i = 0; i < 80; ++i) Put("many/" + std::to_string(i) + ".jpg", jpeg);
  options.refresh = std::chrono::milliseconds(1);
  photo::PhotoAtlasSource many(root + "/many", options);
  many.Start();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (many.AtlasCount() < 2 && std::chrono::steady_clock::now() < deadline) {
    if (many.WaitForAtlas(std::chrono::milliseconds(50))) many.TakeAtlas(&atlas);
  }
  EXPECT_GE(many.AtlasCount(), 2);

  photo::PhotoAtlasSource none(root + "/none", options);
  none.Start();
  EXPECT_FALSE(none.WaitForAtlas(std::chrono::seconds(20)));
  EXPECT_TRUE(none.Ended());
}

// A name that would steer the terminal is shown escaped, and a folder that
// cannot be read is named like a file that cannot (checked as a user that
// permissions bind: a child process that gives up root).
TEST_F(PhotoFolderTest, MessagesNameWhatWasSkippedAndWhy) {
  const std::vector<unsigned char> jpeg = QuadrantPhoto(1, true);
  Put("a\x1b[31m\xff.jpg", {1, 2, 3});
  Put("locked/b.jpg", jpeg);
  Put("open/c.jpg", jpeg);
  chmod(root.c_str(), 0755);
  chmod((root + "/locked").c_str(), 0);
  int pipeEnds[2];
  ASSERT_EQ(pipe(pipeEnds), 0);
  const pid_t child = fork();
  if (child == 0) {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
    const Shown s = FirstAtlas(root, photo::AtlasSourceOptions());
    const bool written = write(pipeEnds[1], s.messages.data(), s.messages.size()) == static_cast<ssize_t>(s.messages.size());
    _exit(s.shown && written ? 0 : 1);
  }
  close(pipeEnds[1]);
  std::string text;
  char buffer[512];
  for (ssize_t got; (got = read(pipeEnds[0], buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<std::size_t>(got));
  close(pipeEnds[0]);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "no atlas from the readable photo";
  EXPECT_NE(text.find(root + "/a\\x1b[31m\\xff.jpg: skipped, "), std::string::npos) << text;
  EXPECT_EQ(text.find('\x1b'), std::string::npos) << text;
  EXPECT_NE(text.find(root + "/locked: cannot be read (Permission denied)"), std::string::npos) << text;
  chmod((root + "/locked").c_str(), 0755);
}

// A read the system holds up (a share that stopped answering) does not hold
// up Stop(), and the worker, once the read returns, touches nothing of the
// source that was destroyed meanwhile.
TEST_F(PhotoFolderTest, StopLeavesAWorkerHeldUpInARead) {
  Put("1.jpg", QuadrantPhoto(1, true));
  auto entered = std::make_shared<std::promise<void>>();
  const std::weak_ptr<std::promise<void>> watch = entered;
  std::promise<void> release;
  photo::AtlasSourceOptions options;
  options.messages = nullptr;
  options.reader = [entered, released = release.get_future().share()](
                       const fs::path&, const photo::ReadBounds&, std::vector<unsigned char>*, std::string* error) {
    entered->set_value();
    released.wait();
    *error = "released";
    return false;
  };
  auto source = std::make_unique<photo::PhotoAtlasSource>(root, options);
  options.reader = nullptr;
  source->Start();
  ASSERT_EQ(entered->get_future().wait_for(std::chrono::seconds(10)), std::future_status::ready);
  auto stopped = std::async(std::launch::async, [&] { source.reset(); });
  const bool prompt = stopped.wait_for(std::chrono::seconds(2)) == std::future_status::ready;
  release.set_value();
  stopped.wait();
  EXPECT_TRUE(prompt) << "the source waited for the held-up read";
  entered.reset();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!watch.expired() && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
  EXPECT_TRUE(watch.expired()) << "the worker did not end once its read returned";
}

// The peak memory, in KiB, since the last ResetPeakMemory(); -1 where the
// system cannot tell.
long PeakMemoryKiB() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
  }
  return -1;
}
bool ResetPeakMemory() { return static_cast<bool>(std::ofstream("/proc/self/clear_refs") << "5"); }

// The walk keeps what it needs for the photos it will show, whatever the
// names' length: 99,000 photos with paths of about 3 KB add well under
// 64 MiB to the peak (keeping every path found costs some 400 MiB).
TEST_F(PhotoFolderTest, WalkMemoryDoesNotGrowWithTheNames) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizer keeps freed memory back, so the peak says nothing";
#endif
  std::string deep = root;
  for (int i = 0; i < 14; ++i) deep += "/" + std::string(200, 'd');
  fs::create_directories(deep);
  const int folder = open(deep.c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(folder, 0);
  for (int i = 0; i < 99000; ++i) {
    const std::string name = std::to_string(100000 + i) + std::string(230, 'p') + ".jpg";
    const int file = openat(folder, name.c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(file, 0) << name;
    close(file);
  }
  close(folder);
  if (!ResetPeakMemory() || PeakMemoryKiB() < 0) GTEST_SKIP() << "no peak memory to read";
  const long before = PeakMemoryKiB();
  const photo::PhotoList list = photo::ListPhotos(root, photo::WalkLimits());
  const long grown = PeakMemoryKiB() - before;
  EXPECT_FALSE(list.photos.empty());
  EXPECT_LT(grown, 64 * 1024) << "KiB more at the peak for " << list.photos.size() << " photos kept";
}

}  // namespace
