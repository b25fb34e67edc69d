#pragma once

// The fixed three-pane layout of the CAPTURE DATA and SIGNAL TRACE tabs: a left column split into
// an upper and a lower pane, and the main view on the right.

struct TabFrameSizes {
  int leftColumnWidth;  // ideal = minimum where the minimum is not 0
  int leftColumnMinimum;
  int rightColumnMinimum;
  int upperPaneHeight;
  int upperPaneMinimum;
  int lowerPaneMinimum;
};

// CAPTURE DATA: control panel over the read-out panel, session view on the right.
inline constexpr TabFrameSizes kCaptureFrameSizes{220, 220, 220, 240, 240, 0};
// SIGNAL TRACE: trace control over the read-out panel, signal-trace view on the right.
inline constexpr TabFrameSizes kTraceFrameSizes{215, 0, 0, 250, 0, 0};
