#pragma once

// Globally unique identifiers (device-interface classes).

#include <cstring>

#include "platform/nt/BaseTypes.h"

typedef struct _GUID {
  ULONG Data1;
  USHORT Data2;
  USHORT Data3;
  UCHAR Data4[8];
} GUID;
typedef GUID* LPGUID;
typedef const GUID* LPCGUID;

inline bool IsEqualGUID(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }
inline bool operator==(const GUID& a, const GUID& b) { return IsEqualGUID(a, b); }
