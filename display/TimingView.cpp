#include "display/TimingView.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPaintEvent>
#include <QScrollBar>

#include <algorithm>

#include "display/QtColor.h"
#include "shell/views/ViewContext.h"

CORUTimingView::CORUTimingView(ViewContext& context, DisplayMode mode, QWidget* parent)
    : QAbstractScrollArea(parent), context_(context), mode(mode) {
  setObjectName(QStringLiteral("CORUTimingView"));
  setFocusPolicy(Qt::NoFocus);  // the panel never keeps the focus
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  viewport()->setMouseTracking(true);
  viewport()->setAutoFillBackground(false);
}

int CORUTimingView::RowHeight() const { return std::max(1, QFontMetrics(context_.displayFont, viewport()).height()); }

void CORUTimingView::Refresh() {
  if (mode == DisplayMode::Capture)
    DrawCapturePanel();
  else
    DrawTracePanel();
}

void CORUTimingView::DrawCapturePanel() {
  mode = DisplayMode::Capture;
  UpdateScrollRange();
  viewport()->update();
}

void CORUTimingView::DrawTracePanel() {
  mode = DisplayMode::SignalTrace;
  UpdateScrollRange();
  viewport()->update();
}

CaptureColors CORUTimingView::Colors() const { return WindowColors(context_.settings, palette()); }

TraceReadoutRows CORUTimingView::CurrentTraceRows() const {
  ScopeReadings scope;
  if (source.volts) scope.volts = source.volts();
  if (source.seconds) scope.seconds = source.seconds();
  return BuildTraceReadout(context_.store, context_.settings.traceSnap == 1, scope, Colors());
}

int CORUTimingView::ScrollRows() const { return mode == DisplayMode::Capture ? kReadoutRows : kTraceReadoutRows; }

ReadoutRows CORUTimingView::CurrentRows() const {
  const CaptureColors colors = Colors();
  const CORUData& store = context_.store;
  return BuildCaptureReadout(store, ReadoutOptionsFrom(store), colors,
                             source.sessionLayout ? source.sessionLayout() : nullptr);
}

void CORUTimingView::UpdateScrollRange() {
  const int h = RowHeight();
  QScrollBar* bar = verticalScrollBar();
  bar->setRange(0, std::max(0, ScrollRows() * h - viewport()->height()));
  bar->setPageStep(h);
  bar->setSingleStep(h);
}

void CORUTimingView::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  painter.fillRect(event->rect(), palette().color(QPalette::Base));
  if (mode == DisplayMode::Capture) {
    const ReadoutRows rows = CurrentRows();
    PaintRows(painter, event->rect(), rows);
  } else if (mode == DisplayMode::SignalTrace) {
    const TraceReadoutRows rows = CurrentTraceRows();
    PaintRows(painter, event->rect(), rows);
  }
}

void CORUTimingView::PaintRows(QPainter& painter, const QRect& dirty, std::span<const ReadoutRow> rows) {
  painter.setFont(context_.displayFont);
  const QFontMetrics metrics(context_.displayFont, viewport());
  const int h = RowHeight();
  const int scroll = verticalScrollBar()->value();
  const int width = viewport()->width();
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const ReadoutRow& row = rows[r];
    const QRect band(0, static_cast<int>(r) * h - scroll, width, h);
    if (!band.intersects(dirty)) continue;
    painter.fillRect(band, ToQColor(row.fill));
    if (row.text.empty()) continue;
    const QString text = QString::fromStdString(row.text);
    // Opaque behind the text only, as the labels' trailing blanks expect.
    painter.fillRect(QRect(0, band.top(), metrics.horizontalAdvance(text), h), ToQColor(row.textBackground));
    painter.setPen(ToQColor(row.textColor));
    painter.drawText(0, band.top() + metrics.ascent(), text);
  }
}

void CORUTimingView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollRange();
}

void CORUTimingView::mouseMoveEvent(QMouseEvent* event) {
  if (source.pointerEntered) source.pointerEntered();
  QAbstractScrollArea::mouseMoveEvent(event);
}

void CORUTimingView::scrollContentsBy(int /*dx*/, int /*dy*/) { viewport()->update(); }
