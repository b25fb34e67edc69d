#pragma once

// Paints one session line (title, two-row data line or separator) with QPainter: the screen and
// the printer use the same routine, each with its own font, cell size and origin.

#include <QFont>
#include <QRawFont>

#include "display/model/CapturePalette.h"
#include "display/model/SessionLine.h"
#include "display/model/SessionOptions.h"

class QPainter;
class CaptureScope;

struct SessionPaint {
  SessionOptions options;
  CaptureColors colors;
  QFont font;
  int ascent = 0;
  int cellWidth = 0;
  int cellHeight = 0;
  int separatorHeight = 0;
  int marker = -1;    // currentRecordIndex
  int inverted = -1;  // the hovered byte, drawn in complemented colours; -1 none
  // The capture as it is now, held for the paint; lines naming more are drawn short.
  const CaptureScope* capture = nullptr;
  // Printers: the backgrounds of a row become a few long rectangles and its characters a few
  // glyph runs from `glyphFont` (the printer font), each glyph placed at its own cell.
  bool mergeRuns = false;
  QRawFont glyphFont;
};

// Draws `line` with its top-left corner at (x, y); titles and separators reach `right`.
void PaintSessionLine(QPainter& painter, const CORUSessionLine& line, int x, int y, int right,
                      const SessionPaint& paint);
