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

namespace {

bool Measurable(const LayoutGeometry& geometry) {
  return geometry.cellWidth > 0 && geometry.cellHeight > 0 && geometry.width >= geometry.cellWidth;
}

}  // namespace

void SessionLayout::Layout(CORUData& store, const LayoutGeometry& newGeometry, const SessionOptions& newOptions) {
  if (!Measurable(newGeometry)) return;
  auto capture = store.HoldCapture();
  geometry = newGeometry;
  options = newOptions;
  Lay(*capture);
}

bool SessionLayout::Update(CORUData& store, const LayoutGeometry& newGeometry, const SessionOptions& newOptions) {
  if (!Measurable(newGeometry)) return false;
  auto capture = store.HoldCapture();
  const bool full = !laidOut || newGeometry != geometry || !newOptions.SameMeasure(options) ||
                    generation != capture->captureGeneration() || capture->layoutDirty() != 0 ||
                    capture->captureBuffer().GetSize() < walked;
  geometry = newGeometry;
  options = newOptions;
  if (full) {
    Lay(*capture);
    return true;
  }
  const int lastEvent = currentEvent;
  Walk(*capture);
  RefreshTitles(*capture, lastEvent);
  return false;
}

void SessionLayout::Lay(CaptureScope& capture) {
  Begin(capture);
  Walk(capture);
  if (role == Role::Screen) capture.layoutDirty() = 0;
}

void SessionLayout::Begin(CaptureScope& capture) {
  Clear();
  laidOut = true;
  generation = capture.captureGeneration();
  events.emplace(capture.captureHeaders());
  CHDLCProcessor& answer = role == Role::Print ? ownAnswer : capture.hdlcProcessor1();
  CHDLCProcessor& originate = role == Role::Print ? ownOriginate : capture.hdlcProcessor2();
  replay.emplace(answer, originate, options.bitStuffed, options.showModemEvents);
}

void SessionLayout::Walk(CaptureScope& capture) {
  RemoveTail();
  const CCaptureHeaderArray& headers = capture.captureHeaders();
  const int count = capture.captureBuffer().GetSize();
  CCaptBuf* records = capture.captureBuffer().GetData();
  bool sync = pendingRecords > 0
                  ? pending.sync
                  : (currentEvent >= 0 && currentEvent < headers.GetSize() && headers[currentEvent].IsSync());
  for (int i = walked; i < count; ++i) {
    for (int e = events->NextOpening(i); e != -1; e = events->NextOpening(i)) {
      sync = headers[e].IsSync();
      OpenEvent(capture, e);
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

void SessionLayout::OpenEvent(const CaptureScope& capture, int event) {
  const CORUCaptureHeader& header = capture.captureHeaders()[event];
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

void SessionLayout::RefreshTitles(const CaptureScope& capture, int fromEvent) {
  const CCaptureHeaderArray& headers = capture.captureHeaders();
  const int headerCount = headers.GetSize();
  for (auto at = headerLines.rbegin(); at != headerLines.rend(); ++at) {
    CORUSessionLine& line = lines[static_cast<std::size_t>(*at)];
    if (line.eventIndex < fromEvent) break;
    if (line.eventIndex < headerCount) line.headerText = EventTitle(line.eventIndex, headers[line.eventIndex]);
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

int SessionLayout::ModemEventRecordsBefore(const CaptureScope& capture, int index) const {
  const CCaptBufArray& buffer = capture.captureBuffer();
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
