// Why a capture ended: the end-of-capture box shows string IDS_CAPTURE_END_NONE + the end code.
#include <span>

#include "resources/data/StringTable.h"
#include "resources/data/ResourceIds.h"

std::span<const StringEntry> StringsCaptureEnd() {
  static const StringEntry entries[] = {
      {IDS_CAPTURE_END_NONE, " "},
      {IDS_CAPTURE_ABORTED, "Capture aborted."},
      {IDS_MODEM_INIT_ERROR, "Modem initialization error."},
      {IDS_ATA_MODEM_ERROR, "ATA modem error."},
      {IDS_ATD_MODEM_ERROR, "ATD modem error."},
      {IDS_TRIGGER_STRING_ERROR, "DTMF trigger string error."},
      {IDS_H1_COMMAND_ERROR, "H1 command error."},
      {IDS_MODEM_TIMEOUT, "Modem timeout."},
      {IDS_DCD_ERROR, "DCD error."},
      {IDS_SESSION_COMPLETE, "Capture session complete."},
      {IDS_VACANT_LINE, "Vacant POTS line."},
      {IDS_BUSY_LINE, "Busy POTS line."},
      {IDS_ATA_DCD_TIMEOUT, "ATA DCD timeout."},
      {IDS_ATD_DCD_TIMEOUT, "ATD DCD timeout."},
      {IDS_SPEED_MISMATCH, "Connect speed mismatch."},
      {IDS_NO_ANSWER, "No answer from host."},
  };
  return entries;
}
