#pragma once

// One signal trace stored in the instrument, or the settings of the trace on screen.

#include <algorithm>
#include <string>

#include "platform/nt/BaseTypes.h"

struct CORUTraceHeader {
  // A slot whose line is -1 holds no trace, whatever its texts say.
  bool IsEmpty() const { return line == -1; }

  LONG count = 0;
  std::string date;
  std::string time;  // "%s:%s:%s" of the three reply fields
  std::string dtmfDigits;
  LONG triggerType = -1;  // 0 dial tone, 1 DTMF, 2 ringback, 3 voltage
  LONG ringbackCount = -1;
  LONG voltageLevel = -1;  // percent of the range's full scale, -99..99
  LONG scaleIndex = -1;    // "Trace Scale" 0..3
  LONG spanIndex = -1;     // "Trace Span" 0..4
  LONG line = -1;

  bool operator==(const CORUTraceHeader&) const = default;
};

// A voltage-trigger level ("DeltaV") read from outside (settings, a file, the instrument) or typed,
// held to -99..99: the threshold mark never reaches the axis's ends.
inline int ClampDeltaV(int deltaV) { return std::clamp(deltaV, -99, 99); }
