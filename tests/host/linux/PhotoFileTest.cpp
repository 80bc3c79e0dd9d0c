// The Linux photo reader: what is not a regular file is refused at once,
// whatever stands where a photo was found (a pipe no one writes to, a
// device); a regular file is read whole, within its bounds.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <future>
#include <string>
#include <vector>

#include "host/linux/PhotoFile.h"

namespace {

TEST(PhotoFile, RefusesWhatIsNotARegularFileWithoutWaiting) {
  char pattern[] = "/tmp/zirbel-photofile-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string root = pattern;
  ASSERT_EQ(mkfifo((root + "/pipe.jpg").c_str(), 0600), 0);
  std::FILE* file = std::fopen((root + "/ok.jpg").c_str(), "wb");
  ASSERT_NE(file, nullptr);
  std::fputs("0123456789", file);
  std::fclose(file);
  struct Case {
    std::string path;
    photo::ReadBounds bounds;
    std::string error;  // empty: read whole
  } cases[] = {
      {root + "/pipe.jpg", {}, "not a regular file (a pipe)"},
      {"/dev/zero", {}, "not a regular file (a device)"},
      {root + "/none.jpg", {}, "cannot be opened (No such file or directory)"},
      {root + "/ok.jpg", {9, std::chrono::seconds(10), nullptr}, "file too large (10 bytes)"},
      {root + "/ok.jpg", {100, std::chrono::milliseconds(0), nullptr}, "took longer than 0 s to read"},
      {root + "/ok.jpg", {}, ""},
  };
  for (const Case& c : cases) {
    std::vector<unsigned char> bytes;
    std::string error;
    auto read = std::async(std::launch::async, [&] { return linuxhost::ReadPhotoWithoutWaiting(c.path, c.bounds, &bytes, &error); });
    if (read.wait_for(std::chrono::seconds(2)) != std::future_status::ready) {
      const int writer = open(c.path.c_str(), O_WRONLY | O_NONBLOCK);  // lets a blocked open of the pipe return
      read.wait();
      if (writer >= 0) close(writer);
      ADD_FAILURE() << c.path << ": the read waited";
      continue;
    }
    EXPECT_EQ(read.get(), c.error.empty()) << c.path;
    EXPECT_EQ(error, c.error) << c.path;
    if (c.error.empty()) {
      EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "0123456789");
    }
  }
  std::filesystem::remove_all(root);
}

}  // namespace
