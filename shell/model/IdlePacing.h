#pragma once

// How often the worker's notifications may run the main frame's idle update. The worker can post
// hundreds of notifications a second (a volt meter that answers at once); the idle update after
// them runs at most once per interval, and always once after the last of a burst.

#include <cstdint>

inline constexpr int kIdleUpdateMinIntervalMs = 50;

// The wait before the idle update that a notification asks for, given the time since the last
// idle update ran (negative: none ran yet).
int IdleUpdateDelayMs(std::int64_t sinceLastRunMs);
