#pragma once
// Photos as disc tiles: the centre square of a photo, turned upright, scaled
// to one tile and masked into a disc like the embedded atlas's tiles; and the
// atlas the tiles are packed into, with the embedded atlas's size and layout,
// so that every disc's tile coordinates stay what they are.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace photo {

constexpr int kTilePixels = 78;
constexpr int kTilesPerRow = 13;
constexpr int kTileCount = 78;  // 13 x 6
constexpr int kAtlasWidth = 1024;
constexpr int kAtlasHeight = 512;

// One tile: kTilePixels x kTilePixels RGBA pixels, top row first.
using Tile = std::vector<unsigned char>;

// Opacity of tile pixel (x, y), 0..255: a disc filling the cell with an edge
// one pixel wide. The embedded atlas's mask is painted with the same.
unsigned char TileOpacity(int x, int y);

// Collects the rows of a decoded RGB or RGBA image, top row first, into a
// tile: the centre square of the image, each tile pixel the mean of the image
// pixels it covers (an image smaller than a tile is enlarged). The colour is
// weighted by alpha, so hidden colours of transparent pixels never show,
// even at the edge of a transparent part; a tile pixel covering only
// transparent pixels is transparent black.
class TileCutter {
 public:
  // `channels`: 3 (RGB, opaque) or 4 (RGBA).
  TileCutter(int width, int height, int channels = 3);
  // Row `y` of the image, width x channels bytes; rows outside the square are ignored.
  void AddRow(int y, const unsigned char* pixels);
  // The tile turned upright for the Exif orientation (1 to 8; any other value
  // counts as 1, upright), with the image's alpha times the disc's opacity.
  Tile Finish(int orientation) const;

 private:
  int channels_ = 3;
  int left_ = 0;
  int top_ = 0;
  int side_ = 1;
  // Per square column (and row): the first tile column covered and one past the last.
  std::vector<std::uint16_t> first_, last_;
  std::vector<std::uint64_t> sums_;    // kTilePixels^2 x 4: colour times alpha, and alpha
  std::vector<std::uint32_t> counts_;  // kTilePixels^2
};

// The orientation an Exif block gives (tag 0x0112 of its first directory):
// `data` starts at the TIFF header ("II*\0" or "MM\0*"). 1 (upright) when the
// block is malformed, cut short or has no such tag.
int ExifOrientation(const unsigned char* data, std::size_t size);

// The atlas, kAtlasWidth x kAtlasHeight RGBA: tile t in column t mod 13 and
// row t div 13 of 78-pixel cells from the top-left corner. With fewer than 78
// tiles they repeat in order; outside the cells it is transparent black.
// Empty when there is no tile.
std::vector<unsigned char> PackAtlas(const std::vector<Tile>& tiles);

}  // namespace photo
