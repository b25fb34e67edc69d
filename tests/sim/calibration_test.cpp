// The calibration commands, and the whole calibration of a line done the way the PC does it:
// test-station voltages on the line, stream blocks and the volt meter's calibration reading,
// factors computed from them and sent back. The corrected line then reads true.

#include <gtest/gtest.h>

#include "SimTestSupport.h"
#include "sim/Calibration.h"

using namespace simtest;

namespace {

TEST(Calibration, FactorCommands) {
  sim::Firmware fw;
  EXPECT_EQ(fw.execute("RC:3:0", 0), "rc:1024:0:0.125");
  EXPECT_EQ(fw.execute("RC:3:1", 0), "rc:1024:0:0.01");
  EXPECT_EQ(fw.execute("RC:1:0", 0), "rc:1009:-6:0.125");  // factory-calibrated line 1

  EXPECT_EQ(fw.execute("LC:3:0:5:1000", 0), "lc:3:0");
  EXPECT_EQ(fw.execute("LC:3:1:-7:1100", 0), "lc:3:1");
  EXPECT_EQ(fw.execute("RC:3:0", 0), "rc:1000:5:0.125");
  EXPECT_EQ(fw.execute("RC:3:1", 0), "rc:1100:-7:0.01");

  EXPECT_EQ(fw.execute("LC:4:0:0:1024", 0), "er:2:LC");
  EXPECT_EQ(fw.execute("LC:3:2:0:1024", 0), "er:2:LC");
  EXPECT_EQ(fw.execute("LC:3:0:0:0", 0), "er:2:LC");
  EXPECT_EQ(fw.execute("LC:3:0:600:1024", 0), "er:2:LC");
  EXPECT_EQ(fw.execute("LC:3:0", 0), "er:2:LC");
  EXPECT_EQ(fw.execute("RC:3", 0), "er:2:RC");

  // Factors not stored are lost at a power cycle; stored ones stay.
  fw.powerCycle();
  EXPECT_EQ(fw.execute("RC:3:0", 0), "rc:1024:0:0.125");
  fw.execute("LC:3:0:5:1000", 0);
  EXPECT_EQ(fw.execute("LC:0", 0), "lc:0");
  fw.powerCycle();
  EXPECT_EQ(fw.execute("RC:3:0", 0), "rc:1000:5:0.125");
}

// The mean of the DC (or AC) channel over frames 1..19 of one 20-frame block.
int blockMean(sim::Firmware& fw, int line, bool ac, Micros now) {
  EXPECT_EQ(fw.execute("DM:" + std::to_string(line), now), "dm");
  long sum = 0;
  for (uint32_t f = 0; f < 20; ++f) {
    auto p = fw.stream().packet(7000 + f);
    if (f == 0) continue;
    for (int j = 0; j < 16; ++j) {
      size_t at = 1 + 7 * static_cast<size_t>(j) + (ac ? 2 : 0);
      sum += p[at] << 8 | p[at + 1];
    }
  }
  EXPECT_EQ(fw.execute("DM:0", now), "dm");
  return static_cast<int>(sum / 304);
}

TEST(Calibration, WholeProcedureCorrectsLineThree) {
  sim::Firmware fw;
  auto& line = fw.line();
  Micros now = sec(1);
  auto dcOf = [](const std::string& vm) { return std::stod(vm.substr(6)); };
  auto acOf = [](const std::string& vm) { return std::stod(vm.substr(vm.rfind("AC ") + 3)); };
  line.setOverride(3, {-48.0, 1.0, 1000});
  std::string before = fw.execute("VM:3:0", now);
  EXPECT_EQ(before.substr(0, 15), "vm:DC -48.4 V:O");  // the converter's errors show
  EXPECT_NEAR(acOf(before), 0.96, 0.005);

  // DC gain #1 (input shorted), #2 (20.00 V), offset (shorted).
  line.setOverride(3, {0, 0, 1000});
  int reading1 = blockMean(fw, 3, false, now);
  line.setOverride(3, {20.0, 0, 1000});
  int reading2 = blockMean(fw, 3, false, now);
  int dcGain = static_cast<int>(20480.0 / ((reading2 - reading1) * 0.125));
  EXPECT_EQ(fw.execute("LC:3:0:0:" + std::to_string(dcGain), now), "lc:3:0");
  line.setOverride(3, {0, 0, 1000});
  int dcOffset = 512 - blockMean(fw, 3, false, now);
  EXPECT_EQ(fw.execute("LC:3:0:" + std::to_string(dcOffset) + ":" + std::to_string(dcGain), now), "lc:3:0");

  // AC gain (2.19 V p-p, the volt meter's calibration reading), AC offset (shorted).
  line.setOverride(3, {0, 2.19, 1000});
  std::string vm = fw.execute("VM:3:2", now);
  int reading = std::stoi(vm.substr(vm.rfind(':') + 1));
  int acGain = static_cast<int>(2252.8 / (reading * 0.01));
  EXPECT_EQ(fw.execute("LC:3:1:0:" + std::to_string(acGain), now), "lc:3:1");
  line.setOverride(3, {0, 0, 1000});
  int acOffset = 512 - blockMean(fw, 3, true, now);
  EXPECT_EQ(fw.execute("LC:3:1:" + std::to_string(acOffset) + ":" + std::to_string(acGain), now), "lc:3:1");

  // The factors pass the PC's validity rule and undo the converter's errors.
  EXPECT_GE(dcOffset, -30);
  EXPECT_LE(dcOffset, 30);
  EXPECT_GE(dcGain, 871);
  EXPECT_LE(dcGain, 1177);
  EXPECT_GE(acOffset, -43);
  EXPECT_LE(acOffset, 43);
  EXPECT_GE(acGain, 871);
  EXPECT_LE(acGain, 1177);
  EXPECT_NE(dcGain, 1024);
  EXPECT_NE(dcOffset, 0);

  // Within what whole-count factors allow (a count is 0.125 V DC, 0.01 V AC).
  line.setOverride(3, {-48.0, 1.0, 1000});
  std::string after = fw.execute("VM:3:0", now);
  EXPECT_NEAR(dcOf(after), -48.0, 0.15) << after;
  EXPECT_NEAR(acOf(after), 1.0, 0.015) << after;
  line.setOverride(3, {20.0, 0, 1000});
  EXPECT_EQ(fw.execute("VM:3:0", now), "vm:DC 20.0 V:ON HOOK:AC 0.00 Vpp");
}

}  // namespace
