#pragma once
// Streams served to the image loader by name, each in a heap block of exactly
// its size, so that the address sanitizer sees our own code read past one.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

inline std::map<std::string, std::vector<unsigned char>> gStreams;

inline bool FindStream(const char* name, const unsigned char** data, std::uint32_t* size) {
  const auto found = gStreams.find(name);
  if (found == gStreams.end()) return false;
  *data = found->second.data();
  *size = static_cast<std::uint32_t>(found->second.size());
  return true;
}
