#pragma once

// What the calibration procedure needs from its dialog: questions and messages for the operator,
// the status line, posts to the worker and the redraw of one line's factors.

#include <string>

#include "platform/win32/Win32Types.h"

class CalibrationHost {
 public:
  virtual ~CalibrationHost() = default;
  virtual bool DeviceOpen() const = 0;
  // A message box; IDOK, IDCANCEL, ... as the operator answered.
  virtual int MessageBox(const std::string& text, const std::string& caption, UINT style) = 0;
  virtual void SetStatus(const std::string& text) = 0;
  virtual void PostToWorker(UINT message, WPARAM wParam, LPARAM lParam) = 0;
  // Line 1..3's factor texts or group colour changed.
  virtual void FactorsChanged(int line) = 0;
};
