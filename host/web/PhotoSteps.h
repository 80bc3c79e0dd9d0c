#pragma once
// The photos of a folder made into an atlas in small steps on the thread that
// draws, for a host that has no worker thread (the web page): each step walks
// the folder or decodes one photo, between two frames. The walk, the decoding
// and the atlas are the worker's own (images/); with more photos than tiles
// the first ones that decode fill the atlas.
#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

#include "images/PhotoFolder.h"
#include "images/PhotoTiles.h"

class PhotoSteps {
 public:
  // `messages` (may be null) gets what is skipped, the first few.
  PhotoSteps(std::string folder, std::FILE* messages);
  // One step. True when the atlas is finished: it is moved into `atlas`
  // (kAtlasWidth x kAtlasHeight RGBA) and no step is left.
  bool Step(std::vector<unsigned char>* atlas);
  // Nothing is left to do: the atlas was handed over, or there is none.
  bool Done() const { return done_; }

 private:
  void Report(const std::string& text);

  std::string folder_;
  std::FILE* messages_;
  bool listed_ = false;
  bool done_ = false;
  photo::PhotoList list_;
  std::size_t next_ = 0;
  std::size_t reported_ = 0;
  std::vector<photo::Tile> tiles_;
};
