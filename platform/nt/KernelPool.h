#pragma once

// A kernel's pool: live blocks with their tag, size and owning driver, per-tag counts, and
// injected allocation failures (the Nth allocation from now, optionally only among those with a
// given tag, or every allocation with a tag).

#include <cstddef>
#include <map>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/nt/DeviceObject.h"
#include "platform/nt/Pool.h"

namespace nt {

class Kernel;

class Pool {
 public:
  struct Block {
    const void* address;
    ULONG tag;
    SIZE_T size;
    POOL_TYPE type;
    PDRIVER_OBJECT owner;  // NULL: the kernel's own
  };
  struct TagUsage {
    ULONG tag = 0;
    std::size_t liveBlocks = 0;
    std::size_t liveBytes = 0;
    std::size_t allocations = 0;
    std::size_t failures = 0;
  };

  explicit Pool(Kernel& kernel);
  Pool(const Pool&) = delete;
  Pool& operator=(const Pool&) = delete;

  // NULL when an injected failure hits. The memory is filled with 0xCD.
  void* allocate(POOL_TYPE type, SIZE_T size, ULONG tag, PDRIVER_OBJECT owner);
  // False when `block` is not a live block of this pool. The memory is poisoned and kept for a
  // while; `keepUntilEnd` keeps it until the kernel ends (device objects).
  bool free(const void* block, bool keepUntilEnd = false);

  // The nth allocation from now (1 = the next) fails, once; with a tag, the nth among those
  // with that tag.
  void failNth(unsigned n, ULONG tag = 0);
  // Every allocation with this tag fails until clearFailures().
  void failTag(ULONG tag);
  void clearFailures();

  TagUsage usage(ULONG tag) const;
  std::vector<TagUsage> usage() const;
  std::size_t liveBlockCount() const;
  // Live blocks of one driver (or all of them, owner NULL and all = true).
  std::vector<Block> liveBlocks(PDRIVER_OBJECT owner, bool all = false) const;
  // "Irp " for poolTag("Irp "); non-printable bytes as '.'.
  static std::string tagText(ULONG tag);
  // One line per tag: "<tag> <blocks> block(s), <bytes> bytes".
  static std::string describe(const std::vector<Block>& blocks);

 private:
  bool injectFailure(ULONG tag);

  Kernel& kernel_;
  mutable std::mutex mutex_;
  std::unordered_map<const void*, Block> blocks_;
  std::map<ULONG, TagUsage> tags_;
  struct NthFailure {
    unsigned remaining;
    ULONG tag;
  };
  std::vector<NthFailure> nthFailures_;
  std::vector<ULONG> failingTags_;
};

}  // namespace nt
