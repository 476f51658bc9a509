// grow_array.h -- GrowArray: the growable array of pointers and small records used throughout
//
// A new array holds room for 8 items. An append to a full array first doubles the capacity
// (new block, copy, free the old block), so the index of an item never changes while it is
// held. Removal searches from the front and moves the later items down one place, which keeps
// the order of the rest: the Device relies on it to delete its resources in creation order.
// Items are copied bytewise, so only trivially copyable types (pointers, plain records) fit.
#pragma once

#include <cassert>
#include <cstdint>
#include <cstring>
#include <new>
#include <type_traits>

template <typename T>
class GrowArray {
  static_assert(std::is_trivially_copyable<T>::value, "GrowArray holds pointers and plain records");

 public:
  static constexpr uint32_t kInitialCapacity = 8;

  GrowArray() : items(new T[kInitialCapacity]()), count(0), capacity(kInitialCapacity) {}
  ~GrowArray() { delete[] items; }
  GrowArray(const GrowArray&) = delete;
  GrowArray& operator=(const GrowArray&) = delete;

  // Appends a copy of item and returns its index, or -1 when the array cannot grow (its
  // capacity would pass 2^31 items, or the allocation failed); the array is unchanged then.
  int32_t Append(const T& item) {
    if (count == capacity && !Grow()) return -1;
    items[count] = item;
    return static_cast<int32_t>(count++);
  }

  // Removes the first item equal to item; false when there is none.
  bool Remove(const T& item) {
    for (uint32_t i = 0; i < count; ++i) {
      if (std::memcmp(&items[i], &item, sizeof(T)) == 0) {
        RemoveAt(i);
        return true;
      }
    }
    return false;
  }

  void RemoveAt(uint32_t index) {
    assert(index < count);
    if (index >= count) return;
    std::memmove(&items[index], &items[index + 1], sizeof(T) * (count - index - 1));
    --count;
  }

  // Forgets every item; the storage is kept.
  void Clear() { count = 0; }

  T& operator[](uint32_t index) {
    assert(index < count);
    return items[index];
  }
  const T& operator[](uint32_t index) const {
    assert(index < count);
    return items[index];
  }
  T& Last() {
    assert(count > 0);
    return items[count - 1];
  }

  T* begin() { return items; }
  T* end() { return items + count; }
  const T* begin() const { return items; }
  const T* end() const { return items + count; }

  T* items;
  uint32_t count;
  uint32_t capacity;

 private:
  bool Grow() {
    if (capacity > (1u << 30)) return false;
    T* larger = new (std::nothrow) T[capacity * 2]();
    if (!larger) return false;
    std::memcpy(larger, items, sizeof(T) * count);
    delete[] items;
    items = larger;
    capacity *= 2;
    return true;
  }
};
