#include "display/model/TraceReadoutRows.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <string>

#include "link/store/OruData.h"
#include "link/store/TraceScales.h"

namespace {

constexpr int kMarker2Row = 0;
constexpr int kDeltaRow = 3;
constexpr int kMarker1Row = 6;

std::string Fixed(double value, int decimals) {
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
  return std::string(text, result.ptr);
}

// What the rows need of the store, copied under the lock.
struct TraceSnapshot {
  int count = 0;
  int marker1 = -1;
  int marker2 = -1;
  int sample1 = 0;
  int sample2 = 0;
  bool dc = false;
  std::optional<double> factor;            // value2 on a DC range, value1 on an AC range
  std::optional<double> secondsPerSample;  // of the recorded span

  bool Valid(int index) const { return index >= 0 && index < count; }
};

TraceSnapshot Snapshot(const TraceScope& trace) {
  const CArray<int, int>& samples = trace.traceSamples();
  TraceSnapshot s;
  s.count = samples.GetSize();
  s.marker1 = trace.traceMarker1().load();
  s.marker2 = trace.traceMarker2().load();
  if (s.Valid(s.marker1)) s.sample1 = samples[s.marker1];
  if (s.Valid(s.marker2)) s.sample2 = samples[s.marker2];
  const long scale = trace.currentTrace().scaleIndex;
  s.dc = trace_scales::IsDcScale(scale);
  s.factor = trace_scales::RecordedFactor(scale, trace.sysCfg());
  s.secondsPerSample = trace_scales::SecondsPerPoint(trace.currentTrace().spanIndex);
  return s;
}

class Builder {
 public:
  Builder(const TraceSnapshot& trace, bool snap, const ScopeReadings& scope, const CaptureColors& colors)
      : trace(trace), snap(snap), scope(scope), colors(colors) {}

  TraceReadoutRows Build() {
    Fill(0, kTraceReadoutRows - 1, colors.window);
    const bool samples = trace.count > 0;
    if ((trace.marker2 != -1 && samples) || !snap) {
      Fill(kMarker2Row, kMarker2Row + 1, colors.originate, colors.originateText);
      if (snap) {
        SnappedReading(trace.marker2, trace.sample2, kMarker2Row);
      } else {
        if (!std::isnan(scope.seconds)) Put(kMarker2Row, TimeText(scope.seconds));
        if (!std::isnan(scope.volts)) Put(kMarker2Row + 1, "Voltage: " + Fixed(scope.volts, trace.dc ? 1 : 2) + " V");
      }
    }
    if (trace.marker1 != -1 && samples) {
      // White on the marker colour, as the capture read-out's marker block.
      Fill(kMarker1Row, kMarker1Row + 1, colors.marker, kWhite);
      SnappedReading(trace.marker1, trace.sample1, kMarker1Row);
    }
    if (trace.marker1 != -1 && trace.marker2 != -1 && samples) Delta();
    return rows;
  }

 private:
  static std::string TimeText(double seconds) { return "Time: " + Fixed(seconds, 2) + " seconds"; }

  void Fill(int first, int last, COLORREF fill) { Fill(first, last, fill, colors.windowText); }
  void Fill(int first, int last, COLORREF fill, COLORREF text) {
    for (int r = first; r <= last; ++r) rows[static_cast<std::size_t>(r)] = ReadoutRow{fill, "", fill, text};
  }
  // Text on its row's own fill, unless the row has another text colour set.
  void Put(int row, std::string text) {
    ReadoutRow& target = rows[static_cast<std::size_t>(row)];
    target.text = std::move(text);
  }

  void SnappedReading(int index, int sample, int row) {
    if (!trace.Valid(index)) return;
    if (trace.secondsPerSample) Put(row, TimeText(index * *trace.secondsPerSample));
    if (const auto volts = SampleVolts(sample))
      Put(row + 1, "Voltage: " + Fixed(*volts, 3) + (trace.dc ? " V" : " Vpp"));
  }

  // A DC sample keeps the line's sign. An AC sample is a peak-to-peak width, drawn as the same bar
  // whatever its sign, so only its size counts: a negative Vpp would be no reading at all.
  std::optional<double> SampleVolts(int sample) const {
    if (!trace.factor) return std::nullopt;
    return trace.dc ? sample * -*trace.factor : std::fabs(sample * *trace.factor);
  }

  // The delta's voltage of one sample: an AC sample is peak to peak, so half of it.
  std::optional<double> DeltaVolts(int sample) const {
    const auto volts = SampleVolts(sample);
    if (!volts || trace.dc) return volts;
    return *volts / 2;
  }

  void Delta() {
    for (int r = kDeltaRow; r <= kDeltaRow + 1; ++r)
      rows[static_cast<std::size_t>(r)] = ReadoutRow{colors.window, "", colors.window, (0u - colors.window) & 0xFFFFFF};
    std::optional<double> volts, seconds;
    if (snap && trace.Valid(trace.marker1) && trace.Valid(trace.marker2)) {
      const auto v2 = DeltaVolts(trace.sample2), v1 = DeltaVolts(trace.sample1);
      if (v2 && v1) volts = *v2 - *v1;
      if (trace.secondsPerSample) seconds = (trace.marker2 - trace.marker1) * *trace.secondsPerSample;
    } else if (trace.Valid(trace.marker1)) {
      // From the cursor's live reading to marker 1's sample.
      const auto v1 = DeltaVolts(trace.sample1);
      if (v1 && !std::isnan(scope.volts)) volts = scope.volts - *v1;
      if (trace.secondsPerSample && !std::isnan(scope.seconds))
        seconds = scope.seconds - trace.marker1 * *trace.secondsPerSample;
    }
    if (volts) Put(kDeltaRow, "Voltage Delta: " + Fixed(*volts, 3) + " V");
    if (seconds) Put(kDeltaRow + 1, "Time Delta: " + Fixed(*seconds, 2) + " sec.");
  }

  const TraceSnapshot& trace;
  bool snap;
  const ScopeReadings& scope;
  const CaptureColors& colors;
  TraceReadoutRows rows;
};

}  // namespace

TraceReadoutRows BuildTraceReadout(const CORUData& store, bool snap, const ScopeReadings& scope,
                                   const CaptureColors& colors) {
  const TraceSnapshot trace = store.WithTrace(Snapshot);
  return Builder(trace, snap, scope, colors).Build();
}
