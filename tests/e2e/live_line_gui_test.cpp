// The program as a new user meets it: every window main() registers, a fresh settings folder and
// the instrument main() plugs in (real time, its memory filled, the default line), with the
// line's clock sped up. Pressing the controls as a user does, each activity finds something on
// the line within one minute of the line's time: a captured call, a triggered trace, the
// dialled digits and the hook voltages.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>
#include <QPlainTextEdit>

#include <cmath>
#include <optional>
#include <string>
#include <mutex>

#include "display/RegisterDisplayViews.h"
#include "display/SessionView.h"
#include "maintenance/RegisterMaintenanceViews.h"
#include "resources/data/ResourceIds.h"
#include "shell/frame/CMainFrame.h"
#include "shell/panel/ControlView.h"
#include "shell/OruApp.h"
#include "shell/model/ControlPanelActivity.h"
#include "shell/model/ControlPanelRules.h"
#include "sim/CallRenderer.h"
#include "sim/ScenarioChoice.h"
#include "sim/Transcript.h"
#include "tests/shell/AppFixture.h"
#include "trace/CORUDTMFView.h"
#include "trace/CORULineTest.h"
#include "trace/CORUSignalTrace.h"
#include "trace/CORUTraceControl.h"
#include "trace/RegisterTraceViews.h"
#include "link/store/LinkAccess.h"

namespace {

using apptest::Eventually;

constexpr double kLineSpeed = 8.0;  // line seconds per PC second
constexpr sim::Micros kCycle = 60 * sim::kMicrosPerSecond;
constexpr int kTabSignalTrace = 1;
constexpr int kTabVoltMeter = 2;
constexpr int kTabDtmf = 3;
constexpr int kCaptureTrace = 1170;

class LiveLineGui : public apptest::AppFixture {
 protected:
  // As the program starts with QUORLAN_SCENARIO=`choice` (empty: unset).
  bool StartAsTheProgram(const std::string& choice = "") {
    const sim::ScenarioChoice line = sim::chooseScenario(choice);
    if (!line.ok()) return false;
    scenario = *line.scenario;
    instrumentOptions = sim::InstrumentOptions{};
    instrumentOptions.clock.speed = kLineSpeed;
    plugAtStart = false;
    PlugInstrument();
    instrument().loadScenario(scenario);
    beforeInit = [](CORUpc144App& app) {
      RegisterDisplayViews(app.viewFactory);
      RegisterTraceViews(app.viewFactory);
      RegisterMaintenanceViews(app.viewFactory);
    };
    if (!Start()) return false;
    panel = dynamic_cast<CORUControlView*>(app().Views().controlView.get());
    session = dynamic_cast<CORUSessionView*>(app().Views().sessionView.get());
    control = dynamic_cast<CORUTraceControl*>(app().Views().traceControlView.get());
    trace = dynamic_cast<CORUSignalTrace*>(app().Views().signalTraceView.get());
    meter = dynamic_cast<CORULineTest*>(app().Views().lineTestView.get());
    dtmf = dynamic_cast<CORUDTMFView*>(app().Views().dtmfView.get());
    return panel && session && control && trace && meter && dtmf &&
           Eventually([&] { return !instrument().transcript().commands().empty(); });
  }
  CORUData& store() { return app().dataStore; }
  sim::Micros LineTime() { return instrument().now(); }
  // The line time at which the instrument last received `command`; none before it did.
  std::optional<sim::Micros> ReceivedAt(const std::string& command) {
    std::optional<sim::Micros> at;
    for (const sim::TranscriptEntry& e : instrument().transcript().entries())
      if (e.kind == sim::TranscriptKind::Command && e.bytes == command) at = e.at;
    return at;
  }
  // Waits for `command` to reach the instrument; its line time.
  sim::Micros Armed(const std::string& command) {
    EXPECT_TRUE(Eventually([&] { return ReceivedAt(command).has_value(); })) << command;
    return ReceivedAt(command).value_or(LineTime());
  }
  // The first number dialled on `line` after `from` (digits less than a second apart).
  std::string NextNumber(int line, sim::Micros from) {
    std::string number;
    sim::Micros last = 0;
    auto digits =
        instrument().withFirmware([&](sim::Firmware& f) { return f.line().digitsDetected(line, from, from + kCycle); });
    for (const sim::DigitEvent& d : digits) {
      if (!number.empty() && d.at - last > sim::kMicrosPerSecond) break;
      number += d.digit;
      last = d.at;
    }
    return number;
  }

  sim::Scenario scenario;
  CORUControlView* panel = nullptr;
  CORUSessionView* session = nullptr;
  CORUTraceControl* control = nullptr;
  CORUSignalTrace* trace = nullptr;
  CORULineTest* meter = nullptr;
  CORUDTMFView* dtmf = nullptr;
};

TEST_F(LiveLineGui, DefaultLineGivesEveryTabSomethingWithinAMinute) {
  ASSERT_TRUE(StartAsTheProgram());

  // "Capture" with the panel's defaults: the first call to connect once it is armed, which the
  // line brings within a minute, is captured whole and shown.
  answers.Box("Capture session complete.", IDOK,
              [](const PromptRecord& box) { EXPECT_EQ(box.title, kEndOfCaptureTitle); });
  qobject_cast<QAbstractButton*>(panel->Control(IDC_CAPTURE))->click();
  const sim::Micros armed = Armed("CA:0");
  const std::vector<sim::CallOccurrence> calls =
      instrument().withFirmware([&](sim::Firmware& f) { return f.line().callsBetween(armed, armed + kCycle); });
  ASSERT_FALSE(calls.empty());
  const sim::CallScript& call = scenario.calls.at(calls.front().index);
  ASSERT_TRUE(Eventually([&] { return store().endOfCaptureCode != 0 && answers.AllUsed(); }, 60000));
  {
    std::lock_guard guard(LinkFields(store()).dataMutex);
    ASSERT_EQ(LinkFields(store()).captureHeaders.GetSize(), 1);
    EXPECT_EQ(LinkFields(store()).captureHeaders[0].eventName, call.connectText);
  }
  const std::vector<sim::CapturedByte> sent = sim::renderCall(call).bytes;
  {
    std::lock_guard guard(LinkFields(store()).dataMutex);
    ASSERT_EQ(LinkFields(store()).captureBuffer.GetSize(), static_cast<int>(sent.size()));
    for (size_t i = 0; i < sent.size(); ++i) {
      const CCaptBuf& got = LinkFields(store()).captureBuffer[static_cast<int>(i)];
      ASSERT_EQ(got.data, sent[i].data) << i;
      ASSERT_EQ(got.flags & 0xC0, sent[i].attr & 0xC0) << i;
    }
  }
  ASSERT_TRUE(Eventually([&] {
    std::lock_guard guard(LinkFields(store()).dataMutex);
    return !session->LiveRefreshRunning() &&
           session->Layout().WalkedRecords() == LinkFields(store()).captureBuffer.GetSize();
  }));
  // The capture ended by itself: every control its start locked comes back, so the next press works.
  ASSERT_TRUE(Eventually([&] {
    app().mainFrame->RunIdleUpdate();
    return panel->Control(IDC_CONFIGURE)->isEnabled();
  }));
  for (int id : {IDC_RECALL_SESSION, IDC_SIGNAL_TRACE, IDC_LINE_TEST, IDC_DTMF_DECODER, IDC_STANDARD, IDC_MODE,
                 IDC_SESSION, IDC_CAPTURE})
    EXPECT_TRUE(panel->Control(id)->isEnabled()) << id;

  // "Capture Trace" with its default trigger, dial tone: samples arrive and are drawn.
  app().SelectTab(kTabSignalTrace);
  trace->RefreshScope();
  const QImage empty = trace->Scope().Image().copy();
  auto traceButton = [&] { return qobject_cast<QAbstractButton*>(control->Control(kCaptureTrace)); };
  traceButton()->click();
  const sim::Micros triggerArmed = Armed("TC:0:3:1000");
  ASSERT_TRUE(Eventually(
      [&] {
        std::lock_guard guard(LinkFields(store()).dataMutex);
        return LinkFields(store()).traceSamples.GetSize() == 1000 && traceButton()->text() == "Capture Trace";
      },
      60000));
  EXPECT_LT(LineTime() - triggerArmed, kCycle);
  trace->RefreshScope();
  EXPECT_NE(trace->Scope().Image(), empty);

  // The DTMF decoder lists the number dialled next (its first digit within a minute).
  app().SelectTab(kTabDtmf);
  const sim::Micros decoding = Armed("DT:0:3");
  const std::string dialled = NextNumber(3, decoding);
  ASSERT_GE(dialled.size(), 7u);
  ASSERT_TRUE(Eventually(
      [&] { return dtmf->DigitsEdit()->toPlainText().remove('\n') == QString::fromStdString(dialled); }, 60000))
      << dtmf->DigitsEdit()->toPlainText().toStdString() << " != " << dialled;

  // VOLT METER shows the line on hook and off hook.
  app().SelectTab(kTabVoltMeter);
  const sim::Micros measuring = LineTime();
  auto label = [&](int id) { return qobject_cast<QLabel*>(meter->Control(id))->text(); };
  bool onHook = false, offHook = false;
  QString onHookDc, offHookDc;
  ASSERT_TRUE(Eventually(
      [&] {
        if (label(1128) == "ON HOOK" && !onHook) onHook = true, onHookDc = label(1125);
        if (label(1128) == "OFF HOOK" && !offHook) offHook = true, offHookDc = label(1125);
        return onHook && offHook;
      },
      60000))
      << label(1128).toStdString();
  EXPECT_LT(LineTime() - measuring, kCycle);
  // "DC <volts> V": a line on hook holds 20 V or more, one off hook less.
  auto volts = [](const QString& text) { return std::abs(text.section(' ', 1, 1).toDouble()); };
  EXPECT_GE(volts(onHookDc), 20.0) << onHookDc.toStdString();
  EXPECT_LT(volts(offHookDc), 20.0) << offHookDc.toStdString();
  EXPECT_GT(volts(offHookDc), 3.0) << offHookDc.toStdString();
  app().SelectTab(0);
  ASSERT_TRUE(Eventually([&] { return !store().Run().lineTestRunning(); }));
}

// Every named line with calls, as a user starts the program with it: the window is up and
// Capture is pressed 10 s (of the line's time) after the start, before the line's first call,
// which the capture then catches.
struct NamedLine {
  const char* name;
  const char* end;  // the box that tells why the capture ended; nullptr: the call runs on
};

void PrintTo(const NamedLine& line, std::ostream* out) { *out << line.name; }

class NamedLineGui : public LiveLineGui, public ::testing::WithParamInterface<NamedLine> {};

TEST_P(NamedLineGui, CapturePressedTenSecondsAfterTheStartCatchesTheFirstCall) {
  const NamedLine& c = GetParam();
  ASSERT_TRUE(StartAsTheProgram(c.name));
  ASSERT_TRUE(Eventually([&] { return LineTime() >= 10 * sim::kMicrosPerSecond; }));
  answers.Box(c.end != nullptr ? c.end : "Capture aborted.", IDOK);
  auto* capture = qobject_cast<QAbstractButton*>(panel->Control(IDC_CAPTURE));
  capture->click();
  EXPECT_LT(Armed("CA:0"), scenario.calls.front().at);
  const sim::CallScript& first = scenario.calls.front();
  if (first.connects()) {
    ASSERT_TRUE(Eventually(
        [&] {
          std::lock_guard guard(LinkFields(store()).dataMutex);
          return LinkFields(store()).captureHeaders.GetSize() == 1 && LinkFields(store()).captureBuffer.GetSize() > 0;
        },
        60000));
    std::lock_guard guard(LinkFields(store()).dataMutex);
    EXPECT_EQ(LinkFields(store()).captureHeaders[0].eventName, first.connectText.substr(0, 14));
  }
  if (c.end == nullptr) capture->click();  // End Capture
  ASSERT_TRUE(Eventually([&] { return answers.AllUsed() && !store().Run().captureBusy(); }, 60000));
}

INSTANTIATE_TEST_SUITE_P(Lines, NamedLineGui,
                         ::testing::Values(NamedLine{"v22bis-async", "Capture session complete."},
                                           NamedLine{"parity-7e1", "Capture session complete."},
                                           NamedLine{"v32bis-events", "Capture session complete."},
                                           NamedLine{"hdlc-sync", "Capture session complete."},
                                           NamedLine{"two-calls", "Capture session complete."},
                                           NamedLine{"error-ends", "Vacant POTS line."},
                                           NamedLine{"long-call", nullptr},
                                           NamedLine{"four-wire", "Capture session complete."},
                                           NamedLine{"b300", "Capture session complete."}),
                         [](const ::testing::TestParamInfo<NamedLine>& info) {
                           std::string name = info.param.name;
                           for (char& ch : name)
                             if (ch == '-') ch = '_';
                           return name;
                         });

}  // namespace
