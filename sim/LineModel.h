#pragma once

// The three measuring lines as the instrument's front end sees them: the loaded scenario played
// against the instrument clock, with per-line overrides (a test station for calibration).
// Queries take absolute instrument times; a repeating scenario is folded into its length.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "sim/Scenario.h"

namespace sim {

// A fixed signal that replaces the scenario on one line (DC level plus one sine).
struct LineOverride {
  double dcVolts = 0;
  double acVpp = 0;
  double acHz = 1000;
};

struct DigitEvent {
  Micros at = 0;  // when the digit is detected
  char digit = 0;
};

struct CallOccurrence {
  Micros start = 0;  // absolute time the call connects or its attempt starts
  size_t index = 0;  // into scenario().calls
};

class LineModel {
 public:
  LineModel();

  void load(Scenario scenario, Micros startAt);
  const Scenario& scenario() const { return scenario_; }
  Micros startedAt() const { return start_; }

  // Scenario time of absolute time t; negative before the scenario started.
  Micros scenarioTime(Micros t) const;

  double dcVolts(int line, Micros t) const;
  double acVolts(int line, Micros t) const;  // instantaneous: tones, ringing and DTMF
  double volts(int line, Micros t) const { return dcVolts(line, t) + acVolts(line, t); }
  bool ringing(int line, Micros t) const;
  // The scenario's status text at t, or empty when it leaves the status to the measurement.
  std::string forcedStatus(int line, Micros t) const;

  // Digits detected on a line within (from, to], in order.
  std::vector<DigitEvent> digitsDetected(int line, Micros from, Micros to) const;
  // Onsets of tones of `kind` on a line within (from, to], in order (a cadence gives one per burst).
  std::vector<Micros> toneOnsets(int line, ToneKind kind, Micros from, Micros to) const;
  // Whether a tone of `kind` sounds on the line at t.
  bool toneSounds(int line, ToneKind kind, Micros t) const;
  // Calls connecting (or failing to) within (from, to], in order.
  std::vector<CallOccurrence> callsBetween(Micros from, Micros to) const;

  void setOverride(int line, LineOverride value);
  void clearOverride(int line);

 private:
  // Calls fn(absolute time) for every occurrence of scenario time `rel` within (from, to].
  template <class Fn>
  void occurrences(Micros rel, Micros from, Micros to, Fn fn) const;

  Scenario scenario_;
  Micros start_ = 0;
  std::array<std::optional<LineOverride>, kLineCount> overrides_;
};

}  // namespace sim
