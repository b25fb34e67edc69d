#include "trace/CORUSignalTrace.h"

#include <QCheckBox>
#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

#include "link/store/DocumentType.h"
#include "link/protocol/WorkerMessages.h"
#include "resources/TemplateBuilder.h"
#include "resources/data/ResourceIds.h"
#include "shell/views/ViewContext.h"
#include "shell/model/ShellConstants.h"
#include "trace/AxisPanels.h"
#include "trace/LogicalPainter.h"
#include "trace/model/Threshold.h"
#include "trace/model/TraceIntake.h"

namespace {

constexpr int kAreaTop = 50;  // the three areas start this many pixels below the view's top
constexpr int kTriggerVoltage = 3;
const QColor kButtonFace(240, 240, 240);  // COLOR_BTNFACE

void Mix(uint64_t& h, uint64_t v) { h ^= v + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2); }

void MixDouble(uint64_t& h, double d) {
  uint64_t bits = 0;
  static_assert(sizeof bits == sizeof d);
  std::memcpy(&bits, &d, sizeof d);
  Mix(h, bits);
}

}  // namespace

CORUSignalTrace::CORUSignalTrace(ViewContext& context, QWidget* parent)
    : QWidget(parent), context_(context), mapper_(logicalDpiX(), logicalDpiY()), scope_(context) {
  scope_.state = ScopeState(mapper_);
  ApplyTemplate(this, IDD_SIGNAL_TRACE_FORM);
  axisFont_ = AxisFont(mapper_);
  voltPanel_ = FindControl(this, IDC_VOLT_AXIS);
  timePanel_ = FindControl(this, IDC_TIME_AXIS);
  scopeArea_ = FindControl(this, IDC_SCOPE);
  snapBox_ = FindControlAs<QCheckBox>(this, IDC_SNAP_TO_TRACE);
  for (QWidget* area : {voltPanel_, timePanel_, scopeArea_}) {
    if (area == nullptr) continue;
    // The view routes the mouse by child geometry, so the areas let it through.
    area->setAttribute(Qt::WA_TransparentForMouseEvents);
    area->setAttribute(Qt::WA_OpaquePaintEvent);
    area->installEventFilter(this);
  }
  if (snapBox_ != nullptr) snapTemplatePos_ = snapBox_->pos();
  if (snapBox_ != nullptr) connect(snapBox_, &QCheckBox::clicked, this, [this] { OnSnapToTrace(); });
  setMouseTracking(true);
  timer_.setSingleShot(true);
  timer_.setInterval(kScopeTimerMs);
  connect(&timer_, &QTimer::timeout, this, &CORUSignalTrace::Tick);
  Layout();
}

CORUSignalTrace::~CORUSignalTrace() {
  timer_.stop();
  if (context_.host.Views().signalTraceView.get() == this) context_.host.Views().signalTraceView.Set(nullptr);
}

QWidget* CORUSignalTrace::Control(int id) { return FindControl(this, id); }

// ---- layout and painting ----------------------------------------------------------------------

void CORUSignalTrace::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Layout();
}

void CORUSignalTrace::Layout() {
  if (scopeArea_ == nullptr || voltPanel_ == nullptr || timePanel_ == nullptr) return;
  const int W = voltPanel_->width();
  const int H = voltPanel_->height();
  voltPanel_->move(0, kAreaTop);
  timePanel_->move(W, H + kAreaTop);
  scopeArea_->move(W, kAreaTop);
  for (QWidget* area : {voltPanel_, timePanel_, scopeArea_}) area->raise();
  // The check box keeps its place below the areas, which all moved down.
  if (snapBox_ != nullptr) snapBox_->move(snapTemplatePos_ + QPoint(0, kAreaTop));
  scope_.Attach(scopeArea_->size(), W, kAreaTop);
  drawnOnce_ = false;
}

bool CORUSignalTrace::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Paint) {
    const QImage* image = nullptr;
    if (watched == scopeArea_) image = &scope_.Image();
    if (watched == voltPanel_) image = &voltImage_;
    if (watched == timePanel_) image = &timeImage_;
    if (image != nullptr) {
      QWidget* area = static_cast<QWidget*>(watched);
      QPainter painter(area);
      if (image->isNull()) {
        painter.fillRect(area->rect(), kButtonFace);
      } else {
        painter.drawImage(0, 0, *image);
      }
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

uint64_t CORUSignalTrace::DrawingState() const {
  const AppSettings& s = context_.settings;
  uint64_t h = 1469598103934665603ULL;
  std::as_const(context_.store).WithTrace([&](const TraceScope& trace) {
    const int count = trace.traceSamples().GetSize();
    Mix(h, static_cast<uint64_t>(count));
    const int* data = trace.traceSamples().GetData();
    for (int i = 0; i < count; ++i) Mix(h, static_cast<uint32_t>(data[i]));
    Mix(h, static_cast<uint64_t>(trace.currentTrace().scaleIndex));
    Mix(h, static_cast<uint64_t>(trace.currentTrace().spanIndex));
    MixDouble(h, trace.sysCfg().value1);
    MixDouble(h, trace.sysCfg().value2);
    for (const std::atomic<int>* mark :
         {&trace.traceCursor1(), &trace.traceCursor2(), &trace.traceMarker1(), &trace.traceMarker2()})
      Mix(h, static_cast<uint32_t>(mark->load()));
  });
  for (int v : {s.traceScale, s.traceSpan, s.traceSnap, s.traceTrigger, s.deltaV, static_cast<int>(s.markerColor),
                scope_.state.cursorPoint.x, scope_.state.cursorPoint.y, threshold_.Mark().top, threshold_.Mark().bottom,
                threshold_.Dragging() ? 1 : 0, width(), height()}) {
    Mix(h, static_cast<uint32_t>(v));
  }
  return h;
}

void CORUSignalTrace::Tick() {
  if (!timerRunning_) return;
  const uint64_t state = DrawingState();
  if (!drawnOnce_ || state != drawnState_) {
    // The panels first: they set the marks the scope walks by.
    RedrawAxisPanels();
    const bool readout = scope_.Render();
    StoreScopeMarks();
    if (scopeArea_ != nullptr) scopeArea_->update();
    if (readout) RedrawReadout();
    drawnState_ = DrawingState();
    drawnOnce_ = true;
  }
  if (timerRunning_) timer_.start();
}

// What the walk found goes into the store only after drawing.
void CORUSignalTrace::StoreScopeMarks() {
  if (const auto marks = scope_.state.TakeWalkMarks())
    context_.store.WithTrace([&](TraceScope& trace) { StoreWalkMarks(trace, *marks); });
}

void CORUSignalTrace::RefreshScope() {
  const bool readout = scope_.Render();
  StoreScopeMarks();
  if (scopeArea_ != nullptr) scopeArea_->update();
  if (readout) RedrawReadout();
}

void CORUSignalTrace::RedrawReadout() { emit siblings_.readoutChanged(); }

void CORUSignalTrace::RedrawAxisPanels() {
  DrawVoltPanel();
  DrawTimePanel();
}

void CORUSignalTrace::DrawVoltPanel() {
  if (voltPanel_ == nullptr) return;
  const QSize size = voltPanel_->size();
  if (voltImage_.size() != size) voltImage_ = QImage(size, QImage::Format_RGB32);
  voltImage_.fill(kButtonFace);
  QPainter painter(&voltImage_);
  painter.setFont(axisFont_);
  LogicalPainter lp(painter, mapper_);
  const PanelRect panel{0, 0, mapper_.PixelsToLogicalX(size.width()), mapper_.PixelsToLogicalY(size.height())};
  const VoltAxisLayout axis = DrawVoltAxis(lp, context_.settings.traceScale, panel);
  scope_.state.SetVoltMarks(axis.topMark, axis.zeroY, axis.bottomMark);
  threshold_.SetAxis(axis.topMark, axis.bottomMark);
  if (context_.settings.traceTrigger == kTriggerVoltage) {
    DrawThresholdMark(painter, axis, panel.bottom);
  } else {
    scope_.state.SetThresholdRect({});
  }
  painter.end();
  voltPanel_->update();
}

void CORUSignalTrace::DrawThresholdMark(QPainter& painter, const VoltAxisLayout& axis, int panelHeight) {
  LogicalPainter lp(painter, mapper_);
  const int right = mapper_.PixelsToLogicalX(voltPanel_->width());
  int topLogical = 0;
  if (!threshold_.Dragging()) {
    scope_.state.SetThresholdRect({});
    const int y = ThresholdMarkY(panelHeight, axis.topMark, axis.bottomMark, context_.settings.deltaV);
    lp.Fill(0, y, right, y - 2, QColor(255, 0, 0));
    topLogical = y;
  } else {
    const IntRect mark = threshold_.Mark();
    topLogical = -mapper_.PixelsToLogicalY(mark.top);
    const QRect px(QPoint(0, mark.top), QPoint(voltPanel_->width() - 1, mark.bottom - 1));
    painter.fillRect(px, QColor(255, 0, 0));
    scope_.state.SetThresholdRect({0, mark.top, 0, mark.bottom});
  }
  painter.setPen(QColor(255, 0, 0));
  const TextExtent t = lp.Measure("T");
  lp.Text(2, topLogical + t.cy / 2, "T");
}

// A drag step's level becomes "DeltaV", and the trace control's voltage edit follows it.
void CORUSignalTrace::ApplyThresholdLevel(std::optional<int> level) {
  if (!level) return;
  context_.settings.deltaV = *level;
  emit siblings_.thresholdMoved();
}

void CORUSignalTrace::DrawTimePanel() {
  if (timePanel_ == nullptr) return;
  const QSize size = timePanel_->size();
  if (timeImage_.size() != size) timeImage_ = QImage(size, QImage::Format_RGB32);
  timeImage_.fill(kButtonFace);
  QPainter painter(&timeImage_);
  painter.setFont(axisFont_);
  LogicalPainter lp(painter, mapper_);
  const PanelRect panel{0, 0, mapper_.PixelsToLogicalX(size.width()), mapper_.PixelsToLogicalY(size.height())};
  const TimeAxisLayout axis = DrawTimeAxis(lp, context_.settings.traceSpan, panel);
  scope_.state.SetTimeMarks(axis.leftMark, axis.rightMark, axis.leftMark);
  painter.end();
  timePanel_->update();
}

// ---- mouse ----------------------------------------------------------------------------------

void CORUSignalTrace::mouseMoveEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  if (scopeArea_ != nullptr && scopeArea_->geometry().contains(p)) {
    setCursor(Qt::CrossCursor);
    threshold_.End();
    scope_.OnMouseMove(p.x(), p.y());
    RedrawReadout();
  } else if (voltPanel_ != nullptr && voltPanel_->geometry().contains(p)) {
    ApplyThresholdLevel(threshold_.Move(p.y() - kAreaTop));
  } else {
    setCursor(Qt::ArrowCursor);
    threshold_.End();
  }
  QWidget::mouseMoveEvent(event);
}

void CORUSignalTrace::mousePressEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  if (event->button() == Qt::LeftButton && voltPanel_ != nullptr && voltPanel_->geometry().contains(p)) {
    ApplyThresholdLevel(threshold_.Press(p.y() - kAreaTop, context_.store.Run().traceTriggerArmed()));
  }
  QWidget::mousePressEvent(event);
}

void CORUSignalTrace::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  if (event->button() == Qt::LeftButton && voltPanel_ != nullptr && voltPanel_->geometry().contains(p)) {
    threshold_.End();
  }
  QWidget::mouseReleaseEvent(event);
}

void CORUSignalTrace::mouseDoubleClickEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  DoubleClickResult result;
  if (scopeArea_ != nullptr && scopeArea_->geometry().contains(p)) {
    setCursor(Qt::CrossCursor);
    result = scope_.OnLButtonDblClk(p.x(), p.y());
  } else {
    setCursor(Qt::ArrowCursor);
    result = scope_.OnLButtonDblClk(-1, -1);
  }
  if (result == DoubleClickResult::MarkerPlaced) context_.host.MarkModified(DocumentType::Trace);
}

// ---- commands -------------------------------------------------------------------------------

void CORUSignalTrace::OnSnapToTrace() {
  context_.settings.traceSnap = (snapBox_ != nullptr && snapBox_->isChecked()) ? 1 : 0;
  RedrawReadout();
}

void CORUSignalTrace::StartTimer() {
  timerRunning_ = true;
  drawnOnce_ = false;
  timer_.start();
}

void CORUSignalTrace::StopTimer() {
  timerRunning_ = false;
  timer_.stop();
}

void CORUSignalTrace::StopStream() {
  context_.store.statusText.Set("Aborting signal trace");
  context_.worker.Post(WM_ORU_STOP_SIGNAL_TRACE, 0, 0);
  StopTimer();
}

void CORUSignalTrace::OnIsoTrace() {
  const bool noDevice = context_.store.WithTrace([&](TraceScope& trace) {
    if (context_.link.DeviceOpen() && !trace.Run().traceRunning()) {
      trace.Clear(TraceKind::Streamed);
      context_.worker.Post(WM_ORU_START_SIGNAL_TRACE, 1, 0);
    } else if (trace.Run().traceRunning()) {
      StopStream();
    } else {
      return true;
    }
    return false;
  });
  // Shown only after the lock is gone: the box's event loop runs the 2051 intake.
  if (noDevice) context_.prompts.MessageBox("No USB connection to ORUpc", "COMM Error", MB_SYSTEMMODAL);
  RefreshScope();
}

void CORUSignalTrace::OnRecallTrace() {
  CORUData& store = context_.store;
  if (store.Run().dtmfRunning()) {
    store.statusText.Set("Aborting DTMF decoder");
    context_.worker.Post(WM_ORU_STOP_DTMF_DECODER);
  }
  if (!context_.link.DeviceOpen()) {
    context_.prompts.MessageBox("No USB connection to ORUpc", "COMM Error", MB_SYSTEMMODAL);
    return;
  }
  if (store.Run().lineTestRunning()) {
    store.statusText.Set("Aborting line test");
    context_.worker.Post(WM_ORU_STOP_LINE_TEST);
  }
  if (traceRecallHook) traceRecallHook();
  if (!context_.link.DeviceOpen()) context_.host.UpdateViews();
}

void CORUSignalTrace::ForwardToTraceRecall(int row) {
  if (traceHeaderHook) traceHeaderHook(row);
}

void CORUSignalTrace::ActivateTrace() {
  context_.store.WithTrace([&](TraceScope& trace) {
    if (context_.link.DeviceOpen() && !trace.Run().traceRunning()) {
      trace.Clear(TraceKind::Streamed);
    } else if (context_.link.DeviceOpen()) {
      context_.store.statusText.Set("Aborting signal trace");
      context_.worker.Post(WM_ORU_STOP_SIGNAL_TRACE);
    }
  });
  if (snapBox_ != nullptr) snapBox_->setChecked(context_.settings.traceSnap == 1);
  StartTimer();
}

void CORUSignalTrace::DeactivateTrace() {
  if (context_.store.Run().traceRunning()) StopStream();
  StopTimer();
}

void CORUSignalTrace::AddTraceBlock(const notify::TraceBlock& block) {
  if (TakeTraceBlock(context_.store, block.buffer, block.index) == IntakeResult::StoredAndFull) {
    context_.worker.Post(WM_ORU_STOP_SIGNAL_TRACE, 0, 0);
    StopTimer();
  }
}

double CORUSignalTrace::GetVoltageReading() const {
  double volts = 0.0;
  return scope_.GetVoltageReading(&volts) ? volts : std::numeric_limits<double>::quiet_NaN();
}

double CORUSignalTrace::GetTimeReading() const {
  double seconds = 0.0;
  return scope_.GetTimeReading(&seconds) ? seconds : std::numeric_limits<double>::quiet_NaN();
}
