#include "platform/nt/Mdl.h"

#include "platform/nt/CallContext.h"
#include "platform/nt/Irp.h"
#include "platform/nt/Kernel.h"
#include "platform/nt/KernelPool.h"
#include "platform/nt/MdlInternal.h"
#include "platform/nt/ObjectTable.h"

namespace nt {

namespace {

constexpr ULONG kMdlTag = poolTag("Mdl ");

ULONG_PTR address(const void* p) { return reinterpret_cast<ULONG_PTR>(p); }

void describe(PMDL mdl, PVOID va, ULONG length) {
  mdl->StartVa = reinterpret_cast<PVOID>(address(va) & ~static_cast<ULONG_PTR>(PAGE_SIZE - 1));
  mdl->ByteOffset = static_cast<ULONG>(address(va) & (PAGE_SIZE - 1));
  mdl->ByteCount = length;
}

Kernel* kernelOf(PMDL mdl) {
  if (auto owner = ObjectTable::find(mdl)) return owner->kernel;
  return Kernel::current();
}

void report(PMDL mdl, std::string text) {
  if (Kernel* kernel = kernelOf(mdl)) {
    kernel->verifier().record(Violation::MdlMisuse, std::move(text));
  } else {
    reportViolation(Violation::MdlMisuse, std::move(text));
  }
}

}  // namespace

PMDL allocateMdl(Kernel& kernel, PVOID va, ULONG length, PDRIVER_OBJECT owner) {
  auto mdl = static_cast<PMDL>(kernel.pool().allocate(NonPagedPool, sizeof(MDL), kMdlTag, owner));
  if (!mdl) return nullptr;
  *mdl = MDL{};
  describe(mdl, va, length);
  mdl->PageCapacity = ADDRESS_AND_SIZE_TO_SPAN_PAGES(va, length);
  mdl->Size = static_cast<CSHORT>(sizeof(MDL) + mdl->PageCapacity * sizeof(ULONG_PTR));
  return mdl;
}

void freeMdl(Kernel& kernel, PMDL mdl) {
  MmPrepareMdlForReuse(mdl);
  if (!kernel.pool().free(mdl)) report(mdl, "IoFreeMdl(" + pointerText(mdl) + "): not an MDL of this kernel");
}

}  // namespace nt

using nt::Kernel;

PMDL IoAllocateMdl(PVOID virtualAddress, ULONG length, BOOLEAN secondaryBuffer, BOOLEAN chargeQuota, PIRP irp) {
  (void)chargeQuota;
  Kernel& kernel = Kernel::require("IoAllocateMdl");
  PMDL mdl = nt::allocateMdl(kernel, virtualAddress, length, nt::currentCall().driver);
  if (mdl && irp) {
    if (!secondaryBuffer || !irp->MdlAddress) {
      irp->MdlAddress = mdl;
    } else {
      PMDL last = irp->MdlAddress;
      while (last->Next) last = last->Next;
      last->Next = mdl;
    }
  }
  return mdl;
}

VOID IoFreeMdl(PMDL mdl) {
  auto owner = nt::ObjectTable::find(mdl);
  if (!owner) {
    nt::reportViolation(nt::Violation::BadPoolFree, "IoFreeMdl(" + nt::pointerText(mdl) + "): not a live MDL");
    return;
  }
  nt::freeMdl(*owner->kernel, mdl);
}

VOID IoBuildPartialMdl(PMDL sourceMdl, PMDL targetMdl, PVOID virtualAddress, ULONG length) {
  ULONG_PTR sourceStart = nt::address(MmGetMdlVirtualAddress(sourceMdl));
  ULONG_PTR sourceEnd = sourceStart + sourceMdl->ByteCount;
  ULONG_PTR start = nt::address(virtualAddress);
  if (length == 0 && start >= sourceStart && start <= sourceEnd) length = static_cast<ULONG>(sourceEnd - start);
  if (start < sourceStart || start + length > sourceEnd) {
    nt::report(targetMdl, "IoBuildPartialMdl: range " + nt::pointerText(virtualAddress) + "+" + std::to_string(length) +
                              " lies outside its source " + nt::pointerText(MmGetMdlVirtualAddress(sourceMdl)) + "+" +
                              std::to_string(sourceMdl->ByteCount));
    return;
  }
  ULONG pages = ADDRESS_AND_SIZE_TO_SPAN_PAGES(virtualAddress, length);
  if (pages > targetMdl->PageCapacity) {
    nt::report(targetMdl, "IoBuildPartialMdl: range " + nt::pointerText(virtualAddress) + "+" + std::to_string(length) +
                              " spans " + std::to_string(pages) + " page(s), the target MDL holds " +
                              std::to_string(targetMdl->PageCapacity));
    return;
  }
  if (targetMdl->MdlFlags & MDL_PARTIAL_HAS_BEEN_MAPPED) {
    nt::report(targetMdl,
               "IoBuildPartialMdl: target MDL " + nt::pointerText(targetMdl) + " rebuilt while still mapped");
  }
  nt::describe(targetMdl, virtualAddress, length);
  targetMdl->MdlFlags = MDL_PARTIAL;
  targetMdl->MappedSystemVa = nullptr;
  if (sourceMdl->MdlFlags & (MDL_SOURCE_IS_NONPAGED_POOL | MDL_MAPPED_TO_SYSTEM_VA)) {
    targetMdl->MdlFlags |= MDL_SOURCE_IS_NONPAGED_POOL;
    targetMdl->MappedSystemVa = virtualAddress;
  }
}

VOID MmBuildMdlForNonPagedPool(PMDL mdl) {
  mdl->MdlFlags |= MDL_SOURCE_IS_NONPAGED_POOL;
  mdl->MappedSystemVa = MmGetMdlVirtualAddress(mdl);
}

VOID MmProbeAndLockPages(PMDL mdl, KPROCESSOR_MODE accessMode, LOCK_OPERATION operation) {
  (void)accessMode;
  (void)operation;
  mdl->MdlFlags |= MDL_PAGES_LOCKED;
}

VOID MmUnlockPages(PMDL mdl) {
  if (mdl->MdlFlags & MDL_MAPPED_TO_SYSTEM_VA) MmUnmapLockedPages(mdl->MappedSystemVa, mdl);
  mdl->MdlFlags &= ~MDL_PAGES_LOCKED;
}

PVOID MmMapLockedPagesSpecifyCache(PMDL mdl, KPROCESSOR_MODE accessMode, MEMORY_CACHING_TYPE cacheType,
                                   PVOID requestedAddress, ULONG bugCheckOnFailure, ULONG priority) {
  (void)accessMode;
  (void)cacheType;
  (void)requestedAddress;
  (void)bugCheckOnFailure;
  (void)priority;
  if (mdl->MdlFlags & MDL_MAPPED_TO_SYSTEM_VA) {
    nt::report(mdl, "MmMapLockedPagesSpecifyCache: MDL " + nt::pointerText(mdl) + " is mapped already");
    return mdl->MappedSystemVa;
  }
  if (mdl->MdlFlags & MDL_MAPPING_CAN_FAIL) {
    Kernel* kernel = nt::kernelOf(mdl);
    if (kernel && kernel->takeMappingFailure()) return nullptr;
  }
  mdl->MappedSystemVa = MmGetMdlVirtualAddress(mdl);
  mdl->MdlFlags |= MDL_MAPPED_TO_SYSTEM_VA;
  if (mdl->MdlFlags & MDL_PARTIAL) mdl->MdlFlags |= MDL_PARTIAL_HAS_BEEN_MAPPED;
  return mdl->MappedSystemVa;
}

VOID MmUnmapLockedPages(PVOID baseAddress, PMDL mdl) {
  if (!(mdl->MdlFlags & MDL_MAPPED_TO_SYSTEM_VA) || baseAddress != mdl->MappedSystemVa) {
    nt::report(mdl,
               "MmUnmapLockedPages: MDL " + nt::pointerText(mdl) + " is not mapped at " + nt::pointerText(baseAddress));
    return;
  }
  mdl->MdlFlags &= ~(MDL_MAPPED_TO_SYSTEM_VA | MDL_PARTIAL_HAS_BEEN_MAPPED);
  mdl->MappedSystemVa = nullptr;
}

PVOID MmGetSystemAddressForMdlSafe(PMDL mdl, ULONG priority) {
  if (mdl->MdlFlags & (MDL_MAPPED_TO_SYSTEM_VA | MDL_SOURCE_IS_NONPAGED_POOL)) return mdl->MappedSystemVa;
  CSHORT saved = mdl->MdlFlags & MDL_MAPPING_CAN_FAIL;
  mdl->MdlFlags |= MDL_MAPPING_CAN_FAIL;
  PVOID va = MmMapLockedPagesSpecifyCache(mdl, KernelMode, MmCached, nullptr, FALSE, priority);
  mdl->MdlFlags = static_cast<CSHORT>((mdl->MdlFlags & ~MDL_MAPPING_CAN_FAIL) | saved);
  return va;
}

VOID MmPrepareMdlForReuse(PMDL mdl) {
  if (mdl->MdlFlags & MDL_PARTIAL_HAS_BEEN_MAPPED) MmUnmapLockedPages(mdl->MappedSystemVa, mdl);
}
