#include "resources/EmbeddedResources.h"

#include <cstring>

#include "resources/EmbeddedTable.h"

bool FindEmbeddedResource(const char* name, const unsigned char** data, std::uint32_t* size) {
  if (name == nullptr || data == nullptr || size == nullptr) {
    return false;
  }
  for (unsigned i = 0; i < embeddedResourceCount; ++i) {
    const EmbeddedResource& resource = embeddedResources[i];
    if (std::strcmp(resource.name, name) == 0 && resource.size > 0) {
      *data = resource.data;
      *size = resource.size;
      return true;
    }
  }
  return false;
}
