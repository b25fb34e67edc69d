#pragma once

// The voltage-trigger threshold on the volt axis: "DeltaV" is a percent of the half range,
// -99..99, between the axis's top and bottom marks (logical units, y up).

#include "link/store/TraceHeader.h"  // ClampDeltaV

// The logical y of the threshold mark on a panel of the given logical height.
int ThresholdMarkY(int panelHeight, int topMark, int bottomMark, int deltaV);

// The percent a dragged mark at logical y stands for; 0 when the marks are equal.
int DeltaVFromMarkY(int y, int topMark, int bottomMark);
