#include "tests/shell/FrameTestSupport.h"

#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <chrono>
#include <map>

#include "link/protocol/LinkContext.h"
#include "platform/win32/ThreadMessages.h"
#include "shell/frame/PostedMessageEvent.h"
#include "shell/views/ViewContext.h"
#include "shell/views/ViewFactory.h"

namespace frametest {

RequestRecorder::RequestRecorder() : thread_([this] { Run(); }) {
  while (id_.load() == 0) std::this_thread::yield();
}

RequestRecorder::~RequestRecorder() {
  stop_ = true;
  thread_.join();
}

void RequestRecorder::Run() {
  id_ = GetCurrentThreadId();
  while (!stop_) {
    MSG message{};
    if (PeekMessage(&message, nullptr, 0, 0, PM_REMOVE)) {
      std::lock_guard lock(mutex_);
      messages_.push_back(message);
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
}

std::vector<MSG> RequestRecorder::Messages() const {
  std::lock_guard lock(mutex_);
  return messages_;
}

std::vector<UINT> RequestRecorder::Ids() const {
  std::vector<UINT> ids;
  for (const MSG& m : Messages()) ids.push_back(m.message);
  return ids;
}

int RequestRecorder::Count(UINT id) const {
  int n = 0;
  for (const MSG& m : Messages()) n += m.message == id ? 1 : 0;
  return n;
}

void RequestRecorder::Clear() {
  std::lock_guard lock(mutex_);
  messages_.clear();
}

bool RequestRecorder::WaitForCount(UINT id, int count, int ms) const {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (Count(id) < count) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

ScopedRequestCapture::ScopedRequestCapture(LinkContext& context)
    : context_(context), saved_(context.commThreadId.exchange(recorder.Id())) {}

ScopedRequestCapture::~ScopedRequestCapture() { context_.commThreadId = saved_; }

NotificationLog::NotificationLog(QObject* frame) : QObject(frame) { frame->installEventFilter(this); }

int NotificationLog::Count(UINT id) const {
  int n = 0;
  for (UINT i : ids) n += i == id ? 1 : 0;
  return n;
}

bool NotificationLog::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == PostedMessageEvent::EventType())
    ids.push_back(static_cast<PostedMessageEvent*>(event)->message.message);
  return QObject::eventFilter(watched, event);
}

namespace {

QString Args(long long a) { return QStringLiteral("(%1)").arg(a); }
QString Args(long long a, long long b) { return QStringLiteral("(%1,%2)").arg(a).arg(b); }

// A pane with a name and, optionally, controls by id.
template <class I>
class StandIn : public QWidget, public I {
 public:
  StandIn(const QString& name, CallLog& log, QWidget* parent) : QWidget(parent), name(name), log(log) {
    setObjectName(name);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(name, this));
  }
  QWidget* Widget() override { return this; }
  QWidget* Control(int id) override {
    const auto it = controls.find(id);
    return it != controls.end() ? it->second : nullptr;
  }
  void OnUpdate() override { Call("OnUpdate"); }

 protected:
  void Call(const QString& what) { log.Add(name + "." + what); }
  template <class W>
  W* AddControl(int id, W* widget) {
    widget->setObjectName(QString::number(id));
    layout()->addWidget(widget);
    controls[id] = widget;
    return widget;
  }
  QString name;
  CallLog& log;
  std::map<int, QWidget*> controls;
};

class SessionStandIn final : public StandIn<ISessionView> {
 public:
  using StandIn::StandIn;
  void Refresh() override { Call("Refresh"); }
  void Redraw() override { Call("Redraw"); }
  void RefreshNow() override { Call("RefreshNow"); }
  bool LiveRefreshRunning() const override { return live; }
  void StartLiveRefresh() override {
    live = true;
    Call("StartLiveRefresh");
  }
  void StopLiveRefresh() override {
    live = false;
    Call("StopLiveRefresh");
  }
  void ShowArrivedData() override { Call("ShowArrivedData"); }
  void ClearHoverMark() override { Call("ClearHoverMark"); }
  bool live = false;
};

class ReadoutStandIn final : public StandIn<IReadoutPanel> {
 public:
  using StandIn::StandIn;
  void Refresh() override { Call("Refresh"); }
};

class ControlStandIn final : public StandIn<IControlPanel> {
 public:
  ControlStandIn(const QString& name, CallLog& log, QWidget* parent) : StandIn(name, log, parent) {
    AddControl(1150, new QComboBox(this));
    AddControl(1152, new QComboBox(this));
    AddControl(1154, new QComboBox(this));
    AddControl(1058, new QPushButton(QStringLiteral("Recall Session"), this));
    AddControl(1084, new QPushButton(QStringLiteral("Capture"), this));
  }
  void SyncControlsFromConfig(int slot) override { Call("SyncControlsFromConfig" + Args(slot)); }
  void ShowEndOfCapture() override { Call("ShowEndOfCapture"); }
  void ShowV21Standard() override { Call("ShowV21Standard"); }
  void HideV21Standard() override { Call("HideV21Standard"); }
  void OnSignalTraceEnded() override { Call("OnSignalTraceEnded"); }
};

class SignalTraceStandIn final : public StandIn<ISignalTraceView> {
 public:
  using StandIn::StandIn;
  void ActivateTrace() override { Call("ActivateTrace"); }
  void DeactivateTrace() override { Call("DeactivateTrace"); }
  void AddTraceBlock(const notify::TraceBlock& block) override {
    Call("AddTraceBlock" + Args(static_cast<long long>(reinterpret_cast<std::uintptr_t>(block.buffer)), block.index));
  }
  void RefreshScope() override { Call("RefreshScope"); }
  void ForwardToTraceRecall(int row) override { Call("ForwardToTraceRecall" + Args(row)); }
  double GetVoltageReading() const override { return 0.0; }
  double GetTimeReading() const override { return 0.0; }
};

class TraceControlStandIn final : public StandIn<ITraceControl> {
 public:
  TraceControlStandIn(const QString& name, CallLog& log, QWidget* parent) : StandIn(name, log, parent) {
    AddControl(1045, new QRadioButton(QStringLiteral("Line 1"), this));
    AddControl(1046, new QRadioButton(QStringLiteral("Line 2"), this));
    AddControl(1058, new QPushButton(QStringLiteral("Recall Trace"), this));
    auto* trigger = AddControl(1166, new QComboBox(this));
    trigger->addItems(
        {QStringLiteral("Dialtone"), QStringLiteral("DTMF"), QStringLiteral("Ringback"), QStringLiteral("Voltage")});
    AddControl(1167, new QLineEdit(this));
    AddControl(1168, new QLineEdit(this));
    AddControl(1169, new QLineEdit(this));
    AddControl(1170, new QPushButton(QStringLiteral("Capture Trace"), this));
  }
  void StartEnableTimer() override { Call("StartEnableTimer"); }
  void StopEnableTimer() override { Call("StopEnableTimer"); }
  void OnTraceFinished() override { Call("OnTraceFinished"); }
  void RefreshFromSettings(int row) override { Call("RefreshFromSettings" + Args(row)); }
  void AddSixtySecondSpan() override { Call("AddSixtySecondSpan"); }
  void RemoveSixtySecondSpan() override { Call("RemoveSixtySecondSpan"); }
  void ShowDcScales() override { ++dcShows; }
  void HideDcScales() override { ++dcHides; }
  int dcShows = 0;
  int dcHides = 0;
};

class VoltMeterStandIn final : public StandIn<IVoltMeterView> {
 public:
  using StandIn::StandIn;
  void StartStopTest() override { Call("StartStopTest"); }
  void AbortTest() override { Call("AbortTest"); }
  void OnLineTestReply(const notify::LineTestReading&) override { Call("OnLineTestReply"); }
};

class DtmfStandIn final : public StandIn<IDtmfView> {
 public:
  using StandIn::StandIn;
  void StartStopDecoder() override { Call("StartStopDecoder"); }
  void AbortDecoder() override { Call("AbortDecoder"); }
  void OnDigitsChanged(const notify::DtmfDigits&) override { Call("OnDigitsChanged"); }
};

class DevelopStandIn final : public StandIn<IDevelopDialog> {
 public:
  using StandIn::StandIn;
  void Show() override {
    Call("Show");
    shown = true;
  }
  bool WindowExists() const override { return shown; }
  void OnCalibrationStep(const notify::CalibrationStepResult& r) override {
    Call("OnCalibrationStep" + Args(r.line, r.step));
  }
  void OnFactorsRead(const notify::CalibrationFactorsRead& r) override {
    Call("OnFactorsRead" + Args(r.line, r.group));
  }
  bool shown = false;
};

class RecallStandIn final : public StandIn<ISessionRecall> {
 public:
  using StandIn::StandIn;
  void RunModal() override { Call("RunModal"); }
  bool WindowExists() const override { return false; }
  void OnSessionHeader(int slot) override { Call("OnSessionHeader" + Args(slot)); }
};

}  // namespace

void RegisterRecordingViews(ViewFactory& factory, CallLog& log) {
  CallLog* l = &log;
  factory.Register<ViewSlot::SessionView>(
      [l](ViewContext&, QWidget* p) { return new SessionStandIn("session", *l, p); });
  factory.Register<ViewSlot::ControlPanel>(
      [l](ViewContext&, QWidget* p) { return new ControlStandIn("control", *l, p); });
  factory.Register<ViewSlot::CaptureReadout>(
      [l](ViewContext&, QWidget* p) { return new ReadoutStandIn("captureReadout", *l, p); });
  factory.Register<ViewSlot::SignalTrace>(
      [l](ViewContext&, QWidget* p) { return new SignalTraceStandIn("trace", *l, p); });
  factory.Register<ViewSlot::TraceControl>(
      [l](ViewContext&, QWidget* p) { return new TraceControlStandIn("traceControl", *l, p); });
  factory.Register<ViewSlot::TraceReadout>(
      [l](ViewContext&, QWidget* p) { return new ReadoutStandIn("traceReadout", *l, p); });
  factory.Register<ViewSlot::VoltMeter>([l](ViewContext&, QWidget* p) { return new VoltMeterStandIn("volt", *l, p); });
  factory.Register<ViewSlot::Dtmf>([l](ViewContext&, QWidget* p) { return new DtmfStandIn("dtmf", *l, p); });
  factory.Register<ViewSlot::DevelopDialog>(
      [l](ViewContext&, QWidget* p) { return new DevelopStandIn("develop", *l, p); });
  factory.Register<ViewSlot::SessionRecall>(
      [l](ViewContext&, QWidget* p) { return new RecallStandIn("recall", *l, p); });
}

}  // namespace frametest
