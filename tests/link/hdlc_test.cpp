#include <gtest/gtest.h>

#include <vector>

#include "link/store/CaptBuf.h"
#include "link/store/HdlcProcessor.h"
#include "link/store/HdlcReplay.h"
#include "HdlcLine.h"

TEST(HdlcProcessor, ResetStateMatchesTheFreshOne) {
  CHDLCProcessor processor;
  EXPECT_EQ(processor.outMask, 1);
  EXPECT_EQ(processor.inMask, 256);
  EXPECT_EQ(processor.inFrame, 0);
  processor.Feed(0x7E);
  processor.Feed(0x55);
  processor.Reset();
  EXPECT_EQ(processor.outputByte, 0);
  EXPECT_EQ(processor.lastInput, 0);
  EXPECT_EQ(processor.outMask, 1);
  EXPECT_EQ(processor.inMask, 256);
  EXPECT_EQ(processor.onesCount, 0);
  EXPECT_EQ(processor.accumulator, 0);
  EXPECT_EQ(processor.inFrame, 0);
}

TEST(HdlcProcessor, BitStuffedFrameYieldsEachPayloadByteWhenItsEighthBitArrives) {
  const std::vector<UCHAR> payload = {0x1F, 0xFF, 0x7E, 0x00, 0xA5, 0x3E, 0xFC, 0x7F, 0x01};
  LineBits line;
  line.Flag();
  std::vector<std::size_t> completesIn;  // input byte index in which each payload byte completes
  for (UCHAR byte : payload) completesIn.push_back(line.Payload(byte) / 8);
  line.Flag();
  const std::vector<UCHAR> input = line.Bytes();

  CHDLCProcessor processor;
  std::size_t next = 0;
  for (std::size_t i = 0; i < input.size(); ++i) {
    USHORT result = processor.Feed(input[i]);
    EXPECT_EQ(processor.lastInput, input[i]);
    if (next < payload.size() && completesIn[next] == i) {
      ASSERT_EQ(result, HDLC_BYTE_READY) << "input byte " << i;
      EXPECT_EQ(processor.outputByte, payload[next]) << "payload byte " << next;
      ++next;
    } else {
      EXPECT_EQ(result, 0) << "input byte " << i;
    }
  }
  EXPECT_EQ(next, payload.size());
  EXPECT_EQ(processor.inFrame, 1);
}

TEST(HdlcProcessor, PayloadOneFWithItsStuffedZeroComesOutAsOneF) {
  // Flag, then 1 1 1 1 1 [0 stuffed] 0 0 0, then ones for the rest of the byte.
  CHDLCProcessor processor;
  EXPECT_EQ(processor.Feed(0x7E), 0);
  // Bits LSB first: 1,1,1,1,1,0,0,0 | 0,... : 0x1F then 0x00's first bit.
  EXPECT_EQ(processor.Feed(0x1F), 0);  // seven payload bits so far (the stuffed zero dropped)
  EXPECT_EQ(processor.Feed(0x00), HDLC_BYTE_READY);
  EXPECT_EQ(processor.outputByte, 0x1F);
}

TEST(HdlcProcessor, OnesAfterAFrameAbortItAndNeverProduceAByte) {
  CHDLCProcessor processor;
  processor.Feed(0x7E);
  ASSERT_EQ(processor.inFrame, 1);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(processor.Feed(0xFF), 0) << i;
  EXPECT_EQ(processor.inFrame, 0);
  // Outside a frame zeros and ones complete nothing either.
  for (UCHAR byte : {0x00, 0x0F, 0xF0, 0x3F, 0xFF}) EXPECT_EQ(processor.Feed(byte), 0);
  EXPECT_EQ(processor.inFrame, 0);
}

TEST(HdlcProcessor, BackToBackFlagsProduceNothing) {
  CHDLCProcessor processor;
  for (int i = 0; i < 10; ++i) EXPECT_EQ(processor.Feed(0x7E), 0) << i;
  EXPECT_EQ(processor.inFrame, 1);
  EXPECT_EQ(processor.outMask, 1);
}

TEST(HdlcProcessor, AFrameAfterAnAbortIsDecodedAgain) {
  LineBits line;
  line.Flag();
  line.Payload(0x11);
  line.Ones(9);  // abort
  line.bits.resize((line.bits.size() + 7) / 8 * 8, 1);
  line.Flag();
  line.Payload(0x22);
  line.Payload(0x33);
  line.Flag();
  std::vector<UCHAR> out;
  CHDLCProcessor processor;
  for (UCHAR byte : line.Bytes()) {
    if (processor.Feed(byte) == HDLC_BYTE_READY) out.push_back(processor.outputByte);
  }
  EXPECT_EQ(out, (std::vector<UCHAR>{0x11, 0x22, 0x33}));
}

TEST(HdlcReplay, FeedsEachDirectionToItsOwnDeStufferAndNumbersTheCompletedBytes) {
  LineBits answerLine, originateLine;
  answerLine.Flag();
  answerLine.Payload(0x41);
  answerLine.Payload(0x42);
  originateLine.Flag();
  originateLine.Payload(0x61);
  const auto a = answerLine.Bytes();
  const auto o = originateLine.Bytes();
  // Interleave: A0 O0 A1 O1 A2 ...
  std::vector<CCaptBuf> records;
  for (std::size_t i = 0; i < std::max(a.size(), o.size()); ++i) {
    if (i < a.size()) records.emplace_back(a[i], CAPT_ANSWER, 0, 0);
    if (i < o.size()) records.emplace_back(o[i], 0, 0, 0);
  }
  CHDLCProcessor answer, originate;
  HdlcReplay replay(answer, originate, true, false);
  replay.StartEvent();
  std::vector<std::pair<UCHAR, ULONG>> completed;
  for (CCaptBuf& record : records) {
    SyncStep step = replay.Step(record);
    HdlcReplay::Apply(step, record);
    EXPECT_EQ(step.kind, SyncStep::Kind::Fed);
    if (step.result & HDLC_BYTE_READY) {
      EXPECT_TRUE(step.takesPlace);
      completed.emplace_back(record.hdlcByte, record.syncSequence);
    } else {
      EXPECT_FALSE(step.takesPlace);
      EXPECT_EQ(record.hdlcResult, 0);
    }
  }
  // The answer byte 0x41 completes in the answer stream's second byte, before 0x61 of the
  // originate stream's second byte; 0x42 comes in the answer stream's third byte.
  ASSERT_EQ(completed.size(), 3u);
  EXPECT_EQ(completed[0], (std::pair<UCHAR, ULONG>{0x41, 0}));
  EXPECT_EQ(completed[1], (std::pair<UCHAR, ULONG>{0x61, 1}));
  EXPECT_EQ(completed[2], (std::pair<UCHAR, ULONG>{0x42, 2}));
}

TEST(HdlcReplay, ModemEventsAreSkippedOrTakeAMarkerPlaceWithoutBeingFed) {
  CHDLCProcessor answer, originate;
  CCaptBuf marker(0x6C, CAPT_MODEM_EVENT, 0, 0);
  marker.markerShown = 1;
  CCaptBuf closing(0x5B, CAPT_MODEM_EVENT, 0, 0);
  closing.hidden = 1;
  CCaptBuf data(0x7E, CAPT_ANSWER, 0, 0);

  HdlcReplay hiddenEvents(answer, originate, true, false);
  hiddenEvents.StartEvent();
  EXPECT_EQ(hiddenEvents.Step(marker).kind, SyncStep::Kind::Skipped);
  EXPECT_EQ(hiddenEvents.Step(closing).kind, SyncStep::Kind::Skipped);

  HdlcReplay shownEvents(answer, originate, true, true);
  shownEvents.StartEvent();
  SyncStep first = shownEvents.Step(marker);
  EXPECT_EQ(first.kind, SyncStep::Kind::Marker);
  EXPECT_TRUE(first.takesPlace);
  EXPECT_EQ(first.sequence, 0u);
  EXPECT_EQ(shownEvents.Step(closing).kind, SyncStep::Kind::Skipped);
  EXPECT_EQ(answer.lastInput, 0);  // nothing was fed
  SyncStep fed = shownEvents.Step(data);
  EXPECT_EQ(fed.kind, SyncStep::Kind::Fed);
  EXPECT_EQ(answer.lastInput, 0x7E);
  EXPECT_FALSE(fed.takesPlace);

  // Without bit-stuffing every shown record takes a place.
  HdlcReplay plain(answer, originate, false, true);
  plain.StartEvent();
  EXPECT_EQ(plain.Step(marker).sequence, 0u);
  EXPECT_EQ(plain.Step(data).sequence, 1u);
  EXPECT_EQ(plain.Step(data).sequence, 2u);
  plain.StartEvent();
  EXPECT_EQ(plain.Step(data).sequence, 0u);
}

TEST(EventWalker, OpensEveryReachedEventInOrderSeveralAtOneIndex) {
  CCaptureHeaderArray headers;
  for (LONG first : {0, 2, 2, 1, 5}) {
    CORUCaptureHeader header;
    header.firstIndex = first;
    headers.Add(header);
  }
  EventWalker walker(headers);
  std::vector<std::pair<int, int>> opened;  // (record, event)
  for (int i = 0; i < 6; ++i) {
    for (int e = walker.NextOpening(i); e != -1; e = walker.NextOpening(i)) opened.emplace_back(i, e);
  }
  // Event 3 (first index 1) was passed when its turn came: it opens at once after event 2.
  EXPECT_EQ(opened, (std::vector<std::pair<int, int>>{{0, 0}, {2, 1}, {2, 2}, {2, 3}, {5, 4}}));
}
