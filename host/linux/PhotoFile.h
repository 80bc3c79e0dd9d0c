#pragma once
// Reading a photo file on Linux without ever being held up by what is not a
// regular file: opened without waiting (a pipe, a device, a file another
// program holds a lease on), then checked to be a regular file.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "images/PhotoAtlasSource.h"

namespace linuxhost {

// Opens a photo file without waiting and checks that it is a regular file:
// its descriptor (close-on-exec) and size, or -1 with a reason a user
// understands.
int OpenPhotoFile(const std::filesystem::path& path, std::uintmax_t* size, std::string* error);

// Reads at most `count` bytes: how many (0 at the end), or -1 with the reason.
long long ReadPiece(int fd, unsigned char* to, std::size_t count, std::string* error);

// A photo::PhotoReader (the in-process reader: tools and benchmarks).
bool ReadPhotoWithoutWaiting(const std::filesystem::path& path, const photo::ReadBounds& bounds,
                   std::vector<unsigned char>* bytes, std::string* error);

}  // namespace linuxhost
