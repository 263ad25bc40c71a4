// strip_ring.h - the strip ring: a fixed ring of 8192 segments holding the marks the wheels
// leave on the ground.  Each wheel extends its current strip one segment at a time; a short
// segment is stretched in place until 80 steps have gone into it, and the oldest segments
// are overwritten once the ring has wrapped.
//
// Sections: [Segments] [Ring] [Neighbour hooks]
//
// Positions are 16.16.  Every operation holds the strip ring lock for its whole run, so the
// wheel code may add marks from any thread.
#pragma once
#include <cstdint>
#include <mutex>

// ---- [Segments] ----
constexpr int STRIP_RING_SIZE = 8192;
constexpr uint16_t STRIP_NEW_SEGMENT = 256;  // step bit: taken from the ring by this call
constexpr int STRIP_STEP_WRAP = 81;          // a step count reaching this starts again at 1

struct StripSegment {
  int32_t a[3], b[3];        // the two end points, 16.16
  StripSegment* previous;    // of the same strip, or null
  StripSegment* next;
  uint16_t value;            // given by the caller
  uint8_t intensity;         // 0 for the first segment of a strip
  uint16_t step;             // low byte: steps gone into the segment; STRIP_NEW_SEGMENT when new
  uint8_t zero;
  const void* owner;         // the object the strip lies on (pointer-sized)
  uint32_t words[3];         // given by the caller
};

// ---- [Ring] ----
struct StripRing {
  StripSegment segments[STRIP_RING_SIZE];
  int writeIndex;  // 0..8191
  int wrapped;     // the ring has been filled once
  std::mutex lock;
};
extern StripRing Strips;

// Extends the strip whose end is segment `previous` (below 0: starts a new one) and returns
// the index of the segment now holding the strip's end.  intensity is 0..1 (held there).
int AddTyreMark(const int32_t a[3], const int32_t b[3], const uint32_t words[3], int previous, uint16_t value,
                const void* owner, float intensity);
// Empties the ring and tells every car to forget its wheels' last segment (the hook runs
// under the lock: it must not call the ring).
void ClearTyreMarks();
// Every segment written so far whose owner is the object loses its owner and intensity, and
// so do its neighbours' intensities: the object left the world.
void RemoveTyreMarksOf(const void* owner);

// ---- [Neighbour hooks] ----
// The race sets each of its cars' wheels' last segment to -2 (none): installed by the cars'
// owner; none while no race runs.
extern void (*ForgetWheelMarkSegmentsHook)();
