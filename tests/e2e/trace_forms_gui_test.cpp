#include <gtest/gtest.h>

#include <QDialog>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QWindow>

#include <algorithm>
#include <mutex>

#include "link/store/DocumentType.h"
#include "link/protocol/WorkerMessages.h"
#include "link/store/LinkAccess.h"
#include "shell/OruApp.h"
#include "shell/frame/CMainFrame.h"
#include "shell/OruDocument.h"
#include "shell/model/ShellConstants.h"
#include "sim/ScenarioParser.h"
#include "resources/data/ResourceIds.h"
#include "tests/shell/AppFixture.h"
#include "trace/CORUDTMFView.h"
#include "trace/CORULineTest.h"
#include "trace/CORUSignalTrace.h"
#include "trace/CORUTraceControl.h"
#include "trace/RegisterTraceViews.h"

namespace {

using apptest::Eventually;
using Texts = std::vector<std::string>;

constexpr int kTabSignalTrace = 1;
constexpr int kTabVoltMeter = 2;
constexpr int kTabDtmf = 3;

class TraceFormsGui : public apptest::AppFixture {
 protected:
  bool StartForms() {
    beforeInit = [](CORUpc144App& app) { RegisterTraceViews(app.viewFactory); };
    if (!Start()) return false;
    app().settings.autosaveFolder = QFileInfo(SettingsPath()).absolutePath().toStdString();
    control = dynamic_cast<CORUTraceControl*>(app().Views().traceControlView.get());
    trace = dynamic_cast<CORUSignalTrace*>(app().Views().signalTraceView.get());
    meter = dynamic_cast<CORULineTest*>(app().Views().lineTestView.get());
    dtmf = dynamic_cast<CORUDTMFView*>(app().Views().dtmfView.get());
    // The start-up exchange is over once the idle update has enabled the meters' tabs.
    return control && trace && meter && dtmf && Eventually([&] { return !Commands().empty(); });
  }
  void Play(const std::string& text) {
    const sim::ParsedScenario parsed = sim::parseScenario(text);
    ASSERT_TRUE(parsed.ok()) << parsed.error;
    instrument().loadScenario(parsed.scenario);
  }
  CORUData& store() { return app().dataStore; }
  Texts Commands() { return instrument().transcript().commands(); }
  Texts CommandsSince(std::size_t from) {
    const Texts all = Commands();
    return from < all.size() ? Texts(all.begin() + static_cast<long>(from), all.end()) : Texts();
  }
  bool Sent(const std::string& command, std::size_t from = 0) {
    const Texts c = CommandsSince(from);
    return std::find(c.begin(), c.end(), command) != c.end();
  }
  QString CaptureText() { return control->Control(1170)->property("text").toString(); }
  static QString Text(QDialog& dialog, int id) {
    auto* label = qobject_cast<QLabel*>(ScriptedAnswerer::Control(dialog, id));
    return label ? label->text() : QString();
  }
  // The three rows are in once the used ones show their dates and the empty ones "EMPTY".
  static bool RowsIn(QDialog& dialog) {
    for (auto [date, count] : {std::pair{1117, 1118}, {1120, 1121}, {1123, 1124}})
      if (Text(dialog, date).isEmpty() && Text(dialog, count) != "EMPTY") return false;
    return true;
  }
  static int EmptyRows(QDialog& dialog) {
    int n = 0;
    for (int count : {1118, 1121, 1124}) n += Text(dialog, count) == "EMPTY";
    return n;
  }
  int TraceSamples() {
    std::lock_guard lock(LinkFields(store()).dataMutex);
    return LinkFields(store()).traceSamples.GetSize();
  }
  // The trace control's settings as the user leaves them.
  void SetTrace(int scale, int span, int trigger) {
    app().settings.traceScale = scale;
    app().settings.traceSpan = span;
    app().settings.traceTrigger = trigger;
  }
  // A triggered trace that took its thousand samples and ended.
  bool TraceOver() {
    return !store().Run().traceRunning() && TraceSamples() == 1000 && CaptureText() == "Capture Trace";
  }

  CORUTraceControl* control = nullptr;
  CORUSignalTrace* trace = nullptr;
  CORULineTest* meter = nullptr;
  CORUDTMFView* dtmf = nullptr;
};

TEST_F(TraceFormsGui, CaptureTraceWithDtmfTriggerRecordsAndEnds) {
  ASSERT_TRUE(StartForms());
  app().SelectTab(kTabSignalTrace);
  Play("scenario t\ntitle \"t\"\nlength 30\nat 0 dc 3 -48.0\nat 1.0 dtmf 3 12*#\n");
  SetTrace(2, 1, 1);
  app().settings.triggerNumber = "12*#";
  trace->RefreshScope();
  const QImage empty = trace->Scope().Image().copy();
  const std::size_t before = Commands().size();
  control->OnCaptureTrace();
  EXPECT_EQ(CaptureText(), "End Trace");
  ASSERT_TRUE(Eventually([&] { return Sent("TC:0:3:1000", before); }));
  const Texts sent = CommandsSince(before);
  const auto st = std::find(sent.begin(), sent.end(), "ST:12*#");
  ASSERT_NE(st, sent.end());
  EXPECT_EQ(Texts(st, std::min(st + 5, sent.end())),
            (Texts{"ST:12*#", "SC:16:2:17:1:13:1", "GC:7:8:9", "GC:18:19", "TC:0:3:1000"}));
  ASSERT_TRUE(Eventually([&] { return TraceOver(); }, 60000));
  EXPECT_FALSE(store().Run().traceTriggerArmed());
  EXPECT_EQ(store().statusText.Get(), "ANS/ORG Onhook");
  trace->RefreshScope();
  EXPECT_NE(trace->Scope().Image(), empty);  // the samples are drawn
}

TEST_F(TraceFormsGui, ASavedTraceKeepsTheTriggerLevelItWasCapturedWith) {
  ASSERT_TRUE(StartForms());
  app().SelectTab(kTabSignalTrace);
  // Line 3 rises through -19.2 V (-32 % of the 60 V DC range) a second after the start.
  Play("scenario v\ntitle \"v\"\nlength 30\nat 0 dc 3 -48.0\nat 1.0 dc 3 -8.0\n");
  SetTrace(0, 0, 3);
  app().settings.deltaV = -32;
  control->OnCaptureTrace();
  ASSERT_TRUE(Eventually([&] { return TraceOver(); }, 60000));
  answers.SaveFile(Path("level.ast"));
  ASSERT_TRUE(app().OnCommand(ID_FILE_SAVE_AS));
  app().settings.deltaV = 10;  // the user moves the level afterwards
  ASSERT_TRUE(app().OpenDocumentFile(Path("level.ast")));
  EXPECT_EQ(app().settings.deltaV, -32);
  std::lock_guard lock(LinkFields(store()).dataMutex);
  EXPECT_EQ(LinkFields(store()).currentTrace.voltageLevel, -32);
}

TEST_F(TraceFormsGui, RingbackArmsWithoutDigitsAndASecondClickAborts) {
  ASSERT_TRUE(StartForms());
  app().settings.traceTrigger = 2;
  app().settings.ringbackQuantity = 3;
  app().settings.traceScale = 2;
  app().settings.traceSpan = 1;
  const std::size_t before = Commands().size();
  control->OnCaptureTrace();
  ASSERT_TRUE(Eventually([&] { return store().Run().traceTriggerArmed(); }));
  Texts sent = CommandsSince(before);
  const auto sc = std::find(sent.begin(), sent.end(), "SC:16:2:17:1:13:2:14:3");
  ASSERT_NE(sc, sent.end());
  ASSERT_NE(sc + 1, sent.end());
  EXPECT_EQ(*(sc + 1), "GC:7:8:9");
  EXPECT_EQ(std::count_if(sent.begin(), sent.end(), [](const std::string& c) { return c.starts_with("ST:"); }), 0);
  const std::size_t armed = Commands().size();
  control->OnCaptureTrace();
  EXPECT_EQ(store().statusText.Get(), "Aborting signal trace");
  ASSERT_TRUE(Eventually([&] { return Sent("TC:2", armed) && CaptureText() == "Capture Trace"; }));
  sent = CommandsSince(armed);
  EXPECT_EQ(std::count_if(sent.begin(), sent.end(), [](const std::string& c) { return c.starts_with("SC:"); }), 0);
}

TEST_F(TraceFormsGui, RecallTraceListsTheSlotsAndDownloadsOne) {
  instrumentOptions.prefillMemory = true;
  ASSERT_TRUE(StartForms());
  instrument().withFirmware([](sim::Firmware& f) { f.memory().setTrace(2, {}); });
  apptest::FillTrace(store(), 40);  // held, not modified: no save prompt
  answers.Modal([&](QDialog& dialog) {
    dialog.show();
    EXPECT_TRUE(Eventually([&] { return RowsIn(dialog); }));
    EXPECT_EQ(EmptyRows(dialog), 1);
    EXPECT_EQ(Text(dialog, 1121), "EMPTY");
    EXPECT_FALSE(ScriptedAnswerer::Control(dialog, 1122)->isEnabled());
    EXPECT_TRUE(ScriptedAnswerer::Control(dialog, 1119)->isEnabled());
    ScriptedAnswerer::Click(dialog, 1119);  // Recall #1
    return dialog.result();
  });
  const std::size_t before = Commands().size();
  control->OnRecallTrace();
  // Trace 1 of the factory memory: dial-tone trigger, 1.5 V AC, 5 s, line 1.
  EXPECT_EQ(app().settings.traceTrigger, 0);
  EXPECT_EQ(app().settings.traceScale, 2);
  EXPECT_EQ(app().settings.traceSpan, 0);
  EXPECT_EQ(app().settings.traceLine, 1);
  ASSERT_TRUE(Eventually([&] { return Sent("RT:1", before) && TraceSamples() == 1000; }));
  EXPECT_TRUE(app().currentDocument->traceFilePath().endsWith("January 14, 2024 10_00_01.ast"))
      << app().currentDocument->traceFilePath().toStdString();
  ASSERT_TRUE(
      Eventually([&] { return CaptureText() == "Capture Trace" && store().statusText.Get() == "ANS/ORG Onhook"; }));
}

TEST_F(TraceFormsGui, DeclinedSaveAndCancelKeepTheHeldTrace) {
  instrumentOptions.prefillMemory = true;
  ASSERT_TRUE(StartForms());
  app().settings.options = 1;  // not Autosave: the trace is emptied only by a Recall button
  apptest::FillTrace(store(), 40);
  app().currentDocument->SetTypeModified(true, DocumentType::Trace);
  const int trigger = app().settings.traceTrigger = 3;
  answers.Modal([&](QDialog& dialog) {
    dialog.show();
    EXPECT_TRUE(Eventually([&] { return RowsIn(dialog); }));
    ScriptedAnswerer::Click(dialog, 1122);  // Recall #2, its save declined
    EXPECT_TRUE(dialog.isVisible());
    ScriptedAnswerer::Click(dialog, IDCANCEL);
    return dialog.result();
  });
  answers.Box(IDCANCEL);
  const std::size_t before = Commands().size();
  control->OnRecallTrace();
  EXPECT_EQ(app().settings.traceTrigger, trigger);
  EXPECT_EQ(TraceSamples(), 40);
  EXPECT_TRUE(app().currentDocument->IsTypeModified(DocumentType::Trace));
  const Texts sent = CommandsSince(before);
  EXPECT_EQ(std::count_if(sent.begin(), sent.end(), [](const std::string& c) { return c.starts_with("RT:"); }), 0);
}

// Yes to the save prompt a recall asks: the prompt and the file choice after it open over the
// recall dialog, which keeps to its place (centred on the main window, above it, never on top of
// every window) so that they are not hidden behind it.
TEST_F(TraceFormsGui, TheSaveARecallAsksOpensOverTheRecallDialog) {
  instrumentOptions.prefillMemory = true;
  ASSERT_TRUE(StartForms());
  app().settings.options = 1;
  apptest::FillTrace(store(), 40);
  app().currentDocument->SetTypeModified(true, DocumentType::Trace);
  QPointer<QDialog> recall;
  answers.Modal([&](QDialog& dialog) {
    recall = &dialog;
    dialog.show();
    EXPECT_FALSE(dialog.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(dialog.windowHandle()->transientParent(), app().mainFrame->windowHandle());
    const QPoint middle = app().mainFrame->frameGeometry().center();
    EXPECT_LE((dialog.frameGeometry().center() - middle).manhattanLength(), 2);
    EXPECT_TRUE(Eventually([&] { return RowsIn(dialog); }));
    answers.Box(QStringLiteral("Save changes to Untitled?"), IDYES).SaveFile(Path("kept.ast"));
    ScriptedAnswerer::Click(dialog, 1119);  // Recall #1
    return dialog.result();
  });
  const std::size_t asked = answers.prompts().size();
  control->OnRecallTrace();
  ASSERT_EQ(answers.prompts().size(), asked + 3);
  EXPECT_EQ(answers.prompts()[asked + 1].kind, PromptKind::MessageBox);
  EXPECT_EQ(answers.prompts()[asked + 1].owner, recall);
  EXPECT_EQ(answers.prompts()[asked + 2].spec.title, "Save ORUpc trace file as");
  EXPECT_EQ(answers.prompts()[asked + 2].owner, recall);
  EXPECT_TRUE(QFileInfo::exists(Path("kept.ast")));
}

TEST_F(TraceFormsGui, UnplugWhileHeadersAreReadLeavesCancelWorking) {
  instrumentOptions.prefillMemory = true;
  ASSERT_TRUE(StartForms());
  app().settings.options = 2;
  apptest::FillTrace(store(), 40);
  answers.Modal([&](QDialog& dialog) {
    dialog.show();
    UnplugInstrument();
    EXPECT_TRUE(Eventually([&] { return !app().context.DeviceOpen(); }));
    EXPECT_TRUE(dialog.isEnabled());
    EXPECT_TRUE(ScriptedAnswerer::Control(dialog, IDCANCEL)->isEnabled());
    ScriptedAnswerer::Click(dialog, IDCANCEL);
    EXPECT_FALSE(dialog.isVisible());
    return dialog.result();
  });
  control->OnRecallTrace();
  EXPECT_EQ(TraceSamples(), 40);
}

TEST_F(TraceFormsGui, SignalTraceViewsRecallShowsTheRowsTheHeadersBring) {
  instrumentOptions.prefillMemory = true;
  ASSERT_TRUE(StartForms());
  app().SelectTab(kTabSignalTrace);
  answers.Modal([&](QDialog& dialog) {
    dialog.show();
    EXPECT_TRUE(Eventually([&] { return RowsIn(dialog); }));
    EXPECT_EQ(EmptyRows(dialog), 0);
    EXPECT_EQ(Text(dialog, 1120), "01/14/24  10:05:03");
    ScriptedAnswerer::Click(dialog, IDCANCEL);
    return dialog.result();
  });
  trace->OnRecallTrace();
}

TEST_F(TraceFormsGui, VoltMeterShowsReadingsAndFollowsTheUnit) {
  ASSERT_TRUE(StartForms());
  Play("scenario m\ntitle \"m\"\nlength 60\nrepeat\nat 0 dc 3 -48.0 ramp 0\nat 0 tone 3 custom 1.0 1000\n");
  const std::size_t before = Commands().size();
  app().SelectTab(kTabVoltMeter);
  ASSERT_EQ(app().CurrentTab(), kTabVoltMeter);
  ASSERT_TRUE(Eventually([&] { return Sent("VM:3:0", before); }, 3000)) << instrument().transcript().text();
  auto label = [&](int id) { return qobject_cast<QLabel*>(meter->Control(id))->text(); };
  ASSERT_TRUE(Eventually([&] { return label(1125).startsWith("DC -48"); }));
  EXPECT_TRUE(label(1127).startsWith("AC ")) << label(1127).toStdString();
  EXPECT_FALSE(label(1128).isEmpty());
  ASSERT_TRUE(Eventually(
      [&] { return meter->DcBar() && meter->DcBar()->x1 < meter->DcScale().zeroX && meter->AcBar().has_value(); }));
  const std::size_t beforeUnit = Commands().size();
  qobject_cast<QRadioButton*>(meter->Control(1132))->click();
  EXPECT_EQ(meter->AcScale().kind, MeterKind::AcDbm);
  ASSERT_TRUE(Eventually([&] { return Sent("VM:3:1", beforeUnit); }));
  app().SelectTab(0);
  ASSERT_TRUE(Eventually([&] { return !store().Run().lineTestRunning(); }));
  EXPECT_FALSE(meter->MeterRunning());
}

TEST_F(TraceFormsGui, DtmfDecoderShowsDigitGroupsAndFollowsTheLine) {
  instrumentOptions.clock.mode = sim::TimeMode::Stepped;
  ASSERT_TRUE(StartForms());
  Play(
      "scenario d\ntitle \"d\"\nlength 30\nat 1.0 dtmf 3 12\nat 3.0 dtmf 3 34\n"
      "at 5.0 dtmf 2 56\nat 7.0 dtmf 2 78\n");
  const std::size_t before = Commands().size();
  app().SelectTab(kTabDtmf);
  ASSERT_TRUE(Eventually([&] { return Sent("DT:0:3", before) && store().Run().dtmfRunning(); }));
  QPlainTextEdit* edit = dtmf->DigitsEdit();
  instrument().advance(sim::millis(2000));
  ASSERT_TRUE(Eventually([&] { return edit->toPlainText() == "12"; }));
  instrument().advance(sim::millis(2000));
  ASSERT_TRUE(Eventually([&] { return edit->toPlainText() == "12\n34"; }));

  const std::size_t beforeLine = Commands().size();
  qobject_cast<QRadioButton*>(dtmf->Control(1046))->click();
  EXPECT_EQ(edit->toPlainText(), "");
  ASSERT_TRUE(Eventually([&] { return Sent("DT:0:2", beforeLine); }));
  const Texts sent = CommandsSince(beforeLine);
  const auto stop = std::find(sent.begin(), sent.end(), "DT:2");
  ASSERT_NE(stop, sent.end());
  EXPECT_EQ(*(stop + 1), "DT:0:2");
  instrument().advance(sim::millis(2000));
  ASSERT_TRUE(Eventually([&] { return edit->toPlainText() == "56"; }));
  qobject_cast<QPushButton*>(dtmf->Control(1158))->click();  // while running
  EXPECT_EQ(edit->toPlainText(), "");
  instrument().advance(sim::millis(2000));
  ASSERT_TRUE(Eventually([&] { return edit->toPlainText() == "78"; }));

  const std::size_t beforeLeave = Commands().size();
  app().SelectTab(0);
  ASSERT_TRUE(Eventually([&] { return Sent("DT:2", beforeLeave) && !store().Run().dtmfRunning(); }));
}

TEST_F(TraceFormsGui, AReadingInFlightDoesNotUndoALineSwitch) {
  instrumentOptions.clock.mode = sim::TimeMode::Stepped;
  ASSERT_TRUE(StartForms());
  Play("scenario d\ntitle \"d\"\nlength 30\nat 1.0 dtmf 3 12\nat 3.0 dtmf 3 34\n");
  app().SelectTab(kTabDtmf);
  ASSERT_TRUE(Eventually([&] { return store().Run().dtmfRunning(); }));
  QPlainTextEdit* edit = dtmf->DigitsEdit();
  instrument().advance(sim::millis(2000));
  ASSERT_TRUE(Eventually([&] { return edit->toPlainText() == "12"; }));
  // The reading that brings line 3's "34" is on its way while the user switches to line 2.
  const std::size_t held = instrument().transcript().count(sim::TranscriptKind::ReplyHeld);
  instrument().withFaults([](sim::FaultPlan& f) { f.delayNextReply(sim::millis(1000), "dt:1:34"); });
  instrument().advance(sim::millis(2000));
  ASSERT_TRUE(Eventually([&] { return instrument().transcript().count(sim::TranscriptKind::ReplyHeld) > held; }));
  const std::size_t before = Commands().size();
  qobject_cast<QRadioButton*>(dtmf->Control(1046))->click();
  EXPECT_EQ(edit->toPlainText(), "");
  instrument().advance(sim::millis(1000));  // the reading arrives
  ASSERT_TRUE(Eventually([&] {
    const Texts sent = CommandsSince(before);
    const auto restart = std::find(sent.begin(), sent.end(), "DT:0:2");
    return restart != sent.end() && std::find(restart, sent.end(), "DT:1") != sent.end();
  }));
  ASSERT_TRUE(Eventually([&] { return edit->toPlainText() == QString::fromStdString(store().dtmfDigits.Get()); }));
  EXPECT_EQ(store().dtmfDigits.Get(), "");
  EXPECT_EQ(edit->toPlainText(), "");
}

}  // namespace
