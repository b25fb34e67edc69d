#pragma once

// Puts the three panes of a tab frame into its two fixed splitters at the frame's sizes.

#include "shell/frame/TabFrameLayout.h"

class QWidget;
class CSplitOverride;

void ArrangeTabFrame(QWidget* frame, CSplitOverride* outer, CSplitOverride* inner, QWidget* upper, QWidget* lower,
                     QWidget* main, const TabFrameSizes& sizes);
