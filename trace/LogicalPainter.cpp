#include "trace/LogicalPainter.h"

#include <QFontMetrics>

QRect LogicalPainter::ToPixels(int lx1, int ly1, int lx2, int ly2) const {
  const QPoint a = ToPixels(lx1, ly1);
  const QPoint b = ToPixels(lx2, ly2);
  // At least one pixel each way: a band thinner than a pixel still shows.
  const int left = std::min(a.x(), b.x());
  const int top = std::min(a.y(), b.y());
  const int right = std::max(left, std::max(a.x(), b.x()) - 1);
  const int bottom = std::max(top, std::max(a.y(), b.y()) - 1);
  return QRect(QPoint(left, top), QPoint(right, bottom));
}

QPen LogicalPainter::Pen(const QColor& colour) const {
  return QPen(colour, std::max(1, m_.LogicalToPixelsX(1)), Qt::SolidLine);
}

void LogicalPainter::Line(int lx1, int ly1, int lx2, int ly2) { p_.drawLine(ToPixels(lx1, ly1), ToPixels(lx2, ly2)); }

void LogicalPainter::Fill(int lx1, int ly1, int lx2, int ly2, const QColor& colour) {
  p_.fillRect(ToPixels(lx1, ly1, lx2, ly2), colour);
}

void LogicalPainter::Text(int lx, int ly, const char* text) {
  const QFontMetrics metrics(p_.font());
  const QPoint origin = ToPixels(lx, ly);
  p_.drawText(QPoint(origin.x(), origin.y() + metrics.ascent()), QString::fromLatin1(text));
}

TextExtent LogicalPainter::Measure(const char* text) const {
  const QFontMetrics metrics(p_.font());
  return {m_.PixelsToLogicalX(metrics.horizontalAdvance(QString::fromLatin1(text))),
          m_.PixelsToLogicalY(metrics.height())};
}

MeasureText LogicalPainter::Measurer() const {
  return [this](const char* text) { return Measure(text); };
}

QFont AxisFont(const LogicalMapper& mapper) {
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(std::max(1, mapper.LogicalToPixelsY(16)));
  font.setBold(true);
  return font;
}
