#include "shell/frame/VolumeCtrl.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <mutex>

#include "link/protocol/WorkerMessages.h"
#include "shell/frame/CMainFrame.h"
#include "shell/OruApp.h"
#include "shell/frame/StatusBar.h"
#include "shell/model/VolumeSteps.h"

namespace {
constexpr WPARAM kVolumeConfigItem = 0x20;  // item 6 of the settings mask
constexpr int kThumbWidth = 8;
}  // namespace

CORUVolumeCtrl::CORUVolumeCtrl(CORUpc144App& app, QWidget* parent)
    : QSlider(Qt::Horizontal, parent), app_(app), channelColor(palette().color(QPalette::Button)) {
  setRange(0, kVolumeMax);
  setTickPosition(QSlider::NoTicks);
  setFocusPolicy(Qt::NoFocus);
  setTracking(true);
}

int CORUVolumeCtrl::LastSent() const {
  return app_.viewContext().store.WithData([](const DataScope& data) { return data.sysCfg().modem3Volume; });
}

void CORUVolumeCtrl::Send(int position) {
  // Only the main window's slider talks to the instrument.
  if (app_.mainFrame == nullptr || app_.mainFrame->StatusBar() == nullptr ||
      app_.mainFrame->StatusBar()->VolumeSlider() != this)
    return;
  app_.settings.modem3Volume = position;
  app_.viewContext().store.WithData(
      [position](DataScope& data) { data.sysCfg().modem3Volume = static_cast<UCHAR>(position); });
  app_.PostToWorker(WM_ORU_SET_CONFIG, kVolumeConfigItem, 0);
}

void CORUVolumeCtrl::PageUp() {
  if (const auto p = VolumePageUp(value())) {
    setValue(*p);
    Send(*p);
  }
}

void CORUVolumeCtrl::PageDown() {
  if (const auto p = VolumePageDown(value())) {
    setValue(*p);
    Send(*p);
  }
}

void CORUVolumeCtrl::OnButtonDown() { dragging = true; }

void CORUVolumeCtrl::OnDragTo(int position) {
  if (!dragging || position == 0) return;
  if (VolumeDragSends(position, LastSent())) Send(position);
  setValue(position);
}

void CORUVolumeCtrl::OnButtonUp() {
  dragging = false;
  Send(value());
}

void CORUVolumeCtrl::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) OnButtonDown();
  QSlider::mousePressEvent(event);
}

void CORUVolumeCtrl::mouseMoveEvent(QMouseEvent* event) {
  QSlider::mouseMoveEvent(event);
  if (dragging && (event->buttons() & Qt::LeftButton)) OnDragTo(value());
}

void CORUVolumeCtrl::mouseReleaseEvent(QMouseEvent* event) {
  QSlider::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && dragging) OnButtonUp();
}

void CORUVolumeCtrl::keyPressEvent(QKeyEvent* event) { event->accept(); }
void CORUVolumeCtrl::keyReleaseEvent(QKeyEvent* event) { event->accept(); }
void CORUVolumeCtrl::wheelEvent(QWheelEvent* event) { event->accept(); }

void CORUVolumeCtrl::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), channelColor);
  const QPalette& pal = palette();
  // The channel: a sunken groove across the middle.
  const int mid = height() / 2;
  const int left = kThumbWidth / 2;
  const int right = width() - kThumbWidth / 2 - 1;
  painter.setPen(pal.color(QPalette::Dark));
  painter.drawLine(left, mid - 1, right, mid - 1);
  painter.setPen(pal.color(QPalette::Light));
  painter.drawLine(left, mid + 1, right, mid + 1);
  // The thumb: a plain rectangle.
  const int span = std::max(1, width() - kThumbWidth);
  const int x =
      static_cast<int>(static_cast<long long>(span) * (value() - minimum()) / std::max(1, maximum() - minimum()));
  const QRect thumb(x, 2, kThumbWidth, std::max(4, height() - 5));
  painter.setPen(pal.color(QPalette::Shadow));
  painter.setBrush(pal.color(QPalette::Button).lighter(115));
  painter.drawRect(thumb);
}
