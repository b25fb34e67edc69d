#pragma once

// The measuring front end of the three lines and its calibration factors. Each line's converter
// has its own gain and offset error; the firmware corrects them with per-line factors
// (gain 1024 = unity, offset in counts) that "LC" sets, "LC:0" keeps in non-volatile memory and
// "RC" reads back together with the converter's volts per count. Channel counts sit at 512 for
// 0 V: DC 0.125 V per count, AC 0.01 V per count.
//     corrected = 512 + (raw - 512) * gain / 1024 + offset

#include <array>

#include "sim/Scenario.h"

namespace sim {

struct CalFactors {
  int dcGain = 1024;
  int dcOffset = 0;
  int acGain = 1024;
  int acOffset = 0;
};

// The errors of one line's converter: raw = 512 + volts / step * gain + offset.
struct ConverterErrors {
  double dcGain = 1.0;
  double dcOffset = 0;
  double acGain = 1.0;
  double acOffset = 0;
};

constexpr double kDcVoltsPerCount = 0.125;
constexpr double kAcVoltsPerCount = 0.01;
constexpr int kZeroCount = 512;

class Calibration {
 public:
  Calibration();

  // Corrected channel counts (0..65535) for a line voltage.
  int dcCounts(int line, double volts) const;
  int acCounts(int line, double volts) const;
  // The voltage the instrument reports for a true line voltage (through the corrected counts).
  double measuredDc(int line, double volts) const;
  double measuredAc(int line, double volts) const;

  CalFactors factors(int line) const;        // in use
  CalFactors storedFactors(int line) const;  // kept through a power cycle
  // group 0 = DC, 1 = AC; false when the line, group or values are out of range.
  bool setFactors(int line, int group, int offset, int gain);
  void store();   // "LC:0"
  void reload();  // power-up: the stored factors come back into use

  ConverterErrors errors(int line) const;
  void setErrors(int line, ConverterErrors e);

 private:
  std::array<CalFactors, kLineCount> working_{};
  std::array<CalFactors, kLineCount> stored_{};
  std::array<ConverterErrors, kLineCount> errors_{};
};

}  // namespace sim
