#pragma once

// The run-time library's memory helpers.

#include <cstring>

#include "platform/nt/BaseTypes.h"

inline VOID RtlCopyMemory(PVOID destination, const VOID* source, SIZE_T length) {
  if (length != 0) std::memcpy(destination, source, length);
}
inline VOID RtlMoveMemory(PVOID destination, const VOID* source, SIZE_T length) {
  if (length != 0) std::memmove(destination, source, length);
}
inline VOID RtlZeroMemory(PVOID destination, SIZE_T length) {
  if (length != 0) std::memset(destination, 0, length);
}
inline VOID RtlFillMemory(PVOID destination, SIZE_T length, UCHAR fill) {
  if (length != 0) std::memset(destination, fill, length);
}
// The number of leading bytes that match.
inline SIZE_T RtlCompareMemory(const VOID* a, const VOID* b, SIZE_T length) {
  auto pa = static_cast<const UCHAR*>(a);
  auto pb = static_cast<const UCHAR*>(b);
  SIZE_T i = 0;
  while (i < length && pa[i] == pb[i]) ++i;
  return i;
}
