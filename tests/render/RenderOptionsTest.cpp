// The offscreen renderer's command line and its PNG output; no GL needed.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "tools/render/PngWriter.h"
#include "tools/render/RenderOptions.h"

TEST(RenderOptions, DefaultsAllOptionsAndFramePaths) {
  RenderOptions o, p;
  std::string error, path;
  ASSERT_TRUE(ParseRenderOptions({}, &o, &error));
  EXPECT_TRUE(o.width == 1920 && o.height == 1080 && o.frames == 1 && o.mirrors);
  ASSERT_TRUE(ParseRenderOptions({"--size", "960x540", "--seed", "7", "--seconds", "20", "--levels", "10", "--mirrors",
                                  "off", "--every", "24", "--output", "out/f-%04d.png"},
                                 &o, &error))
      << error;
  // Frames 0 .. 480, the last at 20 s.
  EXPECT_TRUE(o.width == 960 && o.height == 540 && o.seed == 7u && o.frames == 481 && o.levels == 10 && !o.mirrors &&
              o.every == 24);
  ASSERT_TRUE(
      ParseRenderOptions({"--frames", "5", "--no-mirrors", "--monitors", "640x480+0+10,*800x600+640+0"}, &p, &error));
  EXPECT_TRUE(p.frames == 5 && !p.mirrors && p.width == 1440 && p.height == 600 && p.monitors.size() == 2 &&
              !p.monitors[0].primary && p.monitors[1].primary && p.monitors[0].rect.y == 10);
  const std::pair<std::string, std::string> rows[] = {
      {"f-%04d.png", "f-0042.png"}, {"100%%-%d.png", "100%-42.png"}, {"plain.png", "plain.png"}};
  for (const auto& [pattern, want] : rows) {
    ASSERT_TRUE(FormatFramePath(pattern, 42, &path, &error)) << pattern;
    EXPECT_EQ(path, want);
  }
  EXPECT_TRUE(PatternHasFrameNumber("a%3d"));
  EXPECT_FALSE(PatternHasFrameNumber("a%%d"));
}

TEST(RenderOptions, BadOptionsAreRefusedWithTheirName) {
  const std::vector<std::vector<std::string>> bad = {
      {"--size", "1920"},        {"--size", "0x10"},        {"--size", "10x-4"},   {"--size", "99999x10"},
      {"--levels", "0"},         {"--levels", "11"},        {"--levels", "3.5"},   {"--seed", "-1"},
      {"--seconds", "-2"},       {"--seconds", "nan"},      {"--seconds", "1e9"},  {"--frames", "0"},
      {"--mirrors", "maybe"},    {"--frobnicate", "1"},     {"stray"},             {"--levels"},
      {"--frames", "3", "--seconds", "1"},                  {"--every", "2", "--output", "one.png"},
      {"--monitors", "9x9+0"},    {"--monitors", "9x9+0+0,"}, {"--monitors", "9x9+0+-1"},
      {"--size", "9x9", "--monitors", "9x9+0+0"},           {"--output", "a-%s.png"},  {"--output", "%d-%d.png"}, {"--output", "%123d"}, {"--output", "x%"},
  };
  for (const auto& args : bad) {
    RenderOptions o;
    std::string error;
    EXPECT_FALSE(ParseRenderOptions(args, &o, &error)) << args[0];
    EXPECT_FALSE(error.empty()) << args[0];
    EXPECT_TRUE(args[0] == "--output" || error.find(args[0]) != std::string::npos) << error;
  }
}

TEST(PngWriter, WritesTopRowFirstAndReplacesAtomically) {
  const RgbImage image{3, 2, {255, 0, 0, 0, 0, 0, 0, 0, 0,    // bottom row: red first
                              0, 0, 255, 0, 0, 0, 0, 0, 0}};  // top row: blue first
  const std::string path = ::testing::TempDir() + "zirbel-writer-test.png";
  std::string error;
  ASSERT_TRUE(WritePng(image, path, &error)) << error;
  png_image read{};
  read.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_file(&read, path.c_str()));
  read.format = PNG_FORMAT_RGB;
  std::vector<unsigned char> rows(PNG_IMAGE_SIZE(read));
  ASSERT_TRUE(png_image_finish_read(&read, nullptr, rows.data(), 0, nullptr));
  EXPECT_TRUE(read.width == 3u && read.height == 2u);
  EXPECT_TRUE(rows[2] == 255 && rows[9] == 255) << "the top row, blue, first; then red";
  EXPECT_EQ(std::fopen((path + ".tmp").c_str(), "rb"), nullptr);
  std::remove(path.c_str());

  EXPECT_FALSE(WritePng(image, ::testing::TempDir() + "no/such/dir/x.png", &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(WritePng(RgbImage{}, path, &error));
}
