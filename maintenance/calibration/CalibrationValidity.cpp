#include "maintenance/calibration/CalibrationValidity.h"

#include "link/protocol/CalibrationCommands.h"
#include "resources/data/ResourceIds.h"

const std::array<int, 12> kFactorTextIds = {IDC_LINE1_DC_OFFSET, IDC_LINE1_DC_GAIN,   IDC_LINE1_AC_OFFSET,
                                            IDC_LINE1_AC_GAIN,   IDC_LINE2_DC_OFFSET, IDC_LINE2_DC_GAIN,
                                            IDC_LINE2_AC_OFFSET, IDC_LINE2_AC_GAIN,   IDC_LINE3_DC_OFFSET,
                                            IDC_LINE3_DC_GAIN,   IDC_LINE3_AC_OFFSET, IDC_LINE3_AC_GAIN};
const std::array<int, 3> kLineBoxIds = {IDC_CAL_LINE1_GROUP, IDC_CAL_LINE2_GROUP, IDC_CAL_LINE3_GROUP};

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

// The factors are the worker's too: every use here holds the store's lock.

bool IsCalibrationValid(CORUData& store, int line, int group) {
  return store.WithData([&](DataScope& data) {
    CCalFactor* factors = data.calFactor(line);
    if (factors == nullptr) return false;
    if (IsDcStepMask(group)) return GroupValid(factors->dcOffset, factors->dcGain, 30, factors->dcCalibrated);
    if (IsAcStepMask(group)) return GroupValid(factors->acOffset, factors->acGain, 43, factors->acCalibrated);
    return false;
  });
}

COLORREF GroupColor(const CORUData& store, int line) {
  const bool calibrated = store.WithData([line](const DataScope& data) {
    const CCalFactor* factors = data.calFactor(line);
    return factors != nullptr && factors->acCalibrated == 1 && factors->dcCalibrated == 1;
  });
  return calibrated ? kCalibratedColor : kUncalibratedColor;
}

bool FormatFactorTexts(const CORUData& store, int line, int group, FactorTexts& texts) {
  return store.WithData([&](const DataScope& data) {
    const CCalFactor* factors = data.calFactor(line);
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
  });
}
