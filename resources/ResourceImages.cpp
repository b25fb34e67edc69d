#include "resources/ResourceImages.h"

#include <QFile>
#include <QPixmap>

#include "resources/data/ResourceIds.h"

// Registers the .qrc compiled into this static library (its initialiser would otherwise be
// dropped by the linker). Q_INIT_RESOURCE must be used outside any namespace.
void InitResourceImages() {
  static const bool registered = [] {
    Q_INIT_RESOURCE(resources);
    return true;
  }();
  (void)registered;
}

namespace {

QString ImagePath(const char* kind, int id) {
  return QStringLiteral(":/resources/%1%2.png").arg(QLatin1String(kind)).arg(id);
}

}  // namespace

QIcon LoadResourceIcon(int id) {
  InitResourceImages();
  QIcon icon;
  for (int size : {16, 32}) {
    const QString path = QStringLiteral(":/resources/icon%1_%2.png").arg(id).arg(size);
    if (QFile::exists(path)) icon.addFile(path, QSize(size, size));
  }
  return icon;
}

QImage LoadResourceBitmap(int id) {
  InitResourceImages();
  const QString path = ImagePath("bitmap", id);
  if (!QFile::exists(path)) return QImage();
  // The exact pixel values matter (magenta marks transparency), so no colour conversion.
  return QImage(path).convertToFormat(QImage::Format_RGB32);
}

QCursor LoadResourceCursor(int id) {
  InitResourceImages();
  const QString path = ImagePath("cursor", id);
  if (!QFile::exists(path)) return QCursor(Qt::ArrowCursor);
  // The hand points with its finger tip; the cross hair at its centre.
  const QPoint hotSpot = id == IDC_CROSS_HAIR_CURSOR ? QPoint(15, 15) : QPoint(5, 0);
  return QCursor(QPixmap(path), hotSpot.x(), hotSpot.y());
}

QIcon LoadToolbarIcon(int commandId) {
  InitResourceImages();
  const QString path = ImagePath("toolbar", commandId);
  return QFile::exists(path) ? QIcon(path) : QIcon();
}
