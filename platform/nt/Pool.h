#pragma once

// Kernel pool. Blocks are counted per tag, attributed to the driver whose code allocated them
// (leaks are reported when it unloads), and filled with 0xCD so that nothing relies on zeroed
// memory. Allocation failures can be injected (see nt::Pool). Paged pool above APC_LEVEL is a
// verifier violation.

#include "platform/nt/BaseTypes.h"

typedef enum _POOL_TYPE { NonPagedPool = 0, PagedPool = 1, NonPagedPoolNx = 512 } POOL_TYPE;

// NULL on failure.
PVOID ExAllocatePoolWithTag(POOL_TYPE poolType, SIZE_T numberOfBytes, ULONG tag);
PVOID ExAllocatePool(POOL_TYPE poolType, SIZE_T numberOfBytes);
VOID ExFreePool(PVOID block);
VOID ExFreePoolWithTag(PVOID block, ULONG tag);

namespace nt {
// A tag from its four characters in memory order: poolTag("Irp ").
constexpr ULONG poolTag(const char (&text)[5]) {
  return static_cast<ULONG>(static_cast<UCHAR>(text[0])) | static_cast<ULONG>(static_cast<UCHAR>(text[1])) << 8 |
         static_cast<ULONG>(static_cast<UCHAR>(text[2])) << 16 | static_cast<ULONG>(static_cast<UCHAR>(text[3])) << 24;
}
// The tag of ExAllocatePool (no tag given).
constexpr ULONG kUntaggedPoolTag = poolTag("None");
}  // namespace nt
