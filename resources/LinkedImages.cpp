// Linking this object makes the image table linked into the program the
// picture's image resources, for programs without the saver's entry (the
// offscreen renderer, tests, benchmarks). The saver's entry installs the
// platform's own lookup instead.
#include "images/ResourceImageLoader.h"
#include "resources/EmbeddedResources.h"

namespace {

const bool installed = [] {
  SetDefaultImageResourceFinder(&FindEmbeddedResource);
  return true;
}();

}  // namespace
