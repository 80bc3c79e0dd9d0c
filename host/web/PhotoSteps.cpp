#include "host/web/PhotoSteps.h"

#include <utility>

PhotoSteps::PhotoSteps(std::string folder, std::FILE* messages, double refreshMs)
    : maker_(std::move(folder), Options(messages)), refreshMs_(refreshMs) {}

photo::AtlasSourceOptions PhotoSteps::Options(std::FILE* messages) {
  photo::AtlasSourceOptions options;
  options.messages = messages;
  return options;
}

bool PhotoSteps::Step(double nowMs, std::vector<unsigned char>* atlas) {
  if (maker_.Finished() || Waiting(nowMs)) return false;
  if (maker_.Next(atlas) != photo::AtlasMaker::Step::Atlas) return false;
  nextAtlasMs_ = nowMs + refreshMs_;
  return true;
}
