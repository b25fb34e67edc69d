#include "shell/dialogs/SplashDlg.h"

#include <QTimer>

#include "resources/ResourceImages.h"
#include "resources/TemplateBuilder.h"
#include "resources/data/ResourceIds.h"
#include "shell/model/SplashRegion.h"

CORUSplashDlg::CORUSplashDlg(QWidget* parent) : QDialog(parent) {
  ApplyTemplate(this, IDD_SPLASH);
  setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint);
  bitmap = LoadResourceBitmap(IDB_SPLASH).convertToFormat(QImage::Format_RGB32);
  closeTimer = new QTimer(this);
  closeTimer->setSingleShot(true);
  connect(closeTimer, &QTimer::timeout, this, [this] { done(0); });
}

QRegion CORUSplashDlg::ShapeRegion() const {
  QRegion region;
  if (bitmap.isNull()) return region;
  QPoint offset;
  if (const QWidget* picture = FindControl(const_cast<CORUSplashDlg*>(this), IDC_SPLASH_PICTURE))
    offset = picture->pos();
  const QImage& image = bitmap;
  const auto runs = SplashOpaqueRuns(image.width(), image.height(), [&image](int x, int y) {
    return static_cast<std::uint32_t>(image.pixel(x, y) & 0xFFFFFF);
  });
  for (const SplashRun& run : runs) region += QRect(offset.x() + run.left, offset.y() + run.y, run.right - run.left, 1);
  return region;
}

void CORUSplashDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  closeTimer->start(kSplashMilliseconds);
}

void CORUSplashDlg::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  const QRegion shape = ShapeRegion();
  if (!shape.isEmpty()) setMask(shape);
}
