#pragma once

// Seconds of capture records, text and binary lines alike, live or downloaded. The instrument
// sends a 6-bit seconds counter with each byte (attribute bits 0-5); whole 64-second periods are
// counted here from the counter going down and from the PC clock, so that a call longer than a
// minute keeps rising times. Restarted with every new event header.

#include <optional>
#include <vector>

#include "link/store/CaptBuf.h"
#include "platform/nt/BaseTypes.h"

class CaptureTimeStamps {
 public:
  // A new event: no base, no periods.
  void Restart();

  // The seconds of one record with counter `counter` (0..63), `firstOfLine` for the first record of
  // a reply line, `now` the PC clock in whole seconds. Never less than the previous record's.
  ULONG Stamp(UCHAR counter, bool firstOfLine, LONGLONG now);

  // Sets timeSeconds of one reply line's records, in order, from their attribute bytes.
  void StampLine(std::vector<CCaptBuf>& records, LONGLONG now);

  // A clock for records made long before they are read (a stored session): it never moves, so
  // only the counter going down counts a period.
  static constexpr LONGLONG kRecordedClock = 0;

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
