#pragma once

// One laid-out line of the session view: an event title, a two-row data line or a separator,
// with its place in document coordinates.

#include <cstdint>
#include <string>
#include <vector>

#include "link/store/CaptBuf.h"

enum SessionLineType : LONG { kHeaderLine = 2, kDataLine = 3, kSeparatorLine = 4 };

struct CORUSessionLine {
  // Moves the line so that its top is `top`, keeping its height.
  void SetTop(LONG top) {
    rect.bottom = top + (rect.bottom - rect.top);
    rect.top = top;
  }
  LONG Height() const { return rect.bottom - rect.top; }
  bool IsData() const { return lineType == kDataLine; }

  CellRect rect;       // left 0, right the layout width
  LONG firstByte = 0;  // data lines: first and last capture index, inclusive
  LONG lastByte = 0;
  LONG eventIndex = 0;  // the event whose header precedes the line (0 before the first one)
  LONG lineType = 0;
  bool sync = false;               // data lines: measured and drawn by the synchronous rules
  LONG eventRecordsBefore = 0;     // data lines: modem-event records before firstByte
  std::vector<int8_t> cellCounts;  // data lines: cells of each byte firstByte..lastByte (0 = not shown)
  std::string headerText;          // header lines: the event title
};

// "EVENT #%i: %s %s %s %s  %i bytes" of event `eventIndex` (numbered from 1).
struct CORUCaptureHeader;
std::string EventTitle(int eventIndex, const CORUCaptureHeader& header);
