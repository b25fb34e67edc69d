#include <gtest/gtest.h>

#include <string>

#include "link/protocol/CommTransport.h"
#include "link/protocol/StoredDownload.h"
#include "link/store/LinkAccess.h"

namespace {

class StoredReplies : public ::testing::Test {
 protected:
  CORUData store;
  LinkContext context{store};
  WorkerSignals signals{context};
  CommTransport transport{context, signals};
};

TEST_F(StoredReplies, AStartLineWithAZeroMonthTakesTheFallbackDateAndCutsOverlongFields) {
  StoredCaptureDecoder decoder(transport, EVENT_SYNC);
  const std::string reply = "rd:0:CONNECT 2400:00/15/10:10:11:12";
  EXPECT_EQ(decoder.Decode(reply, reply), 1);
  const std::string longer = "rd:0:V.32:03/05/2024:123:4:56789";
  EXPECT_EQ(decoder.Decode(longer, longer), 1);
  auto& fields = LinkFields(store);
  ASSERT_EQ(fields.captureHeaders.GetSize(), 2);
  EXPECT_EQ(fields.captureHeaders[0].eventName, "CONNECT 2400");
  EXPECT_EQ(fields.captureHeaders[0].startDate, "01\\01\\00");
  EXPECT_EQ(fields.captureHeaders[0].startTime, "10:11:12");
  EXPECT_EQ(fields.captureHeaders[0].flags, EVENT_SYNC);
  EXPECT_EQ(fields.captureHeaders[1].startDate, "03/05/20");
  EXPECT_EQ(fields.captureHeaders[1].startTime, "12:4:56");
  EXPECT_EQ(fields.currentRecordIndex, -1);
}

TEST_F(StoredReplies, TextAndBinaryLinesAndTheEnd) {
  StoredCaptureDecoder decoder(transport, 0);
  const std::string start = "rd:0:A:01/02/03:04:05:06";
  decoder.Decode(start, start);
  const std::string text = "rd:1:41:80:0102:42:00:0A0B:4";  // the cut third item is not taken
  EXPECT_EQ(decoder.Decode(text, text), 1);
  const std::string binary("rd#\x03\x43\x80\x01\x02\x44\x00\x03", 11);  // three promised, one and a half held
  EXPECT_EQ(decoder.Decode("rd#\x03\x43\x80\x01\x02\x44", binary), 1);
  auto& fields = LinkFields(store);
  ASSERT_EQ(fields.captureBuffer.GetSize(), 3);
  EXPECT_EQ(fields.captureBuffer[0].data, 0x41);
  EXPECT_EQ(fields.captureBuffer[0].flags, 0x80);
  EXPECT_EQ(fields.captureBuffer[0].timeFraction, 0x0102u);
  EXPECT_EQ(fields.captureBuffer[1].timeFraction, 0x0A0Bu);
  EXPECT_EQ(fields.captureBuffer[2].data, 0x43);
  EXPECT_EQ(fields.captureBuffer[2].timeFraction, 0x0102u);
  EXPECT_EQ(fields.captureHeaders[0].byteCount, 3);

  const std::string badCount("rd#\x10\x01\x02\x03\x04", 8);
  EXPECT_EQ(decoder.Decode("rd#\x10\x01\x02\x03\x04", badCount), 0);
  EXPECT_EQ(decoder.Decode("rd:2", "rd:2"), 0);
  EXPECT_EQ(decoder.Decode("", ""), 0);
  EXPECT_EQ(fields.captureBuffer.GetSize(), 3);
}

TEST_F(StoredReplies, TraceSamplesAreSixteenBitTwosComplement) {
  EXPECT_EQ(DecodeStoredTrace(context, "rt:FFFF:0010:8000:7FF"), 1);
  auto& fields = LinkFields(store);
  ASSERT_EQ(fields.traceSamples.GetSize(), 3);
  EXPECT_EQ(fields.traceSamples[0], -1);
  EXPECT_EQ(fields.traceSamples[1], 16);
  EXPECT_EQ(fields.traceSamples[2], -32768);
  EXPECT_EQ(DecodeStoredTrace(context, "rt"), 0);
  EXPECT_EQ(DecodeStoredTrace(context, "xx:0001:"), 0);
}

}  // namespace
