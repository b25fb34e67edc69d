#include "trace/model/AxisLayout.h"

#include "link/store/TraceScales.h"
#include "trace/model/LogicalMapper.h"

using namespace trace_scales;

VoltAxisLayout LayoutVoltAxis(long displayScale, const PanelRect& panel, const MeasureText& measure) {
  if (!IsScaleIndex(displayScale)) displayScale = 0;
  const auto labels = ScaleLabels(displayScale);
  const int divisions = *ScaleDivisions(displayScale);
  const TextExtent first = measure(labels.front());
  const TextExtent last = measure(labels.back());

  VoltAxisLayout layout;
  layout.labelCentreX = (panel.right - 10) - first.cx / 2;
  layout.topMark = -(first.cy / 2) - panel.top - 2;
  layout.bottomMark = (2 - panel.bottom) + last.cy / 2;
  layout.zeroY = layout.topMark;
  for (int i = 0; i <= divisions; ++i) {
    const int y = layout.topMark + (layout.bottomMark - layout.topMark) * i / divisions;
    const TextExtent e = measure(labels[i]);
    AxisLabel label;
    label.text = labels[i];
    label.originX = layout.labelCentreX - e.cx / 2;
    label.originY = y + e.cy / 2;
    label.tickX1 = layout.labelCentreX + 4 + e.cx / 2;
    label.tickY1 = y;
    label.tickX2 = panel.right - 1;
    label.tickY2 = y;
    layout.labels.push_back(label);
    if (i == divisions / 2) layout.zeroY = y;  // every scale has "0" in the middle
  }
  return layout;
}

TimeAxisLayout LayoutTimeAxis(long displaySpan, const PanelRect& panel, const MeasureText& measure) {
  if (!IsSpanIndex(displaySpan)) displaySpan = 0;
  const auto labels = SpanLabels(displaySpan);
  const int margin = kTimeAxisMargin;
  const TextExtent zero = measure(labels.front());
  const TextExtent last = measure(labels.back());

  TimeAxisLayout layout;
  layout.leftMark = panel.left + 3 + zero.cx / 2;
  layout.rowY = (2 - panel.bottom) + zero.cy / 2;
  layout.rightMark = layout.leftMark + (panel.right - panel.left) - last.cx / 2 - margin;
  for (int i = 0; i <= kSpanDivisions; ++i) {
    const int x = layout.leftMark + (layout.rightMark - layout.leftMark) * i / kSpanDivisions;
    const TextExtent e = measure(labels[i]);
    AxisLabel label;
    label.text = labels[i];
    label.originX = x - e.cx / 2;
    label.originY = layout.rowY + e.cy / 2;
    label.tickX1 = x;
    label.tickY1 = layout.rowY + 4 + e.cy / 2;
    label.tickX2 = x;
    label.tickY2 = -panel.top;
    layout.labels.push_back(label);
  }
  return layout;
}
