#include "trace/model/MeterRules.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

constexpr const char* kDcLabels[] = {"-60", "-50", "-40", "-30", "-20", "-10", "0",
                                     "+10", "+20", "+30", "+40", "+50", "+60"};
constexpr const char* kVppLabels[] = {"-1.5", "-1.2", "-0.9", "-0.6", "-0.3", "0",
                                      "+0.3", "+0.6", "+0.9", "+1.2", "+1.5"};
constexpr const char* kDbmLabels[] = {"-30", "-27", "-24", "-21", "-18", "-15", "-12", "-9", "-6", "-3", "0", "+3"};

constexpr int kEndInset = 4;  // pixels between a scale end and the surface's edge
constexpr int kLabelTop = 4;
constexpr int kBarAboveBaseline = 6;
constexpr double kVppFullSpan = 3.0;
constexpr double kDbmBottom = -30.0;
constexpr double kDbmSpan = 33.0;

double SpanUnits(MeterKind kind) {
  switch (kind) {
    case MeterKind::Dc:
      return 120.0;
    case MeterKind::AcVpp:
      return kVppFullSpan;
    case MeterKind::AcDbm:
      return kDbmSpan;
  }
  return 0.0;
}

// Pixels from the scale's origin, clamped first so that no reading overflows an int.
int PixelOffset(double value, double unitsPerPixel, int limit) {
  const double pixels = std::clamp(value / unitsPerPixel, -static_cast<double>(limit), static_cast<double>(limit));
  return static_cast<int>(pixels);
}

}  // namespace

double MeterReading(const std::string& text) {
  std::string token = text;
  const std::size_t blank = text.find(' ');
  if (blank != std::string::npos) {
    const std::size_t end = text.find(' ', blank + 1);
    token = text.substr(blank + 1, end == std::string::npos ? std::string::npos : end - blank - 1);
  }
  return std::atof(token.c_str());
}

double MeterFilter::Step() {
  previousInput_ = target_;
  previousOutput_ = output_;
  output_ = target_ + target_ + kFeedback * previousOutput_;
  if (std::abs(output_ - previousOutput_) > kSlewLimit)
    output_ = output_ > previousOutput_ ? previousOutput_ + kSlewLimit : previousOutput_ - kSlewLimit;
  return output_;
}

std::span<const char* const> MeterLabels(MeterKind kind) {
  switch (kind) {
    case MeterKind::Dc:
      return kDcLabels;
    case MeterKind::AcVpp:
      return kVppLabels;
    case MeterKind::AcDbm:
      return kDbmLabels;
  }
  return {};
}

MeterScale LayoutMeterScale(MeterKind kind, int width, int height, const std::function<int(const char*)>& labelWidth) {
  const std::span<const char* const> labels = MeterLabels(kind);
  const int n = static_cast<int>(labels.size() - 1) * 2;
  MeterScale scale;
  scale.kind = kind;
  scale.left = labelWidth(labels.front()) / 2 + kEndInset;
  scale.right = width - kEndInset - labelWidth(labels.back()) / 2;
  scale.baseline = height - 1;
  scale.labelY = kLabelTop;
  const int range = scale.right - scale.left;
  if (range > 0) scale.unitsPerPixel = SpanUnits(kind) / range;
  for (int i = 0; i <= n; ++i) {
    MeterTick tick;
    tick.x = scale.left + range * i / n;
    tick.height = i % 2 == 1 ? height / 3 : height / 2;
    if (i % 2 == 0) tick.label = labels[static_cast<std::size_t>(i / 2)];
    scale.ticks.push_back(tick);
  }
  const int zeroTick = kind == MeterKind::Dc ? 12 : kind == MeterKind::AcVpp ? 10 : 20;
  scale.zeroX = scale.ticks[static_cast<std::size_t>(zeroTick)].x;
  return scale;
}

std::optional<MeterBar> BarForValue(const MeterScale& scale, double value) {
  const int range = scale.right - scale.left;
  if (range <= 0 || std::isnan(value)) return std::nullopt;
  MeterBar bar;
  bar.y = scale.baseline - kBarAboveBaseline;
  switch (scale.kind) {
    case MeterKind::Dc:
      bar.x0 = scale.zeroX;
      bar.x1 = std::clamp(scale.zeroX + PixelOffset(value, scale.unitsPerPixel, range), scale.left, scale.right);
      return bar;
    case MeterKind::AcVpp: {
      if (value <= 0.0) return std::nullopt;
      if (value > kVppFullSpan) {
        bar.x0 = scale.left;
        bar.x1 = scale.right;
        return bar;
      }
      const int half = PixelOffset(value, scale.unitsPerPixel, range) / 2;
      bar.x0 = scale.zeroX - half;
      bar.x1 = scale.zeroX + half;
      return bar;
    }
    case MeterKind::AcDbm: {
      const double pixels = std::clamp(range * (value - kDbmBottom) / kDbmSpan, 0.0, static_cast<double>(range));
      bar.x0 = scale.left;
      bar.x1 = scale.left + static_cast<int>(pixels);
      return bar;
    }
  }
  return std::nullopt;
}
