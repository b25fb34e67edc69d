#pragma once

// The instrument's clock. Real time (the default) follows the PC's steady clock, optionally
// faster; stepped time moves only when a test advances it; per-command time also moves by a
// fixed step at every command the instrument receives, so a host that polls drives the line
// forward deterministically. Not thread-safe: the Instrument guards it.

#include <chrono>

#include "sim/SimTime.h"

namespace sim {

enum class TimeMode { RealTime, Stepped, PerCommand };

struct ClockSettings {
  TimeMode mode = TimeMode::RealTime;
  double speed = 1.0;     // real time: instrument seconds per PC second
  Micros perCommand = 0;  // per-command: the step at each command
};

class SimClock {
 public:
  explicit SimClock(ClockSettings settings);

  Micros now() const;
  void advance(Micros step);  // every mode: moves the clock forward
  void onCommand();
  const ClockSettings& settings() const { return settings_; }
  // Real time: when the PC's steady clock reaches instrument time t.
  std::chrono::steady_clock::time_point deadlineOf(Micros t) const;

 private:
  ClockSettings settings_;
  std::chrono::steady_clock::time_point origin_;
  Micros offset_ = 0;
};

}  // namespace sim
