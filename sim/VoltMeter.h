#pragma once

// The volt meter: "VM:line:mode" measures one line over the last 100 ms.
//   mode 0  "vm:DC <volts, 1 decimal> V:<line status>:AC <volts p-p, 2 decimals> Vpp"
//   mode 1  the same with "AC <level, 1 decimal> dBm" (600 ohms; -70.0 for silence)
//   mode 2  "vm:DC ... V:<line status>:<AC channel peak-to-peak in counts>" for calibration
// The line status is the scenario's text when it sets one, else "RINGING" while ringing,
// "ON HOOK" from 20 V, "OFF HOOK" from 3 V, "NO LINE" below.

#include <string>

#include "sim/Calibration.h"
#include "sim/LineModel.h"

namespace sim {

class VoltMeter {
public:
    VoltMeter(const LineModel& line, const Calibration& cal) : line_(line), cal_(cal) {}

    std::string reading(int line, int mode, Micros now) const;
    std::string lineStatus(int line, Micros now) const;

private:
    const LineModel& line_;
    const Calibration& cal_;
};

}  // namespace sim
