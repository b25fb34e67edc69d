#pragma once

// The main frame's tabs in the order they are added: a tab's title, the window it shows, what
// starts its activity when it is entered and what stops it when it is left. The tabbed frame and
// the main frame take the tabs, and their number, from here alone.

#include <span>

class CORUpc144App;
class QWidget;

struct FrameTab {
  const char* title;
  // Builds the tab's window as a child of `parent`; the views it makes go into the main frame's set.
  QWidget* (*make)(CORUpc144App& app, QWidget* parent);
  void (*enter)(CORUpc144App& app);
  void (*leave)(CORUpc144App& app);
};

std::span<const FrameTab> FrameTabs();
