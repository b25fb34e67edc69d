#pragma once

// Memory descriptor lists. The buffers live in this process, so an MDL records the virtual range it
// describes and "mapping" it yields that same address. Pages are 4096 bytes; an MDL's page
// capacity is fixed at allocation (the pages its first range spans) and a partial MDL built into it
// must fit that capacity and lie inside its source.

#include "platform/nt/BaseTypes.h"
#include "platform/nt/IoForward.h"

constexpr ULONG PAGE_SIZE = 4096;

constexpr CSHORT MDL_MAPPED_TO_SYSTEM_VA = 0x0001;
constexpr CSHORT MDL_PAGES_LOCKED = 0x0002;
constexpr CSHORT MDL_SOURCE_IS_NONPAGED_POOL = 0x0004;
constexpr CSHORT MDL_PARTIAL = 0x0010;
constexpr CSHORT MDL_PARTIAL_HAS_BEEN_MAPPED = 0x0020;
constexpr CSHORT MDL_IO_PAGE_READ = 0x0040;
constexpr CSHORT MDL_MAPPING_CAN_FAIL = 0x4000;

struct _MDL {
  PMDL Next;
  CSHORT Size;
  CSHORT MdlFlags;
  PVOID MappedSystemVa;
  PVOID StartVa;  // page-aligned
  ULONG ByteCount;
  ULONG ByteOffset;  // of the first byte within its page
  ULONG PageCapacity;
};

typedef enum _MEMORY_CACHING_TYPE { MmNonCached = 0, MmCached = 1, MmWriteCombined = 2 } MEMORY_CACHING_TYPE;
typedef enum _MM_PAGE_PRIORITY { LowPagePriority = 0, NormalPagePriority = 16, HighPagePriority = 32 } MM_PAGE_PRIORITY;
typedef enum _LOCK_OPERATION { IoReadAccess = 0, IoWriteAccess = 1, IoModifyAccess = 2 } LOCK_OPERATION;

constexpr ULONG ADDRESS_AND_SIZE_TO_SPAN_PAGES(const VOID* va, SIZE_T size) {
  return size == 0 ? 0
                   : static_cast<ULONG>(((reinterpret_cast<ULONG_PTR>(va) & (PAGE_SIZE - 1)) + size + PAGE_SIZE - 1) /
                                        PAGE_SIZE);
}

// NULL when out of memory. With an IRP and secondaryBuffer FALSE the MDL becomes Irp->MdlAddress.
PMDL IoAllocateMdl(PVOID virtualAddress, ULONG length, BOOLEAN secondaryBuffer, BOOLEAN chargeQuota, PIRP irp);
VOID IoFreeMdl(PMDL mdl);
// Describes [virtualAddress, virtualAddress + length) of the source's range in `target` (length 0:
// up to the end of the source's range).
VOID IoBuildPartialMdl(PMDL sourceMdl, PMDL targetMdl, PVOID virtualAddress, ULONG length);
VOID MmBuildMdlForNonPagedPool(PMDL mdl);
VOID MmProbeAndLockPages(PMDL mdl, KPROCESSOR_MODE accessMode, LOCK_OPERATION operation);
VOID MmUnlockPages(PMDL mdl);
// NULL when the kernel was told to fail mappings and the caller allows failure
// (MDL_MAPPING_CAN_FAIL set, or the "Safe" form).
PVOID MmMapLockedPagesSpecifyCache(PMDL mdl, KPROCESSOR_MODE accessMode, MEMORY_CACHING_TYPE cacheType,
                                   PVOID requestedAddress, ULONG bugCheckOnFailure, ULONG priority);
VOID MmUnmapLockedPages(PVOID baseAddress, PMDL mdl);
PVOID MmGetSystemAddressForMdlSafe(PMDL mdl, ULONG priority);
VOID MmPrepareMdlForReuse(PMDL mdl);

inline ULONG MmGetMdlByteCount(const MDL* mdl) { return mdl->ByteCount; }
inline ULONG MmGetMdlByteOffset(const MDL* mdl) { return mdl->ByteOffset; }
inline PVOID MmGetMdlVirtualAddress(const MDL* mdl) { return static_cast<PCHAR>(mdl->StartVa) + mdl->ByteOffset; }
