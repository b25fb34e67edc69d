#pragma once

// Growable array of records shared by the worker and the windows (captured bytes, events, samples).
// Growth is geometric (std::vector), and every index is checked: a bad index raises
// CInvalidArgException instead of touching memory. Big blocks come from LargeBlockAllocator.
// Callers hold dataMutex while they use one.

#include <climits>
#include <cstddef>
#include <stdexcept>
#include <utility>
#include <vector>

#include "link/store/LargeBlockAllocator.h"

class CInvalidArgException : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

template <class TYPE, class ARG_TYPE = const TYPE&>
class CArray {
 public:
  using value_type = TYPE;

  int GetSize() const { return static_cast<int>(items.size()); }
  int GetCount() const { return GetSize(); }
  bool IsEmpty() const { return items.empty(); }

  // The grow step is accepted for familiarity and ignored: growth is geometric.
  void SetSize(int newSize, int growBy = -1) {
    (void)growBy;
    if (newSize < 0) throw CInvalidArgException("CArray::SetSize: negative size");
    if (newSize == 0) {
      decltype(items)().swap(items);  // clearing frees the storage
      return;
    }
    items.resize(static_cast<std::size_t>(newSize));
  }
  void RemoveAll() { SetSize(0); }
  // Empties the array but keeps its storage, for a refill of about the same size.
  void Clear() { items.clear(); }
  // Gives back storage well beyond the size (after a refill smaller than what was held).
  void Trim() {
    if (items.capacity() > 2 * items.size() + 1024) items.shrink_to_fit();
  }
  void Reserve(int count) {
    if (count > 0) items.reserve(static_cast<std::size_t>(count));
  }
  std::size_t GetAllocatedSize() const { return items.capacity(); }
  // Exchanges the contents: a load read into an array of its own is taken over without a copy.
  void Swap(CArray& other) noexcept { items.swap(other.items); }

  TYPE& ElementAt(int index) {
    Check(index);
    return items[static_cast<std::size_t>(index)];
  }
  const TYPE& GetAt(int index) const {
    Check(index);
    return items[static_cast<std::size_t>(index)];
  }
  TYPE& operator[](int index) { return ElementAt(index); }
  const TYPE& operator[](int index) const { return GetAt(index); }
  void SetAt(int index, ARG_TYPE element) { ElementAt(index) = element; }

  // Grows to index + 1 when needed (new elements default-constructed), then assigns.
  void SetAtGrow(int index, ARG_TYPE element) {
    if (index < 0 || index == INT_MAX) throw CInvalidArgException("CArray::SetAtGrow: bad index");
    if (index == GetSize()) {
      items.push_back(element);
      return;
    }
    if (index > GetSize()) items.resize(static_cast<std::size_t>(index) + 1);
    items[static_cast<std::size_t>(index)] = element;
  }
  int Add(ARG_TYPE element) {
    int index = GetSize();
    SetAtGrow(index, element);
    return index;
  }

  // Appends a copy of every element of `other`; returns the old size.
  int Append(const CArray& other) {
    if (&other == this) throw CInvalidArgException("CArray::Append: array appended to itself");
    if (static_cast<long long>(GetSize()) + other.GetSize() >= INT_MAX)
      throw CInvalidArgException("CArray::Append: too many elements");
    int oldSize = GetSize();
    items.insert(items.end(), other.items.begin(), other.items.end());
    return oldSize;
  }

  TYPE* GetData() { return items.data(); }
  const TYPE* GetData() const { return items.data(); }
  auto begin() { return items.begin(); }
  auto end() { return items.end(); }
  auto begin() const { return items.begin(); }
  auto end() const { return items.end(); }

 private:
  void Check(int index) const {
    if (index < 0 || index >= GetSize()) throw CInvalidArgException("CArray: index out of range");
  }

  std::vector<TYPE, LargeBlockAllocator<TYPE>> items;
};
