// strip_ring.cpp - the strip ring.
#include "render/strip_ring.h"

#include <algorithm>
#include <cmath>
#include <cstring>

StripRing Strips;
void (*ForgetWheelMarkSegmentsHook)();

namespace {

// The slot is about to be written: a segment that still follows it loses it.
void Unlink(StripSegment& s) {
  if (StripSegment* successor = s.next) {
    successor->previous = nullptr;
    successor->intensity = 0;
    s.next = nullptr;
  }
}

}  // namespace

int AddTyreMark(const int32_t a[3], const int32_t b[3], const uint32_t words[3], int previous, uint16_t value,
                const void* owner, float intensity) {
  std::lock_guard<std::mutex> guard(Strips.lock);
  StripRing& r = Strips;
  if (previous >= STRIP_RING_SIZE) previous = -1;
  StripSegment* before = nullptr;  // the strip's segment the written one follows
  int index;
  uint16_t step;
  if (previous >= 0) {
    StripSegment& p = r.segments[previous];
    const int s = (p.step & 0xFF) + 1;
    if (s > 2) {
      // The strip's last segment is stretched in place.
      index = previous;
      before = p.previous;
      step = uint16_t(s == STRIP_STEP_WRAP ? 1 : s);
    } else {
      index = r.writeIndex;
      before = &p;
      step = uint16_t(s + STRIP_NEW_SEGMENT);
    }
  } else {
    index = r.writeIndex;
    step = STRIP_NEW_SEGMENT;
  }
  StripSegment& w = r.segments[index];
  if (&w == before) before = nullptr;  // a segment never follows itself (a ring of one)
  Unlink(w);
  std::memcpy(w.a, a, sizeof w.a);
  std::memcpy(w.b, b, sizeof w.b);
  w.value = value;
  w.zero = 0;
  w.owner = owner;
  std::memcpy(w.words, words, sizeof w.words);
  w.step = step;
  if (before) {
    w.previous = before;
    before->next = &w;
    const float scaled = std::isfinite(intensity) ? std::round(intensity * 255.0f) : 0.0f;
    w.intensity = uint8_t(std::clamp(scaled, 0.0f, 255.0f));
  } else {
    w.previous = nullptr;
    w.intensity = 0;
  }
  if (step < STRIP_NEW_SEGMENT) return index;
  if (++r.writeIndex == STRIP_RING_SIZE) {
    r.writeIndex = 0;
    r.wrapped = 1;
  }
  return index;
}

void ClearTyreMarks() {
  std::lock_guard<std::mutex> guard(Strips.lock);
  Strips.writeIndex = 0;
  Strips.wrapped = 0;
  // Under the lock, so that no wheel extends a strip from an index of the old ring.
  if (ForgetWheelMarkSegmentsHook) ForgetWheelMarkSegmentsHook();
}

void RemoveTyreMarksOf(const void* owner) {
  std::lock_guard<std::mutex> guard(Strips.lock);
  const int used = Strips.wrapped ? STRIP_RING_SIZE : Strips.writeIndex;
  for (int i = 0; i < used; ++i) {
    StripSegment& s = Strips.segments[i];
    if (s.owner != owner) continue;
    s.intensity = 0;
    s.owner = nullptr;
    if (s.previous) s.previous->intensity = 0;
    if (s.next) s.next->intensity = 0;
  }
}
