#pragma once

// How the main frame comes by the page of each tab (ITabPage, shell/views/ViewInterfaces.h): it
// builds one page per row of the tab table (shell/model/TabTable.h), asking the view factory for
// the row's maker. A window's own file can put its maker under its row with PlaceTabPage, so a
// new tab needs no line in the frame.

#include <functional>

#include "shell/views/ViewInterfaces.h"

struct ViewContext;

// Builds a tab's page as a child of `parent`; the widget owns the page.
using TabPageMaker = std::function<ITabPage*(ViewContext& context, QWidget* parent)>;

// Puts `maker` under `row` of the tab table for every view factory that has none of its own
// there. Made for a namespace-scope constant in the page's own file, so it returns whether the
// row was free:
//   const bool kPlaced = PlaceTabPage(TAB_X, MakeX);
// A second maker for the same row is refused: one row, one page.
bool PlaceTabPage(int row, TabPageMaker maker);
// The maker a page's own file placed under `row`; null when none did.
const TabPageMaker* PlacedTabPage(int row);
