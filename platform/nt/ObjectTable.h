#pragma once

// The process-wide table of kernel memory blocks: which kernel a block belongs to, so that routines
// given only a pointer (ExFreePool, IoCompleteRequest, IoCallDriver) find it, and which blocks were
// freed. A freed block is poisoned and kept for a while (devices: until their kernel ends) so that
// a stale pointer is recognised instead of being reused; under AddressSanitizer the kept memory
// is also poisoned for the sanitizer, so a driver touching it is reported.

#include <cstddef>
#include <optional>

#include "platform/nt/BaseTypes.h"

namespace nt {

class Kernel;

struct BlockOwner {
  Kernel* kernel;
  ULONG tag;
};

struct RetiredBlock {
  Kernel* kernel;
  ULONG tag;
};

class ObjectTable {
 public:
  // Raw memory for pool blocks (16-byte aligned).
  static void* allocate(std::size_t size);
  static void add(const void* block, std::size_t size, BlockOwner owner);
  static std::optional<BlockOwner> find(const void* block);
  static std::optional<RetiredBlock> findRetired(const void* block);
  // The block stops being live; its memory is poisoned and kept. Evictable blocks are really
  // freed when many newer ones have been retired; the others when their kernel ends.
  static void retire(const void* block, bool evictable);
  // Frees every block (live or retired) of a kernel that ends.
  static void releaseKernel(Kernel* kernel);

  static constexpr std::size_t kRetiredLimit = 4096;
};

}  // namespace nt
