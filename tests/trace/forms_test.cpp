#include <QClipboard>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include <mutex>

#include "link/protocol/WorkerMessages.h"
#include "link/store/LinkAccess.h"
#include "tests/trace/FormsTestSupport.h"
#include "trace/CORUDTMFView.h"
#include "trace/CORUTraceControl.h"
#include "trace/CORUTraceRecall.h"

namespace {

using formtest::FormFixture;

template <class W>
W* Find(QWidget* root, int id) {
  return root->findChild<W*>(QString::number(id));
}

void Type(QWidget* widget, const QString& text) {
  for (QChar c : text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(widget, &press);
  }
}

class TraceControlForm : public FormFixture {
 protected:
  void SetUp() override {
    FormFixture::SetUp();
    control = new CORUTraceControl(app->viewContext(), nullptr);
    control->show();
  }
  void TearDown() override {
    delete control;
    FormFixture::TearDown();
  }
  QComboBox* Combo(int id) { return Find<QComboBox>(control, id); }
  QLineEdit* Edit(int id) { return Find<QLineEdit>(control, id); }
  QString CaptureText() { return Find<QPushButton>(control, 1170)->text(); }
  // Chooses an entry as the user does: only then does the form's handler run.
  void Choose(int comboId, int index) {
    QComboBox* combo = Combo(comboId);
    combo->setCurrentIndex(index);
    emit combo->activated(index);
  }

  CORUTraceControl* control = nullptr;
};

TEST_F(TraceControlForm, CaptureWithDtmfTriggerPostsInOrderAndArms) {
  SetDevice(true);
  app->settings.traceScale = 2;
  app->settings.traceSpan = 1;
  app->settings.traceTrigger = 1;
  app->settings.triggerNumber = "1:2*#";  // from the registry: the ':' must not reach ST
  LinkFields(store()).traceCursor1 = 40;
  control->OnCaptureTrace();
  const std::vector<MSG> posts = Requests();
  ASSERT_EQ(posts.size(), 3u);
  EXPECT_EQ(posts[0].message, WM_ORU_SET_TRIGGER_STRING);
  EXPECT_EQ(posts[1].message, WM_ORU_SET_CONFIG);
  EXPECT_EQ(posts[1].wParam, 0x30800u);
  EXPECT_EQ(posts[2].message, WM_ORU_START_TRIGGERED_TRACE);
  EXPECT_EQ(posts[2].wParam, 3u);
  EXPECT_EQ(CaptureText(), "End Trace");
  std::lock_guard lock(LinkFields(store()).dataMutex);
  EXPECT_EQ(LinkFields(store()).sysCfg.triggerText, "12*#");
  EXPECT_EQ(LinkFields(store()).sysCfg.traceScale, 2);
  EXPECT_EQ(LinkFields(store()).sysCfg.traceSpan, 1);
  EXPECT_EQ(LinkFields(store()).sysCfg.trigger, 1);
  EXPECT_EQ(store().selectedLine, 3);
  EXPECT_EQ(LinkFields(store()).traceCursor1, -1);
}

TEST_F(TraceControlForm, CaptureWhileArmedWithoutDeviceOnlyAborts) {
  store().ExchangeRun([](RunState& run) { run.trace = TraceRun::TriggerArmed; });
  control->OnCaptureTrace();  // no box: none is scripted
  EXPECT_EQ(RequestIds(), std::vector<UINT>{WM_ORU_STOP_TRIGGERED_TRACE});
  EXPECT_EQ(store().statusText.Get(), "Aborting signal trace");
  store().ExchangeRun([](RunState& run) { run.trace = TraceRun::Idle; });
  answers.Box("No USB connection to ORUpc", IDOK, [](const PromptRecord& box) {
    EXPECT_EQ(box.title, "COMM Error");
    EXPECT_EQ(box.style, MB_SYSTEMMODAL);
  });
  control->OnCaptureTrace();
  EXPECT_EQ(RequestIds(), std::vector<UINT>{WM_ORU_STOP_TRIGGERED_TRACE});  // nothing more
  EXPECT_EQ(CaptureText(), "Capture Trace");
  // The end of the trace restores the button and the status.
  SetDevice(true);
  control->OnCaptureTrace();
  EXPECT_EQ(CaptureText(), "End Trace");
  control->OnTraceFinished();
  EXPECT_EQ(CaptureText(), "Capture Trace");
  EXPECT_EQ(store().statusText.Get(), "ANS/ORG Onhook");
}

TEST_F(TraceControlForm, DeclinedAutosaveStartsNothing) {
  SetDevice(true);
  app->settings.options = 4;
  apptest::FillTrace(store(), 20);
  document->SetTypeModified(true, DocumentType::Trace);
  answers.Box(IDCANCEL);  // "Save changes to ...?"
  control->OnCaptureTrace();
  EXPECT_TRUE(Requests().empty());
  EXPECT_EQ(CaptureText(), "Capture Trace");
  std::lock_guard lock(LinkFields(store()).dataMutex);
  EXPECT_EQ(LinkFields(store()).traceSamples.GetSize(), 20);
}

TEST_F(TraceControlForm, EditsFilterTypingAndPasting) {
  QLineEdit* dtmf = Edit(1167);
  dtmf->setFocus();
  Type(dtmf, "1a*E#b");
  EXPECT_EQ(dtmf->text(), "1A*#B");
  EXPECT_EQ(app->settings.triggerNumber, "1A*#B");  // at every change
  QApplication::clipboard()->setText("1:2");
  dtmf->paste();
  EXPECT_EQ(dtmf->text(), "1A*#B");
  QApplication::clipboard()->setText("990");
  dtmf->paste();
  EXPECT_EQ(dtmf->text(), "1A*#B990");
  Type(dtmf, "12345");
  EXPECT_EQ(dtmf->text(), "1A*#B990123");  // at most 11
  EXPECT_EQ(app->settings.triggerNumber, "1A*#B990123");

  app->settings.deltaV = 50;
  control->UpdateVoltageLabel();
  QLineEdit* voltage = Edit(1169);
  EXPECT_EQ(voltage->text(), "30.0 V");  // written whole, longer than what may be typed
  voltage->clear();
  Type(voltage, "-1x2");
  EXPECT_EQ(voltage->text(), "-12");
  EXPECT_EQ(app->settings.deltaV, 50);  // the voltage edit changes nothing

  QLineEdit* ringback = Edit(1168);
  ringback->clear();
  Type(ringback, "7");
  EXPECT_EQ(app->settings.ringbackQuantity, 7);
}

TEST_F(TraceControlForm, ScaleListFollowsTheTriggerType) {
  Choose(1164, 0);  // "60 V DC"
  EXPECT_EQ(app->settings.traceScale, 0);
  control->HideDcScales();
  QComboBox* scale = Combo(1164);
  ASSERT_EQ(scale->count(), 2);
  EXPECT_EQ(scale->currentText(), "1.5 V AC p-p");
  EXPECT_EQ(app->settings.traceScale, 2);
  control->HideDcScales();  // no second removal
  EXPECT_EQ(scale->count(), 2);
  Choose(1164, 1);
  EXPECT_EQ(app->settings.traceScale, 3);
  {
    std::lock_guard lock(LinkFields(store()).dataMutex);
    EXPECT_EQ(LinkFields(store()).sysCfg.traceScale, 3);
  }
  // A refresh with a DC scale in the two-entry list keeps the setting and the selection.
  app->settings.traceScale = 1;
  control->RefreshFromSettings(0);
  EXPECT_EQ(app->settings.traceScale, 1);
  EXPECT_EQ(scale->currentIndex(), 1);
  app->settings.traceScale = 2;
  control->RefreshFromSettings(0);
  EXPECT_EQ(scale->currentText(), "1.5 V AC p-p");
  control->ShowDcScales();
  ASSERT_EQ(scale->count(), 4);
  EXPECT_EQ(scale->itemText(0), "60 V DC");
  EXPECT_EQ(scale->currentText(), "1.5 V AC p-p");
  EXPECT_EQ(app->settings.traceScale, 2);
}

TEST_F(TraceControlForm, MinuteSpanComesAndGoesWithTheSetting) {
  QComboBox* span = Combo(1165);
  Choose(1165, 4);
  EXPECT_EQ(app->settings.traceSpan, 4);
  control->RemoveSixtySecondSpan();
  EXPECT_EQ(span->count(), 4);
  EXPECT_EQ(span->currentIndex(), 0);
  EXPECT_EQ(app->settings.traceSpan, 0);  // "5 seconds" shows, and is what goes out
  {
    std::lock_guard lock(LinkFields(store()).dataMutex);
    EXPECT_EQ(LinkFields(store()).sysCfg.traceSpan, 0);
  }
  control->RemoveSixtySecondSpan();
  EXPECT_EQ(span->count(), 4);
  control->AddSixtySecondSpan();
  control->AddSixtySecondSpan();
  ASSERT_EQ(span->count(), 5);
  EXPECT_EQ(span->itemText(4), "60 Seconds");
}

TEST_F(TraceControlForm, RefreshEnablesTheTriggersEdit) {
  app->settings.traceTrigger = 2;
  app->settings.ringbackQuantity = 4;
  app->settings.triggerNumber = "-1";
  app->settings.traceLine = 2;
  control->RefreshFromSettings(0);
  EXPECT_EQ(Combo(1166)->currentIndex(), 2);
  EXPECT_TRUE(Edit(1168)->isEnabled());
  EXPECT_FALSE(Edit(1167)->isEnabled());
  EXPECT_FALSE(Edit(1169)->isEnabled());
  EXPECT_EQ(Edit(1168)->text(), "4");
  EXPECT_EQ(Edit(1167)->text(), "-1");
  EXPECT_TRUE(Find<QRadioButton>(control, 1046)->isChecked());
  control->OnUpdate();
  EXPECT_EQ(Edit(1167)->text(), "");                            // the placeholder is not shown by a view update
  EXPECT_TRUE(Find<QRadioButton>(control, 1045)->isChecked());  // selectedLine 0 shows Line 1
  EXPECT_EQ(store().selectedLine, 1);
  store().selectedLine = 3;  // a running meter's line is left alone
  control->OnUpdate();
  EXPECT_EQ(store().selectedLine, 3);
  EXPECT_TRUE(Find<QRadioButton>(control, 1045)->isChecked());
}

TEST_F(TraceControlForm, EnableTimerKeepsScaleAndSpanWhileArmed) {
  control->StartEnableTimer();
  EXPECT_TRUE(control->EnableTimerRunning());
  control->OnTimer();  // no device
  for (int id : {1045, 1046, 1170, 1058, 1166, 1167, 1168, 1169})
    EXPECT_FALSE(Find<QWidget>(control, id)->isEnabled()) << id;
  SetDevice(true);
  control->OnTimer();
  for (int id : {1045, 1046, 1170, 1058, 1166, 1164, 1165}) EXPECT_TRUE(Find<QWidget>(control, id)->isEnabled()) << id;
  store().ExchangeRun([](RunState& run) { run.trace = TraceRun::TriggerArmed; });
  control->OnTimer();
  EXPECT_FALSE(Combo(1164)->isEnabled());
  EXPECT_FALSE(Combo(1165)->isEnabled());
  EXPECT_TRUE(Find<QWidget>(control, 1170)->isEnabled());  // End Trace stays usable
  store().ExchangeRun([](RunState& run) { run.trace = TraceRun::Idle; });
  control->OnTimer();
  EXPECT_TRUE(Combo(1164)->isEnabled());
  control->StopEnableTimer();
  EXPECT_FALSE(control->EnableTimerRunning());
}

TEST_F(TraceControlForm, CancelledSaveOnLineChangeKeepsTraceAndLine) {
  apptest::FillTrace(store(), 30);
  document->SetTypeModified(true, DocumentType::Trace);
  store().selectedLine = 2;
  control->OnUpdate();
  answers.Box(IDCANCEL);
  Find<QRadioButton>(control, 1045)->click();
  EXPECT_TRUE(Find<QRadioButton>(control, 1046)->isChecked());
  EXPECT_EQ(store().selectedLine, 2);
  std::lock_guard lock(LinkFields(store()).dataMutex);
  EXPECT_EQ(LinkFields(store()).traceSamples.GetSize(), 30);
}

// ---- the recall dialog ------------------------------------------------------------------------

class TraceRecallDialog : public FormFixture {
 protected:
  void SetUp() override {
    FormFixture::SetUp();
    SetDevice(true);
    recall = new CORUTraceRecall(app->viewContext(), nullptr);
    recall->SetDocument(document.get());
    std::lock_guard lock(LinkFields(store()).dataMutex);
    for (int i = 0; i < 3; ++i) {
      CORUTraceHeader& h = LinkFields(store()).traceDirectory[static_cast<std::size_t>(i)];
      h.date = "01/14/24";
      h.time = "10:0" + std::to_string(i) + ":00";
      h.line = i == 1 ? -1 : 1;
      h.dtmfDigits = "123456";
      h.triggerType = 1;
      h.spanIndex = 2;
      h.scaleIndex = 3;
      h.ringbackCount = 5;
      h.voltageLevel = -20;
    }
  }
  void TearDown() override {
    delete recall;
    FormFixture::TearDown();
  }
  QString Text(int id) { return Find<QLabel>(recall, id)->text(); }
  bool Enabled(int id) { return Find<QWidget>(recall, id)->isEnabled(); }

  CORUTraceRecall* recall = nullptr;
};

TEST_F(TraceRecallDialog, RowsFillAsHeadersArrive) {
  answers.Modal([&](QDialog& dialog) {
    dialog.show();
    EXPECT_EQ(Text(1118), "Retreiving...");
    EXPECT_FALSE(Enabled(1119));
    EXPECT_EQ(Text(1117), "");
    recall->ShowTraceHeader(0);
    EXPECT_TRUE(recall->Busy());
    EXPECT_EQ(recall->cursor().shape(), Qt::WaitCursor);
    EXPECT_TRUE(Enabled(1119));
    EXPECT_EQ(Text(1117), "01/14/24  10:00:00");
    EXPECT_EQ(Text(1118), "Retreiving...");  // the count keeps its text
    recall->ShowTraceHeader(1);
    EXPECT_TRUE(recall->Busy());
    EXPECT_EQ(Text(1121), "EMPTY");
    EXPECT_EQ(Text(1120), "");
    EXPECT_FALSE(Enabled(1122));
    recall->ShowTraceHeader(7);  // no such row
    recall->ShowTraceHeader(2);
    EXPECT_FALSE(recall->Busy());
    EXPECT_NE(recall->cursor().shape(), Qt::WaitCursor);
    EXPECT_TRUE(dialog.isEnabled());  // never disabled: Cancel stays usable
    return QDialog::Rejected;
  });
  EXPECT_EQ(recall->RunModal(), QDialog::Rejected);
  const std::vector<MSG> posts = Requests();
  ASSERT_EQ(posts.size(), 1u);
  EXPECT_EQ(posts[0].message, WM_ORU_GET_TRACE_HEADER);
  EXPECT_EQ(posts[0].wParam, static_cast<WPARAM>(-1));
  // The next opening starts over.
  answers.Modal([&](QDialog&) {
    EXPECT_FALSE(recall->Busy());
    EXPECT_EQ(Text(1121), "Retreiving...");
    EXPECT_FALSE(Enabled(1119));
    return QDialog::Rejected;
  });
  recall->RunModal();
}

TEST_F(TraceRecallDialog, RecallCopiesTheHeaderAndAsksForTheTrace) {
  answers.Modal([&](QDialog& dialog) {
    dialog.show();
    for (int row = 0; row < 3; ++row) recall->ShowTraceHeader(row);
    Find<QPushButton>(recall, 1125)->click();  // Recall #3
    return dialog.result();
  });
  EXPECT_EQ(recall->RunModal(), 1);
  const std::vector<MSG> posts = Requests();
  ASSERT_EQ(posts.size(), 2u);
  EXPECT_EQ(posts[1].message, WM_ORU_RECALL_TRACE);
  EXPECT_EQ(posts[1].wParam, 3u);
  EXPECT_EQ(app->settings.triggerNumber, "1234");
  EXPECT_EQ(app->settings.traceSpan, 2);
  EXPECT_EQ(app->settings.traceScale, 3);
  EXPECT_EQ(app->settings.traceTrigger, 1);
  EXPECT_EQ(app->settings.ringbackQuantity, 5);
  EXPECT_EQ(app->settings.deltaV, -20);
  EXPECT_EQ(app->settings.traceLine, 1);
  std::lock_guard lock(LinkFields(store()).dataMutex);
  EXPECT_EQ(LinkFields(store()).currentTrace.scaleIndex, 3);
  EXPECT_EQ(LinkFields(store()).currentTrace.voltageLevel, -20);
}

TEST_F(TraceRecallDialog, DeclinedSaveLeavesEverythingAndTheDialogOpen) {
  apptest::FillTrace(store(), 25);
  document->SetTypeModified(true, DocumentType::Trace);
  app->settings.triggerNumber = "99";
  recall->SetEmptyTraceOnRecall(true);
  answers.Modal([&](QDialog& dialog) {
    dialog.show();
    recall->ShowTraceHeader(0);
    Find<QPushButton>(recall, 1119)->click();
    EXPECT_TRUE(dialog.isVisible());
    return QDialog::Rejected;
  });
  answers.Box(IDCANCEL);
  recall->RunModal();
  const std::vector<MSG> posts = Requests();
  ASSERT_EQ(posts.size(), 1u);  // the header request only
  EXPECT_EQ(app->settings.triggerNumber, "99");
  std::lock_guard lock(LinkFields(store()).dataMutex);
  EXPECT_EQ(LinkFields(store()).traceSamples.GetSize(), 25);
}

// ---- the DTMF decoder -------------------------------------------------------------------------

class DtmfForm : public FormFixture {
 protected:
  void SetUp() override {
    FormFixture::SetUp();
    view = new CORUDTMFView(app->viewContext(), nullptr);
    view->resize(600, 300);
    view->show();
  }
  void TearDown() override {
    delete view;
    FormFixture::TearDown();
  }
  CORUDTMFView* view = nullptr;
};

TEST_F(DtmfForm, DigitGroupsShowOneALineAndLinesClearThem) {
  store().dtmfDigits.Set("12\r\n34");
  view->OnDigitsChanged({});
  EXPECT_EQ(view->DigitsEdit()->toPlainText(), "12\n34");
  EXPECT_TRUE(view->DigitsEdit()->isReadOnly());
  Find<QRadioButton>(view, 1046)->click();
  EXPECT_EQ(store().selectedLine, 2);
  EXPECT_TRUE(store().dtmfDigits.IsEmpty());
  EXPECT_EQ(view->DigitsEdit()->toPlainText(), "");
  store().dtmfDigits.Set("5");
  Find<QPushButton>(view, 1158)->click();
  EXPECT_EQ(view->DigitsEdit()->toPlainText(), "");
  // "Clear DTMF data" sits clear of "Line 1".
  EXPECT_FALSE(Find<QWidget>(view, 1158)->geometry().intersects(Find<QWidget>(view, 1045)->geometry()));
}

TEST_F(DtmfForm, StartPostsLineThreeAndNeverStopsARunningDecoder) {
  answers.Box("No USB connection to ORUpc", IDOK);
  view->StartStopDecoder();
  EXPECT_TRUE(Requests().empty());
  SetDevice(true);
  store().selectedLine = 2;
  view->StartStopDecoder();
  std::vector<MSG> posts = Requests();
  ASSERT_EQ(posts.size(), 1u);
  EXPECT_EQ(posts[0].message, WM_ORU_START_DTMF_DECODER);
  EXPECT_EQ(posts[0].wParam, 3u);
  EXPECT_TRUE(Find<QRadioButton>(view, 1045)->isChecked());  // line 3 shows as Line 1
  view->AbortDecoder();                                      // not running: nothing
  store().ExchangeRun([](RunState& run) { run.dtmf = true; });
  view->StartStopDecoder();
  EXPECT_EQ(Requests().size(), 1u);
  view->AbortDecoder();
  posts = Requests();
  ASSERT_EQ(posts.size(), 2u);
  EXPECT_EQ(posts[1].message, WM_ORU_STOP_DTMF_DECODER);
  EXPECT_EQ(store().statusText.Get(), "Aborting DTMF decoder");
}

}  // namespace
