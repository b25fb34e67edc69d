#include "link/worker/CalibrationStep.h"

#include <cmath>
#include <limits>

#include "link/worker/VoltMeterLoop.h"
#include "link/protocol/WorkerMessages.h"

namespace {

constexpr int kFrameSize = 128;
constexpr int kFrames = 20;
constexpr int kSamplesPerFrame = 16;
constexpr int kSampleSize = 7;
constexpr int kSampleCount = (kFrames - 1) * kSamplesPerFrame;  // 304
constexpr int kMaxDrainReads = 64;                              // a chattering instrument ends it too

bool IsKnownStep(int step) { return step == 1 || step == 2 || step == 4 || step == 8 || step == 16; }

// A factor from a formula, when it is a finite number a LONG holds.
bool TruncatedFactor(double value, LONG& out) {
  if (!std::isfinite(value)) return false;
  if (value >= static_cast<double>(std::numeric_limits<LONG>::max()) + 1.0) return false;
  if (value <= static_cast<double>(std::numeric_limits<LONG>::min()) - 1.0) return false;
  out = static_cast<LONG>(value);
  return true;
}

}  // namespace

long MeanOfCalibrationBlock(const UCHAR* block, bool acChannel) {
  const int channel = acChannel ? 2 : 0;
  long sum = 0;
  for (int frame = 1; frame < kFrames; ++frame) {
    const UCHAR* samples = block + frame * kFrameSize + 1;
    for (int sample = 0; sample < kSamplesPerFrame; ++sample) {
      const UCHAR* bytes = samples + sample * kSampleSize + channel;
      sum += (static_cast<long>(bytes[0]) << 8) | bytes[1];
    }
  }
  return sum / kSampleCount;
}

bool ApplyCalibrationReading(CCalFactor& factors, int step, long v) {
  switch (step) {
    case 1:
      factors.dcReading1 = static_cast<LONG>(v);
      return true;
    case 2: {
      const double divisor = static_cast<double>(v - factors.dcReading1) * factors.dcExtra;
      return divisor != 0.0 && TruncatedFactor(20480.0 / divisor, factors.dcGain);
    }
    case 4:
      factors.dcOffset = static_cast<LONG>(512 - v);
      return true;
    case 8: {
      const double divisor = static_cast<double>(v) * factors.acExtra;
      return divisor != 0.0 && TruncatedFactor(2252.8 / divisor, factors.acGain);
    }
    case 16:
      factors.acOffset = static_cast<LONG>(512 - v);
      return true;
    default:
      return false;
  }
}

std::optional<long> CalibrationStep::MeasureAc(int line) {
  long reading = 0;
  if (!transport_.SendCommand("VM:" + std::to_string(line) + ":2")) return std::nullopt;
  if (!transport_.ReadReply(kReplyTimeoutMs)) return std::nullopt;
  if (!ParseVoltMeterReply(transport_.Store(), transport_.replyText, 2, &reading)) return std::nullopt;
  return reading;
}

std::optional<long> CalibrationStep::MeasureBlock(int line, bool acChannel) {
  if (line < 1 || line > 3) return std::nullopt;
  std::optional<long> result;
  // A short read fills only part of the block: the rest must be zeros, not the last step's data.
  block_.fill(0);
  if (transport_.SendCommand("DM:" + std::to_string(line)) && transport_.ReadReply(kReplyTimeoutMs) &&
      transport_.replyText == "dm" && transport_.ReadBlock(block_.data())) {
    for (int read = 0; read < kMaxDrainReads && transport_.ReadReply(kDrainTimeoutMs); ++read) {
    }
    result = MeanOfCalibrationBlock(block_.data(), acChannel);
  }
  if (transport_.SendCommand("DM:0")) transport_.ReadReply(kReplyTimeoutMs);
  return result;
}

int CalibrationStep::Run(int line, int step) {
  CCalFactor* factors = CalibrationCommands::FactorsOf(transport_.Store(), line);
  bool measured = false;
  if (factors != nullptr && IsKnownStep(step)) {
    if (step == 1 && (factors->dcOffset != 0 || factors->dcGain != 1024)) commands_.ResetFactors(line, 7);
    if (step == 8 && (factors->acOffset != 0 || factors->acGain != 1024)) commands_.ResetFactors(line, 24);
    if (commands_.ReadFactors(line, step)) {
      const auto v = step == 8 ? MeasureAc(line) : MeasureBlock(line, step == 16);
      measured = v && transport_.Store().WithData(
                          [&](DataScope& data) { return ApplyCalibrationReading(*data.calFactor(line), step, *v); });
    }
    if (measured) {
      commands_.SendFactors(line, step);
      commands_.ReadFactors(line, step);
    }
  }
  const LPARAM result = measured ? step : (step | CALIBRATION_STEP_FAILED);
  transport_.Notify(WM_ORU_CALIBRATION_STEP_DONE, static_cast<WPARAM>(line), result);
  return measured ? 1 : 0;
}
