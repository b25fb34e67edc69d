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

CellColors CellColorsOf(ULONG attributes, bool selected, bool hex, const CaptureTextColors& colors) {
  const bool answer = (attributes & kCellAnswer) != 0;
  const bool shaded = hex && (attributes & kCellShaded) != 0;
  if (selected) return {colors.marker, colors.markerText};
  if ((attributes & kCellModemEvent) != 0) {
    return {0x0000FF, hex ? colors.originateText : (answer ? colors.answerText : colors.originateText)};
  }
  if ((attributes & kCellParityError) != 0) return {shaded ? 0x2EFDFDu : 0x10DFDFu, colors.windowText};
  if ((attributes & kCellParityBit) != 0) return {shaded ? 0xFDFD9Eu : 0xDFDF80u, colors.windowText};
  if (answer) return {shaded ? colors.answerShade : colors.answer, colors.answerText};
  return {shaded ? colors.originateShade : colors.originate, colors.originateText};
}
