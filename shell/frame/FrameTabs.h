#pragma once

// What the main frame adds to each row of the tab table (shell/model/TabTable.h), in the table's
// order: the window the tab shows, what starts its activity when it is entered and what stops it
// when it is left. The tabbed frame and the main frame take the tabs, and their number, from here.

#include <span>

class CORUpc144App;
class QWidget;

struct FrameTab {
  int tab;  // its row of the tab table
  // Builds the tab's window as a child of `parent`; the views it makes go into the main frame's set.
  QWidget* (*make)(CORUpc144App& app, QWidget* parent);
  void (*enter)(CORUpc144App& app);
  void (*leave)(CORUpc144App& app);
};

std::span<const FrameTab> FrameTabs();
// The tab's title, from its row of the tab table.
const char* FrameTabTitle(const FrameTab& tab);
