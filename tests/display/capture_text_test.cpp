// The capture text view's layout without Qt: texts, shades, attributes and colours, the cells in
// the records, modem events, the binary-search hit test against a plain scan, and pages.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "display/model/CaptureText.h"
#include "display/model/CaptureTextLayout.h"
#include "tests/display/DisplayTestData.h"
#include "link/store/LinkAccess.h"

namespace {

using namespace displaytest;

constexpr LONG kCw = 10;
constexpr LONG kCh = 18;

CaptureTextMetrics Metrics(LONG width, LONG pageHeight = 0) { return {kCw, kCh, width, pageHeight}; }

CaptureTextOptions Ascii() { return CaptureTextOptions{}; }
CaptureTextOptions Hex() {
  CaptureTextOptions o;
  o.viewType = ViewType::Hex;
  return o;
}

void Lay(CaptureTextLayout& layout, CORUData& store, const CaptureTextOptions& o, const CaptureTextMetrics& m) {
  layout.Layout(*store.HoldCapture(), o, m);
}

TEST(CaptureText, DisplayTextsAndHex) {
  EXPECT_EQ(ByteToDisplayText(0x09), "<TAB>");
  EXPECT_EQ(ByteToDisplayText(0x7F), "<DEL>");
  EXPECT_EQ(ByteToDisplayText(0x41), "A");
  EXPECT_EQ(ByteToDisplayText(0xC1), "\xC3\x81");  // the one character of that code
  EXPECT_EQ(DisplayTextCells(0xC1), 1);
  // Undefined in the code page, still the byte itself, one cell (no "<UNK>" in this view).
  EXPECT_EQ(ByteToDisplayText(0x81), "\xC2\x81");
  EXPECT_EQ(DisplayTextCells(0x81), 1);
  EXPECT_EQ(DisplayTextCells(0x1B), 5);
  EXPECT_EQ(ByteToHex(0x0A, 0xFF), "0A");
  EXPECT_EQ(ByteToHex(0xC1, 0x7F), "41");
  EXPECT_EQ(ByteToHex(0xC1, 0xFF), "C1");
}

TEST(CaptureText, ShadesOnScreenAndInPrint) {
  EXPECT_EQ(ShadedLightness(120, ShadeRule::Screen), 102u);
  EXPECT_EQ(ShadedLightness(120, ShadeRule::Print), 96u);
  EXPECT_EQ(ShadedLightness(119, ShadeRule::Screen), 136u);
  EXPECT_EQ(ShadedLightness(119, ShadeRule::Print), 142u);
  EXPECT_EQ(ShadedLightness(240, ShadeRule::Screen), 204u);
  // Through the colour conversion: hue and saturation kept, lightness moved.
  const COLORREF answer = HlsToRgb(HLS(160, 120, 200));
  const uint32_t before = RgbToHls(answer);
  const uint32_t after = RgbToHls(CellShade(answer, ShadeRule::Print));
  EXPECT_NEAR(double(HlsLightness(after)), ShadedLightness(HlsLightness(before), ShadeRule::Print), 1.0);
  EXPECT_NEAR(double(HlsHue(after)), double(HlsHue(before)), 2.0);
}

TEST(CaptureText, ColoursFromAttributes) {
  CaptureColors c;
  c.answer = 0x111111;
  c.answerText = 0x222222;
  c.originate = 0x333333;
  c.originateText = 0x444444;
  c.answerShade = 0x555555;
  c.originateShade = 0x666666;
  c.marker = 0x777777;
  c.markerText = 0x888888;
  c.windowText = 0x999999;
  struct Case {
    ULONG attributes;
    bool selected, hex;
    CellColors colors;
  };
  for (const Case& k : {
           Case{kCellAnswer, false, false, {0x111111, 0x222222}},
           Case{kCellOriginate, false, false, {0x333333, 0x444444}},
           Case{kCellAnswer | kCellShaded, false, true, {0x555555, 0x222222}},
           Case{kCellOriginate | kCellShaded, false, true, {0x666666, 0x444444}},
           Case{kCellAnswer | kCellShaded, false, false, {0x111111, 0x222222}},  // ASCII never shades
           Case{kCellAnswer | kCellParityError | kCellParityBit, false, false, {0x10DFDF, kParityText}},
           Case{kCellAnswer | kCellParityBit, false, false, {0xDFDF80, kParityText}},
           Case{kCellAnswer | kCellParityError | kCellShaded, false, true, {0x2EFDFD, kParityText}},
           Case{kCellAnswer | kCellParityBit | kCellShaded, false, true, {0xFDFD9E, kParityText}},
           Case{kCellAnswer | kCellModemEvent, false, false, {0x0000FF, 0x222222}},
           Case{kCellAnswer | kCellModemEvent, false, true, {0x0000FF, 0x444444}},
           Case{kCellAnswer | kCellModemEvent | kCellParityError, true, true, {0x777777, 0x888888}},
       }) {
    EXPECT_EQ(AttributeColors(k.attributes, k.selected, k.hex, c), k.colors) << std::hex << k.attributes;
  }
}

TEST(CaptureTextLayout, AnswerRowIsOneCellLowerAndEveryByteHasItsColumn) {
  CORUData store;
  AddEvent(store, false);
  AddByte(store, 'A', false);
  AddByte(store, 'B', true);
  AddByte(store, 0x1B, false);
  CaptureTextLayout layout;
  Lay(layout, store, Ascii(), Metrics(600));
  const CCaptBuf* r = LinkFields(store).captureBuffer.GetData();
  // Title at 0, the data line below it.
  EXPECT_EQ(r[0].asciiCell, (CellRect{0, -kCh, kCw, -3 * kCh}));
  EXPECT_EQ(r[1].asciiCell, (CellRect{kCw, -kCh, 2 * kCw, -3 * kCh}));
  EXPECT_EQ(r[2].asciiCell, (CellRect{2 * kCw, -kCh, 7 * kCw, -3 * kCh}));
  EXPECT_EQ(r[2].cellWidth, 5);
  EXPECT_EQ(layout.RowOf(r[0]), (CellRect{0, -kCh, kCw, -2 * kCh}));
  EXPECT_EQ(layout.RowOf(r[1]), (CellRect{kCw, -2 * kCh, 2 * kCw, -3 * kCh}));
  EXPECT_EQ(r[0].cellAttributes, kCellOriginate | kCell8N1);
  EXPECT_EQ(r[1].cellAttributes, kCellAnswer | kCell8N1);
  EXPECT_EQ(layout.Lowest(), -3 * kCh);
}

TEST(CaptureTextLayout, HexShadingRestartsAtWrapsNotAtTitles) {
  CORUData store;
  AddEvent(store, false);
  for (int k = 0; k < 7; ++k) AddByte(store, UCHAR(k), k % 2 == 0);
  AddEvent(store, false);
  for (int k = 0; k < 4; ++k) AddByte(store, UCHAR(k), true);
  CaptureTextLayout layout;
  Lay(layout, store, Hex(), Metrics(5 * 2 * kCw));  // five hex cells a line
  std::string shaded;
  for (int i = 0; i < LinkFields(store).captureBuffer.GetSize(); ++i)
    shaded += (LinkFields(store).captureBuffer[i].cellAttributes & kCellShaded) ? 'S' : '-';
  EXPECT_EQ(shaded,
            "S-S-S"
            "S-"
            "S-S-");
  // The second title starts a new line; the wrap put the sixth byte at the left edge.
  EXPECT_EQ(LinkFields(store).captureBuffer[5].hexCell.left, 0);
  EXPECT_EQ(LinkFields(store).captureBuffer[7].hexCell.left, 0);
  EXPECT_LT(LinkFields(store).captureBuffer[7].hexCell.top, LinkFields(store).captureBuffer[5].hexCell.bottom);
}

TEST(CaptureTextLayout, ModemEventsShownAndHidden) {
  CORUData store;
  AddEvent(store, false);
  AddByte(store, 'a', false);
  AddModemEvent(store, 0x12, 0x34);
  AddByte(store, 'b', false);
  ASSERT_EQ(LinkFields(store).captureBuffer[2].hidden, 1);
  CaptureTextOptions o = Ascii();
  o.showModemEvents = true;
  CaptureTextLayout layout;
  Lay(layout, store, o, Metrics(600));
  const CCaptBuf* r = LinkFields(store).captureBuffer.GetData();
  // ASCII: one "*" cell on the first record, the second takes nothing.
  EXPECT_EQ(r[1].cellWidth, 1);
  EXPECT_EQ(r[1].asciiCell.right - r[1].asciiCell.left, kCw);
  EXPECT_EQ(r[2].asciiCell, CellRect{});
  EXPECT_EQ(r[3].asciiCell.left, 2 * kCw);
  EXPECT_NE(r[1].cellAttributes & kCellModemEvent, 0u);
  // Hex: two red cells.
  o.viewType = ViewType::Hex;
  Lay(layout, store, o, Metrics(600));
  EXPECT_EQ(r[1].hexCell.left, 2 * kCw);
  EXPECT_EQ(r[2].hexCell.left, 4 * kCw);
  EXPECT_EQ(r[3].hexCell.left, 6 * kCw);
  for (int i : {1, 2})
    EXPECT_EQ(AttributeColors(r[i].cellAttributes, false, true, CaptureColors{}).background, 0x0000FFu);
  // Hidden: no room in either layout, and the earlier cells are gone.
  o.showModemEvents = false;
  Lay(layout, store, o, Metrics(600));
  EXPECT_EQ(r[1].hexCell, CellRect{});
  EXPECT_EQ(r[2].hexCell, CellRect{});
  EXPECT_EQ(r[3].hexCell.left, 2 * kCw);
  o.viewType = ViewType::Ascii;
  Lay(layout, store, o, Metrics(600));
  EXPECT_EQ(r[1].asciiCell, CellRect{});
  EXPECT_EQ(r[3].asciiCell.left, kCw);
  EXPECT_EQ(layout.Cells(), (std::vector<int>{0, 3}));
}

TEST(CaptureTextLayout, ByteAfterAnUnpairedModemRecordKeepsItsCell) {
  CORUData store;
  AddEvent(store, false);
  LinkFields(store).captureBuffer.Add(CCaptBuf(0x12, CAPT_MODEM_EVENT, 0, 0));  // half a word: the pair was cut
  AddByte(store, 'Q', false);
  CaptureTextOptions o = Ascii();
  o.showModemEvents = true;
  CaptureTextLayout layout;
  Lay(layout, store, o, Metrics(600));
  EXPECT_EQ(layout.Cells(), (std::vector<int>{0, 1}));
  EXPECT_EQ(LinkFields(store).captureBuffer[1].asciiCell.left, kCw);
  EXPECT_EQ(PairFirst(*store.HoldCapture(), 1), 1);
}

TEST(CaptureTextLayout, PairSecondMeansTheFirst) {
  CORUData store;
  AddByte(store, 'x', true);
  AddModemEvent(store, 1, 2);
  EXPECT_EQ(PairFirst(*store.HoldCapture(), 2), 1);
  EXPECT_EQ(PairFirst(*store.HoldCapture(), 1), 1);
  EXPECT_EQ(PairFirst(*store.HoldCapture(), 0), 0);
  EXPECT_EQ(PairFirst(*store.HoldCapture(), -1), -1);
}

TEST(CaptureTextLayout, ParityAttributesOnlyIn7E1) {
  CORUData store;
  for (UCHAR b : {UCHAR(0xC3), UCHAR(0x43), UCHAR(0x41)}) AddByte(store, b, true);
  for (ViewType type : {ViewType::Ascii, ViewType::Hex}) {
    CaptureTextOptions o;
    o.viewType = type;
    o.highlightParityBit = true;
    o.highlightParityErrors = true;
    CaptureTextLayout layout;
    Lay(layout, store, o, Metrics(600));
    auto& fields = LinkFields(store);
    for (int i = 0; i < 3; ++i)
      EXPECT_EQ(fields.captureBuffer[i].cellAttributes & (kCellParityBit | kCellParityError), 0u)
          << static_cast<int>(type);
    o.parity7E1 = true;
    Lay(layout, store, o, Metrics(600));
    // 0xC3: even ones, bit 7 set; 0x43: odd ones; 0x41: even, bit 7 clear.
    EXPECT_EQ(fields.captureBuffer[0].cellAttributes & 0x3F0, kCellParityBit | kCell7E1) << static_cast<int>(type);
    EXPECT_EQ(fields.captureBuffer[1].cellAttributes & 0x3F0, kCellParityError | kCell7E1) << static_cast<int>(type);
    EXPECT_EQ(fields.captureBuffer[2].cellAttributes & 0x3F0, kCell7E1) << static_cast<int>(type);
  }
}

// The binary search against a scan of every cell, at points on and around the edges.
TEST(CaptureTextLayout, HitTestMatchesAScanOfEveryCell) {
  CORUData store;
  std::mt19937 random(3);
  for (int e = 0; e < 6; ++e) {
    AddEvent(store, false);
    for (int k = 0, n = int(random() % 120); k < n; ++k) {
      if (random() % 15 == 0) {
        AddModemEvent(store, 1, 2, random() % 2 == 0);
      } else {
        AddByte(store, UCHAR(random() % 256), random() % 2 == 0);
      }
    }
  }
  for (ViewType type : {ViewType::Ascii, ViewType::Hex}) {
    CaptureTextOptions o;
    o.viewType = type;
    o.showModemEvents = true;
    CaptureTextLayout layout;
    Lay(layout, store, o, Metrics(317));
    const CCaptBuf* r = LinkFields(store).captureBuffer.GetData();
    auto scan = [&](LONG x, LONG y) {
      for (int i = 0; i < LinkFields(store).captureBuffer.GetSize(); ++i) {
        const CellRect& c = type == ViewType::Ascii ? r[i].asciiCell : r[i].hexCell;
        if (c == CellRect{}) continue;
        if (x >= c.left && x < c.right && y >= c.bottom && y < c.top) return i;
      }
      return -1;
    };
    int hits = 0;
    for (LONG y = 5; y > layout.Lowest() - 5; y -= 3) {
      for (LONG x = -2; x < 330; x += 3) {
        const int expected = scan(x, y);
        ASSERT_EQ(layout.HitTest(*store.HoldCapture(), x, y), expected)
            << static_cast<int>(type) << " at " << x << "," << y;
        hits += expected >= 0 ? 1 : 0;
      }
    }
    EXPECT_GT(hits, 1000);
    // The edges: left and lower inside, right and upper outside.
    const CellRect& c = layout.CellOf(r[layout.Cells()[3]]);
    EXPECT_EQ(layout.HitTest(*store.HoldCapture(), c.left, c.bottom), layout.Cells()[3]);
    EXPECT_NE(layout.HitTest(*store.HoldCapture(), c.right, c.bottom), layout.Cells()[3]);
    EXPECT_EQ(layout.HitTest(*store.HoldCapture(), c.left, c.top), -1);
  }
}

// Every cell and title on exactly one page, inside its 800-unit body; a block that would not
// fit starts the next page.
TEST(CaptureTextLayout, PagesHoldEveryRecordInsideTheirBody) {
  CORUData store;
  std::mt19937 random(11);
  for (int e = 0; e < 30; ++e) {
    AddEvent(store, false);
    for (int k = 0, n = int(random() % 200); k < n; ++k) AddByte(store, UCHAR(random() % 256), random() % 2 == 0);
    UpdateLastCount(store);
  }
  for (ViewType type : {ViewType::Ascii, ViewType::Hex}) {
    CaptureTextOptions o;
    o.viewType = type;
    CaptureTextLayout layout;
    Lay(layout, store, o, Metrics(600, 800));
    ASSERT_GT(layout.Pages(), 3) << static_cast<int>(type);
    std::size_t seen = 0;
    for (int p = 0; p < layout.Pages(); ++p) {
      const auto [first, end] = layout.CellsOfPage(p);
      EXPECT_EQ(first, seen) << p;
      seen = end;
      for (std::size_t k = first; k < end; ++k) {
        const CellRect& c = layout.CellOf(LinkFields(store).captureBuffer[layout.Cells()[k]]);
        ASSERT_LE(c.top, layout.PageTop(p)) << p;
        ASSERT_GE(c.bottom, layout.PageTop(p) - 800) << p;
        ASSERT_LE(c.right, 600);
      }
      if (p > 0) {
        // The page starts where the last one could take no more.
        const ULONG at = layout.PageBreaks()[std::size_t(p)];
        EXPECT_GT(at, layout.PageBreaks()[std::size_t(p - 1)]);
      }
    }
    EXPECT_EQ(seen, layout.Cells().size());
    int titles = 0;
    for (const CaptureTextItem& item : layout.Items()) {
      if (item.kind != TextItemKind::Title) continue;
      ++titles;
      EXPECT_LE(item.y, layout.PageTop(item.page));
      EXPECT_GE(item.y - 3 * kCh, layout.PageTop(item.page) - 800);
    }
    EXPECT_EQ(titles, 30);
  }
  // No page body when it is not printing.
  CaptureTextLayout screen;
  Lay(screen, store, Ascii(), Metrics(600));
  EXPECT_EQ(screen.Pages(), 1);
}

TEST(CaptureTextLayout, EventsThatFitPrintOneAfterAnother) {
  CORUData store;
  // Each event: a title and two full lines (60 cells of 10 in 600), 96 units with separators.
  for (int e = 0; e < 10; ++e) {
    AddEvent(store, false);
    for (int k = 0; k < 120; ++k) AddByte(store, 'q', false);
  }
  CaptureTextLayout layout;
  Lay(layout, store, Ascii(), Metrics(600, 800));
  // Eight events fit in 800 units; the ninth title with its first line would not.
  ASSERT_EQ(layout.Pages(), 2);
  auto& fields = LinkFields(store);
  EXPECT_EQ(layout.PageBreaks()[1], ULONG(fields.captureHeaders[8].firstIndex));
  const CaptureTextItem* ninth = nullptr;
  for (const CaptureTextItem& item : layout.Items())
    if (item.kind == TextItemKind::Title && item.eventIndex == 8) ninth = &item;
  ASSERT_NE(ninth, nullptr);
  EXPECT_EQ(ninth->page, 1);
  EXPECT_EQ(ninth->y, -800);
  EXPECT_EQ(fields.captureBuffer[int(fields.captureHeaders[7].firstIndex) + 119].asciiCell.bottom, -7 * 96 - 93);
}

}  // namespace
