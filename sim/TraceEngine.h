#pragma once

// The triggered signal trace. "TC:0:line:count" arms the trigger with the configuration items
// in force (13 trigger, 14 ring-backs, 15 level, 16 range, 17 span) and the trigger text of
// "ST" (the DTMF digits); from the trigger on, `count` samples are taken, one per span/1000.
//   "TC:0:..." -> "tc:0"; "TC:1" -> "tc:0" while waiting, "tc:1:" + samples "<decimal>:" as far
//   as they have been taken (up to 64 bytes), "tc:1" when none is new yet, "tc:2" once all were
//   sent (the trace is then kept as stored trace 1); "TC:2" -> "tc:3" (stopped).
// Samples: DC ranges 0.1 V per unit (the DC factor is -0.1), AC ranges 0.005 V per unit; a
// sample is limited to the range's full scale.

#include <optional>
#include <string>

#include "sim/Calibration.h"
#include "sim/ConfigItems.h"
#include "sim/LineModel.h"
#include "sim/RealTimeClock.h"
#include "sim/StoredMemory.h"

namespace sim {

struct TraceSetup {
  int line = 1;
  int count = 1000;
  int triggerType = 0;  // 0 dial tone, 1 DTMF digits, 2 ring-back, 3 voltage level
  int ringbacks = 1;
  int level = 0;  // percent of full scale
  int scale = 0;
  int span = 0;
  std::string digits;  // empty: any digit

  Micros samplePeriod() const;
  double fullScale() const;
  bool acRange() const { return scale >= 2; }
};

class TraceEngine {
 public:
  enum class State { Idle, Armed, Triggered };

  TraceEngine(const LineModel& line, const Calibration& cal, StoredMemory& memory, const RealTimeClock& clock);

  std::string arm(const TraceSetup& setup, Micros now);
  std::string poll(Micros now);
  std::string stop();
  void advance(Micros now);  // keeps a trace whose samples are all taken
  void reset() { state_ = State::Idle; }

  State state() const { return state_; }
  std::optional<Micros> triggeredAt() const;

  // The trigger time of `setup` armed at `armedAt`, if it fires by `now` (scanning the voltage
  // from `scanFrom`).
  std::optional<Micros> findTrigger(const TraceSetup& setup, Micros armedAt, Micros now, Micros& scanFrom) const;
  int sample(const TraceSetup& setup, Micros at) const;
  // A complete trace of `setup` armed at `armedAt`, or none when it never triggers before `until`.
  std::optional<StoredTrace> record(const TraceSetup& setup, Micros armedAt, Micros until) const;

 private:
  double signal(const TraceSetup& setup, Micros at) const;
  int acquired(Micros now) const;
  StoredTrace build(const TraceSetup& setup, Micros triggerAt) const;
  void keep();

  const LineModel& line_;
  const Calibration& cal_;
  StoredMemory& memory_;
  const RealTimeClock& clock_;
  State state_ = State::Idle;
  TraceSetup setup_;
  Micros armedAt_ = 0;
  Micros scanFrom_ = 0;
  Micros triggerAt_ = 0;
  int delivered_ = 0;
  bool kept_ = false;
  bool lastCompleted_ = false;
};

}  // namespace sim
