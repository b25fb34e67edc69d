#pragma once

// Interlocked operations on plain words, as kernel code uses them on fields of its records.

#include <atomic>

#include "platform/nt/BaseTypes.h"

namespace nt {
template <typename T>
std::atomic_ref<T> atomicWord(T volatile* target) {
  return std::atomic_ref<T>(*const_cast<T*>(target));
}
}  // namespace nt

inline LONG InterlockedIncrement(LONG volatile* target) { return nt::atomicWord(target).fetch_add(1) + 1; }
inline LONG InterlockedDecrement(LONG volatile* target) { return nt::atomicWord(target).fetch_sub(1) - 1; }
// Returns the value before the addition.
inline LONG InterlockedExchangeAdd(LONG volatile* target, LONG value) {
  return nt::atomicWord(target).fetch_add(value);
}
inline LONG InterlockedExchange(LONG volatile* target, LONG value) { return nt::atomicWord(target).exchange(value); }
inline LONG InterlockedCompareExchange(LONG volatile* target, LONG exchange, LONG comparand) {
  nt::atomicWord(target).compare_exchange_strong(comparand, exchange);
  return comparand;
}
inline LONG InterlockedOr(LONG volatile* target, LONG value) { return nt::atomicWord(target).fetch_or(value); }
inline LONG InterlockedAnd(LONG volatile* target, LONG value) { return nt::atomicWord(target).fetch_and(value); }
inline PVOID InterlockedExchangePointer(PVOID volatile* target, PVOID value) {
  return nt::atomicWord(target).exchange(value);
}
inline PVOID InterlockedCompareExchangePointer(PVOID volatile* target, PVOID exchange, PVOID comparand) {
  nt::atomicWord(target).compare_exchange_strong(comparand, exchange);
  return comparand;
}
