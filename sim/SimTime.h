#pragma once

// Time inside the simulated instrument: microseconds on the instrument's own clock. The clock
// follows the PC's steady clock, a multiple of it, or only explicit steps (see SimClock).

#include <cmath>
#include <cstdint>

namespace sim {

using Micros = int64_t;

constexpr Micros kMicrosPerMilli = 1'000;
constexpr Micros kMicrosPerSecond = 1'000'000;
constexpr Micros kForever = INT64_MAX / 4;  // far enough that sums stay in range

inline Micros fromSeconds(double seconds) { return static_cast<Micros>(std::llround(seconds * 1e6)); }
inline double toSeconds(Micros t) { return static_cast<double>(t) / 1e6; }
constexpr Micros millis(int64_t ms) { return ms * kMicrosPerMilli; }

// Division rounding towards minus infinity (time arithmetic on repeating scenarios).
constexpr int64_t floorDiv(int64_t a, int64_t b) {
  int64_t q = a / b;
  return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

}  // namespace sim
