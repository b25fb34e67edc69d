#include "link/protocol/CaptureTimeStamps.h"

#include <algorithm>

namespace {

// The nearest whole number of periods in `elapsed` seconds.
LONGLONG NearestPeriods(LONGLONG elapsed) { return (elapsed + 32) / 64; }

}  // namespace

void CaptureTimeStamps::Restart() {
  wrapBase_ = kUnset;
  wrapCount_ = 0;
  lastCounter_.reset();
  lastSeconds_ = 0;
}

ULONG CaptureTimeStamps::Stamp(UCHAR counter, bool firstOfLine, LONGLONG now) {
  counter &= 0x3F;
  if (wrapBase_ == kUnset) wrapBase_ = now - counter;
  const LONGLONG elapsed = std::max<LONGLONG>(0, now - wrapBase_);
  if (lastCounter_ && counter < *lastCounter_) {
    // The counter wrapped: at least one period, more when the PC clock says so.
    wrapCount_ = static_cast<USHORT>(wrapCount_ + std::max<LONGLONG>(1, NearestPeriods(elapsed)));
    wrapBase_ = firstOfLine ? now - counter : now;
  } else if (elapsed > kPeriod - 1) {
    // Whole periods passed without a record to show the wrap.
    if (firstOfLine) {
      wrapCount_ = static_cast<USHORT>(wrapCount_ + elapsed / kPeriod);
      wrapBase_ = now - counter;
    } else {
      wrapCount_ = static_cast<USHORT>(wrapCount_ + NearestPeriods(elapsed));
      wrapBase_ = now;
    }
  }
  ULONG seconds = counter + static_cast<ULONG>(wrapCount_) * kPeriod;
  while (seconds < lastSeconds_) {
    ++wrapCount_;
    seconds += kPeriod;
  }
  lastCounter_ = counter;
  lastSeconds_ = seconds;
  return seconds;
}

void CaptureTimeStamps::StampLine(std::vector<CCaptBuf>& records, LONGLONG now) {
  for (std::size_t k = 0; k < records.size(); ++k) {
    CCaptBuf& record = records[k];
    record.timeSeconds = Stamp(static_cast<UCHAR>(record.flags & 0x3F), k == 0, now);
  }
}
