#include "trace/model/LogicalMapper.h"

#include <cstdint>

int MulDiv(int number, int numerator, int denominator) {
  if (denominator == 0) return 0;
  const int64_t product = static_cast<int64_t>(number) * numerator;
  int64_t half = denominator / 2;
  if (half < 0) half = -half;
  const bool negative = (product < 0) != (denominator < 0);
  const int64_t magnitude = (product < 0 ? -product : product) + half;
  const int64_t d = denominator < 0 ? -static_cast<int64_t>(denominator) : denominator;
  const int64_t quotient = magnitude / d;
  return static_cast<int>(negative ? -quotient : quotient);
}

LogicalMapper::LogicalMapper(int dpiX, int dpiY) : dpiX_(dpiX > 0 ? dpiX : 96), dpiY_(dpiY > 0 ? dpiY : 96) {}
