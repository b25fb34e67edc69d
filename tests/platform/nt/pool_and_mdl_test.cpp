// Pool accounting and injected failures; MDLs, partial MDLs and their mapping.

#include <array>
#include <cstring>

#include "ScriptedDriver.h"

namespace {

using nt::Violation;

class PoolTest : public scripted::KernelTest {};

TEST_F(PoolTest, BlocksAreCountedPerTagAndFilledWithAPattern) {
  constexpr ULONG kTag = nt::poolTag("Abc1");
  auto a = static_cast<PUCHAR>(ExAllocatePoolWithTag(NonPagedPool, 10, kTag));
  PVOID b = ExAllocatePoolWithTag(NonPagedPool, 6, kTag);
  PVOID untagged = ExAllocatePool(NonPagedPool, 4);
  ASSERT_TRUE(a && b && untagged);
  EXPECT_EQ(a[0], 0xCD);
  EXPECT_EQ(a[9], 0xCD);
  nt::Pool::TagUsage usage = kernel.pool().usage(kTag);
  EXPECT_EQ(usage.liveBlocks, 2u);
  EXPECT_EQ(usage.liveBytes, 16u);
  EXPECT_EQ(kernel.pool().usage(nt::kUntaggedPoolTag).liveBlocks, 1u);
  ExFreePool(a);
  ExFreePoolWithTag(b, kTag);
  ExFreePool(untagged);
  usage = kernel.pool().usage(kTag);
  EXPECT_EQ(usage.liveBlocks, 0u);
  EXPECT_EQ(usage.allocations, 2u);
  EXPECT_EQ(nt::Pool::tagText(kTag), "Abc1");
}

TEST_F(PoolTest, NthAllocationFailsOnceCountingAllTagsOrOnlyOne) {
  constexpr ULONG kA = nt::poolTag("AAAA");
  constexpr ULONG kB = nt::poolTag("BBBB");
  kernel.pool().failNth(3);
  PVOID p1 = ExAllocatePoolWithTag(NonPagedPool, 1, kA);
  PVOID p2 = ExAllocatePoolWithTag(NonPagedPool, 1, kB);
  PVOID p3 = ExAllocatePoolWithTag(NonPagedPool, 1, kA);
  PVOID p4 = ExAllocatePoolWithTag(NonPagedPool, 1, kA);
  EXPECT_TRUE(p1 && p2 && p4);
  EXPECT_EQ(p3, nullptr);

  kernel.pool().failNth(2, kB);
  PVOID q1 = ExAllocatePoolWithTag(NonPagedPool, 1, kA);
  PVOID q2 = ExAllocatePoolWithTag(NonPagedPool, 1, kB);
  PVOID q3 = ExAllocatePoolWithTag(NonPagedPool, 1, kA);
  PVOID q4 = ExAllocatePoolWithTag(NonPagedPool, 1, kB);
  EXPECT_TRUE(q1 && q2 && q3);
  EXPECT_EQ(q4, nullptr);
  EXPECT_EQ(kernel.pool().usage(kB).failures, 1u);
  for (PVOID p : {p1, p2, p4, q1, q2, q3}) ExFreePool(p);
}

TEST_F(PoolTest, FailingATagAlsoFailsTheKernelsOwnAllocationsOfIt) {
  kernel.pool().failTag(nt::poolTag("Irp "));
  EXPECT_EQ(IoAllocateIrp(2, FALSE), nullptr);
  kernel.pool().clearFailures();
  kernel.pool().failTag(nt::poolTag("Mdl "));
  UCHAR buffer[8];
  EXPECT_EQ(IoAllocateMdl(buffer, 8, FALSE, FALSE, nullptr), nullptr);
  kernel.pool().clearFailures();
  PIRP irp = IoAllocateIrp(2, FALSE);
  ASSERT_NE(irp, nullptr);
  IoFreeIrp(irp);
}

class MdlTest : public scripted::KernelTest {};

TEST_F(MdlTest, DescribesItsRangeWithAPageCapacity) {
  PMDL mdl = IoAllocateMdl(reinterpret_cast<PVOID>(0xFFF), 64, FALSE, FALSE, nullptr);
  ASSERT_NE(mdl, nullptr);
  EXPECT_EQ(mdl->PageCapacity, 2u);  // the range straddles a page boundary
  EXPECT_EQ(MmGetMdlByteCount(mdl), 64u);
  EXPECT_EQ(MmGetMdlByteOffset(mdl), 0xFFFu);
  EXPECT_EQ(MmGetMdlVirtualAddress(mdl), reinterpret_cast<PVOID>(0xFFF));
  IoFreeMdl(mdl);
  EXPECT_EQ(ADDRESS_AND_SIZE_TO_SPAN_PAGES(reinterpret_cast<PVOID>(0x1000), 4096), 1u);
  EXPECT_EQ(ADDRESS_AND_SIZE_TO_SPAN_PAGES(reinterpret_cast<PVOID>(0x1001), 4096), 2u);
  EXPECT_EQ(ADDRESS_AND_SIZE_TO_SPAN_PAGES(reinterpret_cast<PVOID>(0x1001), 0), 0u);
}

TEST_F(MdlTest, PartialMdlMapsToTheBytesOfItsPiece) {
  alignas(4096) static std::array<UCHAR, 3 * 4096> buffer;
  for (std::size_t i = 0; i < buffer.size(); ++i) buffer[i] = static_cast<UCHAR>(i);
  PMDL source = IoAllocateMdl(buffer.data(), buffer.size(), FALSE, FALSE, nullptr);
  MmProbeAndLockPages(source, UserMode, IoWriteAccess);
  PMDL piece = IoAllocateMdl(reinterpret_cast<PVOID>(0xFFF), 64, FALSE, FALSE, nullptr);

  // Pieces of 64 bytes walk the buffer; the one across the first page boundary still fits.
  for (ULONG offset : {0u, 4032u, 4064u, 8192u}) {
    PUCHAR va = buffer.data() + offset;
    IoBuildPartialMdl(source, piece, va, 64);
    EXPECT_EQ(MmGetMdlVirtualAddress(piece), va);
    EXPECT_EQ(MmGetMdlByteCount(piece), 64u);
    EXPECT_TRUE(piece->MdlFlags & MDL_PARTIAL);
    piece->MdlFlags |= MDL_MAPPING_CAN_FAIL;
    auto mapped = static_cast<PUCHAR>(
        MmMapLockedPagesSpecifyCache(piece, KernelMode, MmNonCached, nullptr, FALSE, NormalPagePriority));
    piece->MdlFlags &= ~MDL_MAPPING_CAN_FAIL;
    ASSERT_EQ(mapped, va);
    EXPECT_EQ(mapped[0], static_cast<UCHAR>(offset));
    EXPECT_TRUE(piece->MdlFlags & MDL_PARTIAL_HAS_BEEN_MAPPED);
    MmPrepareMdlForReuse(piece);
    EXPECT_FALSE(piece->MdlFlags & MDL_MAPPED_TO_SYSTEM_VA);
  }
  // Length 0: up to the end of the source.
  IoBuildPartialMdl(source, piece, buffer.data() + buffer.size() - 10, 0);
  EXPECT_EQ(MmGetMdlByteCount(piece), 10u);
  IoFreeMdl(piece);
  IoFreeMdl(source);
}

TEST_F(MdlTest, MappingFailsOnlyWhenTheCallerAllowsIt) {
  UCHAR buffer[16];
  PMDL mdl = IoAllocateMdl(buffer, 16, FALSE, FALSE, nullptr);
  kernel.failMappings(1);
  // Not allowed to fail: succeeds, and the injected failure waits for one that may.
  PVOID plain = MmMapLockedPagesSpecifyCache(mdl, KernelMode, MmCached, nullptr, FALSE, NormalPagePriority);
  EXPECT_EQ(plain, buffer);
  MmUnmapLockedPages(plain, mdl);
  EXPECT_EQ(MmGetSystemAddressForMdlSafe(mdl, NormalPagePriority), nullptr);
  EXPECT_FALSE(mdl->MdlFlags & MDL_MAPPING_CAN_FAIL);  // restored after the call
  EXPECT_EQ(MmGetSystemAddressForMdlSafe(mdl, NormalPagePriority), buffer);
  EXPECT_EQ(MmGetSystemAddressForMdlSafe(mdl, NormalPagePriority), buffer);  // mapped already
  IoFreeMdl(mdl);
}

TEST_F(MdlTest, AllocationWithAnIrpBecomesItsMdlChain) {
  UCHAR a[8], b[8];
  PIRP irp = IoAllocateIrp(1, FALSE);
  PMDL first = IoAllocateMdl(a, 8, FALSE, FALSE, irp);
  PMDL second = IoAllocateMdl(b, 8, TRUE, FALSE, irp);
  EXPECT_EQ(irp->MdlAddress, first);
  EXPECT_EQ(first->Next, second);
  IoFreeMdl(second);
  IoFreeMdl(first);
  IoFreeIrp(irp);
}

TEST_F(MdlTest, PartialMdlOutsideItsSourceOrBeyondItsCapacityIsMisuse) {
  alignas(4096) static std::array<UCHAR, 3 * 4096> buffer;
  PMDL source = IoAllocateMdl(buffer.data() + 100, 1000, FALSE, FALSE, nullptr);
  PMDL piece = IoAllocateMdl(buffer.data(), 64, FALSE, FALSE, nullptr);  // one page
  IoBuildPartialMdl(source, piece, buffer.data() + 50, 64);              // starts before the source
  IoBuildPartialMdl(source, piece, buffer.data() + 1090, 64);            // ends after it
  EXPECT_EQ(MmGetMdlByteCount(piece), 64u);                              // left as it was
  PMDL big = IoAllocateMdl(buffer.data(), 2 * 4096, FALSE, FALSE, nullptr);
  IoBuildPartialMdl(big, piece, buffer.data() + 4000, 200);  // two pages into a one-page MDL
  IoBuildPartialMdl(big, piece, buffer.data(), 64);
  MmGetSystemAddressForMdlSafe(piece, NormalPagePriority);
  IoBuildPartialMdl(big, piece, buffer.data() + 64, 64);  // still mapped
  IoFreeMdl(big);
  IoFreeMdl(piece);
  IoFreeMdl(source);
  expectViolations({Violation::MdlMisuse, Violation::MdlMisuse, Violation::MdlMisuse, Violation::MdlMisuse});
}

}  // namespace
