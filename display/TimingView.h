#pragma once

// CORUTimingView: the read-out panel under the control panel (capture mode) and under the trace
// control (signal-trace mode). In capture mode it shows the cursor byte, the marker byte and the
// distance between them; it draws only in its paintEvent, from the store as it is then.

#include <QAbstractScrollArea>

#include "display/model/ReadoutRows.h"
#include "shell/ViewInterfaces.h"

class CORUpc144App;

class CORUTimingView : public QAbstractScrollArea, public IReadoutPanel {
  Q_OBJECT
 public:
  enum class DisplayMode { Capture = 1, SignalTrace = 2 };

  CORUTimingView(CORUpc144App& app, DisplayMode mode, QWidget* parent);

  QWidget* Widget() override { return this; }
  void OnUpdate() override { Refresh(); }
  // Redraws by mode.
  void Refresh() override;
  void DrawCapturePanel();
  // The signal-trace panel comes with its own change; for now this only switches the mode.
  void DrawTracePanel();
  DisplayMode Mode() const { return mode; }
  // The rows as the panel shows them now (built from the store).
  ReadoutRows CurrentRows() const;
  int RowHeight() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  void UpdateScrollRange();

  CORUpc144App& app;
  DisplayMode mode;
};
