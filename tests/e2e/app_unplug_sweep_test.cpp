// The whole program (offscreen, with its real capture and trace windows) loses the instrument on
// a command of each activity the user can start: the activity ends with exactly one end
// notification, every run flag clears, the worker rests over the next second, and after a replug
// the controls are idle again and a capture from the Capture button runs to its end. The
// fixture's tear-down checks the machine's IRP and pool accounting.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QPushButton>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <mutex>
#include <thread>

#include "link/worker/CommThread.h"
#include "link/protocol/WorkerMessages.h"
#include "link/protocol/WorkerSignals.h"
#include "link/store/LinkAccess.h"
#include "resources/data/ResourceIds.h"
#include "shell/frame/CMainFrame.h"
#include "shell/frame/TabbedFrame.h"
#include "shell/OruApp.h"
#include "shell/model/StateSync.h"
#include "sim/ScenarioParser.h"
#include "tests/shell/AppFixture.h"
#include "tests/shell/FrameTestSupport.h"
#include "tests/sim/SimTestSupport.h"
#include "trace/CORUDTMFView.h"
#include "trace/CORULineTest.h"
#include "trace/CORUTraceControl.h"
#include "trace/RegisterTraceViews.h"

namespace {

using apptest::Eventually;
using namespace std::chrono_literals;

enum class Activity { Capture, TriggeredTrace, StreamedTrace, VoltMeter, Dtmf, StoredSession, StoredTrace, Firmware };

struct LossCase {
  const char* name;
  Activity activity;
  const char* prefix;  // the instrument dies on the nth command that starts with it
  int nth;
  UINT end;  // the activity's one end notification
};

void PrintTo(const LossCase& c, std::ostream* out) { *out << c.name; }

const char* kCall = R"(
scenario app-sweep
at 0.0 dc 1 -8.0
call 0.5 "CONNECT 14400"
  rate 14400
  hex +0.1 answer 41 every 0.05 count 20
  end +1.5 code 9 text "NO CARRIER"
endcall
length 60
)";

class AppUnplugSweep : public apptest::AppFixture, public ::testing::WithParamInterface<LossCase> {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    instrumentOptions.scenario = GetParam().activity == Activity::TriggeredTrace ? "call-progress" : "";
    beforeInit = [](CORUpc144App& app) { RegisterTraceViews(app.viewFactory); };
  }
  void TearDown() override {
    AppFixture::TearDown();
    if (!firmwarePath_.empty()) std::remove(firmwarePath_.c_str());
  }

  // Starts without the instrument and plugs it in, so that its port is known; true once the
  // worker has initialised it (on the arrival's 2071, or at its own start when the plug came
  // first) and answered a probe. What the windows show before the plug is kept in `unplugged`.
  bool StartProgram() {
    plugAtStart = false;
    if (!Start()) return false;
    notes = new frametest::NotificationLog(app().mainFrame);
    app().mainFrame->RunIdleUpdate();
    unplugged = Shown();
    port_ = PlugInstrument();
    const bool initialised = Eventually([&] {
      const auto c = instrument().transcript().commands();
      return app().context.DeviceOpen() && std::find(c.begin(), c.end(), "VN") != c.end();
    });
    return initialised && Answering();
  }
  // The worker answers a 2072 probe; a loop that is still ending drops it, so it is posted again.
  bool Answering() {
    const int probes = notes->Count(WM_ORU_DEVICE_DISCONNECTED);
    return Eventually([&] {
      app().PostToWorker(WM_ORU_DEVICE_DISCONNECTED);
      return Eventually([&] { return notes->Count(WM_ORU_DEVICE_DISCONNECTED) > probes; }, 200);
    });
  }
  CORUData& store() { return app().dataStore; }
  QAbstractButton* Button(IShellView* view, int id) { return qobject_cast<QAbstractButton*>(view->Control(id)); }
  void Play(const char* text) {
    const sim::ParsedScenario parsed = sim::parseScenario(text);
    ASSERT_TRUE(parsed.ok()) << parsed.error;
    instrument().loadScenario(parsed.scenario);
  }
  bool FlagsClear() {
    CORUData& s = store();
    return !s.Run().captureArmed() && !s.Run().captureRunning() && !s.Run().traceTriggerArmed() &&
           !s.Run().traceRunning() && !s.Run().lineTestRunning() && !s.Run().dtmfRunning() &&
           !s.Run().downloadRunning();
  }

  // Starts the activity the way the user does (or, for the recalls, as their dialogs ask).
  void StartActivity() {
    switch (GetParam().activity) {
      case Activity::Capture:
        answers.Box(IDOK);  // the end-of-capture box the loss brings
        Play(kCall);
        Button(app().Views().controlView.get(), IDC_CAPTURE)->click();
        break;
      case Activity::TriggeredTrace:
        app().SelectTab(1);
        dynamic_cast<CORUTraceControl*>(app().Views().traceControlView.get())->OnCaptureTrace();
        break;
      case Activity::StreamedTrace:
        app().PostToWorker(WM_ORU_START_SIGNAL_TRACE, 1);
        break;
      case Activity::VoltMeter:
        app().SelectTab(2);  // entering the tab starts the meter
        break;
      case Activity::Dtmf:
        app().SelectTab(3);  // entering the tab starts the decoder
        break;
      case Activity::StoredSession:
        app().PostToWorker(WM_ORU_GET_CAPTURE_DATA, 1);
        break;
      case Activity::StoredTrace:
        app().PostToWorker(WM_ORU_RECALL_TRACE, 1);
        break;
      case Activity::Firmware: {
        firmwarePath_ = Path("sweep.mot").toStdString();
        std::string image = simtest::sRecord('0', 0, 2, {'O', 'R', 'U'});
        for (int i = 0; i < 6; ++i) image += simtest::sRecord('2', 0x1000 + 16 * i, 3, std::vector<uint8_t>(16, 0x5A));
        std::ofstream(firmwarePath_, std::ios::binary) << image + simtest::sRecord('8', 0x1000, 3, {});
        answers.OpenFile(QString::fromStdString(firmwarePath_));
        answers.Box(IDOK);  // the box that says the loss stopped the download
        app().mainFrame->OnCommand(ID_LOAD_APPLICATION);
        break;
      }
    }
  }

  // The state of every control a user can reach on the capture and trace forms, the tabs and the
  // connection pane: one line each. A control counts as disabled when it was disabled itself (a
  // hidden tab disables its whole form); the parity and bit-stuffing boxes follow the
  // configuration the instrument answered, not its presence, and are left out.
  std::vector<std::string> Shown() {
    std::vector<std::string> shown;
    for (IShellView* view : {static_cast<IShellView*>(app().Views().controlView.get()),
                             static_cast<IShellView*>(app().Views().traceControlView.get())}) {
      for (QWidget* control : view->Widget()->findChildren<QWidget*>()) {
        bool isId = false;
        const int id = control->objectName().toInt(&isId);
        if (!isId || !control->isVisibleTo(view->Widget())) continue;
        if (view == app().Views().controlView.get() &&
            (id == IDC_HIGHLIGHT_PARITY_BIT || id == IDC_HIGHLIGHT_PARITY_ERRORS || id == IDC_BIT_STUFFED))
          continue;
        std::string line = control->objectName().toStdString();
        line += control->testAttribute(Qt::WA_ForceDisabled) ? " disabled" : " enabled";
        if (auto* button = qobject_cast<QPushButton*>(control)) line += " \"" + button->text().toStdString() + "\"";
        shown.push_back(line);
      }
    }
    CORUTabbedFrame& tabs = *app().mainFrame->TabbedFrame();
    for (int tab = 0; tab < tabs.TabCount(); ++tab)
      shown.push_back("tab " + std::to_string(tab) + (tabs.IsTabEnabled(tab) ? " enabled" : " disabled"));
    shown.push_back(app().mainFrame->ConnectionPaneText().toStdString());
    return shown;
  }

  frametest::NotificationLog* notes = nullptr;
  std::vector<std::string> unplugged;
  int port_ = 0;
  std::string firmwarePath_;
};

TEST_P(AppUnplugSweep, TheActivityEndsOnceAndTheProgramIsIdleAfterAReplug) {
  const LossCase& c = GetParam();
  ASSERT_TRUE(StartProgram()) << "the first plug was not initialised";
  app().mainFrame->RunIdleUpdate();
  instrument().withFirmware([](sim::Firmware& f) {
    sim::StoredSession session;
    session.used = true;
    session.name = "CONNECT 14400";
    session.rate = 14400;
    session.bytes.resize(30);
    f.memory().setSession(1, session);
    sim::StoredTrace trace;
    trace.used = true;
    trace.samples.assign(100, 7);
    f.memory().setTrace(1, trace);
    f.config().setValue(13, 0);  // scope trigger: dial tone
  });
  instrument().withFaults([&](sim::FaultPlan& f) { f.unplugOnCommand(c.prefix, c.nth); });
  instrument().setUnplugHandler([this, port = port_] { machine().bus().unplug(port); });

  // The first plug's initialisation posts the trace pair of its trace abort: count from here.
  const int before = notes->Count(c.end);
  ASSERT_NO_FATAL_FAILURE(StartActivity());
  // The frame's idle update runs meanwhile, as its timer makes it do: either side may see the
  // loss first.
  ASSERT_TRUE(Eventually(
      [&] {
        app().mainFrame->RunIdleUpdate();
        return !app().context.DeviceOpen() && notes->Count(c.end) > before && FlagsClear();
      },
      60000))
      << "end notifications " << notes->Count(c.end) - before;
  for (int i = 0; i < 3; ++i) app().mainFrame->RunIdleUpdate();
  // While the instrument is away the windows are as at a start without it.
  EXPECT_EQ(Shown(), unplugged);

  // The worker answers, then rests for a second.
  ASSERT_TRUE(Answering()) << "the worker does not answer";
  CORUCommThread& worker = *app().Worker();
  const unsigned long steps = worker.Load().idleSteps;
  const unsigned long tried = worker.Load().requestsTried;
  const auto cpu = worker.CpuTime();
  std::this_thread::sleep_for(1s);  // the measuring window itself
  // A request a window's timer posts meanwhile is still answered (and refused at once); a worker
  // that retried the dead instrument would try one every idle wait or faster.
  EXPECT_LE(worker.Load().requestsTried - tried, 3u) << "requests tried with no instrument";
  EXPECT_LE(worker.Load().idleSteps - steps, 1000u / kWorkerIdleWaitMs + 10) << "idle steps in one second";
  EXPECT_LT(worker.CpuTime() - cpu, 100ms);
  EXPECT_EQ(notes->Count(c.end) - before, 1) << "ends of " << c.end;
  EXPECT_TRUE(FlagsClear());

  // A replug: initialised first, the controls idle again, and a capture from the button ends.
  const int connected = notes->Count(WM_ORU_DEVICE_CONNECTED);
  PlugInstrument();
  ASSERT_TRUE(Eventually([&] { return notes->Count(WM_ORU_DEVICE_CONNECTED) > connected; }))
      << "no re-initialisation after the replug";
  // The arrival's initialisation. An idle step that saw the handle come back before the arrival's
  // request was taken sends its reconnect (the same without the trace's abort) first.
  const auto init = instrument().transcript().commands();
  const std::vector<std::string> initialise{"TC:2", "CA:2", "GC:18:19", "SC:4:0:5:0:6:0", "VN"};
  const auto at = std::search(init.begin(), init.end(), initialise.begin(), initialise.end());
  ASSERT_NE(at, init.end()) << "no initialisation after the replug";
  const std::vector<std::string> earlier(init.begin(), at);
  EXPECT_TRUE(earlier.empty() || earlier == std::vector<std::string>(initialise.begin() + 1, initialise.end()))
      << earlier.size() << " commands before the initialisation";
  app().SelectTab(0);
  app().mainFrame->RunIdleUpdate();
  QAbstractButton* capture = Button(app().Views().controlView.get(), IDC_CAPTURE);
  EXPECT_EQ(capture->text(), QString(kCaptureButtonIdleText));
  EXPECT_TRUE(capture->isEnabledTo(app().mainFrame)) << "tab " << app().CurrentTab();
  EXPECT_EQ(Button(app().Views().traceControlView.get(), IDC_CAPTURE_TRACE)->text(), QStringLiteral("Capture Trace"));
  EXPECT_EQ(store().statusText.Get(), CORUData::kIdleStatusText);

  const int ended = notes->Count(WM_ORU_ABORT_CAPTURE);
  answers.Box(QStringLiteral("Capture session complete."), IDOK);
  Play(kCall);
  capture->click();
  ASSERT_TRUE(Eventually([&] { return notes->Count(WM_ORU_ABORT_CAPTURE) > ended; }, 60000));
  {
    // The new call is the last event whatever the "Options" setting did with the old data.
    std::lock_guard lock(LinkFields(store()).dataMutex);
    ASSERT_GE(LinkFields(store()).captureHeaders.GetSize(), 1);
    EXPECT_EQ(LinkFields(store()).captureHeaders[LinkFields(store()).captureHeaders.GetSize() - 1].endText,
              "NO CARRIER");
  }
  app().mainFrame->RunIdleUpdate();
  EXPECT_EQ(capture->text(), QString(kCaptureButtonIdleText));
}

const LossCase kCases[] = {
    {"CaptureArm", Activity::Capture, "CA:0", 1, WM_ORU_ABORT_CAPTURE},
    {"CaptureArmed", Activity::Capture, "CA:1", 1, WM_ORU_ABORT_CAPTURE},
    {"CaptureRunning", Activity::Capture, "CA:1", 4, WM_ORU_ABORT_CAPTURE},
    {"TriggerArm", Activity::TriggeredTrace, "TC:0", 1, WM_ORU_STOP_TRIGGERED_TRACE},
    {"TriggerArmed", Activity::TriggeredTrace, "TC:1", 1, WM_ORU_STOP_TRIGGERED_TRACE},
    {"TriggerRunning", Activity::TriggeredTrace, "TC:1", 30, WM_ORU_STOP_TRIGGERED_TRACE},
    {"StreamStart", Activity::StreamedTrace, "DM:1", 1, WM_ORU_START_SIGNAL_TRACE},
    {"VoltMeter", Activity::VoltMeter, "VM:3", 2, WM_ORU_STOP_DTMF_DECODER},
    {"DtmfStart", Activity::Dtmf, "DT:0:3", 1, WM_ORU_STOP_DTMF_DECODER},
    {"DtmfPoll", Activity::Dtmf, "DT:1", 2, WM_ORU_STOP_DTMF_DECODER},
    {"SessionDownload", Activity::StoredSession, "RD", 2, WM_ORU_GET_CAPTURE_DATA},
    {"TraceRecall", Activity::StoredTrace, "RT", 2, WM_ORU_TRACE_RECALL_DONE},
    {"Firmware", Activity::Firmware, "DA:0:S2", 2, WM_ORU_DOWNLOAD_FIRMWARE},
};

INSTANTIATE_TEST_SUITE_P(Activities, AppUnplugSweep, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<LossCase>& info) { return std::string(info.param.name); });

}  // namespace
