// Message table: the lines the device console's per-device dumps print (status, resources,
// hardware ids, driver stack, setup class, description). Read through FormatMessageA.

#include <span>

#include "resources/data/StringTable.h"

std::span<const StringEntry> ConsoleDumpMessageTable() {
  static const StringEntry kMessages[] = {
      {60904, "The device has a problem: %1!02u!.\r\n"},
      {60905, "The device has a problem reported by its driver.\r\n"},
      {60906, "The driver is running.\r\n"},
      {60907, "The device is disabled.\r\n"},
      {60908, "The device is stopped.\r\n"},
      {60909, "The device is using no resources.\r\n"},
      {60910, "The device has no resources reserved.\r\n"},
      {60911, "The device is using these resources:\r\n"},
      {60912, "The device has these resources reserved:\r\n"},
      {60916, "Hardware ids:\r\n"},
      {60917, "Compatible ids:\r\n"},
      {60918, "The device has no hardware or compatible ids.\r\n"},
      {60935, "Class upper filters:\r\n"},
      {60936, "Upper filters:\r\n"},
      {60937, "Controlling service:\r\n"},
      {60938, "(none)\r\n"},
      {60939, "Class lower filters:\r\n"},
      {60940, "Lower filters:\r\n"},
      {60941, "Setup class: %1 %2\r\n"},
      {60942, "Setup class: (none)\r\n"},
      {60943, "Name: %1\r\n"},
      {60944, "The device is not present.\r\n"},
      {60945, "The status of the device cannot be read.\r\n"},
  };
  return kMessages;
}
