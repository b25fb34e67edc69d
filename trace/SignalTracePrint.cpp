// The signal trace's one printed page, drawn by the same routine on a printer, in the preview and
// into an image.

#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include <utility>
#include <span>

#include "shell/views/ViewContext.h"
#include "shell/model/Color.h"
#include "trace/AxisPanels.h"
#include "trace/CORUSignalTrace.h"
#include "trace/LogicalPainter.h"
#include "trace/model/TraceWalk.h"

namespace {

QFont PageFont(const LogicalMapper& mapper) {
  QFont font;
  font.setStyleHint(QFont::TypeWriter);
  font.setFamily(QStringLiteral("Courier New"));
  font.setFixedPitch(true);
  font.setPixelSize(std::max(1, mapper.LogicalToPixelsY(16)));
  font.setWeight(QFont::Medium);
  return font;
}

}  // namespace

bool CORUSignalTrace::CanPrint() const {
  return context_.store.WithTrace([](const TraceScope& trace) { return !trace.traceSamples().IsEmpty(); });
}

void CORUSignalTrace::Print(QPrinter& printer) {
  if (!CanPrint()) return;  // nothing held: no job
  printer.setFromTo(1, 1);
  QPainter painter(&printer);
  if (!painter.isActive()) return;
  const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
  PrintPage(painter, QRect(QPoint(0, 0), page.size()), printer.resolution(), printer.resolution(), 1, 1);
}

void CORUSignalTrace::PrintPreview() {
  if (!CanPrint()) return;
  QPrinter printer(QPrinter::HighResolution);
  QPrintPreviewDialog dialog(&printer, this);
  connect(&dialog, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* p) { Print(*p); });
  context_.prompts.RunModal(dialog);
}

void CORUSignalTrace::PrintPage(QPainter& painter, const QRect& pageRect, int dpiX, int dpiY, int page, int pages) {
  const LogicalMapper mapper(dpiX, dpiY);
  LogicalPainter lp(painter, mapper);
  painter.save();
  painter.translate(pageRect.topLeft());
  painter.setFont(PageFont(mapper));
  painter.setPen(lp.Pen(Qt::black));
  const QString title = context_.host.DocumentTitle();
  lp.Text(50, -50, title.toLatin1().constData());
  const int pageBottom = -mapper.PixelsToLogicalY(pageRect.height());
  lp.Text(50, pageBottom + 50, QStringLiteral("Page %1 of %2").arg(page).arg(pages).toLatin1().constData());

  // The trace page: panels placed as on the screen, at (50, 100).
  painter.setFont(AxisFont(mapper));
  const QSize voltSize = voltPanel_ != nullptr ? voltPanel_->size() : QSize(57, 362);
  const QSize timeSize = timePanel_ != nullptr ? timePanel_->size() : QSize(530, 42);
  const PanelRect voltRect{50, 100, 50 + voltSize.width(), 100 + voltSize.height()};
  const PanelRect timeRect{voltRect.right, 460, voltRect.right + timeSize.width(), 460 + timeSize.height()};
  const VoltAxisLayout volt = DrawVoltAxis(lp, context_.settings.traceScale, voltRect);
  const TimeAxisLayout time = DrawTimeAxis(lp, context_.settings.traceSpan, timeRect);
  lp.Line(time.leftMark, -timeRect.top, timeRect.right, -timeRect.top);
  const PanelRect area{timeRect.left + time.leftMark, voltRect.top, timeRect.right, voltRect.bottom};

  std::as_const(context_.store).WithTrace([&](const TraceScope& trace) {
    const int count = trace.traceSamples().GetSize();
    if (count > 0) {
      const TraceIndexes indexes{context_.settings.traceScale, context_.settings.traceSpan,
                                 trace.currentTrace().scaleIndex, trace.currentTrace().spanIndex};
      const AxisMarks marks{volt.topMark, volt.bottomMark, time.leftMark, time.rightMark};
      WalkSetup setup;
      setup.kind = PlotKindFor(indexes.recordedScale);
      setup.rules = PrintRules(indexes, trace.sysCfg(), marks);
      setup.startX = time.leftMark;
      setup.units = time.rightMark - time.leftMark;
      setup.step = 1;
      setup.barWidth = 1.0;
      setup.zeroY = -((area.bottom - area.top) / 2) - area.top;
      setup.yMax = -area.top;
      setup.yMin = -area.bottom;
      // The printed marker point starts not found on every page.
      IntPoint marker;
      const int markerIndex = trace.traceMarker1();
      QPoint pen = lp.ToPixels(setup.startX, setup.zeroY);
      painter.setPen(lp.Pen(Qt::black));
      const std::span<const int> samples(trace.traceSamples().GetData(), static_cast<size_t>(count));
      WalkTrace(setup, samples, [&](const WalkPoint& w) {
        if (setup.kind == PlotKind::Line) {
          const QPoint to = lp.ToPixels(w.x, w.yTop);
          if (!w.move) painter.drawLine(pen, to);
          pen = to;
        } else {
          lp.Fill(w.x, w.yTop, std::max(w.xEnd, w.x + 1), w.yBottom, QColor(128, 128, 128));
        }
        if (w.n >= 0 && w.n == markerIndex) marker = {w.x, w.ReportedY()};
      });
      painter.setPen(lp.Pen(Qt::black));
      lp.Line(time.leftMark, setup.zeroY, area.right, setup.zeroY);
      lp.Line(time.leftMark, -area.top, time.leftMark, -area.bottom);
      // Printers have no raster operations: a plain pen in the marker colour.
      if (trace.traceCursor1() != -1 && marker.x != -1) {
        const COLORREF c = context_.settings.markerColor;
        painter.setPen(lp.Pen(QColor(GetRValue(c), GetGValue(c), GetBValue(c))));
        lp.Line(marker.x, -area.top, marker.x, -area.bottom);
        lp.Line(time.leftMark, marker.y, area.right, marker.y);
      }
    }
    painter.restore();
  });
}
