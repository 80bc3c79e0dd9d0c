// The Linux photo reader: what is not a regular file is refused at once,
// whatever stands where a photo was found (a pipe no one writes to, a
// device); a regular file is read whole, within its bounds.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <tuple>
#include <vector>

#include "host/linux/PhotoFile.h"

namespace {

TEST(PhotoFile, RefusesWhatIsNotARegularFileWithoutWaiting) {
  char pattern[] = "/tmp/zirbel-photofile-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string root = pattern;
  ASSERT_EQ(mkfifo((root + "/pipe.jpg").c_str(), 0600), 0);
  ASSERT_TRUE(std::ofstream(root + "/ok.jpg") << "0123456789");
  const std::tuple<std::string, photo::ReadBounds, std::string> cases[] = {  // the path, bounds, error ("": read whole)
      {root + "/pipe.jpg", {}, "not a regular file (a pipe)"},
      {"/dev/zero", {}, "not a regular file (a device)"},
      {root + "/none.jpg", {}, "cannot be opened (No such file or directory)"},
      {root + "/ok.jpg", {9, std::chrono::seconds(10), nullptr}, "file too large (10 bytes)"},
      {root + "/ok.jpg", {100, std::chrono::milliseconds(0), nullptr}, "took longer than 0 s to read"},
      {root + "/ok.jpg", {}, ""},
  };
  for (const auto& [path, bounds, reason] : cases) {
    std::vector<unsigned char> bytes;
    std::string error;
    auto read = std::async(std::launch::async, [&, file = path, limits = bounds] {
      return linuxhost::ReadPhotoWithoutWaiting(file, limits, &bytes, &error);
    });
    if (read.wait_for(std::chrono::seconds(2)) != std::future_status::ready) {
      const int writer = open(path.c_str(), O_WRONLY | O_NONBLOCK);  // lets a blocked open of the pipe return
      read.wait();
      if (writer >= 0) close(writer);
      ADD_FAILURE() << path << ": the read waited";
      continue;
    }
    EXPECT_EQ(read.get(), reason.empty()) << path;
    EXPECT_EQ(error, reason) << path;
    EXPECT_TRUE(!reason.empty() || std::string(bytes.begin(), bytes.end()) == "0123456789") << path;
  }
  std::filesystem::remove_all(root);
}

}  // namespace
