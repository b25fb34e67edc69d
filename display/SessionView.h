#pragma once

// CORUSessionView: the CAPTURE DATA tab's right pane. Paints the session lines of the capture,
// scrolls vertically, shows the byte under the mouse in complemented colours and reports it to
// the read-out panel, sets the marker on double-click and, during a live capture, lays out what
// arrived every 500 ms and follows the end.
//
// Nothing is drawn outside paintEvent: the hover, the cursor and the marker are state, and a
// change repaints the cells concerned. The layout never runs inside paintEvent: Refresh() marks it
// stale and a queued call lays out before the next paint.

#include <QAbstractScrollArea>
#include <QFont>
#include <QTimer>

#include "display/model/SessionLayout.h"
#include "shell/views/ViewInterfaces.h"
#include "shell/views/ViewSignals.h"

struct ViewContext;

class CORUSessionView : public QAbstractScrollArea, public ISessionView {
  Q_OBJECT
 public:
  static constexpr int kLiveRefreshMs = 500;  // ID_TIMER_LIVE_REFRESH

  CORUSessionView(ViewContext& context, QWidget* parent);

  QWidget* Widget() override { return this; }
  void OnUpdate() override;
  void Refresh() override;
  void Redraw() override;
  void RefreshNow() override;
  bool LiveRefreshRunning() const override { return liveTimer.isActive(); }
  void StartLiveRefresh() override;
  void StopLiveRefresh() override;
  void ShowArrivedData() override;
  void ClearHoverMark() override;
  bool CanPrint() const override;
  void Print(QPrinter& printer) override;
  ViewSignals* Signals() override { return &siblings; }
  int PrintJobs() const { return printJobs; }

  // Lays out now when the layout is stale (what the queued call does).
  void EnsureLayout();
  const SessionLayout& Layout() const { return layout; }
  const SessionLayout* CurrentLayout() const override { return &layout; }
  // Full layouts run so far (a live tick that only appends is not one).
  int FullLayouts() const { return fullLayouts; }
  // How often the live refresh was started and how many of its ticks ran.
  int LiveRefreshStarts() const { return liveStarts; }
  int LiveTicks() const { return liveTicks; }
  int HoverIndex() const { return hoverShown ? hoverIndex : -1; }
  QSize CellSize() const { return {geometry.cellWidth, geometry.cellHeight}; }
  // The cell of capture index `index` in viewport coordinates; empty when it is not laid out.
  QRect ByteCellRect(int index) const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  void MeasureFont();
  void LayOut();
  void UpdateScrollRange();
  void ResetHover();
  void OnLiveTick();
  void LayOutArrived();
  void RefreshReadout();
  QRect CellRectOf(int line, int index) const;
  int DataLineAt(const QPoint& viewportPoint) const;
  LONG DocumentY(int viewportY) const;

  ViewContext& context_;
  SessionLayout layout;
  QFont font;
  LayoutGeometry geometry;  // the cell size measured; width as laid out
  QTimer liveTimer;
  ViewSignals siblings;  // the read-out panel hears of hover and marker changes
  bool stale = true;
  bool layoutQueued = false;
  int hoverLine = -1;
  int hoverIndex = -1;
  bool hoverShown = false;
  int fullLayouts = 0;
  int liveStarts = 0;
  int liveTicks = 0;
  int printJobs = 0;
};
