#include "display/model/CaptureTextLayout.h"

#include <algorithm>

#include "display/model/ByteNames.h"
#include "display/model/CaptureText.h"
#include "link/store/StoreScopes.h"

namespace {

// The second record of a modem-event pair (hidden, after a modem-event record).
bool IsPairSecond(const CCaptBufArray& records, int index) {
  if (index <= 0 || index >= records.GetSize()) return false;
  const CCaptBuf* data = records.GetData();
  return data[index].hidden == 1 && data[index].IsModemEvent() && data[index - 1].IsModemEvent();
}

// What a record shows and how it is drawn, by the layout's rules.
struct CellPlan {
  bool laidOut = false;
  int cells = 0;
  ULONG attributes = 0;
};

CellPlan PlanCell(const CCaptBufArray& records, int index, const CaptureTextOptions& o) {
  const CCaptBuf& record = records.GetData()[index];
  CellPlan plan;
  plan.attributes = record.IsAnswer() ? kCellAnswer : kCellOriginate;
  if (record.IsModemEvent()) {
    plan.attributes |= kCellModemEvent;
    if (!o.showModemEvents) return plan;
    // ASCII shows a pair as one "*" on its first record; hex shows both records.
    if (!o.Hex() && IsPairSecond(records, index)) return plan;
  } else {
    const bool bit7 = (record.data & 0x80) != 0;
    const bool error = o.parity7E1 && o.highlightParityErrors && !CheckParity(record.data);
    const bool bit = o.parity7E1 && o.highlightParityBit && bit7;
    if (error) plan.attributes |= kCellParityError;
    // Hex marks the parity bit only where it is what the cell shows.
    if (bit && !(o.Hex() && error)) plan.attributes |= kCellParityBit;
  }
  plan.attributes |= o.parity7E1 && !(o.Hex() && record.IsModemEvent()) ? kCell7E1 : kCell8N1;
  if (!o.Hex() && index == o.selected) plan.attributes |= kCellSelected;
  plan.laidOut = true;
  if (o.Hex()) {
    plan.cells = 2;
  } else {
    const UCHAR shown = record.IsModemEvent() ? UCHAR('*') : record.data;
    plan.cells = DisplayTextCells(o.parity7E1 ? static_cast<UCHAR>(shown & 0x7F) : shown);
  }
  return plan;
}

}  // namespace

int PairFirst(const CaptureScope& capture, int index) {
  return IsPairSecond(capture.captureBuffer(), index) ? index - 1 : index;
}

void CaptureTextLayout::Layout(CaptureScope& capture, const CaptureTextOptions& newOptions,
                               const CaptureTextMetrics& newMetrics) {
  CCaptBufArray& records = capture.captureBuffer();
  const CCaptureHeaderArray& headers = capture.captureHeaders();
  options = newOptions;
  metrics = newMetrics;
  metrics.cellWidth = std::max<LONG>(1, metrics.cellWidth);
  metrics.cellHeight = std::max<LONG>(1, metrics.cellHeight);
  cells.clear();
  items.clear();
  pageBreaks.assign(1, 0);
  x = 0;
  y = 0;
  lowest = 0;
  page = 0;
  pageUsed = false;
  column = 0;

  const int count = records.GetSize();
  const int headerCount = headers.GetSize();
  CCaptBuf* data = records.GetData();
  cells.reserve(static_cast<std::size_t>(count));
  int nextEvent = 0;
  for (int i = 0; i < count; ++i) {
    for (; nextEvent < headerCount && headers[nextEvent].firstIndex <= i; ++nextEvent) Title(nextEvent, i);
    CCaptBuf& record = data[i];
    const CellPlan plan = PlanCell(records, i, options);
    CellRect& cell = options.Hex() ? record.hexCell : record.asciiCell;
    record.cellAttributes = plan.attributes;
    record.cellWidth = static_cast<USHORT>(plan.cells);
    cell = CellRect{};
    if (plan.laidOut) Cell(record, i, plan.cells * metrics.cellWidth);
  }
  // Events with no bytes at the end still show their titles.
  for (; nextEvent < headerCount; ++nextEvent) Title(nextEvent, count);
}

void CaptureTextLayout::Title(int event, int index) {
  LONG top = y;
  if (pageUsed) {
    // The end of the current data line, a separator, then the title.
    top = y - 2 * metrics.cellHeight - kSeparatorGap;
    if (metrics.pageHeight > 0 && top - 3 * metrics.cellHeight < PageTop(page) - metrics.pageHeight) {
      NewPage(index);
      top = PageTop(page);
    } else {
      Separator(y - 2 * metrics.cellHeight);
    }
  }
  items.push_back({TextItemKind::Title, top, event, page});
  Lower(top - metrics.cellHeight);
  y = top - metrics.cellHeight;
  x = 0;
  pageUsed = true;
}

void CaptureTextLayout::Cell(CCaptBuf& record, int index, LONG width) {
  if (x > 0 && x + width > metrics.width) Wrap(index);
  CellRect& cell = options.Hex() ? record.hexCell : record.asciiCell;
  cell = CellRect{x, y, x + width, y - 2 * metrics.cellHeight};
  if (options.Hex()) {
    if (column % 2 == 0 && !record.IsModemEvent()) record.cellAttributes |= kCellShaded;
    ++column;
  }
  x += width;
  cells.push_back(index);
  Lower(cell.bottom);
  pageUsed = true;
}

void CaptureTextLayout::Wrap(int index) {
  LONG top = y - 2 * metrics.cellHeight - kSeparatorGap;
  if (metrics.pageHeight > 0 && top - 2 * metrics.cellHeight < PageTop(page) - metrics.pageHeight) {
    NewPage(index);
    top = PageTop(page) - metrics.cellHeight;
    pageUsed = true;
  } else {
    Separator(y - 2 * metrics.cellHeight);
  }
  y = top;
  x = 0;
  column = 0;
}

void CaptureTextLayout::NewPage(int index) {
  pageBreaks.push_back(static_cast<ULONG>(index));
  ++page;
  pageUsed = false;
  x = 0;
  column = 0;
}

void CaptureTextLayout::Separator(LONG at) {
  items.push_back({TextItemKind::Separator, at, 0, page});
  Lower(at - 2);
}

CellRect CaptureTextLayout::RowOf(const CCaptBuf& record) const {
  CellRect row = CellOf(record);
  if (record.IsAnswer()) {
    row.top -= metrics.cellHeight;
  } else {
    row.bottom = row.top - metrics.cellHeight;
  }
  return row;
}

int CaptureTextLayout::HitTest(const CaptureScope& capture, LONG px, LONG py) const {
  const CCaptBufArray& records = capture.captureBuffer();
  const CCaptBuf* data = records.GetData();
  const int count = records.GetSize();
  // Cells lie line by line downwards, left to right within a line: those before the point are
  // the ones on lines above it and the ones to its left on its own line.
  const auto at = std::partition_point(cells.begin(), cells.end(), [&](int index) {
    if (index >= count) return false;
    const CellRect& c = CellOf(data[index]);
    if (c.bottom > py) return true;
    return c.top > py && c.right <= px;
  });
  if (at == cells.end() || *at >= count) return -1;
  const CellRect& c = CellOf(data[*at]);
  const bool inside = px >= c.left && px < c.right && py >= c.bottom && py < c.top;
  return inside ? *at : -1;
}

std::pair<std::size_t, std::size_t> CaptureTextLayout::CellsBetween(const CaptureScope& capture, LONG top,
                                                                    LONG bottom) const {
  const CCaptBufArray& records = capture.captureBuffer();
  const CCaptBuf* data = records.GetData();
  const int count = records.GetSize();
  const auto first = std::partition_point(
      cells.begin(), cells.end(), [&](int index) { return index < count && CellOf(data[index]).bottom >= top; });
  const auto end = std::partition_point(first, cells.end(),
                                        [&](int index) { return index < count && CellOf(data[index]).top > bottom; });
  return {static_cast<std::size_t>(first - cells.begin()), static_cast<std::size_t>(end - cells.begin())};
}

std::pair<std::size_t, std::size_t> CaptureTextLayout::CellsOfPage(int p) const {
  if (p < 0 || p >= Pages()) return {cells.size(), cells.size()};
  const ULONG from = pageBreaks[static_cast<std::size_t>(p)];
  const auto first = std::lower_bound(cells.begin(), cells.end(), static_cast<int>(from));
  auto end = cells.end();
  if (p + 1 < Pages())
    end = std::lower_bound(first, cells.end(), static_cast<int>(pageBreaks[static_cast<std::size_t>(p + 1)]));
  return {static_cast<std::size_t>(first - cells.begin()), static_cast<std::size_t>(end - cells.begin())};
}
