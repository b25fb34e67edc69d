// The firmware's command interpreter driven directly: reply bytes of the configuration, text,
// clock, version and firmware-download commands, and the error replies.

#include <gtest/gtest.h>

#include "SimTestSupport.h"
#include "sim/Firmware.h"

using namespace simtest;

namespace {

TEST(FirmwareCommands, VersionAndMalformedCommands) {
  sim::Firmware fw;
  EXPECT_EQ(fw.execute("VN", 0), "vn:V 1.0.8");
  fw.setVersion("V 1.0.12");
  EXPECT_EQ(fw.execute("VN", 0), "vn:V 1.0.12");

  EXPECT_EQ(fw.execute("XY", 0), "er:1:XY");
  EXPECT_EQ(fw.execute("ca:1", 0), "er:1:??");
  EXPECT_EQ(fw.execute("CAX", 0), "er:1:CA");
  EXPECT_EQ(fw.execute("", 0), "er:1:??");
  EXPECT_EQ(fw.execute(std::string("\xFF\x00\x13", 3), 0), "er:1:??");
  EXPECT_EQ(fw.execute("CA:9", 0), "er:2:CA");
  EXPECT_EQ(fw.execute("CA", 0), "er:2:CA");
  EXPECT_EQ(fw.execute("VN:1", 0), "er:2:VN");
  EXPECT_EQ(fw.execute("GE", 0), "ge:2");
  EXPECT_EQ(fw.execute("GE", 0), "ge:0");
  // A line end after a command is tolerated.
  EXPECT_EQ(fw.execute("VN\r\n", 0), "vn:V 1.0.12");
}

TEST(FirmwareCommands, SetAndGetConfigurationItems) {
  sim::Firmware fw;
  EXPECT_EQ(fw.execute("SC:7:2:8:0:9:1", 0), "sc");
  EXPECT_EQ(fw.execute("GC:7:8:9", 0), "gc:2:0:1");
  EXPECT_EQ(fw.execute("GC:9:7", 0), "gc:1:2");  // in the order asked for
  EXPECT_EQ(fw.execute("GC:18:19", 0), "gc:0.005:-0.1");

  // The trace control's masks: trigger, ring-backs, level (low 16 bits of -25), range, span.
  EXPECT_EQ(fw.execute("SC:13:2:14:3:15:65511:16:1:17:4", 0), "sc");
  EXPECT_EQ(fw.execute("GC:13:14:15:16:17", 0), "gc:2:3:-25:1:4");

  // All or nothing: one bad pair changes nothing.
  EXPECT_EQ(fw.execute("SC:7:3:42:1", 0), "er:2:SC");
  EXPECT_EQ(fw.execute("SC:7:3:8:2", 0), "er:2:SC");
  EXPECT_EQ(fw.execute("GC:7", 0), "gc:2");
  EXPECT_EQ(fw.execute("SC:7", 0), "er:2:SC");
  EXPECT_EQ(fw.execute("SC:7:x", 0), "er:2:SC");
  EXPECT_EQ(fw.execute("GC", 0), "er:2:GC");
  EXPECT_EQ(fw.execute("GC:42", 0), "er:2:GC");
  EXPECT_EQ(fw.execute("SC:4:1:5:2:6:9", 0), "sc");
  EXPECT_EQ(fw.execute("GC:4:5:6", 0), "gc:1:2:9");
}

TEST(FirmwareCommands, TriggerTextAndInterceptMode) {
  sim::Firmware fw;
  EXPECT_EQ(fw.execute("ST:5551234", 0), "st");
  EXPECT_EQ(fw.execute("GT", 0), "gt:5551234");
  EXPECT_EQ(fw.execute("ST:", 0), "st");
  EXPECT_EQ(fw.execute("GT", 0), "gt:");
  EXPECT_EQ(fw.execute("ST:0123456789ABCDEF", 0), "er:2:ST");  // 16 characters
  EXPECT_EQ(fw.execute("ST", 0), "er:2:ST");

  EXPECT_EQ(fw.execute("IM", 0), "im:0");
  fw.execute("SC:7:3", 0);
  EXPECT_EQ(fw.execute("IM", 0), "im:1");
}

TEST(FirmwareCommands, ClockSetReadAndRunning) {
  sim::Firmware fw;
  EXPECT_EQ(fw.execute("SR:03:05:24:07:08:09", sec(10)), "sr");
  EXPECT_EQ(fw.execute("GR", sec(10)), "gr:03:05:24:07:08:09");
  EXPECT_EQ(fw.execute("GR", sec(71.5)), "gr:03:05:24:07:09:10");
  // Past midnight on the last day of February in a leap year.
  EXPECT_EQ(fw.execute("SR:02:29:24:23:59:59", 0), "sr");
  EXPECT_EQ(fw.execute("GR", sec(1)), "gr:03:01:24:00:00:00");

  EXPECT_EQ(fw.execute("SR:13:05:24:07:08:09", 0), "er:2:SR");
  EXPECT_EQ(fw.execute("SR:02:30:23:07:08:09", 0), "er:2:SR");
  EXPECT_EQ(fw.execute("SR:03:05:24:24:00:00", 0), "er:2:SR");
  EXPECT_EQ(fw.execute("SR:03:05:24:07:08", 0), "er:2:SR");
  EXPECT_EQ(fw.execute("GR", sec(1)), "gr:03:01:24:00:00:00");  // refused sets change nothing
}

TEST(FirmwareCommands, FirmwareDownloadRecords) {
  sim::Firmware fw;
  std::string header = sRecord('0', 0, 2, {'O', 'R', 'U', '1'});
  EXPECT_EQ(fw.execute("DA:0:" + header, 0), "da:0:0");
  EXPECT_EQ(fw.loader().headerText(), "ORU1");
  EXPECT_EQ(fw.execute("DA:0:" + sRecord('2', 0x010000, 3, {0xDE, 0xAD, 0xBE, 0xEF}), 0), "da:2:1");
  EXPECT_EQ(fw.execute("DA:0:" + sRecord('5', 0x0002, 2, {}), 0), "da:2:1");
  EXPECT_FALSE(fw.loader().imageComplete());
  EXPECT_EQ(fw.execute("DA:0:" + sRecord('8', 0x010000, 3, {}), 0), "da:8:3");
  EXPECT_TRUE(fw.loader().imageComplete());
  ASSERT_EQ(fw.loader().image().size(), 4u);
  EXPECT_EQ(fw.loader().image().at(0x010003), 0xEF);

  // Refused records.
  std::string bad = sRecord('2', 0x010004, 3, {1, 2, 3});
  bad[bad.size() - 3] = bad[bad.size() - 3] == '0' ? '1' : '0';  // spoil the checksum
  EXPECT_EQ(fw.execute("DA:0:" + bad, 0), "da:e:1");
  EXPECT_EQ(fw.execute("DA:0:" + sRecord('2', 0x0FBFFC, 3, {1, 2, 3}), 0), "da:e:3");
  EXPECT_EQ(fw.execute("DA:0:" + sRecord('2', 0x0FBFF0, 3, {1, 2, 3}), 0), "da:2:1");
  EXPECT_EQ(fw.execute("DA:0:" + sRecord('1', 0x1000, 2, {1}), 0), "da:e:5");
  EXPECT_EQ(fw.execute("DA:0:S2XYZ\r\n", 0), "da:e:2");
  EXPECT_EQ(fw.execute("DA:0:S20400\r\n", 0), "da:e:2");  // count says more bytes than follow
  EXPECT_EQ(fw.execute("DA:1:S0", 0), "er:2:DA");

  EXPECT_EQ(fw.execute("DA:0:SX", 0), "da:sx");
  EXPECT_TRUE(fw.loader().image().empty());
  EXPECT_FALSE(fw.loader().imageComplete());
}

TEST(FirmwareCommands, EveryReplyFitsOnePacket) {
  sim::Firmware fw;
  fw.setVersion(std::string(100, 'V'));
  EXPECT_EQ(fw.execute("VN", 0).size(), 64u);
  std::string gc = "GC";
  for (int i = 0; i < 30; ++i) gc += ":1";
  EXPECT_EQ(fw.execute(gc, 0), "gc:0:0:0:0:0:0:0:0:0:0:0:0:0:0:0:0:0:0:0:0:0:0:0:0:0:0:0:0:0:0");
  std::string many = "GC";
  for (int i = 0; i < 40; ++i) many += ":19";
  EXPECT_EQ(fw.execute(many, 0), "er:2:GC");
}

}  // namespace

namespace {

// Random and half-right commands, including the S-record and binary paths: every one gets one
// reply of 1 to 64 bytes and nothing breaks (the sanitizer build watches the memory).
TEST(FirmwareCommands, AnyBytesGetOneBoundedReply) {
  sim::Firmware fw;
  uint32_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) & 0x7FFF;
  };
  const char* heads[] = {"CA:", "TC:0:", "TC:", "DM:", "VM:", "DT:0:", "DT:", "SH:",   "TH:",     "RD:", "RD", "RT:",
                         "RT",  "GC:",   "SC:", "ST:", "LC:", "RC:",   "SR:", "DA:0:", "DA:0:S2", "VN",  "TN", "GR"};
  const char alphabet[] = "0123456789:-SXABF\r\n";
  for (int i = 0; i < 20000; ++i) {
    std::string cmd;
    if (next() % 4 == 0) {
      size_t n = next() % 80;
      for (size_t k = 0; k < n; ++k) cmd.push_back(static_cast<char>(next() & 0xFF));
    } else {
      cmd = heads[next() % (sizeof heads / sizeof heads[0])];
      size_t n = next() % 40;
      for (size_t k = 0; k < n; ++k) cmd.push_back(alphabet[next() % (sizeof alphabet - 1)]);
    }
    std::string reply = fw.execute(cmd, static_cast<Micros>(i) * 1000);
    ASSERT_GE(reply.size(), 1u) << cmd;
    ASSERT_LE(reply.size(), 64u) << cmd;
  }
}

}  // namespace
