// The session layout: lines, wrapping, events, the HDLC replay, and the incremental layout of a
// live capture against a full one.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "display/model/SessionLayout.h"
#include "link/store/ByteSink.h"
#include "link/store/ByteWriter.h"
#include "link/files/CsvExport.h"
#include "link/store/LinkAccess.h"
#include "tests/display/DisplayTestData.h"

namespace {

using namespace displaytest;

constexpr int kCell = 8;

LayoutGeometry Geometry(int cells) { return LayoutGeometry{cells * kCell, kCell, 16, 3}; }

std::string Types(const SessionLayout& layout) {
  std::string types;
  for (const CORUSessionLine& line : layout.Lines())
    types += line.lineType == kHeaderLine ? 'H' : line.lineType == kDataLine ? 'D' : 'S';
  return types;
}

TEST(SessionLayout, EmptyCaptureHasNoLines) {
  CORUData store;
  SessionLayout layout;
  layout.Layout(store, Geometry(10), SessionOptions{});
  EXPECT_TRUE(layout.Lines().empty());
  EXPECT_EQ(layout.TotalHeight(), 0);
}

TEST(SessionLayout, EventsAtOneIndexAndLeadingBytes) {
  CORUData store;
  AddByte(store, 'a', true);  // before any header: event 0, drawn Async
  AddEvent(store, true);
  AddEvent(store, false);
  AddByte(store, 'b', false);
  SessionLayout layout;
  layout.Layout(store, Geometry(10), SessionOptions{});
  EXPECT_EQ(Types(layout), "DHSHSDS");
  const auto& lines = layout.Lines();
  EXPECT_EQ(lines[0].eventIndex, 0);
  EXPECT_FALSE(lines[0].sync);
  EXPECT_EQ(lines[1].eventIndex, 0);
  EXPECT_EQ(lines[3].eventIndex, 1);
  EXPECT_EQ(lines[5].eventIndex, 1);
  EXPECT_EQ(lines[5].firstByte, 1);
  EXPECT_EQ(lines[1].headerText, "EVENT #1: 12/09/26 10:11:12 CONNECT 2400   0 bytes");
  // Heights: data 2 cells, header 1, separator 3 pixels; tops follow each other.
  EXPECT_EQ(layout.TotalHeight(), 32 + 16 + 3 + 16 + 3 + 32 + 3);
  for (std::size_t k = 1; k < lines.size(); ++k) EXPECT_EQ(lines[k].rect.top, lines[k - 1].rect.bottom);
  EXPECT_EQ(layout.LineAt(lines[3].rect.top), 3);
  EXPECT_EQ(layout.LineAt(layout.TotalHeight()), -1);
}

TEST(SessionLayout, SyncEventAfterAsyncOnOneLineIsSync) {
  CORUData store;
  AddEvent(store, false);
  AddByte(store, 'x', true);
  AddEvent(store, true);
  AddByte(store, 'y', true);
  SessionLayout layout;
  layout.Layout(store, Geometry(40), SessionOptions{});
  ASSERT_EQ(Types(layout), "HSDHSDS");
  EXPECT_FALSE(layout.Lines()[2].sync);
  EXPECT_TRUE(layout.Lines()[5].sync);
  EXPECT_EQ(layout.Lines()[5].eventIndex, 1);
}

TEST(SessionLayout, WrapsBeforeReachingTheWidthAndHiddenRecordsNeverWrap) {
  CORUData store;
  for (int k = 0; k < 9; ++k) AddByte(store, 'A', k % 2 == 0);
  AddModemEvent(store, 0x6C, 0x5B);  // events not shown: no room
  AddByte(store, 'B', true);
  SessionLayout layout;
  layout.Layout(store, Geometry(10), SessionOptions{});
  ASSERT_EQ(Types(layout), "DSDS");
  const CORUSessionLine& first = layout.Lines()[0];
  EXPECT_EQ(first.firstByte, 0);
  EXPECT_EQ(first.lastByte, 10);  // the nine letters (9 cells < 10) and both event records
  EXPECT_EQ(first.cellCounts, (std::vector<int8_t>{1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0}));
  EXPECT_EQ(layout.Lines()[2].firstByte, 11);
  EXPECT_EQ(layout.Lines()[2].eventRecordsBefore, 2);

  // Another width wraps the same bytes differently.
  layout.Layout(store, Geometry(4), SessionOptions{});
  EXPECT_EQ(Types(layout), "DSDSDSDS");
  EXPECT_EQ(layout.Lines()[0].lastByte, 2);
}

TEST(SessionLayout, NarrowWidthKeepsLinesAndNoEmptyDataLine) {
  CORUData store;
  AddByte(store, 0x1B, true);  // five cells
  AddByte(store, 0x1B, false);
  SessionLayout layout;
  layout.Layout(store, Geometry(3), SessionOptions{});
  // A byte wider than the line still gets a line of its own; no line is left without bytes.
  ASSERT_EQ(Types(layout), "DSDS");
  EXPECT_EQ(layout.Lines()[0].firstByte, 0);
  EXPECT_EQ(layout.Lines()[0].lastByte, 0);
  const auto before = layout.Lines().size();
  layout.Layout(store, LayoutGeometry{kCell - 1, kCell, 16, 3}, SessionOptions{});
  EXPECT_EQ(layout.Lines().size(), before);
  EXPECT_EQ(layout.Geometry().width, 3 * kCell);
  EXPECT_FALSE(layout.Update(store, LayoutGeometry{0, kCell, 16, 3}, SessionOptions{}));
  EXPECT_EQ(layout.Lines().size(), before);
}

TEST(SessionLayout, HitTestSkipsZeroWidthBytes) {
  CORUData store;
  AddByte(store, 'A', true);
  AddModemEvent(store, 1, 2);
  AddByte(store, 0x1B, false);
  SessionLayout layout;
  layout.Layout(store, Geometry(40), SessionOptions{});
  EXPECT_EQ(layout.HitTestByte(0, 3), 0);
  EXPECT_EQ(layout.HitTestByte(0, kCell), 3);
  EXPECT_EQ(layout.HitTestByte(0, 6 * kCell - 1), 3);
  EXPECT_EQ(layout.HitTestByte(0, 6 * kCell), -1);
  EXPECT_EQ(layout.HitTestByte(1, 0), -1);  // a separator
  EXPECT_EQ(layout.HitTestByte(99, 0), -1);
}

std::vector<std::string> CsvDataRows(CORUData& store) {
  std::vector<UCHAR> bytes;
  MemorySink sink(bytes);
  ByteWriter out(sink);
  EXPECT_TRUE(ExportCsv(store, out));
  std::vector<std::string> rows;
  std::string text(bytes.begin(), bytes.end());
  std::size_t at = text.find('\n') + 1;
  while (at < text.size()) {
    const std::size_t end = text.find('\n', at);
    std::string row = text.substr(at, end - at);
    if (row.rfind("EVENT", 0) != 0) rows.push_back(row.substr(0, row.find(",\"")));
    at = end + 1;
  }
  return rows;
}

TEST(SessionLayout, BitStuffedSyncShowsOnlyDestuffedBytesLikeTheCsv) {
  CORUData store;
  auto& fields = LinkFields(store);
  fields.sysCfg.bitStuffed = 1;
  AddEvent(store, true);
  const std::vector<UCHAR> payload = {'H', 0x1F, 0xFF, 'i'};
  for (UCHAR byte : HdlcLine(payload)) AddByte(store, byte, true);
  SessionOptions options;
  options.bitStuffed = true;
  SessionLayout layout;
  layout.Layout(store, Geometry(80), options);
  ASSERT_EQ(Types(layout), "HSDS");
  const CORUSessionLine& line = layout.Lines()[2];
  ASSERT_TRUE(line.sync);
  std::vector<UCHAR> shown;
  std::vector<std::string> expectedCsv;
  for (std::size_t k = 0; k < line.cellCounts.size(); ++k) {
    const CCaptBuf& record = fields.captureBuffer[line.firstByte + static_cast<int>(k)];
    if (line.cellCounts[k] == 0) continue;
    ASSERT_NE(record.hdlcResult & HDLC_BYTE_READY, 0);
    shown.push_back(record.hdlcByte);
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%02X", record.hdlcByte);
    expectedCsv.push_back(std::to_string(record.syncSequence) + "," + hex);
  }
  EXPECT_EQ(shown, payload);
  EXPECT_EQ(CsvDataRows(store), expectedCsv);

  // A second layout replays through fresh de-stuffers and changes no record.
  std::vector<std::tuple<UCHAR, USHORT, ULONG>> before;
  for (const CCaptBuf& record : fields.captureBuffer)
    before.emplace_back(record.hdlcByte, record.hdlcResult, record.syncSequence);
  layout.Layout(store, Geometry(33), options);
  std::vector<std::tuple<UCHAR, USHORT, ULONG>> after;
  for (const CCaptBuf& record : fields.captureBuffer)
    after.emplace_back(record.hdlcByte, record.hdlcResult, record.syncSequence);
  EXPECT_EQ(before, after);
}

// Two stores receive the same appends; one is laid out incrementally after each batch, the other
// from scratch. Their lines and the records the replay wrote must be the same.
class IncrementalLayout : public ::testing::TestWithParam<int> {};

void ExpectSameLines(const SessionLayout& live, const SessionLayout& full) {
  ASSERT_EQ(live.Lines().size(), full.Lines().size());
  ASSERT_EQ(live.TotalHeight(), full.TotalHeight());
  for (std::size_t k = 0; k < live.Lines().size(); ++k) {
    const CORUSessionLine& a = live.Lines()[k];
    const CORUSessionLine& b = full.Lines()[k];
    ASSERT_EQ(a.rect, b.rect) << "line " << k;
    ASSERT_EQ(a.lineType, b.lineType) << "line " << k;
    ASSERT_EQ(a.firstByte, b.firstByte) << "line " << k;
    ASSERT_EQ(a.lastByte, b.lastByte) << "line " << k;
    ASSERT_EQ(a.eventIndex, b.eventIndex) << "line " << k;
    ASSERT_EQ(a.sync, b.sync) << "line " << k;
    ASSERT_EQ(a.eventRecordsBefore, b.eventRecordsBefore) << "line " << k;
    ASSERT_EQ(a.cellCounts, b.cellCounts) << "line " << k;
    ASSERT_EQ(a.headerText, b.headerText) << "line " << k;
  }
}

TEST_P(IncrementalLayout, EqualsFullLayoutAfterRandomAppends) {
  std::mt19937 random(static_cast<unsigned>(GetParam()));
  CORUData live, fresh;
  SessionOptions options;
  options.bitStuffed = GetParam() % 2 == 0;
  options.showModemEvents = GetParam() % 3 != 0;
  options.viewType = GetParam() % 4 == 3 ? ViewType::Hex : ViewType::Ascii;
  SessionLayout liveLayout;
  const LayoutGeometry geometry = Geometry(20 + GetParam() % 17);
  bool first = true;
  for (int batch = 0; batch < 60; ++batch) {
    const int appends = static_cast<int>(random() % 40);
    for (int k = 0; k < appends; ++k) {
      const unsigned kind = random() % 100;
      if (kind < 3) {
        const bool sync = random() % 2 == 0;
        AddEvent(live, sync);
        AddEvent(fresh, sync);
      } else if (kind < 8) {
        const UCHAR a = static_cast<UCHAR>(random()), b = static_cast<UCHAR>(random());
        AddModemEvent(live, a, b);
        AddModemEvent(fresh, a, b);
      } else if (kind < 20) {
        // A whole HDLC frame, as a Sync event's line bits.
        std::vector<UCHAR> payload(1 + random() % 6);
        for (UCHAR& byte : payload) byte = static_cast<UCHAR>(random());
        const bool answer = random() % 2 == 0;
        for (UCHAR byte : HdlcLine(payload)) {
          AddByte(live, byte, answer);
          AddByte(fresh, byte, answer);
        }
      } else {
        const UCHAR byte = static_cast<UCHAR>(random());
        const bool answer = random() % 2 == 0;
        AddByte(live, byte, answer);
        AddByte(fresh, byte, answer);
      }
    }
    UpdateLastCount(live);
    UpdateLastCount(fresh);
    auto& liveFields = LinkFields(live);
    if (random() % 5 == 0 && liveFields.captureHeaders.GetSize() > 0) {
      const int last = liveFields.captureHeaders.GetSize() - 1;
      liveFields.captureHeaders[last].endText = "NO CARRIER " + std::to_string(batch);
      LinkFields(fresh).captureHeaders[last].endText = liveFields.captureHeaders[last].endText;
    }
    const bool wasFull = liveLayout.Update(live, geometry, options);
    EXPECT_EQ(wasFull, first) << "batch " << batch;
    first = false;
    SessionLayout fullLayout;
    fullLayout.Layout(fresh, geometry, options);
    ExpectSameLines(liveLayout, fullLayout);
    if (HasFatalFailure()) return;
    for (int r = 0; r < liveFields.captureBuffer.GetSize(); ++r) {
      const CCaptBuf& a = liveFields.captureBuffer[r];
      const CCaptBuf& b = LinkFields(fresh).captureBuffer[r];
      ASSERT_EQ(a.hdlcResult, b.hdlcResult) << r;
      ASSERT_EQ(a.hdlcByte, b.hdlcByte) << r;
      if (a.hdlcResult != 0) {
        ASSERT_EQ(a.syncSequence, b.syncSequence) << r;
      }
    }
    const int probe =
        liveFields.captureBuffer.GetSize() > 0 ? static_cast<int>(random() % liveFields.captureBuffer.GetSize()) : 0;
    int linear = 0;
    for (int r = 0; r < probe; ++r) linear += liveFields.captureBuffer[r].IsModemEvent() ? 1 : 0;
    EXPECT_EQ(liveLayout.ModemEventRecordsBefore(*live.HoldCapture(), probe), linear);
  }
}

INSTANTIATE_TEST_SUITE_P(Seeds, IncrementalLayout, ::testing::Range(1, 9));

TEST(SessionLayout, ClearedCaptureOrNewOptionsLayEverythingOut) {
  CORUData store;
  AddEvent(store, false);
  for (int k = 0; k < 30; ++k) AddByte(store, 'q', true);
  SessionLayout layout;
  SessionOptions options;
  EXPECT_TRUE(layout.Update(store, Geometry(10), options));
  EXPECT_FALSE(layout.Update(store, Geometry(10), options));
  options.highlightParityBit = true;  // a colour option: the same cells
  EXPECT_FALSE(layout.Update(store, Geometry(10), options));
  options.viewType = ViewType::Hex;
  EXPECT_TRUE(layout.Update(store, Geometry(10), options));
  EXPECT_TRUE(layout.Update(store, Geometry(11), options));
  store.ClearCapture();
  AddByte(store, 'z', false);
  EXPECT_TRUE(layout.Update(store, Geometry(11), options));
  EXPECT_EQ(Types(layout), "DS");
  EXPECT_EQ(layout.Lines()[0].lastByte, 0);
}

}  // namespace
