// The instrument's time: per-command stepping drives the line from the host's own polling,
// and in real time the firmware thread releases a delayed reply and tells the bus, with the
// thread gone when the instrument is.

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

#include "SimTestSupport.h"
#include "sim/ScenarioLibrary.h"

using namespace simtest;

namespace {

TEST(InstrumentClock, SteppedTimeMovesOnlyWhenAdvanced) {
  sim::InstrumentOptions o;
  o.clock.mode = sim::TimeMode::Stepped;
  sim::Instrument inst(o);
  configure(inst);
  EXPECT_EQ(inst.now(), 0);
  EXPECT_EQ(command(inst, "VN"), "vn:V 1.0.8");
  EXPECT_EQ(inst.now(), 0);
  inst.advance(sec(2));
  EXPECT_EQ(inst.now(), sec(2));
  EXPECT_EQ(command(inst, "GR"), "gr:01:15:24:08:00:02");
}

TEST(InstrumentClock, PerCommandTimeFollowsTheHostsPolling) {
  sim::InstrumentOptions o;
  o.clock.mode = sim::TimeMode::PerCommand;
  o.clock.perCommand = ms(20);
  o.scenario = "b300";
  sim::Instrument inst(o);
  configure(inst);
  EXPECT_EQ(command(inst, "CA:0"), "ca:0");
  std::string r;
  int polls = 0;
  std::vector<Record> got;
  while (polls < 1000) {
    ++polls;
    r = command(inst, "CA:1").value_or("");
    if (auto recs = decodeLine(r))
      got.insert(got.end(), recs->begin(), recs->end());
    else if (r != "ca:3" && r != "ca:1" && r.rfind("ca:0:", 0) != 0)
      break;
  }
  EXPECT_EQ(r, "ca:1:9");
  // The call ends 3.0 s in: 150 commands of 20 ms.
  EXPECT_EQ(polls, 149);
  EXPECT_EQ(inst.now(), sec(3.0));
  auto scenario = *sim::builtinScenario("b300");
  EXPECT_EQ(got, records(sim::renderCall(scenario.calls[0]).bytes));
}

TEST(InstrumentClock, RealTimeThreadReleasesADelayedReply) {
  sim::InstrumentOptions o;
  o.clock.speed = 1000;  // a second of instrument time per millisecond
  std::mutex m;
  std::condition_variable cv;
  int readyCount = 0;
  {
    sim::Instrument inst(o);
    configure(inst);
    inst.setDataReadyCallback([&](uint8_t) {
      std::lock_guard lock(m);
      ++readyCount;
      cv.notify_all();
    });
    inst.withFaults([](sim::FaultPlan& f) { f.delayNextReply(sec(5)); });
    ASSERT_TRUE(write(inst, "VN"));
    {
      std::unique_lock lock(m);
      // Only fails on a real hang: the thread must release the reply by itself.
      ASSERT_TRUE(cv.wait_for(lock, std::chrono::seconds(20), [&] { return readyCount > 0; }));
    }
    EXPECT_GE(inst.now(), sec(5));
    EXPECT_EQ(read(inst), "vn:V 1.0.8");
  }  // the destructor stops and joins the firmware thread
  EXPECT_EQ(readyCount, 1);
}

TEST(InstrumentClock, RealTimeLineMovesOnItsOwn) {
  sim::InstrumentOptions o;
  o.clock.speed = 1;
  o.scenario = "volt-meter";
  o.instantVoltMeter = true;
  sim::Instrument inst(o);
  configure(inst);
  inst.advance(sec(1));  // skip ahead rather than wait
  EXPECT_GE(inst.now(), sec(1));
  EXPECT_EQ(command(inst, "VM:1:0"), "vm:DC -48.0 V:ON HOOK:AC 0.00 Vpp");
}

// In real time a reading is ready once its measuring time has passed, so the host's unpaced
// loop runs at the meter's pace; the instant option answers at once.
TEST(InstrumentClock, RealTimeVoltMeterAnswersWhenItHasMeasured) {
  for (bool instant : {false, true}) {
    sim::InstrumentOptions o;
    o.clock.speed = 1;
    o.scenario = "volt-meter";
    o.instantVoltMeter = instant;
    std::mutex m;
    std::condition_variable cv;
    int readyCount = 0;
    sim::Instrument inst(o);
    configure(inst);
    inst.advance(sec(1));
    inst.setDataReadyCallback([&](uint8_t) {
      std::lock_guard lock(m);
      ++readyCount;
      cv.notify_all();
    });
    const Micros asked = inst.now();
    ASSERT_TRUE(write(inst, "VM:1:0"));
    const sim::TranscriptEntry last = inst.transcript().entries().back();
    EXPECT_EQ(last.kind, instant ? sim::TranscriptKind::Reply : sim::TranscriptKind::ReplyHeld) << instant;
    {
      std::unique_lock lock(m);
      // Only fails on a real hang.
      ASSERT_TRUE(cv.wait_for(lock, std::chrono::seconds(20), [&] { return readyCount > 0; }));
    }
    if (!instant) {
      EXPECT_GE(inst.now() - asked, sim::VoltMeter::kMeasuringTime);
    }
    EXPECT_EQ(read(inst), "vm:DC -48.0 V:ON HOOK:AC 0.00 Vpp") << instant;
  }
}

}  // namespace
