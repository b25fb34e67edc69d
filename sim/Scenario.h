#pragma once

// A line scenario: what the instrument's three measuring lines carry over time (DC level, tones,
// ringing, DTMF digits) and the modem calls it can capture. Times are relative to the moment the
// scenario is loaded; a repeating scenario starts over after `length`. The text form is read by
// ScenarioParser (format in sim/scenarios/README.md).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/SimTime.h"

namespace sim {

constexpr int kLineCount = 3;
constexpr double kIdleLineVolts = -48.0;  // an on-hook line before the scenario says otherwise

enum class Direction : uint8_t { Originate = 0, Answer = 1 };

// The line's DC level moves linearly to `volts` over `ramp`, starting at `at`.
struct DcChange {
  Micros at = 0;
  int line = 1;
  double volts = 0;
  Micros ramp = 0;
};

// From `at` on the line reports `text` as its status; an empty text goes back to the status
// derived from the voltages.
struct StatusChange {
  Micros at = 0;
  int line = 1;
  std::string text;
};

enum class ToneKind { DialTone, Ringback, Busy, AnswerTone, Ringing, Custom };

// One tone on a line from `start` to `end`: every frequency at `vppEach` volts peak to peak,
// switched by its cadence (`off` 0 = steady).
struct ToneSpan {
  int line = 1;
  ToneKind kind = ToneKind::Custom;
  Micros start = 0;
  Micros end = kForever;
  std::vector<double> hz;
  double vppEach = 0;
  Micros on = 0;
  Micros off = 0;

  // Whether the tone sounds at scenario time t.
  bool soundsAt(Micros t) const {
    if (t < start || t >= end) return false;
    if (off == 0) return true;
    return (t - start) % (on + off) < on;
  }
};

// One DTMF digit sounding on a line.
struct DtmfTone {
  int line = 1;
  char digit = '0';
  Micros start = 0;
  Micros length = 0;
};

enum class CallItemKind { Data, Frame, Event };

// One piece of a call, at `offset` after the connection. Data: bytes sent one after another at
// the line rate (a direction never overlaps itself). Frame: an HDLC frame of a synchronous call
// (payload; the check sequence and flags are added on the line). Event: a modem-event word,
// bytes = {high, low}.
struct CallItem {
  CallItemKind kind = CallItemKind::Data;
  Micros offset = 0;
  Direction dir = Direction::Originate;
  std::vector<uint8_t> bytes;
  std::vector<size_t> parityErrors;  // 7E1 data: indexes of bytes sent with a wrong parity bit
};

struct CallScript {
  Micros at = 0;  // when the call connects (or, for a failing call, when the attempt starts)
  std::string connectText;
  int rate = 2400;  // bits per second on the line
  bool sevenE1 = false;
  bool sync = false;
  int wires = 2;
  int line = 1;
  std::vector<CallItem> items;
  Micros endOffset = 0;
  int endCode = 9;
  std::string endText = "NO CARRIER";
  std::optional<Micros> failOffset;  // set: the call never connects and ends with "ce:" failCode
  int failCode = 0;

  bool connects() const { return !failOffset.has_value(); }
};

struct Scenario {
  std::string name;
  std::string title;
  Micros length = 0;
  bool repeat = false;
  std::vector<DcChange> dc;
  std::vector<StatusChange> status;
  std::vector<ToneSpan> tones;
  std::vector<DtmfTone> dtmf;
  std::vector<CallScript> calls;
};

}  // namespace sim
