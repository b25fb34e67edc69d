#pragma once

// Allocator for the store's big arrays (a long capture is hundreds of megabytes). Blocks of
// 32 MB and more are mapped directly, aligned to 2 MB and marked for transparent huge pages,
// which makes touching them for the first time several times cheaper; smaller blocks come from
// the ordinary heap.

#include <cstddef>
#include <new>

void* AllocateLargeBlock(std::size_t bytes);
void FreeLargeBlock(void* block, std::size_t bytes);
constexpr std::size_t kLargeBlockThreshold = std::size_t{32} << 20;

template <class T>
struct LargeBlockAllocator {
  using value_type = T;

  LargeBlockAllocator() = default;
  template <class U>
  LargeBlockAllocator(const LargeBlockAllocator<U>&) {}

  T* allocate(std::size_t count) {
    if (count > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_array_new_length();
    const std::size_t bytes = count * sizeof(T);
    if (bytes < kLargeBlockThreshold) return static_cast<T*>(::operator new (bytes, std::align_val_t{alignof(T)}));
    return static_cast<T*>(AllocateLargeBlock(bytes));
  }
  void deallocate(T* block, std::size_t count) {
    const std::size_t bytes = count * sizeof(T);
    if (bytes < kLargeBlockThreshold) {
      ::operator delete (block, std::align_val_t{alignof(T)});
    } else {
      FreeLargeBlock(block, bytes);
    }
  }
  template <class U>
  bool operator==(const LargeBlockAllocator<U>&) const {
    return true;
  }
};
