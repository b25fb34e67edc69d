#pragma once

// The integer and pointer types that kernel code and user-mode code of this platform share.
// Both platform/nt and platform/win32 build on these, so a file may include both layers.

#include <cstddef>
#include <cstdint>

typedef void VOID;
typedef void* PVOID;
typedef char CHAR;
typedef unsigned char UCHAR;
typedef UCHAR* PUCHAR;
typedef int16_t SHORT;
typedef uint16_t USHORT;
typedef USHORT* PUSHORT;
typedef int32_t LONG;
typedef LONG* PLONG;
typedef uint32_t ULONG;
typedef ULONG* PULONG;
typedef int64_t LONGLONG;
typedef uint64_t ULONGLONG;
typedef intptr_t LONG_PTR;
typedef uintptr_t ULONG_PTR;
typedef ULONG_PTR* PULONG_PTR;
typedef std::size_t SIZE_T;
typedef char16_t WCHAR;
typedef WCHAR* PWCHAR;
typedef const WCHAR* PCWSTR;
typedef UCHAR BOOLEAN;
typedef BOOLEAN* PBOOLEAN;
typedef void* HANDLE;
typedef HANDLE* PHANDLE;
typedef LONG NTSTATUS;
typedef char CCHAR;
typedef CHAR* PCHAR;
typedef int16_t CSHORT;
typedef PVOID* PPVOID;

// A 64-bit count with its two halves (time-outs, byte offsets).
typedef union _LARGE_INTEGER {
  struct {
    ULONG LowPart;
    LONG HighPart;
  } u;
  LONGLONG QuadPart;
} LARGE_INTEGER;
typedef LARGE_INTEGER* PLARGE_INTEGER;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif
