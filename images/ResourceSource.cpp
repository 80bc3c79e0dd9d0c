#include "images/ResourceSource.h"

#include <cstdlib>

extern "C" {
#include <jerror.h>
}

void InitResourceSource(j_decompress_ptr) {}

boolean FillResourceInput(j_decompress_ptr object) {
  // The whole resource was the buffer from the start: asking for more means
  // the stream ended before its end-of-image marker.
  ERREXIT(object, JERR_INPUT_EOF);
  return FALSE;  // not reached
}

void SkipResourceInput(j_decompress_ptr object, long count) {
  if (count <= 0) {
    return;
  }
  jpeg_source_mgr* source = object->src;
  std::size_t step = static_cast<unsigned long>(count);
  if (step > source->bytes_in_buffer) {
    // Stop at the end; the next read asks for a refill and fails there.
    step = source->bytes_in_buffer;
  }
  source->next_input_byte += step;
  source->bytes_in_buffer -= step;
}

void TermResourceSource(j_decompress_ptr) {}

void AttachResourceSource(j_decompress_ptr object, ResourceBytes* bytes) {
  if (object->src == nullptr) {
    object->src = static_cast<jpeg_source_mgr*>((*object->mem->alloc_small)(
        reinterpret_cast<j_common_ptr>(object), JPOOL_PERMANENT, sizeof(ResourceSourceManager)));
  }
  auto* source = reinterpret_cast<ResourceSourceManager*>(object->src);
  source->pub.init_source = InitResourceSource;
  source->pub.fill_input_buffer = FillResourceInput;
  source->pub.skip_input_data = SkipResourceInput;
  source->pub.resync_to_restart = jpeg_resync_to_restart;
  source->pub.term_source = TermResourceSource;
  source->bytes = bytes;
  source->pub.bytes_in_buffer = bytes->size;
  source->pub.next_input_byte = bytes->data;
}

void LoaderErrorExit(j_common_ptr object) {
  (*object->err->output_message)(object);
  // The error manager is the first member of its LoaderErrorManager.
  auto* manager = reinterpret_cast<LoaderErrorManager*>(object->err);
  std::longjmp(manager->recoveryPoint, 1);
}
