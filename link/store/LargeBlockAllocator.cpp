#include "link/store/LargeBlockAllocator.h"

#include <cstdint>
#include <sys/mman.h>

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

std::size_t Rounded(std::size_t bytes) { return (bytes + kHugePage - 1) & ~(kHugePage - 1); }

}  // namespace

void* AllocateLargeBlock(std::size_t bytes) {
  // Map one huge page more than needed and cut the ends off, so the block starts on a 2 MB line.
  const std::size_t size = Rounded(bytes);
  void* mapped = mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) throw std::bad_alloc();
  const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(mapped);
  const std::uintptr_t aligned = (start + kHugePage - 1) & ~static_cast<std::uintptr_t>(kHugePage - 1);
  if (aligned != start) munmap(mapped, aligned - start);
  const std::uintptr_t end = aligned + size;
  const std::uintptr_t mappedEnd = start + size + kHugePage;
  if (mappedEnd != end) munmap(reinterpret_cast<void*>(end), mappedEnd - end);
  // Only advice: where huge pages are off, the block still works with ordinary pages.
  madvise(reinterpret_cast<void*>(aligned), size, MADV_HUGEPAGE);
  return reinterpret_cast<void*>(aligned);
}

void FreeLargeBlock(void* block, std::size_t bytes) { munmap(block, Rounded(bytes)); }
