// Session printing without a printer: where lines fall on pages, the trace lines, the
// printed range, the header's configuration line, and a print layout that leaves the screen's
// de-stuffers and layout flag alone.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "display/model/PrintPages.h"
#include "display/model/SessionLayout.h"
#include "link/store/SysCfg.h"
#include "link/store/LinkAccess.h"
#include "tests/display/DisplayTestData.h"

namespace {

using namespace displaytest;

CORUSessionLine Line(LONG height, LONG firstByte, LONG eventIndex = 0) {
  CORUSessionLine line;
  line.lineType = kDataLine;
  line.rect = CellRect{0, 0, 100, height};
  line.firstByte = firstByte;
  line.lastByte = firstByte + 9;
  line.eventIndex = eventIndex;
  return line;
}

TEST(PrintPages, LineEndingExactlyAtTheBottomStartsTheNextPage) {
  PrintGeometry g;
  g.firstLineY = 100;
  g.bottom = 250;
  // 100+50 = 150, 150+50 = 200, 200+50 = 250: the third line would end exactly at the bottom.
  const std::vector<CORUSessionLine> lines = {Line(50, 0), Line(50, 10), Line(50, 20, 1), Line(49, 30, 1),
                                              Line(50, 40, 1)};
  std::vector<std::string> trace;
  const PagePlan plan = PlanPages(lines, g, [&](const std::string& text) { trace.push_back(text); });
  EXPECT_EQ(plan.Pages(), 2);
  EXPECT_EQ(plan.pageOfLine, (std::vector<int>{1, 1, 2, 2, 2}));
  EXPECT_EQ(plan.topOfLine, (std::vector<LONG>{100, 150, 100, 150, 199}));
  EXPECT_EQ(plan.FirstLine(2), 2);
  EXPECT_EQ(plan.EndLine(1), 2);
  EXPECT_EQ(plan.EndLine(2), 5);
  // No LineNum for a line starting at byte 0; the break names the page just finished.
  EXPECT_EQ(trace,
            (std::vector<std::string>{"LineNum 1:: StartIdx:10  EndIDX:19", "PageBreak 1:: Header1  StartIDX:20",
                                      "LineNum 3:: StartIdx:30  EndIDX:39", "LineNum 4:: StartIdx:40  EndIDX:49"}));
}

TEST(PrintPages, LineTallerThanAPageTakesOneOfItsOwn) {
  PrintGeometry g;
  g.firstLineY = 100;
  g.bottom = 150;
  const PagePlan plan = PlanPages({Line(80, 0), Line(80, 10), Line(10, 20)}, g);
  EXPECT_EQ(plan.pageOfLine, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(plan.Pages(), 3);
  EXPECT_EQ(PlanPages({}, g).Pages(), 1);
}

TEST(PrintPages, EveryLaidOutLineOnOnePageInsideTheBody) {
  // A real layout of a long mixed capture, paginated at several page heights.
  CORUData store;
  std::mt19937 random(7);
  for (int e = 0; e < 12; ++e) {
    AddEvent(store, false);
    const int bytes = static_cast<int>(random() % 300);
    for (int k = 0; k < bytes; ++k) AddByte(store, static_cast<UCHAR>(random() % 256), random() % 2 == 0);
    UpdateLastCount(store);
  }
  SessionLayout layout(SessionLayout::Role::Print);
  layout.Layout(store, LayoutGeometry{400, 8, 16, 3}, SessionOptions{});
  ASSERT_GT(layout.Lines().size(), 100u);
  for (int bottom : {240, 333, 1000}) {
    PrintGeometry g;
    g.firstLineY = 100;
    g.bottom = bottom;
    const PagePlan plan = PlanPages(layout.Lines(), g);
    ASSERT_EQ(plan.pageOfLine.size(), layout.Lines().size());
    int page = 1;
    for (std::size_t k = 0; k < plan.pageOfLine.size(); ++k) {
      ASSERT_TRUE(plan.pageOfLine[k] == page || plan.pageOfLine[k] == page + 1) << k;
      page = plan.pageOfLine[k];
      EXPECT_LT(plan.topOfLine[k] + layout.Lines()[k].Height(), bottom) << k;
      const int first = plan.FirstLine(page);
      EXPECT_EQ(plan.topOfLine[k] == 100, static_cast<int>(k) == first) << k;
    }
    EXPECT_EQ(page, plan.Pages());
  }
}

TEST(PrintPages, RangeOfThePrintDialog) {
  struct Case {
    int from, to, pages, first, last;
  };
  for (const Case& c : {Case{0, 0, 5, 1, 5}, Case{2, 3, 5, 2, 3}, Case{4, 9, 5, 4, 5}, Case{1, 1, 1, 1, 1},
                        Case{0, 3, 5, 1, 3}, Case{3, 0, 5, 3, 5}}) {
    const PageRange r = PagesToPrint(c.from, c.to, c.pages);
    EXPECT_EQ(r.first, c.first) << c.from << "-" << c.to;
    EXPECT_EQ(r.last, c.last) << c.from << "-" << c.to;
    EXPECT_FALSE(r.Empty());
  }
  EXPECT_TRUE(PagesToPrint(6, 7, 5).Empty());
  EXPECT_EQ(PageFooter(2, 5), "Page 2 of 5");
}

TEST(PrintPages, ConfigurationLine) {
  struct Case {
    UCHAR standard, sync, parity;
    const char* trigger;
    const char* line;
  };
  for (const Case& c :
       {Case{2, 1, 0, "TRIG", "HS 9600    Sync    8N1    TRIG"}, Case{3, 0, 1, "", "HS 14400    Async    7E1    "},
        Case{1, 0, 0, "CONNECT", "1200/2400    Async    8N1    CONNECT"}, Case{4, 1, 1, "", "V.21    Sync    7E1    "},
        Case{0, 0, 0, "", "B300    Async    8N1    "}, Case{9, 2, 2, "", "B300    Async    8N1    "}}) {
    CSysCfg config;
    config.standard = c.standard;
    config.sync = c.sync;
    config.parity7E1 = c.parity;
    config.triggerText = c.trigger;
    EXPECT_EQ(ConfigurationLine(config), c.line);
  }
}

TEST(PrintPages, PrintLayoutLeavesTheScreensDestuffersAndFlag) {
  CORUData store;
  auto& fields = LinkFields(store);
  fields.sysCfg.bitStuffed = 1;
  AddEvent(store, true);
  for (UCHAR byte : HdlcLine({'H', 'E', 'L', 'L', 'O', 0x7E, 0xFF})) AddByte(store, byte, true);
  UpdateLastCount(store);
  const SessionOptions options = OptionsFrom(store, ViewType::Ascii);
  SessionLayout screen;
  screen.Layout(store, LayoutGeometry{800, 8, 16, 3}, options);
  const CHDLCProcessor before = fields.hdlcProcessor1;
  std::vector<UCHAR> destuffed;
  for (int i = 0; i < fields.captureBuffer.GetSize(); ++i) destuffed.push_back(fields.captureBuffer[i].hdlcByte);

  // A byte arrives half-way through a print; the print must not move the screen's de-stuffer on.
  AddByte(store, 0x55, true);
  fields.layoutDirty = 1;
  SessionLayout print(SessionLayout::Role::Print);
  print.Layout(store, LayoutGeometry{300, 8, 16, 3}, options);
  EXPECT_EQ(fields.layoutDirty.load(), 1);
  EXPECT_EQ(fields.hdlcProcessor1.accumulator, before.accumulator);
  EXPECT_EQ(fields.hdlcProcessor1.outMask, before.outMask);
  EXPECT_EQ(fields.hdlcProcessor1.onesCount, before.onesCount);
  EXPECT_EQ(fields.hdlcProcessor1.inFrame, before.inFrame);
  for (std::size_t i = 0; i < destuffed.size(); ++i)
    EXPECT_EQ(fields.captureBuffer[int(i)].hdlcByte, destuffed[i]) << i;
  // And the print saw the same bytes the screen shows.
  int printedCells = 0;
  int screenCells = 0;
  for (const auto& line : print.Lines())
    for (auto c : line.cellCounts) printedCells += c;
  screen.Layout(store, LayoutGeometry{800, 8, 16, 3}, options);
  for (const auto& line : screen.Lines())
    for (auto c : line.cellCounts) screenCells += c;
  EXPECT_EQ(printedCells, screenCells);
  EXPECT_GT(printedCells, 5);
}

}  // namespace
