// ptr_array.cpp - the growable array of object pointers.
#include "world/ptr_array.h"

#include <algorithm>
#include <new>

constexpr uint32_t PTR_ARRAY_FIRST_CAPACITY = 1024;

bool PtrArray::Reserve(uint32_t n) {
  FixedOb** grown = new (std::nothrow) FixedOb*[n]();
  if (!grown) return false;
  std::copy(items, items + std::min(count, n), grown);
  delete[] items;
  items = grown;
  capacity = n;
  count = std::min(count, n);
  return true;
}

bool PtrArray::Grow() {
  if (capacity == 0) return Reserve(PTR_ARRAY_FIRST_CAPACITY);
  if (capacity > UINT32_MAX / 2) return false;
  return Reserve(capacity * 2);
}

bool PtrArray::Add(FixedOb* object) {
  if (count >= capacity && !Grow()) return false;
  items[count++] = object;
  return true;
}

void PtrArray::Free() {
  delete[] items;
  items = nullptr;
  count = capacity = 0;
}
