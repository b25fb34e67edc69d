#include "trace/CORUTraceControl.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <cstdlib>
#include <mutex>

#include "link/store/DocumentType.h"
#include "link/protocol/WorkerMessages.h"
#include "resources/TemplateBuilder.h"
#include "resources/data/ResourceIds.h"
#include "shell/views/ViewContext.h"
#include "shell/OruDocument.h"
#include "shell/model/StateSync.h"
#include "trace/CORUTraceRecall.h"
#include "trace/EditFilterValidator.h"
#include "trace/model/TraceControlRules.h"

namespace {

// The ids the shell's state synchronisation enables and disables are its own; these two it leaves.
constexpr int kAutosaveOption = 4;

constexpr const char* kCaptureText = "Capture Trace";
constexpr const char* kEndTraceText = "End Trace";
constexpr const char* kNoUsbText = "No USB connection to ORUpc";
constexpr const char* kCommErrorCaption = "COMM Error";

// Where the controls and labels sit in the form, in pixels.
struct Place {
  int id;
  int x;
  int y;
};
constexpr Place kPlaces[] = {
    {IDC_SCALE, 92, 14},
    {IDC_SPAN, 92, 45},
    {IDC_TRIGGER_TYPE, 92, 75},
    {IDC_TRIGGER_DTMF, 92, 104},
    {IDC_TRIGGER_RINGBACK, 92, 135},
    {IDC_TRIGGER_VOLTAGE, 92, 167},
    {IDC_CAPTURE_TRACE, 11, 206},
    {IDC_SCALE_LABEL, 11, 21},
    {IDC_SPAN_LABEL, 11, 49},
    {IDC_TRIGGER_TYPE_LABEL, 11, 78},
    {IDC_TRIGGER_DTMF_LABEL, 11, 109},
    {IDC_TRIGGER_RINGBACK_LABEL, 11, 140},
    {IDC_TRIGGER_VOLTAGE_LABEL, 11, 172},
};

QString Latin(const std::string& text) { return QString::fromLatin1(text.c_str()); }

}  // namespace

CORUTraceControl::CORUTraceControl(ViewContext& context, QWidget* parent) : QWidget(parent), context_(context) {
  ApplyTemplate(this, IDD_TRACE_CONTROL);
  recallButton_ = FindControlAs<QPushButton>(this, IDC_RECALL_TRACE);
  dtmfEdit_ = FindControlAs<QLineEdit>(this, IDC_TRIGGER_DTMF);
  ringbackEdit_ = FindControlAs<QLineEdit>(this, IDC_TRIGGER_RINGBACK);
  voltageEdit_ = FindControlAs<QLineEdit>(this, IDC_TRIGGER_VOLTAGE);
  line1_ = FindControlAs<QRadioButton>(this, IDC_LINE1);
  line2_ = FindControlAs<QRadioButton>(this, IDC_LINE2);
  triggerCombo_ = FindControlAs<QComboBox>(this, IDC_TRIGGER_TYPE);
  spanCombo_ = FindControlAs<QComboBox>(this, IDC_SPAN);
  scaleCombo_ = FindControlAs<QComboBox>(this, IDC_SCALE);
  captureButton_ = FindControlAs<QPushButton>(this, IDC_CAPTURE_TRACE);
  // No parent: the form is disabled while its tab is not shown, and a child dialog would be too.
  recall_ = new CORUTraceRecall(context_, nullptr);

  // The limits are the validators' job: a length limit would cut the written "30.0 V".
  for (auto [edit, filter] : {std::pair{voltageEdit_, EditFilter::Voltage}, std::pair{dtmfEdit_, EditFilter::Dtmf}}) {
    if (edit == nullptr) continue;
    edit->setMaxLength(32767);
    edit->setValidator(new EditFilterValidator(filter, edit));
  }
  if (recallButton_) connect(recallButton_, &QPushButton::clicked, this, [this] { OnRecallTrace(); });
  if (captureButton_) connect(captureButton_, &QPushButton::clicked, this, [this] { OnCaptureTrace(); });
  if (spanCombo_) connect(spanCombo_, &QComboBox::activated, this, [this] { OnSelChangeSpan(); });
  if (scaleCombo_) connect(scaleCombo_, &QComboBox::activated, this, [this] { OnSelChangeScale(); });
  if (triggerCombo_) connect(triggerCombo_, &QComboBox::activated, this, [this] { OnSelChangeTrigger(); });
  // After the group's own click handling, so that a cancelled change can set the radios back.
  if (QButtonGroup* lines = line1_ != nullptr ? line1_->group() : nullptr) {
    connect(lines, &QButtonGroup::buttonClicked, this, [this](QAbstractButton* clicked) {
      if (clicked == line1_) OnLine1();
      if (clicked == line2_) OnLine2();
    });
  }
  if (dtmfEdit_) connect(dtmfEdit_, &QLineEdit::textChanged, this, [this] { OnChangeDtmfTrigger(); });
  if (ringbackEdit_) connect(ringbackEdit_, &QLineEdit::textChanged, this, [this] { OnChangeRingbackQty(); });
  timer_.setInterval(kEnableTimerMs);
  connect(&timer_, &QTimer::timeout, this, [this] { OnTimer(); });
  Layout();
}

CORUTraceControl::~CORUTraceControl() {
  timer_.stop();
  delete recall_;
  if (context_.host.Views().traceControlView.get() == this) context_.host.Views().traceControlView.Set(nullptr);
}

QWidget* CORUTraceControl::Control(int id) { return FindControl(this, id); }

// ---- the two buttons ----------------------------------------------------------------------------

void CORUTraceControl::OnCaptureTrace() {
  CORUData& store = context_.store;
  const CaptureStep step = store.WithTrace([&](const TraceScope& trace) {
    const CaptureStep decided =
        DecideCapture(trace.Run().traceTriggerArmed() || trace.Run().traceRunning(), context_.link.DeviceOpen());
    if (decided == CaptureStep::Abort) {
      store.statusText.Set("Aborting signal trace");
      context_.worker.Post(WM_ORU_STOP_TRIGGERED_TRACE, 0, 0);
    }
    return decided;
  });
  // Boxes and save prompts come only after the lock is gone.
  if (step == CaptureStep::NoDevice) context_.prompts.MessageBox(kNoUsbText, kCommErrorCaption, MB_SYSTEMMODAL);
  if (step != CaptureStep::Start) return;

  CORUpc144Doc* document = context_.host.Document();
  if (context_.settings.options == kAutosaveOption) {
    if (document == nullptr || !document->Autosave(-1, DocumentType::Trace, true)) return;
    store.ClearTrace(TraceKind::Triggered);
  } else {
    store.WithTrace([](TraceScope& trace) {
      trace.Clear(TraceKind::Triggered);
      trace.traceMarker1() = -1;
    });
    if (document != nullptr) {
      document->SetTypeModified(false, DocumentType::Trace);
      document->OnNewDocument();
    }
    context_.host.SetMainTitle(QString());
  }

  if (captureButton_ != nullptr) captureButton_->setText(kEndTraceText);
  store.WithTrace([](TraceScope& trace) {
    trace.traceCursor1() = -1;
    trace.traceCursor2() = -1;
  });
  store.selectedLine = kTraceLineBoth;
  store.WithData([&](DataScope& data) {
    const AppSettings& s = context_.settings;
    const CaptureStart start = PlanCaptureStart(
        {s.traceScale, s.traceSpan, s.traceTrigger, s.triggerNumber, s.ringbackQuantity, s.deltaV}, data.sysCfg());
    for (const WorkerPost& post : start.posts) context_.worker.Post(post.message, post.wParam, post.lParam);
  });
}

void CORUTraceControl::OnRecallTrace() {
  CORUData& store = context_.store;
  const RecallOpening opening =
      DecideRecallOpening(store.Run().dtmfRunning(), context_.link.DeviceOpen(), store.Run().lineTestRunning());
  if (opening.stopDtmf) {
    store.statusText.Set("Aborting DTMF decoder");
    context_.worker.Post(WM_ORU_STOP_DTMF_DECODER, 0, 0);
  }
  if (opening.noDevice) {
    context_.prompts.MessageBox(kNoUsbText, kCommErrorCaption, MB_SYSTEMMODAL);
    return;
  }
  if (opening.stopLineTest) {
    store.statusText.Set("Aborting line test");
    context_.worker.Post(WM_ORU_STOP_LINE_TEST, 0, 0);
  }
  CORUpc144Doc* document = context_.host.Document();
  recall_->SetDocument(document);
  const bool autosave = context_.settings.options == kAutosaveOption;
  recall_->SetEmptyTraceOnRecall(!autosave);
  if (!autosave || (document != nullptr && document->Autosave(-1, DocumentType::Trace, false))) recall_->RunModal();
  recall_->SetEmptyTraceOnRecall(false);
  if (!context_.link.DeviceOpen()) context_.host.UpdateViews();
}

// ---- selections, lines and edits ----------------------------------------------------------------

void CORUTraceControl::OnSelChangeSpan() {
  if (spanCombo_ == nullptr) return;
  const int selection = spanCombo_->currentIndex();
  context_.settings.traceSpan = selection;
  context_.store.WithData([selection](DataScope& data) { data.sysCfg().traceSpan = static_cast<UCHAR>(selection); });
  ForgetMarkerPlace();
}

void CORUTraceControl::OnSelChangeScale() {
  if (scaleCombo_ == nullptr) return;
  if (const auto scale = ScaleForSelection(scaleCombo_->currentIndex(), scaleCombo_->count())) {
    context_.settings.traceScale = *scale;
    context_.store.WithData([&](DataScope& data) { data.sysCfg().traceScale = static_cast<UCHAR>(*scale); });
  }
  ForgetMarkerPlace();
  UpdateVoltageLabel();
}

void CORUTraceControl::ForgetMarkerPlace() {
  context_.store.WithTrace([](TraceScope& trace) {
    trace.traceCursor1() = -1;
    trace.traceCursor2() = -1;
  });
}

void CORUTraceControl::OnSelChangeTrigger() {
  if (triggerCombo_ == nullptr) return;
  const int selection = triggerCombo_->currentIndex();
  context_.settings.traceTrigger = selection;
  context_.store.WithData([selection](DataScope& data) { data.sysCfg().trigger = static_cast<UCHAR>(selection); });
  EnableTriggerEdit(selection);
}

void CORUTraceControl::EnableTriggerEdit(int selection) {
  const TriggerEdit edit = EditForTrigger(selection);
  if (dtmfEdit_) dtmfEdit_->setEnabled(edit == TriggerEdit::Dtmf);
  if (ringbackEdit_) ringbackEdit_->setEnabled(edit == TriggerEdit::Ringback);
  if (voltageEdit_) voltageEdit_->setEnabled(edit == TriggerEdit::Voltage);
}

void CORUTraceControl::SetLineRadios(int line) {
  if (line1_) line1_->setChecked(line == 1);
  if (line2_) line2_->setChecked(line != 1);
}

void CORUTraceControl::OnLine(int line) {
  CORUpc144Doc* document = context_.host.Document();
  const bool goOn = document == nullptr || !document->IsTypeModified(DocumentType::Trace) ||
                    document->SaveModified(DocumentType::Trace);
  if (!goOn) {
    SetLineRadios(line == 1 ? 2 : 1);
    return;
  }
  CORUData& store = context_.store;
  store.WithTrace([](TraceScope& trace) {
    trace.Clear(TraceKind::Triggered);
    trace.traceMarker1() = -1;
  });
  if (document != nullptr) document->SetTypeModified(false, DocumentType::Trace);
  store.selectedLine = line;
  SetLineRadios(line);
  context_.host.OnFileNew();
}

void CORUTraceControl::OnChangeDtmfTrigger() {
  if (dtmfEdit_ == nullptr) return;
  context_.settings.triggerNumber = dtmfEdit_->text().left(kDtmfEditLimit).toLatin1().toStdString();
}

void CORUTraceControl::OnChangeRingbackQty() {
  if (ringbackEdit_ == nullptr) return;
  const std::string text = ringbackEdit_->text().left(2).toLatin1().toStdString();
  context_.settings.ringbackQuantity = static_cast<int>(std::atol(text.c_str()));
}

// ---- refreshes ---------------------------------------------------------------------------------------

void CORUTraceControl::UpdateVoltageLabel() {
  if (voltageEdit_ != nullptr)
    voltageEdit_->setText(Latin(VoltageLabel(context_.settings.deltaV, context_.settings.traceScale)));
}

void CORUTraceControl::SelectCombos(int scale, int span, int trigger) {
  if (scaleCombo_)
    if (const auto entry = SelectionForScale(scale, scaleCombo_->count())) scaleCombo_->setCurrentIndex(*entry);
  if (spanCombo_)
    if (const auto entry = SelectionForSpan(span, spanCombo_->count())) spanCombo_->setCurrentIndex(*entry);
  if (triggerCombo_) triggerCombo_->setCurrentIndex(SelectionForTrigger(trigger));
}

void CORUTraceControl::RefreshFromSettings(int row) {
  if (recall_->WindowExists()) recall_->ShowTraceHeader(row);
  const AppSettings& s = context_.settings;
  SelectCombos(s.traceScale, s.traceSpan, s.traceTrigger);
  if (dtmfEdit_) dtmfEdit_->setText(Latin(s.triggerNumber));
  if (ringbackEdit_) ringbackEdit_->setText(QString::number(s.ringbackQuantity));
  UpdateVoltageLabel();
  SetLineRadios(s.traceLine == 1 ? 1 : 2);
  OnSelChangeTrigger();
}

void CORUTraceControl::OnUpdate() {
  CORUData& store = context_.store;
  const int line = store.selectedLine;
  if (line == 2) {
    SetLineRadios(2);
  } else {
    SetLineRadios(1);
    // Line 3 is what a running meter, decoder or triggered trace uses: a view update (which the
    // worker's notifications cause all the time) must not move it to line 1.
    if (line != 1 && line != kTraceLineBoth) store.selectedLine = 1;
  }
  const AppSettings& s = context_.settings;
  SelectCombos(s.traceScale, s.traceSpan, s.traceTrigger);
  UpdateVoltageLabel();
  if (ringbackEdit_) ringbackEdit_->setText(QString::number(s.ringbackQuantity));
  if (dtmfEdit_) dtmfEdit_->setText(s.triggerNumber == "-1" ? QString() : Latin(s.triggerNumber));
  EnableTriggerEdit(triggerCombo_ != nullptr ? triggerCombo_->currentIndex() : -1);
}

void CORUTraceControl::OnTraceFinished() {
  context_.store.statusText.Set(CORUData::kIdleStatusText);
  if (captureButton_) captureButton_->setText(kCaptureText);
  RefreshFromSettings(0);
}

// ---- the Scale and Span lists ----------------------------------------------------------------------

// The idle update calls these twice a second: a list that already has its entries is left alone,
// so the marker and the setting survive it.
void CORUTraceControl::ShowDcScales() {
  if (scaleCombo_ == nullptr || scaleCombo_->count() == kAllScales) return;
  scaleCombo_->insertItem(0, QStringLiteral("30 V DC"));
  scaleCombo_->insertItem(0, QStringLiteral("60 V DC"));
  // The entry shown follows the setting; the shifted old selection may stand for another scale.
  if (const auto entry = SelectionForScale(context_.settings.traceScale, scaleCombo_->count()))
    scaleCombo_->setCurrentIndex(*entry);
  StoreListedScale();
}

void CORUTraceControl::HideDcScales() {
  if (scaleCombo_ == nullptr || scaleCombo_->count() == kAcScalesOnly) return;
  if (scaleCombo_->currentIndex() == 0 || scaleCombo_->currentIndex() == 1) scaleCombo_->setCurrentIndex(2);
  scaleCombo_->removeItem(0);
  scaleCombo_->removeItem(0);
  StoreListedScale();
}

void CORUTraceControl::StoreListedScale() {
  const auto scale = ScaleForSelection(scaleCombo_->currentIndex(), scaleCombo_->count());
  if (!scale) return;
  const bool changed = *scale != context_.settings.traceScale;
  context_.settings.traceScale = *scale;
  context_.store.WithData([&](DataScope& data) { data.sysCfg().traceScale = static_cast<UCHAR>(*scale); });
  // Only a new scale moves the marker's place on the plot.
  if (changed) ForgetMarkerPlace();
  UpdateVoltageLabel();
}

void CORUTraceControl::AddSixtySecondSpan() {
  if (spanCombo_ != nullptr && spanCombo_->count() != kSpansWithMinute) spanCombo_->addItem(kMinuteSpanText);
}

void CORUTraceControl::RemoveSixtySecondSpan() {
  if (spanCombo_ == nullptr || spanCombo_->count() == kSpansWithoutMinute) return;
  spanCombo_->setCurrentIndex(0);
  spanCombo_->removeItem(4);
  // The setting follows the list; else the next trace would still be sent as 60 s.
  OnSelChangeSpan();
}

// ---- the enable timer -------------------------------------------------------------------------------

void CORUTraceControl::StartEnableTimer() {
  timer_.start();
  UpdateVoltageLabel();
}

void CORUTraceControl::StopEnableTimer() { timer_.stop(); }

void CORUTraceControl::OnTimer() {
  CORUData& store = context_.store;
  const EnableTick tick =
      DecideEnableTick(context_.link.DeviceOpen(), store.Run().traceTriggerArmed(), store.Run().traceRunning());
  if (tick.controls == ControlEnables::DisableAll) {
    for (QWidget* control : std::initializer_list<QWidget*>{line1_, line2_, captureButton_, recallButton_,
                                                            triggerCombo_, ringbackEdit_, dtmfEdit_, voltageEdit_})
      if (control) control->setEnabled(false);
  } else if (tick.controls == ControlEnables::EnableMain) {
    for (QWidget* control :
         std::initializer_list<QWidget*>{line1_, line2_, captureButton_, recallButton_, triggerCombo_})
      if (control) control->setEnabled(true);
  }
  if (scaleCombo_) scaleCombo_->setEnabled(tick.scaleAndSpan);
  if (spanCombo_) spanCombo_->setEnabled(tick.scaleAndSpan);
}

// ---- layout -------------------------------------------------------------------------------------------

void CORUTraceControl::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Layout();
}

void CORUTraceControl::Layout() {
  for (const Place& place : kPlaces)
    if (QWidget* control = FindControl(this, place.id)) control->move(place.x, place.y);
}
