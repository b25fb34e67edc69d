// Volt meter, DTMF decoder and the isochronous stream, driven directly on the firmware.

#include <gtest/gtest.h>

#include "SimTestSupport.h"
#include "sim/ScenarioLibrary.h"
#include "sim/StreamEngine.h"

using namespace simtest;

namespace {

std::vector<std::string> fields(const std::string& reply) {
  std::vector<std::string> out;
  size_t p = 3;
  while (p <= reply.size()) {
    size_t c = reply.find(':', p);
    if (c == std::string::npos) c = reply.size();
    out.push_back(reply.substr(p, c - p));
    p = c + 1;
  }
  return out;
}

double secondToken(const std::string& text) { return std::stod(text.substr(text.find(' ') + 1)); }

TEST(VoltMeter, ReadingsOfEachLine) {
  sim::Firmware fw;
  fw.loadScenario(*sim::builtinScenario("volt-meter"), 0);
  EXPECT_EQ(fw.execute("VM:1:0", sec(1)), "vm:DC -48.0 V:ON HOOK:AC 0.00 Vpp");
  EXPECT_EQ(fw.execute("VM:1:1", sec(1)), "vm:DC -48.0 V:ON HOOK:AC -70.0 dBm");

  auto line2 = fields(fw.execute("VM:2:0", sec(1)));
  ASSERT_EQ(line2.size(), 3u);
  EXPECT_EQ(line2[0], "DC -7.5 V");
  EXPECT_EQ(line2[1], "OFF HOOK");
  double vpp = secondToken(line2[2]);  // dial tone: 350 + 440 Hz, 0.49 V p-p each
  EXPECT_GT(vpp, 0.85);
  EXPECT_LE(vpp, 1.01);
  auto dbm = fields(fw.execute("VM:2:1", sec(1)));
  EXPECT_NEAR(secondToken(dbm[2]), -10.0, 0.3);  // two tones of -13 dBm
  EXPECT_EQ(dbm[2].substr(dbm[2].size() - 4), " dBm");

  // Line 3 still has its factory factors: its converter's offset shows as 1.5 V.
  auto line3 = fields(fw.execute("VM:3:0", sec(1)));
  EXPECT_EQ(line3[0], "DC 1.5 V");
  EXPECT_EQ(line3[1], "NO LINE");
  EXPECT_NEAR(secondToken(line3[2]), 0.96, 0.03);  // a 1 V p-p tone through a 4 % low gain
  auto cal = fields(fw.execute("VM:3:2", sec(1)));
  EXPECT_EQ(cal[0], "DC 1.5 V");
  EXPECT_NEAR(std::stoi(cal[2]), 96, 3);  // counts of 0.01 V

  EXPECT_EQ(fw.execute("VM:4:0", 0), "er:2:VM");
  EXPECT_EQ(fw.execute("VM:1:3", 0), "er:2:VM");
  EXPECT_EQ(fw.execute("VM:1", 0), "er:2:VM");
}

TEST(VoltMeter, StatusFollowsTheLine) {
  sim::Firmware fw;
  fw.loadScenario(*sim::builtinScenario("call-progress"), 0);
  EXPECT_EQ(fields(fw.execute("VM:1:0", sec(0.5)))[1], "ON HOOK");
  EXPECT_EQ(fields(fw.execute("VM:1:0", sec(2.0)))[1], "OFF HOOK");
  EXPECT_EQ(fields(fw.execute("VM:2:0", sec(2.5)))[1], "RINGING");
  EXPECT_EQ(fields(fw.execute("VM:2:0", sec(5.0)))[1], "ON HOOK");  // between rings
  EXPECT_EQ(fields(fw.execute("VM:2:0", sec(15.0)))[1], "OFF HOOK");
  EXPECT_EQ(fields(fw.execute("VM:1:0", sec(40.5)))[1], "ON HOOK");  // the scenario repeats
}

TEST(DtmfDecoder, DigitsAsTheyAreDialled) {
  sim::Firmware fw;
  fw.loadScenario(*sim::builtinScenario("dtmf-digits"), 0);
  EXPECT_EQ(fw.execute("DT:1", 0), "dt:2");  // not running
  EXPECT_EQ(fw.execute("DT:0:1", 0), "dt:0:1");
  EXPECT_EQ(fw.execute("DT:1", sec(0.9)), "dt:1:");
  // 5551234 from 1.0 s, 100 ms on and off: the fourth digit is decoded at 1.64 s.
  EXPECT_EQ(fw.execute("DT:1", sec(1.65)), "dt:1:5551");
  EXPECT_EQ(fw.execute("DT:1", sec(3.0)), "dt:1:234");
  EXPECT_EQ(fw.execute("DT:1", sec(5.0)), "dt:1:*72#");
  EXPECT_EQ(fw.execute("DT:2", sec(5.0)), "dt:2");
  EXPECT_EQ(fw.execute("DT:1", sec(5.1)), "dt:2");

  // Another line: every key, then the sequence again on the next round of the scenario.
  EXPECT_EQ(fw.execute("DT:0:2", sec(5.1)), "dt:0:1");
  EXPECT_EQ(fw.execute("DT:1", sec(24.0)), "dt:1:0123456789ABCD*#");
  EXPECT_EQ(fw.execute("DT:0:3", sec(40.0)), "dt:0:1");
  EXPECT_EQ(fw.execute("DT:1", sec(45.0)), "dt:1:911");
  EXPECT_EQ(fw.execute("DT:0:4", sec(45.0)), "dt:0:0");
  EXPECT_EQ(fw.execute("DT:1", sec(45.0)), "dt:2");
  EXPECT_EQ(fw.execute("DT:0:x", 0), "er:2:DT");
  EXPECT_EQ(fw.execute("DT:3", 0), "er:2:DT");
}

int word(const std::vector<uint8_t>& p, size_t at) { return p[at] << 8 | p[at + 1]; }

TEST(Stream, PacketsOfTheStreamedLine) {
  sim::Firmware fw;
  fw.loadScenario(*sim::builtinScenario("volt-meter"), 0);
  EXPECT_TRUE(fw.stream().packet(5).empty());
  EXPECT_EQ(fw.execute("DM:1", sec(1)), "dm");
  auto p = fw.stream().packet(1000);
  ASSERT_EQ(p.size(), 128u);
  EXPECT_EQ(p[0], 0);
  for (int j = 0; j < 16; ++j) {
    size_t s = 1 + 7 * static_cast<size_t>(j);
    EXPECT_EQ(word(p, s), 128);      // -48 V at 0.125 V a count above 512
    EXPECT_EQ(word(p, s + 2), 512);  // no AC
    EXPECT_EQ(p[s + 4], j);
    EXPECT_EQ(word(p, s + 5), static_cast<int>((1'000'000 + j * 125 / 2) & 0xFFFF));
  }
  for (size_t i = 113; i < 128; ++i) EXPECT_EQ(p[i], 0);
  EXPECT_EQ(fw.stream().packet(1001)[0], 1);
  EXPECT_EQ(fw.stream().packet(1300)[0], 300 & 0xFF);  // lost frames show in the counter

  // Line 2 carries dial tone: the AC channel swings around 512 by about 0.49 V (49 counts).
  EXPECT_EQ(fw.execute("DM:2", sec(2)), "dm");
  int lo = 65535, hi = 0;
  for (uint32_t f = 0; f < 20; ++f) {
    auto q = fw.stream().packet(f);
    EXPECT_EQ(q[0], f);
    for (int j = 0; j < 16; ++j) {
      int ac = word(q, 3 + 7 * static_cast<size_t>(j));
      lo = std::min(lo, ac);
      hi = std::max(hi, ac);
      EXPECT_NEAR(word(q, 1 + 7 * static_cast<size_t>(j)), 452, 50);  // -7.5 V plus the tone
    }
  }
  EXPECT_NEAR(hi - lo, 96, 6);
  EXPECT_EQ(fw.execute("DM:0", sec(3)), "dm");
  EXPECT_TRUE(fw.stream().packet(21).empty());
  EXPECT_EQ(fw.execute("DM:4", 0), "er:2:DM");
  EXPECT_EQ(fw.execute("DM", 0), "er:2:DM");
}

}  // namespace
