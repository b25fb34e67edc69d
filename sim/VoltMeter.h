#pragma once

// The volt meter: "VM:line:mode" measures one line for kMeasuringTime and then answers.
//   mode 0  "vm:DC <volts, 1 decimal> V:<line status>:AC <volts p-p, 2 decimals> Vpp"
//   mode 1  the same with "AC <level, 1 decimal> dBm" (600 ohms; -70.0 for silence)
//   mode 2  "vm:DC ... V:<line status>:<AC channel peak-to-peak in counts>" for calibration
// The line status is the scenario's text when it sets one, else "RINGING" while ringing,
// "ON HOOK" from 20 V, "OFF HOOK" from 3 V, "NO LINE" below.
//
// Measuring takes time, as with the hardware: an AC reading needs several periods of the lowest
// frequency it measures. A reading covers the measuring time after its command, and an
// instrument in real time holds the reply until that time has passed, so a host that asks again
// at once gets about ten readings a second. Stepped and per-command instruments have no time of
// their own to wait for, and InstrumentOptions::instantVoltMeter makes one for tests: these
// answer at once (measuring time 0) with the reading of the 100 ms before the command.

#include <string>

#include "sim/Calibration.h"
#include "sim/LineModel.h"

namespace sim {

class VoltMeter {
 public:
  static constexpr Micros kMeasuringTime = 100 * kMicrosPerMilli;

  VoltMeter(const LineModel& line, const Calibration& cal) : line_(line), cal_(cal) {}

  // The reading of the measurement that ends at `now`.
  std::string reading(int line, int mode, Micros now) const;
  std::string lineStatus(int line, Micros now) const;

  // How long after its command a reading is ready; 0 answers at once.
  Micros measuringTime() const { return measuringTime_; }
  void setMeasuringTime(Micros time) { measuringTime_ = time; }

 private:
  const LineModel& line_;
  const Calibration& cal_;
  Micros measuringTime_ = 0;
};

}  // namespace sim
