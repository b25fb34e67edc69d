#pragma once

// The table that the build generates from sim/scenarios (EmbedTexts.cmake).

#include <cstddef>

namespace sim {

struct EmbeddedText {
  const char* name;       // file name without its extension
  const char* extension;  // ".scn" or ".mem"
  const unsigned char* bytes;
  size_t size;
};

extern const EmbeddedText kEmbeddedTexts[];
extern const size_t kEmbeddedTextCount;

}  // namespace sim
