#pragma once
// The pieces of the resource loader that talk to the JPEG library: the
// in-memory source manager and the error manager with its recovery point.
#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>  // jpeglib.h needs FILE and size_t declared first

#include "images/ResourceImageLoader.h"

extern "C" {
#include <jpeglib.h>
}

// The bytes of one embedded stream; the bytes belong to the module, the record
// does not own them.
struct ResourceBytes {
  std::uint32_t size = 0;
  const unsigned char* data = nullptr;
};

// Looks `name` up through `find` and returns a new record, or null when the
// name is unknown, the resource is empty or the record can't be allocated.
// Delete it with DeleteResourceBytes.
ResourceBytes* CreateResourceBytes(const char* name, ImageResourceFinder find);
void DeleteResourceBytes(ResourceBytes* bytes);

// The library's source manager reading straight from a ResourceBytes.
struct ResourceSourceManager {
  jpeg_source_mgr pub;
  ResourceBytes* bytes;
};

void InitResourceSource(j_decompress_ptr object);
// Only called when the stream ends before its end-of-image marker: a fatal
// "Premature end of input file", so a cut-off stream never reads past its end.
boolean FillResourceInput(j_decompress_ptr object);
// Skips `count` bytes, stopping at the end of the resource.
void SkipResourceInput(j_decompress_ptr object, long count);
void TermResourceSource(j_decompress_ptr object);

// Points the object's source at `bytes`, allocating the source manager on the
// first attach; later attaches reuse it.
void AttachResourceSource(j_decompress_ptr object, ResourceBytes* bytes);

// The library's standard error manager with a place to jump back to.
struct LoaderErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf recoveryPoint;
};

// Prints the library's message to standard error and jumps to the recovery
// point of the LoaderErrorManager that owns the object's error manager.
[[noreturn]] void LoaderErrorExit(j_common_ptr object);
