// Synchronous traffic: the line bytes of the HDLC scenario de-stuff back to its frames, with
// good check sequences, in both directions; and the encoder's bit stuffing itself.

#include <gtest/gtest.h>

#include "SimTestSupport.h"
#include "sim/HdlcEncoder.h"
#include "sim/ScenarioLibrary.h"

using namespace simtest;

namespace {

TEST(Hdlc, CheckSequenceIsCrc16X25) {
  const uint8_t text[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
  EXPECT_EQ(sim::HdlcEncoder::checkSequence(text), 0x906E);  // the CRC-16/X.25 check value
}

TEST(Hdlc, StuffsAZeroAfterFiveOnes) {
  sim::HdlcEncoder enc;
  const uint8_t payload[] = {0xFF};
  auto line = enc.frame(payload);
  // No run of six ones between the flags: find none outside the two flags.
  int ones = 0, longest = 0;
  for (size_t i = 8; i < line.size() * 8 - 8; ++i) {
    bool bit = (line[i / 8] >> (i % 8)) & 1;
    ones = bit ? ones + 1 : 0;
    longest = std::max(longest, ones);
  }
  EXPECT_LE(longest, 6);  // five data ones, or the closing flag's six
  auto frames = destuff(line);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].payload, (std::vector<uint8_t>{0xFF}));
  EXPECT_TRUE(frames[0].goodCheck);
}

TEST(Hdlc, ConsecutiveFramesStayOneBitStream) {
  sim::HdlcEncoder enc;
  std::vector<uint8_t> stream;
  std::vector<std::vector<uint8_t>> sent = {{0x01, 0x3F}, {0x7E, 0x7D, 0xFF, 0xFF}, {0x1F}, {0x00, 0x00, 0x00}};
  for (auto& f : sent) {
    auto bytes = enc.frame(f);
    stream.insert(stream.end(), bytes.begin(), bytes.end());
  }
  auto frames = destuff(stream);
  ASSERT_EQ(frames.size(), sent.size());
  for (size_t i = 0; i < sent.size(); ++i) {
    EXPECT_EQ(frames[i].payload, sent[i]);
    EXPECT_TRUE(frames[i].goodCheck);
  }
}

TEST(Hdlc, SyncScenarioLineBytesDestuffToItsFrames) {
  auto scenario = *sim::builtinScenario("hdlc-sync");
  sim::Firmware fw;
  fw.loadScenario(scenario, 0);
  Micros now = 0;
  CaptureRun run = runCapture(fw, now, ms(20), sec(10));
  EXPECT_EQ(run.connectReply, "ca:0:CONNECT 9600/SYNC");
  EXPECT_EQ(run.endReply, "ca:1:9");
  for (const std::string& line : run.lines) EXPECT_EQ(line.substr(0, 3), "ca#");

  for (auto dir : {sim::Direction::Originate, sim::Direction::Answer}) {
    std::vector<uint8_t> line;
    for (const Record& r : run.records) {
      if (((r.attr & 0x80) != 0) == (dir == sim::Direction::Answer)) line.push_back(r.data);
    }
    std::vector<std::vector<uint8_t>> expected;
    for (const auto& item : scenario.calls[0].items) {
      if (item.dir == dir) expected.push_back(item.bytes);
    }
    auto frames = destuff(line);
    ASSERT_EQ(frames.size(), expected.size());
    for (size_t i = 0; i < frames.size(); ++i) {
      EXPECT_EQ(frames[i].payload, expected[i]) << "frame " << i;
      EXPECT_TRUE(frames[i].goodCheck) << "frame " << i;
    }
  }
}

}  // namespace
