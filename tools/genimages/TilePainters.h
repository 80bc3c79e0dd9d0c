#pragma once
// The painters of the atlas's tiles, one kind of picture each. A painter
// paints one tile; x and y run from -1 to 1 across the cell, y downwards.
// Each takes its parameters from `rng` and a hue or a variant.
#include <cmath>
#include <functional>

#include "Paint.h"

namespace gen {

using Painter = std::function<Rgb(float x, float y)>;

inline float Length(float x, float y) { return std::sqrt(x * x + y * y); }

// FlowerTiles.cpp
Painter MakeFlower(Rng& rng, float hue);
Painter MakeDahlia(Rng& rng, float hue);
Painter MakeFeather(Rng& rng, float hueShift);
Painter MakeCitrus(Rng& rng, int kind);
Painter MakeKiwi(Rng& rng);

// StoneTiles.cpp
Painter MakeGem(Rng& rng, float hue);
Painter MakeMarble(Rng& rng, int style);
Painter MakeAgate(Rng& rng, int palette);
Painter MakeGlass(Rng& rng, float hue);
Painter MakeSwirl(Rng& rng, float hue);

// SkyTiles.cpp
Painter MakePlanet(Rng& rng, int kind);
Painter MakeSunset(Rng& rng, int style);
Painter MakeNebula(Rng& rng, float hue);
Painter MakeBokeh(Rng& rng, float hue);

}  // namespace gen
