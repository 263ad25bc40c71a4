// light_samples.cpp - ambient cubes, light samples and the world lighting file's blocks.
#include "render/light_samples.h"

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/data_file.h"
#include "core/fixed_math.h"
#include "core/report.h"

LightRecord PointLight;
int (*WorldRayCastHook)(const int32_t start[3], const int32_t direction[3], int32_t hit[3]);
int (*WorldLightingLookupHook)(const int32_t point[3], LightRecord& record);

namespace {

// The ground ray runs about 9 m straight down and ends 8 m below the point: it starts just
// under a metre above it, so the ground is found from there down to 8 m below.
constexpr int32_t DROP_END = 524288;
constexpr int32_t DROP_LENGTH = -589823;
constexpr int32_t LOOKUP_ABOVE_GROUND = 65535;
constexpr float PER_FADE_HEIGHT = 3.8146973e-6f;  // 1 / 262144: heights in units of 4 m

uint32_t Word(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Each face's colour, unpacked.
void SampleColours(const LightSample& s, float out[6][3]) {
  for (int face = 0; face < 6; ++face) LoadFloat3PK(out[face], Word(s.bytes + 16 + face * 4));
}

// w0 s0 + ... + w3 s3 over the samples' values at one place.
template <class Value>
float Weighted(const LightSample* const s[4], const float w[4], Value value) {
  float sum = 0.0f;
  for (int i = 0; i < 4; ++i) sum += w[i] * value(*s[i]);
  return sum;
}

}  // namespace

// ---- [Records] ----

void InitLightRecord(LightRecord& record) {
  record = LightRecord{};
  for (float& open : record.open) open = 255.0f;
}

// ---- [Packed light] ----

void AddPackedLight(float rgb[3], uint8_t code) {
  const float value = std::exp(float(code & 63) / 3.0f * 0.69314718f);
  switch (code >> 6) {
    case 0: rgb[0] += value; break;
    case 1: rgb[1] += value; break;
    case 2: rgb[2] += value; break;
    default:
      rgb[1] += value * 0.5f;
      rgb[2] += value * 0.5f;
      break;
  }
}

// ---- [Samples] ----

void UnpackLightSample(LightRecord& record, const LightSample& sample) {
  for (int face = 0; face < 6; ++face) {
    record.ambient[face] = float(sample.bytes[4 + face]);
    record.open[face] = float(sample.bytes[10 + face]);
  }
  SampleColours(sample, record.colours);
}

void BlendLightSamples(LightRecord& record, const LightSample& s0, const LightSample& s1, const LightSample& s2,
                       const LightSample& s3, float w0, float w1, float w2, float w3) {
  const LightSample* const s[4] = {&s0, &s1, &s2, &s3};
  const float w[4] = {w0, w1, w2, w3};
  float colours[4][6][3];
  for (int i = 0; i < 4; ++i) SampleColours(*s[i], colours[i]);
  for (int face = 0; face < 6; ++face) {
    record.ambient[face] = Weighted(s, w, [face](const LightSample& x) { return float(x.bytes[4 + face]); });
    record.open[face] = Weighted(s, w, [face](const LightSample& x) { return float(x.bytes[10 + face]); });
    for (int c = 0; c < 3; ++c) {
      float sum = 0.0f;
      for (int i = 0; i < 4; ++i) sum += w[i] * colours[i][face][c];
      record.colours[face][c] = sum;
    }
  }
}

void BlendLightSamplesSecondSix(LightRecord& record, const LightSample& s0, const LightSample& s1,
                                const LightSample& s2, const LightSample& s3, float w0, float w1, float w2,
                                float w3) {
  const LightSample* const s[4] = {&s0, &s1, &s2, &s3};
  const float w[4] = {w0, w1, w2, w3};
  for (int face = 0; face < 6; ++face)
    record.open[face] = Weighted(s, w, [face](const LightSample& x) { return float(x.bytes[10 + face]); });
}

void BlendLightSamplesLastAxis(LightRecord& record, const LightSample& s0, const LightSample& s1,
                               const LightSample& s2, const LightSample& s3, float w0, float w1, float w2,
                               float w3) {
  const LightSample* const s[4] = {&s0, &s1, &s2, &s3};
  const float w[4] = {w0, w1, w2, w3};
  record.ambient[5] = Weighted(s, w, [](const LightSample& x) { return float(x.bytes[4 + 5]); });
  record.open[5] = Weighted(s, w, [](const LightSample& x) { return float(x.bytes[10 + 5]); });
  for (int c = 0; c < 3; ++c) {
    record.colours[5][c] = Weighted(s, w, [c](const LightSample& x) {
      float colour[3];
      LoadFloat3PK(colour, Word(x.bytes + 16 + 5 * 4));
      return colour[c];
    });
  }
}

void EvalAmbientCube(float out[5], const float normal[3]) {
  const LightRecord& r = PointLight;
  int faces[3];
  float weights[3];
  for (int axis = 0; axis < 3; ++axis) {
    faces[axis] = axis * 2 + (normal[axis] < 0.0f ? 0 : 1);
    weights[axis] = normal[axis] * normal[axis];
  }
  for (int k = 0; k < 5; ++k) out[k] = 0.0f;
  for (int axis = 0; axis < 3; ++axis) {
    const int f = faces[axis];
    const float w = weights[axis];
    out[0] += w * r.ambient[f];
    out[1] += w * r.open[f];
    for (int c = 0; c < 3; ++c) out[2 + c] += w * r.colours[f][c];
  }
}

// ---- [Lookup] ----

int GetLightingAtPoint(const int32_t point[3], int dropToGround) {
  int32_t lookup[3] = {point[0], point[1], point[2]};
  int32_t ground = point[2];
  if (dropToGround) {
    if (!WorldRayCastHook) return 0;
    const int32_t start[3] = {point[0], point[1], point[2] - DROP_END - DROP_LENGTH};
    const int32_t direction[3] = {0, 0, DROP_LENGTH};
    int32_t hit[3];
    if (!WorldRayCastHook(start, direction, hit)) return 0;
    lookup[0] = hit[0];
    lookup[1] = hit[1];
    ground = hit[2];
  }
  lookup[2] = ground + LOOKUP_ABOVE_GROUND;
  if (!WorldLightingLookupHook) return 0;  // the world has no lighting data
  if (!WorldLightingLookupHook(lookup, PointLight)) return 0;
  if (!dropToGround) return 1;
  const int64_t height = int64_t(point[2]) - ground;
  if (height <= LIGHT_FADE_HEIGHT) return 1;
  // Above 4 m the ground's light fades over the next 4 m: the ambient and the colours to
  // nothing, the openness to wholly open.
  const float t = std::clamp(float(height - LIGHT_FADE_HEIGHT) * PER_FADE_HEIGHT, 0.0f, 1.0f);
  const float f = 1.0f - t;
  LightRecord& r = PointLight;
  for (int face = 0; face < 6; ++face) {
    r.ambient[face] *= f;
    r.open[face] += (255.0f - r.open[face]) * t;
    for (float& c : r.colours[face]) c *= f;
  }
  return 1;
}

// ---- [Stored forms] ----

void ReadLightOctreeNode(WorldLightEntry& entry, DataFile& df) {
  entry.type = uint8_t(df.ReadByte());
  df.Skip(3);
  for (uint32_t& w : entry.first) w = df.ReadUInt();
  for (uint32_t& w : entry.second) w = df.ReadUInt();
  for (float& v : entry.values) v = df.ReadFloat();
  df.Skip(4);
}

int ReadLightOctreeNode2(WorldLightBlock& block, DataFile& df) {
  for (auto& list : block.lists) list.clear();
  block.flags = df.ReadUInt() & ~uint32_t(16);
  block.format = uint8_t(df.ReadByte());
  df.Skip(3);
  block.counts[0] = df.ReadUInt();
  block.counts[1] = df.ReadUInt();
  block.counts[2] = block.extra = 0;
  if (block.format > 1) {
    block.counts[2] = df.ReadUInt();
    block.extra = df.ReadUInt();
  }
  const uint64_t entries = uint64_t(block.counts[0]) + block.counts[1] + block.counts[2];
  const int64_t left = df.BytesLeft();
  if (df.readPastEnd || entries * LIGHT_ENTRY_BYTES > uint64_t(left)) {
    char text[128];
    std::snprintf(text, sizeof text, "Damaged light block : %u + %u + %u entries, %" PRId64 " bytes left",
                  block.counts[0], block.counts[1], block.counts[2], left);
    ReportLine(text, REPORT_ERROR);
    return 0;
  }
  for (int k = 0; k < 3; ++k) {
    block.lists[k].assign(block.counts[k], WorldLightEntry{});
    for (WorldLightEntry& entry : block.lists[k]) ReadLightOctreeNode(entry, df);
  }
  return df.readPastEnd ? 0 : 1;
}
