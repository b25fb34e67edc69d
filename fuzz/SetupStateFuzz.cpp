// Fuzz target for the machine's state loader (machine.json). Nothing may crash, however deep the
// text nests; a state that loads must save and load back to the same text.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/machine/SetupDatabase.h"

namespace {

void Require(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "setup state fuzz: %s\n", what);
    std::abort();
  }
}

void State(const std::string& text) {
  platform::SetupDatabase db;
  std::string error;
  if (!platform::LoadSetupDatabase(text, db, error)) {
    Require(!error.empty(), "a refusal says why");
    return;
  }
  std::string saved = platform::SaveSetupDatabase(db);
  platform::SetupDatabase again;
  Require(platform::LoadSetupDatabase(saved, again, error), "saved state loads");
  Require(platform::SaveSetupDatabase(again) == saved, "round trip");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  State(std::string(reinterpret_cast<const char*>(data), size));
  return 0;
}
