// The photo helper on Linux, this test program started as the helper: the
// sandbox shows in its /proc status and refuses a file or a socket (the
// helper is killed, the next photo decodes); a crash, a hang and endless
// allocation each cost their photo only; a helper killed from outside costs
// at most the photo it held; no helper outlives its client.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "host/PhotoHelper.h"
#include "host/linux/PhotoHelperProcess.h"
#include "tools/genimages/JpegWriter.h"

namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;

// The helpers this process started that are still there.
std::vector<pid_t> Helpers() {
  std::vector<pid_t> found;
  for (const auto& entry : fs::directory_iterator("/proc")) {
    const std::string name = entry.path().filename();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream stat(entry.path() / "stat");
    std::string text((std::istreambuf_iterator<char>(stat)), {});
    const std::size_t close = text.rfind(')');
    if (close == std::string::npos || text.size() < close + 4) continue;
    if (std::atoi(text.c_str() + close + 4) == getpid() && text[close + 2] != 'Z') found.push_back(std::stoi(name));
  }
  return found;
}

// The helpers still there once they number `count`, or after 5 s.
std::vector<pid_t> HelpersOnceThereAre(std::size_t count) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  std::vector<pid_t> helpers;
  while ((helpers = Helpers()).size() != count && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
  return helpers;
}

std::string StatusLine(pid_t pid, const std::string& key) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind(key + ":", 0) == 0) return line.substr(line.find_first_not_of(" \t", key.size() + 1));
  }
  return "";
}

class PhotoHelperLinux : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/zirbel-helper-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir = pattern;
    setenv(photohelper::kHookVariable, "crash,hang,allocate,open,socket", 1);
    const std::vector<unsigned char> grey(64 * 64 * 3, 200);
    ASSERT_TRUE(gen::WriteFile(dir + "/good.png", gen::MakePng(64, 64, grey, {})));
    // HEIF and AVIF decoders start threads of their own inside the sandbox.
    const std::string make = "heif-enc -q 50 " + dir + "/good.png -o " + dir + "/good.heic && heif-enc -A -q 50 " + dir +
                             "/good.png -o " + dir + "/good.avif >/dev/null 2>&1";
    ASSERT_EQ(std::system(make.c_str()), 0);
    for (const char* hook : {"crash", "hang", "allocate", "open", "socket", "unlisted"}) {
      const std::string text = std::string("ZIRBEL-TEST-HOOK ") + hook + "\n";
      ASSERT_TRUE(gen::WriteFile(dir + "/" + hook + ".jpg", std::vector<unsigned char>(text.begin(), text.end())));
    }
  }
  void TearDown() override { fs::remove_all(dir); }
  std::string dir;
};

TEST_F(PhotoHelperLinux, EachFaultOrKillCostsItsPhotoAndTheSandboxRefusesFilesAndSockets) {
  // The sanitizer's own report of a crash or of memory running out makes
  // calls the filter refuses: the photo is skipped all the same.
#if defined(__SANITIZE_ADDRESS__)
  const bool loose = true;
#else
  const bool loose = false;
#endif
  const std::string sandbox = "the photo decoder was stopped by its sandbox (a forbidden system call) on it";
  const std::pair<std::string, std::string> cases[] = {  // the file, the start of the reason ("" for a tile)
      {"good.png", ""}, {"good.heic", ""}, {"good.avif", ""}, {"crash.jpg", "the photo decoder crashed ("},
      {"good.png", ""}, {"open.jpg", sandbox}, {"socket.jpg", sandbox}, {"good.png", ""},
      {"hang.jpg", "takes longer than the 2.5 s a photo may take to read and decode"},
      {"allocate.jpg", "not enough memory for it (the photo decoder's bound)"}, {"unlisted.jpg", "not a photo"},
      {"missing.jpg", "cannot be opened (No such file or directory)"}, {"good.png", ""},
  };
  photohelper::ClientOptions options;
  options.decodeTime = milliseconds(1500);
  options.slack = milliseconds(500);
  auto client = std::make_unique<photohelper::PhotoHelperClient>(linuxhost::MakeHelperPlatform(), options);
  // Why the helper skipped `file`; "" for a tile.
  const auto decode = [&](const std::string& file) {
    photo::ReadBounds bounds;
    bounds.time = milliseconds(1000);
    photo::Tile tile;
    std::string error;
    const bool decoded = client->Decode(dir + "/" + file, bounds, &tile, &error);
    EXPECT_EQ(decoded, error.empty()) << file;
    return error;
  };
  for (const auto& [file, reason] : cases) {
    const std::string error = decode(file);
    EXPECT_EQ(error.empty(), reason.empty()) << file << ": " << error;
    EXPECT_TRUE((loose && (file == "crash.jpg" || file == "allocate.jpg")) || error.rfind(reason, 0) == 0) << error;
  }
  EXPECT_EQ(client->Starts(), 6) << "a fresh helper after each fault, the same one otherwise";
  std::vector<pid_t> helpers = HelpersOnceThereAre(1);  // the killed ones gone
  ASSERT_EQ(helpers.size(), 1u);
  EXPECT_EQ(StatusLine(helpers[0], "Seccomp"), "2");
  EXPECT_EQ(StatusLine(helpers[0], "NoNewPrivs"), "1");

  // Killed from outside between two photos, a helper costs none; killed
  // while it holds a photo, that photo.
  kill(helpers[0], SIGKILL);
  HelpersOnceThereAre(0);
  EXPECT_EQ(decode("good.png"), "");
  auto held = std::async(std::launch::async, [&] { return decode("hang.jpg"); });
  helpers = HelpersOnceThereAre(1);
  ASSERT_EQ(helpers.size(), 1u);
  kill(helpers[0], SIGKILL);
  EXPECT_EQ(held.get(), "the photo decoder was killed on it");
  EXPECT_EQ(decode("good.png"), "");
  EXPECT_EQ(client->Starts(), 8);
  client.reset();
  EXPECT_TRUE(HelpersOnceThereAre(0).empty()) << "killed with its client";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], photohelper::kHelperArgument) == 0) return linuxhost::RunPhotoHelper(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
