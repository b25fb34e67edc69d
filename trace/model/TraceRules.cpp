#include "trace/model/TraceRules.h"

#include <cmath>

#include "link/store/TraceScales.h"

using namespace trace_scales;

namespace {

long DisplayScale(const TraceIndexes& i) { return IsScaleIndex(i.displayScale) ? i.displayScale : 0; }
long DisplaySpan(const TraceIndexes& i) { return IsSpanIndex(i.displaySpan) ? i.displaySpan : 0; }

void TimeRule(const TraceIndexes& indexes, const AxisMarks& marks, TraceRules& rules) {
  const int width = marks.right - marks.left;
  if (width != 0) rules.secondsPerUnit = *SpanSeconds(DisplaySpan(indexes)) / width;
  if (auto p = SecondsPerPoint(indexes.recordedSpan)) rules.secondsPerPoint = *p;
}

}  // namespace

bool TraceRules::CanWalk() const {
  return recordingValid && std::isfinite(secondsPerPoint) && secondsPerPoint > 0.0 && std::isfinite(secondsPerUnit) &&
         secondsPerUnit > 0.0;
}

TraceRules ScreenRules(const TraceIndexes& indexes, const CSysCfg& cfg, const AxisMarks& marks) {
  TraceRules rules;
  rules.recordingValid = IsScaleIndex(indexes.recordedScale) && IsSpanIndex(indexes.recordedSpan);
  const int height = marks.top - marks.bottom;
  if (height != 0) rules.voltsPerUnit = *ScaleSpanVolts(DisplayScale(indexes)) / height;
  if (auto f = RecordedFactor(indexes.recordedScale, cfg)) rules.factor = *f;
  TimeRule(indexes, marks, rules);
  const int width = marks.right - marks.left;
  rules.pointsPerUnit = width != 0 ? 1000.0 / width : 1.0;
  return rules;
}

TraceRules PrintRules(const TraceIndexes& indexes, const CSysCfg& cfg, const AxisMarks& marks) {
  TraceRules rules;
  rules.recordingValid = IsScaleIndex(indexes.recordedScale) && IsSpanIndex(indexes.recordedSpan);
  const auto factor = RecordedFactor(indexes.recordedScale, cfg);
  const int height = marks.top - marks.bottom;
  if (height != 0 && factor && *factor != 0.0) {
    rules.voltsPerUnit = *ScaleSpanVolts(DisplayScale(indexes)) / height;
    rules.factor = *factor;
  }
  TimeRule(indexes, marks, rules);
  rules.pointsPerUnit = 1.0;
  return rules;
}
