#include "TestStreams.h"

#include "images/ResourceImageLoader.h"
#include "resources/EmbeddedResources.h"
#include "tools/genimages/JpegWriter.h"

std::vector<unsigned char> EmbeddedBytes(const char* name) {
  const unsigned char* data = nullptr;
  std::uint32_t size = 0;
  if (!FindEmbeddedResource(name, &data, &size)) {
    return {};
  }
  return std::vector<unsigned char>(data, data + size);
}

std::vector<unsigned char> MakeJpeg(int width, int height, int components, int quality) {
  std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * height * components);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      for (int c = 0; c < components; ++c) {
        pixels[(static_cast<std::size_t>(y) * width + x) * components + c] =
            static_cast<unsigned char>((x * 3 + y * 5 + c * 40) & 0xff);
      }
    }
  }
  gen::JpegOptions options;
  options.quality = quality;
  return gen::CompressJpeg(pixels.data(), width, height, components, options);
}

void FakeResources::SetUp() {
  Table().clear();
  SetImageResourceFinder(&FakeResources::Find);
}

void FakeResources::TearDown() {
  SetImageResourceFinder(nullptr);
  Table().clear();
}

void FakeResources::Put(const std::string& name, std::vector<unsigned char> bytes) {
  Table()[name] = std::move(bytes);
}

bool FakeResources::Find(const char* name, const unsigned char** data, std::uint32_t* size) {
  const auto found = Table().find(name);
  if (found == Table().end()) {
    return false;
  }
  // Each stream lives in its own exactly-sized heap block, so a read past its
  // end shows under AddressSanitizer.
  *data = found->second.data();
  *size = static_cast<std::uint32_t>(found->second.size());
  return true;
}

std::map<std::string, std::vector<unsigned char>>& FakeResources::Table() {
  static std::map<std::string, std::vector<unsigned char>> table;
  return table;
}
