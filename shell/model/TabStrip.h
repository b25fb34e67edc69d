#pragma once

// The tab strip's geometry: where each tab lies, which tab a point hits, and where the tab
// windows go. Widths come from the labels' text widths, which the widget measures.

#include <string>
#include <vector>

constexpr int kTabStripHeight = 32;
constexpr int kTabPadding = 17;    // a tab is its label's width plus this
constexpr int kTabLabelInset = 8;  // the label starts this far into its tab
constexpr int kTabWindowTop = 34;  // tab windows start below the strip and its edge
constexpr int kTabWindowLeft = 2;
constexpr int kSelectedTabTop = 1;  // the selected tab spans y 1..27
constexpr int kSelectedTabHeight = 26;
constexpr int kOtherTabTop = 3;  // the others y 3..27
constexpr int kOtherTabHeight = 24;
constexpr int kTabHitBottom = 28;  // no tab is hit at this y or below
constexpr int kTabLabelMaxChars = 31;

struct TabEdges {
  int left = 0;
  int right = 0;  // inclusive for hits
};

struct TabRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

struct TabStripLayout {
  std::vector<TabEdges> edges;
  std::vector<bool> enabled;
  int currentTab = 0;
};

// Lays the tabs side by side from x 0, each kTabPadding wider than its label.
std::vector<TabEdges> LayoutTabEdges(const std::vector<int>& labelWidths);

// The first tab in order that is enabled, holds x in [left, right] and y in [1, 28) when it is
// the current tab or [3, 28) otherwise; -1 when none.
int TabHitTest(const TabStripLayout& strip, int x, int y);

// Where every tab window goes in a client area of the given size.
TabRect TabWindowRect(int clientWidth, int clientHeight);

// A label as the tab keeps it: its first 31 characters (UTF-8 code points).
std::string TruncateTabLabel(const std::string& label);

// How a tab is drawn.
enum class TabLook { Selected, Unselected, Disabled };
TabLook TabLookFor(int index, int currentTab, bool enabled);
