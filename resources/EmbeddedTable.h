#pragma once
// The table written at build time from the image files (EmbedImages.cmake).
#include <cstdint>

struct EmbeddedResource {
  const char* name;
  const unsigned char* data;
  std::uint32_t size;
};

extern const EmbeddedResource embeddedResources[];
extern const unsigned embeddedResourceCount;
