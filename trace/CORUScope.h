#pragma once

// CORUScope: draws the held signal trace into an image the size of the scope area: the line or
// bars, the grey zero and time-origin guides, the inverting cross-hair, the marker cross and the
// threshold line. It is a renderer owned by the signal-trace view, not a window.

#include <QImage>

#include "trace/model/ScopeState.h"

struct ViewContext;

class CORUScope {
 public:
  explicit CORUScope(ViewContext& context);

  void Attach(QSize areaPixels, int xOffset, int yOffset);
  bool Attached() const { return state.Attached(); }
  // Draws everything into the image. True when the read-out panel should redraw (the caller
  // asks it outside the lock).
  bool Render();
  const QImage& Image() const { return image_; }

  void OnMouseMove(int viewX, int viewY);
  DoubleClickResult OnLButtonDblClk(int viewX, int viewY);
  bool GetVoltageReading(double* volts) const { return state.GetVoltageReading(volts); }
  bool GetTimeReading(double* seconds) const { return state.GetTimeReading(seconds); }

  ScopeState state;

 private:
  bool DrawTrace(QPainter& painter);
  void DrawGuides(QPainter& painter, const TraceRules& rules);
  void DrawCrossHair(QPainter& painter);
  void DrawMarkerCross(QPainter& painter);

  ViewContext& context_;
  QImage image_;
};
