#pragma once
// Streams for the loader tests: the embedded ones and small ones made here,
// served through a replaceable resource finder.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// The embedded stream `name`, copied (empty when there is none).
std::vector<unsigned char> EmbeddedBytes(const char* name);

// A baseline JPEG of `components` (1 or 3) channels whose sample at (x, y),
// channel c, is `(x * 3 + y * 5 + c * 40) & 0xff` before compression.
std::vector<unsigned char> MakeJpeg(int width, int height, int components, int quality = 95);

// Serves the streams put into it, by name, and nothing else, while it is
// installed; the embedded streams are used when a test puts them in.
class FakeResources : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  static void Put(const std::string& name, std::vector<unsigned char> bytes);

 private:
  static bool Find(const char* name, const unsigned char** data, std::uint32_t* size);
  static std::map<std::string, std::vector<unsigned char>>& Table();
};
