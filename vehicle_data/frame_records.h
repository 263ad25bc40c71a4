// frame_records.h - the vehicle's frame as stored: its points and the tubes between them, and
// the fixed records they are read and written in by the vehicle file and the frame file.
//
// Sections: [Frame point] [Frame tube] [Records]
//
// The records go through the common data stream in any of its modes: into a file, into
// memory, or only counted, with the same bytes in each (a point is 20 bytes, a tube 12).
// Positions are 16.16 in car axes (x right, y forward, z up).  Thread-safe (no shared state).
#pragma once
#include <cstdint>

struct DataFile;

// ---- [Frame point] ----
// A frame point, 20 bytes: 16.16 position, a working value, flags (bit 0 the selection
// mark), the type (0 vertex, 1 lower pivot, 2 upper pivot, 3 thrust bearing), a byte.
constexpr uint16_t FRAME_POINT_SELECTED = 1;
constexpr int FRAME_POINT_BYTES = 20;
struct FramePoint {
  int32_t x, y, z;
  float work;
  uint16_t flags;
  uint8_t type;
  uint8_t spare;
};

// ---- [Frame tube] ----
// A tube between two frame points (indices 0 and up) or a suspension link with one end at a
// wheel point (-6 to -1).  Its size is a mass per metre; a suspension link's is its radius,
// the alternative size.  Flag bit 0 switches a suspension link's visibility in the editor;
// bit 1 is set on every tube with a wheel end when it is written.  On file, 12 bytes: the
// two ends, the size that applies (the alternative size when an end is negative), the flags.
constexpr uint32_t TUBE_WHEEL_END = 2;
constexpr int WHEEL_POINT_FIRST = -6;
constexpr int FRAME_TUBE_BYTES = 12;
struct FrameTube {
  int16_t a, b;
  float massPerMetre;  // the size: kg/m between two frame points, 0.5..40
  float radius;        // the alternative size: m, of a suspension link
  float mass;          // kg, set by the mass model; not stored
  uint32_t flags;
};
constexpr float TUBE_MIN_MASS_PER_METRE = 0.5f;
constexpr float TUBE_MAX_MASS_PER_METRE = 40.0f;

// ---- [Records] ----
// The point's seven fields in order (3 x 4 bytes, 4, 2, 1, 1).
void WriteRecord20(const FramePoint& point, DataFile& stream);
void ReadRecord20(FramePoint& point, DataFile& stream);
// The two ends (2 bytes each), the size that applies, the flags (4 bytes).  A tube with a
// negative end writes its alternative size and takes flag bit 1 (value 2) in memory too.
void WriteRecordB(FrameTube& tube, DataFile& stream);
// Reads one tube: the sizes and the unstored word start at 0; the stored size goes to the
// alternative size when an end is negative, else to the size, held within 0.5..40 (a value
// that is not a number reads as 0.5).
void ReadTubeRecord(FrameTube& tube, DataFile& stream);
