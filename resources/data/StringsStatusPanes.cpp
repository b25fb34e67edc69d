// Status-bar panes: each id's text sizes its pane until the idle update writes the real text.
#include <span>

#include "resources/data/StringTable.h"

std::span<const StringEntry> StringsStatusPanes() {
  static const StringEntry entries[] = {
      {59000, "USB disconnected"},
      {59001, "01234567890123456789012345"},
      {59002, "Capture Buffer: 999999 bytes"},
      {59003, "xxxxxxxx"},
      {59004, "xxxxxxxx"},
      {59005, "xxxxxxxx"},
      {59006, "012345678901234"},
      {59009, "Intercept Mode"},
  };
  return entries;
}
