#pragma once

// Converts between MM_LOENGLISH (0.01 inch, y up) and device pixels. Both directions round the
// same way (MulDiv: half away from zero), because the scope compares converted points for equality.
// No y flip happens here: callers negate logical y themselves, so text is never mirrored.

int MulDiv(int number, int numerator, int denominator);  // 0 when denominator is 0

class LogicalMapper {
 public:
  explicit LogicalMapper(int dpiX = 96, int dpiY = 96);

  int PixelsToLogicalX(int px) const { return MulDiv(px, 100, dpiX_); }
  int PixelsToLogicalY(int px) const { return MulDiv(px, 100, dpiY_); }
  int LogicalToPixelsX(int lx) const { return MulDiv(lx, dpiX_, 100); }
  int LogicalToPixelsY(int ly) const { return MulDiv(ly, dpiY_, 100); }
  int DpiY() const { return dpiY_; }

 private:
  int dpiX_;
  int dpiY_;
};
