#pragma once
// Finding the photos of a folder: the JPEG and PNG files of the folder and of
// its subfolders, in a bounded walk that never follows a link back into a
// folder it has seen and skips whatever it cannot read.
#include <atomic>
#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace photo {

struct WalkLimits {
  std::size_t maxEntries = 100000;  // entries looked at in all, files and folders
  std::size_t maxPhotos = 10000;    // photos kept
  int maxDepth = 24;                // folders below the top folder
};

struct PhotoList {
  std::vector<std::filesystem::path> photos;  // sorted by path
  std::vector<std::string> problems;          // what was skipped, and why
  bool folderUsable = false;                  // the top folder could be opened
};

// A path in UTF-8; empty when it has no UTF-8 form.
std::string PathText(const std::filesystem::path& path);

// The file names taken for photos: .jpg, .jpeg, .jpe and .png in any case.
bool HasPhotoExtension(const std::filesystem::path& path);

// Walks `folder` (a UTF-8 path; a photo names its folder). Stops early when
// `stop` (may be null) is set.
PhotoList ListPhotos(const std::string& folder, const WalkLimits& limits, const std::atomic<bool>* stop = nullptr);

}  // namespace photo
