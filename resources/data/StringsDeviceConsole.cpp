// Status words the device-console commands print after each device they enabled (3000-3002),
// disabled (3003-3005) or restarted (3006-3007, and 3008 for a restart that failed).
#include <span>

#include "resources/data/StringTable.h"
#include "resources/data/ResourceIds.h"

std::span<const StringEntry> StringsDeviceConsole() {
  static const StringEntry entries[] = {
      {IDS_ENABLED, "Enabled"},   {IDS_ENABLED_ON_REBOOT, "Enabled on reboot"},  {IDS_ENABLE_FAILED, "Enable failed"},
      {IDS_DISABLED, "Disabled"},  {IDS_DISABLED_ON_REBOOT, "Disabled on reboot"}, {IDS_DISABLE_FAILED, "Disable failed"},
      {IDS_RESTARTED, "Restarted"}, {IDS_REQUIRES_REBOOT, "Requires reboot"},      {IDS_RESTART_FAILED, "Restart failed"},
  };
  return entries;
}
