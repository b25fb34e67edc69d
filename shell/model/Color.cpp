#include "shell/model/Color.h"

namespace {

constexpr int kHlsMax = 240;
constexpr int kRgbMax = 255;
constexpr int kUndefinedHue = kHlsMax * 2 / 3;

int HueToChannel(int m1, int m2, int hue) {
  unsigned h = static_cast<uint16_t>(hue);
  if (h > kHlsMax) h -= kHlsMax;
  const int hh = static_cast<int>(static_cast<uint16_t>(h));
  if (hh < kHlsMax / 6) return m1 + ((m2 - m1) * hh + kHlsMax / 12) / (kHlsMax / 6);
  if (hh < kHlsMax / 2) return m2;
  if (hh < kHlsMax * 2 / 3) return m1 + ((m2 - m1) * (kHlsMax * 2 / 3 - hh) + kHlsMax / 12) / (kHlsMax / 6);
  return m1;
}

}  // namespace

uint32_t RgbToHls(COLORREF color) {
  const int r = static_cast<int>(GetRValue(color));
  const int g = static_cast<int>(GetGValue(color));
  const int b = static_cast<int>(GetBValue(color));
  const int max = r > g ? (r > b ? r : b) : (g > b ? g : b);
  const int min = r < g ? (r < b ? r : b) : (g < b ? g : b);
  const int l = ((max + min) * kHlsMax + kRgbMax) / (2 * kRgbMax);
  if (max == min) return HLS(kUndefinedHue, static_cast<unsigned>(l), 0);

  const int spread = max - min;
  const int d = l <= kHlsMax / 2 ? max + min : 2 * kRgbMax - max - min;
  const int s = (spread * kHlsMax + d / 2) / d;
  const int rDelta = ((max - r) * (kHlsMax / 6) + spread / 2) / spread;
  const int gDelta = ((max - g) * (kHlsMax / 6) + spread / 2) / spread;
  const int bDelta = ((max - b) * (kHlsMax / 6) + spread / 2) / spread;
  int hue;
  if (r == max)
    hue = bDelta - gDelta;
  else if (g == max)
    hue = kHlsMax / 3 + rDelta - bDelta;
  else
    hue = kHlsMax * 2 / 3 + gDelta - rDelta;
  unsigned h = static_cast<uint16_t>(hue);
  if (h > kHlsMax) h -= kHlsMax;
  return HLS(h & 0xFF, static_cast<unsigned>(l), static_cast<unsigned>(s));
}

COLORREF HlsToRgb(uint32_t hls) {
  const int h = static_cast<int>(HlsHue(hls));
  const int l = static_cast<int>(HlsLightness(hls));
  const int s = static_cast<int>(HlsSaturation(hls));
  if (s == 0) {
    const unsigned grey = static_cast<unsigned>(l * kRgbMax / kHlsMax);
    return RGB(grey, grey, grey);
  }
  const int m2 =
      l <= kHlsMax / 2 ? (l * (kHlsMax + s) + kHlsMax / 2) / kHlsMax : l + s - (l * s + kHlsMax / 2) / kHlsMax;
  const int m1 = 2 * l - m2;
  const auto channel = [&](int hue) {
    return static_cast<unsigned>((HueToChannel(m1, m2, hue) * kRgbMax + kHlsMax / 2) / kHlsMax);
  };
  return RGB(channel(h + kHlsMax / 3), channel(h), channel(h - kHlsMax / 3));
}

COLORREF ShadeColor(COLORREF color) {
  const uint32_t hls = RgbToHls(color);
  const unsigned l = HlsLightness(hls);
  const double factor = l > 119 ? 0.85 : 1.15;
  const unsigned shaded = static_cast<unsigned>(static_cast<int>(l * factor)) & 0xFF;
  return HlsToRgb(HLS(HlsHue(hls), shaded, HlsSaturation(hls)));
}

COLORREF TextColorFor(COLORREF color) {
  const double luminance = 0.239 * GetRValue(color) + 0.686 * GetGValue(color) + 0.075 * GetBValue(color);
  return luminance <= 128.0 ? kWhite : kBlack;
}
