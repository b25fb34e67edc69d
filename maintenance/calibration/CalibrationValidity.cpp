#include "maintenance/calibration/CalibrationValidity.h"

#include "link/protocol/CalibrationCommands.h"

const std::array<int, 12> kFactorTextIds = {1071, 1072, 1073, 1074, 1075, 1076, 1077, 1078, 1079, 1080, 1084, 1085};
const std::array<int, 3> kLineBoxIds = {1081, 1082, 1083};

namespace {

// One group's rule; `limit` is the largest offset allowed.
bool GroupValid(LONG offset, LONG gain, LONG limit, LONG& calibrated) {
  if (offset == 0 && gain == 1024) {
    calibrated = 0;
    return true;
  }
  const bool valid = offset >= -limit && offset <= limit && gain >= 871 && gain <= 1177;
  calibrated = valid ? 1 : 0;
  return valid;
}

}  // namespace

bool IsCalibrationValid(CORUData& store, int line, int group) {
  CCalFactor* factors = CalibrationCommands::FactorsOf(store, line);
  if (factors == nullptr) return false;
  if (IsDcStepMask(group)) return GroupValid(factors->dcOffset, factors->dcGain, 30, factors->dcCalibrated);
  if (IsAcStepMask(group)) return GroupValid(factors->acOffset, factors->acGain, 43, factors->acCalibrated);
  return false;
}

COLORREF GroupColor(CORUData& store, int line) {
  const CCalFactor* factors = CalibrationCommands::FactorsOf(store, line);
  const bool calibrated = factors != nullptr && factors->acCalibrated == 1 && factors->dcCalibrated == 1;
  return calibrated ? kCalibratedColor : kUncalibratedColor;
}

bool FormatFactorTexts(CORUData& store, int line, int group, FactorTexts& texts) {
  const CCalFactor* factors = CalibrationCommands::FactorsOf(store, line);
  if (factors == nullptr) return false;
  const std::size_t first = static_cast<std::size_t>(line - 1) * 4;
  if (IsDcStepMask(group)) {
    texts[first] = "DC offset: " + std::to_string(factors->dcOffset);
    texts[first + 1] = "DC Gain Adj: " + std::to_string(factors->dcGain);
    return true;
  }
  if (IsAcStepMask(group)) {
    texts[first + 2] = "AC offset: " + std::to_string(factors->acOffset);
    texts[first + 3] = "AC Gain Adj: " + std::to_string(factors->acGain);
    return true;
  }
  return false;
}
