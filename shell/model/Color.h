#pragma once

// Colour values as the settings and the display code keep them: 0x00BBGGRR.

#include <cstdint>

typedef uint32_t COLORREF;

constexpr COLORREF RGB(unsigned r, unsigned g, unsigned b) {
  return static_cast<COLORREF>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr unsigned GetRValue(COLORREF c) { return c & 0xFF; }
constexpr unsigned GetGValue(COLORREF c) { return (c >> 8) & 0xFF; }
constexpr unsigned GetBValue(COLORREF c) { return (c >> 16) & 0xFF; }

// HLS packed into one word: hue in bits 16..23, lightness 8..15, saturation 0..7, each 0..240.
constexpr uint32_t HLS(unsigned h, unsigned l, unsigned s) {
  return ((h & 0xFF) << 16) | ((l & 0xFF) << 8) | (s & 0xFF);
}
constexpr unsigned HlsHue(uint32_t hls) { return (hls >> 16) & 0xFF; }
constexpr unsigned HlsLightness(uint32_t hls) { return (hls >> 8) & 0xFF; }
constexpr unsigned HlsSaturation(uint32_t hls) { return hls & 0xFF; }

uint32_t RgbToHls(COLORREF color);
COLORREF HlsToRgb(uint32_t hls);
// The darker (light colours) or lighter (dark colours) shade drawn beside a colour.
COLORREF ShadeColor(COLORREF color);
// White on dark colours, black on light ones.
COLORREF TextColorFor(COLORREF color);

constexpr COLORREF kDefaultAnswerColor = 0x8080DF;
constexpr COLORREF kDefaultOriginateColor = 0x80DF80;
constexpr COLORREF kDefaultMarkerColor = 0xFF0000;
constexpr COLORREF kWhite = 0xFFFFFF;
constexpr COLORREF kBlack = 0x000000;
