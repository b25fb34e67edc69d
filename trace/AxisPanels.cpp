#include "trace/AxisPanels.h"

namespace {

void DrawLabels(LogicalPainter& lp, const std::vector<AxisLabel>& labels) {
  lp.Painter().setPen(lp.Pen(Qt::black));
  for (const AxisLabel& label : labels) {
    // The layout's text origin is the label's top-left corner (logical y up: the top is higher).
    lp.Text(label.originX, label.originY, label.text);
    lp.Line(label.tickX1, label.tickY1, label.tickX2, label.tickY2);
  }
}

}  // namespace

VoltAxisLayout DrawVoltAxis(LogicalPainter& lp, long displayScale, const PanelRect& panel) {
  VoltAxisLayout layout = LayoutVoltAxis(displayScale, panel, lp.Measurer());
  DrawLabels(lp, layout.labels);
  return layout;
}

TimeAxisLayout DrawTimeAxis(LogicalPainter& lp, long displaySpan, const PanelRect& panel) {
  TimeAxisLayout layout = LayoutTimeAxis(displaySpan, panel, lp.Measurer());
  DrawLabels(lp, layout.labels);
  return layout;
}
