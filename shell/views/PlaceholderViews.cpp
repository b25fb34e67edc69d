#include "shell/views/PlaceholderViews.h"

#include <limits>

#include <QLabel>
#include <QVBoxLayout>

#include "resources/TemplateBuilder.h"
#include "resources/data/DialogTemplate.h"
#include "resources/data/ResourceIds.h"
#include "shell/model/TabTable.h"
#include "shell/views/ViewContext.h"

namespace {

template <class I>
class PlaceholderView : public PlaceholderPane, public I {
 public:
  PlaceholderView(ViewSlot slot, int templateId, QWidget* parent)
      : PlaceholderPane(PlaceholderName(slot), templateId, parent) {}
  QWidget* Widget() override { return this; }
  QWidget* Control(int id) override { return FindTemplateControl(id); }
};

class SessionPlaceholder final : public PlaceholderView<ISessionView> {
 public:
  using PlaceholderView::PlaceholderView;
  void Refresh() override {}
  void Redraw() override { update(); }
  void RefreshNow() override { update(); }
  bool LiveRefreshRunning() const override { return liveRefresh; }
  void StartLiveRefresh() override { liveRefresh = true; }
  void StopLiveRefresh() override { liveRefresh = false; }
  void ShowArrivedData() override { update(); }
  void ClearHoverMark() override {}

 private:
  bool liveRefresh = false;
};

class ReadoutPlaceholder final : public PlaceholderView<IReadoutPanel> {
 public:
  using PlaceholderView::PlaceholderView;
  void Refresh() override { update(); }
};

class ControlPanelPlaceholder final : public PlaceholderView<IControlPanel> {
 public:
  using PlaceholderView::PlaceholderView;
  void SyncControlsFromConfig(int) override {}
  void ShowEndOfCapture() override {}
  void ShowV21Standard() override {}
  void HideV21Standard() override {}
  void OnSignalTraceEnded() override {}
};

class SignalTracePlaceholder final : public PlaceholderView<ISignalTraceView> {
 public:
  using PlaceholderView::PlaceholderView;
  void ActivateTrace() override {}
  void DeactivateTrace() override {}
  void AddTraceBlock(const notify::TraceBlock&) override {}
  void RefreshScope() override {}
  void ForwardToTraceRecall(int) override {}
  // A placeholder scope has no reading.
  double GetVoltageReading() const override { return std::numeric_limits<double>::quiet_NaN(); }
  double GetTimeReading() const override { return std::numeric_limits<double>::quiet_NaN(); }
};

class TraceControlPlaceholder final : public PlaceholderView<ITraceControl> {
 public:
  using PlaceholderView::PlaceholderView;
  void StartEnableTimer() override {}
  void StopEnableTimer() override {}
  void OnTraceFinished() override {}
  void RefreshFromSettings(int) override {}
  void AddSixtySecondSpan() override {}
  void RemoveSixtySecondSpan() override {}
  void ShowDcScales() override {}
  void HideDcScales() override {}
};

class VoltMeterPlaceholder final : public PlaceholderView<IVoltMeterView> {
 public:
  using PlaceholderView::PlaceholderView;
  void StartStopTest() override {}
  void AbortTest() override {}
  void OnLineTestReply(const notify::LineTestReading&) override {}
};

class DtmfPlaceholder final : public PlaceholderView<IDtmfView> {
 public:
  using PlaceholderView::PlaceholderView;
  void StartStopDecoder() override {}
  void AbortDecoder() override {}
  void OnDigitsChanged(const notify::DtmfDigits&) override {}
};

// A tab nobody made a page for: its title, greyed.
class TabPagePlaceholder final : public PlaceholderPane, public ITabPage {
 public:
  TabPagePlaceholder(const QString& title, QWidget* parent) : PlaceholderPane(title, 0, parent) {}
  QWidget* Widget() override { return this; }
};

// A dialog slot's stand-in: a small box that says what will come, run through the prompts.
class PlaceholderDialog : public QDialog {
 public:
  PlaceholderDialog(const QString& name, QWidget* parent) : QDialog(parent) {
    setWindowTitle(name);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(name + QStringLiteral(" is not available in this version."), this));
  }
};

class DevelopPlaceholder final : public PlaceholderDialog, public IDevelopDialog {
 public:
  DevelopPlaceholder(ViewContext& context, QWidget* parent)
      : PlaceholderDialog(PlaceholderName(ViewSlot::DevelopDialog), parent), context_(context) {}
  QWidget* Widget() override { return this; }
  void Show() override { context_.prompts.RunModal(*this); }
  bool WindowExists() const override { return isVisible(); }
  void OnCalibrationStep(const notify::CalibrationStepResult&) override {}
  void OnFactorsRead(const notify::CalibrationFactorsRead&) override {}

 private:
  ViewContext& context_;
};

class SessionRecallPlaceholder final : public PlaceholderDialog, public ISessionRecall {
 public:
  SessionRecallPlaceholder(ViewContext& context, QWidget* parent)
      : PlaceholderDialog(PlaceholderName(ViewSlot::SessionRecall), parent), context_(context) {}
  QWidget* Widget() override { return this; }
  void RunModal() override { context_.prompts.RunModal(*this); }
  bool WindowExists() const override { return isVisible(); }
  void OnSessionHeader(int) override {}

 private:
  ViewContext& context_;
};

}  // namespace

PlaceholderPane::PlaceholderPane(const QString& name, int templateId, QWidget* parent) : QFrame(parent) {
  setObjectName(name);
  setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  setAutoFillBackground(true);
  auto* layout = new QVBoxLayout(this);
  if (templateId != 0 && FindDialogTemplate(templateId) != nullptr) form = BuildForm(templateId, this);
  if (form != nullptr) {
    // A template form places its controls itself; the layout keeps its size.
    form->setFixedSize(form->size());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(form, 0, Qt::AlignLeft | Qt::AlignTop);
  } else {
    auto* label = new QLabel(name, this);
    label->setAlignment(Qt::AlignCenter);
    label->setEnabled(false);  // drawn greyed: nothing works here yet
    layout->addWidget(label);
  }
}

QWidget* PlaceholderPane::FindTemplateControl(int id) const {
  return form != nullptr ? FindControl(form, id) : nullptr;
}

QString PlaceholderName(ViewSlot slot) {
  switch (slot) {
    case ViewSlot::SessionView:
      return QStringLiteral("Session view");
    case ViewSlot::ControlPanel:
      return QStringLiteral("Control panel");
    case ViewSlot::CaptureReadout:
      return QStringLiteral("Cursor and marker read-out");
    case ViewSlot::SignalTrace:
      return QStringLiteral("Signal trace");
    case ViewSlot::TraceControl:
      return QStringLiteral("Trace control");
    case ViewSlot::TraceReadout:
      return QStringLiteral("Trace read-out");
    case ViewSlot::VoltMeter:
      return QStringLiteral("Volt meter");
    case ViewSlot::Dtmf:
      return QStringLiteral("DTMF decoder");
    case ViewSlot::DevelopDialog:
      return QStringLiteral("Development / Debug");
    case ViewSlot::SessionRecall:
      return QStringLiteral("Session recall");
    case ViewSlot::Count:
      break;
  }
  return QString();
}

ITabPage* CreatePlaceholderTabPage(int row, QWidget* parent) {
  const bool inTable = row >= 0 && row < TabCountInTable();
  const QString title = inTable ? QLatin1String(kTabTable[static_cast<std::size_t>(row)].title) : QString::number(row);
  return new TabPagePlaceholder(title, parent);
}

IShellView* CreatePlaceholderView(ViewSlot slot, ViewContext& context, QWidget* parent) {
  switch (slot) {
    case ViewSlot::SessionView:
      return static_cast<ISessionView*>(new SessionPlaceholder(slot, 0, parent));
    case ViewSlot::ControlPanel:
      return static_cast<IControlPanel*>(new ControlPanelPlaceholder(slot, IDD_CONTROL_PANEL, parent));
    case ViewSlot::CaptureReadout:
    case ViewSlot::TraceReadout:
      return static_cast<IReadoutPanel*>(new ReadoutPlaceholder(slot, 0, parent));
    case ViewSlot::SignalTrace:
      return static_cast<ISignalTraceView*>(new SignalTracePlaceholder(slot, 0, parent));
    case ViewSlot::TraceControl:
      return static_cast<ITraceControl*>(new TraceControlPlaceholder(slot, IDD_TRACE_CONTROL, parent));
    case ViewSlot::VoltMeter:
      return static_cast<IVoltMeterView*>(new VoltMeterPlaceholder(slot, 0, parent));
    case ViewSlot::Dtmf:
      return static_cast<IDtmfView*>(new DtmfPlaceholder(slot, 0, parent));
    case ViewSlot::DevelopDialog:
      return static_cast<IDevelopDialog*>(new DevelopPlaceholder(context, parent));
    case ViewSlot::SessionRecall:
      return static_cast<ISessionRecall*>(new SessionRecallPlaceholder(context, parent));
    case ViewSlot::Count:
      break;
  }
  return nullptr;
}
