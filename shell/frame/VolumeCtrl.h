#pragma once

// The status bar's monitor-volume slider (0..255). A drag tells the instrument only when the
// thumb has moved more than 30 steps from the value last sent (and always below 15); the release
// sends the exact position. Page Up / Page Down step by 32. Its own arrow keys do nothing.

#include <QColor>
#include <QSlider>

class CORUpc144App;

class CORUVolumeCtrl : public QSlider {
  Q_OBJECT
 public:
  explicit CORUVolumeCtrl(CORUpc144App& app, QWidget* parent = nullptr);

  void PageUp();
  void PageDown();

  // The mouse handlers' steps, also reached directly by tests.
  void OnButtonDown();
  void OnDragTo(int position);
  void OnButtonUp();
  bool IsDragging() const { return dragging; }

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  // "Modem 3 Volume" and the configuration take the position; the worker is told (item 6).
  void Send(int position);
  int LastSent() const;

  CORUpc144App& app_;
  bool dragging = false;
  QColor channelColor;
};
