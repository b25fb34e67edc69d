#include "display/model/CapturePalette.h"

#include "shell/model/AppSettings.h"

CaptureColors ColorsFrom(const AppSettings& settings, COLORREF window, COLORREF windowText) {
  CaptureColors colors;
  colors.answer = settings.answerColor;
  colors.answerText = settings.answerTextColor;
  colors.originate = settings.originateColor;
  colors.originateText = settings.originateTextColor;
  colors.marker = settings.markerColor;
  colors.markerText = settings.markerTextColor;
  colors.answerShade = settings.answerShade;
  colors.originateShade = settings.originateShade;
  colors.window = window;
  colors.windowText = windowText;
  return colors;
}

CaptureColors PaperColors(const AppSettings& settings) { return ColorsFrom(settings, kPaper, kPaperText); }

CellStyle CellStyleOf(const CellTraits& traits, CellOrder order) {
  if (traits.marker) return CellStyle::Marker;
  if (traits.sync) return CellStyle::Sync;
  const bool eventFirst = order == CellOrder::ModemEventFirst;
  if (eventFirst && traits.modemEvent) return CellStyle::ModemEvent;
  if (traits.parityError) return CellStyle::ParityError;
  if (traits.parityBit) return CellStyle::ParityBit;
  if (traits.modemEvent) return CellStyle::ModemEvent;
  return CellStyle::Own;
}

CellColors CellColorsOf(const CellTraits& traits, const ViewPalette& view, const CaptureColors& colors) {
  const bool answer = traits.answer;
  const COLORREF ownText = answer ? colors.answerText : colors.originateText;
  const bool shadedParity = traits.shaded && view.shadeParity;
  switch (CellStyleOf(traits, view.order)) {
    case CellStyle::Marker:
      return {colors.marker, colors.markerText};
    case CellStyle::Sync:
      return {kSyncBack, colors.answerText};
    case CellStyle::ModemEvent:
      switch (view.modemEventInk) {
        case ModemEventInk::White:
          return {kModemEventBack, kModemEventText};
        case ModemEventInk::Direction:
          return {kModemEventBack, ownText};
        case ModemEventInk::Originate:
          return {kModemEventBack, colors.originateText};
      }
      break;
    case CellStyle::ParityError:
      return {shadedParity ? kParityErrorShadedBack : kParityErrorBack, kParityText};
    case CellStyle::ParityBit:
      return {shadedParity ? kParityBitShadedBack : kParityBitBack, kParityText};
    case CellStyle::Own:
      break;
  }
  if (traits.shaded) return {answer ? colors.answerShade : colors.originateShade, ownText};
  return {answer ? colors.answer : colors.originate, ownText};
}
