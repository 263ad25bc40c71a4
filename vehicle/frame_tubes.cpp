// frame_tubes.cpp - the space frame drawn as prisms (frame_tubes.h).
#include "vehicle/frame_tubes.h"

#include <cmath>
#include <cstring>

#include "vehicle/vehicle.h"

TubeTables TubeSines;

void InitSinTable() {
  for (int i = 0; i < TUBE_DIRECTIONS; ++i) {
    const double a = i * 3.14159265358979323846 / 4.0;
    const double s = std::sin(a), c = std::cos(a);
    TubeSines.sin[i] = static_cast<int32_t>(std::lround(s * 65536.0));
    TubeSines.cos[i] = static_cast<int32_t>(std::lround(c * 65536.0));
    const double k = 65536.0 / std::sqrt((2.0 * c) * (2.0 * c) + (0.5 * s) * (0.5 * s));
    TubeSines.ellipseLength[i] = static_cast<int32_t>(std::lround(k * 0.5 * s));
    TubeSines.ellipseAcross[i] = static_cast<int32_t>(std::lround(k * 2.0 * c));
  }
}

namespace {

void Put32(uint8_t* out, uint32_t word) {
  out[0] = static_cast<uint8_t>(word);
  out[1] = static_cast<uint8_t>(word >> 8);
  out[2] = static_cast<uint8_t>(word >> 16);
  out[3] = static_cast<uint8_t>(word >> 24);
}
void PutFloat(uint8_t* out, float f) {
  uint32_t word;
  std::memcpy(&word, &f, 4);
  Put32(out, word);
}
int8_t PackNormal(float c) {
  const long v = std::lround(c * 127.0f);
  return static_cast<int8_t>(v > 127 ? 127 : v < -127 ? -127 : v);
}
float Metres(int32_t v) { return static_cast<float>(v) / 65536.0f; }

}  // namespace

void WriteDrawVertex(uint8_t* out, const float position[3], const float normal[3], uint32_t word, float u, float v) {
  for (int i = 0; i < 3; ++i) PutFloat(out + 4 * i, position[i]);
  for (int i = 0; i < 3; ++i) out[12 + i] = static_cast<uint8_t>(PackNormal(std::isfinite(normal[i]) ? normal[i] : 0.0f));
  out[15] = 0x7F;
  Put32(out + 16, word);
  Put32(out + 20, 0);
  PutFloat(out + 24, u);
  PutFloat(out + 28, v);
}

void DrawTube(TubeBatch& batch, const IntVector& start, const IntVector& end, int32_t radius, int flat, int nearSides) {
  IntVector t = {end.x - start.x, end.y - start.y, end.z - start.z};
  NormaliseIntVector(t);  // a zero length keeps the zero axis
  const int32_t absZ = t.z < 0 ? -t.z : t.z;
  const IntVector reference = absZ >= 0xB55F ? IntVector{FIXED_ONE, 0, 0} : IntVector{0, 0, FIXED_ONE};
  IntVector u, w;
  FixedCross(reference, t, u);
  NormaliseIntVector(u);
  FixedCross(t, u, w);

  int32_t across = radius, along = 0;  // flat: half sizes across (along u) and along the car's length
  if (flat) {
    across = radius / 2;
    along = FixMul(2 * radius, w.y);
    if (along > -256 && along < 256) return;
  }
  const int step = nearSides ? 1 : 2;
  const int sides = TUBE_DIRECTIONS / step;
  if (batch.vertexCount + 2u * sides > batch.vertexCapacity || batch.indexCount + 6u * sides > batch.indexCapacity)
    return;
  const uint32_t first = batch.vertexCount;
  for (int k = 0; k < sides; ++k) {
    const int d = k * step;
    const int32_t c = TubeSines.cos[d], s = TubeSines.sin[d];
    IntVector offset, normal;
    if (!flat) {
      offset = {FixMul(radius, FixedMulAdd(u.x, c, w.x, s)), FixMul(radius, FixedMulAdd(u.y, c, w.y, s)),
                FixMul(radius, FixedMulAdd(u.z, c, w.z, s))};
      normal = {FixedMulAdd(u.x, c, w.x, s), FixedMulAdd(u.y, c, w.y, s), FixedMulAdd(u.z, c, w.z, s)};
    } else {
      offset = {FixMul(FixMul(across, c), u.x), FixMul(FixMul(across, c), u.y) + FixMul(along, s),
                FixMul(FixMul(across, c), u.z)};
      const int32_t na = TubeSines.ellipseAcross[d], nl = TubeSines.ellipseLength[d];
      normal = {FixMul(na, u.x), FixMul(na, u.y) + nl, FixMul(na, u.z)};
    }
    const float n[3] = {Metres(normal.x), Metres(normal.y), Metres(normal.z)};
    const float a[3] = {Metres(start.x + offset.x), Metres(start.y + offset.y), Metres(start.z + offset.z)};
    const float b[3] = {Metres(end.x + offset.x), Metres(end.y + offset.y), Metres(end.z + offset.z)};
    WriteDrawVertex(batch.vertices + DRAW_VERTEX_SIZE * batch.vertexCount++, a, n, TUBE_VERTEX_WORD, 0, 0);
    WriteDrawVertex(batch.vertices + DRAW_VERTEX_SIZE * batch.vertexCount++, b, n, TUBE_VERTEX_WORD, 0, 0);
  }
  for (int k = 0; k < sides; ++k) {
    const uint16_t prevStart = static_cast<uint16_t>(first + 2 * ((k + sides - 1) % sides));
    const uint16_t prevEnd = static_cast<uint16_t>(prevStart + 1);
    const uint16_t curStart = static_cast<uint16_t>(first + 2 * k), curEnd = static_cast<uint16_t>(curStart + 1);
    const uint16_t tri[6] = {prevStart, curStart, curEnd, curEnd, prevEnd, prevStart};
    std::memcpy(batch.indices + batch.indexCount, tri, sizeof(tri));
    batch.indexCount += 6;
  }
}

namespace {

IntVector Mirror(const IntVector& p) { return IntVector{-p.x, p.y, p.z}; }

// An end's point and mirror; 0 when the frame has no such end.
int LookUpEnd(const FrameScene& scene, int index, IntVector& point, IntVector& mirror) {
  if (index >= 0) {
    if (index >= scene.pointCount) return 0;
    point = IntVector{scene.points[index].x, scene.points[index].y, scene.points[index].z};
    mirror = Mirror(point);
    return 1;
  }
  const int slot = -index - 1;
  if (slot >= AXLE_POINTS || !scene.axleValid[slot]) return 0;
  point = scene.axlePoint[slot];
  mirror = scene.axleMirror[slot];
  return 1;
}

int32_t ToFixed(float metres) { return static_cast<int32_t>(std::lround(metres * 65536.0f)); }

}  // namespace

uint32_t CountFrameTubes(const FrameScene& scene, int allTubes) {
  uint32_t count = 0;
  for (int i = 0; i < scene.tubeCount; ++i) {
    const FrameTube& tube = scene.tubes[i];
    if (!allTubes && (tube.flags & TUBE_VISIBLE) == 0) continue;
    if (tube.a == tube.b) count += 1;
    else if (tube.a < 0 || tube.b < 0) count += 2;
    else count += (tube.flags & TUBE_CENTRE_PLANE) ? 1 : 2;
  }
  return count;
}

int DrawFrameTubeGeometry(TubeBatch& batch, const FrameScene& scene, int allTubes, int32_t lodDistance,
                          int32_t viewDirZ) {
  const float d = Metres(lodDistance);
  int drawn = 0;
  for (int i = 0; i < scene.tubeCount; ++i) {
    const FrameTube& tube = scene.tubes[i];
    if (!allTubes && (tube.flags & TUBE_VISIBLE) == 0) continue;
    if (!std::isfinite(tube.radius) || tube.radius <= 0.0f) continue;
    IntVector a, aMirror, b, bMirror;
    if (!LookUpEnd(scene, tube.a, a, aMirror) || !LookUpEnd(scene, tube.b, b, bMirror)) continue;
    float radius = tube.radius;
    int flat = 0;
    if (tube.a != tube.b && (tube.a < 0 || tube.b < 0) && (scene.option2 & CAR_OPTION2_FLAT_AXLE_TUBES) &&
        tube.a != -5 && tube.a != -6 && tube.b != -5 && tube.b != -6) {
      flat = 1;
      radius *= Metres(viewDirZ) * 1.5f + 0.5f;
    }
    if (!(d < radius * TUBE_DRAW_RATIO)) continue;
    const int nearSides = d < radius * TUBE_NEAR_RATIO;
    const int32_t r = ToFixed(radius);
    ++drawn;
    if (tube.a == tube.b) {
      DrawTube(batch, a, aMirror, r, 0, nearSides);
    } else if (tube.a < 0 || tube.b < 0) {
      DrawTube(batch, a, b, r, flat, nearSides);
      DrawTube(batch, aMirror, bMirror, r, flat, nearSides);
    } else {
      DrawTube(batch, a, b, r, 0, nearSides);
      if ((tube.flags & TUBE_CENTRE_PLANE) == 0) DrawTube(batch, aMirror, bMirror, r, 0, nearSides);
    }
  }
  return drawn;
}
