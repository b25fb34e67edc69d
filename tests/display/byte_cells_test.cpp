// Byte names, the parity test and the cell rules of a session line.

#include <gtest/gtest.h>

#include <set>

#include "display/model/ByteNames.h"
#include "display/model/CellRules.h"
#include "link/files/CsvExport.h"

namespace {

struct NameCase {
  int byte;
  const char* name;
  int cells;
};

class CharNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(CharNameTest, NameAndCells) {
  const NameCase& c = GetParam();
  EXPECT_EQ(CharName(static_cast<UCHAR>(c.byte)), c.name);
  EXPECT_EQ(CharNameCells(static_cast<UCHAR>(c.byte)), c.cells);
}

INSTANTIATE_TEST_SUITE_P(Bytes, CharNameTest,
                         ::testing::Values(NameCase{0x1B, "<ESC>", 5}, NameCase{0x81, "<UNK>", 5},
                                           NameCase{0x41, "A", 1}, NameCase{0xE9, "\xC3\xA9", 1},
                                           NameCase{0x00, "<NUL>", 5}, NameCase{0x09, "<TAB>", 5},
                                           NameCase{0x1F, "<US>", 4}, NameCase{0x7F, "<DEL>", 5},
                                           NameCase{0x20, " ", 1}, NameCase{0x80, "\xE2\x82\xAC", 1},
                                           NameCase{0x9F, "\xC5\xB8", 1}, NameCase{0xFF, "\xC3\xBF", 1}));

TEST(CharName, ControlNamesAreTheCsvOnesAndUnknownIsExactlyTheUndefinedCodes) {
  for (int b = 0; b < 32; ++b) EXPECT_EQ(CharName(static_cast<UCHAR>(b)), CsvControlName(static_cast<UCHAR>(b)));
  std::set<int> unknown;
  for (int b = 0; b < 256; ++b) {
    if (CharName(static_cast<UCHAR>(b)) == "<UNK>") unknown.insert(b);
    if (b >= 0x20 && b != 0x7F && unknown.count(b) == 0) {
      EXPECT_EQ(CharNameCells(static_cast<UCHAR>(b)), 1) << b;
    }
  }
  EXPECT_EQ(unknown, (std::set<int>{129, 141, 143, 144, 157}));
}

TEST(HexTextAndParity, Values) {
  EXPECT_EQ(HexText(0x0A), "0A");
  EXPECT_EQ(HexText(0xC3), "C3");
  EXPECT_EQ(HexText(0x00), "00");
  EXPECT_TRUE(CheckParity(0xC3));
  EXPECT_FALSE(CheckParity(0x43));
  EXPECT_TRUE(CheckParity(0x41));
  EXPECT_TRUE(CheckParity(0x00));
  EXPECT_FALSE(CheckParity(0x80));
}

class CellLookTest : public ::testing::Test {
 protected:
  CellLookTest() {
    colors.answer = 0x8080DF;
    colors.answerShade = 0x5050C0;
    colors.answerText = 0x010203;
    colors.originate = 0x80DF80;
    colors.originateShade = 0x50C050;
    colors.originateText = 0x040506;
    colors.marker = 0xFF0000;
    colors.markerText = 0xFFFFFF;
  }
  CellLook Look(UCHAR data, UCHAR flags, int index = 1, int marker = -1, bool syncEvent = false) const {
    CCaptBuf record(data, flags, 0, 0);
    return LookOf(record, index, syncEvent, options, colors, marker);
  }
  SessionOptions options;
  CaptureColors colors;
};

TEST_F(CellLookTest, DirectionColoursAndNames) {
  CellLook answer = Look(0x1B, CAPT_ANSWER);
  EXPECT_EQ(answer.text, "<ESC>");
  EXPECT_EQ(answer.cells, 5);
  EXPECT_EQ(answer.colors.background, colors.answer);
  EXPECT_EQ(answer.colors.text, colors.answerText);
  CellLook originate = Look(0x41, 0);
  EXPECT_EQ(originate.text, "A");
  EXPECT_EQ(originate.colors.background, colors.originate);
  EXPECT_EQ(originate.colors.text, colors.originateText);
}

TEST_F(CellLookTest, SevenE1ParityHighlighting) {
  options.parity7E1 = true;
  options.highlightParityErrors = true;
  CellLook passes = Look(0xC3, 0);
  EXPECT_EQ(passes.text, "C");
  EXPECT_EQ(passes.colors.background, colors.originate);
  CellLook fails = Look(0x43, 0);
  EXPECT_EQ(fails.text, "C");
  EXPECT_EQ(fails.colors.background, kParityErrorBack);
  EXPECT_EQ(fails.colors.text, kBlack);
  EXPECT_EQ(Look(0x41, 0).colors.background, colors.originate);
  options.highlightParityBit = true;
  EXPECT_EQ(Look(0xC3, 0).colors.background, kParityBitBack);
  options.viewType = ViewType::Hex;
  EXPECT_EQ(Look(0xC3, 0).text, "43");  // reduced to 7 bits in hex too
}

TEST_F(CellLookTest, HexAlternatesShadeAndColourByIndex) {
  options.viewType = ViewType::Hex;
  CellLook even = Look(0x41, CAPT_ANSWER, 4);
  CellLook odd = Look(0x41, CAPT_ANSWER, 5);
  EXPECT_EQ(even.text, "41");
  EXPECT_EQ(even.cells, 2);
  EXPECT_EQ(even.colors.background, colors.answerShade);
  EXPECT_EQ(odd.colors.background, colors.answer);
  EXPECT_EQ(Look(0x41, 0, 6).colors.background, colors.originateShade);
  EXPECT_EQ(even.colors.text, colors.answerText);
}

TEST_F(CellLookTest, ModemEventsSyncGreyAndMarkerOverride) {
  options.showModemEvents = true;
  CCaptBuf opening(0x6C, CAPT_MODEM_EVENT | CAPT_ANSWER, 0, 0);
  opening.markerShown = 1;
  CellLook star = LookOf(opening, 3, false, options, colors, -1);
  EXPECT_EQ(star.text, "*");
  EXPECT_EQ(star.cells, 1);
  EXPECT_EQ(star.colors.background, kModemEventBack);
  EXPECT_EQ(star.colors.text, kWhite);
  CellLook shown = Look(0x41, CAPT_MODEM_EVENT);  // neither marker cell nor hidden
  EXPECT_EQ(shown.text, "A");
  EXPECT_EQ(shown.colors.background, kModemEventBack);
  EXPECT_EQ(LookOf(opening, 3, false, options, colors, 3).colors.background, colors.marker);

  options.sync = true;
  CellLook grey = Look(0x41, 0);
  EXPECT_EQ(grey.colors.background, kSyncBack);
  EXPECT_EQ(grey.colors.text, colors.answerText);
  EXPECT_EQ(LookOf(opening, 3, false, options, colors, -1).colors.background, kSyncBack);

  options.sync = false;
  options.parity7E1 = true;
  options.highlightParityErrors = true;
  CellLook marked = Look(0x43, 0, 7, 7);
  EXPECT_EQ(marked.colors.background, colors.marker);
  EXPECT_EQ(marked.colors.text, colors.markerText);
}

TEST_F(CellLookTest, SkippedRecords) {
  CCaptBuf event(0x6C, CAPT_MODEM_EVENT, 0, 0);
  EXPECT_TRUE(LookOf(event, 0, false, options, colors, -1).skipped);  // events not shown
  options.showModemEvents = true;
  event.hidden = 1;
  EXPECT_TRUE(LookOf(event, 0, false, options, colors, -1).skipped);
  // Bit-stuffed Sync: a record that completed no byte takes no room; one that did shows it.
  options.bitStuffed = true;
  CCaptBuf raw(0x7E, 0, 0, 0);
  EXPECT_TRUE(LookOf(raw, 0, true, options, colors, -1).skipped);
  raw.hdlcResult = HDLC_BYTE_READY;
  raw.hdlcByte = 0x48;
  EXPECT_EQ(LookOf(raw, 0, true, options, colors, -1).text, "H");
  EXPECT_EQ(LookOf(raw, 0, false, options, colors, -1).text, "~");  // an Async line shows the data
}

}  // namespace
