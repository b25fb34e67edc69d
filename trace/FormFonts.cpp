#include "trace/FormFonts.h"

QFont FormLabelFont() {
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(16);
  font.setBold(true);
  return font;
}
