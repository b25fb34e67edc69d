// Each capture scenario run to its end on the firmware, polled as the PC polls: the replies
// in order, every byte as rendered, and what the bytes mean (parity, modem events, the
// seconds counter).

#include <gtest/gtest.h>

#include "SimTestSupport.h"
#include "sim/ScenarioLibrary.h"

using namespace simtest;

namespace {

struct Loaded {
  sim::Firmware fw;
  sim::Scenario scenario;
  explicit Loaded(const char* name) : scenario(*sim::builtinScenario(name)) { fw.loadScenario(scenario, 0); }
  std::vector<Record> rendered(size_t call) const { return records(sim::renderCall(scenario.calls.at(call)).bytes); }
};

TEST(ScenarioRuns, V22bisCallEndsWithCodeNine) {
  Loaded s("v22bis-async");
  Micros now = 0;
  CaptureRun run = runCapture(s.fw, now, ms(20), sec(30));
  EXPECT_EQ(run.armReply, "ca:0");
  EXPECT_EQ(run.connectReply, "ca:0:CONNECT 2400");
  EXPECT_EQ(run.endReply, "ca:1:9");
  EXPECT_EQ(s.fw.execute("TN", now), "tn:NO CARRIER");
  EXPECT_EQ(s.fw.execute("CA:1", now), "ca:2");
  EXPECT_EQ(run.records, s.rendered(0));
  for (const std::string& line : run.lines) EXPECT_EQ(line.substr(0, 5), "ca:1:");  // text at 2400

  std::string answer, originate;
  for (const Record& r : run.records) (r.attr & 0x80 ? answer : originate).push_back(static_cast<char>(r.data));
  EXPECT_NE(answer.find("Welcome to the Harbor Light BBS"), std::string::npos);
  EXPECT_EQ(originate, "guest\rvisitor\rG\r");
  // Bytes follow at the line rate: 2400 bit/s, 10 bits a byte, 4.17 ms apart.
  const sim::CallScript& call = s.scenario.calls[0];
  auto bytes = sim::renderCall(call).bytes;
  EXPECT_NEAR(static_cast<double>(bytes[1].at - bytes[0].at), 4166.7, 1.0);
  EXPECT_EQ(run.endedAt, call.at + call.endOffset);
}

TEST(ScenarioRuns, SevenE1CallCarriesParityErrors) {
  Loaded s("parity-7e1");
  Micros now = 0;
  CaptureRun run = runCapture(s.fw, now, ms(50), sec(10));
  EXPECT_EQ(run.endReply, "ca:1:9");
  ASSERT_EQ(run.records, s.rendered(0));
  // "AB1234\r" with errors at 2 and 5: their parity bit makes the byte odd.
  std::vector<int> odd;
  std::string text;
  for (const Record& r : run.records) {
    if (r.attr & 0x80) continue;
    int ones = __builtin_popcount(r.data);
    if (ones % 2) odd.push_back(static_cast<int>(text.size()));
    text.push_back(static_cast<char>(r.data & 0x7F));
  }
  EXPECT_EQ(text, "AB1234\rSTATUS\rBYE\r");
  EXPECT_EQ(odd, (std::vector<int>{2, 5}));
  EXPECT_EQ(run.records.front().data, 'E' | 0x80);  // 'E' has an odd count of ones: parity bit set
}

TEST(ScenarioRuns, V32bisCallReportsModemEventsInPairs) {
  Loaded s("v32bis-events");
  Micros now = 0;
  CaptureRun run = runCapture(s.fw, now, ms(10), sec(20));
  EXPECT_EQ(run.connectReply, "ca:0:CONNECT 14400");
  EXPECT_EQ(run.endReply, "ca:1:9");
  EXPECT_EQ(run.records, s.rendered(0));
  for (const std::string& line : run.lines) EXPECT_EQ(line.substr(0, 3), "ca#");  // binary above 2400

  std::vector<uint16_t> words;
  for (size_t i = 0; i < run.records.size(); ++i) {
    if (!(run.records[i].attr & 0x40)) continue;
    ASSERT_LT(i + 1, run.records.size());
    ASSERT_TRUE(run.records[i + 1].attr & 0x40);
    words.push_back(static_cast<uint16_t>(run.records[i].data << 8 | run.records[i + 1].data));
    ++i;
  }
  ASSERT_EQ(words.size(), 11u);
  EXPECT_EQ(words[0], 0x2003);   // class 1 "2100Hz detected", state 3 "transmit 2100 AnsTone"
  EXPECT_EQ(words[2], 0x7C54);   // class 3 R1, rate 7 "14400 V.32bis", SNR 5, rate negotiation
  EXPECT_EQ(words[6], 0xFC7F);   // class 7 R5, SNR 7 "very good", state 15 "14400bps V.32bis"
  EXPECT_EQ(words[10], 0x5022);  // class 2 code 4 "carrier lost"
}

TEST(ScenarioRuns, TwoCallsBackToBackAsMultipleSessions) {
  Loaded s("two-calls");
  Micros now = 0;
  CaptureRun first = runCapture(s.fw, now, ms(20), sec(20));
  EXPECT_EQ(first.connectReply, "ca:0:CONNECT 2400");
  EXPECT_EQ(first.endReply, "ca:1:9");
  // The PC's multiple-session sequence: stop, closing text, arm again.
  now += ms(200);
  EXPECT_EQ(s.fw.execute("CA:2", now), "ca:4");
  now += ms(200);
  EXPECT_EQ(s.fw.execute("TN", now), "tn:NO CARRIER");
  now += ms(200);
  CaptureRun second = runCapture(s.fw, now, ms(20), sec(20));
  EXPECT_EQ(second.connectReply, "ca:0:CONNECT 1200");
  EXPECT_EQ(second.endReply, "ca:1:9");
  EXPECT_EQ(first.records, s.rendered(0));
  EXPECT_EQ(second.records, s.rendered(1));
}

TEST(ScenarioRuns, EveryErrorEnd) {
  Loaded s("error-ends");
  Micros now = 0;
  for (int code = 0; code <= 5; ++code) {
    CaptureRun run = runCapture(s.fw, now, ms(100), sec(100));
    EXPECT_EQ(run.connectReply, "");
    EXPECT_EQ(run.endReply, "ce:" + std::to_string(code));
    EXPECT_TRUE(run.records.empty());
    EXPECT_EQ(s.fw.execute("CA:1", now), "ca:2");
  }
  EXPECT_EQ(now, sec(82.0));  // the last attempt gives up after 30 s without an answer
}

TEST(ScenarioRuns, LongCallWrapsTheSecondsCounter) {
  Loaded s("long-call");
  Micros now = 0;
  CaptureRun run = runCapture(s.fw, now, ms(250), sec(300));
  EXPECT_EQ(run.endReply, "ca:1:9");
  EXPECT_EQ(run.records, s.rendered(0));
  // Rebuild the time of each byte from its 6-bit counter, as the PC does.
  int wraps = 0;
  int last = -1;
  double t = 0;
  for (const Record& r : run.records) {
    int counter = r.attr & 0x3F;
    if (counter < last) ++wraps;
    last = counter;
    t = wraps * 64 + counter + r.fraction / 10000.0;
  }
  EXPECT_EQ(wraps, 4);
  EXPECT_NEAR(t, 270.5 + 16 * 10.0 / 2400, 0.001);  // the last byte of "SESSION CLOSED\r\n"
}

TEST(ScenarioRuns, StoppingACallKeepsWhatWasCaptured) {
  Loaded s("v22bis-async");
  Micros now = 0;
  EXPECT_EQ(s.fw.execute("CA:0", now), "ca:0");
  EXPECT_EQ(s.fw.execute("CA:1", sec(13)), "ca:0:CONNECT 2400");
  EXPECT_EQ(s.fw.execute("CA:0", sec(13)), "er:4:CA");  // already running
  EXPECT_EQ(s.fw.execute("CA:2", sec(14)), "ca:4");
  EXPECT_EQ(s.fw.execute("TN", sec(14)), "tn:CAPTURE STOPPED");
  size_t expected = 0;
  for (const auto& b : sim::renderCall(s.scenario.calls[0]).bytes) expected += b.at <= sec(1.5);
  EXPECT_EQ(s.fw.memory().session(1).bytes.size(), expected);
  EXPECT_GT(expected, 10u);
  EXPECT_EQ(s.fw.execute("CA:1", sec(14)), "ca:2");
}

TEST(ScenarioRuns, ArmingAfterACallStartedWaitsForTheNextOne) {
  Loaded s("call-progress");  // no calls at all: the capture keeps waiting
  EXPECT_EQ(s.fw.execute("CA:0", 0), "ca:0");
  EXPECT_EQ(s.fw.execute("CA:1", sec(100)), "ca:3");
  Loaded v("v22bis-async");
  EXPECT_EQ(v.fw.execute("CA:0", sec(13)), "ca:0");  // the call connected at 12.5 s
  EXPECT_EQ(v.fw.execute("CA:1", sec(60)), "ca:3");
}

}  // namespace
