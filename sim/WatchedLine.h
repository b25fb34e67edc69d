#pragma once

// A built-in line as the program plays it for a user to watch. Most lines play their calls once,
// a second or two after they are loaded, which is over before the main window is up. Played for
// watching, such a line keeps its own times but starts later, so that its first call comes
// kFirstCallAt after the start (time to open the window and press Capture), and then starts
// over, again and again. A line that repeats by itself, or has no calls, is left as it is.

#include "sim/Scenario.h"

namespace sim {

inline constexpr Micros kFirstCallAt = 20 * kMicrosPerSecond;

Scenario playedForWatching(Scenario scenario);

}  // namespace sim
