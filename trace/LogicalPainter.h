#pragma once

// Paints in logical units (0.01 inch, y up) on a pixel device: every point goes through one
// LogicalMapper, so the screen and print use the same rounding, and text is never mirrored.

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QString>

#include "trace/model/AxisLayout.h"
#include "trace/model/LogicalMapper.h"

class LogicalPainter {
 public:
  LogicalPainter(QPainter& painter, const LogicalMapper& mapper) : p_(painter), m_(mapper) {}

  QPoint ToPixels(int lx, int ly) const { return {m_.LogicalToPixelsX(lx), m_.LogicalToPixelsY(-ly)}; }
  // The rectangle between two logical corners, in pixels, right and bottom exclusive.
  QRect ToPixels(int lx1, int ly1, int lx2, int ly2) const;

  void Line(int lx1, int ly1, int lx2, int ly2);
  void Fill(int lx1, int ly1, int lx2, int ly2, const QColor& colour);
  // Text whose top-left corner is at (lx, ly).
  void Text(int lx, int ly, const char* text);
  // The current font's extent of text, in logical units.
  TextExtent Measure(const char* text) const;
  MeasureText Measurer() const;

  // A solid pen one logical unit wide (at least one pixel), so lines stay visible at any resolution.
  QPen Pen(const QColor& colour) const;

  QPainter& Painter() { return p_; }
  const LogicalMapper& Mapper() const { return m_; }

 private:
  QPainter& p_;
  const LogicalMapper& m_;
};

// The axis font for a device: "Arial", 16 units high, bold.
QFont AxisFont(const LogicalMapper& mapper);
