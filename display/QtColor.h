#pragma once

// Colour values of the settings (0x00BBGGRR) as Qt colours and back, and the capture colours on a
// window's palette.

#include <QColor>
#include <QPalette>

#include "display/model/CapturePalette.h"
#include "shell/model/Color.h"

inline QColor ToQColor(COLORREF color) {
  return QColor(int(GetRValue(color)), int(GetGValue(color)), int(GetBValue(color)));
}
inline COLORREF FromQColor(const QColor& color) {
  return RGB(unsigned(color.red()), unsigned(color.green()), unsigned(color.blue()));
}

// The user's colours with the window colours of `palette`.
inline CaptureColors WindowColors(const AppSettings& settings, const QPalette& palette) {
  return ColorsFrom(settings, FromQColor(palette.color(QPalette::Base)), FromQColor(palette.color(QPalette::Text)));
}
