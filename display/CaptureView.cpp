#include "display/CaptureView.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <QPrinter>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <utility>

#include "display/QtColor.h"
#include "display/model/PrintPages.h"
#include "display/model/SessionLine.h"
#include "link/store/OruData.h"
#include "shell/views/ViewContext.h"

QPoint CORUCaptureView::ToDevice::operator()(LONG x, LONG y) const {
  return {originX + int(std::lround(double(x) * sx)), originY + int(std::lround(double(top - y) * sy))};
}

QRect CORUCaptureView::ToDevice::operator()(const CellRect& rect) const {
  const QPoint a = (*this)(rect.left, rect.top);
  const QPoint b = (*this)(rect.right, rect.bottom);
  return QRect(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
               QPoint(std::max(a.x(), b.x()) - 1, std::max(a.y(), b.y()) - 1));
}

CORUCaptureView::CORUCaptureView(ViewContext& context, QWidget* parent)
    : QAbstractScrollArea(parent), context_(context) {
  setObjectName(QStringLiteral("CORUCaptureView"));
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  viewport()->setMouseTracking(true);
  viewport()->setAutoFillBackground(false);
  liveTimer.setSingleShot(true);
  connect(&liveTimer, &QTimer::timeout, this, &CORUCaptureView::OnLiveTick);
  // While a capture runs every scroll request goes to the end.
  connect(verticalScrollBar(), &QScrollBar::actionTriggered, this, [this](int) {
    if (this->context_.store.Run().captureRunning())
      verticalScrollBar()->setSliderPosition(verticalScrollBar()->maximum());
  });
}

QFont CORUCaptureView::FontFor(int dpiY) const {
  // 16 logical units high, fixed pitch.
  QFont font(QStringLiteral("Courier New"));
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  font.setPixelSize(std::max(1, int(std::lround(16.0 * dpiY / 100.0))));
  return font;
}

void CORUCaptureView::MeasureCell() {
  const QFontMetricsF metrics(FontFor(DpiY()), viewport());
  cellSize = QSizeF(std::max(1.0, std::round(metrics.horizontalAdvance(QLatin1Char('O')) * 100.0 / DpiX())),
                    std::max(1.0, std::round(metrics.height() * 100.0 / DpiY())));
}

LONG CORUCaptureView::LogicalWidth() const { return LONG(viewport()->width()) * 100 / std::max(1, DpiX()); }

LONG CORUCaptureView::ScrollLogical() const { return LONG(verticalScrollBar()->value()) * 100 / std::max(1, DpiY()); }

CaptureTextOptions CORUCaptureView::OptionsNow(const CaptureScope& capture) const {
  CaptureTextOptions o;
  o.viewType = context_.settings.viewType;
  o.parity7E1 = capture.sysCfg().parity7E1 == 1;
  o.showModemEvents = capture.showModemEvents() != 0;
  o.highlightParityBit = capture.highlightParityBit() != 0;
  o.highlightParityErrors = capture.highlightParityErrors() != 0;
  o.selected = capture.currentRecordIndex();
  return o;
}

CaptureColors CORUCaptureView::ColorsNow(ShadeRule rule) const {
  // The view draws on a white page, on screen as on paper.
  CaptureColors c = PaperColors(context_.settings);
  c.answerShade = CellShade(c.answer, rule);
  c.originateShade = CellShade(c.originate, rule);
  return c;
}

CORUCaptureView::LayoutKey CORUCaptureView::KeyNow(const CaptureScope& capture) const {
  const CaptureTextOptions o = OptionsNow(capture);
  return {capture.captureBuffer().GetSize(),
          capture.captureHeaders().GetSize(),
          capture.captureGeneration(),
          o.viewType,
          o.parity7E1,
          o.showModemEvents,
          o.highlightParityBit,
          o.highlightParityErrors,
          LogicalWidth()};
}

void CORUCaptureView::EnsureLayout() {
  {
    auto capture = context_.store.HoldCapture();
    const LayoutKey now = KeyNow(*capture);
    if (!stale && now == key) return;
    MeasureCell();
    CaptureTextMetrics metrics;
    metrics.cellWidth = LONG(cellSize.width());
    metrics.cellHeight = LONG(cellSize.height());
    metrics.width = std::max<LONG>(1, now.width);
    layout.Layout(*capture, OptionsNow(*capture), metrics);
    key = now;
    stale = false;
    ++layoutRuns;
    // A new layout moves the cells: the inverted one is gone.
    hoverIndex = -1;
    hoverShown = false;
  }
  UpdateScrollRange();
  FollowEnd();
}

void CORUCaptureView::UpdateScrollRange() {
  QScrollBar* bar = verticalScrollBar();
  const int total = int(std::lround(double(-layout.Lowest()) * DpiY() / 100.0));
  const int height = viewport()->height();
  bar->setRange(0, std::max(0, total - height));
  bar->setPageStep(std::max(1, int(std::lround((30 * cellSize.height() + 3) * DpiY() / 100.0))));
  bar->setSingleStep(std::max(1, int(std::lround((2 * cellSize.height() + 3) * DpiY() / 100.0))));
}

void CORUCaptureView::OnUpdate() {
  stale = true;
  EnsureLayout();
  viewport()->update();
}

void CORUCaptureView::StartLiveRefresh() { liveTimer.start(kLiveRefreshMs); }

void CORUCaptureView::StopLiveRefresh() { liveTimer.stop(); }

void CORUCaptureView::OnLiveTick() {
  EnsureLayout();
  viewport()->update();
  liveTimer.start(kLiveRefreshMs);
}

void CORUCaptureView::ScrollToTop() {
  verticalScrollBar()->setValue(0);
  viewport()->update();
}

void CORUCaptureView::SaveScrollPos(int slot) {
  if (slot == 1 || slot == 2) savedScrollPos[std::size_t(slot - 1)] = verticalScrollBar()->value();
}

void CORUCaptureView::RestoreScrollPos(int slot) {
  if (slot == 1 || slot == 2) verticalScrollBar()->setValue(savedScrollPos[std::size_t(slot - 1)]);
}

void CORUCaptureView::FollowEnd() {
  if (!context_.store.Run().captureRunning()) return;
  QScrollBar* bar = verticalScrollBar();
  if (bar->value() != bar->maximum()) bar->setValue(bar->maximum());
}

void CORUCaptureView::DrawBody(QPainter& painter, const CaptureColors& colors, const QFont& font, const ToDevice& map,
                               const std::vector<const CaptureTextItem*>& items, std::size_t firstCell,
                               std::size_t endCell, LONG rightEdge, int invert, const CaptureScope& capture) {
  const CCaptBuf* records = capture.captureBuffer().GetData();
  const int count = capture.captureBuffer().GetSize();
  const CCaptureHeaderArray& headers = capture.captureHeaders();
  const LONG ch = layout.Metrics().cellHeight;
  painter.setFont(font);
  const QFontMetrics metrics(font, painter.device());
  const int ascent = metrics.ascent();
  for (const CaptureTextItem* item : items) {
    if (item->kind == TextItemKind::Title) {
      if (item->eventIndex >= headers.GetSize()) continue;
      const QRect band = map(CellRect{0, item->y, rightEdge, item->y - ch});
      painter.fillRect(band, ToQColor(kTitleBack));
      painter.setPen(ToQColor(kTitleText));
      painter.drawText(band.left(), band.top() + ascent,
                       QString::fromStdString(EventTitle(item->eventIndex, headers[item->eventIndex])));
    } else {
      for (LONG y : {item->y, item->y - 2}) {
        const QPoint a = map(0, y);
        const QPoint b = map(rightEdge, y);
        painter.fillRect(QRect(a.x(), a.y(), std::max(1, b.x() - a.x()), 1), ToQColor(kSeparatorDark));
      }
    }
  }
  const int selected = capture.currentRecordIndex();
  const bool hex = layout.Hex();
  const auto& cells = layout.Cells();
  for (std::size_t k = firstCell; k < endCell && k < cells.size(); ++k) {
    const int index = cells[k];
    if (index >= count) break;
    const CCaptBuf& record = records[index];
    // The second record of a selected modem event is drawn selected too.
    const bool isSelected = index == selected || (hex && selected >= 0 && index == selected + 1 && record.hidden == 1);
    CellColors look = AttributeColors(record.cellAttributes, isSelected, hex, colors);
    if (index == invert && !isSelected) look = Inverted(look);
    std::string text;
    if (hex) {
      text = ByteToHex(record.data, record.IsModemEvent() || (record.cellAttributes & kCell7E1) == 0 ? 0xFF : 0x7F);
    } else {
      const UCHAR shown = record.IsModemEvent() ? UCHAR('*') : record.data;
      text = ByteToDisplayText((record.cellAttributes & kCell7E1) != 0 ? UCHAR(shown & 0x7F) : shown);
    }
    const QRect row = map(layout.RowOf(record));
    painter.fillRect(row, ToQColor(look.background));
    painter.setPen(ToQColor(look.text));
    painter.drawText(row.left(), row.top() + ascent, QString::fromStdString(text));
  }
}

void CORUCaptureView::paintEvent(QPaintEvent* event) {
  // Paint draws the stored layout; data changes, resizes and the live tick lay out.
  QPainter painter(viewport());
  const auto capture = std::as_const(context_.store).HoldCapture();
  if (capture->captureBuffer().IsEmpty()) {
    painter.fillRect(event->rect(), palette().color(QPalette::Base));
    return;
  }
  painter.fillRect(event->rect(), ToQColor(kPaper));
  // Cells laid out for a capture that has since been emptied or replaced are not drawn.
  if (capture->captureGeneration() != key.generation) return;
  ToDevice map;
  map.sx = DpiX() / 100.0;
  map.sy = DpiY() / 100.0;
  map.originY = -verticalScrollBar()->value();
  const LONG ch = layout.Metrics().cellHeight;
  // The visible band in logical units, a line's height of slack on both sides.
  const LONG top = -LONG(std::floor((verticalScrollBar()->value() + event->rect().top()) * 100.0 / DpiY())) + 2 * ch;
  const LONG bottom =
      -LONG(std::ceil((verticalScrollBar()->value() + event->rect().bottom() + 1) * 100.0 / DpiY())) - 2 * ch;
  std::vector<const CaptureTextItem*> items;
  const auto& all = layout.Items();
  auto at = std::partition_point(all.begin(), all.end(), [top](const CaptureTextItem& item) { return item.y > top; });
  for (; at != all.end() && at->y >= bottom; ++at) items.push_back(&*at);
  const auto [first, end] = layout.CellsBetween(*capture, top, bottom);
  DrawBody(painter, ColorsNow(ShadeRule::Screen), FontFor(DpiY()), map, items, first, end, LogicalWidth(),
           hoverShown ? hoverIndex : -1, *capture);
}

void CORUCaptureView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  EnsureLayout();
  UpdateScrollRange();
}

QRect CORUCaptureView::RowPixels(int index) const {
  const auto capture = std::as_const(context_.store).HoldCapture();
  if (index < 0 || index >= capture->captureBuffer().GetSize()) return {};
  const CCaptBuf& record = capture->captureBuffer()[index];
  const CellRect& cell = layout.CellOf(record);
  if (cell == CellRect{}) return {};
  ToDevice map;
  map.sx = DpiX() / 100.0;
  map.sy = DpiY() / 100.0;
  map.originY = -verticalScrollBar()->value();
  return map(layout.RowOf(record));
}

void CORUCaptureView::UpdateRow(int index) {
  const QRect row = RowPixels(index);
  if (!row.isEmpty()) viewport()->update(row.adjusted(-1, -1, 1, 1));
}

int CORUCaptureView::HitAt(const CaptureScope& capture, const QPoint& point) {
  if (context_.settings.viewType != ViewType::Ascii && context_.settings.viewType != ViewType::Hex) return -1;
  const LONG x = LONG(std::floor(point.x() * 100.0 / DpiX()));
  const LONG y = -LONG(std::floor((point.y() + verticalScrollBar()->value()) * 100.0 / DpiY()));
  return layout.HitTest(capture, x, y);
}

void CORUCaptureView::mouseMoveEvent(QMouseEvent* event) {
  EnsureLayout();
  bool tell = false;
  {
    auto capture = context_.store.HoldCapture();
    const int hit = HitAt(*capture, event->position().toPoint());
    if (hit == -1) {
      if (hoverShown) UpdateRow(hoverIndex);
      hoverShown = false;
      hoverIndex = -1;
    } else {
      const int index = PairFirst(*capture, hit);
      if (!(hoverShown && index == hoverIndex)) {
        if (hoverShown) UpdateRow(hoverIndex);
        hoverIndex = index;
        hoverShown = true;
        capture->cursorRecordIndex() = index;
        // The read-out shows the event the hovered byte belongs to.
        int owner = 0;
        const CCaptureHeaderArray& headers = capture->captureHeaders();
        for (int lo = 0, hi = headers.GetSize(); lo < hi;) {
          const int mid = (lo + hi) / 2;
          if (headers[mid].firstIndex <= index) {
            owner = mid;
            lo = mid + 1;
          } else {
            hi = mid;
          }
        }
        capture->cursorEventIndex() = owner;
        UpdateRow(index);
        tell = true;
      }
    }
  }
  if (tell && context_.host.Views().captureTimingView) context_.host.Views().captureTimingView->Refresh();
  QAbstractScrollArea::mouseMoveEvent(event);
}

void CORUCaptureView::mouseDoubleClickEvent(QMouseEvent* event) {
  EnsureLayout();
  bool changed = false;
  {
    auto capture = context_.store.HoldCapture();
    const int hit = HitAt(*capture, event->position().toPoint());
    const int index = hit == -1 ? -1 : PairFirst(*capture, hit);
    std::atomic<int>& marker = capture->currentRecordIndex();
    const int old = marker;
    UpdateRow(old);
    UpdateRow(old + 1);  // the second record of a selected modem event
    if (index != -1 && index == old) {
      marker = -1;
      hoverIndex = -1;
      hoverShown = false;
    } else {
      marker = index;
      UpdateRow(index);
      UpdateRow(index + 1);
    }
    changed = marker != old;
  }
  // The selection is saved with the capture.
  if (changed) context_.host.MarkModified(DocumentType::Capture);
  context_.host.UpdateViews();
  QAbstractScrollArea::mouseDoubleClickEvent(event);
}

void CORUCaptureView::wheelEvent(QWheelEvent* event) {
  if (context_.store.Run().captureRunning()) {
    event->accept();
    return;
  }
  if (hoverShown) UpdateRow(hoverIndex);
  hoverShown = false;
  hoverIndex = -1;
  QAbstractScrollArea::wheelEvent(event);
}

void CORUCaptureView::scrollContentsBy(int /*dx*/, int /*dy*/) { viewport()->update(); }

bool CORUCaptureView::CanPrint() const {
  return context_.store.WithCapture([](const CaptureScope& capture) { return !capture.captureBuffer().IsEmpty(); });
}

void CORUCaptureView::Print(QPrinter& printer) {
  printedPages = 0;
  if (!CanPrint()) return;  // no records: no job
  const int dpiX = printer.logicalDpiX();
  const int dpiY = printer.logicalDpiY();
  const QFont font = FontFor(dpiY);
  const QFontMetricsF metrics(font, &printer);
  auto capture = context_.store.HoldCapture();
  // The one layout that prints: paginated as it places, so its breaks are the printed pages.
  CaptureTextMetrics m;
  m.cellWidth = std::max<LONG>(1, std::lround(metrics.horizontalAdvance(QLatin1Char('O')) * 100.0 / dpiX));
  m.cellHeight = std::max<LONG>(1, std::lround(metrics.height() * 100.0 / dpiY));
  m.width = kPageWidth;
  m.pageHeight = kPageHeight;
  CaptureTextLayout& printLayout = layout;
  printLayout.Layout(*capture, OptionsNow(*capture), m);
  stale = true;  // the records' cells now hold the printed layout
  hoverShown = false;
  hoverIndex = -1;
  const int pages = printLayout.Pages();
  printedPages = pages;
  const bool ranged = printer.printRange() == QPrinter::PageRange || printer.fromPage() > 0;
  const PageRange range =
      ranged ? PagesToPrint(printer.fromPage(), printer.toPage(), pages) : PagesToPrint(0, 0, pages);
  const QString title = context_.host.DocumentTitle();
  const std::string config = ConfigurationLine(capture->sysCfg());
  const CaptureColors colors = ColorsNow(ShadeRule::Print);
  if (!range.Empty()) {
    if (!title.isEmpty()) printer.setDocName(title);
    QPainter painter(&printer);
    if (painter.isActive()) {
      QFont headerFont(QStringLiteral("Courier New"));
      headerFont.setStyleHint(QFont::TypeWriter);
      headerFont.setFixedPitch(true);
      headerFont.setPixelSize(std::max(1, int(std::lround(16.0 * dpiY / 100.0))));
      headerFont.setWeight(QFont::Medium);
      const QFontMetrics headerMetrics(headerFont, &printer);
      const double sx = dpiX / 100.0;
      const double sy = dpiY / 100.0;
      const LONG drawWidth = LONG(printer.width() / sx);
      const LONG drawHeight = LONG(printer.height() / sy);
      for (int page = range.first; page <= range.last; ++page) {
        if (page != range.first) printer.newPage();
        const int p = page - 1;
        painter.setFont(headerFont);
        painter.setPen(ToQColor(kPaperText));
        const int ascent = headerMetrics.ascent();
        painter.drawText(int(20 * sx), int(20 * sy) + ascent, title);
        painter.drawText(int(20 * sx), int(36 * sy) + ascent, QString::fromStdString(config));
        painter.drawText(int(20 * sx), int((drawHeight - 20) * sy) + ascent,
                         QString::fromStdString(PageFooter(page, pages)));
        // The page body centred on the printable area.
        ToDevice map;
        map.sx = sx;
        map.sy = sy;
        map.originX = int(std::lround((drawWidth - kPageWidth) / 2 * sx));
        map.originY = int(std::lround((drawHeight - kPageHeight) / 2 * sy));
        map.top = printLayout.PageTop(p);
        painter.save();
        painter.setClipRect(QRect(map(0, map.top), map(kPageWidth, map.top - kPageHeight - m.cellHeight)));
        std::vector<const CaptureTextItem*> items;
        const auto& all = printLayout.Items();
        auto at =
            std::partition_point(all.begin(), all.end(), [p](const CaptureTextItem& item) { return item.page < p; });
        for (; at != all.end() && at->page == p; ++at) items.push_back(&*at);
        const auto [first, end] = printLayout.CellsOfPage(p);
        DrawBody(painter, colors, font, map, items, first, end, kPageWidth, -1, *capture);
        painter.restore();
      }
    }
  }
  capture.unlock();
  // The records' cells hold the printed layout: the screen lays out again for its own width.
  EnsureLayout();
  viewport()->update();
}
