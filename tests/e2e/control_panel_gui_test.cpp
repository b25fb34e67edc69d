#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>

#include <chrono>
#include <mutex>
#include <thread>

#include "link/files/DocumentFile.h"
#include "link/store/DocumentType.h"
#include "link/protocol/WorkerMessages.h"
#include "link/store/LinkAccess.h"
#include "resources/data/ResourceIds.h"
#include "shell/frame/CMainFrame.h"
#include "shell/panel/ControlView.h"
#include "shell/OruApp.h"
#include "shell/OruDocument.h"
#include "shell/frame/StatusBar.h"
#include "shell/frame/TabbedFrame.h"
#include "shell/model/StateSync.h"
#include "shell/model/StatusPaneText.h"
#include "shell/model/TabTable.h"
#include "tests/shell/AppFixture.h"
#include "tests/shell/ControlPanelTestSupport.h"
#include "tests/shell/FrameTestSupport.h"
#include "sim/ScenarioParser.h"

namespace {

using apptest::Eventually;

class ControlPanelGui : public apptest::AppFixture {
 protected:
  bool StartPanel() {
    if (!Start()) return false;
    panel = dynamic_cast<CORUControlView*>(app().Views().controlView.get());
    return panel != nullptr && Eventually([&] { return Count("VN") >= 1; });
  }
  CORUData& store() { return app().dataStore; }
  CORUpc144Doc& doc() { return *app().currentDocument; }
  template <class W = QWidget>
  W* Get(int id) {
    return qobject_cast<W*>(panel->Control(id));
  }
  QString Text(int id) { return Get<QAbstractButton>(id)->text(); }
  void Click(int id) { Get<QAbstractButton>(id)->click(); }
  void Pick(int id, const QString& text) { ASSERT_TRUE(paneltest::Pick(*panel, id, text)) << text.toStdString(); }
  std::vector<std::string> Commands() { return instrument().transcript().commands(); }
  int Count(const std::string& prefix) {
    int n = 0;
    for (const std::string& c : Commands()) n += c.rfind(prefix, 0) == 0;
    return n;
  }
  // Index of the first command equal to `command` at or after `from`, or -1.
  int Find(const std::string& command, int from = 0) {
    const auto all = Commands();
    for (int i = from; i < static_cast<int>(all.size()); ++i)
      if (all[static_cast<std::size_t>(i)] == command) return i;
    return -1;
  }
  int Records() {
    std::lock_guard lock(LinkFields(store()).dataMutex);
    return LinkFields(store()).captureBuffer.GetSize();
  }
  bool CaptureOn() { return store().Run().captureArmed() || store().Run().captureRunning(); }
  QString BufferPane() {
    app().mainFrame->RunIdleUpdate();
    return app().mainFrame->StatusBar()->PaneText(ID_PANE_CAPTURE_BUFFER);
  }
  // End Capture: the worker sends "CA:2" and reports code 1 ("Capture aborted.", no icon).
  void EndCapture() {
    answers.Box("Capture aborted.", IDOK, [](const PromptRecord& box) {
      EXPECT_EQ(box.title, "End of capture");
      EXPECT_EQ(box.style, MB_OK);
    });
    Click(IDC_CAPTURE);
    ASSERT_TRUE(Eventually([&] { return Count("CA:2") >= 1 && answers.AllUsed(); }));
    ASSERT_TRUE(Eventually([&] {
      app().mainFrame->RunIdleUpdate();
      return Text(IDC_CAPTURE) == "Capture";
    }));
  }
  void Reconnect() { app().PostToWorker(WM_ORU_DEVICE_CONNECTED); }
  void Play(const std::string& text) {
    const sim::ParsedScenario parsed = sim::parseScenario(text);
    ASSERT_TRUE(parsed.ok()) << parsed.error;
    instrument().loadScenario(parsed.scenario);
  }
  int Headers() {
    std::lock_guard lock(LinkFields(store()).dataMutex);
    return LinkFields(store()).captureHeaders.GetSize();
  }
  // Waits for what the worker and the instrument do while no window hears of it: Qt's events
  // (the worker's notifications among them) stay queued.
  static bool WithoutEvents(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(apptest::kHangMs);
    while (!condition()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
  }
  bool V21Listed() { return Get<QComboBox>(IDC_STANDARD)->findText("V.21") >= 0; }

  CORUControlView* panel = nullptr;
};

TEST_F(ControlPanelGui, OverwriteCaptureSendsTheSettingsEmptiesTheBufferAndEndsWithTheAbortBox) {
  ASSERT_TRUE(StartPanel());
  app().SetCaptureOptions(CAPTURE_OPTION_OVERWRITE);
  apptest::FillCapture(store(), 5);
  doc().SetTypeModified(true, DocumentType::Capture);
  Pick(IDC_STANDARD, "9600");
  Pick(IDC_FORMAT, "8N1");
  Pick(IDC_MODE, "SYNC");
  const int before = static_cast<int>(Commands().size());
  Click(IDC_CAPTURE);
  EXPECT_EQ(BufferPane(), "Capture Buffer: 0 bytes");
  EXPECT_FALSE(doc().IsTypeModified(DocumentType::Capture));
  EXPECT_EQ(app().mainFrame->windowTitle(), "Quorlan View PC - ");
  ASSERT_TRUE(Eventually([&] { return Find("CA:0", before) >= 0; }));
  const int sc = Find("SC:7:2:8:0:9:1", before);
  ASSERT_GE(sc, 0);
  EXPECT_EQ(Find("GC:7:8:9", sc), sc + 1);  // every settings post is read back
  EXPECT_EQ(Find("CA:0", before), sc + 2);
  ASSERT_TRUE(Eventually([&] { return CaptureOn(); }));
  app().mainFrame->RunIdleUpdate();
  EXPECT_EQ(Text(IDC_CAPTURE), "End Capture");
  for (int id : {IDC_CONFIGURE, IDC_RECALL_SESSION, IDC_SIGNAL_TRACE, IDC_LINE_TEST, IDC_DTMF_DECODER, IDC_STANDARD,
                 IDC_MODE, IDC_SESSION})
    EXPECT_FALSE(Get(id)->isEnabled()) << id;
  EXPECT_TRUE(Get(IDC_CAPTURE)->isEnabled());
  EndCapture();
  EXPECT_EQ(Count("CA:2"), 1 + 1);  // the worker's start-up abort and this one
  EXPECT_EQ(Records(), 0);
}

// While "End of capture" tells why it ended, the panel and the panes behind it already show the
// capture over: the line on hook, the button back to "Capture".
TEST_F(ControlPanelGui, ACompletedCaptureIsOverOnScreenWhileItsEndIsShown) {
  ASSERT_TRUE(StartPanel());
  ASSERT_NO_FATAL_FAILURE(apptest::PlayShortCall(instrument()));
  answers.Box("Capture session complete.", IDOK, [&](const PromptRecord&) {
    // The box is modal: the frame's timer still runs its idle update behind it.
    app().mainFrame->RunIdleUpdate();
    EXPECT_EQ(app().mainFrame->StatusBar()->PaneText(ID_PANE_LINE_STATUS), CORUData::kIdleStatusText);
    EXPECT_EQ(Text(IDC_CAPTURE), "Capture");
    EXPECT_TRUE(Get(IDC_CONFIGURE)->isEnabled());
  });
  Click(IDC_CAPTURE);
  ASSERT_TRUE(Eventually([&] { return answers.AllUsed() && !CaptureOn(); }));
  EXPECT_GT(Records(), 0);
}

TEST_F(ControlPanelGui, ConcatenateKeepsTheRecordsHeld) {
  ASSERT_TRUE(StartPanel());
  app().SetCaptureOptions(CAPTURE_OPTION_CONCATENATE);
  apptest::FillCapture(store(), 5);
  Click(IDC_CAPTURE);
  EXPECT_EQ(BufferPane(), "Capture Buffer: 5 bytes");
  ASSERT_TRUE(Eventually([&] { return CaptureOn(); }));
  EXPECT_EQ(Records(), 5);
  EndCapture();
  EXPECT_EQ(Records(), 5);
}

TEST_F(ControlPanelGui, AutosaveWritesTheHeldCaptureUnderItsStartTimeAndCancelStartsNothing) {
  ASSERT_TRUE(StartPanel());
  app().SetCaptureOptions(CAPTURE_OPTION_AUTOSAVE);
  ASSERT_TRUE(QDir().mkpath(Path("auto")));
  app().settings.autosaveFolder = Path("auto").toStdString();
  // The first capture holds nothing: no prompt, the document takes the start time's name.
  Click(IDC_CAPTURE);
  const QString named = Path("auto/Wednesday, December 09, 2026 10_11_12.hsc");
  EXPECT_EQ(doc().PathName(), named);
  ASSERT_TRUE(Eventually([&] { return CaptureOn(); }));
  EndCapture();
  apptest::FillCapture(store(), 5, 7);  // what that capture brought
  doc().SetTypeModified(true, DocumentType::Capture);
  const auto held = apptest::CaptureFields(store());

  // Cancel at the prompt: nothing starts and nothing is lost.
  const int starts = Count("CA:0");
  answers.Box("Save changes to Wednesday, December 09, 2026 10_11_12.hsc?", IDCANCEL);
  Click(IDC_CAPTURE);
  EXPECT_FALSE(CaptureOn());
  EXPECT_EQ(Text(IDC_CAPTURE), "Capture");
  EXPECT_EQ(apptest::CaptureFields(store()), held);
  EXPECT_FALSE(QFile::exists(named));

  answers.Box("Save changes to Wednesday, December 09, 2026 10_11_12.hsc?", IDYES);
  Click(IDC_CAPTURE);
  ASSERT_TRUE(QFile::exists(named));
  EXPECT_EQ(BufferPane(), "Capture Buffer: 0 bytes");
  // The capture reads as armed before the worker's CA:0 reaches the instrument.
  ASSERT_TRUE(Eventually([&] { return CaptureOn() && Count("CA:0") > starts; }));
  EXPECT_EQ(Count("CA:0"), starts + 1);
  EndCapture();
  CORUData reloaded;
  FileSettings settings;
  ASSERT_EQ(LoadDocumentFile(named.toStdString(), reloaded, DocumentType::Capture, settings), FileStatus::Ok);
  EXPECT_EQ(apptest::CaptureFields(reloaded), held);
}

TEST_F(ControlPanelGui, LineTestWhileTheDecoderRunsStopsItAndStartsTheMeterInOneClick) {
  ASSERT_TRUE(StartPanel());
  Click(IDC_DTMF_DECODER);
  ASSERT_TRUE(Eventually([&] { return store().Run().dtmfRunning() && Count("DT:0:") >= 1; }));
  Click(IDC_LINE_TEST);
  const bool both = Eventually([&] { return Count("DT:2") >= 1 && Count("VM:") >= 1; });
  std::string seen;
  for (const std::string& c : Commands()) seen += c + " | ";
  ASSERT_TRUE(both) << seen << " status " << store().statusText.Get();
  const int stop = Find("DT:2");
  int meter = -1;
  const auto all = Commands();
  for (int i = 0; i < static_cast<int>(all.size()) && meter < 0; ++i)
    if (all[static_cast<std::size_t>(i)].rfind("VM:1:", 0) == 0) meter = i;
  ASSERT_GE(meter, 0);
  EXPECT_LT(stop, meter);
  ASSERT_TRUE(Eventually([&] { return store().Run().lineTestRunning() && !store().Run().dtmfRunning(); }));
  Click(IDC_LINE_TEST);  // again: the meter stops
  EXPECT_EQ(store().statusText.Get(), "Aborting line test");
  ASSERT_TRUE(Eventually([&] { return !store().Run().lineTestRunning(); }));
}

TEST_F(ControlPanelGui, SignalTraceButtonStartsAndStopsTheStreamAndReadsSignalTraceAgain) {
  ASSERT_TRUE(StartPanel());
  Click(IDC_SIGNAL_TRACE);
  EXPECT_EQ(Text(IDC_SIGNAL_TRACE), "End Trace");
  ASSERT_TRUE(Eventually([&] { return store().Run().traceRunning() && Count("DM:1") >= 1; }));
  Click(IDC_SIGNAL_TRACE);
  ASSERT_TRUE(Eventually([&] { return Count("DM:0") >= 1 && Text(IDC_SIGNAL_TRACE) == "Signal Trace"; }));
  EXPECT_EQ(store().statusText.Get(), "ANS/ORG Onhook");
  EXPECT_FALSE(store().Run().traceRunning());
}

TEST_F(ControlPanelGui, V21IsListedFirstOnlyWithFirmwareThatHasIt) {
  ASSERT_TRUE(StartPanel());
  // The simulated default V 1.0.8 has it.
  ASSERT_TRUE(Eventually([&] { return V21Listed(); }));
  instrument().withFirmware([](sim::Firmware& f) { f.setVersion("V 1.0.7"); });
  Reconnect();
  ASSERT_TRUE(Eventually([&] { return !V21Listed(); }));
  EXPECT_EQ(Get<QComboBox>(IDC_STANDARD)->count(), 4);
  instrument().withFirmware([](sim::Firmware& f) { f.setVersion("V 1.0.12"); });
  Reconnect();
  ASSERT_TRUE(Eventually([&] { return V21Listed(); }));
  auto* combo = Get<QComboBox>(IDC_STANDARD);
  EXPECT_EQ(combo->itemText(0), "V.21");
  EXPECT_EQ(combo->count(), 5);
  Pick(IDC_STANDARD, "V.21");
  EXPECT_EQ(LinkFields(store()).sysCfg.standard, 4);
  EXPECT_EQ(app().settings.standard, 17);
}

TEST_F(ControlPanelGui, CheckedParityErrorHighlightSurvivesARestartAndTheConfigurationAnswer) {
  ASSERT_TRUE(StartPanel());
  Pick(IDC_MODE, "ASYNC");
  Pick(IDC_FORMAT, "7E1");
  Click(IDC_HIGHLIGHT_PARITY_ERRORS);
  ASSERT_EQ(LinkFields(store()).highlightParityErrors, 1);
  Exit();

  ASSERT_TRUE(StartPanel());
  EXPECT_TRUE(Get<QAbstractButton>(IDC_HIGHLIGHT_PARITY_ERRORS)->isChecked());
  EXPECT_EQ(LinkFields(store()).highlightParityErrors, 1);
  EXPECT_EQ(app().settings.showParityErrors, 14);
  frametest::NotificationLog log(app().mainFrame);
  app().PostToWorker(WM_ORU_GET_CONFIG);  // the instrument's answer comes back as 2026
  ASSERT_TRUE(Eventually([&] { return log.Count(WM_ORU_GET_CONFIG) >= 1; }));
  EXPECT_TRUE(Get<QAbstractButton>(IDC_HIGHLIGHT_PARITY_ERRORS)->isChecked());
  EXPECT_EQ(app().settings.showParityErrors, 14);
  EXPECT_EQ(LinkFields(store()).highlightParityErrors, 1);
}

// Two short text calls, two seconds apart.
constexpr const char* kTwoCalls =
    "scenario two\ntitle \"two\"\nlength 60\nat 0.0 dc 1 -8.0\n"
    "call 1.0 \"CONNECT 2400\"\n  rate 2400\n  text +0.1 answer \"FIRST\\r\\n\"\n"
    "  end +0.5 code 9 text \"NO CARRIER\"\nendcall\n"
    "call 3.0 \"CONNECT 1200\"\n  rate 1200\n  text +0.1 answer \"SECOND\\r\\n\"\n"
    "  end +0.5 code 9 text \"HANGUP\"\nendcall\n";

TEST_F(ControlPanelGui, AMultipleSessionCaptureStaysACaptureBetweenItsCalls) {
  ASSERT_TRUE(StartPanel());
  app().SetCaptureOptions(CAPTURE_OPTION_OVERWRITE);
  Pick(IDC_STANDARD, "1200/2400");
  Pick(IDC_SESSION, "Multiple");
  Play(kTwoCalls);
  const int stopsBefore = Count("CA:2");
  Click(IDC_CAPTURE);
  // The controls as the idle update leaves them, sampled from the first call on until the second
  // call's bytes arrive; the gap between the calls (CA:2 sent, not yet re-armed) is among them.
  struct Sample {
    std::string capture;
    bool locked;
    bool inGap;
  };
  std::vector<Sample> samples;
  ASSERT_TRUE(Eventually([&] {
    app().mainFrame->RunIdleUpdate();
    if (Headers() >= 1) {
      bool locked = !Get(IDC_CONFIGURE)->isEnabled() && !Get(IDC_RECALL_SESSION)->isEnabled();
      for (int tab : {1, 2, 3}) locked = locked && !app().tabbedFrame->IsTabEnabled(tab);
      samples.push_back({Text(IDC_CAPTURE).toStdString(), locked, Count("CA:2") > stopsBefore && Count("CA:0") < 2});
    }
    return Headers() == 2 && Records() > 7;
  }));
  ASSERT_TRUE(std::any_of(samples.begin(), samples.end(), [](const Sample& s) { return s.inGap; }));
  for (std::size_t i = 0; i < samples.size(); ++i) {
    EXPECT_EQ(samples[i].capture, "End Capture") << i << (samples[i].inGap ? " (between the calls)" : "");
    EXPECT_TRUE(samples[i].locked) << i << (samples[i].inGap ? " (between the calls)" : "");
  }
  EndCapture();
  EXPECT_EQ(Headers(), 2);  // both calls kept
}

TEST_F(ControlPanelGui, AnEndReadAfterTheNextStartLeavesTheNewCaptureArmed) {
  ASSERT_TRUE(StartPanel());
  app().SetCaptureOptions(CAPTURE_OPTION_CONCATENATE);
  // One call: the next capture waits for a call that does not come.
  Play(
      "scenario one\ntitle \"one\"\nlength 600\nat 0.0 dc 1 -8.0\ncall 1.0 \"CONNECT 2400\"\n  rate 2400\n"
      "  text +0.1 answer \"FIRST\\r\\n\"\n  end +0.5 code 9 text \"NO CARRIER\"\nendcall\n");
  Click(IDC_CAPTURE);
  // The first call ends and the worker announces it; the window reads that only later.
  ASSERT_TRUE(WithoutEvents([&] { return Count("TN") >= 1 && !CaptureOn(); }));
  Click(IDC_CAPTURE);  // the user starts the next capture first
  ASSERT_TRUE(WithoutEvents([&] { return Count("CA:0") >= 2 && store().Run().captureArmed(); }));
  answers.Box(IDOK);  // the end box; its code is the new capture's by now
  ASSERT_TRUE(Eventually([&] { return answers.AllUsed(); }));
  app().mainFrame->RunIdleUpdate();
  EXPECT_TRUE(store().Run().captureArmed());
  EXPECT_EQ(Text(IDC_CAPTURE), "End Capture");
  // The worker still polls it, and the user can end it.
  const int polls = Count("CA:1");
  ASSERT_TRUE(Eventually([&] { return Count("CA:1") > polls; }));
  EndCapture();
}

// Each row of the tab table as the user meets it: its title on the strip, greyed while a capture
// is armed (the capture's own tab staying open) and, when the row says it comes back, open again
// the moment End Capture is pressed, before any idle update.
class TabTableRow : public ControlPanelGui, public ::testing::WithParamInterface<int> {};

TEST_P(TabTableRow, IsWhatTheStripShows) {
  const int tab = GetParam();
  const TabRow& row = kTabTable[static_cast<std::size_t>(tab)];
  const bool captureTab = tab == TabOfDocument(DocumentType::Capture);
  ASSERT_TRUE(StartPanel());
  CORUTabbedFrame& tabs = *app().tabbedFrame;
  EXPECT_EQ(tabs.TabLabel(tab).toStdString(), row.title);
  app().SetCaptureOptions(CAPTURE_OPTION_CONCATENATE);
  Click(IDC_CAPTURE);
  ASSERT_TRUE(Eventually([&] { return CaptureOn(); }));
  app().mainFrame->RunIdleUpdate();
  EXPECT_EQ(tabs.IsTabEnabled(tab), captureTab);
  answers.Box("Capture aborted.", IDOK);
  Click(IDC_CAPTURE);
  EXPECT_EQ(tabs.IsTabEnabled(tab), row.comesBack || captureTab);
  ASSERT_TRUE(Eventually([&] { return !CaptureOn() && answers.AllUsed(); }));
}

INSTANTIATE_TEST_SUITE_P(Rows, TabTableRow, ::testing::Range(0, TabCountInTable()));

}  // namespace
