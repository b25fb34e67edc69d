#pragma once

// CORUCaptureView: the capture as text in logical units of 0.01 inch. Each event is a
// yellow-on-black title over its bytes in two-row data lines (Originate above, Answer below), in
// ASCII names or hex digits with every other hex column shaded; hover, selection, live refresh
// and printing on 6 x 8 inch page bodies. No frame creates it: it is made directly.
//
// The cells live in the capture records' own fields. The layout runs on a data change
// (OnUpdate), a resize, the live tick and after printing, never inside paintEvent; painting, hover
// and selection only read it. Inverting and redrawing a cell are state plus an update of its
// rectangle.

#include <QAbstractScrollArea>
#include <QFont>
#include <QTimer>

#include <array>

#include "display/model/CaptureText.h"
#include "display/model/CaptureTextLayout.h"
#include "shell/views/ViewInterfaces.h"

struct ViewContext;
class QPainter;

class CORUCaptureView : public QAbstractScrollArea, public IShellView {
  Q_OBJECT
 public:
  static constexpr int kLiveRefreshMs = 500;  // ID_TIMER_LIVE_REFRESH
  static constexpr LONG kPageWidth = 600;     // the printed page body, 6 x 8 inches
  static constexpr LONG kPageHeight = 800;

  CORUCaptureView(ViewContext& context, QWidget* parent);

  QWidget* Widget() override { return this; }
  void OnUpdate() override;
  // Refused (false) while there are no records.
  bool CanPrint() const override;
  void Print(QPrinter& printer) override;

  void StartLiveRefresh();
  void StopLiveRefresh();
  bool LiveRefreshRunning() const { return liveTimer.isActive(); }
  void ScrollToTop();
  void SaveScrollPos(int slot);
  void RestoreScrollPos(int slot);

  // Lays out now when what the layout depends on changed.
  void EnsureLayout();
  const CaptureTextLayout& Layout() const { return layout; }
  int LayoutRuns() const { return layoutRuns; }
  int HoverIndex() const { return hoverShown ? hoverIndex : -1; }
  QSize CellSize() const { return {int(cellSize.width()), int(cellSize.height())}; }  // logical
  // The drawn row of record `index` in viewport pixels; empty when it has no cell.
  QRect RowPixels(int index) const;
  // Pages of the last print job (the footer's total) and the pages it printed.
  int PrintedPageCount() const { return printedPages; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  // What the layout was made from; a change lays out again.
  struct LayoutKey {
    int records = -1;
    int headers = -1;
    unsigned generation = 0;
    ViewType viewType{};
    bool parity7E1 = false;
    bool showModemEvents = false;
    bool highlightParityBit = false;
    bool highlightParityErrors = false;
    LONG width = 0;
    bool operator==(const LayoutKey&) const = default;
  };

  LayoutKey KeyNow(const CaptureScope& capture) const;
  CaptureTextOptions OptionsNow(const CaptureScope& capture) const;
  CaptureColors ColorsNow(ShadeRule rule) const;
  QFont FontFor(int dpiY) const;
  void MeasureCell();
  int DpiX() const { return viewport()->logicalDpiX(); }
  int DpiY() const { return viewport()->logicalDpiY(); }
  LONG LogicalWidth() const;
  LONG ScrollLogical() const;
  int HitAt(const CaptureScope& capture, const QPoint& viewportPoint);
  void UpdateRow(int index);
  void UpdateScrollRange();
  void FollowEnd();
  void OnLiveTick();
  // Logical units to device pixels: x scaled, y flipped by hand (a flipping transform would
  // mirror the text). Logical `top` lands on device `originY`.
  struct ToDevice {
    double sx = 1;
    double sy = 1;
    int originX = 0;
    int originY = 0;
    LONG top = 0;
    QPoint operator()(LONG x, LONG y) const;
    QRect operator()(const CellRect& rect) const;
  };
  // Draws the given items and cells [firstCell, endCell) of the layout; `invert` is the byte
  // shown inverted (-1 none).
  void DrawBody(QPainter& painter, const CaptureColors& colors, const QFont& font, const ToDevice& map,
                const std::vector<const CaptureTextItem*>& items, std::size_t firstCell, std::size_t endCell,
                LONG rightEdge, int invert, const CaptureScope& capture);

  ViewContext& context_;
  CaptureTextLayout layout;
  LayoutKey key;
  bool stale = true;
  QSizeF cellSize{1, 1};
  QTimer liveTimer;
  int hoverIndex = -1;
  bool hoverShown = false;
  std::array<int, 2> savedScrollPos{0, 0};
  int layoutRuns = 0;
  int printedPages = 0;
};
