#pragma once

// How a session printout falls on pages: the margins taken from the printer's geometry, the page
// each laid-out line lands on, which pages a requested range prints, and the page header's texts.

#include <functional>
#include <string>
#include <vector>

#include "display/model/SessionLine.h"

struct CSysCfg;

// Device pixels of one printed page.
struct PrintGeometry {
  int dpiX = 0;
  int dpiY = 0;
  // The drawing rectangle: the printable area less two thirds of an inch on every side.
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int firstLineY = 0;  // one inch: the space above holds the page header
  int Width() const { return right - left; }
};

// `pageWidth` and `pageHeight` are the printable area (HORZRES, VERTRES).
PrintGeometry PrintGeometryFor(int dpiX, int dpiY, int pageWidth, int pageHeight);

// Where every line goes: its page (from 1) and its top on that page.
struct PagePlan {
  std::vector<int> pageOfLine;
  std::vector<LONG> topOfLine;
  std::vector<int> firstLineOfPage;  // index into the lines of each page's first line
  int Pages() const { return firstLineOfPage.empty() ? 1 : static_cast<int>(firstLineOfPage.size()); }
  // Lines [first, end) of page `page` (from 1).
  int FirstLine(int page) const;
  int EndLine(int page) const;
};

// A line fits while its bottom stays above the drawing rectangle's bottom (a line ending exactly
// there starts the next page). `trace` (may be empty) receives the "LineNum ..." and
// "PageBreak ..." lines. A line taller than a whole page still gets a page of its own rather than
// leaving an empty one before it.
PagePlan PlanPages(const std::vector<CORUSessionLine>& lines, const PrintGeometry& geometry,
                   const std::function<void(const std::string&)>& trace = {});

// The pages a print dialog's range prints; `from` and `to` of 0 mean every page. Empty
// (first > last) when the range lies past the end.
struct PageRange {
  int first = 1;
  int last = 0;
  bool Empty() const { return first > last; }
};
PageRange PagesToPrint(int from, int to, int pages);

// "HS 9600    Sync    8N1    " and the trigger text: the capture configuration under the title.
std::string ConfigurationLine(const CSysCfg& config);
// "Page 2 of 5".
std::string PageFooter(int page, int pages);
