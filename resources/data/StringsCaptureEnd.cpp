// Why a capture ended: the end-of-capture box shows string kCaptureEndStringBase + the end code.
#include <span>

#include "resources/data/StringTable.h"

std::span<const StringEntry> StringsCaptureEnd() {
  static const StringEntry entries[] = {
      {800, " "},
      {801, "Capture aborted."},
      {802, "Modem initialization error."},
      {803, "ATA modem error."},
      {804, "ATD modem error."},
      {805, "DTMF trigger string error."},
      {806, "H1 command error."},
      {807, "Modem timeout."},
      {808, "DCD error."},
      {809, "Capture session complete."},
      {810, "Vacant POTS line."},
      {811, "Busy POTS line."},
      {812, "ATA DCD timeout."},
      {813, "ATD DCD timeout."},
      {814, "Connect speed mismatch."},
      {815, "No answer from host."},
  };
  return entries;
}
