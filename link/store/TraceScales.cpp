#include "link/store/TraceScales.h"

#include <array>

namespace trace_scales {
namespace {

struct ScaleRow {
  const char* rangeText;
  double spanVolts;
  int divisions;
  std::span<const char* const> labels;
};

struct SpanRow {
  double seconds;
  std::span<const char* const> labels;
};

constexpr std::array<const char*, 13> kScale0Labels{"+60", "+50", "+40", "+30", "+20", "+10", "0",
                                                    "-10", "-20", "-30", "-40", "-50", "-60"};
constexpr std::array<const char*, 13> kScale1Labels{"+30", "+25", "+20", "+15", "+10", "+5", "0",
                                                    "-5",  "-10", "-15", "-20", "-25", "-30"};
constexpr std::array<const char*, 7> kScale2Labels{"+1.50", "+1.00", "+0.50", "0", "-0.50", "-1.00", "-1.50"};
constexpr std::array<const char*, 5> kScale3Labels{"+0.70", "+0.35", "0", "-0.35", "-0.70"};

const std::array<ScaleRow, kScaleCount> kScales{{
    {"60 V DC", 120.0, 12, kScale0Labels},
    {"30 V DC", 60.0, 12, kScale1Labels},
    {"1.5 V AC p-p", 3.0, 6, kScale2Labels},
    {"0.7 V AC p-p", 1.4, 4, kScale3Labels},
}};

constexpr std::array<const char*, 11> kSpan0Labels{"0",   "0.5", "1.0", "1.5", "2.0", "2.5",
                                                   "3.0", "3.5", "4.0", "4.5", "5.0"};
constexpr std::array<const char*, 11> kSpan1Labels{"0",   "1.0", "2.0", "3.0", "4.0", "5.0",
                                                   "6.0", "7.0", "8.0", "9.0", "10.0"};
constexpr std::array<const char*, 11> kSpan2Labels{"0",   "1.5",  "3.0",  "4.5",  "6.0", "7.5",
                                                   "9.0", "10.5", "12.0", "13.5", "15.0"};
constexpr std::array<const char*, 11> kSpan3Labels{"0",    "2.0",  "4.0",  "6.0",  "8.0", "10.0",
                                                   "12.0", "14.0", "16.0", "18.0", "20.0"};
constexpr std::array<const char*, 11> kSpan4Labels{"0",    "6.0",  "12.0", "18.0", "24.0", "30.0",
                                                   "36.0", "42.0", "48.0", "54.0", "60.0"};

const std::array<SpanRow, kSpanCount> kSpans{{
    {5.0, kSpan0Labels},
    {10.0, kSpan1Labels},
    {15.0, kSpan2Labels},
    {20.0, kSpan3Labels},
    {60.0, kSpan4Labels},
}};

}  // namespace

bool IsScaleIndex(long index) { return index >= 0 && index < kScaleCount; }
bool IsSpanIndex(long index) { return index >= 0 && index < kSpanCount; }
bool IsDcScale(long scaleIndex) { return scaleIndex == 0 || scaleIndex == 1; }

const char* ScaleRangeText(long scaleIndex) {
  return IsScaleIndex(scaleIndex) ? kScales[scaleIndex].rangeText : nullptr;
}

std::optional<double> ScaleSpanVolts(long scaleIndex) {
  if (!IsScaleIndex(scaleIndex)) return std::nullopt;
  return kScales[scaleIndex].spanVolts;
}

std::optional<int> ScaleDivisions(long scaleIndex) {
  if (!IsScaleIndex(scaleIndex)) return std::nullopt;
  return kScales[scaleIndex].divisions;
}

std::span<const char* const> ScaleLabels(long scaleIndex) {
  if (!IsScaleIndex(scaleIndex)) return {};
  return kScales[scaleIndex].labels;
}

std::optional<double> SpanSeconds(long spanIndex) {
  if (!IsSpanIndex(spanIndex)) return std::nullopt;
  return kSpans[spanIndex].seconds;
}

std::optional<double> SecondsPerPoint(long spanIndex) {
  if (!IsSpanIndex(spanIndex)) return std::nullopt;
  return kSpans[spanIndex].seconds / kPointsPerTrace;
}

std::span<const char* const> SpanLabels(long spanIndex) {
  if (!IsSpanIndex(spanIndex)) return {};
  return kSpans[spanIndex].labels;
}

std::optional<double> RecordedFactor(long recordedScaleIndex, const CSysCfg& cfg) {
  if (!IsScaleIndex(recordedScaleIndex)) return std::nullopt;
  return IsDcScale(recordedScaleIndex) ? cfg.value2 : cfg.value1;
}

}  // namespace trace_scales
