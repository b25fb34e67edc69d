#include "display/model/CaptureText.h"

#include "display/model/ByteNames.h"

std::string ByteToDisplayText(UCHAR byte) {
  const std::string_view name = CharName(byte);
  if (name == "<UNK>") return {static_cast<char>(0xC2), static_cast<char>(byte)};  // U+0080..U+009F
  return std::string(name);
}

int DisplayTextCells(UCHAR byte) {
  const std::string_view name = CharName(byte);
  return name == "<UNK>" ? 1 : CharNameCells(byte);
}

std::string ByteToHex(UCHAR byte, UCHAR mask) { return HexText(static_cast<UCHAR>(byte & mask)); }

unsigned ShadedLightness(unsigned lightness, ShadeRule rule) {
  unsigned percent = 0;
  if (rule == ShadeRule::Screen) {
    percent = lightness >= 120 ? 85 : 115;
  } else {
    percent = lightness >= 120 ? 80 : 120;
  }
  return (lightness * percent / 100) & 0xFF;
}

COLORREF CellShade(COLORREF color, ShadeRule rule) {
  const uint32_t hls = RgbToHls(color);
  return HlsToRgb(HLS(HlsHue(hls), ShadedLightness(HlsLightness(hls), rule), HlsSaturation(hls)));
}

CellColors AttributeColors(ULONG attributes, bool selected, bool hex, const CaptureColors& colors) {
  CellTraits traits;
  traits.answer = (attributes & kCellAnswer) != 0;
  // Only the hex layout shades.
  traits.shaded = hex && (attributes & kCellShaded) != 0;
  traits.marker = selected;
  traits.modemEvent = (attributes & kCellModemEvent) != 0;
  traits.parityError = (attributes & kCellParityError) != 0;
  traits.parityBit = (attributes & kCellParityBit) != 0;
  return CellColorsOf(traits, hex ? kTextHexPalette : kTextAsciiPalette, colors);
}
