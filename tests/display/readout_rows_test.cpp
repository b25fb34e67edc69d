// The read-out rows in capture mode and the modem-event word decoder.

#include <gtest/gtest.h>

#include <climits>

#include "display/model/ModemEventWord.h"
#include "display/model/ReadoutRows.h"
#include "display/model/SessionLayout.h"
#include "display/model/SessionOptions.h"
#include "tests/link/LockProbe.h"
#include "tests/display/DisplayTestData.h"
#include "link/store/LinkAccess.h"

namespace {

using namespace displaytest;

struct WordCase {
  UCHAR first, second;
  const char* rate;
  const char* event;
  const char* snr;
  const char* state;
};

class ModemEventWordTest : public ::testing::TestWithParam<WordCase> {};

TEST_P(ModemEventWordTest, Decodes) {
  const WordCase& c = GetParam();
  const ModemEventText text = DecodeModemEvent(ModemEventRegister(c.first, c.second));
  EXPECT_EQ(text.rate, c.rate);
  EXPECT_EQ(text.event, c.event);
  EXPECT_EQ(text.snr, c.snr);
  EXPECT_EQ(text.state, c.state);
}

INSTANTIATE_TEST_SUITE_P(
    Words, ModemEventWordTest,
    ::testing::Values(WordCase{0x6C, 0x5B, "7200 V.32bis", "R1 received", "SNR: normal", "7200bps V.32bis"},
                      WordCase{0x00, 0x00, "", "", "SNR: not determined", ""},
                      WordCase{0x20, 0x13, "", "2100Hz detected", "", "transmit 2100 AnsTone"},
                      WordCase{0x4C, 0x74, "", "V.32 preamble detected", "SNR: very good", "rate negotiation"},
                      WordCase{0x5C, 0x2F, "", "rate negotiation request", "SNR: very bad", "14400bps V.32bis"},
                      WordCase{0xFC, 0x65, "14400 V.32bis", "R5 received", "SNR: good", ""},
                      WordCase{0xC0, 0x08, "1200 V.22/V.22bis", "R4 received", "SNR: not determined",
                               "1200bps V.22/V.22bis"}));

TEST(ModemEventWord, FieldsAndNumberRows) {
  const CQSRRegister word = ModemEventRegister(0x6C, 0x5B);
  EXPECT_EQ(word.value, 0x6C5Bu);
  EXPECT_EQ(EventClass(word), 3);
  EXPECT_EQ(EventCode(word), 3);
  EXPECT_EQ(SnrGrade(word), 5);
  EXPECT_EQ(ModemState(word), 11);
  EXPECT_EQ(PaddedNumberRow("Modem event # ", 0), "Modem event # 0    ");
  EXPECT_EQ(PaddedNumberRow("Modem event # ", 9999), "Modem event # 9999 ");
  EXPECT_EQ(PaddedNumberRow("Modem event # ", 10000), "Modem event # 10000");
  EXPECT_EQ(PaddedNumberRow("Byte # ", 123456), "Byte # 123456");
}

class ReadoutTest : public ::testing::Test {
 protected:
  ReadoutTest() {
    colors.answer = 0x8080DF;
    colors.answerText = 0x000001;
    colors.originate = 0x80DF80;
    colors.originateText = 0x000002;
    colors.marker = 0xFF0000;
    colors.window = 0xFFFFFF;
    colors.windowText = 0;
  }
  ReadoutRows Rows(int cursor, int marker, const SessionLayout* layout = nullptr) {
    LinkFields(store).cursorRecordIndex = cursor;
    LinkFields(store).currentRecordIndex = marker;
    return BuildCaptureReadout(store, options, colors, layout);
  }
  void ExpectWindowRows(const ReadoutRows& rows, int first, int last) {
    for (int r = first; r <= last; ++r) {
      EXPECT_EQ(rows[r].fill, colors.window) << "row " << r;
      EXPECT_EQ(rows[r].text.find_first_not_of(' '), std::string::npos) << "row " << r << ": " << rows[r].text;
    }
  }
  CORUData store;
  ReadoutOptions options;
  CaptureColors colors;
};

TEST_F(ReadoutTest, EmptyCaptureIsEmptyWhateverTheIndexes) { ExpectWindowRows(Rows(3, 7), 0, 18); }

TEST_F(ReadoutTest, CursorOnFirstDataByte) {
  LinkFields(store).captureBuffer.Add(CCaptBuf('A', CAPT_ANSWER | 0x05, 1234, 77));
  AddByte(store, ' ', false, 12, 5);
  ReadoutRows rows = Rows(0, -1);
  EXPECT_EQ(rows[0].text, "Byte # 0    ");
  EXPECT_EQ(rows[1].text, "Hex:   0x41");
  EXPECT_EQ(rows[2].text, "Ascii: A      ");
  EXPECT_EQ(rows[3].text, "Time:   5.123 Seconds");  // the first record's seconds: the attribute's low bits
  for (int r = 0; r < 4; ++r) {
    EXPECT_EQ(rows[r].fill, colors.answer);
    EXPECT_EQ(rows[r].textColor, colors.answerText);
  }
  ExpectWindowRows(rows, 4, 5);
  ExpectWindowRows(rows, 13, 18);  // no marker
  EXPECT_EQ(rows[8].text, std::string(17, ' '));
  EXPECT_EQ(rows[11].text, std::string(17, ' '));

  rows = Rows(1, -1);
  EXPECT_EQ(rows[2].text, "Ascii: <SPACE>");
  EXPECT_EQ(rows[3].text, "Time:  12.001 Seconds");
  EXPECT_EQ(rows[0].fill, colors.originate);
}

TEST_F(ReadoutTest, ModemEventCursorAndMarker) {
  AddByte(store, 'x', true);
  AddModemEvent(store, 0x00, 0x00);
  AddByte(store, 'y', true);
  AddModemEvent(store, 0x6C, 0x5B);
  AddByte(store, 'z', false, 2, 0);
  // records: x E E y E E z ; the second word starts at 4
  ReadoutRows rows = Rows(4, 1);
  EXPECT_EQ(rows[0].text, "Modem event # 1    ");
  EXPECT_EQ(rows[1].text, "7200 V.32bis");
  EXPECT_EQ(rows[2].text, "R1 received");
  EXPECT_EQ(rows[3].text, "SNR: normal");
  EXPECT_EQ(rows[4].text, "7200bps V.32bis");
  EXPECT_EQ(rows[5].text, "Time:   0.000 Seconds");
  for (int r = 0; r < 6; ++r) {
    EXPECT_EQ(rows[r].fill, 0x0000FFu);
    EXPECT_EQ(rows[r].textColor, kWhite);
  }
  EXPECT_EQ(rows[13].text, "Modem event # 0    ");
  EXPECT_EQ(rows[14].text, "");
  EXPECT_EQ(rows[16].text, "SNR: not determined");
  EXPECT_EQ(rows[17].text, "");
  EXPECT_EQ(rows[18].text, "Time:   0.000 Seconds");
  for (int r = 13; r <= 18; ++r) EXPECT_EQ(rows[r].fill, colors.marker);
  // Data bytes between them: y only (the event records do not count).
  EXPECT_EQ(rows[8].text, "Bytes FROM marker:");
  EXPECT_EQ(rows[9].text, "1");

  // The same with the layout's counts.
  SessionLayout layout;
  layout.Layout(store, LayoutGeometry{80, 8, 16, 3}, SessionOptions{});
  EXPECT_EQ(Rows(4, 1, &layout), rows);
}

TEST_F(ReadoutTest, EventAtTheEndWithoutItsSecondByte) {
  AddByte(store, 'x', true);
  LinkFields(store).captureBuffer.Add(CCaptBuf(0x6C, CAPT_MODEM_EVENT, 0, 0));
  ReadoutRows rows = Rows(1, -1);
  EXPECT_EQ(rows[0].text, "Modem event # 0    ");
  for (int r = 1; r <= 4; ++r) {
    EXPECT_EQ(rows[r].text, std::string(13, ' '));
    EXPECT_EQ(rows[r].textBackground, colors.window);
  }
}

TEST_F(ReadoutTest, DistancesAcrossEventsAndBackwardsTime) {
  AddEvent(store, false);
  AddByte(store, 'a', true, 5, 0);
  AddByte(store, 'b', true, 3, 5000);  // later byte, earlier stamp
  AddEvent(store, false);
  AddByte(store, 'c', false, 20, 0);
  ReadoutRows rows = Rows(0, 1);
  EXPECT_EQ(rows[8].text, "Bytes TO marker:");
  EXPECT_EQ(rows[9].text, "1");
  EXPECT_EQ(rows[10].text, "Time TO marker:");
  EXPECT_EQ(rows[11].text, "-1.000 Seconds ");
  EXPECT_EQ(rows[13].text, "Marker byte # 1    ");
  rows = Rows(2, 0);
  EXPECT_EQ(rows[8].text, "Bytes FROM marker:");
  EXPECT_EQ(rows[9].text, "2");
  EXPECT_EQ(rows[10].text, std::string(17, ' '));  // different events: no time distance
  rows = Rows(1, 0);
  EXPECT_EQ(rows[11].text, "-1.000 Seconds ");
  LinkFields(store).captureBuffer[1].timeSeconds = 1200;
  rows = Rows(1, 0);
  EXPECT_EQ(rows[11].text, "1195.500 Seconds");
  EXPECT_EQ(rows[3].text, "Time: 1200.500 Seconds");
}

TEST_F(ReadoutTest, BadIndexesCountAsNone) {
  AddByte(store, 'a', true);
  for (int marker : {5, INT_MAX, -7}) {
    ReadoutRows rows = Rows(0, marker);
    ExpectWindowRows(rows, 13, 18);
    EXPECT_EQ(rows[9].text, std::string(17, ' '));
  }
  ReadoutRows rows = Rows(1, 0);  // the cursor one past the end
  ExpectWindowRows(rows, 0, 5);
  EXPECT_EQ(rows[13].text, "Marker byte # 0    ");
}

TEST_F(ReadoutTest, SyncByteNumberHexAndParityNote) {
  LinkFields(store).sysCfg.bitStuffed = 1;
  AddEvent(store, true);
  CCaptBuf record(0xC1, CAPT_ANSWER, 0, 0);
  record.hdlcByte = 0x48;
  record.hdlcResult = HDLC_BYTE_READY;
  record.syncSequence = 41;
  AddByte(store, 0, true);
  LinkFields(store).captureBuffer.Add(record);
  options.bitStuffed = true;
  ReadoutRows rows = Rows(1, -1);
  EXPECT_EQ(rows[0].text, "Byte # 41   ");
  EXPECT_EQ(rows[1].text, "Hex:   0x48");
  EXPECT_EQ(rows[2].text, "Ascii: H      ");
  EXPECT_EQ(rows[6].text, std::string(14, ' '));
  options.highlightParityBit = true;
  options.parity7E1 = true;
  EXPECT_EQ(Rows(1, -1)[6].text, "Parity bit set");
  options.bitStuffed = false;
  rows = Rows(1, -1);
  EXPECT_EQ(rows[1].text, "Hex:   0xc1");
  EXPECT_EQ(rows[2].text, "Ascii: A      ");  // 7E1: seven bits
}

// The worker writes the configuration bytes under the store's lock; the session view and the
// read-out read them under it too.
TEST(DisplayOptions, AreReadUnderTheStoreLock) {
  CORUData store;
  LinkFields(store).sysCfg.parity7E1 = 1;
  LinkFields(store).sysCfg.bitStuffed = 1;
  SessionOptions session;
  EXPECT_TRUE(linktest::ReadWaitsForTheStoreLock(store, [&] { session = OptionsFrom(store, ViewType::Hex); }));
  EXPECT_TRUE(session.parity7E1 && session.bitStuffed);
  ReadoutOptions readout;
  EXPECT_TRUE(linktest::ReadWaitsForTheStoreLock(store, [&] { readout = ReadoutOptionsFrom(store); }));
  EXPECT_TRUE(readout.parity7E1 && readout.bitStuffed);
}

}  // namespace
