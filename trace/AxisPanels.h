#pragma once

// Paints the volt and time axes and hands back their marks; the same routines serve the screen
// panels and the printed page.

#include "trace/LogicalPainter.h"
#include "trace/model/AxisLayout.h"

VoltAxisLayout DrawVoltAxis(LogicalPainter& lp, long displayScale, const PanelRect& panel);
TimeAxisLayout DrawTimeAxis(LogicalPainter& lp, long displaySpan, const PanelRect& panel);
