// The fault hooks: dropped, delayed, late and garbled replies, damaged binary lines, unplugging
// mid-operation; and the data-ready callback that tells the bus a reply is waiting.

#include <gtest/gtest.h>

#include "SimTestSupport.h"
#include "sim/ScenarioLibrary.h"

using namespace simtest;

namespace {

class InstrumentFaults : public ::testing::Test {
 protected:
  static sim::InstrumentOptions options() {
    sim::InstrumentOptions o;
    o.clock.mode = sim::TimeMode::Stepped;
    return o;
  }
  void SetUp() override {
    configure(inst);
    inst.setDataReadyCallback([this](uint8_t ep) { ready.push_back(ep); });
  }
  sim::Instrument inst{options()};
  std::vector<uint8_t> ready;
};

TEST_F(InstrumentFaults, DataReadyForEveryReply) {
  EXPECT_EQ(command(inst, "VN"), "vn:V 1.0.8");
  ASSERT_TRUE(write(inst, "GC:7", 0x02));
  EXPECT_EQ(ready, (std::vector<uint8_t>{0x81, 0x82}));
}

TEST_F(InstrumentFaults, DroppedReply) {
  inst.withFaults([](sim::FaultPlan& f) { f.dropNextReply(); });
  EXPECT_EQ(command(inst, "VN"), std::nullopt);
  EXPECT_TRUE(ready.empty());
  EXPECT_EQ(inst.transcript().count(sim::TranscriptKind::ReplyDropped), 1u);
  EXPECT_EQ(command(inst, "VN"), "vn:V 1.0.8");  // only once
}

TEST_F(InstrumentFaults, DelayedReplyComesWhenItsTimeHasCome) {
  inst.withFaults([](sim::FaultPlan& f) { f.delayNextReply(ms(300)); });
  ASSERT_TRUE(write(inst, "TN"));
  EXPECT_EQ(read(inst), std::nullopt);
  inst.advance(ms(299));
  EXPECT_EQ(read(inst), std::nullopt);
  EXPECT_TRUE(ready.empty());
  inst.advance(ms(1));
  EXPECT_EQ(ready, (std::vector<uint8_t>{0x81}));
  EXPECT_EQ(read(inst), "tn:");
}

TEST_F(InstrumentFaults, DelayedReplyArrivingAfterTheNextCommand) {
  inst.withFaults([](sim::FaultPlan& f) { f.delayNextReply(ms(600)); });
  ASSERT_TRUE(write(inst, "GC:7"));
  inst.advance(ms(500));  // the host gives up and sends its next command
  EXPECT_EQ(command(inst, "VN"), "vn:V 1.0.8");
  inst.advance(ms(100));
  EXPECT_EQ(read(inst), "gc:1");  // the stale answer turns up on the next read
}

TEST_F(InstrumentFaults, LateReplyIsReadForTheNextCommand) {
  inst.withFaults([](sim::FaultPlan& f) { f.sendNextReplyLate(); });
  EXPECT_EQ(command(inst, "GC:7"), std::nullopt);
  EXPECT_EQ(command(inst, "VN"), "gc:1");
  EXPECT_EQ(command(inst, "TN"), "tn:");  // the unread "vn:" answer was thrown away
}

TEST_F(InstrumentFaults, GarbledReplies) {
  inst.withFaults([](sim::FaultPlan& f) { f.garbleNextReply(sim::Garble::Prefix); });
  EXPECT_EQ(command(inst, "VN"), "#n:V 1.0.8");
  inst.withFaults([](sim::FaultPlan& f) { f.garbleNextReply(sim::Garble::Truncate); });
  EXPECT_EQ(command(inst, "VN"), "vn:V ");
  inst.withFaults([](sim::FaultPlan& f) { f.garbleNextReply(sim::Garble::Noise); });
  EXPECT_EQ(command(inst, "VN"),
            "vn:v 1\x0e"
            "0.\x18");
}

TEST_F(InstrumentFaults, BrokenBinaryLines) {
  sim::StoredSession s;
  s.used = true;
  s.name = "CONNECT 9600";
  s.rate = 9600;
  for (int i = 0; i < 40; ++i) s.bytes.push_back(sim::stampByte(i * 1000, static_cast<uint8_t>(i), 0));
  inst.withFirmware([&](sim::Firmware& fw) { fw.memory().setSession(2, s); });
  EXPECT_EQ(command(inst, "RD:2"), "rd:0:CONNECT 9600:01/01/24:00:00:00");
  inst.withFaults([](sim::FaultPlan& f) { f.breakNextBinaryLine(sim::BinaryFault::BadCount); });
  auto bad = command(inst, "RD");
  ASSERT_TRUE(bad.has_value());
  EXPECT_EQ((*bad)[3], 16);
  EXPECT_EQ(bad->size(), 64u);
  inst.withFaults([](sim::FaultPlan& f) { f.breakNextBinaryLine(sim::BinaryFault::MissingRecords); });
  auto shortLine = command(inst, "RD");
  EXPECT_EQ((*shortLine)[3], 15);
  EXPECT_EQ(shortLine->size(), 60u);
  inst.withFaults([](sim::FaultPlan& f) { f.breakNextBinaryLine(sim::BinaryFault::CutRecord); });
  auto cut = command(inst, "RD");
  EXPECT_EQ((*cut)[3], 10);
  EXPECT_EQ(cut->size(), 42u);
  EXPECT_EQ(command(inst, "RD"), "rd:2");
  // The fault waits for a binary line; text replies pass untouched.
  inst.withFaults([](sim::FaultPlan& f) { f.breakNextBinaryLine(sim::BinaryFault::BadCount); });
  EXPECT_EQ(command(inst, "VN"), "vn:V 1.0.8");
}

TEST_F(InstrumentFaults, UnplugMidDownload) {
  int unplugs = 0;
  inst.setUnplugHandler([&] { ++unplugs; });
  inst.withFaults([](sim::FaultPlan& f) { f.unplugOnCommand("RD", 3); });
  EXPECT_EQ(command(inst, "RD:1").value_or("").substr(0, 5), "rd:0:");
  EXPECT_EQ(command(inst, "RD").value_or("").substr(0, 5), "rd:1:");
  EXPECT_EQ(unplugs, 0);
  EXPECT_EQ(command(inst, "RD"), std::nullopt);
  EXPECT_EQ(unplugs, 1);
  EXPECT_TRUE(inst.unplugged());
  const uint8_t vn[] = {'V', 'N'};
  EXPECT_EQ(inst.bulkOut(0x01, vn), usb::Handshake::Nak);
  std::vector<uint8_t> p;
  EXPECT_EQ(inst.bulkIn(0x81, 64, p), usb::Handshake::Nak);
  EXPECT_EQ(inst.transcript().count(sim::TranscriptKind::Unplug), 1u);
  // Plugged in again: the bus resets the port and configures it.
  inst.reset();
  configure(inst);
  EXPECT_EQ(command(inst, "VN"), "vn:V 1.0.8");
}

TEST_F(InstrumentFaults, UnplugDuringTheStream) {
  int unplugs = 0;
  inst.setUnplugHandler([&] { ++unplugs; });
  EXPECT_EQ(command(inst, "DM:1"), "dm");
  inst.withFaults([](sim::FaultPlan& f) { f.unplugAfterIsoPackets(5); });
  std::vector<uint8_t> p;
  for (uint32_t f = 0; f < 5; ++f) {
    EXPECT_EQ(inst.isoIn(0x83, f, 128, p), usb::Handshake::Ack);
    EXPECT_EQ(p.size(), 128u);
  }
  EXPECT_EQ(unplugs, 1);
  EXPECT_EQ(inst.isoIn(0x83, 5, 128, p), usb::Handshake::Ack);
  EXPECT_TRUE(p.empty());
}

TEST_F(InstrumentFaults, TranscriptTellsTheWholeExchange) {
  vendor(inst, 1, false);
  EXPECT_EQ(command(inst, "CA:2"), "ca:4");
  auto entries = inst.transcript().entries();
  std::vector<sim::TranscriptKind> kinds;
  for (const auto& e : entries) kinds.push_back(e.kind);
  using K = sim::TranscriptKind;
  EXPECT_EQ(kinds, (std::vector<K>{K::Standard, K::Configuration, K::Vendor, K::Command, K::Reply, K::Vendor}));
  EXPECT_EQ(entries[3].endpoint, 0x01);
  EXPECT_EQ(entries[4].endpoint, 0x81);
  EXPECT_NE(inst.transcript().text().find("0x81 ca:4"), std::string::npos) << inst.transcript().text();
}

}  // namespace
