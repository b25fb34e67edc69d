#include "display/SessionView.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <optional>
#include <utility>

#include "display/QtColor.h"
#include "display/SessionLinePainter.h"
#include "display/SessionPrint.h"
#include "shell/views/ViewContext.h"

namespace {

int MulDiv(int number, int numerator, int denominator) {
  return static_cast<int>((static_cast<long long>(number) * numerator + denominator / 2) / denominator);
}

}  // namespace

CORUSessionView::CORUSessionView(ViewContext& context, QWidget* parent)
    : QAbstractScrollArea(parent), context_(context) {
  setObjectName(QStringLiteral("CORUSessionView"));
  // Always shown, so that the layout width does not flip with the content's height.
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  viewport()->setMouseTracking(true);
  viewport()->setAutoFillBackground(false);
  liveTimer.setSingleShot(true);
  connect(&liveTimer, &QTimer::timeout, this, &CORUSessionView::OnLiveTick);
  resize(575, 475);
}

void CORUSessionView::MeasureFont() {
  const int dpiY = viewport()->logicalDpiY();
  font = QFont(QStringLiteral("Courier New"));
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  font.setPixelSize(MulDiv(10, dpiY, 72));
  const QFontMetrics metrics(font, viewport());
  geometry.cellWidth = metrics.horizontalAdvance(QLatin1Char('O'));
  geometry.cellHeight = metrics.height();
  geometry.separatorHeight = 3 * std::max(1, MulDiv(1, dpiY, 72));
}

void CORUSessionView::LayOut() {
  if (geometry.cellWidth == 0) MeasureFont();
  geometry.width = viewport()->width();
  if (layout.Update(context_.store, geometry, OptionsFrom(context_.store, context_.settings.viewType))) ++fullLayouts;
  stale = false;
  UpdateScrollRange();
}

void CORUSessionView::EnsureLayout() {
  layoutQueued = false;
  if (stale) LayOut();
}

void CORUSessionView::UpdateScrollRange() {
  const int height = viewport()->height();
  QScrollBar* bar = verticalScrollBar();
  bar->setRange(0, std::max(0, static_cast<int>(layout.TotalHeight()) - height));
  bar->setPageStep(std::max(1, height));
  bar->setSingleStep(std::max(1, 2 * geometry.cellHeight));
}

void CORUSessionView::OnUpdate() {
  EnsureLayout();
  viewport()->update();
}

void CORUSessionView::Refresh() {
  stale = true;
  if (!context_.store.Run().captureRunning()) {
    const QSignalBlocker quiet(verticalScrollBar());
    verticalScrollBar()->setValue(0);
  }
  ResetHover();
  if (!layoutQueued) {
    layoutQueued = true;
    QMetaObject::invokeMethod(this, &CORUSessionView::EnsureLayout, Qt::QueuedConnection);
  }
  viewport()->update();
}

void CORUSessionView::Redraw() { viewport()->update(); }

// The queued layout of Refresh comes too late when a paint is due already (a dialog that just
// closed uncovers the view): that paint would show the lines of the capture replaced.
void CORUSessionView::RefreshNow() {
  Refresh();
  EnsureLayout();
}

void CORUSessionView::StartLiveRefresh() {
  ++liveStarts;
  liveTimer.start(kLiveRefreshMs);
}

void CORUSessionView::StopLiveRefresh() {
  const bool wasRunning = liveTimer.isActive();
  liveTimer.stop();
  // The end of a capture may come before the next tick: lay out what arrived since the last one
  // and keep the end in view, so the finished call is shown whole.
  if (wasRunning) QMetaObject::invokeMethod(this, &CORUSessionView::LayOutArrived, Qt::QueuedConnection);
}

void CORUSessionView::LayOutArrived() {
  stale = true;
  EnsureLayout();
  QScrollBar* bar = verticalScrollBar();
  if (layout.TotalHeight() > viewport()->height()) bar->setValue(bar->maximum());
  viewport()->update();
}

// A recalled session: laid out at once, the view left where it was (at the top after the
// recall's own refresh), so the new event's title is what the user sees first.
void CORUSessionView::ShowArrivedData() {
  stale = true;
  EnsureLayout();
  viewport()->update();
  RefreshReadout();
}

void CORUSessionView::OnLiveTick() {
  ++liveTicks;
  stale = true;
  ResetHover();
  EnsureLayout();
  if (context_.store.Run().captureRunning()) {
    QScrollBar* bar = verticalScrollBar();
    bar->setValue(layout.TotalHeight() > viewport()->height() ? bar->maximum() : 0);
    liveTimer.start(kLiveRefreshMs);
  }
  viewport()->update();
}

void CORUSessionView::ResetHover() {
  if (hoverShown) viewport()->update(CellRectOf(hoverLine, hoverIndex));
  hoverLine = -1;
  hoverIndex = -1;
  hoverShown = false;
}

void CORUSessionView::ClearHoverMark() {
  if (!hoverShown) return;
  viewport()->update(CellRectOf(hoverLine, hoverIndex));
  hoverShown = false;
}

void CORUSessionView::RefreshReadout() { emit siblings.readoutChanged(); }

LONG CORUSessionView::DocumentY(int viewportY) const { return viewportY + verticalScrollBar()->value(); }

QRect CORUSessionView::CellRectOf(int line, int index) const {
  const auto& lines = layout.Lines();
  if (line < 0 || line >= static_cast<int>(lines.size()) || index < 0) return {};
  const CORUSessionLine& data = lines[static_cast<std::size_t>(line)];
  if (!data.IsData() || index < data.firstByte || index > data.lastByte) return {};
  const std::size_t offset = static_cast<std::size_t>(index - data.firstByte);
  if (offset >= data.cellCounts.size()) return {};
  int x = 0;
  for (std::size_t k = 0; k < offset; ++k) x += data.cellCounts[k] * geometry.cellWidth;
  const int top = static_cast<int>(data.rect.top - verticalScrollBar()->value());
  const std::optional<bool> answer = context_.store.WithCapture([index](const CaptureScope& capture) {
    const CCaptBufArray& records = capture.captureBuffer();
    return index < records.GetSize() ? std::optional<bool>(records[index].IsAnswer()) : std::nullopt;
  });
  if (!answer) return {};
  return QRect(x, *answer ? top : top + geometry.cellHeight, data.cellCounts[offset] * geometry.cellWidth,
               geometry.cellHeight);
}

QRect CORUSessionView::ByteCellRect(int index) const {
  const auto& lines = layout.Lines();
  for (std::size_t k = 0; k < lines.size(); ++k) {
    if (lines[k].IsData() && index >= lines[k].firstByte && index <= lines[k].lastByte)
      return CellRectOf(static_cast<int>(k), index);
  }
  return {};
}

int CORUSessionView::DataLineAt(const QPoint& point) const {
  const int line = layout.LineAt(DocumentY(point.y()));
  if (line < 0 || !layout.Lines()[static_cast<std::size_t>(line)].IsData()) return -1;
  return line;
}

void CORUSessionView::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  const QRect client = viewport()->rect();
  const CaptureColors colors = WindowColors(context_.settings, palette());
  painter.fillRect(event->rect(), ToQColor(colors.window));
  const auto& lines = layout.Lines();
  if (lines.empty() || geometry.cellWidth == 0) return;

  const auto capture = std::as_const(context_.store).HoldCapture();
  if (capture->captureBuffer().IsEmpty()) return;
  SessionPaint paint;
  paint.capture = &*capture;
  paint.options = OptionsFrom(*capture, context_.settings.viewType);
  paint.colors = colors;
  paint.font = font;
  paint.ascent = QFontMetrics(font, viewport()).ascent();
  paint.cellWidth = geometry.cellWidth;
  paint.cellHeight = geometry.cellHeight;
  paint.separatorHeight = geometry.separatorHeight;
  paint.marker = capture->currentRecordIndex();
  paint.inverted = hoverShown ? hoverIndex : -1;
  const LONG scroll = verticalScrollBar()->value();
  painter.setFont(font);

  for (int k = layout.FirstLineBelow(scroll + event->rect().top()); k < static_cast<int>(lines.size()); ++k) {
    const CORUSessionLine& line = lines[static_cast<std::size_t>(k)];
    const int y = static_cast<int>(line.rect.top - scroll);
    if (y >= event->rect().bottom() + 1) break;
    PaintSessionLine(painter, line, 0, y, client.width(), paint);
  }
}

void CORUSessionView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  ResetHover();
  if (geometry.cellWidth == 0) MeasureFont();
  if (viewport()->width() != layout.Geometry().width || !layout.HasLayout()) {
    LayOut();
  } else {
    UpdateScrollRange();
  }
}

void CORUSessionView::mouseMoveEvent(QMouseEvent* event) {
  const QPoint point = event->position().toPoint();
  const int line = DataLineAt(point);
  if (line >= 0) {
    const int index = layout.HitTestByte(line, point.x());
    if (!(hoverShown && line == hoverLine && index == hoverIndex)) {
      if (hoverShown) viewport()->update(CellRectOf(hoverLine, hoverIndex));
      hoverLine = line;
      hoverIndex = index;
      hoverShown = true;
      const int event = layout.Lines()[static_cast<std::size_t>(line)].eventIndex;
      context_.store.WithCapture([&](CaptureScope& capture) {
        capture.cursorRecordIndex() = index;
        capture.cursorEventIndex() = event;
      });
      viewport()->update(CellRectOf(hoverLine, hoverIndex));
      RefreshReadout();
    }
  }
  QAbstractScrollArea::mouseMoveEvent(event);
}

void CORUSessionView::mouseDoubleClickEvent(QMouseEvent* event) {
  const int line = DataLineAt(event->position().toPoint());
  if (line >= 0) {
    const int index = layout.HitTestByte(line, event->position().toPoint().x());
    const bool changed = context_.store.WithCapture([index](CaptureScope& capture) {
      std::atomic<int>& marker = capture.currentRecordIndex();
      const int old = marker;
      const int next = index == -1 || index == old ? -1 : index;
      marker = next;
      return next != old;
    });
    // The marker is saved with the capture, so setting, moving and clearing it all modify it.
    if (changed) context_.host.MarkModified(DocumentType::Capture);
    ResetHover();
    RefreshReadout();
    viewport()->update();
  }
  QAbstractScrollArea::mouseDoubleClickEvent(event);
}

void CORUSessionView::wheelEvent(QWheelEvent* event) {
  // The live refresh keeps the end in view; the wheel would fight it.
  if (context_.store.Run().captureRunning()) {
    event->accept();
    return;
  }
  QAbstractScrollArea::wheelEvent(event);
}

void CORUSessionView::scrollContentsBy(int /*dx*/, int /*dy*/) {
  ResetHover();
  viewport()->update();
}

bool CORUSessionView::CanPrint() const {
  return context_.store.WithCapture([](const CaptureScope& capture) {
    return !capture.captureBuffer().IsEmpty() || !capture.captureHeaders().IsEmpty();
  });
}

void CORUSessionView::Print(QPrinter& printer) {
  // The job lays out into its own lines with the printer's font: the screen keeps its layout,
  // cell size and hover.
  SessionPrintJob job(context_);
  job.Print(printer);
  ++printJobs;
}
