#pragma once

// One step of a line's calibration (WM_ORU_CALIBRATE_LINE, wParam line, lParam step 1, 2, 4, 8
// or 16): neutral factors at the start of a group, read-back, a measurement (a volt-meter reading
// for the AC gain, a stream block for the others), the new factor, LC and RC, then
// WM_ORU_CALIBRATION_STEP_DONE. A step whose measurement fails (no reply, a rejected reply, a
// failed block, a zero divisor) changes no factor and sends none; its notification then carries
// CALIBRATION_STEP_FAILED in lParam together with the step, so that the procedure never stores a
// wrong calibration.

#include <array>
#include <optional>

#include "link/protocol/CalibrationCommands.h"

constexpr LPARAM CALIBRATION_STEP_FAILED = 0x100;

// The mean of the DC (`acChannel` false) or AC channel over the 304 samples of frames 1..19.
long MeanOfCalibrationBlock(const UCHAR* block, bool acChannel);

// The new factor of `step` from reading `v` into `factors`; false (nothing changed) for a zero
// divisor, a result out of range or an unknown step.
bool ApplyCalibrationReading(CCalFactor& factors, int step, long v);

class CalibrationStep {
 public:
  CalibrationStep(CommTransport& transport, CalibrationCommands& commands)
      : transport_(transport), commands_(commands) {}

  // 1 when the step measured and sent its factor.
  int Run(int line, int step);

 private:
  std::optional<long> MeasureAc(int line);
  std::optional<long> MeasureBlock(int line, bool acChannel);

  CommTransport& transport_;
  CalibrationCommands& commands_;
  std::array<UCHAR, CommTransport::kBlockSize> block_{};
};
