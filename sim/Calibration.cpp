#include "sim/Calibration.h"

#include <algorithm>
#include <cmath>

namespace sim {
namespace {

bool validLine(int line) { return line >= 1 && line <= kLineCount; }

int corrected(double volts, double step, double errGain, double errOffset, int gain, int offset) {
  double raw = kZeroCount + volts / step * errGain + errOffset;
  double out = kZeroCount + (raw - kZeroCount) * gain / 1024.0 + offset;
  return static_cast<int>(std::clamp(std::lround(out), 0L, 65535L));
}

}  // namespace

Calibration::Calibration() {
  // Lines 1 and 2 left the factory calibrated; line 3 still carries the neutral factors.
  errors_[0] = {1.015, 6, 0.985, -4};
  errors_[1] = {0.975, -9, 1.03, 7};
  errors_[2] = {1.04, 12, 0.96, -11};
  for (int i = 0; i < 2; ++i) {
    const ConverterErrors& e = errors_[i];
    stored_[i].dcGain = static_cast<int>(std::lround(1024.0 / e.dcGain));
    stored_[i].dcOffset = static_cast<int>(std::lround(-e.dcOffset / e.dcGain));
    stored_[i].acGain = static_cast<int>(std::lround(1024.0 / e.acGain));
    stored_[i].acOffset = static_cast<int>(std::lround(-e.acOffset / e.acGain));
  }
  working_ = stored_;
}

int Calibration::dcCounts(int line, double volts) const {
  if (!validLine(line)) return kZeroCount;
  const ConverterErrors& e = errors_[line - 1];
  const CalFactors& f = working_[line - 1];
  return corrected(volts, kDcVoltsPerCount, e.dcGain, e.dcOffset, f.dcGain, f.dcOffset);
}

int Calibration::acCounts(int line, double volts) const {
  if (!validLine(line)) return kZeroCount;
  const ConverterErrors& e = errors_[line - 1];
  const CalFactors& f = working_[line - 1];
  return corrected(volts, kAcVoltsPerCount, e.acGain, e.acOffset, f.acGain, f.acOffset);
}

double Calibration::measuredDc(int line, double volts) const {
  return (dcCounts(line, volts) - kZeroCount) * kDcVoltsPerCount;
}

double Calibration::measuredAc(int line, double volts) const {
  return (acCounts(line, volts) - kZeroCount) * kAcVoltsPerCount;
}

CalFactors Calibration::factors(int line) const { return validLine(line) ? working_[line - 1] : CalFactors{}; }
CalFactors Calibration::storedFactors(int line) const { return validLine(line) ? stored_[line - 1] : CalFactors{}; }

bool Calibration::setFactors(int line, int group, int offset, int gain) {
  if (!validLine(line) || (group != 0 && group != 1)) return false;
  if (offset < -512 || offset > 512 || gain < 1 || gain > 4095) return false;
  CalFactors& f = working_[line - 1];
  if (group == 0) {
    f.dcOffset = offset;
    f.dcGain = gain;
  } else {
    f.acOffset = offset;
    f.acGain = gain;
  }
  return true;
}

void Calibration::store() { stored_ = working_; }
void Calibration::reload() { working_ = stored_; }

ConverterErrors Calibration::errors(int line) const { return validLine(line) ? errors_[line - 1] : ConverterErrors{}; }
void Calibration::setErrors(int line, ConverterErrors e) {
  if (validLine(line)) errors_[line - 1] = e;
}

}  // namespace sim
