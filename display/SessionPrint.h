#pragma once

// One print job of the session view: the printer's font and cell, one layout of the capture into
// the job's own lines for the printable width, the pages under a one-inch header, and each page
// drawn with the screen's line painter. The print dialog's range limits the pages printed; the
// footer counts every page of the capture. Preview runs the same job on its own printer.

#include <QFont>
#include <QLoggingCategory>
#include <QRawFont>

#include "display/SessionLinePainter.h"
#include "display/model/PrintPages.h"
#include "display/model/SessionLayout.h"

struct ViewContext;
class QPaintDevice;
class QPainter;
class QPrinter;

// "LineNum ..." and "PageBreak ..." of each pagination; debug level, off unless enabled.
Q_DECLARE_LOGGING_CATEGORY(lcSessionPrint)

class SessionPrintJob {
 public:
  explicit SessionPrintJob(ViewContext& context);

  // Measures the font on `device`, lays the capture out once for the printable width and
  // paginates. `pageWidth` and `pageHeight` are the printable area in device pixels.
  void Prepare(const QPaintDevice& device, int pageWidth, int pageHeight);
  // Prepares for the printer and prints its range; false when no page was printed.
  bool Print(QPrinter& printer);
  // Draws page `page` (from 1) with its header; the painter's origin is the printable area's.
  void DrawPage(QPainter& painter, int page);

  int Pages() const { return plan.Pages(); }
  int LayoutRuns() const { return layoutRuns; }
  const PagePlan& Plan() const { return plan; }
  const PrintGeometry& Geometry() const { return geometry; }
  const SessionLayout& Layout() const { return layout; }
  std::vector<int> PagesPrinted() const { return printed; }

 private:
  ViewContext& context_;
  SessionLayout layout{SessionLayout::Role::Print};
  PrintGeometry geometry;
  PagePlan plan;
  QFont font;
  QRawFont glyphFont;  // the data rows' glyphs, placed cell by cell
  int ascent = 0;
  LayoutGeometry cells;
  int layoutRuns = 0;
  std::vector<int> printed;
};
