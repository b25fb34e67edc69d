#pragma once

// The shaped splash window (template IDD_SPLASH, bitmap IDB_SPLASH). It closes itself after 1.2 s; its shape
// leaves the bitmap's magenta pixels out.

#include <QDialog>
#include <QImage>
#include <QRegion>

class QTimer;

constexpr int kSplashMilliseconds = 1200;

class CORUSplashDlg : public QDialog {
  Q_OBJECT
 public:
  explicit CORUSplashDlg(QWidget* parent = nullptr);

  // The window's shape: every pixel of the bitmap that is not magenta.
  QRegion ShapeRegion() const;
  const QImage& Bitmap() const { return bitmap; }

 protected:
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  QImage bitmap;
  QTimer* closeTimer = nullptr;
};
