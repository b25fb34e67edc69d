#pragma once

// The capture text view's layout in logical units of 0.01 inch, y growing upwards (the top of the
// document is 0, everything below is negative). Each record gets its cell in its own reserved
// fields (asciiCell or hexCell, cellAttributes, cellWidth); titles and separators are kept as
// items. A record a pass does not lay out gets an empty cell, so no stale rectangle is hit.
//
// With a page height the layout paginates while it places: a title that would not fit together
// with its first data line, or a data line that would not fit, starts the next page, and the
// record it starts at becomes that page's break. Printing draws the pages of that one layout, so
// the breaks and what is drawn cannot disagree.

#include <algorithm>
#include <utility>
#include <vector>

#include "link/store/CaptBuf.h"
#include "link/store/CaptureHeader.h"
#include "shell/model/ViewType.h"

class CaptureScope;

struct CaptureTextOptions {
  ViewType viewType = ViewType::Ascii;  // anything else hex
  bool parity7E1 = false;
  bool showModemEvents = false;
  bool highlightParityBit = false;
  bool highlightParityErrors = false;
  int selected = -1;  // currentRecordIndex
  bool Hex() const { return viewType != ViewType::Ascii; }
};

struct CaptureTextMetrics {
  LONG cellWidth = 1;
  LONG cellHeight = 1;
  LONG width = 1;       // the layout width: the client's, or 600 when printing
  LONG pageHeight = 0;  // 0: one endless page (the screen); 800 when printing
};

enum class TextItemKind { Title, Separator };

struct CaptureTextItem {
  TextItemKind kind = TextItemKind::Title;
  LONG y = 0;          // top (titles) or upper line (separators)
  int eventIndex = 0;  // titles
  int page = 0;
};

class CaptureTextLayout {
 public:
  static constexpr LONG kSeparatorGap = 3;

  // Lays out every record of the capture.
  void Layout(CaptureScope& capture, const CaptureTextOptions& options, const CaptureTextMetrics& metrics);

  // Record indexes that got a cell, in layout order.
  const std::vector<int>& Cells() const { return cells; }
  const std::vector<CaptureTextItem>& Items() const { return items; }
  // The first record of each page; element 0 is 0.
  const std::vector<ULONG>& PageBreaks() const { return pageBreaks; }
  int Pages() const { return static_cast<int>(pageBreaks.size()); }
  LONG PageTop(int page) const { return -static_cast<LONG>(page) * metrics.pageHeight; }
  // The lowest point laid out (<= 0).
  LONG Lowest() const { return lowest; }
  bool Hex() const { return options.Hex(); }
  const CaptureTextMetrics& Metrics() const { return metrics; }
  const CaptureTextOptions& Options() const { return options; }

  // The cell rectangle of record `index` in this layout.
  const CellRect& CellOf(const CCaptBuf& record) const { return Hex() ? record.hexCell : record.asciiCell; }
  // The record whose cell holds (x, y), left and lower edges inside; -1 when none. A binary
  // search over Cells().
  int HitTest(const CaptureScope& capture, LONG x, LONG y) const;
  // The range [first, end) of Cells() whose line overlaps y in (bottom, top].
  std::pair<std::size_t, std::size_t> CellsBetween(const CaptureScope& capture, LONG top, LONG bottom) const;
  // The range [first, end) of Cells() on page `page`.
  std::pair<std::size_t, std::size_t> CellsOfPage(int page) const;
  // The row a record's text is drawn in: Originate the upper, Answer the lower one.
  CellRect RowOf(const CCaptBuf& record) const;

 private:
  void Title(int event, int index);
  void Cell(CCaptBuf& record, int index, LONG width);
  void Wrap(int index);
  void NewPage(int index);
  void Separator(LONG y);
  void Lower(LONG y) { lowest = std::min(lowest, y); }

  CaptureTextOptions options;
  CaptureTextMetrics metrics;
  std::vector<int> cells;
  std::vector<CaptureTextItem> items;
  std::vector<ULONG> pageBreaks{0};
  LONG x = 0;
  LONG y = 0;  // top of the current data line
  LONG lowest = 0;
  int page = 0;
  bool pageUsed = false;  // something was placed on the current page
  int column = 0;         // hex: cells since the last wrap
};

// A click on a pair's second record (hidden, after a modem-event record) means its first.
int PairFirst(const CaptureScope& capture, int index);
