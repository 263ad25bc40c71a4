// light_octrees.cpp - the lighting octree and the point octree: their blocks, look-ups and release.
#include "world/light_octrees.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/data_file.h"
#include "core/report.h"
#include "render/views.h"

LightingOctree WorldLighting;
PointOctree WorldPoints;

namespace {

constexpr int LIGHT_MAX_DEPTH = 64;   // a look-up gives up below this (a damaged tree may cycle)
constexpr int POINT_MAX_DEPTH = 48;   // distinct 16.16 positions part well before this
constexpr uint32_t POINT_MAX_FIRST_SLOTS = 1u << 20;  // a larger stored capacity grows on demand

void RefuseBlock(const char* block, const char* why) {
  char text[128];
  std::snprintf(text, sizeof text, "%s block refused: %s", block, why);
  ReportLine(text, REPORT_WARNING);
}

IntVector CameraPosition() {
  return CurrentView ? IntVector{CurrentView->position[0], CurrentView->position[1], CurrentView->position[2]}
                     : IntVector{0, 0, 0};
}

// The child for a point, comparisons "not below": a point on a centre plane takes the upper side.
int UpperChildFor(const IntVector& p, const IntVector& c) {
  return (p.x >= c.x ? 1 : 0) | (p.y >= c.y ? 2 : 0) | (p.z >= c.z ? 4 : 0);
}
void StepInto(IntVector& c, int child, int32_t& half, int32_t& verticalHalf) {
  const int32_t q = half / 2, vq = verticalHalf / 2;
  // A damaged block's centre may lie anywhere: the steps wrap rather than overflow.
  c.x = WrappingAdd(c.x, (child & 1) ? q : -q);
  c.y = WrappingAdd(c.y, (child & 2) ? q : -q);
  c.z = WrappingAdd(c.z, (child & 4) ? vq : -vq);
  half /= 2;
  verticalHalf /= 2;
}

uint32_t Word(const uint8_t* b) { return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24; }
int32_t Coordinate(const PointEntry& e, int k) { return int32_t(Word(e.bytes + 4 + 4 * k)); }

}  // namespace

// ---- [Lighting octree] ----

void FreeLightingOctree() {
  WorldLighting = LightingOctree{};
  WorldLighting.centre = CameraPosition();
}

int ReadLightingOctreeBlock(DataFile& stream) {
  FreeLightingOctree();
  LightingOctree t;
  const char* block = "Lighting octree";
  const int version = stream.ReadByte();
  stream.Skip(3);
  t.centre.x = stream.ReadInt();
  t.centre.y = stream.ReadInt();
  t.centre.z = stream.ReadInt();
  t.size = stream.ReadInt();
  t.verticalSize = version >= 2 ? stream.ReadInt() : t.size;
  t.secondSize = stream.ReadInt();
  t.secondVerticalSize = version >= 2 ? stream.ReadInt() : t.secondSize;
  const int32_t nodeCount = stream.ReadInt();
  const int nodeBytes = version >= 3 ? 16 : 12;
  if (stream.readPastEnd) return RefuseBlock(block, "it ends early"), 0;
  if (nodeCount < 0 || int64_t(nodeCount) * nodeBytes > stream.BytesLeft())
    return RefuseBlock(block, "its node count passes the bytes left"), 0;
  t.nodes.resize(size_t(nodeCount));
  for (OctPNode& n : t.nodes) {
    n.firstChild = stream.ReadUInt();
    n.low = int8_t(stream.ReadByte());
    n.high = int8_t(stream.ReadByte());
    n.byte6 = uint8_t(stream.ReadByte());
    n.gridPoints = uint8_t(stream.ReadByte());
    n.word8 = stream.ReadUInt();
    n.firstSample = version >= 3 ? stream.ReadUInt() : 0;
  }
  stream.Skip(4);
  const int32_t tableCount = stream.ReadInt();
  if (stream.readPastEnd || tableCount < 0 || int64_t(tableCount) * 2 > stream.BytesLeft())
    return RefuseBlock(block, "its table count passes the bytes left"), 0;
  t.table.resize(size_t(tableCount));
  for (uint16_t& v : t.table) v = uint16_t(stream.ReadShort());
  int64_t sampleCount = 0;
  if (version >= 3) {
    sampleCount = stream.ReadInt();
    const int sampleBytes = version >= 4 ? LIGHT_SAMPLE_BYTES : 8;
    if (stream.readPastEnd || sampleCount < 0 || sampleCount * sampleBytes > stream.BytesLeft())
      return RefuseBlock(block, "its sample count passes the bytes left"), 0;
    if (version >= 4) {
      t.samples.resize(size_t(sampleCount));
      for (LightSample& s : t.samples) stream.ReadBlock(s.bytes, LIGHT_SAMPLE_BYTES);
    } else {
      // Samples of this form are not used: the leaves carry none.
      stream.Skip(int(sampleCount * 8));
      sampleCount = 0;
      for (OctPNode& n : t.nodes) n.gridPoints = 0, n.firstSample = 0;
    }
  }
  if (stream.readPastEnd) return RefuseBlock(block, "it ends early"), 0;
  for (const OctPNode& n : t.nodes)
    if (n.firstChild != 0 && int64_t(n.firstChild) + 8 > nodeCount)
      return RefuseBlock(block, "a first-child index leaves the node count"), 0;
  for (OctPNode& n : t.nodes) {
    const int64_t grid = int64_t(n.gridPoints) * n.gridPoints;
    n.lit = n.high > n.low && int64_t(n.firstSample) + grid <= sampleCount ? 1 : 0;
  }
  WorldLighting = std::move(t);
  return 1;
}

void OctPNode::GetLighting(IntVector c, int32_t half, int32_t verticalHalf, const IntVector& position,
                           LightRecord& record) const {
  LightingOctree& t = WorldLighting;
  const OctPNode* node = this;
  for (int depth = 0; node->firstChild != 0; ++depth) {
    if (depth >= LIGHT_MAX_DEPTH) return;
    const int child = UpperChildFor(position, c);
    node = &t.nodes[node->firstChild + child];
    StepInto(c, child, half, verticalHalf);
  }
  if (!node->lit) return;
  t.found = 1;
  const int n = node->gridPoints;
  if (n == 0) {
    t.found = 0;
    return;
  }
  if (n == 1) {
    UnpackLightSample(record, t.samples[node->firstSample]);
    return;
  }
  const int64_t cell = (2 * int64_t(half)) / (n - 1);
  if (cell == 0) {  // a leaf too small for its grid: no light rather than a division by 0
    t.found = 0;
    return;
  }
  const float u = float(int64_t(position.x) - c.x + half) / float(cell);
  const float v = float(int64_t(position.y) - c.y + half) / float(cell);
  const int i = int(u), j = int(v);
  if (!(u >= 0.0f && v >= 0.0f && i < n - 1 && j < n - 1)) {
    if (!t.reportedOutside) ReportLine("OctPNode::GetLighting - pos outside node", REPORT_ERROR);
    t.reportedOutside = 1;
    t.found = 0;
    return;
  }
  const float fu = u - float(i), fv = v - float(j);
  const LightSample* s = &t.samples[node->firstSample + size_t(n) * j + i];
  BlendLightSamples(record, s[0], s[1], s[n], s[n + 1], (1 - fu) * (1 - fv), fu * (1 - fv), (1 - fu) * fv, fu * fv);
}

int LookUpLighting(const IntVector& position, LightRecord& record) {
  LightingOctree& t = WorldLighting;
  t.found = 0;
  if (t.nodes.empty()) return 0;
  t.nodes[0].GetLighting(t.centre, t.size / 2, t.verticalSize / 2, position, record);
  return t.found;
}

// ---- [Point octree] ----

void FreePointOctree() {
  WorldPoints = PointOctree{};
  WorldPoints.centre = CameraPosition();
}

int ReadPointOctreeBlock(DataFile& stream) {
  FreePointOctree();
  const char* block = "Point octree";
  PointOctree t;
  stream.Skip(4);
  t.centre.x = stream.ReadInt();
  t.centre.y = stream.ReadInt();
  t.centre.z = stream.ReadInt();
  t.size = stream.ReadInt();
  t.verticalSize = stream.ReadInt();
  const uint32_t capacity = stream.ReadUInt();
  const int32_t count = stream.ReadInt();
  if (stream.readPastEnd) return RefuseBlock(block, "it ends early"), 0;
  if (count < 0 || int64_t(count) * POINT_ENTRY_BYTES > stream.BytesLeft())
    return RefuseBlock(block, "its entry count passes the bytes left"), 0;
  t.entries.resize(size_t(count));
  for (PointEntry& e : t.entries) stream.ReadBlock(e.bytes, POINT_ENTRY_BYTES);
  t.slots.assign(std::clamp(capacity, POINT_MIN_SLOTS, POINT_MAX_FIRST_SLOTS), 0);
  t.usedSlots = POINT_MIN_SLOTS;
  t.slots[0] = 1;

  int skipped = 0;
  const int64_t half = t.size / 2, verticalHalf = t.verticalSize / 2;
  for (size_t i = 0; i < t.entries.size();) {
    const PointEntry& e = t.entries[i];
    const uint32_t w0 = Word(e.bytes);
    if (!(w0 & POINT_SLOT_LEAF)) {
      i += (e.bytes[4] & 1) ? 3 : 1;  // an all-direction sample spans three entries
      continue;
    }
    const IntVector p = {Coordinate(e, 0), Coordinate(e, 1), Coordinate(e, 2)};
    const bool inside = std::llabs(int64_t(p.x) - t.centre.x) < half && std::llabs(int64_t(p.y) - t.centre.y) < half &&
                        std::llabs(int64_t(p.z) - t.centre.z) < verticalHalf;
    if (inside) {
      uint32_t slot = 0;
      IntVector c = t.centre;
      int32_t h = t.size / 2, vh = t.verticalSize / 2;
      bool placed = false;
      for (int depth = 0; depth < POINT_MAX_DEPTH && !placed; ++depth) {
        const uint32_t v = t.slots[slot];
        if (v == 0) {
          t.slots[slot] = POINT_SLOT_LEAF | uint32_t(i);
          placed = true;
          break;
        }
        if (v & POINT_SLOT_LEAF) {
          const PointEntry& old = t.entries[v & ~POINT_SLOT_LEAF];
          const IntVector q = {Coordinate(old, 0), Coordinate(old, 1), Coordinate(old, 2)};
          if (q.x == p.x && q.y == p.y && q.z == p.z) break;  // a duplicate position
          if (t.usedSlots + 8 > t.slots.size()) t.slots.resize(t.slots.size() * 2, 0);
          const uint32_t first = t.usedSlots;
          t.usedSlots += 8;
          t.slots[slot] = first;
          t.slots[first + UpperChildFor(q, c)] = v;
          continue;
        }
        const int child = UpperChildFor(p, c);
        slot = v + child;
        StepInto(c, child, h, vh);
      }
      if (!placed) ++skipped;
    }
    ++i;
  }
  if (skipped > 0) {
    char text[96];
    std::snprintf(text, sizeof text, "%s block: %d positions skipped (stored twice or too deep)", block, skipped);
    ReportLine(text, REPORT_WARNING);
  }
  WorldPoints = std::move(t);
  return 1;
}

int64_t PointOctree::FindEntry(uint32_t slot, IntVector c, int32_t half, int32_t verticalHalf,
                               const IntVector& position) const {
  for (int depth = 0; depth < POINT_MAX_DEPTH && slot < slots.size(); ++depth) {
    const uint32_t v = slots[slot];
    if (v == 0) return -1;
    if (v & POINT_SLOT_LEAF) {
      const uint32_t index = v & ~POINT_SLOT_LEAF;
      if (index >= entries.size()) return -1;
      const PointEntry& e = entries[index];
      if (Coordinate(e, 0) != position.x || Coordinate(e, 1) != position.y || Coordinate(e, 2) != position.z)
        return -1;
      return index;
    }
    const int child = UpperChildFor(position, c);
    slot = v + child;
    StepInto(c, child, half, verticalHalf);
  }
  return -1;
}

const uint8_t* PointOctree::Find(uint32_t slot, IntVector c, int32_t half, int32_t verticalHalf,
                                 const IntVector& position) const {
  const int64_t at = FindEntry(slot, c, half, verticalHalf, position);
  if (at < 0) return nullptr;
  // The chain, at most as long as the table (a damaged chain may cycle).
  uint32_t index = Word(entries[size_t(at)].bytes) & ~POINT_SLOT_LEAF;
  for (size_t steps = 0; steps < entries.size() && index != 0 && index < entries.size(); ++steps) {
    const PointEntry& s = entries[index];
    if (s.bytes[4] & 1) {
      const bool whole = size_t(index) + 3 <= entries.size();  // 40 bytes from byte 8
      return (s.bytes[4] & 2) && whole ? s.bytes + 8 : nullptr;
    }
    index = Word(s.bytes);
  }
  return nullptr;
}

const uint8_t* PointOctree::FindByNormal(uint32_t slot, IntVector c, int32_t half, int32_t verticalHalf,
                                         const IntVector& position, const float normal[3]) const {
  const int64_t at = FindEntry(slot, c, half, verticalHalf, position);
  if (at < 0) return nullptr;
  int8_t q[3];
  for (int k = 0; k < 3; ++k) {
    const float scaled = std::isfinite(normal[k]) ? std::clamp(normal[k] * 127.0f, -127.0f, 127.0f) : 0.0f;
    q[k] = int8_t(std::nearbyint(scaled));
  }
  uint32_t index = Word(entries[size_t(at)].bytes) & ~POINT_SLOT_LEAF;
  for (size_t steps = 0; steps < entries.size() && index != 0 && index < entries.size(); ++steps) {
    const PointEntry& s = entries[index];
    if (!(s.bytes[4] & 1) && int8_t(s.bytes[5]) == q[0] && int8_t(s.bytes[6]) == q[1] && int8_t(s.bytes[7]) == q[2])
      return (s.bytes[4] & 2) ? s.bytes + 8 : nullptr;
    index = Word(s.bytes);
  }
  return nullptr;
}

const uint8_t* PointOctree::Find(const IntVector& position) const {
  if (slots.empty()) return nullptr;
  return Find(0, centre, size / 2, verticalSize / 2, position);
}

const uint8_t* PointOctree::FindByNormal(const IntVector& position, const float normal[3]) const {
  if (slots.empty()) return nullptr;
  return FindByNormal(0, centre, size / 2, verticalSize / 2, position, normal);
}

const uint8_t* GetObjectLighting(const IntVector& position) {
  const IntVector rounded = {position.x & ~63, position.y & ~63, position.z & ~63};
  return WorldPoints.Find(rounded);
}
