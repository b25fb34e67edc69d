// Stored sessions recalled through the whole program: the dialog's directory read and download
// go through the worker, the driver and the simulated instrument with its factory memory of nine
// sessions (7E1 is session 2, Sync session 4, 4-wire session 8). The control panel is a stand-in
// that routes the directory answers to the dialog as the real one does. Last, the signal-trace
// view's double-click fills the trace read-out's marker rows.

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QWidget>

#include <charconv>
#include <functional>
#include <mutex>
#include <string>

#include "display/RegisterDisplayViews.h"
#include "display/SessionRecall.h"
#include "display/SessionView.h"
#include "display/TimingView.h"
#include "link/store/DocumentType.h"
#include "link/protocol/WorkerMessages.h"
#include "link/store/LinkAccess.h"
#include "shell/frame/CMainFrame.h"
#include "shell/OruApp.h"
#include "shell/OruDocument.h"
#include "sim/StoredMemory.h"
#include "tests/shell/AppFixture.h"
#include "tests/shell/FrameTestSupport.h"
#include "trace/CORUSignalTrace.h"
#include "trace/RegisterTraceViews.h"

namespace {

using apptest::Eventually;

// Hands each directory answer to the recall dialog while it is shown, as the control panel's
// SyncControlsFromConfig does.
class RoutingPanel final : public QWidget, public IControlPanel {
 public:
  RoutingPanel(QPointer<CORUSessionRecall>& recall, QWidget* parent) : QWidget(parent), recall(recall) {}
  QWidget* Widget() override { return this; }
  void SyncControlsFromConfig(int sessionSlot) override {
    if (recall && recall->WindowExists()) recall->OnSessionHeader(sessionSlot);
  }
  void ShowEndOfCapture() override {}
  void ShowV21Standard() override {}
  void HideV21Standard() override {}
  void OnSignalTraceEnded() override {}

 private:
  QPointer<CORUSessionRecall>& recall;
};

std::string Fixed(double value, int decimals) {
  char text[64];
  const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals).ptr;
  return std::string(text, end);
}

class RecallGui : public apptest::AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    instrumentOptions.prefillMemory = true;
    beforeInit = [this](CORUpc144App& a) {
      RegisterDisplayViews(a.viewFactory);
      RegisterTraceViews(a.viewFactory);
      a.viewFactory.Register<ViewSlot::ControlPanel>(
          [this](ViewContext&, QWidget* parent) -> IControlPanel* { return new RoutingPanel(dialog, parent); });
    };
  }
  bool StartApp() {
    if (!Start()) return false;
    notes = new frametest::NotificationLog(app().mainFrame);
    // The V.21 notice comes early in the start-up; what the worker posts after it (the
    // configuration it writes into the store) must be in before a test sets up its data.
    if (!Eventually([this] { return notes->Count(WM_ORU_DISABLE_V21) + notes->Count(WM_ORU_ENABLE_V21) > 0; }))
      return false;
    if (!SettleWorker()) return false;
    dialog = dynamic_cast<CORUSessionRecall*>(
        app().viewFactory.Create<ViewSlot::SessionRecall>(app().viewContext(), app().mainFrame));
    return dialog != nullptr;
  }
  CORUData& store() { return app().dataStore; }
  std::size_t StoredBytes(int slot) {
    return instrument().withFirmware([slot](sim::Firmware& f) { return f.memory().session(slot).bytes.size(); });
  }
  bool RowsIn() {
    for (int row = 1; row <= kRecallRows; ++row)
      if (dialog->Row(row).count == "Retreiving...") return false;
    return !dialog->Busy();
  }
  // Runs the dialog as the control panel does; `press` acts once it is shown (and, unless told
  // otherwise, once all nine rows are in) and returns the run's result.
  int Run(const std::function<void(QDialog&)>& press, bool waitForRows = true) {
    answers.Modal(
        [&](QDialog& d) {
          d.show();
          if (waitForRows) {
            EXPECT_TRUE(Eventually([&] { return RowsIn(); }));
          }
          press(d);
          return d.result();
        },
        "CORUSessionRecall");
    dialog->RunModal();
    return dialog->result();
  }
  // A request the worker answers after everything posted before it.
  void RoundTrip() {
    const int before = notes->Count(WM_ORU_GET_SESSION_HEADER);
    app().PostToWorker(WM_ORU_GET_SESSION_HEADER, 1);
    ASSERT_TRUE(Eventually([&] { return notes->Count(WM_ORU_GET_SESSION_HEADER) > before; }));
  }
  void HoldModifiedCaptureForAutosave() {
    app().SetCaptureOptions(4);
    app().settings.autosaveFolder = Path("").toStdString();
    apptest::FillCapture(store(), 50);
    app().currentDocument->SetTypeModified(true, DocumentType::Capture);
  }
  int DownloadsAsked() {
    int n = 0;
    for (const std::string& command : instrument().transcript().commands()) n += command.starts_with("RD:") ? 1 : 0;
    return n;
  }

  QPointer<CORUSessionRecall> dialog;
  frametest::NotificationLog* notes = nullptr;
};

TEST_F(RecallGui, RowsShowFullEmptyAndEachModeOfTheFactoryMemory) {
  ASSERT_TRUE(StartApp());
  instrument().withFirmware([](sim::Firmware& f) { f.memory().setSession(6, {}); });
  const std::size_t first = StoredBytes(1);
  ASSERT_GT(first, 0u);
  const int result = Run([&](QDialog& d) {
    EXPECT_EQ(dialog->Row(1).count, std::to_string(first) + " bytes");
    EXPECT_EQ(dialog->Row(1).date, "01/10/24  09:15:02");
    EXPECT_EQ(dialog->Row(1).mode, "Async");
    EXPECT_EQ(dialog->Row(1).format, "8N1");
    EXPECT_EQ(dialog->Row(1).line, "2 Wire");
    EXPECT_EQ(dialog->Row(2).format, "7E1");
    EXPECT_EQ(dialog->Row(4).mode, "Sync");
    EXPECT_EQ(dialog->Row(8).line, "4 Wire");
    EXPECT_EQ(dialog->Row(6).count, "EMPTY");
    EXPECT_FALSE(ScriptedAnswerer::Control(d, RecallIdsOfRow(6).recall)->isEnabled());
    EXPECT_TRUE(ScriptedAnswerer::Control(d, RecallIdsOfRow(5).recall)->isEnabled());
    EXPECT_TRUE(ScriptedAnswerer::Click(d, IDCANCEL));
  });
  EXPECT_EQ(result, QDialog::Rejected);
  RoundTrip();
  EXPECT_EQ(DownloadsAsked(), 0);
  std::lock_guard guard(LinkFields(store()).dataMutex);
  EXPECT_TRUE(LinkFields(store()).captureBuffer.IsEmpty());
}

struct RecallCase {
  int row;
  int options;
  UCHAR sync, lineType, parity7E1;
};

class RecallDownload : public RecallGui, public ::testing::WithParamInterface<RecallCase> {};

// The recalled session arrives as a new event with the entry's format, after the capture was
// emptied (Overwrite) or behind it (Concatenate).
TEST_P(RecallDownload, AddsTheStoredSessionAsANewEvent) {
  const RecallCase& c = GetParam();
  ASSERT_TRUE(StartApp());
  app().SetCaptureOptions(c.options);
  apptest::FillCapture(store(), 50);
  const std::vector<apptest::RecordFields> held = apptest::CaptureFields(store());
  const int downloads = notes->Count(WM_ORU_GET_CAPTURE_DATA);
  const int result = Run([&](QDialog& d) { EXPECT_TRUE(ScriptedAnswerer::Click(d, RecallIdsOfRow(c.row).recall)); });
  EXPECT_EQ(result, QDialog::Accepted);
  EXPECT_FALSE(dialog->WindowExists());
  EXPECT_EQ(LinkFields(store()).sysCfg.sync, c.sync);
  EXPECT_EQ(LinkFields(store()).sysCfg.lineType, c.lineType);
  EXPECT_EQ(LinkFields(store()).sysCfg.parity7E1, c.parity7E1);
  ASSERT_TRUE(Eventually([&] { return notes->Count(WM_ORU_GET_CAPTURE_DATA) > downloads; }));

  const bool appended = c.options == 1;
  const std::vector<apptest::RecordFields> now = apptest::CaptureFields(store());
  {
    std::lock_guard guard(LinkFields(store()).dataMutex);
    ASSERT_EQ(LinkFields(store()).captureHeaders.GetSize(), appended ? 2 : 1);
    const CORUCaptureHeader& event =
        LinkFields(store()).captureHeaders[LinkFields(store()).captureHeaders.GetSize() - 1];
    EXPECT_EQ(event.firstIndex, appended ? 50 : 0);
    EXPECT_EQ(static_cast<std::size_t>(event.byteCount), StoredBytes(c.row));
    EXPECT_EQ(event.byteCount, LinkFields(store()).captureBuffer.GetSize() - event.firstIndex);
    EXPECT_EQ(event.IsSync(), c.sync == 1);
    EXPECT_EQ((event.flags & EVENT_4WIRE) != 0, c.lineType == 1);
    EXPECT_EQ((event.flags & EVENT_7E1) != 0, c.parity7E1 == 1);
  }
  if (appended) {
    EXPECT_EQ(std::vector(now.begin(), now.begin() + 50), held);
  }
  EXPECT_TRUE(app().currentDocument->IsTypeModified(DocumentType::Capture));

  // The session view shows it: a header line for the new event, then its data lines, de-stuffed
  // when the session is synchronous.
  auto* view = dynamic_cast<CORUSessionView*>(app().Views().sessionView.get());
  ASSERT_NE(view, nullptr);
  view->Refresh();
  view->EnsureLayout();
  int header = 0, data = 0;
  for (const CORUSessionLine& line : view->Layout().Lines()) {
    if (line.eventIndex != (appended ? 1 : 0)) continue;
    header += line.lineType == kHeaderLine ? 1 : 0;
    data += line.lineType == kDataLine && line.sync == (c.sync == 1) ? 1 : 0;
  }
  EXPECT_EQ(header, 1);
  EXPECT_GT(data, 0);
  if (c.sync == 1) {
    std::lock_guard guard(LinkFields(store()).dataMutex);
    int destuffed = 0;
    for (int i = appended ? 50 : 0; i < LinkFields(store()).captureBuffer.GetSize(); ++i)
      destuffed += LinkFields(store()).captureBuffer[i].syncSequence != 0 ? 1 : 0;
    EXPECT_GT(destuffed, 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Sessions, RecallDownload,
                         ::testing::Values(RecallCase{4, 2, 1, 0, 0},    // Sync, Overwrite
                                           RecallCase{4, 1, 1, 0, 0},    // Sync, Concatenate
                                           RecallCase{2, 2, 0, 0, 1},    // 7E1
                                           RecallCase{8, 1, 0, 1, 0}));  // 4-wire

TEST_F(RecallGui, ADeclinedAutosaveKeepsTheDialogAndAsksForNothing) {
  ASSERT_TRUE(StartApp());
  HoldModifiedCaptureForAutosave();
  const int result = Run([&](QDialog& d) {
    answers.Box(IDCANCEL);  // "Save changes to ...?"
    EXPECT_TRUE(ScriptedAnswerer::Click(d, RecallIdsOfRow(1).recall));
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(apptest::CaptureFields(store()).size(), 50u);
    EXPECT_TRUE(ScriptedAnswerer::Click(d, IDCANCEL));
  });
  EXPECT_EQ(result, QDialog::Rejected);
  RoundTrip();
  EXPECT_EQ(DownloadsAsked(), 0);
  EXPECT_EQ(apptest::CaptureFields(store()).size(), 50u);
  EXPECT_TRUE(app().currentDocument->IsTypeModified(DocumentType::Capture));
}

TEST_F(RecallGui, AnAcceptedAutosaveNamesTheDocumentAfterTheStoredDate) {
  ASSERT_TRUE(StartApp());
  HoldModifiedCaptureForAutosave();
  const int downloads = notes->Count(WM_ORU_GET_CAPTURE_DATA);
  const int result = Run([&](QDialog& d) {
    answers.Box(IDNO);  // drop the held capture unsaved
    EXPECT_TRUE(ScriptedAnswerer::Click(d, RecallIdsOfRow(1).recall));
  });
  EXPECT_EQ(result, QDialog::Accepted);
  // Session 1 was stored on 01/10/24 at 09:15:02.
  EXPECT_TRUE(app().currentDocument->PathName().contains("January 10, 2024 09_15_02"))
      << app().currentDocument->PathName().toStdString();
  ASSERT_TRUE(Eventually([&] { return notes->Count(WM_ORU_GET_CAPTURE_DATA) > downloads; }));
  std::lock_guard guard(LinkFields(store()).dataMutex);
  ASSERT_EQ(LinkFields(store()).captureHeaders.GetSize(), 1);
  EXPECT_EQ(static_cast<std::size_t>(LinkFields(store()).captureBuffer.GetSize()), StoredBytes(1));
}

TEST_F(RecallGui, AnUnplugDuringTheDirectoryReadLeavesCancelWorking) {
  PlugSilentInstrument();  // every directory answer waits out its time-out
  ASSERT_TRUE(StartApp());
  const int result = Run(
      [&](QDialog& d) {
        ASSERT_TRUE(Eventually([&] { return dialog->Busy(); }));
        UnplugInstrument();
        EXPECT_TRUE(d.isEnabled());
        EXPECT_TRUE(ScriptedAnswerer::Control(d, IDCANCEL)->isEnabled());
        EXPECT_EQ(d.cursor().shape(), Qt::WaitCursor);
        EXPECT_TRUE(ScriptedAnswerer::Click(d, IDCANCEL));
      },
      false);
  EXPECT_EQ(result, QDialog::Rejected);
  EXPECT_FALSE(dialog->WindowExists());
}

// A double-click on the scope places marker 1; the trace read-out then shows its sample in rows
// 6-7 and, with the sample under the mouse, the difference in rows 3-4.
TEST_F(RecallGui, ADoubleClickOnTheScopeFillsTheTraceReadout) {
  ASSERT_TRUE(StartApp());
  apptest::FillTrace(store(), 1000);
  {
    std::lock_guard guard(LinkFields(store()).dataMutex);
    LinkFields(store()).currentTrace.scaleIndex = 0;
    LinkFields(store()).currentTrace.spanIndex = 1;
    LinkFields(store()).sysCfg.value2 = 0.1;
  }
  app().settings.traceSnap = 1;
  app().SelectTab(1);
  auto* trace = dynamic_cast<CORUSignalTrace*>(app().Views().signalTraceView.get());
  auto* readout = dynamic_cast<CORUTimingView*>(app().Views().traceTimingView.get());
  ASSERT_NE(trace, nullptr);
  ASSERT_NE(readout, nullptr);
  // Clicks mean a sample only once the scope is laid out and drawn.
  ASSERT_TRUE(Eventually([&] { return trace->TimerRunning() && trace->DrawnAtThisSize(); }));
  const auto send = [&](QEvent::Type type, QPoint inScope, Qt::MouseButton button) {
    const QPoint at = trace->ScopeArea()->geometry().topLeft() + inScope;
    QMouseEvent event(type, QPointF(at), trace->mapToGlobal(QPointF(at)), button, Qt::MouseButtons(button),
                      Qt::NoModifier);
    QApplication::sendEvent(trace, &event);
  };
  send(QEvent::MouseMove, QPoint(250, 40), Qt::NoButton);
  send(QEvent::MouseButtonDblClick, QPoint(180, 100), Qt::LeftButton);
  ASSERT_TRUE(
      Eventually([&] { return LinkFields(store()).traceMarker1 != -1 && LinkFields(store()).traceMarker2 != -1; }));
  EXPECT_EQ(readout->Mode(), CORUTimingView::DisplayMode::SignalTrace);

  const int m1 = LinkFields(store()).traceMarker1;
  const int m2 = LinkFields(store()).traceMarker2;
  EXPECT_LT(m1, m2);  // the marker lies left of the mouse
  int s1 = 0;
  {
    std::lock_guard guard(LinkFields(store()).dataMutex);
    s1 = LinkFields(store()).traceSamples[m1];
  }
  const TraceReadoutRows rows = readout->CurrentTraceRows();
  EXPECT_EQ(rows[6].text, "Time: " + Fixed(m1 * 0.01, 2) + " seconds");
  EXPECT_EQ(rows[7].text, "Voltage: " + Fixed(s1 * -0.1, 3) + " V");
  EXPECT_EQ(rows[6].fill, app().settings.markerColor);
  EXPECT_EQ(rows[4].text, "Time Delta: " + Fixed((m2 - m1) * 0.01, 2) + " sec.");
  EXPECT_FALSE(rows[0].text.empty());
}

}  // namespace
