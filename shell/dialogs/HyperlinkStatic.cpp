#include "shell/dialogs/HyperlinkStatic.h"

#include <QColor>
#include <QDesktopServices>
#include <QFontMetrics>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>

#include "shell/model/Color.h"

namespace {

constexpr COLORREF kLinkColor = 0xFF0000;  // blue

CHyperlinkStatic::OpenHook& Hook() {
  static CHyperlinkStatic::OpenHook hook = [](const QString& url) { QDesktopServices::openUrl(QUrl(url)); };
  return hook;
}

}  // namespace

CHyperlinkStatic::CHyperlinkStatic(QWidget* parent) : QWidget(parent) {
  setMouseTracking(true);
  setCursor(Qt::ArrowCursor);
}

CHyperlinkStatic* CHyperlinkStatic::Attach(QLabel* label) {
  if (!label || !label->parentWidget()) return nullptr;
  auto* link = new CHyperlinkStatic(label->parentWidget());
  link->setObjectName(label->objectName());
  link->setProperty("controlId", label->property("controlId"));
  link->setGeometry(label->geometry());
  link->SetLinkText(label->text());
  link->stackUnder(label);
  link->show();
  delete label;
  return link;
}

void CHyperlinkStatic::SetLinkText(const QString& text) {
  linkText = text;
  extentKnown = false;
  update();
}

void CHyperlinkStatic::SetOpenHook(OpenHook hook) { Hook() = std::move(hook); }

void CHyperlinkStatic::CreateLinkFont() {
  if (fontCreated) return;
  linkFont = parentWidget() ? parentWidget()->font() : font();
  linkFont.setUnderline(true);
  fontCreated = true;
}

void CHyperlinkStatic::MeasureText() {
  CreateLinkFont();
  if (extentKnown) return;
  const QFontMetrics metrics(linkFont);
  textWidth = metrics.horizontalAdvance(linkText);
  textHeight = metrics.height();
  extentKnown = true;
}

bool CHyperlinkStatic::HitTest(const QPoint& point) {
  MeasureText();
  return point.x() >= 0 && point.x() < textWidth && point.y() >= 0 && point.y() < textHeight;
}

void CHyperlinkStatic::paintEvent(QPaintEvent*) {
  CreateLinkFont();
  QPainter painter(this);
  painter.setFont(linkFont);
  painter.setPen(QColor(int(GetRValue(kLinkColor)), int(GetGValue(kLinkColor)), int(GetBValue(kLinkColor))));
  painter.drawText(QRect(0, 0, width(), height()), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, linkText);
}

void CHyperlinkStatic::mouseMoveEvent(QMouseEvent* event) {
  // The hand promises a page to open; without an address the text is only a label.
  const bool opens = !linkUrl.isEmpty() && HitTest(event->position().toPoint());
  setCursor(opens ? Qt::PointingHandCursor : Qt::ArrowCursor);
  QWidget::mouseMoveEvent(event);
}

void CHyperlinkStatic::leaveEvent(QEvent* event) {
  setCursor(Qt::ArrowCursor);
  QWidget::leaveEvent(event);
}

void CHyperlinkStatic::mousePressEvent(QMouseEvent* event) {
  // Without an address there is nothing to open.
  if (event->button() == Qt::LeftButton && HitTest(event->position().toPoint()) && !linkUrl.isEmpty()) Hook()(linkUrl);
  QWidget::mousePressEvent(event);
}
