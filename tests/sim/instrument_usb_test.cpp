// The instrument through the device-model calls, the way the bus and the driver use them:
// descriptors, standard and vendor requests, commands in 64-byte pieces, replies as single
// packets, both pipe pairs, halts, the isochronous stream and port reset.

#include <gtest/gtest.h>

#include "SimTestSupport.h"
#include "sim/UsbDescriptors.h"

using namespace simtest;

namespace {

sim::InstrumentOptions stepped() {
  sim::InstrumentOptions o;
  o.clock.mode = sim::TimeMode::Stepped;
  return o;
}

class InstrumentUsb : public ::testing::Test {
 protected:
  void SetUp() override { configure(inst); }
  sim::Instrument inst{stepped()};
};

TEST(InstrumentDescriptors, DeviceAndConfiguration) {
  sim::Instrument inst(stepped());
  auto d = inst.deviceDescriptor();
  ASSERT_EQ(d.size(), 18u);
  EXPECT_EQ(d[0], 18);
  EXPECT_EQ(d[1], 1);
  EXPECT_EQ(d[7], 64);
  EXPECT_EQ(d[8] | d[9] << 8, 0x0452);
  EXPECT_EQ(d[10] | d[11] << 8, 0x0201);
  EXPECT_EQ(d[17], 1);

  auto c = inst.configurationDescriptor();
  ASSERT_EQ(c.size(), 60u);
  EXPECT_EQ(c[2] | c[3] << 8, 60);
  EXPECT_EQ(c[4], 1);  // interfaces
  EXPECT_EQ(c[9 + 1], 4);
  EXPECT_EQ(c[9 + 4], 6);  // endpoints
  struct Ep {
    uint8_t address, type;
    int maxPacket;
  };
  const Ep want[] = {{0x81, 2, 64}, {0x01, 2, 64}, {0x82, 2, 64}, {0x02, 2, 64}, {0x83, 1, 128}, {0x03, 1, 64}};
  for (int i = 0; i < 6; ++i) {
    const uint8_t* e = &c[18 + 7 * static_cast<size_t>(i)];
    EXPECT_EQ(e[0], 7);
    EXPECT_EQ(e[1], 5);
    EXPECT_EQ(e[2], want[i].address) << i;
    EXPECT_EQ(e[3] & 3, want[i].type) << i;
    EXPECT_EQ(e[4] | e[5] << 8, want[i].maxPacket) << i;
  }
}

TEST(InstrumentDescriptors, StandardRequests) {
  sim::Instrument inst(stepped());
  usb::SetupPacket get;
  get.bmRequestType = 0x80;
  get.bRequest = 0x06;
  get.wValue = 0x0200;
  get.wLength = 9;
  std::vector<uint8_t> in;
  EXPECT_EQ(inst.control(get, {}, in), usb::Handshake::Ack);
  EXPECT_EQ(in.size(), 9u);  // cut to wLength
  EXPECT_EQ(in[2], 60);
  get.wValue = 0x0302;
  get.wLength = 255;
  EXPECT_EQ(inst.control(get, {}, in), usb::Handshake::Ack);
  EXPECT_EQ(in.size(), 12u);  // "ORUpc" in UTF-16
  get.wValue = 0x0309;
  EXPECT_EQ(inst.control(get, {}, in), usb::Handshake::Stall);

  EXPECT_EQ(inst.configuration(), 0);
  configure(inst);
  EXPECT_EQ(inst.configuration(), 1);
  usb::SetupPacket bad;
  bad.bRequest = 0x09;
  bad.wValue = 2;
  EXPECT_EQ(inst.control(bad, {}, in), usb::Handshake::Stall);
}

TEST(InstrumentDescriptors, NothingMovesBeforeConfiguration) {
  sim::Instrument inst(stepped());
  const uint8_t vn[] = {'V', 'N'};
  EXPECT_EQ(inst.bulkOut(0x01, vn), usb::Handshake::Stall);
  std::vector<uint8_t> p;
  EXPECT_EQ(inst.bulkIn(0x81, 64, p), usb::Handshake::Stall);
  EXPECT_EQ(inst.isoIn(0x83, 1, 128, p), usb::Handshake::Stall);
  inst.setConfiguration(1);
  EXPECT_EQ(inst.bulkOut(0x01, vn), usb::Handshake::Ack);
  EXPECT_EQ(read(inst), "vn:V 1.0.8");
}

TEST_F(InstrumentUsb, ShortCommandAndSingleReply) {
  EXPECT_EQ(command(inst, "VN"), "vn:V 1.0.8");
  std::vector<uint8_t> p;
  EXPECT_EQ(inst.bulkIn(0x81, 64, p), usb::Handshake::Nak);  // one reply per command
  EXPECT_EQ(inst.transcript().commands(), (std::vector<std::string>{"VN"}));
  EXPECT_EQ(inst.transcript().replies(), (std::vector<std::string>{"vn:V 1.0.8"}));
}

TEST_F(InstrumentUsb, LongRecordArrivesInPiecesAndEndsWithItsLineEnd) {
  std::vector<uint8_t> data(40, 0xA5);
  std::string record = sRecord('2', 0x020000, 3, data);  // 94 bytes with CR LF
  std::string cmd = "DA:0:" + record;
  ASSERT_GT(cmd.size(), 64u);
  const auto* b = reinterpret_cast<const uint8_t*>(cmd.data());
  EXPECT_EQ(inst.bulkOut(0x01, std::span<const uint8_t>(b, 64)), usb::Handshake::Ack);
  EXPECT_EQ(inst.transcript().commands().size(), 0u);  // a full packet: more follows
  EXPECT_EQ(inst.bulkOut(0x01, std::span<const uint8_t>(b + 64, cmd.size() - 64)), usb::Handshake::Ack);
  EXPECT_EQ(read(inst), "da:2:1");
  EXPECT_EQ(inst.transcript().commands(), (std::vector<std::string>{cmd}));

  // Exactly two packets whose second ends with LF: complete without a third.
  std::string exact = "DA:0:" + sRecord('2', 0x020100, 3, std::vector<uint8_t>(57 - 7, 1));
  exact.resize(128 - 2);
  exact += "\r\n";
  ASSERT_EQ(exact.size(), 128u);
  EXPECT_TRUE(write(inst, exact));
  EXPECT_EQ(inst.transcript().commands().size(), 2u);
  EXPECT_EQ(read(inst), "da:e:2");  // cut short, so the record is malformed, but answered
}

TEST_F(InstrumentUsb, SixtyFourByteCommandWaitsForTheRead) {
  std::string cmd = "SC:7:1:8:0:9:0:13:0:14:0:16:0:17:0:3:3:4:4:5:5:6:6:12:1:1:123456";
  ASSERT_EQ(cmd.size(), 64u);
  EXPECT_TRUE(write(inst, cmd));
  EXPECT_TRUE(inst.transcript().commands().empty());
  EXPECT_EQ(read(inst), "sc");  // vendor request 4 ends it
  EXPECT_EQ(inst.transcript().commands().size(), 1u);

  // A zero-length packet ends it as well.
  EXPECT_TRUE(write(inst, cmd));
  EXPECT_EQ(inst.bulkOut(0x01, {}), usb::Handshake::Ack);
  std::vector<uint8_t> p;
  EXPECT_EQ(inst.bulkIn(0x81, 64, p), usb::Handshake::Ack);
  EXPECT_EQ(std::string(p.begin(), p.end()), "sc");
}

TEST_F(InstrumentUsb, SixtyFourByteReplyIsOneFullPacket) {
  inst.withFirmware([](sim::Firmware& fw) { fw.setVersion(std::string(61, 'x')); });
  ASSERT_TRUE(write(inst, "VN"));
  std::vector<uint8_t> p;
  EXPECT_EQ(inst.bulkIn(0x81, 64, p), usb::Handshake::Ack);
  EXPECT_EQ(p.size(), 64u);
  EXPECT_EQ(inst.bulkIn(0x81, 64, p), usb::Handshake::Nak);  // no zero-length packet

  sim::InstrumentOptions o = stepped();
  o.zeroLengthAfterFullReply = true;
  sim::Instrument zlp(o);
  configure(zlp);
  zlp.withFirmware([](sim::Firmware& fw) { fw.setVersion(std::string(61, 'x')); });
  ASSERT_TRUE(write(zlp, "VN"));
  EXPECT_EQ(zlp.bulkIn(0x81, 64, p), usb::Handshake::Ack);
  EXPECT_EQ(p.size(), 64u);
  EXPECT_EQ(zlp.bulkIn(0x81, 64, p), usb::Handshake::Ack);
  EXPECT_TRUE(p.empty());
  EXPECT_EQ(zlp.bulkIn(0x81, 64, p), usb::Handshake::Nak);
}

TEST_F(InstrumentUsb, UnreadReplyIsNeverMergedWithTheNext) {
  ASSERT_TRUE(write(inst, "SH:1"));  // its reply is left unread
  ASSERT_TRUE(write(inst, "VN"));
  EXPECT_EQ(read(inst, 0x81, 4096), "vn:V 1.0.8");
  EXPECT_EQ(inst.transcript().count(sim::TranscriptKind::ReplyDiscarded), 1u);
}

TEST_F(InstrumentUsb, VendorRequests) {
  ASSERT_TRUE(write(inst, "VN"));
  EXPECT_EQ(vendor(inst, 1, false), usb::Handshake::Ack);  // abort: the reply is gone
  std::vector<uint8_t> p;
  EXPECT_EQ(inst.bulkIn(0x81, 64, p), usb::Handshake::Nak);
  EXPECT_EQ(vendor(inst, 4, true), usb::Handshake::Ack);
  EXPECT_EQ(vendor(inst, 5, true), usb::Handshake::Ack);
  EXPECT_EQ(vendor(inst, 7, true), usb::Handshake::Stall);
  EXPECT_EQ(vendor(inst, 1, true), usb::Handshake::Stall);  // 1 is OUT only
  EXPECT_EQ(vendor(inst, 4, false), usb::Handshake::Stall);
  // Request 1 also drops a half-written command.
  std::string cmd(64, 'S');
  ASSERT_TRUE(write(inst, cmd));
  vendor(inst, 1, false);
  EXPECT_EQ(command(inst, "VN"), "vn:V 1.0.8");
  size_t vendors = inst.transcript().count(sim::TranscriptKind::Vendor);
  EXPECT_EQ(vendors, 8u);
}

TEST_F(InstrumentUsb, SecondPipePair) {
  ASSERT_TRUE(write(inst, "GC:7", 0x02));
  std::vector<uint8_t> p;
  EXPECT_EQ(inst.bulkIn(0x81, 64, p), usb::Handshake::Nak);
  EXPECT_EQ(read(inst, 0x82), "gc:1");
  EXPECT_EQ(inst.bulkOut(0x03, std::span<const uint8_t>()), usb::Handshake::Stall);
  EXPECT_EQ(inst.bulkIn(0x01, 64, p), usb::Handshake::Stall);
}

TEST_F(InstrumentUsb, HaltAndClear) {
  inst.stallEndpoint(0x81);
  ASSERT_TRUE(write(inst, "VN"));
  std::vector<uint8_t> p;
  EXPECT_EQ(inst.bulkIn(0x81, 64, p), usb::Handshake::Stall);
  usb::SetupPacket status;
  status.bmRequestType = 0x82;
  status.bRequest = 0x00;
  status.wIndex = 0x81;
  status.wLength = 2;
  std::vector<uint8_t> in;
  EXPECT_EQ(inst.control(status, {}, in), usb::Handshake::Ack);
  EXPECT_EQ(in, (std::vector<uint8_t>{1, 0}));
  usb::SetupPacket clear;
  clear.bmRequestType = usb::kRecipientEndpoint;
  clear.bRequest = usb::kRequestClearFeature;
  clear.wValue = usb::kFeatureEndpointHalt;
  clear.wIndex = 0x81;
  EXPECT_EQ(inst.control(clear, {}, in), usb::Handshake::Ack);
  EXPECT_FALSE(inst.halted(0x81));
  EXPECT_EQ(read(inst), "vn:V 1.0.8");  // the reply waited

  // Halt by SET_FEATURE, cleared by the bus's pipe reset; the isochronous OUT endpoint too.
  usb::SetupPacket set = clear;
  set.bRequest = usb::kRequestSetFeature;
  set.wIndex = 0x01;
  EXPECT_EQ(inst.control(set, {}, in), usb::Handshake::Ack);
  const uint8_t vn[] = {'V', 'N'};
  EXPECT_EQ(inst.bulkOut(0x01, vn), usb::Handshake::Stall);
  inst.clearHalt(0x01);
  EXPECT_EQ(inst.bulkOut(0x01, vn), usb::Handshake::Ack);
  clear.wIndex = 0x03;
  EXPECT_EQ(inst.control(clear, {}, in), usb::Handshake::Ack);
  clear.wIndex = 0x05;
  EXPECT_EQ(inst.control(clear, {}, in), usb::Handshake::Stall);
  EXPECT_GE(inst.transcript().count(sim::TranscriptKind::Stall), 3u);
}

TEST_F(InstrumentUsb, IsochronousStream) {
  std::vector<uint8_t> p;
  EXPECT_EQ(inst.isoIn(0x83, 10, 128, p), usb::Handshake::Ack);
  EXPECT_TRUE(p.empty());
  EXPECT_EQ(command(inst, "DM:1"), "dm");
  // A 2560-byte block: 20 frames of 128 bytes, counted 0..19.
  for (uint32_t f = 0; f < 20; ++f) {
    EXPECT_EQ(inst.isoIn(0x83, 500 + f, 128, p), usb::Handshake::Ack);
    ASSERT_EQ(p.size(), 128u);
    EXPECT_EQ(p[0], f);
  }
  EXPECT_EQ(inst.isoIn(0x03, 520, 64, p), usb::Handshake::Stall);
  inst.stallEndpoint(0x83);
  EXPECT_EQ(inst.isoIn(0x83, 521, 128, p), usb::Handshake::Stall);
  inst.clearHalt(0x83);
  EXPECT_EQ(command(inst, "DM:0"), "dm");
  EXPECT_EQ(inst.isoIn(0x83, 522, 128, p), usb::Handshake::Ack);
  EXPECT_TRUE(p.empty());
  inst.advance(1);  // the stream's start and stop reach the transcript
  EXPECT_GE(inst.transcript().count(sim::TranscriptKind::Stream), 1u);
}

TEST_F(InstrumentUsb, ResetReturnsToTheDefaultState) {
  EXPECT_EQ(command(inst, "DM:2"), "dm");
  ASSERT_TRUE(write(inst, "VN"));
  inst.stallEndpoint(0x82);
  inst.reset();
  EXPECT_EQ(inst.configuration(), 0);
  EXPECT_FALSE(inst.halted(0x82));
  configure(inst);
  std::vector<uint8_t> p;
  EXPECT_EQ(inst.bulkIn(0x81, 64, p), usb::Handshake::Nak);  // the unread reply is gone
  EXPECT_EQ(inst.isoIn(0x83, 1, 128, p), usb::Handshake::Ack);
  EXPECT_TRUE(p.empty());                    // the stream stopped
  EXPECT_EQ(command(inst, "CA:1"), "ca:2");  // the firmware itself kept going
}

TEST_F(InstrumentUsb, OverlongCommandIsRefused) {
  std::string cmd = "DA:0:S2" + std::string(700, '0') + "\r\n";
  EXPECT_TRUE(write(inst, cmd));
  EXPECT_EQ(read(inst), "er:3:DA");
  EXPECT_EQ(command(inst, "VN"), "vn:V 1.0.8");
}

}  // namespace
