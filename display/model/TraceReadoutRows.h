#pragma once

// The read-out panel in signal-trace mode: marker 2 (the sample under the mouse, or the scope's
// live reading) in rows 0-1, the difference between the markers in rows 3-4 and marker 1 (the
// placed marker, always snapped to its sample) in rows 6-7.

#include <array>
#include <limits>

#include "display/model/ReadoutRows.h"

class CORUData;

inline constexpr int kTraceReadoutRows = 8;

using TraceReadoutRows = std::array<ReadoutRow, kTraceReadoutRows>;

// The scope's readings at its cross-hair; NaN when it has none.
struct ScopeReadings {
  double volts = std::numeric_limits<double>::quiet_NaN();
  double seconds = std::numeric_limits<double>::quiet_NaN();
};

// Builds the rows from the store's trace and markers (taking the store's lock). `snap` is "Trace Snap".
TraceReadoutRows BuildTraceReadout(const CORUData& store, bool snap, const ScopeReadings& scope,
                                   const CaptureColors& colors);
