// Texts of the application object and the shell's fixed messages.
#include <span>

#include "resources/data/StringTable.h"

std::span<const StringEntry> StringsApplication() {
  static const StringEntry entries[] = {
      {104, "Windows sockets initialization failed."},
  };
  return entries;
}
