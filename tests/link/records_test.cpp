#include <gtest/gtest.h>

#include <cstdint>

#include "link/store/CArray.h"
#include "link/store/CaptBuf.h"
#include "link/store/CaptureHeader.h"
#include "link/store/SmallRecords.h"
#include "link/store/SysCfg.h"
#include "link/store/TraceHeader.h"

TEST(CaptBuf, ValueConstructorTakesDataAttributeThenSecondAndFirstWordAndZeroesTheRest) {
  CCaptBuf record(0x41, 0xC0, 0x1234, 0xFFFFFFFF);
  EXPECT_EQ(record.data, 0x41);
  EXPECT_EQ(record.flags, 0xC0);
  EXPECT_EQ(record.timeFraction, 0x1234u);
  EXPECT_EQ(record.timeSeconds, 0xFFFFFFFFu);
  EXPECT_TRUE(record.IsAnswer());
  EXPECT_TRUE(record.IsModemEvent());
  EXPECT_EQ(record.asciiCell, CellRect{});
  EXPECT_EQ(record.hexCell, CellRect{});
  EXPECT_EQ(record.cellAttributes, 0u);
  EXPECT_EQ(record.cellWidth, 0u);
  EXPECT_EQ(record.markerShown, 0);
  EXPECT_EQ(record.hidden, 0);
  EXPECT_EQ(record.hdlcByte, 0);
  EXPECT_EQ(record.hdlcResult, 0u);
  EXPECT_EQ(record.syncSequence, 0u);
  CCaptBuf originate(0x42, 0x00, 0, 0);
  EXPECT_FALSE(originate.IsAnswer());
  EXPECT_FALSE(originate.IsModemEvent());
}

TEST(CaptBuf, AssignmentCopiesEveryField) {
  CCaptBuf source(1, 2, 3, 4);
  source.hdlcByte = 5;
  source.hdlcResult = 0x80;
  source.syncSequence = 6;
  source.asciiCell = {1, 2, 3, 4};
  source.hexCell = {5, 6, 7, 8};
  source.cellAttributes = 9;
  source.cellWidth = 10;
  source.markerShown = 1;
  source.hidden = 1;
  CCaptBuf copy;
  copy = source;
  EXPECT_EQ(copy.data, 1);
  EXPECT_EQ(copy.flags, 2);
  EXPECT_EQ(copy.timeFraction, 3u);
  EXPECT_EQ(copy.timeSeconds, 4u);
  EXPECT_EQ(copy.hdlcByte, 5);
  EXPECT_EQ(copy.hdlcResult, 0x80u);
  EXPECT_EQ(copy.syncSequence, 6u);
  EXPECT_EQ(copy.asciiCell, (CellRect{1, 2, 3, 4}));
  EXPECT_EQ(copy.hexCell, (CellRect{5, 6, 7, 8}));
  EXPECT_EQ(copy.cellAttributes, 9u);
  EXPECT_EQ(copy.cellWidth, 10u);
  EXPECT_EQ(copy.markerShown, 1);
  EXPECT_EQ(copy.hidden, 1);
}

TEST(CaptureHeader, StartsEmptyWithZeroCounts) {
  CORUCaptureHeader header;
  EXPECT_TRUE(header.eventName.empty());
  EXPECT_TRUE(header.startDate.empty());
  EXPECT_TRUE(header.startTime.empty());
  EXPECT_TRUE(header.endText.empty());
  EXPECT_EQ(header.firstIndex, 0);
  EXPECT_EQ(header.byteCount, 0);
  EXPECT_EQ(header.reserved32, 0);
  EXPECT_EQ(header.reserved4, 0);
  EXPECT_EQ(header.flags, 0);
  header.flags = EVENT_SYNC;
  EXPECT_TRUE(header.IsSync());
}

TEST(TraceHeader, FreshOrLineMinusOneIsAnEmptySlot) {
  CORUTraceHeader header;
  EXPECT_EQ(header.line, -1);
  EXPECT_EQ(header.triggerType, -1);
  EXPECT_EQ(header.scaleIndex, -1);
  EXPECT_EQ(header.spanIndex, -1);
  EXPECT_TRUE(header.IsEmpty());
  header.date = "03/05/24";
  header.time = "07:08:09";
  header.dtmfDigits = "123";
  EXPECT_TRUE(header.IsEmpty());
  header.line = 1;
  EXPECT_FALSE(header.IsEmpty());
}

TEST(SmallRecords, CalFactorStartsCalibratedWithZeroGains) {
  CCalFactor factor;
  EXPECT_EQ(factor.acCalibrated, 1);
  EXPECT_EQ(factor.dcCalibrated, 1);
  EXPECT_EQ(factor.dcGain, 0);
  EXPECT_EQ(factor.acGain, 0);
  EXPECT_EQ(factor.dcOffset, 0);
  EXPECT_EQ(factor.acOffset, 0);
  EXPECT_EQ(CQSRRegister{}.value, 0u);
}

TEST(SysCfg, AssignmentKeepsTheControlPanelOptionsOfTheTarget) {
  CSysCfg source;
  source.triggerText = "ATDT5551234";
  source.standard = 4;
  source.sync = 1;
  source.value1 = 0.25;
  source.sessionMode = 1;
  source.bitStuffed = 1;
  source.item15 = 77;
  CSysCfg target;
  target.sessionMode = 0;
  target.bitStuffed = 0;
  target.item15 = 5;
  target = source;
  EXPECT_EQ(target.triggerText, "ATDT5551234");
  EXPECT_EQ(target.standard, 4);
  EXPECT_EQ(target.sync, 1);
  EXPECT_EQ(target.value1, 0.25);
  EXPECT_EQ(target.sessionMode, 0);
  EXPECT_EQ(target.bitStuffed, 0);
  EXPECT_EQ(target.item15, 5);
}

using Buffer = CCaptBufArray;

TEST(CArray, OutOfRangeAccessRaisesInvalidArgumentAndTouchesNothing) {
  Buffer buffer;
  EXPECT_THROW(buffer.ElementAt(0), CInvalidArgException);
  buffer.SetAtGrow(0, CCaptBuf(1, 0, 0, 0));
  buffer.SetAtGrow(1, CCaptBuf(2, 0, 0, 0));
  EXPECT_THROW(buffer.ElementAt(-1), CInvalidArgException);
  EXPECT_THROW(buffer.ElementAt(2), CInvalidArgException);
  EXPECT_THROW(buffer[2], CInvalidArgException);
  const Buffer& view = buffer;
  EXPECT_THROW(view.GetAt(-1), CInvalidArgException);
  EXPECT_THROW(buffer.SetAtGrow(-1, CCaptBuf()), CInvalidArgException);
  EXPECT_THROW(buffer.SetSize(-3), CInvalidArgException);
  EXPECT_EQ(buffer.GetSize(), 2);
  EXPECT_EQ(buffer[1].data, 2);
}

TEST(CArray, SetAtGrowPastTheEndDefaultConstructsTheGap) {
  Buffer buffer;
  buffer.SetAtGrow(3, CCaptBuf(9, 0x80, 1, 2));
  ASSERT_EQ(buffer.GetSize(), 4);
  EXPECT_EQ(buffer[0].data, 0);
  EXPECT_EQ(buffer[0].timeSeconds, 0u);
  EXPECT_EQ(buffer[3].data, 9);
  buffer.SetAtGrow(1, CCaptBuf(7, 0, 0, 0));
  EXPECT_EQ(buffer.GetSize(), 4);
  EXPECT_EQ(buffer[1].data, 7);
}

TEST(CArray, AppendCopiesTheOtherAndReturnsTheOldSizeButRefusesItself) {
  Buffer a, b;
  a.Add(CCaptBuf(1, 0, 0, 0));
  b.Add(CCaptBuf(2, 0, 0, 0));
  b.Add(CCaptBuf(3, 0, 0, 0));
  EXPECT_EQ(a.Append(b), 1);
  ASSERT_EQ(a.GetSize(), 3);
  EXPECT_EQ(a[2].data, 3);
  EXPECT_EQ(b.GetSize(), 2);
  EXPECT_THROW(a.Append(a), CInvalidArgException);
  EXPECT_EQ(a.GetSize(), 3);
}

TEST(CArray, GrowthIsGeometricAndClearingFreesTheStorage) {
  Buffer buffer;
  std::size_t reallocations = 0;
  std::size_t capacity = buffer.GetAllocatedSize();
  for (int i = 0; i < 100000; ++i) {
    buffer.SetAtGrow(buffer.GetSize(), CCaptBuf(static_cast<UCHAR>(i), 0, 0, 0));
    if (buffer.GetAllocatedSize() != capacity) {
      ++reallocations;
      capacity = buffer.GetAllocatedSize();
    }
  }
  // A fixed step of 1024 would need about a hundred reallocations here.
  EXPECT_LT(reallocations, 40u);
  buffer.SetSize(0);
  EXPECT_EQ(buffer.GetSize(), 0);
  EXPECT_EQ(buffer.GetAllocatedSize(), 0u);
}

TEST(CArray, LargeArraysLiveInAlignedBlocksAndAClearedArrayKeepsItsStorageUntilTrimmed) {
  const int count = static_cast<int>(kLargeBlockThreshold / sizeof(CCaptBuf)) + 1000;
  CCaptBufArray buffer;
  buffer.Reserve(count);
  const CCaptBuf* block = buffer.GetData();
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % (std::size_t{2} << 20), 0u);
  for (int i = 0; i < count; ++i) buffer.Add(CCaptBuf(static_cast<UCHAR>(i), 0, static_cast<ULONG>(i), 0));
  EXPECT_EQ(buffer.GetData(), block);
  EXPECT_EQ(buffer[count - 1].timeFraction, static_cast<ULONG>(count - 1));

  buffer.Clear();
  EXPECT_EQ(buffer.GetSize(), 0);
  EXPECT_GE(buffer.GetAllocatedSize(), static_cast<std::size_t>(count));
  buffer.Add(CCaptBuf(7, 0, 0, 0));
  buffer.Trim();
  EXPECT_LT(buffer.GetAllocatedSize(), 2000u);
  EXPECT_EQ(buffer[0].data, 7);
  // Growing through the threshold by appending copies everything across.
  CCaptBufArray grown;
  for (int i = 0; i < count; ++i) grown.Add(CCaptBuf(static_cast<UCHAR>(i), 0, static_cast<ULONG>(i), 0));
  for (int i = 0; i < count; i += 997) ASSERT_EQ(grown[i].timeFraction, static_cast<ULONG>(i));
}
