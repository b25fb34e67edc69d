#include "shell/model/ColorSettings.h"

namespace {

COLORREF& ColorOf(AppSettings& s, ColorSlot slot) {
  switch (slot) {
    case ColorSlot::Answer:
      return s.answerColor;
    case ColorSlot::Originate:
      return s.originateColor;
    case ColorSlot::Marker:
      break;
  }
  return s.markerColor;
}

void Derive(AppSettings& s, ColorSlot slot) {
  switch (slot) {
    case ColorSlot::Answer:
      s.answerTextColor = TextColorFor(s.answerColor);
      s.answerShade = ShadeColor(s.answerColor);
      break;
    case ColorSlot::Originate:
      s.originateTextColor = TextColorFor(s.originateColor);
      s.originateShade = ShadeColor(s.originateColor);
      break;
    case ColorSlot::Marker:
      s.markerTextColor = TextColorFor(s.markerColor);  // the marker has no shade
      break;
  }
}

}  // namespace

const char* ColorDialogCaption(ColorSlot slot) {
  switch (slot) {
    case ColorSlot::Answer:
      return "Select Answer Color...";
    case ColorSlot::Originate:
      return "Select Originate Color...";
    case ColorSlot::Marker:
      break;
  }
  return "Select Marker Color...";
}

void ApplyColorChoice(AppSettings& s, ColorSlot slot, std::optional<COLORREF> chosen) {
  if (chosen) ColorOf(s, slot) = *chosen & 0xFFFFFF;
  Derive(s, slot);
}

void ApplyDefaultColor(AppSettings& s, ColorSlot slot) {
  switch (slot) {
    case ColorSlot::Answer:
      s.answerColor = kDefaultAnswerColor;
      break;
    case ColorSlot::Originate:
      s.originateColor = kDefaultOriginateColor;
      break;
    case ColorSlot::Marker:
      s.markerColor = kDefaultMarkerColor;
      break;
  }
  Derive(s, slot);
}
