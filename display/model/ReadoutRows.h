#pragma once

// The 19 rows of the read-out panel in capture mode: the cursor byte (rows 0-5), the parity note
// and the byte and time distance between cursor and marker (rows 6-15), the marker byte (rows
// 13-18). A modem-event record shows its decoded event instead of a byte.

#include <array>
#include <string>

#include "display/model/CapturePalette.h"

class CORUData;
class SessionLayout;

inline constexpr int kReadoutRows = 19;

struct ReadoutRow {
  COLORREF fill = 0;  // the whole row band
  std::string text;   // drawn at x 0, opaque behind the text only; may be empty
  COLORREF textBackground = 0;
  COLORREF textColor = 0;
  bool operator==(const ReadoutRow&) const = default;
};

using ReadoutRows = std::array<ReadoutRow, kReadoutRows>;

struct ReadoutOptions {
  bool highlightParityBit = false;
  bool parity7E1 = false;
  bool bitStuffed = false;
};

// The store's options and configuration, read under its lock.
ReadoutOptions ReadoutOptionsFrom(const CORUData& store);

// Builds the rows from the store's cursor and marker (taking the store's lock). `layout` speeds up the
// count of modem-event records before an index; null, or a layout of another capture, counts.
ReadoutRows BuildCaptureReadout(const CORUData& store, const ReadoutOptions& options, const CaptureColors& colors,
                                const SessionLayout* layout);

// Seconds + ten-thousandths with three decimals, a point whatever the locale.
std::string SecondsText(double seconds);
