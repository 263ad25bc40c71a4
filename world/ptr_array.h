// ptr_array.h - the growable array of object pointers the world's per-frame lists use.
// Main thread only.
#pragma once
#include <cstdint>

struct FixedOb;

struct PtrArray {
  uint32_t count = 0;
  uint32_t capacity = 0;
  FixedOb** items = nullptr;  // owned

  // Appends, growing first when full; false (nothing added) when memory ran out.
  bool Add(FixedOb* object);
  // Room for 1024 entries at first, then double, the entries kept; false when memory ran out.
  bool Grow();
  // Room for exactly n entries from the start (the world's lists take 64); false when memory ran out.
  bool Reserve(uint32_t n);
  void Free();  // the array released; count and capacity 0
};
