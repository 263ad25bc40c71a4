// light_samples.h - the track's baked light: light samples of the world's lighting octree,
// each an ambient cube (per face -x, +x, -y, +y, -z, +z: an ambient term, an openness term
// and a colour), blended, evaluated for a normal and looked up at a world point; and the
// stored entries and blocks of the world lighting file.
//
// Sections: [Records] [Packed light] [Samples] [Lookup] [Stored forms] [World hooks]
//
// Scalar terms keep the stored scale, 0..255.  Main thread only (the one global record).
#pragma once
#include <cstdint>
#include <vector>

struct DataFile;

// ---- [Records] ----
struct LightRecord {
  float ambient[6];    // per face, 0..255
  float open[6];       // per face, 0..255; 255 wholly open
  float colours[6][3];
};
// The record GetLightingAtPoint fills and EvalAmbientCube reads.
extern LightRecord PointLight;
void InitLightRecord(LightRecord& record);  // all 0, open 255

// ---- [Packed light] ----
// Adds 2^(e/3) (e the low six bits of code) to red (top bits 0), green (1), blue (2), or
// half of it to each of green and blue (3).
void AddPackedLight(float rgb[3], uint8_t code);

// ---- [Samples] ----
// The stored sample, 40 bytes: 4 not used here, the six ambient bytes, the six open bytes,
// then per face a little-endian word of three packed floats (11/11/10 bits).
constexpr int LIGHT_SAMPLE_BYTES = 40;
struct LightSample {
  uint8_t bytes[LIGHT_SAMPLE_BYTES];
};
void UnpackLightSample(LightRecord& record, const LightSample& sample);
// Every term and colour channel of record = w0 s0 + w1 s1 + w2 s2 + w3 s3.
void BlendLightSamples(LightRecord& record, const LightSample& s0, const LightSample& s1, const LightSample& s2,
                       const LightSample& s3, float w0, float w1, float w2, float w3);
// Only the six open terms.
void BlendLightSamplesSecondSix(LightRecord& record, const LightSample& s0, const LightSample& s1,
                                const LightSample& s2, const LightSample& s3, float w0, float w1, float w2,
                                float w3);
// Only the +z face: its ambient, open and colour.
void BlendLightSamplesLastAxis(LightRecord& record, const LightSample& s0, const LightSample& s1,
                               const LightSample& s2, const LightSample& s3, float w0, float w1, float w2,
                               float w3);
// PointLight for a normal (x, y, z): out[0] the ambient, out[1] the openness, out[2..4] the
// colour, each the faces the normal looks towards weighted by x^2, y^2 and z^2.
void EvalAmbientCube(float out[5], const float normal[3]);

// ---- [Lookup] ----
constexpr int32_t LIGHT_FADE_HEIGHT = 262144;  // 4 m (16.16): the light fades above it
// Fills PointLight for a world point (16.16).  With dropToGround the ground is found first,
// by a ray straight down from just under a metre above the point to 8 m below it, and the
// light fades out over the 4 m above 4 m from the ground: ambient and colours towards 0,
// openness towards wholly open.  Returns 1 when lighting was found.
int GetLightingAtPoint(const int32_t point[3], int dropToGround);

// ---- [Stored forms] ----
constexpr int LIGHT_ENTRY_BYTES = 48;
struct WorldLightEntry {
  uint8_t type;
  uint32_t first[3];   // two groups of three words, kept as they stand
  uint32_t second[3];
  float values[4];
  // The last four bytes of the stored entry are skipped.
};
struct WorldLightBlock {
  uint32_t flags;      // bit 4 is cleared on reading
  uint8_t format;
  uint32_t counts[3];  // the third only when the format is above 1
  uint32_t extra;      // read with the third count
  std::vector<WorldLightEntry> lists[3];
};
// Reads one 48-byte entry.
void ReadLightOctreeNode(WorldLightEntry& entry, DataFile& df);
// Reads a block with its lists.  The lists' counts are checked against the bytes left in
// the file before anything is allocated: a block that cannot hold them is refused with a
// message ("Damaged light block ..."), as is one that ends early.  1 when read.
int ReadLightOctreeNode2(WorldLightBlock& block, DataFile& df);

// ---- [World hooks] ----
// The world installs these; without them there is no lighting and lookups return 0.
// A ray from start along direction (16.16): 1 and the hit point when it meets the world.
extern int (*WorldRayCastHook)(const int32_t start[3], const int32_t direction[3], int32_t hit[3]);
// The world's lighting octree: fills record for the cell holding the point; 1 when found.
extern int (*WorldLightingLookupHook)(const int32_t point[3], LightRecord& record);
