#pragma once

// CORUSignalTrace: the SIGNAL TRACE tab's right-hand form (template IDD_SIGNAL_TRACE_FORM). It hosts the volt-axis
// panel, the time-axis panel and the scope area, redraws them every 25 ms while the tab is shown
// (into images; the areas' paint events only copy them), takes the streamed trace blocks, lets
// the user drag the voltage-trigger threshold, routes the mouse to the scope and prints the trace.

#include <QImage>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <functional>

#include "shell/views/ViewInterfaces.h"
#include "shell/views/ViewSignals.h"
#include "trace/CORUScope.h"
#include "trace/model/AxisLayout.h"
#include "trace/model/ScopeState.h"
#include "trace/model/ThresholdDrag.h"

struct ViewContext;
class QCheckBox;
class QPainter;

class CORUSignalTrace final : public QWidget, public ISignalTraceView {
  Q_OBJECT
 public:
  static constexpr int kScopeTimerMs = 25;

  CORUSignalTrace(ViewContext& context, QWidget* parent);
  ~CORUSignalTrace() override;

  // ISignalTraceView
  QWidget* Widget() override { return this; }
  QWidget* Control(int id) override;
  bool CanPrint() const override;
  void Print(QPrinter& printer) override;
  ViewSignals* Signals() override { return &siblings_; }
  void ActivateTrace() override;
  void DeactivateTrace() override;
  void AddTraceBlock(const notify::TraceBlock& block) override;
  void RefreshScope() override;
  void ForwardToTraceRecall(int row) override;
  // NaN when the scope has no reading.
  double GetVoltageReading() const override;
  double GetTimeReading() const override;

  void RedrawAxisPanels();
  // One redraw-timer tick: scope and panels into their images, then a repaint.
  void Tick();
  bool TimerRunning() const { return timerRunning_; }
  // The scope and its panels were drawn at the view's present size since the timer started; only
  // then do mouse positions on the scope mean what the user sees.
  bool DrawnAtThisSize() const { return drawnOnce_; }

  // The print page, on any device: the title, both axes, the trace, the marker cross and the
  // page line. `pageRect` is the printable area in device pixels at the given resolution.
  void PrintPage(QPainter& painter, const QRect& pageRect, int dpiX, int dpiY, int page, int pages);
  // The print preview dialog, run modally.
  void PrintPreview();

  void OnIsoTrace();
  void OnRecallTrace();
  void OnSnapToTrace();

  // The stored-trace recall dialog sits behind these hooks; empty, Recall Trace and the
  // trace-header notifications do nothing.
  std::function<void()> traceRecallHook;
  std::function<void(int row)> traceHeaderHook;

  CORUScope& Scope() { return scope_; }
  const QImage& VoltPanelImage() const { return voltImage_; }
  const QImage& TimePanelImage() const { return timeImage_; }
  QWidget* ScopeArea() const { return scopeArea_; }
  QWidget* VoltPanel() const { return voltPanel_; }
  QWidget* TimePanel() const { return timePanel_; }
  bool DraggingThreshold() const { return threshold_.Dragging(); }
  const QFont& AxisFontUsed() const { return axisFont_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Layout();
  void StartTimer();
  void StopTimer();
  void StopStream();
  void DrawVoltPanel();
  void DrawTimePanel();
  void DrawThresholdMark(QPainter& painter, const VoltAxisLayout& axis, int panelHeight);
  void ApplyThresholdLevel(std::optional<int> level);
  void RedrawReadout();
  uint64_t DrawingState() const;
  void StoreScopeMarks();

  ViewContext& context_;
  LogicalMapper mapper_;
  ThresholdDrag threshold_{mapper_};
  CORUScope scope_;
  QFont axisFont_;
  QWidget* voltPanel_ = nullptr;
  QWidget* timePanel_ = nullptr;
  QWidget* scopeArea_ = nullptr;
  QCheckBox* snapBox_ = nullptr;
  QPoint snapTemplatePos_;
  QImage voltImage_;
  QImage timeImage_;
  QTimer timer_;
  bool timerRunning_ = false;
  uint64_t drawnState_ = 0;
  bool drawnOnce_ = false;
  ViewSignals siblings_;  // the read-out panel and the trace control beside it
};
