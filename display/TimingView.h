#pragma once

// CORUTimingView: the read-out panel under the control panel (capture mode) and under the trace
// control (signal-trace mode). In capture mode it shows the cursor byte, the marker byte and the
// distance between them; in signal-trace mode the two trace markers and their difference. It
// draws only in its paintEvent, from the store (and the scope's readings) as they are then.

#include <QAbstractScrollArea>

#include <span>
#include <utility>

#include "display/model/ReadoutRows.h"
#include "display/model/TraceReadoutRows.h"
#include "shell/views/ViewInterfaces.h"

struct ViewContext;
class QPainter;

class CORUTimingView : public QAbstractScrollArea, public IReadoutPanel {
  Q_OBJECT
 public:
  enum class DisplayMode { Capture = 1, SignalTrace = 2 };

  CORUTimingView(ViewContext& context, DisplayMode mode, QWidget* parent);

  QWidget* Widget() override { return this; }
  void OnUpdate() override { Refresh(); }
  // Redraws by mode.
  void Refresh() override;
  void ReadFrom(ReadoutSource source) override { this->source = std::move(source); }
  void DrawCapturePanel();
  void DrawTracePanel();
  DisplayMode Mode() const { return mode; }
  // The rows as the panel shows them now (built from the store).
  ReadoutRows CurrentRows() const;
  // The signal-trace rows as the panel shows them now (the store and the scope's readings).
  TraceReadoutRows CurrentTraceRows() const;
  // Rows the scroll range covers in the current mode.
  int ScrollRows() const;
  int RowHeight() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  void UpdateScrollRange();
  CaptureColors Colors() const;
  void PaintRows(QPainter& painter, const QRect& dirty, std::span<const ReadoutRow> rows);

  ViewContext& context_;
  DisplayMode mode;
  ReadoutSource source;
};
