// Status-bar panes: each id's text sizes its pane until the idle update writes the real text.
#include <span>

#include "resources/data/StringTable.h"
#include "resources/data/ResourceIds.h"

std::span<const StringEntry> StringsStatusPanes() {
  static const StringEntry entries[] = {
      {ID_PANE_CONNECTION, "USB disconnected"},
      {ID_PANE_LINE_STATUS, "01234567890123456789012345"},
      {ID_PANE_CAPTURE_BUFFER, "Capture Buffer: 999999 bytes"},
      {ID_PANE_ANSWER, "xxxxxxxx"},
      {ID_PANE_ORIGINATE, "xxxxxxxx"},
      {ID_PANE_MARKER, "xxxxxxxx"},
      {ID_PANE_VOLUME, "012345678901234"},
      {ID_PANE_MODE, "Intercept Mode"},
  };
  return entries;
}
