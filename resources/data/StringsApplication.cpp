// Texts of the application object and the shell's fixed messages.
#include <span>

#include "resources/data/StringTable.h"
#include "resources/data/ResourceIds.h"

std::span<const StringEntry> StringsApplication() {
  static const StringEntry entries[] = {
      {IDP_SOCKETS_INIT_FAILED, "Windows sockets initialization failed."},
  };
  return entries;
}
