#pragma once

// The signal trace's scale and span tables: the vertical ranges ("Trace Scale" 0..3) and the time
// spans ("Trace Span" 0..4) with their axis labels. Indexes come from settings, files and the
// instrument, so every lookup checks its index: out of range gives no value or an empty list.

#include <optional>
#include <span>

#include "link/store/SysCfg.h"

namespace trace_scales {

inline constexpr int kScaleCount = 4;
inline constexpr int kSpanCount = 5;
inline constexpr int kSpanDivisions = 10;
inline constexpr int kPointsPerTrace = 1000;

bool IsScaleIndex(long index);
bool IsSpanIndex(long index);
// Scales 0 and 1 are the DC ranges, 2 and 3 the AC ranges.
bool IsDcScale(long scaleIndex);

// The range's combo-box text ("60 V DC"), nullptr out of range.
const char* ScaleRangeText(long scaleIndex);
// Full-scale span in volts (120.0 for "60 V DC").
std::optional<double> ScaleSpanVolts(long scaleIndex);
// Number of divisions; the label list holds one more entry.
std::optional<int> ScaleDivisions(long scaleIndex);
// Labels from top to bottom ("+60" ... "-60").
std::span<const char* const> ScaleLabels(long scaleIndex);

std::optional<double> SpanSeconds(long spanIndex);
// Seconds per recorded point: the span over the 1000 points of a trace.
std::optional<double> SecondsPerPoint(long spanIndex);
// Labels from left to right ("0" ... "5.0"), eleven of them.
std::span<const char* const> SpanLabels(long spanIndex);

// The factor that turns a recorded sample into volts: value2 for a trace recorded on a DC range,
// value1 for one on an AC range. The display scale never chooses it.
std::optional<double> RecordedFactor(long recordedScaleIndex, const CSysCfg& cfg);

}  // namespace trace_scales
