// The instrument goes dead on each command of every activity's sequence in turn (or in the middle
// of the stream), once with the worker alone and once with the main frame's stops beside it. Each
// time the activity must end exactly once with its own end notification, every run flag must
// clear, nothing may reach the dead instrument, the worker must rest over the next second (no
// request tried, no more idle steps than the idle program's) and, after a replug, the new
// instrument is initialised first and a capture runs to its end. The rig's tear-down checks that
// every IRP was completed and no pool block leaked.

#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "SweepSupport.h"
#include "link/protocol/WorkerSignals.h"
#include "link/store/LinkAccess.h"
#include "tests/sim/SimTestSupport.h"

namespace e2e {
namespace {

using Texts = std::vector<std::string>;
using namespace std::chrono_literals;

enum class Flow {
  Initialise,
  Capture,          // single session
  CaptureArmed,     // no call comes: the capture stays armed
  CaptureMultiple,  // multiple sessions: re-armed after each call
  CaptureAbort,     // the user's abort
  CaptureArmHeld,   // the instrument goes while the worker waits for the arm's answer
  StoredSession,
  StoredTrace,
  TriggeredTrace,
  StreamedTrace,
  StreamStop,
  VoltMeter,
  Dtmf,
  Firmware,
};

struct UnplugCase {
  const char* name;
  Flow flow;
  const char* prefix;  // the command the instrument dies on (its nth); empty: after isoPackets
  int nth = 1;
  int isoPackets = 0;
  UINT reached = 0;  // a notification the flow must have posted before the loss (0: none)
};

void PrintTo(const UnplugCase& c, std::ostream* out) { *out << c.name; }

// The one notification that ends each flow.
UINT EndOf(Flow flow) {
  switch (flow) {
    case Flow::Initialise:
      return WM_ORU_DEVICE_CONNECTED;
    case Flow::Capture:
    case Flow::CaptureArmed:
    case Flow::CaptureMultiple:
    case Flow::CaptureAbort:
    case Flow::CaptureArmHeld:
      return WM_ORU_ABORT_CAPTURE;
    case Flow::StoredSession:
      return WM_ORU_GET_CAPTURE_DATA;
    case Flow::StoredTrace:
      return WM_ORU_TRACE_RECALL_DONE;
    case Flow::TriggeredTrace:
      return WM_ORU_STOP_TRIGGERED_TRACE;
    case Flow::StreamedTrace:
    case Flow::StreamStop:
      return WM_ORU_START_SIGNAL_TRACE;
    case Flow::VoltMeter:
    case Flow::Dtmf:
      return WM_ORU_STOP_DTMF_DECODER;
    case Flow::Firmware:
      return WM_ORU_DOWNLOAD_FIRMWARE;
  }
  return 0;
}

// Every end notification; a flow posts none but its own (the re-initialisation's trace abort and
// a trace that ended on its own before the loss may add the trace pair).
constexpr UINT kEnds[] = {WM_ORU_ABORT_CAPTURE,        WM_ORU_GET_CAPTURE_DATA,   WM_ORU_TRACE_RECALL_DONE,
                          WM_ORU_STOP_TRIGGERED_TRACE, WM_ORU_START_SIGNAL_TRACE, WM_ORU_STOP_DTMF_DECODER,
                          WM_ORU_DOWNLOAD_FIRMWARE};

bool MayAlsoEnd(Flow flow, UINT id) {
  const bool tracePair = id == WM_ORU_START_SIGNAL_TRACE || id == WM_ORU_STOP_TRIGGERED_TRACE;
  return tracePair && (flow == Flow::Initialise || flow == Flow::TriggeredTrace);
}

// A call that comes only after the capture has been armed for a while.
const char* kLateCall = R"(
scenario sweep-late
at 0.0 dc 1 -8.0
call 40.0 "CONNECT 14400"
  rate 14400
  hex +0.1 answer 41 every 0.05 count 4
  end +1.0 code 9 text "NO CARRIER"
endcall
length 120
)";

// A firmware image: header, `records` data records and the end record.
std::string FirmwareImage(int records) {
  std::string text = simtest::sRecord('0', 0, 2, {'O', 'R', 'U'});
  for (int i = 0; i < records; ++i) {
    std::vector<uint8_t> data(16);
    for (std::size_t b = 0; b < data.size(); ++b) data[b] = static_cast<uint8_t>(i * 7 + b);
    text += simtest::sRecord('2', 0x1000 + 16 * i, 3, data);
  }
  return text + simtest::sRecord('8', 0x1000, 3, {});
}

class UnplugSweep : public WorkerRig, public ::testing::WithParamInterface<std::tuple<UnplugCase, bool>> {
 protected:
  static const UnplugCase& Case() { return std::get<0>(GetParam()); }

  void SetUp() override {
    WorkerRig::SetUp();
    frameStopsActivities = std::get<1>(GetParam());
    sim::InstrumentOptions options = SweepOptions();
    options.scenario = Case().flow == Flow::TriggeredTrace ? "call-progress" : "";
    port_ = StartConnected(options);
    Instrument().setUnplugHandler([this, port = port_] { machine_->bus().unplug(port); });
    Instrument().withFirmware([](sim::Firmware& f) {
      f.memory().setSession(1, SweepSession(14400, 40));
      sim::StoredTrace trace;
      trace.used = true;
      for (int i = 0; i < 100; ++i) trace.samples.push_back(i * 3 - 50);
      f.memory().setTrace(1, trace);
      f.config().setValue(13, 0);  // scope trigger: dial tone
    });
    Instrument().withFaults([](sim::FaultPlan& f) {
      if (Case().flow == Flow::CaptureArmHeld) {
        f.dropNextReply();
      } else if (Case().isoPackets > 0) {
        f.unplugAfterIsoPackets(Case().isoPackets);
      } else {
        f.unplugOnCommand(Case().prefix, Case().nth);
      }
    });
  }

  void TearDown() override {
    WorkerRig::TearDown();
    if (!firmwarePath_.empty()) std::filesystem::remove(firmwarePath_);
  }

  // Starts the flow; returns once the instrument has gone and its handle is closed.
  void RunUntilGone() {
    switch (Case().flow) {
      case Flow::Initialise:
        Post(WM_ORU_DEVICE_CONNECTED);
        break;
      case Flow::Capture:
      case Flow::CaptureMultiple:
        LinkFields(store).sysCfg.sessionMode = Case().flow == Flow::CaptureMultiple ? 1 : 0;
        Instrument().loadScenario(Scenario(kSweepBinaryCall));
        Post(WM_ORU_START_CAPTURE);
        break;
      case Flow::CaptureArmed:
        Instrument().loadScenario(Scenario(kLateCall));
        Post(WM_ORU_START_CAPTURE);
        break;
      case Flow::CaptureAbort:
        Instrument().loadScenario(Scenario(kSweepBinaryCall));
        Post(WM_ORU_START_CAPTURE);
        ASSERT_TRUE(Eventually([&] { return Records() > 5; })) << "no data";
        Post(WM_ORU_ABORT_CAPTURE);
        break;
      case Flow::CaptureArmHeld: {
        Instrument().loadScenario(Scenario(kLateCall));
        Post(WM_ORU_START_CAPTURE);
        ASSERT_TRUE(Eventually([&] { return CommandCount() > 0 && Commands(Instrument()).back() == Case().prefix; }));
        // With the frame, its removal comes first: closing the handle leaves the read pending.
        if (frameStopsActivities) frame_->LoseDevice();
        Unplug(port_);
        return WaitForRemoval();
      }
      case Flow::StoredSession:
        Post(WM_ORU_GET_CAPTURE_DATA, 1);
        break;
      case Flow::StoredTrace:
        Post(WM_ORU_RECALL_TRACE, 1);
        break;
      case Flow::TriggeredTrace:
        Post(WM_ORU_START_TRIGGERED_TRACE, 1);
        break;
      case Flow::StreamedTrace:
        Post(WM_ORU_START_SIGNAL_TRACE, 1);
        break;
      case Flow::StreamStop:
        Post(WM_ORU_START_SIGNAL_TRACE, 1);
        ASSERT_TRUE(notes.WaitForCount(WM_ORU_TRACE_DATA_READY, 3, kHangMs)) << "no blocks";
        Post(WM_ORU_STOP_SIGNAL_TRACE);
        break;
      case Flow::VoltMeter:
        store.selectedLine = 1;
        Post(WM_ORU_START_LINE_TEST);
        break;
      case Flow::Dtmf:
        store.selectedLine = 1;
        Post(WM_ORU_START_DTMF_DECODER);
        break;
      case Flow::Firmware:
        firmwarePath_ = ::testing::TempDir() + "sweep-" + std::to_string(::getpid()) + ".mot";
        std::ofstream(firmwarePath_, std::ios::binary) << FirmwareImage(6);
        store.downloadFilePath.Set(firmwarePath_);
        Post(WM_ORU_DOWNLOAD_FIRMWARE);
        break;
    }
    ASSERT_TRUE(Eventually([&] { return Instrument().unplugged(); })) << "the instrument never died";
    WaitForRemoval();
  }

  void WaitForRemoval() {
    ASSERT_TRUE(Eventually([&] { return frame_->removals() >= 1 && !context.DeviceOpen(); })) << "no removal";
  }

  bool FlagsClear() {
    return !store.Run().captureArmed() && !store.Run().captureRunning() && !store.Run().traceTriggerArmed() &&
           !store.Run().traceRunning() && !store.Run().lineTestRunning() && !store.Run().dtmfRunning() &&
           !store.Run().downloadRunning();
  }

  // The worker takes requests again: a 2072 comes back. A loop drops the requests it does not
  // take, so the probe is posted again until one is answered.
  void ExpectAnswering() {
    const std::size_t before = notes.Count(WM_ORU_DEVICE_DISCONNECTED);
    const bool answered = Eventually([&] {
      Post(WM_ORU_DEVICE_DISCONNECTED);
      return notes.WaitForCount(WM_ORU_DEVICE_DISCONNECTED, before + 1, 200);
    });
    ASSERT_TRUE(answered) << "the worker hangs";
  }

  // Nothing reached the dead instrument after it went.
  void ExpectSilenceAfterUnplug(sim::Instrument& dead) {
    bool gone = false;
    for (const sim::TranscriptEntry& e : dead.transcript().entries()) {
      gone = gone || e.kind == sim::TranscriptKind::Unplug;
      EXPECT_FALSE(gone && e.kind == sim::TranscriptKind::Command) << "sent after the loss: " << e.bytes;
    }
  }

  // Over the next second the worker costs what the idle program costs.
  void ExpectIdleWorker() {
    const WorkerLoad& load = worker_->Load();
    const unsigned long steps = load.idleSteps;
    const unsigned long tried = load.requestsTried;
    const auto cpu = worker_->CpuTime();
    std::this_thread::sleep_for(1s);  // the measuring window itself
    EXPECT_EQ(load.requestsTried - tried, 0u) << "requests tried with no instrument";
    EXPECT_LE(load.idleSteps - steps, 1000u / kWorkerIdleWaitMs + 10) << "idle steps in one second";
    // A spinning worker burns most of a core; an idle one a few milliseconds at most.
    EXPECT_LT(worker_->CpuTime() - cpu, 100ms);
  }

  int port_ = 0;
  std::string firmwarePath_;
};

TEST_P(UnplugSweep, TheActivityEndsOnceTheWorkerRestsAndAReplugCapturesAgain) {
  const Flow flow = Case().flow;
  const UINT end = EndOf(flow);
  ASSERT_NO_FATAL_FAILURE(RunUntilGone());
  if (Case().reached != 0) {
    EXPECT_GE(notes.Count(Case().reached), 1u) << "the loss came too early";
  }
  ASSERT_TRUE(notes.WaitForMessage(end, kHangMs)) << "no end notification " << end;
  ASSERT_TRUE(Eventually([&] { return FlagsClear(); })) << "a run flag stays set";
  ASSERT_NO_FATAL_FAILURE(ExpectAnswering());
  ExpectIdleWorker();
  EXPECT_EQ(notes.Count(end), 1u) << "ends of " << end;
  for (UINT other : kEnds) {
    if (other == end) continue;
    EXPECT_LE(notes.Count(other), MayAlsoEnd(flow, other) ? 1u : 0u) << "ends of " << other;
  }
  EXPECT_TRUE(FlagsClear());
  sim::Instrument& dead = Instrument();
  ExpectSilenceAfterUnplug(dead);

  // A new instrument: initialised first on the arrival, then a capture runs to its end.
  const std::size_t connected = notes.Count(WM_ORU_DEVICE_CONNECTED);
  const std::size_t ended = notes.Count(WM_ORU_ABORT_CAPTURE);
  Plug(SweepOptions());
  ASSERT_TRUE(notes.WaitForCount(WM_ORU_DEVICE_CONNECTED, connected + 1, kHangMs))
      << "no re-initialisation after the replug; arrivals " << frame_->arrivals();
  ASSERT_TRUE(context.DeviceOpen());
  // The arrival's sequence, or the idle step's when it sees the new handle before the arrival's
  // request is taken (the arrival's follows it then).
  const Texts init = Commands(Instrument());
  const Texts arrival = {"TC:2", "CA:2", "GC:18:19", "SC:4:0:5:0:6:0", "VN"};
  const Texts idle = {"CA:2", "GC:18:19", "SC:4:0:5:0:6:0", "VN"};
  ASSERT_GE(init.size(), arrival.size());
  const bool initialisedFirst =
      Texts(init.begin(), init.begin() + 5) == arrival || Texts(init.begin(), init.begin() + 4) == idle;
  EXPECT_TRUE(initialisedFirst) << "the new instrument was not initialised first: " << ::testing::PrintToString(init);
  EXPECT_TRUE(FlagsClear());

  const int headers = Headers();
  const int records = Records();
  LinkFields(store).sysCfg.sessionMode = 0;
  Instrument().loadScenario(Scenario(kSweepBinaryCall));
  Post(WM_ORU_START_CAPTURE);
  ASSERT_TRUE(notes.WaitForCount(WM_ORU_ABORT_CAPTURE, ended + 1, kHangMs)) << "the new capture never ended";
  ASSERT_EQ(Headers(), headers + 1);
  EXPECT_EQ(Header(headers).endText, "NO CARRIER");
  EXPECT_EQ(Records() - records, static_cast<int>(RenderedBytes(kSweepBinaryCall).size()));
}

// Every command of each activity's sequence, as the worker sends them.
const UnplugCase kCases[] = {
    {"InitialiseTc2", Flow::Initialise, "TC:2"},
    {"InitialiseCa2", Flow::Initialise, "CA:2"},
    {"InitialiseGc", Flow::Initialise, "GC:18:19"},
    {"InitialiseSc", Flow::Initialise, "SC:"},
    {"InitialiseVn", Flow::Initialise, "VN"},
    {"CaptureArm", Flow::Capture, "CA:0"},
    {"CapturePollArmed", Flow::Capture, "CA:1", 1},
    {"CapturePollConnect", Flow::Capture, "CA:1", 2},
    {"CapturePollData", Flow::Capture, "CA:1", 3, 0, WM_ORU_START_CAPTURE},
    {"CapturePollLate", Flow::Capture, "CA:1", 6},
    {"CaptureClosingText", Flow::Capture, "TN"},
    {"ArmedPollFirst", Flow::CaptureArmed, "CA:1", 1},
    {"ArmedPollLater", Flow::CaptureArmed, "CA:1", 4},
    {"MultipleData", Flow::CaptureMultiple, "CA:1", 4},
    {"MultipleStop", Flow::CaptureMultiple, "CA:2", 1},
    {"MultipleClosingText", Flow::CaptureMultiple, "TN"},
    {"MultipleRearm", Flow::CaptureMultiple, "CA:0", 2},
    {"MultipleArmedAgain", Flow::CaptureMultiple, "CA:1", 20},
    {"CaptureUserAbort", Flow::CaptureAbort, "CA:2"},
    {"CaptureArmHeld", Flow::CaptureArmHeld, "CA:0"},
    {"DownloadFirst", Flow::StoredSession, "RD", 1},
    {"DownloadHeaderNext", Flow::StoredSession, "RD", 2},
    {"DownloadData", Flow::StoredSession, "RD", 3},
    {"DownloadLast", Flow::StoredSession, "RD", 5},
    {"TraceRecallConfig", Flow::StoredTrace, "GC:18:19"},
    {"TraceRecallFirst", Flow::StoredTrace, "RT", 1},
    {"TraceRecallNext", Flow::StoredTrace, "RT", 2},
    {"TraceRecallLast", Flow::StoredTrace, "RT", 8},
    {"TriggerConfig", Flow::TriggeredTrace, "GC:18:19"},
    {"TriggerArm", Flow::TriggeredTrace, "TC:0"},
    {"TriggerPoll", Flow::TriggeredTrace, "TC:1", 1},
    {"TriggerPollLater", Flow::TriggeredTrace, "TC:1", 4},
    {"TriggerRunning", Flow::TriggeredTrace, "TC:1", 30, 0, WM_ORU_TRACE_TRIGGERED},
    {"StreamStart", Flow::StreamedTrace, "DM:1"},
    {"StreamPackets", Flow::StreamedTrace, "", 0, 30},
    {"StreamManyPackets", Flow::StreamedTrace, "", 0, 200},
    {"StreamStop", Flow::StreamStop, "DM:0"},
    {"VoltMeterFirst", Flow::VoltMeter, "VM:1:0", 1},
    {"VoltMeterLater", Flow::VoltMeter, "VM:1:0", 3, 0, WM_ORU_LINE_TEST_DATA},
    {"DtmfStart", Flow::Dtmf, "DT:0:1"},
    {"DtmfPoll", Flow::Dtmf, "DT:1", 1, 0, WM_ORU_START_DTMF_DECODER},
    {"DtmfPollLater", Flow::Dtmf, "DT:1", 4},
    {"FirmwareHeader", Flow::Firmware, "DA:0:S0"},
    {"FirmwareData", Flow::Firmware, "DA:0:S2", 1},
    {"FirmwareDataLater", Flow::Firmware, "DA:0:S2", 4, 0, WM_ORU_DOWNLOAD_PROGRESS},
    {"FirmwareEnd", Flow::Firmware, "DA:0:S8"},
};

INSTANTIATE_TEST_SUITE_P(Commands, UnplugSweep, ::testing::Combine(::testing::ValuesIn(kCases), ::testing::Bool()),
                         [](const ::testing::TestParamInfo<std::tuple<UnplugCase, bool>>& info) {
                           return std::string(std::get<0>(info.param).name) +
                                  (std::get<1>(info.param) ? "WithFrameStops" : "WorkerAlone");
                         });

}  // namespace
}  // namespace e2e
