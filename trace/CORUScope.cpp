#include "trace/CORUScope.h"

#include <QPainter>

#include <cmath>
#include <tuple>
#include <utility>

#include "shell/views/ViewContext.h"
#include "shell/model/Color.h"
#include "trace/LogicalPainter.h"
#include "trace/model/TraceWalk.h"

namespace {

const QColor kGuideGrey(192, 192, 192);

QColor FromColorRef(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

}  // namespace

CORUScope::CORUScope(ViewContext& context) : context_(context) {}

void CORUScope::Attach(QSize area, int xOffset, int yOffset) {
  state.Attach(area.width(), area.height(), xOffset, yOffset);
  image_ = QImage(std::max(area.width(), 1), std::max(area.height(), 1), QImage::Format_RGB32);
  image_.fill(Qt::white);
}

bool CORUScope::Render() {
  if (!state.Attached()) return false;
  QPainter painter(&image_);
  painter.fillRect(image_.rect(), QColor(255, 255, 255));  // COLOR_WINDOW
  const bool redraw = DrawTrace(painter);
  DrawCrossHair(painter);
  DrawMarkerCross(painter);
  if (state.thresholdRect.top != -1) {
    const IntRect& r = state.thresholdRect;
    painter.fillRect(QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1)), QColor(255, 0, 0));
  }
  return redraw;
}

void CORUScope::DrawGuides(QPainter& painter, const TraceRules& rules) {
  LogicalPainter lp(painter, state.Mapper());
  const int z = state.zeroY;
  lp.Fill(0, z - 1, state.widthLogical, z + 1, kGuideGrey);
  const double D = rules.pointsPerUnit;
  const int x1 = static_cast<int>(std::trunc(state.traceStartX - D));
  const int x2 = static_cast<int>(std::trunc(state.traceStartX + D));
  lp.Fill(x1, 1, x2, -state.heightLogical, kGuideGrey);
}

bool CORUScope::DrawTrace(QPainter& painter) {
  const AppSettings& s = context_.settings;
  return std::as_const(context_.store).WithTrace([&](const TraceScope& trace) {
    const TraceIndexes indexes{s.traceScale, s.traceSpan, trace.currentTrace().scaleIndex,
                               trace.currentTrace().spanIndex};
    const TraceRules rules = ScreenRules(indexes, trace.sysCfg(), state.Marks());
    state.SetRules(rules);
    const PlotKind kind = PlotKindFor(indexes.recordedScale);
    const int count = trace.traceSamples().GetSize();
    if (kind == PlotKind::Line || count == 0 || !rules.CanWalk()) DrawGuides(painter, rules);
    if (count == 0 || !rules.CanWalk()) return false;

    LogicalPainter lp(painter, state.Mapper());
    painter.setPen(QPen(Qt::black, 1, Qt::SolidLine));
    const bool snap = s.traceSnap == 1;
    bool redraw = false;
    QPoint pen = lp.ToPixels(state.traceStartX, state.zeroY);
    state.BeginWalk(kind, ReadWalkStart(trace));
    const std::span<const int> samples(trace.traceSamples().GetData(), static_cast<size_t>(count));
    WalkTrace(state.ScreenWalkSetup(kind), samples, [&](const WalkPoint& w) {
      if (kind == PlotKind::Line) {
        const QPoint to = lp.ToPixels(w.x, w.yTop);
        if (!w.move) painter.drawLine(pen, to);
        pen = to;
      } else {
        lp.Fill(w.x, w.yTop, std::max(w.xEnd, w.x + 1), w.yBottom, Qt::black);
      }
      if (w.n >= 0) redraw |= state.NoteDrawnSample(w.n, w.x, w.ReportedY(), snap);
    });
    redraw |= state.EndWalk();
    if (kind == PlotKind::Bars) DrawGuides(painter, rules);
    return redraw;
  });
}

void CORUScope::DrawCrossHair(QPainter& painter) {
  state.TakeCrossPoint();
  const IntPoint c = state.cursorPoint;
  if (c.x == -1 || c.y == -1) return;
  painter.save();
  painter.setCompositionMode(QPainter::RasterOp_NotDestination);
  painter.setPen(QPen(Qt::black, 1));
  painter.drawLine(c.x, 0, c.x, state.heightPx - 1);
  if (c.y != kUnsnappedY) painter.drawLine(0, c.y, state.widthPx + state.hostOffset.x, c.y);
  painter.restore();
}

void CORUScope::DrawMarkerCross(QPainter& painter) {
  const IntPoint c = state.cursorPoint;
  const auto [marker, x, y] = std::as_const(context_.store).WithTrace([](const TraceScope& trace) {
    return std::tuple(trace.traceMarker1().load(), trace.traceCursor1().load(), trace.traceCursor2().load());
  });
  if (marker == -1 || x == -1 || c.x == -1 || c.y == -1) return;
  painter.save();
  painter.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
  painter.setPen(QPen(FromColorRef(context_.settings.markerColor), 1));
  painter.drawLine(x, 0, x, state.heightPx - 1);
  painter.drawLine(0, y, state.widthPx - 1, y);
  painter.restore();
}

void CORUScope::OnMouseMove(int viewX, int viewY) { state.OnMouseMove(viewX, viewY, context_.settings.traceSnap == 1); }

DoubleClickResult CORUScope::OnLButtonDblClk(int viewX, int viewY) {
  return context_.store.WithTrace([&](TraceScope& trace) { return state.OnLButtonDblClk(viewX, viewY, trace); });
}
