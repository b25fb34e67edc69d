#include <gtest/gtest.h>

#include <QAction>
#include <QFileInfo>
#include <QImage>
#include <QScreen>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QSplitterHandle>
#include <QTest>

#include <utility>

#include "link/files/DocumentFile.h"
#include "link/files/FileType.h"
#include "link/protocol/WorkerMessages.h"
#include "link/store/LinkAccess.h"
#include "resources/data/ResourceIds.h"
#include "shell/frame/CaptureFrame.h"
#include "shell/dialogs/DownloadStatus.h"
#include "shell/OruApp.h"
#include "shell/OruDocument.h"
#include "shell/frame/SplitOverride.h"
#include "shell/frame/TraceFrame.h"
#include "shell/model/StatusPaneText.h"
#include "shell/model/TabTable.h"
#include "shell/views/TabPage.h"
#include "shell/views/ViewFactory.h"
#include "tests/shell/FontCheck.h"
#include "tests/shell/FrameFixture.h"

namespace frametest {
namespace {

using apptest::Eventually;

class MainFrameTest : public FrameFixture {};

// ---- dispatch -------------------------------------------------------------------------------

struct DispatchRow {
  UINT id;
  WPARAM w;
  LPARAM l;
  QStringList calls;  // in order
};

class DispatchRows : public MainFrameTest, public testing::WithParamInterface<DispatchRow> {};

TEST_P(DispatchRows, ReachTheirWindows) {
  ASSERT_TRUE(StartAndSettle());
  log.Clear();
  const DispatchRow& row = GetParam();
  Notify(row.id, row.w, row.l);
  QStringList seen;
  for (const QString& call : log.calls)
    if (!call.endsWith(".OnUpdate") && !call.endsWith(".ClearHoverMark")) seen << call;
  EXPECT_EQ(seen, row.calls) << "notification " << row.id;
}

INSTANTIATE_TEST_SUITE_P(
    Table, DispatchRows,
    testing::Values(
        DispatchRow{2026, 0, 0, {"control.SyncControlsFromConfig(0)"}},
        DispatchRow{2032, 4, 0, {"control.SyncControlsFromConfig(4)"}},
        DispatchRow{2034, 0, 0, {"control.SyncControlsFromConfig(0)", "session.ShowArrivedData"}},
        DispatchRow{2033,
                    2,
                    0,
                    {"control.SyncControlsFromConfig(2)", "session.StartLiveRefresh", "trace.ForwardToTraceRecall(2)",
                     "traceControl.RefreshFromSettings(2)"}},
        DispatchRow{2038, 0, 0, {"session.StopLiveRefresh", "control.ShowEndOfCapture"}},
        DispatchRow{2049, 0, 0, {"traceControl.OnTraceFinished", "control.OnSignalTraceEnded"}},
        DispatchRow{2051, 77, 1, {"trace.AddTraceBlock(77,1)"}}, DispatchRow{2054, 0, 0, {"volt.OnLineTestReply"}},
        DispatchRow{2057, 0, 0, {"dtmf.OnDigitsChanged"}},
        DispatchRow{2065, 1, 0, {"trace.ForwardToTraceRecall(1)", "traceControl.RefreshFromSettings(1)"}},
        DispatchRow{2067, 0, 0, {"traceControl.OnTraceFinished"}},
        DispatchRow{2069, 0, 0, {"traceControl.OnTraceFinished"}}, DispatchRow{2070, 0, 0, {"trace.RefreshScope"}},
        DispatchRow{2078, 0, 0, {"control.ShowV21Standard"}}, DispatchRow{2079, 0, 0, {"control.HideV21Standard"}},
        DispatchRow{2080, 0, 0, {"traceControl.AddSixtySecondSpan"}},
        DispatchRow{2081, 0, 0, {"traceControl.RemoveSixtySecondSpan"}},
        // The development dialog hears only while its window exists; no request echo is acted on.
        DispatchRow{2042, 1, 2, {}}, DispatchRow{2045, 1, 7, {}}, DispatchRow{2025, 0, 0, {}},
        DispatchRow{2072, 0, 0, {}}),
    [](const testing::TestParamInfo<DispatchRow>& info) {
      return "Id" + std::to_string(info.param.id) + "_" + std::to_string(info.index);
    });

TEST_F(MainFrameTest, CaptureEndAndMeterEndsSetTheIdleStatus) {
  ASSERT_TRUE(StartAndSettle());
  store().ExchangeRun([](RunState& run) { run.capture = CaptureRun::Armed; });
  store().statusText.Set("Waiting for modem trigger");
  // The end of an earlier capture leaves this one armed; its own end disarms it.
  Notify(WM_ORU_ABORT_CAPTURE, store().Run().captureNumber - 1u);
  EXPECT_TRUE(store().Run().captureArmed());
  Notify(WM_ORU_ABORT_CAPTURE, store().Run().captureNumber);
  EXPECT_FALSE(store().Run().captureArmed());
  EXPECT_EQ(store().statusText.Get(), "ANS/ORG Onhook");
  for (UINT id : {WM_ORU_STOP_LINE_TEST, WM_ORU_STOP_DTMF_DECODER}) {
    store().statusText.Set("busy");
    Notify(id);
    EXPECT_EQ(store().statusText.Get(), "ANS/ORG Onhook") << id;
  }
}

TEST_F(MainFrameTest, LiveRefreshStartsOnceForACapture) {
  ASSERT_TRUE(StartAndSettle());
  log.Clear();
  Notify(WM_ORU_START_CAPTURE);
  Notify(WM_ORU_START_CAPTURE);
  EXPECT_EQ(log.Count("session.StartLiveRefresh"), 1);
}

TEST_F(MainFrameTest, DtmfDecoderTextByLine) {
  ASSERT_TRUE(StartAndSettle());
  const char* expected[] = {"", "Decoding DTMF on Line 1", "Decoding DTMF on Line 2", "Decoding DTMF"};
  for (WPARAM line = 1; line <= 3; ++line) {
    Notify(WM_ORU_START_DTMF_DECODER, line);
    EXPECT_EQ(store().statusText.Get(), expected[line]);
  }
  store().statusText.Set("kept");
  Notify(WM_ORU_START_DTMF_DECODER, 4);
  EXPECT_EQ(store().statusText.Get(), "kept");
}

TEST_F(MainFrameTest, ClockBoxesFollowTheResult) {
  ASSERT_TRUE(StartAndSettle());
  auto titled = [](const PromptRecord& prompt) { EXPECT_EQ(prompt.title, QStringLiteral("ORU Date/Time")); };
  answers.Box(QStringLiteral("ORU time set to PC time"), IDOK, titled);
  Notify(WM_ORU_SET_CLOCK_FROM_PC, 1);
  answers.Box(QStringLiteral("Unable to set ORU time"), IDOK, titled);
  Notify(WM_ORU_SET_CLOCK_FROM_PC, 0);
  EXPECT_TRUE(answers.AllUsed());
}

TEST_F(MainFrameTest, AboutRunsOnRequestAndOnceAfterADownload) {
  ASSERT_TRUE(StartAndSettle());
  const int before = app().AboutRuns();
  const auto closeAbout = [](QDialog& d) { return ScriptedAnswerer::Click(d, IDOK) ? d.result() : 0; };
  answers.Modal(closeAbout, "CAboutDlg");
  Notify(WM_ORU_SHOW_ABOUT);
  EXPECT_EQ(app().AboutRuns(), before + 1);
  Notify(WM_ORU_DEVICE_CONNECTED);  // no download: nothing
  EXPECT_EQ(app().AboutRuns(), before + 1);
  store().resyncPending = 1;
  answers.Modal(closeAbout, "CAboutDlg");
  Notify(WM_ORU_DEVICE_CONNECTED);
  Notify(WM_ORU_DEVICE_CONNECTED);
  EXPECT_EQ(app().AboutRuns(), before + 2);
  EXPECT_EQ(store().resyncPending.load(), 0);
}

TEST_F(MainFrameTest, ProgressDialogComesWithTheFirstProgressAndEndsWithTheDownload) {
  ASSERT_TRUE(StartAndSettle());
  Notify(WM_ORU_DOWNLOAD_PROGRESS, 0, 0);
  EXPECT_EQ(frame()->DownloadStatus(), nullptr);
  store().ExchangeRun([](RunState& run) { run.download = true; });
  Notify(WM_ORU_DOWNLOAD_PROGRESS, 1000, 4000);
  CDownloadStatus* status = frame()->DownloadStatus();
  ASSERT_NE(status, nullptr);
  EXPECT_TRUE(status->isVisible());
  EXPECT_EQ(status->ProgressLabel(), QStringLiteral("25% complete"));
  ASSERT_NE(status->ProgressField(), nullptr);
  EXPECT_EQ(status->HighlightEnd(), status->ProgressField()->width() / 4);
  EXPECT_EQ(status->windowTitle(), QStringLiteral("Application download status"));
  Notify(WM_ORU_DOWNLOAD_FIRMWARE);
  EXPECT_FALSE(store().Run().downloadRunning());
  EXPECT_FALSE(status->isVisible());
}

TEST_F(MainFrameTest, StreamBlocksCarryTheBufferAddressAndIndex) {
  ASSERT_TRUE(StartAndSettle());
  log.Clear();
  app().PostToWorker(WM_ORU_START_SIGNAL_TRACE, 1);
  ASSERT_TRUE(Eventually([this] { return notes->Count(WM_ORU_TRACE_DATA_READY) >= 3; }));
  app().PostToWorker(WM_ORU_STOP_SIGNAL_TRACE);
  ASSERT_TRUE(Eventually([this] { return notes->Count(WM_ORU_START_SIGNAL_TRACE) >= 1; }));
  int blocks = 0;
  for (const QString& call : log.calls) {
    if (!call.startsWith("trace.AddTraceBlock(")) continue;
    const QStringList args = call.mid(20).chopped(1).split(',');
    ASSERT_EQ(args.size(), 2);
    const int index = args[1].toInt();
    ASSERT_TRUE(index == 0 || index == 1) << call.toStdString();
    EXPECT_EQ(args[0].toULongLong(), reinterpret_cast<qulonglong>(store().StreamBuffer(index)));
    ++blocks;
  }
  EXPECT_GE(blocks, 3);
}

// ---- keys, slider, panes --------------------------------------------------------------------

class KeyProbe : public QLineEdit {
 public:
  using QLineEdit::QLineEdit;
  int pageUps = 0;

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if (event->key() == Qt::Key_PageUp) ++pageUps;
    QLineEdit::keyPressEvent(event);
  }
};

TEST_F(MainFrameTest, PageUpStepsTheVolumeAndStillReachesTheFocusedWidget) {
  ASSERT_TRUE(StartAndSettle());
  CORUVolumeCtrl* slider = frame()->StatusBar()->VolumeSlider();
  slider->setValue(240);
  auto* probe = new KeyProbe(frame());
  probe->show();
  frame()->activateWindow();
  probe->setFocus();
  ASSERT_TRUE(Eventually([&] { return QApplication::focusWidget() == probe; }));
  instrument().transcript().clear();
  QTest::keyClick(frame()->windowHandle(), Qt::Key_PageUp);
  EXPECT_EQ(slider->value(), 255);
  EXPECT_EQ(app().settings.modem3Volume, 255);
  EXPECT_EQ(probe->pageUps, 1);
  ASSERT_TRUE(Eventually([this] {
    const auto c = instrument().transcript().commands();
    const auto sc = std::find(c.begin(), c.end(), "SC:6:255");
    return sc != c.end() && std::find(sc, c.end(), "GC:7:8:9") != c.end();
  }));
  // At the top another Page Up sends nothing.
  ScopedRequestCapture capture(app().context);
  QTest::keyClick(frame()->windowHandle(), Qt::Key_PageUp);
  EXPECT_EQ(slider->value(), 255);
  QTest::keyClick(frame()->windowHandle(), Qt::Key_PageDown);
  EXPECT_EQ(slider->value(), 223);
  ASSERT_TRUE(capture.recorder.WaitForCount(WM_ORU_SET_CONFIG, 1));
  EXPECT_EQ(capture.recorder.Ids(), std::vector<UINT>{WM_ORU_SET_CONFIG});
  EXPECT_EQ(probe->pageUps, 2);
}

TEST_F(MainFrameTest, VolumeDragSendsPastTheHysteresisAndOnRelease) {
  ASSERT_TRUE(StartAndSettle());
  CORUVolumeCtrl* slider = frame()->StatusBar()->VolumeSlider();
  {
    std::lock_guard lock(LinkFields(store()).dataMutex);
    LinkFields(store()).sysCfg.modem3Volume = 100;
  }
  slider->setValue(100);
  ScopedRequestCapture capture(app().context);
  slider->OnButtonDown();
  slider->OnDragTo(125);
  EXPECT_EQ(slider->value(), 125);
  EXPECT_EQ(capture.recorder.Count(WM_ORU_SET_CONFIG), 0);
  slider->OnDragTo(131);
  ASSERT_TRUE(capture.recorder.WaitForCount(WM_ORU_SET_CONFIG, 1));
  EXPECT_EQ(capture.recorder.Messages()[0].wParam, 0x20u);
  EXPECT_EQ(app().settings.modem3Volume, 131);
  slider->OnDragTo(0);  // nothing while moving to 0
  slider->OnDragTo(140);
  slider->OnButtonUp();
  ASSERT_TRUE(capture.recorder.WaitForCount(WM_ORU_SET_CONFIG, 2));
  EXPECT_EQ(app().settings.modem3Volume, 140);
  std::lock_guard lock(LinkFields(store()).dataMutex);
  EXPECT_EQ(LinkFields(store()).sysCfg.modem3Volume, 140);
}

TEST_F(MainFrameTest, ClickOnTheAnswerPaneChoosesTheAnswerColor) {
  ASSERT_TRUE(StartAndSettle());
  answers.Color(std::nullopt);
  QWidget* pane = frame()->StatusBar()->Pane(ID_PANE_ANSWER);
  ASSERT_NE(pane, nullptr);
  QTest::mouseClick(pane, Qt::LeftButton, {}, QPoint(5, 5));
  ASSERT_FALSE(answers.prompts().empty());
  EXPECT_EQ(answers.prompts().back().kind, PromptKind::Color);
  EXPECT_EQ(answers.prompts().back().title, QStringLiteral("Select Answer Color..."));
  // The volume pane opens nothing.
  QTest::mouseClick(frame()->StatusBar()->Pane(ID_PANE_VOLUME), Qt::LeftButton, {}, QPoint(3, 3));
  EXPECT_EQ(answers.prompts().size(), 1u);
}

TEST_F(MainFrameTest, PanesShowTheStoreAfterTheIdleUpdate) {
  ASSERT_TRUE(StartAndSettle());
  store().statusText.Set("Line status");
  store().WithData([](DataScope& data) { data.sysCfg().standard = 3; });  // 14400 on CAPTURE DATA
  frame()->RunIdleUpdate();
  CORUStatusBar* bar = frame()->StatusBar();
  EXPECT_EQ(bar->PaneText(ID_PANE_CONNECTION), QStringLiteral("USB connected"));
  EXPECT_EQ(bar->PaneText(ID_PANE_LINE_STATUS), QStringLiteral("Line status"));
  EXPECT_EQ(bar->PaneText(ID_PANE_MODE), QStringLiteral("Intercept Mode"));
  EXPECT_EQ(bar->PaneText(ID_PANE_CAPTURE_BUFFER), QStringLiteral("Capture Buffer: 0 bytes"));
  // The commands that need data are greyed while nothing is held; Load ORU Application is not.
  for (int id : {57607, 57603, 57604, 32799})
    if (QAction* action = frame()->Action(id)) {
      EXPECT_FALSE(action->isEnabled()) << id;
    }
  ASSERT_NE(frame()->Action(32808), nullptr);
  EXPECT_TRUE(frame()->Action(32808)->isEnabled());
  store().ExchangeRun([](RunState& run) { run.capture = CaptureRun::Armed; });
  frame()->RunIdleUpdate();
  EXPECT_FALSE(frame()->Action(32808)->isEnabled());
  auto* capture = qobject_cast<QPushButton*>(app().Views().controlView->Control(1084));
  ASSERT_NE(capture, nullptr);
  EXPECT_EQ(capture->text(), QStringLiteral("End Capture"));
  EXPECT_FALSE(tabs()->IsTabEnabled(1));
  store().ExchangeRun([](RunState& run) { run.capture = CaptureRun::Idle; });
  frame()->RunIdleUpdate();
  EXPECT_EQ(capture->text(), QStringLiteral("Capture"));
  EXPECT_TRUE(tabs()->IsTabEnabled(3));
}

// ---- tabs -----------------------------------------------------------------------------------

TEST_F(MainFrameTest, TabHitTestBySelectionAndState) {
  plugAtStart = false;
  ASSERT_TRUE(StartAndSettle());
  frame()->RunIdleUpdate();
  CORUTabbedFrame* t = tabs();
  ASSERT_EQ(t->TabCount(), TabCountInTable());
  EXPECT_EQ(t->HitTest(5, 2), 0);
  int x1 = -1;
  for (int x = 0; x < 2000 && x1 < 0; ++x)
    if (t->HitTest(x, 10) == 1) x1 = x;
  ASSERT_GT(x1, 0);
  EXPECT_EQ(t->HitTest(x1 + 3, 2), -1);  // y 2 misses an unselected tab
  EXPECT_EQ(t->HitTest(x1 + 3, 3), 1);
  EXPECT_EQ(t->HitTest(5, 28), -1);
  EXPECT_EQ(t->HitTest(x1 + 3, 28), -1);
  // Without an instrument the meter tabs are disabled and hit nothing.
  EXPECT_FALSE(t->IsTabEnabled(2));
  int hits2 = 0;
  for (int x = 0; x < 2000; ++x) hits2 += t->HitTest(x, 10) == 2 || t->HitTest(x, 10) == 3 ? 1 : 0;
  EXPECT_EQ(hits2, 0);
  // A click on the disabled tab or the selected one changes nothing; one on tab 1 selects it.
  QTest::mouseClick(t, Qt::LeftButton, {}, QPoint(5, 10));
  EXPECT_EQ(t->GetCurrentTab(), 0);
  QTest::mouseClick(t, Qt::LeftButton, {}, QPoint(x1 + 3, 10));
  EXPECT_EQ(t->GetCurrentTab(), 1);
}

// The strip as the screen shows it after clicks from tab to tab: the sunken edge below the strip
// runs unbroken under every tab but the one selected, which opens into the area below it.
TEST_F(MainFrameTest, TheBaseLineIsOpenOnlyUnderTheSelectedTabAfterSwitching) {
  ASSERT_TRUE(StartAndSettle());
  frame()->RunIdleUpdate();
  CORUTabbedFrame* t = tabs();
  ASSERT_TRUE(t->IsTabEnabled(2) && t->IsTabEnabled(3));
  const auto middleOf = [&](int tab) {
    int left = -1, right = -1;
    for (int x = 0; x < 2000; ++x)
      if (t->HitTest(x, 10) == tab) {
        if (left < 0) left = x;
        right = x;
      }
    return (left + right) / 2;
  };
  const QColor edge = t->palette().color(QPalette::Dark);
  for (int tab : {1, 2, 0, 3, 1, 3}) {
    QTest::mouseClick(t, Qt::LeftButton, {}, QPoint(middleOf(tab), 10));
    ASSERT_EQ(t->GetCurrentTab(), tab);
    QCoreApplication::processEvents();  // the repaint the click asked for
    const QImage screen = t->screen()->grabWindow(frame()->winId()).toImage();
    for (int other = 0; other < t->TabCount(); ++other) {
      const QPoint at = t->mapTo(frame(), QPoint(middleOf(other), kTabStripHeight));
      EXPECT_EQ(screen.pixel(at) == edge.rgb(), other != tab) << "tab " << other << " after choosing " << tab;
    }
  }
}

TEST_F(MainFrameTest, LabelsEnablingAndRepaints) {
  ASSERT_TRUE(StartAndSettle());
  CORUTabbedFrame* t = tabs();
  EXPECT_EQ(t->TabLabel(0), QStringLiteral("CAPTURE DATA"));
  EXPECT_EQ(t->TabLabel(3), QStringLiteral("DTMF DECODER"));
  EXPECT_EQ(t->TabWindow(1)->property("controlId").toInt(), 13577);
  frame()->RunIdleUpdate();
  const int repaints = t->StripInvalidations();
  t->EnableTab(0);  // already enabled
  t->EnableTab(9);
  t->DisableTab(-1);
  EXPECT_EQ(t->StripInvalidations(), repaints);
  t->DisableTab(2);
  EXPECT_EQ(t->StripInvalidations(), repaints + 1);
  EXPECT_FALSE(t->AddTab(QStringLiteral("none"), nullptr));
}

TEST_F(MainFrameTest, SwitchingTabsStopsTheOldActivityBeforeStartingTheNew) {
  ASSERT_TRUE(StartAndSettle());
  frame()->RunIdleUpdate();
  CORUTabbedFrame* t = tabs();
  log.Clear();
  t->SelectTab(1);
  t->SelectTab(2);
  t->SelectTab(3);
  t->SelectTab(2);
  t->SelectTab(0);
  t->SelectTab(0);  // the current tab: nothing
  t->SelectTab(7);  // outside the tabs: nothing
  t->SelectTab(-1);
  QStringList seen;
  for (const QString& call : log.calls)
    if (!call.endsWith(".OnUpdate") && !call.endsWith(".ClearHoverMark")) seen << call;
  EXPECT_EQ(seen, (QStringList{"trace.ActivateTrace", "traceControl.StartEnableTimer", "trace.DeactivateTrace",
                               "traceControl.StopEnableTimer", "volt.StartStopTest", "volt.AbortTest",
                               "dtmf.StartStopDecoder", "dtmf.AbortDecoder", "volt.StartStopTest", "volt.AbortTest"}));
  EXPECT_EQ(t->GetCurrentTab(), 0);
  EXPECT_FALSE(t->TabWindow(2)->isVisible());
  EXPECT_TRUE(t->TabWindow(0)->isVisible());
  EXPECT_EQ(store().modeText.Get(), "Bridged Mode");  // standard 0
}

TEST_F(MainFrameTest, EnteringAMeterStopsTheOtherAndKeepsItsOwnRunning) {
  ASSERT_TRUE(StartAndSettle());
  frame()->RunIdleUpdate();
  ScopedRequestCapture capture(app().context);
  log.Clear();
  store().ExchangeRun([](RunState& run) { run.dtmf = true; });  // started from the control panel while tab 0 is shown
  tabs()->SelectTab(2);
  ASSERT_TRUE(capture.recorder.WaitForCount(WM_ORU_STOP_DTMF_DECODER, 1));
  EXPECT_EQ(store().statusText.Get(), "Aborting DTMF decoder");
  EXPECT_EQ(log.Count("volt.StartStopTest"), 1);
  store().ExchangeRun([](RunState& run) { run.dtmf = false; });
  tabs()->SelectTab(0);
  store().ExchangeRun([](RunState& run) {
    run.lineTest = true;
  });  // its own activity already runs: the view keeps it and starts its meters
  log.Clear();
  capture.recorder.Clear();
  tabs()->SelectTab(2);
  EXPECT_EQ(log.Count("volt.StartStopTest"), 1);
  EXPECT_EQ(capture.recorder.Count(WM_ORU_STOP_LINE_TEST), 0);
  tabs()->SelectTab(0);
  store().ExchangeRun([](RunState& run) { run.lineTest = true; });
  log.Clear();
  capture.recorder.Clear();
  tabs()->SelectTab(3);
  ASSERT_TRUE(capture.recorder.WaitForCount(WM_ORU_STOP_LINE_TEST, 1));
  EXPECT_EQ(store().statusText.Get(), "Aborting line test");
  EXPECT_EQ(log.Count("dtmf.StartStopDecoder"), 1);
  EXPECT_EQ(capture.recorder.Count(WM_ORU_STOP_DTMF_DECODER), 0);
  store().ExchangeRun([](RunState& run) { run.lineTest = false; });
}

TEST_F(MainFrameTest, SplitterBarsDoNotMove) {
  ASSERT_TRUE(StartAndSettle());
  frame()->show();
  for (int tab : {0, 1}) {
    tabs()->SelectTab(tab);
    QWidget* window = tabs()->TabWindow(tab);
    QList<CSplitOverride*> splitters = window->findChildren<CSplitOverride*>();
    ASSERT_EQ(splitters.size(), 2);
    for (CSplitOverride* splitter : splitters) {
      const QList<int> before = splitter->sizes();
      QSplitterHandle* bar = splitter->handle(1);
      ASSERT_NE(bar, nullptr);
      const QPoint mid = bar->rect().center();
      QTest::mousePress(bar, Qt::LeftButton, {}, mid);
      QMouseEvent move(QEvent::MouseMove, QPointF(mid + QPoint(40, 40)),
                       bar->mapToGlobal(QPointF(mid + QPoint(40, 40))), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(bar, &move);
      QTest::mouseRelease(bar, Qt::LeftButton, {}, mid + QPoint(40, 40));
      EXPECT_EQ(splitter->sizes(), before) << "tab " << tab;
    }
  }
  // The left column keeps the frame's size.
  auto* captureFrame = qobject_cast<CORUCaptureFrame*>(tabs()->TabWindow(0));
  ASSERT_NE(captureFrame, nullptr);
  EXPECT_EQ(captureFrame->OuterSplitter()->sizes().value(0), 220);
  auto* traceFrame = qobject_cast<CORUTraceFrame*>(tabs()->TabWindow(1));
  ASSERT_NE(traceFrame, nullptr);
  EXPECT_EQ(traceFrame->OuterSplitter()->sizes().value(0), 215);
}

TEST_F(MainFrameTest, HoverMarkClearsWhenTheMouseLeavesTheSessionView) {
  ASSERT_TRUE(StartAndSettle());
  frame()->show();
  QWidget* session = app().Views().sessionView->Widget();
  ASSERT_TRUE(Eventually([&] { return session->isVisible(); }));
  log.Clear();
  QTest::mouseMove(frame()->windowHandle(), session->mapTo(frame(), session->rect().center()));
  EXPECT_EQ(log.Count("session.ClearHoverMark"), 0);
  QTest::mouseMove(frame()->windowHandle(), tabs()->mapTo(frame(), QPoint(300, 10)));
  EXPECT_GE(log.Count("session.ClearHoverMark"), 1);
}

// ---- opening a file ---------------------------------------------------------------------------

// File Open from the other type's tab, as a user does it: the file's type is worked out once, the
// file lands on its tab, and the capture view and the trace view are each told once to show what
// is held (lay out, redraw or update).
class OpenInOneDirection : public MainFrameTest, public testing::WithParamInterface<DocumentType> {};

TEST_P(OpenInOneDirection, DecidesTheTypeOnceAndTellsEachViewOnce) {
  const DocumentType type = GetParam();
  const DocumentType other = type == DocumentType::Capture ? DocumentType::Trace : DocumentType::Capture;
  ASSERT_TRUE(StartAndSettle());
  const QString path = Path(type == DocumentType::Capture ? "once.hsc" : "once.ast");
  CORUData data;
  apptest::FillCapture(data, 6);
  apptest::FillTrace(data, 30);
  ASSERT_EQ(SaveDocumentFile(path.toStdString(), data, type, FileSettings{}), FileStatus::Ok);
  app().SelectTab(TabOfDocument(other));
  log.Clear();
  const int decisions = DocumentTypeDecisions();

  answers.OpenFile(path);
  frame()->OnCommand(ID_FILE_OPEN);

  EXPECT_EQ(DocumentTypeDecisions() - decisions, 1);
  EXPECT_EQ(tabs()->GetCurrentTab(), TabOfDocument(type));
  EXPECT_EQ(frame()->windowTitle(), "Quorlan View PC - " + QFileInfo(path).fileName());
  for (const QString view : {"session", "trace"}) {
    int told = 0;
    for (const char* call : {".Refresh", ".RefreshNow", ".Redraw", ".OnUpdate", ".RefreshScope"})
      told += log.Count(view + call);
    EXPECT_EQ(told, 1) << view.toStdString() << ": " << log.calls.join(' ').toStdString();
  }
}

INSTANTIATE_TEST_SUITE_P(Types, OpenInOneDirection, testing::Values(DocumentType::Capture, DocumentType::Trace),
                         [](const auto& info) { return info.param == DocumentType::Capture ? "Capture" : "Trace"; });

// What a window reaches through its context lands in the running application: the worker's
// queue, the tabs, the frame's commands and views, the document.
TEST_F(MainFrameTest, TheViewContextReachesTheRunningApplication) {
  ASSERT_TRUE(StartAndSettle());
  ViewContext& context = app().viewContext();
  EXPECT_EQ(&context.host.Views(), &frame()->Views());
  EXPECT_EQ(context.host.Document(), app().currentDocument);
  app().currentDocument->SetTitle(QStringLiteral("line3.ast"));
  EXPECT_EQ(context.host.DocumentTitle(), QStringLiteral("line3.ast"));
  app().currentDocument->SetTypeModified(false, DocumentType::Trace);
  context.host.MarkModified(DocumentType::Trace);
  EXPECT_TRUE(app().currentDocument->IsTypeModified(DocumentType::Trace));
  EXPECT_FALSE(app().currentDocument->IsTypeModified(DocumentType::Capture));
  // Without a document there is no title and nothing to mark.
  CORUpc144Doc* document = std::exchange(app().currentDocument, nullptr);
  EXPECT_EQ(context.host.DocumentTitle(), QString());
  context.host.MarkModified(DocumentType::Capture);
  app().currentDocument = document;
  EXPECT_FALSE(document->IsTypeModified(DocumentType::Capture));

  const int before = notes->Count(WM_ORU_GET_CONFIG);
  context.worker.Post(WM_ORU_GET_CONFIG);
  EXPECT_TRUE(Eventually([&] { return notes->Count(WM_ORU_GET_CONFIG) > before; }));

  tabs()->DisableTab(TAB_DTMF_DECODER);
  context.host.EnableTab(TAB_DTMF_DECODER);
  EXPECT_TRUE(tabs()->IsTabEnabled(TAB_DTMF_DECODER));
  context.host.SelectTab(TAB_VOLT_METER);
  EXPECT_EQ(app().CurrentTab(), TAB_VOLT_METER);

  log.Clear();
  context.host.RunFrameCommand(ID_DEVELOPMENT);
  EXPECT_TRUE(log.calls.contains(QStringLiteral("develop.Show")));
}

// ---- tab pages ------------------------------------------------------------------------------

// A page that says when its tab is entered and left, and takes the commands while it shows.
class RecordingPage final : public QWidget, public ITabPage {
 public:
  RecordingPage(const QString& name, CallLog& log, QWidget* parent) : QWidget(parent), name_(name), log_(log) {}
  QWidget* Widget() override { return this; }
  void EnterTab() override { log_.Add(name_ + QStringLiteral(".EnterTab")); }
  void LeaveTab() override { log_.Add(name_ + QStringLiteral(".LeaveTab")); }
  void OnUpdate() override { log_.Add(name_ + QStringLiteral(".OnUpdate")); }
  IShellView* CommandView() override { return this; }

 private:
  QString name_;
  CallLog& log_;
};

// What a window's own file does to add a tab: place its page under its row, here one past any
// table, so only the factory test below meets it.
constexpr int kRowPastTheTable = 40;
CallLog placedLog;
const bool kPlaced = PlaceTabPage(kRowPastTheTable, [](ViewContext&, QWidget* parent) -> ITabPage* {
  return new RecordingPage(QStringLiteral("placed"), placedLog, parent);
});

TEST_F(MainFrameTest, APageRegisteredUnderARowIsThatTabAndHearsItsEntryAndExit) {
  RecordingPage* page = nullptr;
  beforeInit = [this, &page, base = beforeInit](CORUpc144App& a) {
    base(a);
    a.viewFactory.RegisterTabPage(TAB_VOLT_METER, [this, &page](ViewContext&, QWidget* parent) -> ITabPage* {
      return page = new RecordingPage(QStringLiteral("page"), log, parent);
    });
  };
  ASSERT_TRUE(StartAndSettle());
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(tabs()->TabWindow(TAB_VOLT_METER), page);
  EXPECT_EQ(tabs()->TabLabel(TAB_VOLT_METER), QStringLiteral("VOLT METER"));
  EXPECT_FALSE(frame()->Views().lineTestView);  // the meter's own view was never made
  log.Clear();
  store().modeText.Set("");
  tabs()->SelectTab(TAB_VOLT_METER);
  EXPECT_EQ(log.calls, QStringList{QStringLiteral("page.EnterTab")});
  EXPECT_EQ(frame()->ActiveView(), page);
  EXPECT_EQ(store().modeText.Get(), "Bridged Mode");
  log.Clear();
  tabs()->SelectTab(TAB_CAPTURE_DATA);
  EXPECT_EQ(log.calls, QStringList{QStringLiteral("page.LeaveTab")});
  EXPECT_EQ(frame()->ActiveView(), frame()->Views().activeCaptureView.get());
  // "Update all views" reaches the page once, though no other window names it.
  log.Clear();
  app().viewContext().host.UpdateViews();
  EXPECT_EQ(log.Count(QStringLiteral("page.OnUpdate")), 1);
  EXPECT_EQ(log.Count(QStringLiteral("session.OnUpdate")), 1);
}

TEST_F(MainFrameTest, TabPagesComeFromTheFactoryThenFromTheirOwnFileThenAPlaceholder) {
  ASSERT_TRUE(StartAndSettle());
  ASSERT_TRUE(kPlaced);
  EXPECT_FALSE(PlaceTabPage(kRowPastTheTable, [](ViewContext&, QWidget*) -> ITabPage* { return nullptr; }))
      << "one row, one page";
  QWidget parent;
  ViewFactory factory;
  ITabPage* placed = factory.CreateTabPage(kRowPastTheTable, app().viewContext(), &parent);
  ASSERT_NE(dynamic_cast<RecordingPage*>(placed), nullptr);
  placed->EnterTab();
  EXPECT_EQ(placedLog.calls, QStringList{QStringLiteral("placed.EnterTab")});

  factory.RegisterTabPage(kRowPastTheTable, [this](ViewContext&, QWidget* p) -> ITabPage* {
    return new RecordingPage(QStringLiteral("own"), log, p);
  });
  log.Clear();
  factory.CreateTabPage(kRowPastTheTable, app().viewContext(), &parent)->EnterTab();
  EXPECT_EQ(log.calls, QStringList{QStringLiteral("own.EnterTab")});

  // A row nobody made a page for, or whose maker gave nothing, shows a greyed pane with its title.
  factory.RegisterTabPage(TAB_DTMF_DECODER, [](ViewContext&, QWidget*) -> ITabPage* { return nullptr; });
  for (const auto& [row, name] : {std::pair{TAB_VOLT_METER, "VOLT METER"}, std::pair{TAB_DTMF_DECODER, "DTMF DECODER"},
                                  std::pair{kRowPastTheTable + 1, "41"}}) {
    ITabPage* stand = factory.CreateTabPage(row, app().viewContext(), &parent);
    ASSERT_NE(stand, nullptr) << row;
    EXPECT_EQ(stand->Widget()->parent(), &parent);
    EXPECT_EQ(stand->Widget()->objectName(), QLatin1String(name));
    EXPECT_EQ(stand->CommandView(), nullptr);
  }
}

TEST_F(MainFrameTest, FontsResolve) { EXPECT_TRUE(CourierNewIsFixedPitch()); }

}  // namespace
}  // namespace frametest
