// Test-station prompts of the calibration procedure, per line and step (\n = line break).
#include <span>

#include "resources/data/StringTable.h"

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
      {200, QV_SHORTED(1)},  // line 1 DC offset
      {202, QV_SHORTED(1)},  // line 1 DC gain #1
      {203, QV_DC20(1)},     // line 1 DC gain #2
      {204, QV_SHORTED(2)},  // line 2 DC offset
      {205, QV_SHORTED(2)},  // line 2 DC gain #1
      {206, QV_DC20(2)},     // line 2 DC gain #2
      {207, QV_SHORTED(3)},  // line 3 DC offset
      {208, QV_SHORTED(3)},  // line 3 DC gain #1
      {209, QV_DC20(3)},     // line 3 DC gain #2
      {210, QV_SHORTED(1)},  // line 1 AC offset
      {211, QV_AC219(1)},    // line 1 AC gain
      {212, QV_SHORTED(2)},  // line 2 AC offset
      {213, QV_AC219(2)},    // line 2 AC gain
      {214, QV_SHORTED(3)},  // line 3 AC offset
      {215, QV_AC219(3)},    // line 3 AC gain
      {216, "Calibration data is not valid."},
  };
  return entries;
}
