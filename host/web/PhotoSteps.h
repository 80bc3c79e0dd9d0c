#pragma once
// The photos of a folder made into atlases in small steps, for a host whose
// threads cannot share the program's memory (the web page's Web Worker): each
// step walks the folder or decodes one photo, and the host hears its messages
// between two steps. The walk, the decoding and the atlas are the photo
// worker's own (images/), and so are the turns: with more photos than tiles,
// the next ones make the next atlas after a while.
#include <cstdio>
#include <string>
#include <vector>

#include "images/PhotoAtlasSource.h"

class PhotoSteps {
 public:
  // `messages` (may be null) gets what is skipped, the first few; `refreshMs`
  // passes between two atlases.
  PhotoSteps(std::string folder, std::FILE* messages, double refreshMs);
  // One step at `nowMs` (a monotonic clock). True when an atlas is finished:
  // it is moved into `atlas` (kAtlasWidth x kAtlasHeight RGBA).
  bool Step(double nowMs, std::vector<unsigned char>* atlas);
  // Nothing is left to do: the only atlas was handed over, or there is none.
  bool Done() const { return maker_.Finished(); }
  // Nothing to do before `nowMs` has reached the next atlas's time.
  bool Waiting(double nowMs) const { return nowMs < nextAtlasMs_; }
  double NextAtlasMs() const { return nextAtlasMs_; }

 private:
  static photo::AtlasSourceOptions Options(std::FILE* messages);

  photo::AtlasMaker maker_;
  double refreshMs_;
  double nextAtlasMs_ = 0.0;
};
