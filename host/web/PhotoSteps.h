#pragma once
// The photos of a folder made into atlases in small steps on the thread that
// draws, for a host that has no worker thread (the web page): each step walks
// the folder or decodes one photo, between two frames. The walk, the decoding
// and the atlas are the worker's own (images/), and so are the turns: with
// more photos than tiles, the next ones make the next atlas after a while.
#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

#include "images/PhotoFolder.h"
#include "images/PhotoTiles.h"

class PhotoSteps {
 public:
  // `messages` (may be null) gets what is skipped, the first few; `refreshMs`
  // passes between two atlases.
  PhotoSteps(std::string folder, std::FILE* messages, double refreshMs);
  // One step at `nowMs` (a monotonic clock). True when an atlas is finished:
  // it is moved into `atlas` (kAtlasWidth x kAtlasHeight RGBA).
  bool Step(double nowMs, std::vector<unsigned char>* atlas);
  // Nothing is left to do: the only atlas was handed over, or there is none.
  bool Done() const { return done_; }
  // Nothing to do before `nowMs` has reached the next atlas's time.
  bool Waiting(double nowMs) const { return nowMs < nextAtlasMs_; }

 private:
  void Report(const std::string& text);

  std::string folder_;
  std::FILE* messages_;
  double refreshMs_;
  double nextAtlasMs_ = 0.0;
  bool listed_ = false;
  bool shown_ = false;
  std::size_t tried_ = 0;  // photos tried for the atlas being made
  bool done_ = false;
  photo::PhotoList list_;
  std::size_t next_ = 0;
  std::size_t reported_ = 0;
  std::vector<photo::Tile> tiles_;
};
