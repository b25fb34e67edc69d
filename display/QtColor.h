#pragma once

// Colour values of the settings (0x00BBGGRR) as Qt colours and back.

#include <QColor>

#include "shell/model/Color.h"

inline QColor ToQColor(COLORREF color) {
  return QColor(int(GetRValue(color)), int(GetGValue(color)), int(GetBValue(color)));
}
inline COLORREF FromQColor(const QColor& color) {
  return RGB(unsigned(color.red()), unsigned(color.green()), unsigned(color.blue()));
}
