#pragma once
#include <string>

#include "tools/render/RgbImage.h"

// Writes `image` (rows bottom-up) as an 8-bit RGB PNG, top row first. The file
// is written under a temporary name and renamed into place, so a failed write
// never leaves a broken picture behind. False with a message on failure.
bool WritePng(const RgbImage& image, const std::string& path, std::string* error);
