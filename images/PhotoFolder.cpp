#include "images/PhotoFolder.h"

#include <algorithm>
#include <cstdint>
#include <type_traits>
#include <system_error>
#include <unordered_set>
#include <utility>

namespace fs = std::filesystem;

namespace photo {

namespace {

// std::filesystem::path's order (name by name) without making paths: a
// separator sorts before every other character.
bool PathLess(const PathString& a, const PathString& b) {
  auto rank = [](PathString::value_type c) -> long {
    return c == '/' || c == fs::path::preferred_separator ? -1 : static_cast<long>(c);
  };
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [&](auto x, auto y) { return rank(x) < rank(y); });
}

const char* KindText(fs::file_type type) {
  switch (type) {
    case fs::file_type::fifo:
      return "a pipe";
    case fs::file_type::socket:
      return "a socket";
    case fs::file_type::character:
    case fs::file_type::block:
      return "a device";
    default:
      return "not a file or folder";
  }
}

class Walk {
 public:
  Walk(const WalkLimits& limits, const std::atomic<bool>* stop, PhotoList* list)
      : limits_(limits), stop_(stop), list_(list) {}

  void Folder(const fs::path& folder, int depth) {
    std::error_code error;
    const fs::path real = fs::canonical(folder, error);
    if (error) return Unreadable(folder, error);
    // A link into a folder already walked. Folders are told apart by a
    // 64-bit hash of their real path (on 32-bit systems too), so that deep
    // folders of long names cost little.
    if (!seen_.insert(PathHash(real.native())).second) return;
    // Where links are not resolved by canonical (Windows), a loop still
    // shows as a folder that is one of its own ancestors.
    for (const fs::path& ancestor : ancestors_) {
      std::error_code same;
      if (fs::equivalent(folder, ancestor, same)) return;
    }
    fs::directory_iterator entries(folder, error);
    if (error) return Unreadable(folder, error);
    if (depth == 0) list_->folderUsable = true;
    // The names that may be photos or folders, in name order, so that the
    // limits keep the same ones. Other files are not kept at all.
    std::vector<PathString> names;
    for (const fs::directory_iterator end; entries != end; entries.increment(error)) {
      if (error || Done()) break;
      if (++entriesSeen_ > limits_.maxEntries) {
        full_ = true;
        Note("stopped after " + std::to_string(limits_.maxEntries) + " entries");
        break;
      }
      std::error_code typeError;
      const fs::file_type type = entries->symlink_status(typeError).type();  // known from the listing
      const fs::path name = entries->path().filename();
      if (typeError || type != fs::file_type::regular || HasPhotoExtension(name)) names.push_back(name.native());
    }
    if (error) Unreadable(folder, error);
    std::sort(names.begin(), names.end(), PathLess);
    std::vector<PathString> subfolders;
    for (PathString& name : names) {
      const fs::path path = folder / name;
      std::error_code kindError;
      const fs::file_status status = fs::status(path, kindError);  // through links
      if (kindError) {
        Note(ShownPath(path) + ": skipped, " + kindError.message());
      } else if (fs::is_directory(status)) {
        subfolders.push_back(std::move(name));
      } else if (!HasPhotoExtension(path)) {
        continue;
      } else if (fs::is_regular_file(status)) {
        if (!Keep(path.native())) break;
      } else {
        Note(ShownPath(path) + ": skipped, not a regular file (" + KindText(status.type()) + ")");
      }
    }
    names = std::vector<PathString>();
    if (depth >= limits_.maxDepth) {
      if (!subfolders.empty()) Problem(folder, "subfolders deeper than " + std::to_string(limits_.maxDepth));
      return;
    }
    ancestors_.push_back(folder);
    for (const PathString& subfolder : subfolders) {
      if (Done()) break;
      Folder(folder / subfolder, depth + 1);
    }
    ancestors_.pop_back();
  }

 private:
  bool Keep(const PathString& path) {
    const std::size_t bytes = path.size() * sizeof(PathString::value_type);
    if (list_->photos.size() >= limits_.maxPhotos || pathBytes_ + bytes > limits_.maxPathBytes) {
      full_ = true;
      Note("kept the first " + std::to_string(list_->photos.size()) + " photos");
      return false;
    }
    pathBytes_ += bytes;
    list_->photos.push_back(path);
    return true;
  }
  bool Done() const { return full_ || (stop_ != nullptr && stop_->load(std::memory_order_relaxed)); }
  void Unreadable(const fs::path& folder, const std::error_code& error) {
    Problem(folder, "cannot be read (" + error.message() + ")");
  }
  void Problem(const fs::path& path, const std::string& why) { Note(ShownPath(path) + ": " + why); }
  // A folder of many unreadable entries keeps only the first few.
  void Note(const std::string& text) {
    if (list_->problems.size() < kMaxProblems) {
      list_->problems.push_back(text);
    } else if (list_->problems.size() == kMaxProblems) {
      list_->problems.push_back("more problems left unlisted");
    }
  }
  static constexpr std::size_t kMaxProblems = 20;

  const WalkLimits& limits_;
  const std::atomic<bool>* stop_;
  PhotoList* list_;
  // FNV-1a over the path's code units.
  static std::uint64_t PathHash(const PathString& path) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const auto unit : path) {
      hash ^= static_cast<std::uint64_t>(static_cast<std::make_unsigned_t<PathString::value_type>>(unit));
      hash *= 1099511628211ull;
    }
    return hash;
  }

  std::unordered_set<std::uint64_t> seen_;
  std::vector<fs::path> ancestors_;
  std::size_t entriesSeen_ = 0;
  std::size_t pathBytes_ = 0;
  bool full_ = false;
};

}  // namespace

// A name that is not valid in its encoding (an unpaired UTF-16 half on
// Windows) has no UTF-8 form: it reads as empty, so it is never a photo.
std::string PathText(const fs::path& path) {
  try {
    return path.u8string();
  } catch (...) {
    return std::string();
  }
}

std::string ShownPath(const fs::path& path) {
  const std::string text = PathText(path);
  if (text.empty() && !path.empty()) return "(a name that is not Unicode)";
  std::string shown;
  auto escape = [&shown](unsigned char c) {
    const char* digits = "0123456789abcdef";
    shown += "\\x";
    shown += digits[c >> 4];
    shown += digits[c & 15];
  };
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    // The length of a well-formed UTF-8 sequence starting here; 0 if none.
    std::size_t length = c < 0x80 ? 1 : c >= 0xc2 && c < 0xe0 ? 2 : c >= 0xe0 && c < 0xf0 ? 3 : c >= 0xf0 && c < 0xf5 ? 4 : 0;
    for (std::size_t k = 1; k < length; ++k) {
      const unsigned char next = i + k < text.size() ? static_cast<unsigned char>(text[i + k]) : 0;
      const bool overlong = k == 1 && ((c == 0xe0 && next < 0xa0) || (c == 0xf0 && next < 0x90));
      const bool beyond = k == 1 && ((c == 0xed && next >= 0xa0) || (c == 0xf4 && next >= 0x90));
      if ((next & 0xc0) != 0x80 || overlong || beyond) length = 0;
    }
    const bool control = c < 0x20 || c == 0x7f || (c == 0xc2 && length == 2 && static_cast<unsigned char>(text[i + 1]) < 0xa0);
    if (length == 0 || control) {
      for (std::size_t k = 0; k < std::max<std::size_t>(length, 1); ++k) escape(static_cast<unsigned char>(text[i + k]));
      i += std::max<std::size_t>(length, 1);
    } else {
      shown.append(text, i, length);
      i += length;
    }
  }
  return shown;
}

bool HasPhotoExtension(const fs::path& path) {
  std::string extension = PathText(path.extension());
  for (char& c : extension) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  static const char* const kExtensions[] = {".jpg", ".jpeg", ".jpe", ".jfif", ".png", ".heic",
                                            ".heif", ".hif", ".avif", ".webp"};
  for (const char* known : kExtensions) {
    if (extension == known) return true;
  }
  return false;
}

PhotoList ListPhotos(const std::string& folder, const WalkLimits& limits, const std::atomic<bool>* stop) {
  PhotoList list;
  if (folder.empty()) return list;
  fs::path top = fs::u8path(folder);
  std::error_code error;
  const fs::file_status status = fs::status(top, error);
  if (fs::is_regular_file(status)) {
    // A photo names the folder it is in.
    const fs::path file = top;
    top = top.has_parent_path() ? top.parent_path() : fs::path(".");
    list.problems.push_back(ShownPath(file) + " is a file: showing the photos of its folder " + ShownPath(top));
  } else if (!error && !fs::is_directory(status)) {
    list.problems.push_back(ShownPath(top) + ": not a folder (" + KindText(status.type()) + ")");
    return list;
  }
  Walk(limits, stop, &list).Folder(top, 0);
  std::sort(list.photos.begin(), list.photos.end(), PathLess);
  return list;
}

}  // namespace photo
