#pragma once

// The cell of one captured byte in a session line: whether it takes room, what it shows, how
// many character cells that is, and its colours. The layout measures with the same rules the
// painter draws with, so a line's cells always match its bytes.

#include <string>

#include "display/model/CapturePalette.h"
#include "display/model/SessionOptions.h"
#include "link/store/CaptBuf.h"

// The value a byte shows, before the 7E1 reduction; `skipped` when it takes no room.
struct ShownValue {
  bool skipped = false;
  bool markerCell = false;  // a modem-event pair's "*"
  UCHAR value = 0;
};

// `syncEvent`: the byte belongs to a synchronous event (its line is drawn by the Sync rules).
ShownValue ShownValueOf(const CCaptBuf& record, bool syncEvent, const SessionOptions& options);

struct CellLook {
  bool skipped = false;
  std::string text;  // UTF-8
  int cells = 0;     // character cells of `text`
  CellColors colors;
};

// The whole cell of record `index`; `markerIndex` is the store's currentRecordIndex.
CellLook LookOf(const CCaptBuf& record, int index, bool syncEvent, const SessionOptions& options,
                const CaptureColors& colors, int markerIndex);

// Cells of a shown value (0 for a skipped one): the name or two hex digits, one for a marker.
int CellsOf(const ShownValue& shown, const SessionOptions& options);
