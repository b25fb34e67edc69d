// The program's message table: the summaries the driver installer prints on standard output.
// Read through FormatMessageA (platform/setup); inserts are %1, %2, ... with an optional !format!.

#include <span>

#include "resources/data/StringTable.h"

std::span<const StringEntry> InstallerMessageTable() {
  static const StringEntry kMessages[] = {
      {61202, "No devices were removed.\r\n"},
      {61203, "%1!d! device(s) removed; a restart is needed to finish.\r\n"},
      {61204, "%1!d! device(s) removed.\r\n"},
  };
  return kMessages;
}
