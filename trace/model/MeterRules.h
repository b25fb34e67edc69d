#pragma once

// The volt meter's rules without Qt: the reading in a result text, the damped, slew-limited
// filter the bars follow, the scale geometry of the two meters and the bars' end points.

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

// The number in a result text: its second blank-separated token ("DC -48.0 V" reads -48.0), or
// its first when it has no blank; 0.0 when that is no number.
double MeterReading(const std::string& text);

// One meter's filter: a first-order low-pass whose steady state is the reading, limited to
// 13.2 units per step.
class MeterFilter {
 public:
  static constexpr double kGain = 10.51436445;
  static constexpr double kFeedback = 0.8097840332;
  static constexpr double kSlewLimit = 13.2;

  void SetReading(double reading) { target_ = reading / kGain; }
  double Step();
  void Zero() { *this = MeterFilter(); }
  double Output() const { return output_; }

 private:
  double previousInput_ = 0.0;
  double target_ = 0.0;
  double previousOutput_ = 0.0;
  double output_ = 0.0;
};

enum class MeterKind {
  Dc,     // -60 .. +60 V, 24 ticks
  AcVpp,  // -1.5 .. +1.5 V p-p, 20 ticks
  AcDbm,  // -30 .. +3 dBm, 22 ticks
};

// The labels of the even ticks, left to right.
std::span<const char* const> MeterLabels(MeterKind kind);

struct MeterTick {
  int x = 0;
  int height = 0;               // upward from the baseline
  const char* label = nullptr;  // even ticks only
  bool operator==(const MeterTick&) const = default;
};

struct MeterScale {
  MeterKind kind = MeterKind::Dc;
  int left = 0;                // the first tick
  int right = 0;               // the last tick
  int baseline = 0;            // the ticks' foot: the surface's bottom - 1
  int zeroX = 0;               // the "0" tick, the DC and Vp-p bars' origin
  int labelY = 0;              // the labels' top
  double unitsPerPixel = 0.0;  // 0 when the scale has no width
  std::vector<MeterTick> ticks;
};

// A meter surface of `width` x `height` pixels; `labelWidth` measures a label in the label font.
MeterScale LayoutMeterScale(MeterKind kind, int width, int height, const std::function<int(const char*)>& labelWidth);

struct MeterBar {
  int x0 = 0;
  int x1 = 0;
  int y = 0;
  bool operator==(const MeterBar&) const = default;
};
// The bar for a filtered value; none when nothing is drawn (a Vp-p value of 0 or less, or a
// scale without width). The bar never leaves the scale.
std::optional<MeterBar> BarForValue(const MeterScale& scale, double value);
