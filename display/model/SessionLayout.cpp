#include "display/model/SessionLayout.h"

#include <algorithm>
#include <mutex>

#include "display/model/CellRules.h"
#include "link/store/OruData.h"

void SessionLayout::Clear() {
  lines.clear();
  dataLines.clear();
  headerLines.clear();
  laidOut = false;
  events.reset();
  replay.reset();
  pending = CORUSessionLine();
  pendingRecords = 0;
  used = 0;
  walked = 0;
  currentEvent = -1;
  modemRecords = 0;
  tailLines = 0;
  y = 0;
}

void SessionLayout::Layout(CORUData& store, const LayoutGeometry& newGeometry, const SessionOptions& newOptions) {
  if (newGeometry.cellWidth <= 0 || newGeometry.cellHeight <= 0 || newGeometry.width < newGeometry.cellWidth) return;
  auto guard = store.HoldData();
  geometry = newGeometry;
  options = newOptions;
  Begin(store);
  Walk(store);
  if (role == Role::Screen) store.layoutDirty = 0;
}

bool SessionLayout::Update(CORUData& store, const LayoutGeometry& newGeometry, const SessionOptions& newOptions) {
  if (newGeometry.cellWidth <= 0 || newGeometry.cellHeight <= 0 || newGeometry.width < newGeometry.cellWidth)
    return false;
  auto guard = store.HoldData();
  const bool full = !laidOut || newGeometry != geometry || !newOptions.SameMeasure(options) ||
                    generation != store.captureGeneration || store.layoutDirty != 0 ||
                    store.captureBuffer.GetSize() < walked;
  if (full) {
    Layout(store, newGeometry, newOptions);
    return true;
  }
  options = newOptions;
  const int lastEvent = currentEvent;
  Walk(store);
  RefreshTitles(store, lastEvent);
  return false;
}

void SessionLayout::Begin(CORUData& store) {
  Clear();
  laidOut = true;
  generation = store.captureGeneration;
  events.emplace(store.captureHeaders);
  CHDLCProcessor& answer = role == Role::Print ? ownAnswer : store.hdlcProcessor1;
  CHDLCProcessor& originate = role == Role::Print ? ownOriginate : store.hdlcProcessor2;
  replay.emplace(answer, originate, options.bitStuffed, options.showModemEvents);
}

void SessionLayout::Walk(CORUData& store) {
  RemoveTail();
  const int count = store.captureBuffer.GetSize();
  CCaptBuf* records = store.captureBuffer.GetData();
  bool sync = pendingRecords > 0 ? pending.sync
                                 : (currentEvent >= 0 && currentEvent < store.captureHeaders.GetSize() &&
                                    store.captureHeaders[currentEvent].IsSync());
  for (int i = walked; i < count; ++i) {
    for (int e = events->NextOpening(i); e != -1; e = events->NextOpening(i)) {
      sync = store.captureHeaders[e].IsSync();
      OpenEvent(store, e);
    }
    CCaptBuf& record = records[i];
    if (sync) HdlcReplay::Apply(replay->Step(record), record);
    const LONG w = CellsOf(ShownValueOf(record, sync, options), options) * geometry.cellWidth;
    // A line wraps before the byte that would make it reach the width; a byte that takes no
    // room never wraps, and a line never closes empty.
    if (w > 0 && pendingRecords > 0 && used + w >= geometry.width) CloseData(true);
    if (pendingRecords == 0) {
      pending.firstByte = i;
      pending.eventIndex = std::max(currentEvent, 0);
      pending.sync = sync;
      pending.eventRecordsBefore = modemRecords;
    }
    pending.cellCounts.push_back(static_cast<int8_t>(w / geometry.cellWidth));
    pending.lastByte = i;
    ++pendingRecords;
    used += w;
    if (record.IsModemEvent()) ++modemRecords;
  }
  walked = std::max(walked, count);
  AppendTail();
}

void SessionLayout::OpenEvent(CORUData& store, int event) {
  const CORUCaptureHeader& header = store.captureHeaders[event];
  if (header.IsSync()) replay->StartEvent();
  if (pendingRecords > 0) CloseData(false);
  currentEvent = event;
  CORUSessionLine title;
  title.lineType = kHeaderLine;
  title.eventIndex = event;
  title.rect.bottom = geometry.cellHeight;
  title.headerText = EventTitle(event, header);
  headerLines.push_back(static_cast<int>(lines.size()));
  AppendLine(std::move(title));
  CORUSessionLine separator;
  separator.lineType = kSeparatorLine;
  separator.rect.bottom = geometry.separatorHeight;
  AppendLine(std::move(separator));
}

void SessionLayout::CloseData(bool withSeparator) {
  pending.lineType = kDataLine;
  pending.rect = CellRect{0, 0, 0, 2 * geometry.cellHeight};
  dataLines.push_back(static_cast<int>(lines.size()));
  AppendLine(std::move(pending));
  pending = CORUSessionLine();
  pendingRecords = 0;
  used = 0;
  if (withSeparator) {
    CORUSessionLine separator;
    separator.lineType = kSeparatorLine;
    separator.rect.bottom = geometry.separatorHeight;
    AppendLine(std::move(separator));
  }
}

void SessionLayout::AppendLine(CORUSessionLine line) {
  const LONG height = line.Height();
  line.rect = CellRect{0, y, geometry.width, y + height};
  y += height;
  lines.push_back(std::move(line));
}

void SessionLayout::AppendTail() {
  tailLines = 0;
  if (pendingRecords == 0) return;
  CORUSessionLine open = pending;
  open.lineType = kDataLine;
  open.rect = CellRect{0, 0, 0, 2 * geometry.cellHeight};
  dataLines.push_back(static_cast<int>(lines.size()));
  AppendLine(std::move(open));
  CORUSessionLine separator;
  separator.lineType = kSeparatorLine;
  separator.rect.bottom = geometry.separatorHeight;
  AppendLine(std::move(separator));
  tailLines = 2;
}

void SessionLayout::RemoveTail() {
  for (; tailLines > 0; --tailLines) {
    y -= lines.back().Height();
    if (lines.back().IsData()) dataLines.pop_back();
    lines.pop_back();
  }
}

void SessionLayout::RefreshTitles(CORUData& store, int fromEvent) {
  const int headerCount = store.captureHeaders.GetSize();
  for (auto at = headerLines.rbegin(); at != headerLines.rend(); ++at) {
    CORUSessionLine& line = lines[static_cast<std::size_t>(*at)];
    if (line.eventIndex < fromEvent) break;
    if (line.eventIndex < headerCount)
      line.headerText = EventTitle(line.eventIndex, store.captureHeaders[line.eventIndex]);
  }
}

int SessionLayout::FirstLineBelow(LONG documentY) const {
  auto at = std::partition_point(lines.begin(), lines.end(),
                                 [documentY](const CORUSessionLine& line) { return line.rect.bottom <= documentY; });
  return static_cast<int>(at - lines.begin());
}

int SessionLayout::LineAt(LONG documentY) const {
  const int index = FirstLineBelow(documentY);
  if (index >= static_cast<int>(lines.size()) || lines[static_cast<std::size_t>(index)].rect.top > documentY) return -1;
  return index;
}

int SessionLayout::HitTestByte(int line, LONG documentX) const {
  if (line < 0 || line >= static_cast<int>(lines.size())) return -1;
  const CORUSessionLine& data = lines[static_cast<std::size_t>(line)];
  if (!data.IsData()) return -1;
  LONG x = data.rect.left;
  for (std::size_t k = 0; k < data.cellCounts.size(); ++k) {
    const LONG w = data.cellCounts[k] * geometry.cellWidth;
    if (w > 0 && documentX >= x && documentX < x + w) return data.firstByte + static_cast<int>(k);
    x += w;
  }
  return -1;
}

int SessionLayout::ModemEventRecordsBefore(const CCaptBufArray& buffer, int index) const {
  int start = 0;
  int count = 0;
  if (laidOut && index <= walked) {
    auto at = std::upper_bound(dataLines.begin(), dataLines.end(), index, [this](int value, int line) {
      return value < lines[static_cast<std::size_t>(line)].firstByte;
    });
    if (at != dataLines.begin()) {
      const CORUSessionLine& line = lines[static_cast<std::size_t>(*(at - 1))];
      start = line.firstByte;
      count = line.eventRecordsBefore;
    }
  }
  const int end = std::min(index, buffer.GetSize());
  const CCaptBuf* records = buffer.GetData();
  for (int k = start; k < end; ++k) count += records[k].IsModemEvent() ? 1 : 0;
  return count;
}

std::size_t SessionLayout::MemoryBytes() const {
  std::size_t bytes =
      lines.capacity() * sizeof(CORUSessionLine) + (dataLines.capacity() + headerLines.capacity()) * sizeof(int);
  for (const CORUSessionLine& line : lines)
    bytes += line.cellCounts.capacity() + (line.headerText.capacity() > 15 ? line.headerText.capacity() : 0);
  return bytes;
}
