#include "platform/nt/ObjectTable.h"

#include <cstring>
#include <deque>
#include <mutex>
#include <new>
#include <unordered_map>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define QV_POISON(p, n) ASAN_POISON_MEMORY_REGION(p, n)
#define QV_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION(p, n)
#else
#define QV_POISON(p, n) ((void)(p), (void)(n))
#define QV_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

namespace nt {

namespace {

constexpr std::align_val_t kAlignment{16};
constexpr unsigned char kPoison = 0xDD;

struct LiveEntry {
  std::size_t size;
  BlockOwner owner;
};

struct RetiredEntry {
  std::size_t size;
  RetiredBlock block;
  bool evictable;
};

struct Table {
  std::mutex mutex;
  std::unordered_map<const void*, LiveEntry> live;
  std::unordered_map<const void*, RetiredEntry> retired;
  std::deque<const void*> evictionOrder;
};

Table& table() {
  static Table* t = new Table;  // never destroyed: kernels may end during static destruction
  return *t;
}

void release(const void* block, std::size_t size) {
  void* p = const_cast<void*>(block);
  QV_UNPOISON(p, size);
  ::operator delete(p, kAlignment);
}

}  // namespace

void* ObjectTable::allocate(std::size_t size) { return ::operator new(size == 0 ? 1 : size, kAlignment); }

void ObjectTable::add(const void* block, std::size_t size, BlockOwner owner) {
  Table& t = table();
  std::lock_guard lock(t.mutex);
  t.live[block] = LiveEntry{size, owner};
}

std::optional<BlockOwner> ObjectTable::find(const void* block) {
  Table& t = table();
  std::lock_guard lock(t.mutex);
  auto it = t.live.find(block);
  if (it == t.live.end()) return std::nullopt;
  return it->second.owner;
}

std::optional<RetiredBlock> ObjectTable::findRetired(const void* block) {
  Table& t = table();
  std::lock_guard lock(t.mutex);
  auto it = t.retired.find(block);
  if (it == t.retired.end()) return std::nullopt;
  return it->second.block;
}

void ObjectTable::retire(const void* block, bool evictable) {
  std::vector<std::pair<const void*, std::size_t>> toFree;
  {
    Table& t = table();
    std::lock_guard lock(t.mutex);
    auto it = t.live.find(block);
    if (it == t.live.end()) return;
    LiveEntry entry = it->second;
    t.live.erase(it);
    std::memset(const_cast<void*>(block), kPoison, entry.size);
    QV_POISON(const_cast<void*>(block), entry.size);
    t.retired[block] = RetiredEntry{entry.size, RetiredBlock{entry.owner.kernel, entry.owner.tag}, evictable};
    if (evictable) {
      t.evictionOrder.push_back(block);
      while (t.evictionOrder.size() > kRetiredLimit) {
        const void* old = t.evictionOrder.front();
        t.evictionOrder.pop_front();
        auto r = t.retired.find(old);
        if (r == t.retired.end()) continue;
        toFree.emplace_back(old, r->second.size);
        t.retired.erase(r);
      }
    }
  }
  for (auto& [p, size] : toFree) release(p, size);
}

void ObjectTable::releaseKernel(Kernel* kernel) {
  std::vector<std::pair<const void*, std::size_t>> toFree;
  {
    Table& t = table();
    std::lock_guard lock(t.mutex);
    for (auto it = t.live.begin(); it != t.live.end();) {
      if (it->second.owner.kernel == kernel) {
        toFree.emplace_back(it->first, it->second.size);
        it = t.live.erase(it);
      } else {
        ++it;
      }
    }
    for (auto it = t.retired.begin(); it != t.retired.end();) {
      if (it->second.block.kernel == kernel) {
        toFree.emplace_back(it->first, it->second.size);
        it = t.retired.erase(it);
      } else {
        ++it;
      }
    }
    std::erase_if(t.evictionOrder, [&](const void* p) { return !t.retired.contains(p); });
  }
  for (auto& [p, size] : toFree) release(p, size);
}

}  // namespace nt
