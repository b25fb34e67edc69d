#include <gtest/gtest.h>

#include <functional>
#include <latch>
#include <thread>

#include "link/store/OruData.h"
#include "link/worker/DeviceLoss.h"

namespace {

// What runs, without the number of the capture.
RunState Activities(RunState run) {
  run.captureNumber = 0;
  return run;
}

// ---- the exchange: whoever takes an activity's end is the only one to see it on ------------------

TEST(RunStateExchange, TwoThreadsTakingTheSameActivityOneSeesItOn) {
  CORUData store;
  for (int round = 0; round < 500; ++round) {
    store.ExchangeRun([round](RunState& run) {
      run.capture = round % 2 == 0 ? CaptureRun::Armed : CaptureRun::Running;
      run.trace = TraceRun::TriggerArmed;
      run.dtmf = true;
    });
    std::latch start(2);
    bool capture[2] = {};
    bool trace[2] = {};
    bool dtmf[2] = {};
    auto take = [&](int k) {
      start.arrive_and_wait();
      capture[k] = TakeCapture(store);
      trace[k] = TakeTrace(store);
      dtmf[k] = store.ExchangeRun([](RunState& run) { run.dtmf = false; }).dtmfRunning();
    };
    std::thread other(take, 1);
    take(0);
    other.join();
    ASSERT_NE(capture[0], capture[1]) << round;
    ASSERT_NE(trace[0], trace[1]) << round;
    ASSERT_NE(dtmf[0], dtmf[1]) << round;
    ASSERT_EQ(Activities(store.Run()), RunState{});
  }
}

// ---- the steps every writer takes ---------------------------------------------------------------

struct Step {
  const char* name;
  RunState before;
  std::function<bool(CORUData&)> step;  // true when it found the activity on
  RunState after;
  bool found;
};

class RunStateSteps : public ::testing::TestWithParam<Step> {};

TEST_P(RunStateSteps, ChangesOnlyItsPartAndReportsTheOldState) {
  const Step& t = GetParam();
  CORUData store;
  store.ExchangeRun([&t](RunState& run) { run = t.before; });
  EXPECT_EQ(t.step(store), t.found) << t.name;
  EXPECT_EQ(Activities(store.Run()), t.after) << t.name;
}

bool Mark(CORUData& s) { return s.ExchangeRun(MarkCaptureRunning).captureRunning(); }
bool Stop(CORUData& s) { return s.ExchangeRun(StopCaptureRunning).captureRunning(); }

constexpr RunState kMeters{.lineTest = true, .dtmf = true, .download = true};
constexpr RunState kArmed{.capture = CaptureRun::Armed, .lineTest = true, .dtmf = true, .download = true};
constexpr RunState kRunning{.capture = CaptureRun::Running, .lineTest = true, .dtmf = true, .download = true};
constexpr RunState kTraceArmed{.trace = TraceRun::TriggerArmed};
constexpr RunState kTraceRunning{.trace = TraceRun::Running};

INSTANTIATE_TEST_SUITE_P(Table, RunStateSteps,
                         ::testing::Values(
                             // Data flows only once the trigger has fired.
                             Step{"mark idle", kMeters, Mark, kRunning, false},
                             Step{"mark armed", kArmed, Mark, kArmed, false},
                             Step{"mark running", kRunning, Mark, kRunning, true},
                             // The running flag cleared leaves an armed capture waiting.
                             Step{"stop running", kRunning, Stop, kMeters, true},
                             Step{"stop armed", kArmed, Stop, kArmed, false},
                             Step{"take armed capture", kArmed, TakeCapture, kMeters, true},
                             Step{"take running capture", kRunning, TakeCapture, kMeters, true},
                             Step{"take idle capture", kMeters, TakeCapture, kMeters, false},
                             Step{"take capture leaves trace", kTraceArmed, TakeCapture, kTraceArmed, false},
                             // An armed trigger is polled, so it counts as a running trace.
                             Step{"take armed trace", kTraceArmed, TakeTrace, RunState{}, true},
                             Step{"take running trace", kTraceRunning, TakeTrace, RunState{}, true},
                             Step{"take trace leaves capture", kRunning, TakeTrace, kRunning, false}));

TEST(RunState, TheCaptureNumberMovesOnOnlyWhenACaptureLeavesIdle) {
  CORUData store;
  auto set = [&](CaptureRun capture) { store.ExchangeRun([capture](RunState& run) { run.capture = capture; }); };
  const USHORT first = store.Run().captureNumber;
  set(CaptureRun::Armed);
  EXPECT_EQ(store.Run().captureNumber, first + 1);
  // Armed, running, armed again between the calls of one capture: the same capture.
  for (CaptureRun step : {CaptureRun::Running, CaptureRun::Armed, CaptureRun::Running}) set(step);
  EXPECT_EQ(store.Run().captureNumber, first + 1);
  set(CaptureRun::Idle);
  EXPECT_EQ(store.Run().captureNumber, first + 1);
  store.ExchangeRun([](RunState& run) { run.dtmf = true; });  // other activities leave it
  EXPECT_EQ(store.Run().captureNumber, first + 1);
  set(CaptureRun::Running);
  EXPECT_EQ(store.Run().captureNumber, first + 2);
}

TEST(RunState, AccessorsReadTheActivitiesAsTheirFlags) {
  EXPECT_TRUE(kTraceArmed.traceTriggerArmed());
  EXPECT_TRUE(kTraceArmed.traceRunning());
  EXPECT_FALSE(kTraceRunning.traceTriggerArmed());
  EXPECT_TRUE(kArmed.captureArmed() && !kArmed.captureRunning() && kArmed.anyArmedOrRunning());
  EXPECT_TRUE(kRunning.captureRunning() && !kRunning.captureArmed());
  EXPECT_FALSE(kMeters.anyArmedOrRunning());
  EXPECT_TRUE(kMeters.lineTestRunning() && kMeters.dtmfRunning() && kMeters.downloadRunning());
}

}  // namespace
