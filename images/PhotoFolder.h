#pragma once
// Finding the photos of a folder: the photo files of the folder and of
// its subfolders, in a bounded walk that never follows a link back into a
// folder it has seen and skips whatever it cannot read. The walk keeps only
// the names of one folder's photos and subfolders at a time, and the paths of
// the photos it keeps, within a bound on their count and their bytes.
#include <atomic>
#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace photo {

struct WalkLimits {
  std::size_t maxEntries = 100000;               // entries looked at in all, files and folders
  std::size_t maxPhotos = 10000;                 // photos kept
  int maxDepth = 24;                             // folders below the top folder
  std::size_t maxPathBytes = std::size_t{4} << 20;  // the kept photos' paths together
};

// A path as the system spells it (UTF-16 on Windows): a kept photo takes
// the bytes of its path and no more.
using PathString = std::filesystem::path::string_type;

struct PhotoList {
  std::vector<PathString> photos;     // sorted by path, as std::filesystem::path orders them
  std::vector<std::string> problems;  // what was skipped, and why
  bool folderUsable = false;          // the top folder could be opened
};

// A path in UTF-8; empty when it has no UTF-8 form.
std::string PathText(const std::filesystem::path& path);

// A path for a message: control characters and bytes that are not UTF-8
// written as \xNN, so that a name cannot steer the terminal.
std::string ShownPath(const std::filesystem::path& path);

// The file names taken for photos, in any case: .jpg, .jpeg, .jpe, .jfif,
// .png, .heic, .heif, .hif, .avif and .webp. What a file holds is told by its
// content, whatever its name says.
bool HasPhotoExtension(const std::filesystem::path& path);

// Walks `folder` (a UTF-8 path; a file names the folder it is in). Stops
// early when `stop` (may be null) is set.
PhotoList ListPhotos(const std::string& folder, const WalkLimits& limits, const std::atomic<bool>* stop = nullptr);

}  // namespace photo
