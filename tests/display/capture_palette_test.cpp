// The capture palette: the cell-style priorities in both orders, and one byte coloured alike by
// the session view, the capture text view and the read-out wherever they agree.

#include <gtest/gtest.h>

#include "display/model/CapturePalette.h"
#include "display/model/CaptureText.h"
#include "display/model/CaptureTextLayout.h"
#include "display/model/CellRules.h"
#include "display/model/ReadoutRows.h"
#include "tests/display/DisplayTestData.h"
#include "link/store/LinkAccess.h"

namespace {

using namespace displaytest;

struct StyleCase {
  const char* name;
  CellTraits traits;
  CellStyle modemEventFirst;
  CellStyle parityFirst;
};

CellTraits Traits(bool marker, bool sync, bool modemEvent, bool parityError, bool parityBit) {
  CellTraits t;
  t.marker = marker;
  t.sync = sync;
  t.modemEvent = modemEvent;
  t.parityError = parityError;
  t.parityBit = parityBit;
  return t;
}

class CellStyleTest : public ::testing::TestWithParam<StyleCase> {};

TEST_P(CellStyleTest, BothOrders) {
  const StyleCase& c = GetParam();
  EXPECT_EQ(CellStyleOf(c.traits, CellOrder::ModemEventFirst), c.modemEventFirst);
  EXPECT_EQ(CellStyleOf(c.traits, CellOrder::ParityFirst), c.parityFirst);
}

using S = CellStyle;
// Traits: marker, sync, modem event, parity error, parity bit.
INSTANTIATE_TEST_SUITE_P(
    Flags, CellStyleTest,
    ::testing::Values(StyleCase{"none", Traits(0, 0, 0, 0, 0), S::Own, S::Own},
                      StyleCase{"event", Traits(0, 0, 1, 0, 0), S::ModemEvent, S::ModemEvent},
                      StyleCase{"error", Traits(0, 0, 0, 1, 0), S::ParityError, S::ParityError},
                      StyleCase{"bit", Traits(0, 0, 0, 0, 1), S::ParityBit, S::ParityBit},
                      StyleCase{"errorAndBit", Traits(0, 0, 0, 1, 1), S::ParityError, S::ParityError},
                      StyleCase{"eventAndError", Traits(0, 0, 1, 1, 0), S::ModemEvent, S::ParityError},
                      StyleCase{"eventAndBit", Traits(0, 0, 1, 0, 1), S::ModemEvent, S::ParityBit},
                      StyleCase{"eventErrorBit", Traits(0, 0, 1, 1, 1), S::ModemEvent, S::ParityError},
                      StyleCase{"sync", Traits(0, 1, 0, 0, 0), S::Sync, S::Sync},
                      StyleCase{"syncEvent", Traits(0, 1, 1, 0, 0), S::Sync, S::Sync},
                      StyleCase{"syncError", Traits(0, 1, 0, 1, 1), S::Sync, S::Sync},
                      StyleCase{"marker", Traits(1, 0, 0, 0, 0), S::Marker, S::Marker},
                      StyleCase{"markerOverAll", Traits(1, 1, 1, 1, 1), S::Marker, S::Marker},
                      StyleCase{"markerOverError", Traits(1, 0, 0, 1, 0), S::Marker, S::Marker}),
    [](const ::testing::TestParamInfo<StyleCase>& info) { return std::string(info.param.name); });

// The orders part ways only over a modem event that also has a parity flag.
TEST(CellStyle, OrdersDifferOnlyOverAModemEventWithParity) {
  for (int bits = 0; bits < 32; ++bits) {
    const CellTraits t = Traits(bits & 1, bits & 2, bits & 4, bits & 8, bits & 16);
    const bool differ = CellStyleOf(t, CellOrder::ModemEventFirst) != CellStyleOf(t, CellOrder::ParityFirst);
    EXPECT_EQ(differ, !t.marker && !t.sync && t.modemEvent && (t.parityError || t.parityBit)) << bits;
  }
}

// One byte of an Async capture in ASCII.
struct ByteCase {
  const char* name;
  UCHAR data;
  bool answer;
  bool modemEvent;
  bool parity7E1;
  bool highlightErrors;
  bool highlightBit;
  bool selected;
  bool sameText;    // the views write the text in the same colour too (a modem event's differs)
  bool readoutToo;  // the read-out's cursor rows show this byte's colours
};

class SameByteTest : public ::testing::TestWithParam<ByteCase> {
 protected:
  SameByteTest() {
    colors.answer = 0x101010;
    colors.answerText = 0x202020;
    colors.originate = 0x303030;
    colors.originateText = 0x404040;
    colors.marker = 0x505050;
    colors.markerText = 0x606060;
    colors.answerShade = 0x707070;
    colors.originateShade = 0x808080;
  }
  CaptureColors colors;
};

TEST_P(SameByteTest, SessionTextViewAndReadoutAgree) {
  const ByteCase& c = GetParam();
  CORUData store;
  AddEvent(store, false);
  AddByte(store, 'a', !c.answer);
  auto& fields = LinkFields(store);
  const int index = fields.captureBuffer.GetSize();
  if (c.modemEvent)
    AddModemEvent(store, c.data, 0x00, c.answer);
  else
    AddByte(store, c.data, c.answer);
  AddByte(store, 'b', !c.answer);
  UpdateLastCount(store);
  const int marker = c.selected ? index : -1;

  SessionOptions session;
  session.parity7E1 = c.parity7E1;
  session.showModemEvents = true;
  session.highlightParityErrors = c.highlightErrors;
  session.highlightParityBit = c.highlightBit;
  const CellLook look = LookOf(fields.captureBuffer[index], index, false, session, colors, marker);
  ASSERT_FALSE(look.skipped);

  CaptureTextOptions text;
  text.parity7E1 = c.parity7E1;
  text.showModemEvents = true;
  text.highlightParityErrors = c.highlightErrors;
  text.highlightParityBit = c.highlightBit;
  text.selected = marker;
  CaptureTextLayout layout;
  layout.Layout(*store.HoldCapture(), text, CaptureTextMetrics{10, 18, 600, 0});
  const CellColors cell = AttributeColors(fields.captureBuffer[index].cellAttributes, c.selected, false, colors);

  EXPECT_EQ(cell.background, look.colors.background);
  if (c.sameText) {
    EXPECT_EQ(cell.text, look.colors.text);
  }

  if (c.readoutToo) {
    fields.cursorRecordIndex = index;
    fields.currentRecordIndex = -1;
    ReadoutOptions readout;
    readout.parity7E1 = c.parity7E1;
    readout.highlightParityBit = c.highlightBit;
    const ReadoutRows rows = BuildCaptureReadout(store, readout, colors, nullptr);
    EXPECT_EQ(rows[0].fill, look.colors.background);
    EXPECT_EQ(rows[0].textColor, look.colors.text);
  }
}

// data, answer, event, 7E1, errors, bit, selected, same text, read-out
INSTANTIATE_TEST_SUITE_P(
    Bytes, SameByteTest,
    ::testing::Values(ByteCase{"originate", 'A', false, false, false, false, false, false, true, true},
                      ByteCase{"answer", 'A', true, false, false, false, false, false, true, true},
                      ByteCase{"highBitUnhighlighted", 0xC3, true, false, true, false, false, false, true, true},
                      ByteCase{"parityError", 0x43, false, false, true, true, false, false, true, false},
                      ByteCase{"parityBit", 0xC3, true, false, true, false, true, false, true, false},
                      ByteCase{"errorOverBit", 0xC1, true, false, true, true, true, false, true, false},
                      ByteCase{"selectedError", 0x43, false, false, true, true, true, true, true, false},
                      ByteCase{"modemEvent", 0x6C, true, true, false, false, false, false, false, true},
                      ByteCase{"modemEvent7E1", 0x43, false, true, true, true, true, false, false, true},
                      ByteCase{"selectedModemEvent", 0x6C, false, true, false, false, false, true, true, false}),
    [](const ::testing::TestParamInfo<ByteCase>& info) { return std::string(info.param.name); });

}  // namespace
