#pragma once
// Reading a photo file on Linux without ever being held up by what is not a
// regular file: opened without waiting (a pipe, a device, a file another
// program holds a lease on), then checked to be a regular file.
#include <filesystem>
#include <string>
#include <vector>

#include "images/PhotoAtlasSource.h"

namespace linuxhost {

// A photo::PhotoReader; the Linux entry hands it to the saver's photo worker.
bool ReadPhotoWithoutWaiting(const std::filesystem::path& path, const photo::ReadBounds& bounds,
                   std::vector<unsigned char>* bytes, std::string* error);

}  // namespace linuxhost
