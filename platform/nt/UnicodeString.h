#pragma once

// Counted wide strings (lengths in bytes, not necessarily zero-terminated) and their helpers.

#include <string>
#include <string_view>

#include "platform/nt/BaseTypes.h"

typedef struct _UNICODE_STRING {
  USHORT Length;         // bytes in use
  USHORT MaximumLength;  // bytes of Buffer
  PWCHAR Buffer;
} UNICODE_STRING, *PUNICODE_STRING;
typedef const UNICODE_STRING* PCUNICODE_STRING;

// Points `destination` at a zero-terminated string (or empties it for NULL).
VOID RtlInitUnicodeString(PUNICODE_STRING destination, PCWSTR source);
// Copies as much of `source` as fits into the destination's buffer.
VOID RtlCopyUnicodeString(PUNICODE_STRING destination, PCUNICODE_STRING source);
BOOLEAN RtlEqualUnicodeString(PCUNICODE_STRING a, PCUNICODE_STRING b, BOOLEAN caseInsensitive);
// Frees a buffer that the kernel allocated for the caller (for example a device-interface name).
VOID RtlFreeUnicodeString(PUNICODE_STRING string);

namespace nt {
std::u16string toU16(PCUNICODE_STRING s);
std::u16string widen(std::string_view ascii);
std::string narrow(std::u16string_view text);  // for messages: non-ASCII becomes '?'
// Object names compare without regard to ASCII case.
bool namesEqual(std::u16string_view a, std::u16string_view b);
// The form of a name that namesEqual compares: equal names have the same one.
std::u16string foldedName(std::u16string_view name);
// A kernel-allocated copy (pool, so RtlFreeUnicodeString frees it); false when out of memory.
bool allocateUnicodeString(PUNICODE_STRING destination, std::u16string_view text);
}  // namespace nt
