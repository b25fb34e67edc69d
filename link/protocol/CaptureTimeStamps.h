#pragma once

// Seconds of binary capture records. The instrument sends a 6-bit seconds counter with each byte;
// whole 64-second periods are counted here from the counter going down and from the PC clock, so
// that a call longer than a minute keeps rising times. Restarted with every new event header.

#include <optional>

#include "platform/nt/BaseTypes.h"

class CaptureTimeStamps {
 public:
  // A new event: no base, no periods.
  void Restart();

  // The seconds of one record with counter `counter` (0..63), `firstOfLine` for the first record of
  // a reply line, `now` the PC clock in whole seconds. Never less than the previous record's.
  ULONG Stamp(UCHAR counter, bool firstOfLine, LONGLONG now);

  LONGLONG wrapBase() const { return wrapBase_; }
  USHORT wrapCount() const { return wrapCount_; }

 private:
  static constexpr LONGLONG kUnset = -1;
  static constexpr LONGLONG kPeriod = 64;

  LONGLONG wrapBase_ = kUnset;  // PC second at which the counter was 0
  USHORT wrapCount_ = 0;        // whole periods since the event began
  std::optional<UCHAR> lastCounter_;
  ULONG lastSeconds_ = 0;
};
