#include "tests/shell/FontCheck.h"

#include <QFont>
#include <QFontInfo>

::testing::AssertionResult CourierNewIsFixedPitch() {
  QFont font(QStringLiteral("Courier New"));
  font.setPixelSize(16);
  const QFontInfo info(font);
  if (info.fixedPitch()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "\"Courier New\" resolves to \"" << info.family().toStdString()
                                       << "\", which is not a fixed-pitch font. Install the package fonts-liberation2 "
                                          "(scripts/setup.sh does) so that fontconfig substitutes Liberation Mono.";
}
