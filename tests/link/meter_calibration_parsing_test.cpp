#include <gtest/gtest.h>

#include <array>
#include <clocale>

#include "link/worker/CalibrationStep.h"
#include "link/protocol/ClockCommands.h"
#include "link/protocol/DecimalText.h"
#include "link/worker/DtmfLoop.h"
#include "link/worker/VoltMeterLoop.h"

namespace {

TEST(VoltMeterReply, FieldsGoToTheirTextsByMode) {
  CORUData store;
  EXPECT_EQ(ParseVoltMeterReply(store, "vm:DC -48.0 V:ON HOOK:AC 0.00 Vpp", 0, nullptr), 1);
  EXPECT_EQ(store.dcValueText.Get(), "DC -48.0 V");
  EXPECT_EQ(store.lineStatusText.Get(), "ON HOOK");
  EXPECT_EQ(store.acValueText.Get(), "AC 0.00 Vpp");

  EXPECT_EQ(ParseVoltMeterReply(store, "vm:::", 1, nullptr), 1);
  EXPECT_EQ(store.dcValueText.Get(), "");
  EXPECT_EQ(store.lineStatusText.Get(), "");
  EXPECT_EQ(store.acValueText.Get(), "");

  store.acValueText.Set("kept");
  long reading = -1;
  EXPECT_EQ(ParseVoltMeterReply(store, "vm:DC 0.0 V:NO LINE:198", 2, &reading), 1);
  EXPECT_EQ(reading, 198);
  EXPECT_EQ(store.acValueText.Get(), "kept");
  EXPECT_EQ(ParseVoltMeterReply(store, "vm:DC 0.0 V:NO LINE:x", 2, &reading), 0);
  EXPECT_EQ(reading, 198);

  EXPECT_EQ(ParseVoltMeterReply(store, "xx:DC 1.0 V:A:B", 0, nullptr), 0);
  EXPECT_EQ(store.dcValueText.Get(), "DC 0.0 V");
}

TEST(DtmfReply, StatesAndDigitLines) {
  CORUData store;
  EXPECT_EQ(ParseDtmfReply(store, "dt:0:1"), 1);
  EXPECT_EQ(ParseDtmfReply(store, "dt:0:0"), 0);
  EXPECT_EQ(ParseDtmfReply(store, "dt:2"), 1);
  EXPECT_EQ(ParseDtmfReply(store, "dt:7:1"), 0);
  EXPECT_EQ(ParseDtmfReply(store, "vm:1:1"), 0);

  EXPECT_EQ(ParseDtmfReply(store, "dt:1:"), 1);
  EXPECT_EQ(store.dtmfDigits.Get(), "");
  EXPECT_EQ(ParseDtmfReply(store, "dt:1:12"), 1);
  EXPECT_EQ(store.dtmfDigits.Get(), "12");
  EXPECT_EQ(ParseDtmfReply(store, "dt:1:34"), 1);
  EXPECT_EQ(store.dtmfDigits.Get(), "12\r\n34");
  store.dtmfDigits.Set("5\n");
  EXPECT_EQ(ParseDtmfReply(store, "dt:1:*#"), 1);
  EXPECT_EQ(store.dtmfDigits.Get(), "5\n*#");
}

// A block whose frames 1..19 hold `dc` and `ac` in every sample; frame 0 and the tails hold noise
// that must not count.
std::array<UCHAR, 2560> Block(int dc, int ac) {
  std::array<UCHAR, 2560> block{};
  block.fill(0xEE);
  for (int frame = 1; frame < 20; ++frame) {
    for (int sample = 0; sample < 16; ++sample) {
      UCHAR* bytes = block.data() + frame * 128 + 1 + sample * 7;
      bytes[0] = static_cast<UCHAR>(dc >> 8);
      bytes[1] = static_cast<UCHAR>(dc);
      bytes[2] = static_cast<UCHAR>(ac >> 8);
      bytes[3] = static_cast<UCHAR>(ac);
    }
  }
  return block;
}

TEST(CalibrationBlock, MeanOfFrames1To19PerChannel) {
  auto block = Block(500, 530);
  EXPECT_EQ(MeanOfCalibrationBlock(block.data(), false), 500);
  EXPECT_EQ(MeanOfCalibrationBlock(block.data(), true), 530);
  // One sample 303 counts higher raises the integer mean by 0 (303 / 304), one 304 higher by 1.
  UCHAR* first = block.data() + 128 + 1;
  first[0] = (500 + 303) >> 8;
  first[1] = (500 + 303) & 0xFF;
  EXPECT_EQ(MeanOfCalibrationBlock(block.data(), false), 500);
  first[0] = (500 + 304) >> 8;
  first[1] = (500 + 304) & 0xFF;
  EXPECT_EQ(MeanOfCalibrationBlock(block.data(), false), 501);
  block = Block(0x1234, 0);
  EXPECT_EQ(MeanOfCalibrationBlock(block.data(), false), 0x1234);
}

TEST(CalibrationFormulas, OffsetsGainsAndZeroDivisors) {
  CCalFactor f;
  EXPECT_TRUE(ApplyCalibrationReading(f, 4, 500));
  EXPECT_EQ(f.dcOffset, 12);
  EXPECT_TRUE(ApplyCalibrationReading(f, 4, 530));
  EXPECT_EQ(f.dcOffset, -18);
  EXPECT_TRUE(ApplyCalibrationReading(f, 16, 505));
  EXPECT_EQ(f.acOffset, 7);

  EXPECT_TRUE(ApplyCalibrationReading(f, 1, 100));
  EXPECT_EQ(f.dcReading1, 100);
  f.dcExtra = 0.025;
  EXPECT_TRUE(ApplyCalibrationReading(f, 2, 900));
  EXPECT_EQ(f.dcGain, 1024);

  f.acExtra = 0.01;
  EXPECT_TRUE(ApplyCalibrationReading(f, 8, 220));
  EXPECT_EQ(f.acGain, 1024);

  const CCalFactor before = f;
  EXPECT_FALSE(ApplyCalibrationReading(f, 2, 100));  // same reading as step 1
  EXPECT_FALSE(ApplyCalibrationReading(f, 8, 0));
  f.acExtra = 0.0;
  EXPECT_FALSE(ApplyCalibrationReading(f, 8, 220));
  EXPECT_FALSE(ApplyCalibrationReading(f, 3, 220));
  EXPECT_EQ(f.dcGain, before.dcGain);
  EXPECT_EQ(f.acGain, before.acGain);
}

TEST(ClockCommand, TwoDigitFields) {
  EXPECT_EQ(BuildClockCommand(SYSTEMTIME{2024, 3, 2, 5, 7, 8, 9, 0}), "SR:03:05:24:07:08:09");
  EXPECT_EQ(BuildClockCommand(SYSTEMTIME{2099, 12, 0, 31, 23, 59, 59, 999}), "SR:12:31:99:23:59:59");
}

TEST(DecimalText, ReadsTheSameUnderACommaLocale) {
  const char* comma = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
  EXPECT_DOUBLE_EQ(ParseDecimalReal("0.125").value(), 0.125);
  EXPECT_EQ(ParseDecimalInteger(" -18").value(), -18);
  EXPECT_EQ(ParseDecimalInteger("+7x").value(), 7);
  EXPECT_FALSE(ParseDecimalInteger("").has_value());
  EXPECT_FALSE(ParseDecimalReal("abc").has_value());
  if (comma != nullptr) std::setlocale(LC_NUMERIC, "C");
  EXPECT_EQ(SplitFields("a::b").size(), 3u);
  EXPECT_EQ(SplitFields("").size(), 1u);
}

}  // namespace
