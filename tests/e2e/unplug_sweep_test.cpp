// The instrument goes dead on each command of the worker's sequences in turn (initialisation,
// capture, stored-session download, triggered trace, streamed trace), or in the middle of the
// stream. Each time the worker must end its operation, post its end notification at most once
// (exactly once where the operation promises one), keep answering, and after a replug
// re-initialise the new instrument and capture again. The rig's tear-down checks that every IRP
// was completed and no pool block leaked.

#include "SweepSupport.h"

namespace e2e {
namespace {

using Texts = std::vector<std::string>;

enum class Flow { Initialise, Capture, CaptureAbort, StoredDownload, TriggeredTrace, StreamedTrace, StreamStop };

struct UnplugCase {
  const char* name;
  Flow flow;
  const char* prefix;  // the command the instrument dies on (its nth); empty: after isoPackets
  int nth = 1;
  int isoPackets = 0;
};

// The notification that ends each flow, and whether the flow must post it once the instrument
// is gone (a capture that is only armed, and an armed or polled trigger, have none to give:
// see the report on those).
struct Ending {
  UINT id;
  bool promised;
};

// Whether a data line reached the host before the instrument died: the capture was running.
bool DataBeforeUnplug(sim::Instrument& instrument) {
  for (const sim::TranscriptEntry& e : instrument.transcript().entries()) {
    if (e.kind == sim::TranscriptKind::Unplug) return false;
    if (e.kind == sim::TranscriptKind::Reply && e.bytes.starts_with("ca#") && e.bytes.size() > 4) return true;
  }
  return false;
}

Ending EndingOf(const UnplugCase& c, sim::Instrument& instrument) {
  switch (c.flow) {
    case Flow::Initialise:
      return {WM_ORU_DEVICE_CONNECTED, true};
    case Flow::Capture:
      return {WM_ORU_ABORT_CAPTURE, DataBeforeUnplug(instrument)};
    case Flow::CaptureAbort:
      return {WM_ORU_ABORT_CAPTURE, true};
    case Flow::StoredDownload:
      return {WM_ORU_GET_CAPTURE_DATA, true};
    case Flow::TriggeredTrace:
      return {WM_ORU_STOP_TRIGGERED_TRACE, false};
    case Flow::StreamedTrace:
    case Flow::StreamStop:
      return {WM_ORU_START_SIGNAL_TRACE, true};
  }
  return {0, false};
}

class UnplugSweep : public WorkerRig, public ::testing::WithParamInterface<UnplugCase> {
 protected:
  void SetUp() override {
    WorkerRig::SetUp();
    sim::InstrumentOptions options = SweepOptions();
    options.scenario = GetParam().flow == Flow::TriggeredTrace ? "call-progress" : "";
    port_ = StartConnected(options);
    Instrument().setUnplugHandler([this, port = port_] { machine_->bus().unplug(port); });
    Instrument().withFirmware([](sim::Firmware& f) {
      f.memory().setSession(1, SweepSession(14400, 40));
      f.config().setValue(13, 0);  // scope trigger: dial tone
    });
    Instrument().withFaults([](sim::FaultPlan& f) {
      const UnplugCase& c = GetParam();
      if (c.isoPackets > 0) {
        f.unplugAfterIsoPackets(c.isoPackets);
      } else {
        f.unplugOnCommand(c.prefix, c.nth);
      }
    });
  }

  // Starts the flow; returns once the instrument has gone.
  void RunUntilGone() {
    const UnplugCase& c = GetParam();
    switch (c.flow) {
      case Flow::Initialise:
        Post(WM_ORU_DEVICE_CONNECTED);
        break;
      case Flow::Capture:
        Instrument().loadScenario(Scenario(kSweepBinaryCall));
        Post(WM_ORU_START_CAPTURE);
        break;
      case Flow::CaptureAbort:
        Instrument().loadScenario(Scenario(kSweepBinaryCall));
        Post(WM_ORU_START_CAPTURE);
        ASSERT_TRUE(Eventually([&] { return Records() > 5; })) << "no data";
        Post(WM_ORU_ABORT_CAPTURE);
        break;
      case Flow::StoredDownload:
        Post(WM_ORU_GET_CAPTURE_DATA, 1);
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
    }
    ASSERT_TRUE(Eventually([&] { return Instrument().unplugged(); })) << "the instrument never died";
    ASSERT_TRUE(Eventually([&] { return frame_->removals() >= 1 && !context.DeviceOpen(); })) << "no removal";
  }

  // The worker takes requests again: a 2072 comes back. A capture's polling drops the requests
  // it does not take, so the probe is posted again until one is answered.
  void ExpectAnswering() {
    const std::size_t before = notes.Count(WM_ORU_DEVICE_DISCONNECTED);
    const bool answered = Eventually([&] {
      Post(WM_ORU_DEVICE_DISCONNECTED);
      return notes.WaitForCount(WM_ORU_DEVICE_DISCONNECTED, before + 1, 200);
    });
    ASSERT_TRUE(answered) << "the worker hangs";
  }

  int port_ = 0;
};

TEST_P(UnplugSweep, TheOperationEndsOnceAndAReplugCapturesAgain) {
  const UnplugCase& c = GetParam();
  ASSERT_NO_FATAL_FAILURE(RunUntilGone());
  const Ending ending = EndingOf(c, Instrument());
  if (ending.promised) {
    ASSERT_TRUE(notes.WaitForMessage(ending.id, kHangMs)) << "no end notification " << ending.id;
  }
  ASSERT_NO_FATAL_FAILURE(ExpectAnswering());
  EXPECT_LE(notes.Count(ending.id), 1u);
  EXPECT_LE(notes.Count(WM_ORU_ABORT_CAPTURE), 1u);
  EXPECT_LE(notes.Count(WM_ORU_STOP_TRIGGERED_TRACE), 1u);
  EXPECT_LE(notes.Count(WM_ORU_START_SIGNAL_TRACE), 1u);
  EXPECT_LE(notes.Count(WM_ORU_GET_CAPTURE_DATA), 1u);
  EXPECT_EQ(store.captureRunning, 0);
  if (c.flow == Flow::StreamedTrace || c.flow == Flow::StreamStop) {
    EXPECT_EQ(store.traceRunning, 0);
  }

  // A new instrument: re-initialised on the arrival, and a capture runs to its end.
  const std::size_t connected = notes.Count(WM_ORU_DEVICE_CONNECTED);
  const std::size_t ended = notes.Count(WM_ORU_ABORT_CAPTURE);
  Plug(SweepOptions());
  ASSERT_TRUE(notes.WaitForCount(WM_ORU_DEVICE_CONNECTED, connected + 1, kHangMs))
      << "no re-initialisation after the replug; arrivals " << frame_->arrivals();
  ASSERT_TRUE(context.DeviceOpen());
  const Texts init = Commands(Instrument());
  const Texts expected = {"CA:2", "GC:18:19", "SC:4:0:5:0:6:0", "VN"};
  auto at = init.begin();
  for (const std::string& command : expected) {
    at = std::find(at, init.end(), command);
    ASSERT_NE(at, init.end()) << "the new instrument was not initialised: no " << command;
  }
  EXPECT_EQ(store.captureArmed, 0);
  EXPECT_EQ(store.captureRunning, 0);

  const int headers = Headers();
  const int records = Records();
  Instrument().loadScenario(Scenario(kSweepBinaryCall));
  Post(WM_ORU_START_CAPTURE);
  ASSERT_TRUE(notes.WaitForCount(WM_ORU_ABORT_CAPTURE, ended + 1, kHangMs)) << "the new capture never ended";
  ASSERT_EQ(Headers(), headers + 1);
  EXPECT_EQ(Header(headers).endText, "NO CARRIER");
  EXPECT_EQ(Records() - records, static_cast<int>(RenderedBytes(kSweepBinaryCall).size()));
}

// Every command of each sequence, as the worker sends them.
const UnplugCase kCases[] = {
    {"InitialiseTc2", Flow::Initialise, "TC:2"},
    {"InitialiseCa2", Flow::Initialise, "CA:2"},
    {"InitialiseGc", Flow::Initialise, "GC:18:19"},
    {"InitialiseSc", Flow::Initialise, "SC:"},
    {"InitialiseVn", Flow::Initialise, "VN"},
    {"CaptureArm", Flow::Capture, "CA:0"},
    {"CapturePollArmed", Flow::Capture, "CA:1", 1},
    {"CapturePollConnect", Flow::Capture, "CA:1", 2},
    {"CapturePollData", Flow::Capture, "CA:1", 3},
    {"CapturePollLate", Flow::Capture, "CA:1", 6},
    {"CaptureClosingText", Flow::Capture, "TN"},
    {"CaptureUserAbort", Flow::CaptureAbort, "CA:2"},
    {"DownloadFirst", Flow::StoredDownload, "RD", 1},
    {"DownloadHeaderNext", Flow::StoredDownload, "RD", 2},
    {"DownloadData", Flow::StoredDownload, "RD", 3},
    {"DownloadLast", Flow::StoredDownload, "RD", 5},
    {"TriggerArm", Flow::TriggeredTrace, "TC:0"},
    {"TriggerPoll", Flow::TriggeredTrace, "TC:1", 1},
    {"TriggerPollLater", Flow::TriggeredTrace, "TC:1", 4},
    {"StreamStart", Flow::StreamedTrace, "DM:1"},
    {"StreamPackets", Flow::StreamedTrace, "", 0, 30},
    {"StreamManyPackets", Flow::StreamedTrace, "", 0, 200},
    {"StreamStop", Flow::StreamStop, "DM:0"},
};

INSTANTIATE_TEST_SUITE_P(Commands, UnplugSweep, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<UnplugCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace e2e
