// Status words the device-console commands print after each device they enabled (3000-3002),
// disabled (3003-3005) or restarted (3006-3007, and 3008 for a restart that failed).
#include <span>

#include "resources/data/StringTable.h"

std::span<const StringEntry> StringsDeviceConsole() {
  static const StringEntry entries[] = {
      {3000, "Enabled"},   {3001, "Enabled on reboot"},  {3002, "Enable failed"},
      {3003, "Disabled"},  {3004, "Disabled on reboot"}, {3005, "Disable failed"},
      {3006, "Restarted"}, {3007, "Requires reboot"},      {3008, "Restart failed"},
  };
  return entries;
}
