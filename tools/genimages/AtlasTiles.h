#pragma once
// The photo atlas: 78 painted tiles on a 13 x 6 grid of 78-pixel cells.
#include <vector>

namespace gen {

constexpr int kAtlasWidth = 1024;
constexpr int kAtlasHeight = 512;
constexpr int kCell = 78;
constexpr int kColumns = 13;
constexpr int kRows = 6;

// RGB bytes, kAtlasWidth x kAtlasHeight, top row first; black outside the cells.
std::vector<unsigned char> PaintAtlas();

// Grey opacity of the same size: an anti-aliased disc filling each cell.
std::vector<unsigned char> PaintAtlasMask();

}  // namespace gen
