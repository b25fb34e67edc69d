// Test-station prompts of the calibration procedure, per line and step (\n = line break).
#include <span>

#include "resources/data/StringTable.h"
#include "resources/data/ResourceIds.h"

#define QV_SHORTED(line)                                                                     \
  "1.  Select line " #line " on the test station\n\n2.  Short the line input.\n\n3.  Press " \
  "OK to continue or Cancel to abort\n"
#define QV_DC20(line)                                                                  \
  "1.  Select line " #line " on the test station\n\n2.  Set the DC voltage source to " \
  "20.00 volts.\n\n3.  Press OK to continue or Cancel to abort\n"
#define QV_AC219(line)                                                                 \
  "1.  Select line " #line " on the test station\n\n2.  Set the AC voltage source to " \
  "2.19 volts peak-to-peak\n\n3.  Press OK to continue or Cancel to abort\n"

std::span<const StringEntry> StringsCalibration() {
  static const StringEntry entries[] = {
      {IDS_CAL_LINE1_DC_OFFSET, QV_SHORTED(1)},  // line 1 DC offset
      {IDS_CAL_LINE1_DC_GAIN1, QV_SHORTED(1)},  // line 1 DC gain #1
      {IDS_CAL_LINE1_DC_GAIN2, QV_DC20(1)},     // line 1 DC gain #2
      {IDS_CAL_LINE2_DC_OFFSET, QV_SHORTED(2)},  // line 2 DC offset
      {IDS_CAL_LINE2_DC_GAIN1, QV_SHORTED(2)},  // line 2 DC gain #1
      {IDS_CAL_LINE2_DC_GAIN2, QV_DC20(2)},     // line 2 DC gain #2
      {IDS_CAL_LINE3_DC_OFFSET, QV_SHORTED(3)},  // line 3 DC offset
      {IDS_CAL_LINE3_DC_GAIN1, QV_SHORTED(3)},  // line 3 DC gain #1
      {IDS_CAL_LINE3_DC_GAIN2, QV_DC20(3)},     // line 3 DC gain #2
      {IDS_CAL_LINE1_AC_OFFSET, QV_SHORTED(1)},  // line 1 AC offset
      {IDS_CAL_LINE1_AC_GAIN, QV_AC219(1)},    // line 1 AC gain
      {IDS_CAL_LINE2_AC_OFFSET, QV_SHORTED(2)},  // line 2 AC offset
      {IDS_CAL_LINE2_AC_GAIN, QV_AC219(2)},    // line 2 AC gain
      {IDS_CAL_LINE3_AC_OFFSET, QV_SHORTED(3)},  // line 3 AC offset
      {IDS_CAL_LINE3_AC_GAIN, QV_AC219(3)},    // line 3 AC gain
      {IDS_CAL_INVALID, "Calibration data is not valid."},
  };
  return entries;
}
