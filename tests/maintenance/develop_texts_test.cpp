#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "link/store/CaptureHeader.h"
#include "link/store/HdlcProcessor.h"
#include "link/store/LinkAccess.h"
#include "maintenance/calibration/HdlcTestPattern.h"
#include "maintenance/calibration/MeterFrameFormat.h"
#include "maintenance/calibration/ReceiveLog.h"

namespace {

// A block of ten frames whose every field is distinct: frame f's sample k has DC 1000f + k,
// AC 0x8000 + 256k + f (high bit set: unsigned), TA4 k, TA3 0x1234 + k.
std::array<UCHAR, kMeterReadSize> CraftedBlock() {
  std::array<UCHAR, kMeterReadSize> block{};
  for (int f = 0; f < 10; ++f) {
    UCHAR* frame = block.data() + f * 128;
    frame[0] = static_cast<UCHAR>(200 + f);
    for (int k = 0; k < 16; ++k) {
      UCHAR* s = frame + 1 + k * 7;
      const int dc = 1000 * f + k;
      const int ac = 0x8000 + 256 * k + f;
      const int ta3 = 0x1234 + k;
      s[0] = static_cast<UCHAR>(dc >> 8);
      s[1] = static_cast<UCHAR>(dc);
      s[2] = static_cast<UCHAR>(ac >> 8);
      s[3] = static_cast<UCHAR>(ac);
      s[4] = static_cast<UCHAR>(k);
      s[5] = static_cast<UCHAR>(ta3 >> 8);
      s[6] = static_cast<UCHAR>(ta3);
    }
  }
  return block;
}

std::string SampleLine(int f, int k) {
  return "DC Channel: " + std::to_string(1000 * f + k) + "\tAC Channel: " + std::to_string(0x8000 + 256 * k + f) +
         "\tTA4: " + std::to_string(k) + "\tTA3: " + std::to_string(0x1234 + k) + "\n";
}

TEST(MeterFrames, FifteenBigEndianSamplesPerFrameNewestOnTop) {
  const auto block = CraftedBlock();
  const std::vector<std::string> lines = FormatMeterFrames(block.data(), block.size());
  ASSERT_EQ(lines.size(), 10u * 16u);  // a count and 15 samples (the 16th starts at 106)
  for (int f = 0; f < 10; ++f) {
    EXPECT_EQ(lines[f * 16], "Frame Count: " + std::to_string(200 + f) + "\n");
    for (int k = 0; k < 15; ++k) EXPECT_EQ(lines[f * 16 + 1 + k], SampleLine(f, k));
  }
  ReceiveLog log;
  for (const std::string& line : lines) log.Insert(line);
  EXPECT_EQ(log.Entries().front(), SampleLine(9, 14));
  EXPECT_EQ(log.Entries()[15], "Frame Count: 209\n");
  EXPECT_EQ(log.Entries().back(), "Frame Count: 200\n");
}

TEST(MeterFrames, OnlyCompleteFramesAreListed) {
  const auto block = CraftedBlock();
  EXPECT_EQ(FormatMeterFrames(block.data(), 300).size(), 2u * 16u);
  EXPECT_TRUE(FormatMeterFrames(block.data(), 127).empty());
  EXPECT_TRUE(FormatMeterFrames(nullptr, 0).empty());
}

TEST(ReceiveList, SaveStartsWithTheOldestEntryAndAddsNothing) {
  ReceiveLog log;
  EXPECT_EQ(log.SaveString(), "");
  log.Insert("vn:1.44");
  log.Insert("\n");
  log.Insert("gc:1:2:3");
  EXPECT_EQ(log.Entries().front(), "gc:1:2:3");
  EXPECT_EQ(log.SaveString(), "vn:1.44\ngc:1:2:3");
}

TEST(ReceiveList, RepliesShowWholeWithUnprintableBytesEscaped) {
  std::vector<UCHAR> reply(64, 'a');
  reply[0] = 0;
  reply[10] = '\r';
  reply[63] = 0xFF;
  const std::string text = ReceivedText(reply.data(), reply.size());
  EXPECT_EQ(text, "\\x00" + std::string(9, 'a') + "\\x0D" + std::string(52, 'a') + "\\xFF");
  const UCHAR vn[] = {'v', 'n', ':', ' ', '~'};
  EXPECT_EQ(ReceivedText(vn, 5), "vn: ~");
  EXPECT_EQ(ReceivedText(vn, 0), "");
}

// Every payload byte the de-stuffer hands out from a byte stream.
std::vector<int> Destuff(const std::vector<UCHAR>& bytes) {
  CHDLCProcessor processor;
  std::vector<int> out;
  for (UCHAR byte : bytes) {
    if (processor.Feed(byte) == HDLC_BYTE_READY) out.push_back(processor.outputByte);
  }
  return out;
}

TEST(HdlcTest, PatternDestuffsToExactlyZeroToTwoFiftyFive) {
  const std::vector<UCHAR> pattern = BuildHdlcTestPattern();
  ASSERT_GE(pattern.size(), 16u + 256u + 1u);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(pattern[i], 0x7E) << i;
  std::vector<int> expected(256);
  for (int i = 0; i < 256; ++i) expected[i] = i;
  EXPECT_EQ(Destuff(pattern), expected);
  // Stuffing grew the data: 0..255 hold long runs of ones.
  EXPECT_GT(pattern.size(), 16u + 256u + 1u);
  // A fed copy ends in a frame with nothing half-assembled that looks like data.
  CHDLCProcessor processor;
  for (UCHAR byte : pattern) processor.Feed(byte);
  EXPECT_EQ(processor.inFrame, 1);
}

TEST(HdlcTest, CaptureIsOneSyncAnswerEventInPlaceOfTheOldOne) {
  CORUData store;
  CCaptBuf old(0x41, 0, 1, 2);
  auto& fields = LinkFields(store);
  fields.captureBuffer.Add(old);
  fields.captureHeaders.Add(CORUCaptureHeader{});
  fields.currentRecordIndex = 5;
  const unsigned generation = fields.captureGeneration;
  CHDLCProcessor processor;
  processor.Feed(0x7E);
  StoreHdlcTestCapture(store, processor, "12/09/26", "10:11:12");

  const std::vector<UCHAR> pattern = BuildHdlcTestPattern();
  ASSERT_EQ(fields.captureBuffer.GetSize(), static_cast<int>(pattern.size()));
  ASSERT_EQ(fields.captureHeaders.GetSize(), 1);
  const CORUCaptureHeader& header = fields.captureHeaders[0];
  EXPECT_EQ(header.firstIndex, 0);
  EXPECT_EQ(header.byteCount, static_cast<LONG>(pattern.size()));
  EXPECT_EQ(header.flags, EVENT_SYNC);
  EXPECT_EQ(header.startDate, "12/09/26");
  EXPECT_EQ(header.startTime, "10:11:12");
  std::vector<int> destuffed;
  for (int i = 0; i < fields.captureBuffer.GetSize(); ++i) {
    const CCaptBuf& record = fields.captureBuffer[i];
    EXPECT_EQ(record.data, pattern[static_cast<std::size_t>(i)]);
    EXPECT_TRUE(record.IsAnswer());
    EXPECT_FALSE(record.IsModemEvent());
    if (record.hdlcResult == HDLC_BYTE_READY) destuffed.push_back(record.hdlcByte);
  }
  EXPECT_EQ(destuffed.size(), 256u);  // the processor was reset before the pattern
  EXPECT_EQ(destuffed.front(), 0);
  EXPECT_EQ(destuffed.back(), 255);
  EXPECT_EQ(fields.currentRecordIndex, -1);
  EXPECT_EQ(fields.cursorRecordIndex, -1);
  EXPECT_NE(fields.captureGeneration, generation);
}

}  // namespace
