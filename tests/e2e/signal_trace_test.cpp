#include <algorithm>
#include <array>
#include <atomic>
#include <thread>

#include "WorkerRig.h"
#include "link/store/LinkAccess.h"

namespace e2e {
namespace {

using Texts = std::vector<std::string>;
using Block = std::array<UCHAR, CORUData::kStreamBufferSize>;

class SignalTrace : public WorkerRig {
 protected:
  int Start(const char* scenario) {
    sim::InstrumentOptions options = PerCommandOptions(100);
    options.scenario = scenario;
    return StartConnected(options);
  }

  // What the signal-trace view does with a block: its buffer's lock, then dataMutex, then a copy.
  Block TakeBlock(const MSG& message) {
    const int index = static_cast<int>(message.lParam);
    StreamBufferLock lock(store, index);
    Block copy{};
    std::copy_n(reinterpret_cast<const UCHAR*>(message.wParam), copy.size(), copy.begin());
    return copy;
  }

  // Every frame of a block as the instrument sends it: a running frame counter, then 16 samples
  // numbered 0..15, and a zero tail.
  static void ExpectInstrumentFrames(const Block& block) {
    for (int frame = 0; frame < 20; ++frame) {
      const UCHAR* bytes = block.data() + frame * 128;
      if (frame > 0) {
        EXPECT_EQ(bytes[0], static_cast<UCHAR>(block[(frame - 1) * 128] + 1)) << frame;
      }
      for (int sample = 0; sample < 16; ++sample) EXPECT_EQ(bytes[1 + sample * 7 + 4], sample);
      EXPECT_TRUE(std::all_of(bytes + 113, bytes + 128, [](UCHAR b) { return b == 0; }));
    }
  }
};

TEST_F(SignalTrace, ATriggeredTraceEmptiesTheOldSamplesAndTakesAThousand) {
  Start("call-progress");
  Instrument().withFirmware([](sim::Firmware& f) {
    f.config().setValue(13, 0);  // dial tone
    f.config().setValue(16, 2);  // an AC range: the samples swing both ways
    f.config().setValue(17, 0);
  });
  auto& fields = LinkFields(store);
  fields.sysCfg.traceScale = 2;
  fields.sysCfg.traceSpan = 0;
  fields.sysCfg.traceLevel = -32;
  {
    std::lock_guard guard(fields.dataMutex);
    fields.traceSamples.Add(7);
    fields.traceSamples.Add(8);
  }
  const std::size_t before = CommandCount();
  Post(WM_ORU_START_TRIGGERED_TRACE, 1);
  ASSERT_TRUE(notes.WaitForMessage(WM_ORU_STOP_TRIGGERED_TRACE, kHangMs));
  EXPECT_EQ(notes.Count(WM_ORU_TRACE_TRIGGERED), 1u);
  const std::vector<UINT> ids = notes.Ids();
  const auto triggered = std::find(ids.begin(), ids.end(), WM_ORU_TRACE_TRIGGERED);
  const auto ended = std::find(ids.begin(), ids.end(), WM_ORU_START_SIGNAL_TRACE);
  ASSERT_NE(ended, ids.end());
  EXPECT_LT(triggered, ended);
  EXPECT_FALSE(store.Run().traceRunning());
  EXPECT_FALSE(store.Run().traceTriggerArmed());
  EXPECT_EQ(fields.currentTrace.scaleIndex, 2);
  EXPECT_EQ(fields.currentTrace.spanIndex, 0);
  EXPECT_EQ(fields.currentTrace.voltageLevel, -32);  // the level the trace was started with
  {
    std::lock_guard guard(fields.dataMutex);
    ASSERT_EQ(fields.traceSamples.GetSize(), 1000);
    bool negative = false;
    for (int i = 0; i < 1000; ++i) negative = negative || fields.traceSamples[i] < 0;
    EXPECT_TRUE(negative);
  }
  // The end of polling says TC:2 once more after a pause.
  ASSERT_TRUE(Eventually([&] { return CommandsSince(before).back() == "TC:2"; }));
  const Texts sent = CommandsSince(before);
  EXPECT_EQ(Texts(sent.begin(), sent.begin() + 2), (Texts{"GC:18:19", "TC:0:1:1000"}));
  EXPECT_TRUE(std::all_of(sent.begin() + 2, sent.end() - 1, [](const std::string& c) { return c == "TC:1"; }));
  EXPECT_TRUE(document.traceModified);
}

TEST_F(SignalTrace, AnAbortWhileArmed) {
  Start("");
  Post(WM_ORU_START_TRIGGERED_TRACE, 2);
  ASSERT_TRUE(Eventually([&] { return store.Run().traceRunning() && store.Run().traceTriggerArmed(); }));
  EXPECT_EQ(store.statusText.Get(), "Waiting for scope trigger");
  Post(WM_ORU_STOP_TRIGGERED_TRACE);
  ASSERT_TRUE(notes.WaitForMessage(WM_ORU_STOP_TRIGGERED_TRACE, kHangMs));
  EXPECT_FALSE(store.Run().traceRunning());
  EXPECT_FALSE(store.Run().traceTriggerArmed());
  EXPECT_EQ(notes.Count(WM_ORU_TRACE_TRIGGERED), 0u);
  EXPECT_EQ(Commands(Instrument()).back(), "TC:2");
}

TEST_F(SignalTrace, ExitWithTheTriggerArmedStopsItOnTheInstrument) {
  Start("");
  Post(WM_ORU_START_TRIGGERED_TRACE, 2);
  ASSERT_TRUE(Eventually([&] { return store.Run().traceTriggerArmed() && CommandCount() > 0; }));
  const std::size_t armed = CommandCount();
  EXPECT_TRUE(StopWorker());
  const Texts sent = CommandsSince(armed);
  EXPECT_NE(std::find(sent.begin(), sent.end(), "TC:2"), sent.end());
  EXPECT_EQ(Instrument().withFirmware([](sim::Firmware& f) { return f.trace().state(); }),
            sim::TraceEngine::State::Idle);
}

TEST_F(SignalTrace, ArmingWithoutAnInstrumentClearsTheFlags) {
  StartWorker();
  ConnectNotifications();
  notes.Clear();
  store.ExchangeRun([](RunState& run) { run.trace = TraceRun::Running; });
  Post(WM_ORU_START_TRIGGERED_TRACE, 1);
  ASSERT_TRUE(notes.WaitForMessage(WM_ORU_STOP_TRIGGERED_TRACE, kHangMs));
  EXPECT_FALSE(store.Run().traceRunning());
  EXPECT_FALSE(store.Run().traceTriggerArmed());
}

TEST_F(SignalTrace, StreamedBlocksAlternateAndAreConsumedUnderTheLocks) {
  Start("volt-meter");
  const std::size_t before = CommandCount();
  Post(WM_ORU_START_SIGNAL_TRACE, 2);
  constexpr std::size_t kBlocks = 6;
  std::vector<int> indices;
  std::vector<WPARAM> addresses;
  for (std::size_t taken = 0; taken < kBlocks; ++taken) {
    ASSERT_TRUE(notes.WaitForCount(WM_ORU_TRACE_DATA_READY, taken + 1, kHangMs));
    std::vector<MSG> ready;
    for (const MSG& message : notes.Messages()) {
      if (message.message == WM_ORU_TRACE_DATA_READY) ready.push_back(message);
    }
    const MSG& message = ready[taken];
    indices.push_back(static_cast<int>(message.lParam));
    addresses.push_back(message.wParam);
    ExpectInstrumentFrames(TakeBlock(message));
  }
  EXPECT_TRUE(store.Run().traceRunning());
  EXPECT_EQ(store.statusText.Get(), "Signal trace in process");
  Post(WM_ORU_GET_SESSION_HEADER);  // dropped inside the loop
  Post(WM_ORU_STOP_SIGNAL_TRACE);
  ASSERT_TRUE(notes.WaitForMessage(WM_ORU_START_SIGNAL_TRACE, kHangMs));
  EXPECT_FALSE(store.Run().traceRunning());
  for (std::size_t i = 0; i < kBlocks; ++i) {
    EXPECT_EQ(indices[i], static_cast<int>(i % 2));
    EXPECT_EQ(addresses[i], reinterpret_cast<WPARAM>(store.StreamBuffer(static_cast<int>(i % 2))));
  }
  EXPECT_NE(addresses[0], addresses[1]);
  const Texts sent = CommandsSince(before);
  EXPECT_EQ(sent.front(), "DM:2");
  EXPECT_EQ(sent.back(), "DM:0");
  EXPECT_EQ(std::count(sent.begin(), sent.end(), "SH:1"), 0);
}

TEST_F(SignalTrace, ExitWhileStreamingTakesTheLocksInOrder) {
  Start("volt-meter");
  Post(WM_ORU_START_SIGNAL_TRACE, 1);
  ASSERT_TRUE(notes.WaitForCount(WM_ORU_TRACE_DATA_READY, 2, kHangMs));
  // A view keeps copying blocks while the program exits.
  std::atomic<bool> stop{false};
  std::atomic<int> copies{0};
  std::thread view([&] {
    while (!stop) {
      for (int index = 0; index < 2; ++index) {
        StreamBufferLock lock(store, index);
        ++copies;
      }
    }
  });
  ASSERT_TRUE(Eventually([&] { return copies > 10; }));
  EXPECT_TRUE(StopWorker());
  stop = true;
  view.join();
  EXPECT_EQ(Commands(Instrument()).back(), "DM:0");
}

TEST_F(SignalTrace, LosingTheInstrumentEndsTheStream) {
  const int port = Start("volt-meter");
  Post(WM_ORU_START_SIGNAL_TRACE, 1);
  ASSERT_TRUE(notes.WaitForCount(WM_ORU_TRACE_DATA_READY, 2, kHangMs));
  Unplug(port);
  ASSERT_TRUE(notes.WaitForMessage(WM_ORU_START_SIGNAL_TRACE, kHangMs));
  EXPECT_FALSE(store.Run().traceRunning());
  EXPECT_GE(notes.Count(WM_ORU_TRACE_DATA_READY), 1u);
}

TEST_F(SignalTrace, AStreamOnNoLineSendsNothing) {
  Start("");
  const std::size_t before = CommandCount();
  Post(WM_ORU_START_SIGNAL_TRACE, 4);
  ASSERT_TRUE(notes.WaitForMessage(WM_ORU_START_SIGNAL_TRACE, kHangMs));
  EXPECT_TRUE(CommandsSince(before).empty());
  EXPECT_FALSE(store.Run().traceRunning());
}

}  // namespace
}  // namespace e2e
