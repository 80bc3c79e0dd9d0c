#pragma once
// Decodes the embedded JPEG streams into textures.
#include <cstdint>

#include "images/ImageTexture.h"

// Where the streams are looked up by name: the platform's resources, handed
// in by the entry (images/ itself knows no platform), or the bytes of a test
// or a tool. False when the name is unknown. A null finder finds nothing.
using ImageResourceFinder = bool (*)(const char* name, const unsigned char** data, std::uint32_t* size);

// Colour stream plus grey mask stream of the same size -> one RGBA texture.
bool LoadWithMask(ImageTexture& texture, const char* colourName, const char* maskName, ImageResourceFinder find);
// One stream, samples taken over unchanged (grey: 8 bits, colour: 24 bits).
bool LoadImage(ImageTexture& texture, const char* name, ImageResourceFinder find);

// The same two loads without the upload: on success `texture.pixels` holds the
// decoded image (free it with FreeImagePixels). Used by tests and tools that
// have no GL context.
bool DecodeWithMask(ImageTexture& texture, const char* colourName, const char* maskName, ImageResourceFinder find);
bool DecodeImage(ImageTexture& texture, const char* name, ImageResourceFinder find);
void FreeImagePixels(ImageTexture& texture);
