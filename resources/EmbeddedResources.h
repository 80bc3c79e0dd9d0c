#pragma once
// The images linked into the Linux binary, by resource name (the same names
// the Windows build gives its RCDATA resources).
#include <cstdint>

bool FindEmbeddedResource(const char* name, const unsigned char** data, std::uint32_t* size);
