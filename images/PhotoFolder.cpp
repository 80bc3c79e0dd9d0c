#include "images/PhotoFolder.h"

#include <algorithm>
#include <set>
#include <system_error>
#include <utility>

namespace fs = std::filesystem;

namespace photo {

namespace {

std::string Text(const fs::path& path) { return PathText(path); }

class Walk {
 public:
  Walk(const WalkLimits& limits, const std::atomic<bool>* stop, PhotoList* list)
      : limits_(limits), stop_(stop), list_(list) {}

  void Folder(const fs::path& folder, int depth) {
    std::error_code error;
    const fs::path real = fs::canonical(folder, error);
    if (error) return Problem(folder, error.message());
    if (!seen_.insert(real).second) return;  // a link into a folder already walked
    // Where links are not resolved by canonical (Windows), a loop still
    // shows as a folder that is one of its own ancestors.
    for (const fs::path& ancestor : ancestors_) {
      std::error_code same;
      if (fs::equivalent(folder, ancestor, same)) return;
    }
    fs::directory_iterator entries(folder, fs::directory_options::skip_permission_denied, error);
    if (error) return Problem(folder, error.message());
    if (depth == 0) list_->folderUsable = true;
    // The folder's entries in name order, so the limits keep the same ones.
    std::vector<fs::directory_entry> found;
    for (const fs::directory_iterator end; entries != end; entries.increment(error)) {
      if (error || Done()) break;
      if (++entriesSeen_ > limits_.maxEntries) {
        full_ = true;
        Note("stopped after " + std::to_string(limits_.maxEntries) + " entries");
        break;
      }
      found.push_back(*entries);
    }
    std::sort(found.begin(), found.end());
    std::vector<fs::path> subfolders;
    for (const fs::directory_entry& entry : found) {
      const fs::path& path = entry.path();
      std::error_code kindError;
      const fs::file_status status = entry.status(kindError);  // through links
      if (kindError) {
        Problem(path, kindError.message());
      } else if (fs::is_directory(status)) {
        subfolders.push_back(path);
      } else if (fs::is_regular_file(status) && HasPhotoExtension(path)) {
        if (list_->photos.size() >= limits_.maxPhotos) {
          full_ = true;
          Note("kept the first " + std::to_string(limits_.maxPhotos) + " photos");
          break;
        }
        list_->photos.push_back(path);
      }
    }
    if (error) Problem(folder, error.message());
    if (depth >= limits_.maxDepth) {
      if (!subfolders.empty()) Problem(folder, "subfolders deeper than " + std::to_string(limits_.maxDepth));
      return;
    }
    ancestors_.push_back(folder);
    for (const fs::path& subfolder : subfolders) {
      if (Done()) break;
      Folder(subfolder, depth + 1);
    }
    ancestors_.pop_back();
  }

 private:
  bool Done() const { return full_ || (stop_ != nullptr && stop_->load(std::memory_order_relaxed)); }
  void Problem(const fs::path& path, const std::string& why) { Note(Text(path) + ": " + why); }
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
  std::set<fs::path> seen_;
  std::vector<fs::path> ancestors_;
  std::size_t entriesSeen_ = 0;
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

bool HasPhotoExtension(const fs::path& path) {
  std::string extension = Text(path.extension());
  for (char& c : extension) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return extension == ".jpg" || extension == ".jpeg" || extension == ".jpe" || extension == ".png";
}

PhotoList ListPhotos(const std::string& folder, const WalkLimits& limits, const std::atomic<bool>* stop) {
  PhotoList list;
  if (folder.empty()) return list;
  fs::path top = fs::u8path(folder);
  std::error_code error;
  if (fs::is_regular_file(top, error)) top = top.parent_path();
  Walk(limits, stop, &list).Folder(top, 0);
  std::sort(list.photos.begin(), list.photos.end());
  return list;
}

}  // namespace photo
