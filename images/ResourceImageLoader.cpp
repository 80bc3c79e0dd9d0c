#include "images/ResourceImageLoader.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "images/ResourceSource.h"

namespace {

// The largest image a load accepts, in pixels (4096 x 4096). A stream of a
// few hundred bytes can claim up to 65500 x 65500 pixels; without a limit it
// would make the load allocate and fill gigabytes.
constexpr std::uint64_t kMaxImagePixels = std::uint64_t{1} << 24;

// Finds `name`, attaches its bytes and starts decompressing it with the
// library's defaults. `current` keeps the record so the error path can delete it.
bool OpenStream(j_decompress_ptr object, ResourceBytes* volatile* current, const char* name,
                ImageResourceFinder find) {
  ResourceBytes* bytes = CreateResourceBytes(name, find);
  if (bytes == nullptr) {
    return false;
  }
  *current = bytes;
  AttachResourceSource(object, bytes);
  jpeg_read_header(object, TRUE);
  const std::uint64_t pixels = static_cast<std::uint64_t>(object->image_width) * object->image_height;
  if (pixels > kMaxImagePixels) {
    std::fprintf(stderr, "Image %s: %u x %u pixels is more than the %u pixels a load accepts\n", name,
                 static_cast<unsigned>(object->image_width), static_cast<unsigned>(object->image_height),
                 static_cast<unsigned>(kMaxImagePixels));
    return false;
  }
  jpeg_start_decompress(object);
  return true;
}

void CloseStream(j_decompress_ptr object, ResourceBytes* volatile* current) {
  jpeg_finish_decompress(object);
  DeleteResourceBytes(*current);
  *current = nullptr;
}

JSAMPARRAY AllocateRow(j_decompress_ptr object) {
  const JDIMENSION rowSize = object->output_width * static_cast<JDIMENSION>(object->output_components);
  return (*object->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(object), JPOOL_IMAGE, rowSize, 1);
}

bool AllocatePixels(ImageTexture& texture, std::uint64_t bytesPerPixel) {
  const std::uint64_t total = static_cast<std::uint64_t>(texture.width) *
                              static_cast<std::uint64_t>(texture.height) * bytesPerPixel;
  if (total == 0 || total > SIZE_MAX) {
    return false;
  }
  texture.pixels = static_cast<unsigned char*>(std::calloc(static_cast<std::size_t>(total), 1));
  return texture.pixels != nullptr;
}

// Decodes the colour (or only) stream and, when `maskName` is given, the mask
// into the alpha bytes. Runs below the recovery point: a library error jumps
// out of here, so nothing in this frame may need destroying.
bool ReadStreams(j_decompress_ptr object, ResourceBytes* volatile* current, ImageTexture& texture,
                 const char* colourName, const char* maskName, ImageResourceFinder find) {
  if (!OpenStream(object, current, colourName, find)) {
    return false;
  }
  const bool withMask = maskName != nullptr;
  const int components = object->output_components;
  if (withMask && components != 3) {
    std::fprintf(stderr, "Image %s: the colour stream has %d components instead of 3\n", colourName,
                 components);
    return false;
  }
  texture.width = static_cast<std::int32_t>(object->output_width);
  texture.height = static_cast<std::int32_t>(object->output_height);
  texture.bitsPerPixel = withMask ? 32 : 8 * components;
  const std::size_t pixelBytes = withMask ? 4 : static_cast<std::size_t>(components);
  if (!AllocatePixels(texture, pixelBytes)) {
    return false;
  }
  const std::size_t width = object->output_width;
  const std::size_t pitch = width * pixelBytes;

  JSAMPARRAY row = AllocateRow(object);
  while (object->output_scanline < object->output_height) {
    unsigned char* target = texture.pixels + object->output_scanline * pitch;
    if (jpeg_read_scanlines(object, row, 1) != 1) {
      return false;
    }
    if (withMask) {
      for (std::size_t i = 0; i < width; ++i) {
        std::memcpy(target + 4 * i, row[0] + 3 * i, 3);
      }
    } else {
      std::memcpy(target, row[0], pitch);
    }
  }
  CloseStream(object, current);
  if (!withMask) {
    return true;
  }

  if (!OpenStream(object, current, maskName, find)) {
    return false;
  }
  if (object->output_components != 1 || object->output_width > width ||
      object->output_height > static_cast<JDIMENSION>(texture.height)) {
    std::fprintf(stderr, "Image %s: the mask (%u x %u, %d components) does not fit the %d x %d colour image\n",
                 maskName, static_cast<unsigned>(object->output_width), static_cast<unsigned>(object->output_height),
                 object->output_components, texture.width, texture.height);
    return false;
  }
  // A narrower mask still writes along the colour image's rows.
  const std::size_t maskWidth = object->output_width;
  row = AllocateRow(object);
  while (object->output_scanline < object->output_height) {
    unsigned char* target = texture.pixels + object->output_scanline * pitch;
    if (jpeg_read_scanlines(object, row, 1) != 1) {
      return false;
    }
    for (std::size_t i = 0; i < maskWidth; ++i) {
      target[4 * i + 3] = row[0][i];
    }
  }
  CloseStream(object, current);
  return true;
}

// One decompression object and one recovery point serve the whole load. On
// failure the object and the current bytes record are released and the
// pixels freed; the record keeps its size and format.
bool Decode(ImageTexture& texture, const char* colourName, const char* maskName, ImageResourceFinder find) {
  FreeImagePixels(texture);
  LoaderErrorManager errors;
  jpeg_decompress_struct object;
  std::memset(&errors, 0, sizeof errors);
  std::memset(&object, 0, sizeof object);
  ResourceBytes* volatile current = nullptr;

  object.err = jpeg_std_error(&errors.pub);
  errors.pub.error_exit = LoaderErrorExit;
  bool decoded = false;
  if (setjmp(errors.recoveryPoint) == 0) {
    jpeg_create_decompress(&object);
    decoded = ReadStreams(&object, &current, texture, colourName, maskName, find);
  }
  jpeg_destroy_decompress(&object);
  DeleteResourceBytes(current);
  if (!decoded) {
    FreeImagePixels(texture);
  }
  return decoded;
}

}  // namespace

ResourceBytes* CreateResourceBytes(const char* name, ImageResourceFinder find) {
  if (name == nullptr || find == nullptr) {
    return nullptr;
  }
  const unsigned char* data = nullptr;
  std::uint32_t size = 0;
  if (!find(name, &data, &size) || data == nullptr || size == 0) {
    return nullptr;
  }
  auto* bytes = static_cast<ResourceBytes*>(std::malloc(sizeof(ResourceBytes)));
  if (bytes != nullptr) {
    bytes->size = size;
    bytes->data = data;
  }
  return bytes;
}

void DeleteResourceBytes(ResourceBytes* bytes) { std::free(bytes); }

void FreeImagePixels(ImageTexture& texture) {
  std::free(texture.pixels);
  texture.pixels = nullptr;
}

bool DecodeWithMask(ImageTexture& texture, const char* colourName, const char* maskName, ImageResourceFinder find) {
  if (maskName == nullptr) {
    return false;
  }
  return Decode(texture, colourName, maskName, find);
}

bool DecodeImage(ImageTexture& texture, const char* name, ImageResourceFinder find) {
  return Decode(texture, name, nullptr, find);
}

bool LoadWithMask(ImageTexture& texture, const char* colourName, const char* maskName, ImageResourceFinder find) {
  return DecodeWithMask(texture, colourName, maskName, find) && CreateTexture(texture);
}

bool LoadImage(ImageTexture& texture, const char* name, ImageResourceFinder find) {
  return DecodeImage(texture, name, find) && CreateTexture(texture);
}
