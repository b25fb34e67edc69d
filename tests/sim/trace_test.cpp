// The triggered signal trace on the call-progress scenario: each trigger type fires where the
// line's events put it, the samples arrive as they are taken, and the finished trace is kept.

#include <gtest/gtest.h>

#include <algorithm>

#include "SimTestSupport.h"
#include "sim/ScenarioLibrary.h"

using namespace simtest;

namespace {

struct TraceRun {
  std::vector<int> samples;
  std::vector<std::string> replies;
  std::string last;
};

// Polls "TC:1" every `step` until the trace ends, as the PC's scope polling does.
TraceRun poll(sim::Firmware& fw, Micros& now, Micros step, Micros limit) {
  TraceRun run;
  while (now < limit) {
    now += step;
    std::string r = fw.execute("TC:1", now);
    run.replies.push_back(r);
    EXPECT_LE(r.size(), 64u);
    if (r == "tc:0" || r == "tc:1") continue;
    if (r.rfind("tc:1:", 0) == 0) {
      size_t p = 5;
      while (p < r.size()) {
        size_t c = r.find(':', p);
        EXPECT_NE(c, std::string::npos) << r;
        if (c == std::string::npos) break;
        run.samples.push_back(std::stoi(r.substr(p, c - p)));
        p = c + 1;
      }
      continue;
    }
    run.last = r;
    break;
  }
  return run;
}

class TraceTest : public ::testing::Test {
 protected:
  void SetUp() override { fw.loadScenario(*sim::builtinScenario("call-progress"), 0); }
  void arm(const std::string& config) {
    ASSERT_EQ(fw.execute(config, now), "sc");
    ASSERT_EQ(fw.execute("TC:0:1:1000", now), "tc:0");
  }
  sim::Firmware fw;
  Micros now = 0;
};

TEST_F(TraceTest, DialToneTriggerOnTheAcRange) {
  arm("SC:13:0:16:2:17:0");  // dial tone, 1.5 V AC p-p, 5 s
  EXPECT_EQ(fw.execute("TC:1", sec(0.5)), "tc:0");
  now = sec(0.5);
  TraceRun run = poll(fw, now, ms(50), sec(20));
  EXPECT_EQ(run.last, "tc:2");
  EXPECT_EQ(fw.execute("TC:1", now), "tc:2");
  ASSERT_EQ(run.samples.size(), 1000u);
  // Dial tone starts at 1.0 s and is detected 100 ms later; the trace starts then.
  EXPECT_EQ(run.replies[size_t(ms(1100) - ms(500)) / size_t(ms(50)) - 1].substr(0, 5), "tc:1:");
  // 350 + 440 Hz at 0.49 V p-p each: within +-0.49 V, i.e. +-98 units of 0.005 V.
  auto [lo, hi] = std::minmax_element(run.samples.begin(), run.samples.begin() + 380);
  EXPECT_LT(*lo, -60);
  EXPECT_GT(*hi, 60);
  EXPECT_GE(*lo, -100);
  EXPECT_LE(*hi, 100);
  // The tone stops at 3.0 s (sample 380); the digits follow at 3.2 s.
  for (size_t i = 382; i < 418; ++i) EXPECT_NEAR(run.samples[i], 0, 2) << i;

  // The finished trace is stored trace 1.
  std::string th = fw.execute("TH:1", now);
  std::string tail = "::0000:0000:0:0002:0000:0001";  // no digits, dial tone, range 2, span 0, line 1
  EXPECT_EQ(th.substr(th.size() - tail.size()), tail);
  EXPECT_EQ(fw.memory().trace(1).samples, run.samples);
}

TEST_F(TraceTest, DtmfDigitsTrigger) {
  ASSERT_EQ(fw.execute("ST:5551234", now), "st");
  arm("SC:13:1:16:2:17:1");
  TraceRun run = poll(fw, now, ms(100), sec(30));
  EXPECT_EQ(run.last, "tc:2");
  // "18005551234" from 3.2 s, 80 ms on and off: the final 4 sounds at 4.8 s, decoded at 4.84 s.
  EXPECT_EQ(fw.trace().state(), sim::TraceEngine::State::Idle);
  const sim::StoredTrace& t = fw.memory().trace(1);
  EXPECT_EQ(t.digits, "5551234");
  EXPECT_EQ(t.when.second, 4);  // the clock started at 08:00:00
  EXPECT_EQ(run.samples.size(), 1000u);
  int big = 0;
  for (int i = 0; i < 4; ++i) big = std::max(big, std::abs(run.samples[size_t(i)]));
  EXPECT_GT(big, 20);  // the 4 still sounds for the first samples
}

TEST_F(TraceTest, TriggerInstants) {
  Micros scan = 0;
  sim::TraceSetup setup;
  setup.triggerType = 1;
  setup.digits = "5551234";
  EXPECT_EQ(fw.trace().findTrigger(setup, 0, sec(30), scan), ms(4840));
  setup.digits = "-1";  // no digits: the first digit
  EXPECT_EQ(fw.trace().findTrigger(setup, 0, sec(30), scan), ms(3240));
  setup.triggerType = 0;
  EXPECT_EQ(fw.trace().findTrigger(setup, 0, sec(30), scan), ms(1100));
  EXPECT_EQ(fw.trace().findTrigger(setup, ms(2000), sec(30), scan), ms(2000) + ms(100));  // already sounding
  EXPECT_EQ(fw.trace().findTrigger(setup, ms(3500), sec(30), scan), std::nullopt);
  setup.triggerType = 2;
  setup.ringbacks = 2;  // ring-back from 5.5 s, 2 s on 4 s off
  EXPECT_EQ(fw.trace().findTrigger(setup, 0, sec(30), scan), ms(11600));
  EXPECT_EQ(fw.trace().findTrigger(setup, 0, sec(11.5), scan), std::nullopt);
  setup.triggerType = 3;
  setup.scale = 0;
  setup.level = -50;  // -30 V on the 60 V range; the line leaves -48 V at 1.0 s
  scan = 0;
  auto t = fw.trace().findTrigger(setup, 0, sec(30), scan);
  ASSERT_TRUE(t.has_value());
  EXPECT_GE(*t, ms(1010));
  EXPECT_LE(*t, ms(1016));
  // Repeating scenario: the next round's dial tone.
  setup.triggerType = 0;
  EXPECT_EQ(fw.trace().findTrigger(setup, sec(35), sec(60), scan), sec(41.1));
}

TEST_F(TraceTest, VoltageTriggerOnTheDcRange) {
  arm("SC:13:3:15:65486:16:0:17:3");  // voltage, level -50 %, 60 V DC, 20 s
  TraceRun run = poll(fw, now, ms(200), sec(40));
  EXPECT_EQ(run.last, "tc:2");
  ASSERT_EQ(run.samples.size(), 1000u);
  // 0.1 V a unit: the trace starts near -30 V and settles at the off-hook -7.8 V; the line
  // hangs up at 22 s (sample 1049, beyond the trace).
  EXPECT_NEAR(run.samples[0], -300, 30);
  EXPECT_NEAR(run.samples[5], -78, 7);  // dial tone rides on the loop voltage
  EXPECT_NEAR(run.samples[999], -78, 4);
  EXPECT_EQ(fw.memory().trace(1).voltageLevel, -50);
}

TEST_F(TraceTest, AbortAndMalformed) {
  arm("SC:13:2:14:1");
  EXPECT_EQ(fw.execute("TC:2", sec(1)), "tc:3");
  EXPECT_EQ(fw.execute("TC:1", sec(20)), "tc:3");  // nothing armed any more
  EXPECT_EQ(fw.execute("TC:0:4:1000", 0), "er:2:TC");
  EXPECT_EQ(fw.execute("TC:0:1:0", 0), "er:2:TC");
  EXPECT_EQ(fw.execute("TC:0:1:1001", 0), "er:2:TC");
  EXPECT_EQ(fw.execute("TC:3", 0), "er:2:TC");
}

TEST_F(TraceTest, SamplesArriveAsTheyAreTaken) {
  arm("SC:13:0:16:2:17:4");  // dial tone, 60 s span: a sample every 60 ms
  EXPECT_EQ(fw.execute("TC:1", sec(1.05)), "tc:0");
  std::string first = fw.execute("TC:1", sec(1.1));  // triggered: exactly one sample taken
  EXPECT_EQ(std::count(first.begin(), first.end(), ':'), 3) << first;
  EXPECT_EQ(fw.execute("TC:1", sec(1.15)), "tc:1");  // none new yet
  std::string next = fw.execute("TC:1", sec(1.2));
  EXPECT_EQ(std::count(next.begin(), next.end(), ':'), 3) << next;  // one more
}

}  // namespace
