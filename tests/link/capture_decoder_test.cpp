#include <gtest/gtest.h>

#include <cstdio>

#include "WorkerTestSupport.h"
#include "link/store/LinkAccess.h"

using linktest::BinaryLine;
using linktest::BinaryRecord;
using linktest::DevicelessWorker;

namespace {

class CaptureDecoderTest : public ::testing::Test {
 protected:
  CaptureDecode Decode(const std::string& reply, int reason = 1) { return w.capture.Decoder().Decode(reply, reason); }
  std::size_t Notified(UINT id) const { return w.target.Count(id); }
  int Records() {
    std::lock_guard guard(LinkFields(w.store).dataMutex);
    return LinkFields(w.store).captureBuffer.GetSize();
  }
  CCaptBuf Record(int index) {
    std::lock_guard guard(LinkFields(w.store).dataMutex);
    return LinkFields(w.store).captureBuffer[index];
  }
  CORUCaptureHeader Header(int index) {
    std::lock_guard guard(LinkFields(w.store).dataMutex);
    return LinkFields(w.store).captureHeaders[index];
  }
  int Headers() {
    std::lock_guard guard(LinkFields(w.store).dataMutex);
    return LinkFields(w.store).captureHeaders.GetSize();
  }
  // A call in progress: its header exists and data flows.
  void StartCall() {
    ASSERT_EQ(Decode("ca:0").result, 1);
    ASSERT_EQ(Decode("ca:0:CONNECT 9600").result, 1);
    ASSERT_EQ(Headers(), 1);
    w.target.Clear();
  }

  DevicelessWorker w;
};

TEST_F(CaptureDecoderTest, ArmingAndANewCallMakeOneHeaderFromTheConnectText) {
  LinkFields(w.store).sysCfg.sync = 1;
  EXPECT_EQ(Decode("ca:0").result, 1);
  EXPECT_TRUE(w.store.Run().captureArmed());
  EXPECT_EQ(Decode("ca:3").result, 1);
  EXPECT_TRUE(w.store.Run().captureArmed());
  EXPECT_FALSE(w.store.Run().captureRunning());
  EXPECT_EQ(Headers(), 0);

  EXPECT_EQ(Decode("ca:0:CONNECT 2400").result, 1);
  ASSERT_EQ(Headers(), 1);
  const CORUCaptureHeader header = Header(0);
  EXPECT_EQ(header.eventName, "CONNECT 2400");
  EXPECT_EQ(header.startDate, "03/05/24");
  EXPECT_EQ(header.startTime, "07:08:09");
  EXPECT_EQ(header.firstIndex, 0);
  EXPECT_EQ(header.byteCount, 0);
  EXPECT_TRUE(header.IsSync());
  EXPECT_FALSE(w.store.Run().captureArmed());
  EXPECT_EQ(Notified(WM_ORU_START_CAPTURE), 1u);
}

TEST_F(CaptureDecoderTest, TextItemsBecomeRecordsAndCountInTheLastHeader) {
  StartCall();
  const CaptureDecode decoded = Decode("ca:1:41:80:0001:42:00:0002:");
  EXPECT_EQ(decoded.result, 1);
  EXPECT_EQ(decoded.callEnd, CallEnd::None);
  ASSERT_EQ(Records(), 2);
  EXPECT_EQ(Record(0).data, 0x41);
  EXPECT_EQ(Record(0).flags, 0x80);
  EXPECT_EQ(Record(0).timeFraction, 1u);
  EXPECT_EQ(Record(0).timeSeconds, 0u);
  EXPECT_EQ(Record(1).data, 0x42);
  EXPECT_EQ(Record(1).flags, 0x00);
  EXPECT_EQ(Record(1).timeFraction, 2u);
  EXPECT_EQ(Header(0).byteCount, 2);
  EXPECT_TRUE(w.store.Run().captureRunning());
  EXPECT_EQ(w.store.statusText.Get(), "Capture in process");
  EXPECT_EQ(Notified(WM_ORU_START_CAPTURE), 1u);
  EXPECT_TRUE(w.document.captureModified);
  // A data line never sets the end code.
  EXPECT_EQ(w.store.endOfCaptureCode, 0);
}

TEST_F(CaptureDecoderTest, TextLinesWithoutAnOpenDocumentAreKeptButNotAnnounced) {
  StartCall();
  w.document.open = false;
  EXPECT_EQ(Decode("ca:1:41:80:0001:").result, 1);
  EXPECT_EQ(Records(), 1);
  EXPECT_EQ(Notified(WM_ORU_START_CAPTURE), 0u);
  EXPECT_FALSE(w.document.captureModified);
}

TEST_F(CaptureDecoderTest, ACutTextItemIsNotReadPastTheLine) {
  StartCall();
  // The second item stops inside its time field: only complete fields are read.
  EXPECT_EQ(Decode("ca:1:41:80:0001:42:00:00").result, 1);
  EXPECT_EQ(Records(), 1);
  EXPECT_EQ(Decode("ca:1:41:80:12").result, 1);
  EXPECT_EQ(Records(), 1);
}

TEST_F(CaptureDecoderTest, TheSixCharacterReplyEndsTheCallWithItsCode) {
  StartCall();
  const CaptureDecode single = Decode("ca:1:9");
  EXPECT_EQ(single.result, 0);
  EXPECT_EQ(single.callEnd, CallEnd::Single);
  EXPECT_EQ(w.store.endOfCaptureCode, 9);
  EXPECT_FALSE(w.store.Run().captureRunning());
  EXPECT_STREQ(CaptureEndText(9), "Capture session complete.");
}

TEST_F(CaptureDecoderTest, MultipleSessionModeAsksForTheRearm) {
  LinkFields(w.store).sysCfg.sessionMode = 1;
  StartCall();
  EXPECT_EQ(Decode("ca:1:41:80:0001:").result, 1);
  EXPECT_EQ(Decode("ca:1:9").callEnd, CallEnd::Multiple);
  // Armed from the call's end on: no window offers anything a capture forbids until the re-arm.
  EXPECT_TRUE(w.store.Run().captureArmed());
  EXPECT_EQ(w.store.endOfCaptureCode, 9);
  w.store.ExchangeRun([](RunState& run) { run.capture = CaptureRun::Running; });
  // Single-session mode ends the same reply as a plain end.
  LinkFields(w.store).sysCfg.sessionMode = 0;
  EXPECT_EQ(Decode("ca:1:9").callEnd, CallEnd::Single);
}

TEST_F(CaptureDecoderTest, ShortStateOneRepliesEndOnlyThePollingStep) {
  StartCall();
  w.store.endOfCaptureCode = 0;
  const CaptureDecode decoded = Decode("ca:1");
  EXPECT_EQ(decoded.result, 0);
  EXPECT_EQ(decoded.callEnd, CallEnd::None);
  EXPECT_TRUE(w.store.Run().captureRunning());
  EXPECT_EQ(w.store.endOfCaptureCode, 0);
}

TEST_F(CaptureDecoderTest, ErrorRepliesEndTheCaptureWithTheirCode) {
  w.store.ExchangeRun([](RunState& run) { run.capture = CaptureRun::Armed; });
  EXPECT_EQ(Decode("ce:3").result, 0);
  EXPECT_EQ(w.store.endOfCaptureCode, 13);
  EXPECT_FALSE(w.store.Run().captureArmed());
  EXPECT_FALSE(w.store.Run().captureRunning());
  EXPECT_EQ(Notified(WM_ORU_ABORT_CAPTURE), 1u);
  EXPECT_STREQ(CaptureEndText(13), "ATD DCD timeout.");

  w.store.ExchangeRun([](RunState& run) { run.capture = CaptureRun::Armed; });
  EXPECT_EQ(Decode("ce:7").result, 0);
  EXPECT_EQ(w.store.endOfCaptureCode, 13);
  EXPECT_TRUE(w.store.Run().captureArmed());
  EXPECT_EQ(Notified(WM_ORU_ABORT_CAPTURE), 1u);

  EXPECT_EQ(Decode("ce:0", 0).result, 0);
  EXPECT_EQ(w.store.endOfCaptureCode, 10);
  EXPECT_EQ(Notified(WM_ORU_ABORT_CAPTURE), 1u);  // reason 0 keeps quiet
}

TEST_F(CaptureDecoderTest, IdleAndStoppedStatesClearBothFlags) {
  for (const char* reply : {"ca:2", "ca:4"}) {
    for (CaptureRun before : {CaptureRun::Armed, CaptureRun::Running}) {
      w.store.ExchangeRun([before](RunState& run) { run.capture = before; });
      EXPECT_EQ(Decode(reply, 0).result, 0);
      EXPECT_EQ(w.store.Run().capture, CaptureRun::Idle);
    }
  }
  EXPECT_EQ(Notified(WM_ORU_ABORT_CAPTURE), 0u);
  EXPECT_EQ(Decode("ca:4", 1).result, 0);
  EXPECT_EQ(Notified(WM_ORU_ABORT_CAPTURE), 1u);
}

TEST_F(CaptureDecoderTest, RepliesThatAreNotCaptureRepliesStopThePollingStep) {
  EXPECT_EQ(Decode("").result, 1);
  EXPECT_EQ(Decode("ca:").result, 1);
  EXPECT_EQ(Decode("tn:CARRIER LOST").result, 1);
  EXPECT_EQ(Decode("ca:9").result, 0);
  EXPECT_EQ(Decode("er:4:CA").result, 0);
  EXPECT_EQ(Decode("xyz").result, 0);
  EXPECT_EQ(w.target.Count(), 0u);
}

TEST_F(CaptureDecoderTest, TheTextLineThatShowsTheTriggerKeepsItsBytes) {
  w.store.ExchangeRun([](RunState& run) { run.capture = CaptureRun::Armed; });
  EXPECT_EQ(Decode("ca:1:41:80:0001:").result, 1);
  ASSERT_EQ(Headers(), 1);
  EXPECT_EQ(Header(0).eventName, "CONNECT ????");
  EXPECT_EQ(Header(0).startTime, "07:08:09");
  EXPECT_EQ(Header(0).byteCount, 1);
  EXPECT_EQ(Records(), 1);
  EXPECT_FALSE(w.store.Run().captureArmed());
  EXPECT_TRUE(w.store.Run().captureRunning());
}

TEST_F(CaptureDecoderTest, TheFirstBinaryLineAfterTheTriggerMakesOneHeaderAndKeepsItsRecords) {
  w.store.ExchangeRun([](RunState& run) { run.capture = CaptureRun::Armed; });
  EXPECT_EQ(Decode(BinaryLine({{0x41, 0x81, 0x0102}, {0x42, 0x01, 0x0304}, {0x43, 0x82, 0xFFFF}})).result, 1);
  ASSERT_EQ(Headers(), 1);
  EXPECT_EQ(Header(0).eventName, "CONNECT ????");
  EXPECT_EQ(Header(0).startDate, "01/01/00");
  EXPECT_EQ(Header(0).startTime, "12:00:00");
  ASSERT_EQ(Records(), 3);
  EXPECT_EQ(Record(0).data, 0x41);
  EXPECT_EQ(Record(0).flags, 0x81);
  EXPECT_EQ(Record(0).timeFraction, 0x0102u);
  EXPECT_EQ(Record(2).timeFraction, 0xFFFFu);
  EXPECT_EQ(Header(0).byteCount, 3);
  EXPECT_TRUE(w.store.Run().captureRunning());
  EXPECT_EQ(Notified(WM_ORU_START_CAPTURE), 1u);

  EXPECT_EQ(Decode(BinaryLine({{0x44, 0x02, 5}})).result, 1);
  EXPECT_EQ(Headers(), 1);
  EXPECT_EQ(Header(0).byteCount, 4);
}

TEST_F(CaptureDecoderTest, BinaryRecordsMayHoldZeroBytes) {
  StartCall();
  EXPECT_EQ(Decode(BinaryLine({{0x00, 0x00, 0x0000}, {0x00, 0x80, 0x0000}})).result, 1);
  ASSERT_EQ(Records(), 2);
  EXPECT_EQ(Record(1).flags, 0x80);
}

TEST_F(CaptureDecoderTest, EmptyAndMalformedBinaryLinesChangeNothing) {
  StartCall();
  w.store.ExchangeRun([](RunState& run) { run.capture = CaptureRun::Running; });
  EXPECT_EQ(Decode(BinaryLine({})).result, 1);
  EXPECT_EQ(Decode("ca#").result, 1);
  std::string tooMany = BinaryLine({{1, 0, 0}});
  tooMany[3] = 16;
  EXPECT_EQ(Decode(tooMany).result, 1);
  std::string missing = BinaryLine({{1, 0, 0}, {2, 0, 0}});
  missing[3] = 3;
  EXPECT_EQ(Decode(missing).result, 1);
  std::string cut = BinaryLine({{1, 0, 0}, {2, 0, 0}});
  cut.pop_back();
  EXPECT_EQ(Decode(cut).result, 1);
  EXPECT_EQ(Records(), 0);
  EXPECT_TRUE(w.store.Run().captureRunning());
  EXPECT_EQ(Header(0).byteCount, 0);
}

TEST_F(CaptureDecoderTest, BinaryRecordsWithoutAnyHeaderAreNotKept) {
  EXPECT_EQ(Decode(BinaryLine({{1, 0, 0}})).result, 1);
  EXPECT_EQ(Records(), 0);
  EXPECT_TRUE(w.store.Run().captureRunning());
}

TEST_F(CaptureDecoderTest, TheLiveViewHearsOfBinaryDataAtEveryHundredRecords) {
  StartCall();
  std::vector<BinaryRecord> fifteen(15, BinaryRecord{0x55, 0x00, 0});
  std::vector<std::size_t> notifiedAfter;
  for (int line = 0; line < 14; ++line) {  // 210 records
    Decode(BinaryLine(fifteen));
    notifiedAfter.push_back(Notified(WM_ORU_START_CAPTURE));
  }
  // 90 -> 105 crosses 100 (line 7), 195 -> 210 crosses 200 (line 14).
  EXPECT_EQ(notifiedAfter[5], 0u);
  EXPECT_EQ(notifiedAfter[6], 1u);
  EXPECT_EQ(notifiedAfter[12], 1u);
  EXPECT_EQ(notifiedAfter[13], 2u);
  EXPECT_EQ(Records(), 210);
  EXPECT_TRUE(w.document.captureModified);
}

TEST_F(CaptureDecoderTest, ModemEventBytesPairUpAcrossLinesInBothForms) {
  StartCall();
  Decode("ca:1:10:40:0001:20:00:0002:11:C0:0003:");
  Decode(BinaryLine({{0x12, 0x40, 4}, {0x13, 0xC0, 5}, {0x14, 0x40, 6}}));
  ASSERT_EQ(Records(), 6);
  EXPECT_EQ(Record(0).markerShown, 1);
  EXPECT_EQ(Record(0).hidden, 0);
  EXPECT_EQ(Record(1).markerShown + Record(1).hidden, 0);
  EXPECT_EQ(Record(2).hidden, 1);
  EXPECT_EQ(Record(3).markerShown, 1);
  EXPECT_EQ(Record(4).hidden, 1);
  EXPECT_EQ(Record(5).markerShown, 1);
  EXPECT_EQ(LinkFields(w.store).hdlcState, 2);
}

// A "ca:1:" line of the same records ("CC:AA:TTTT:" items).
std::string TextLine(const std::vector<BinaryRecord>& records) {
  std::string line = "ca:1:";
  char item[16];
  for (const BinaryRecord& r : records) {
    std::snprintf(item, sizeof item, "%02X:%02X:%04X:", r.data, r.flags, r.time);
    line += item;
  }
  return line;
}

// Text lines (300-2400 bit/s) and binary lines carry the same seconds counter: one rule stamps both.
class CaptureLineForms : public CaptureDecoderTest, public ::testing::WithParamInterface<bool> {
 protected:
  std::string Line(const std::vector<BinaryRecord>& records) {
    return GetParam() ? BinaryLine(records) : TextLine(records);
  }
};

TEST_P(CaptureLineForms, TimesCountCounterWrapsInsideAndAcrossLines) {
  StartCall();
  Decode(Line({{1, 60, 0}, {2, 62, 0}, {3, 1, 0}}));  // wraps inside the line
  w.clock.Advance(3);
  Decode(Line({{4, 0x40 | 3, 0}}));  // same period
  w.clock.Advance(63);
  Decode(Line({{5, 2, 0}}));  // wrapped across lines
  ASSERT_EQ(Records(), 5);
  EXPECT_EQ(Record(0).timeSeconds, 60u);
  EXPECT_EQ(Record(1).timeSeconds, 62u);
  EXPECT_EQ(Record(2).timeSeconds, 65u);
  EXPECT_EQ(Record(3).timeSeconds, 67u);
  EXPECT_EQ(Record(4).timeSeconds, 130u);
}

INSTANTIATE_TEST_SUITE_P(Forms, CaptureLineForms, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Binary" : "Text"; });

TEST_F(CaptureDecoderTest, ANewHeaderRestartsTheTimes) {
  StartCall();
  Decode(BinaryLine({{1, 62, 0}, {2, 1, 0}}));
  EXPECT_EQ(Record(1).timeSeconds, 65u);
  Decode("ca:0:CONNECT 14400");
  Decode(BinaryLine({{3, 5, 0}}));
  EXPECT_EQ(Record(2).timeSeconds, 5u);
  EXPECT_EQ(Header(1).firstIndex, 2);
  EXPECT_EQ(Header(1).byteCount, 1);
}

}  // namespace
