// The embedded ORUpc.inf. The generated table is built into a namespace of its own (see
// CMakeLists.txt), so it does not meet the simulator's table of the same name.
#include <string>

#include "sim/EmbeddedTexts.h"

std::string ProgramDriverInf() {
  if (sim::kEmbeddedTextCount == 0) return {};
  const sim::EmbeddedText& t = sim::kEmbeddedTexts[0];
  return std::string(reinterpret_cast<const char*>(t.bytes), t.size);
}
