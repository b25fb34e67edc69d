// Draws the program's images into this folder (run once after changing a picture; the PNGs are
// checked in):  cmake --build <build> --target qv_make_images && <build>/resources/qv_make_images
// <source>/resources/images
//
// The splash bitmap is drawn without antialiasing at its outline, so every pixel is either exact
// magenta (transparent) or part of the picture.

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <cstdio>

#include "resources/data/ResourceIds.h"

namespace {

const QColor kMagenta(255, 0, 255);
const QColor kNavy(0x12, 0x3a, 0x66);
const QColor kTrace(0x3f, 0xd4, 0x7a);

QPainterPath Waveform(QRectF area, double cycles, double phase) {
  QPainterPath path;
  const int steps = 240;
  for (int i = 0; i <= steps; ++i) {
    const double t = static_cast<double>(i) / steps;
    // A carrier whose amplitude swells and fades, as a modem burst on the line does.
    const double envelope = 0.25 + 0.75 * std::sin(t * M_PI);
    const double y = std::sin(t * cycles * 2 * M_PI + phase) * envelope;
    const QPointF point(area.left() + t * area.width(), area.center().y() - y * area.height() / 2);
    if (i == 0)
      path.moveTo(point);
    else
      path.lineTo(point);
  }
  return path;
}

QImage Splash() {
  QImage image(360, 221, QImage::Format_RGB32);
  image.fill(kMagenta);
  QPainter painter(&image);
  QPainterPath card;
  card.addRoundedRect(QRectF(6, 16, 330, 199), 22, 22);
  QPainterPath badgeOutline;
  badgeOutline.addEllipse(QPointF(318, 36), 34, 34);  // the badge that stands out of the card
  const QPainterPath outline = card.united(badgeOutline);
  QLinearGradient fill(0, 16, 0, 215);
  fill.setColorAt(0, QColor(0x0b, 0x2a, 0x4a));
  fill.setColorAt(1, QColor(0x1d, 0x5a, 0x8c));
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.fillPath(outline, fill);

  painter.setClipPath(outline);
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setPen(QPen(QColor(0x2a, 0x6a, 0x9c), 1));
  for (int x = 30; x < 336; x += 24) painter.drawLine(x, 100, x, 196);
  for (int y = 100; y <= 196; y += 16) painter.drawLine(20, y, 322, y);
  painter.setPen(QPen(kTrace, 2.2));
  painter.drawPath(Waveform(QRectF(20, 104, 302, 88), 9.5, 0.0));
  painter.setPen(QPen(QColor(0xf0, 0xc0, 0x40), 1.6));
  painter.drawPath(Waveform(QRectF(20, 120, 302, 56), 5.0, 1.3));

  painter.setBrush(QColor(0xf0, 0xc0, 0x40));
  painter.setPen(Qt::NoPen);
  painter.drawEllipse(QPointF(318, 36), 26, 26);
  painter.setPen(QColor(0x12, 0x3a, 0x66));
  QFont badge("Arial");
  badge.setPixelSize(17);
  badge.setBold(true);
  painter.setFont(badge);
  painter.drawText(QRectF(292, 10, 52, 52), Qt::AlignCenter, "ORU");

  painter.setPen(Qt::white);
  QFont title("Arial");
  title.setPixelSize(30);
  title.setBold(true);
  painter.setFont(title);
  painter.drawText(QPointF(24, 60), "Quorlan View PC");
  QFont subtitle("Arial");
  subtitle.setPixelSize(13);
  painter.setFont(subtitle);
  painter.setPen(QColor(0xc8, 0xdc, 0xf0));
  painter.drawText(QPointF(26, 84), "Modem line monitor for the ORUpc");
  QFont maker("Arial");
  maker.setPixelSize(11);
  painter.setFont(maker);
  painter.drawText(QRectF(20, 192, 300, 18), Qt::AlignRight | Qt::AlignVCenter, "Pelgrave, Inc.");
  painter.end();
  return image;
}

QImage Icon(int size) {
  QImage image(size, size, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  const double s = size / 32.0;
  painter.setBrush(kNavy);
  painter.setPen(QPen(QColor(0x08, 0x1c, 0x33), 1.2 * s));
  painter.drawRoundedRect(QRectF(1.5 * s, 1.5 * s, 29 * s, 29 * s), 6 * s, 6 * s);
  painter.setPen(QPen(QColor(0x2a, 0x6a, 0x9c), 0.8 * s));
  painter.drawLine(QPointF(4 * s, 16 * s), QPointF(28 * s, 16 * s));
  painter.setPen(QPen(kTrace, 2.2 * s));
  painter.setBrush(Qt::NoBrush);
  painter.drawPath(Waveform(QRectF(4 * s, 6 * s, 24 * s, 20 * s), 3.0, 0.0));
  return image;
}

QImage Cursor() {
  QImage image(32, 32, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing, false);
  QPainterPath hand;
  hand.addRoundedRect(QRectF(4, 0, 4, 13), 2, 2);  // pointing finger
  hand.addRoundedRect(QRectF(8, 6, 3.5, 9), 1.5, 1.5);
  hand.addRoundedRect(QRectF(11.5, 7, 3.5, 8), 1.5, 1.5);
  hand.addRoundedRect(QRectF(15, 8, 3, 8), 1.5, 1.5);
  hand.addRoundedRect(QRectF(4, 11, 14, 9), 3, 3);  // palm
  hand.addRoundedRect(QRectF(0, 9, 5, 4), 2, 2);    // thumb
  hand.setFillRule(Qt::WindingFill);
  hand = hand.simplified();
  painter.setPen(QPen(Qt::black, 1));
  painter.setBrush(Qt::white);
  painter.drawPath(hand);
  return image;
}

// The cross hair shown over the scope area: thin black lines with a white halo, open centre.
QImage CrossHair() {
  QImage image(32, 32, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setPen(QPen(Qt::white, 3));
  painter.drawLine(15, 2, 15, 12);
  painter.drawLine(15, 18, 15, 28);
  painter.drawLine(2, 15, 12, 15);
  painter.drawLine(18, 15, 28, 15);
  painter.setPen(QPen(Qt::black, 1));
  painter.drawLine(15, 2, 15, 12);
  painter.drawLine(15, 18, 15, 28);
  painter.drawLine(2, 15, 12, 15);
  painter.drawLine(18, 15, 28, 15);
  return image;
}

QImage ToolbarImage(int commandId) {
  QImage image(16, 15, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing, false);
  const QPen outline(QColor(0x20, 0x20, 0x20));
  switch (commandId) {
    case ID_FILE_NEW: {  // New: a page with a folded corner
      QPolygon page({QPoint(3, 0), QPoint(9, 0), QPoint(12, 3), QPoint(12, 14), QPoint(3, 14)});
      p.setPen(outline);
      p.setBrush(Qt::white);
      p.drawPolygon(page);
      p.drawLine(9, 0, 9, 3);
      p.drawLine(9, 3, 12, 3);
      break;
    }
    case ID_FILE_OPEN: {  // Open: a folder
      p.setPen(outline);
      p.setBrush(QColor(0xe8, 0xc0, 0x40));
      p.drawPolygon(QPolygon({QPoint(0, 3), QPoint(5, 3), QPoint(6, 4), QPoint(13, 4), QPoint(13, 13), QPoint(0, 13)}));
      p.setBrush(QColor(0xf8, 0xdc, 0x70));
      p.drawPolygon(QPolygon({QPoint(2, 7), QPoint(15, 7), QPoint(13, 13), QPoint(0, 13)}));
      break;
    }
    case ID_FILE_SAVE: {  // Save: a diskette
      p.setPen(outline);
      p.setBrush(QColor(0x30, 0x50, 0xa0));
      p.drawRect(1, 1, 13, 13);
      p.setBrush(Qt::white);
      p.drawRect(4, 1, 7, 5);
      p.setBrush(QColor(0xc0, 0xc0, 0xc0));
      p.drawRect(4, 9, 7, 5);
      break;
    }
    case ID_FILE_PRINT: {  // Print: a printer with its sheet
      p.setPen(outline);
      p.setBrush(Qt::white);
      p.drawRect(4, 0, 7, 6);
      p.setBrush(QColor(0xa0, 0xa0, 0xa0));
      p.drawRect(1, 5, 13, 6);
      p.setBrush(Qt::white);
      p.drawRect(4, 9, 7, 5);
      p.setPen(QColor(0x20, 0xa0, 0x20));
      p.drawPoint(12, 7);
      break;
    }
    case ID_APP_ABOUT: {  // About: a question mark in a circle
      p.setRenderHint(QPainter::Antialiasing, true);
      p.setPen(QPen(QColor(0x10, 0x30, 0x80), 1));
      p.setBrush(QColor(0x30, 0x60, 0xc0));
      p.drawEllipse(QRectF(1.5, 1, 13, 13));
      p.setPen(Qt::white);
      QFont font("Arial");
      font.setPixelSize(11);
      font.setBold(true);
      p.setFont(font);
      p.drawText(QRectF(1.5, 1, 13, 13), Qt::AlignCenter, "?");
      break;
    }
  }
  return image;
}

bool Save(const QImage& image, const QString& path) {
  if (image.save(path)) return true;
  std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: qv_make_images OUTDIR\n");
    return 2;
  }
  const QDir out(QString::fromLocal8Bit(argv[1]));
  bool ok = Save(Splash(), out.filePath(QStringLiteral("bitmap%1.png").arg(IDB_SPLASH)));
  ok = Save(Icon(16), out.filePath(QStringLiteral("icon%1_16.png").arg(IDI_PROGRAM))) && ok;
  ok = Save(Icon(32), out.filePath(QStringLiteral("icon%1_32.png").arg(IDI_PROGRAM))) && ok;
  ok = Save(Cursor(), out.filePath(QStringLiteral("cursor%1.png").arg(IDC_HAND_CURSOR))) && ok;
  ok = Save(CrossHair(), out.filePath(QStringLiteral("cursor%1.png").arg(IDC_CROSS_HAIR_CURSOR))) && ok;
  for (int id : {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, ID_FILE_PRINT, ID_APP_ABOUT}) {
    ok = Save(ToolbarImage(id), out.filePath(QStringLiteral("toolbar%1.png").arg(id))) && ok;
  }
  return ok ? 0 : 1;
}
