#pragma once

// The rules that turn axis positions into volts and seconds, for the screen (the scope's marks)
// and for print (the printed axes' marks). Every index is checked before it reaches a table and
// no rule divides by equal marks.

#include "link/store/SysCfg.h"

// The indexes that choose the drawing: the display ones from settings, the recorded ones from
// the held trace (currentTrace, -1 until a trace is held).
struct TraceIndexes {
  long displayScale = 0;
  long displaySpan = 0;
  long recordedScale = -1;
  long recordedSpan = -1;
};

struct AxisMarks {
  int top = 0;
  int bottom = 0;
  int left = 0;
  int right = 0;
};

struct TraceRules {
  double voltsPerUnit = 1.0;     // V
  double factor = 0.0;           // F: the recording's sample-to-volts factor
  double secondsPerUnit = 0.0;   // S
  double secondsPerPoint = 0.0;  // P, of the recorded span
  double pointsPerUnit = 1.0;    // D (screen only; print steps by 1)
  // The recorded indexes name a table row: only then is there a trace to draw or read.
  bool recordingValid = false;

  // A walk with these rules ends: positive, finite seconds per point and per unit.
  bool CanWalk() const;
};

TraceRules ScreenRules(const TraceIndexes& indexes, const CSysCfg& cfg, const AxisMarks& marks);
// The print volt rule leaves V and F at their defaults when the marks are equal or the factor
// the recording uses is 0.0; print always steps one unit per point.
TraceRules PrintRules(const TraceIndexes& indexes, const CSysCfg& cfg, const AxisMarks& marks);
