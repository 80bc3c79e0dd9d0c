#pragma once
// Decodes the embedded JPEG streams into textures.
#include <cstdint>

#include "images/ImageTexture.h"

// Colour stream plus grey mask stream of the same size -> one RGBA texture.
bool LoadWithMask(ImageTexture& texture, const char* colourName, const char* maskName);
// One stream, samples taken over unchanged (grey: 8 bits, colour: 24 bits).
bool LoadImage(ImageTexture& texture, const char* name);

// The same two loads without the upload: on success `texture.pixels` holds the
// decoded image (free it with FreeImagePixels). Used by tests and tools that
// have no GL context.
bool DecodeWithMask(ImageTexture& texture, const char* colourName, const char* maskName);
bool DecodeImage(ImageTexture& texture, const char* name);
void FreeImagePixels(ImageTexture& texture);

// Where resources are looked up. The default is the platform's lookup, which
// the entry installs (images/ itself knows no platform); until then no image
// is found. Tests and tools replace it to feed their own bytes; null
// restores the default.
using ImageResourceFinder = bool (*)(const char* name, const unsigned char** data, std::uint32_t* size);
void SetDefaultImageResourceFinder(ImageResourceFinder finder);
void SetImageResourceFinder(ImageResourceFinder finder);
