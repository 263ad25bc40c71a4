// car_geometry.cpp - a car's per-frame geometry on the device (car_geometry.h).
#include "vehicle/car_geometry.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/gamma_tables.h"
#include "physics/car.h"
#include "render/buffers.h"
#include "render/material.h"
#include "render/primitives.h"
#include "render/system_textures.h"
#include "vehicle/car_draw.h"
#include "vehicle/car_drawing.h"
#include "vehicle/wheel_profile.h"

FrameScene CarFrameScene(const Car& car) {
  FrameScene scene = {};
  scene.points = car.framePoints;
  scene.pointCount = car.framePoints ? car.framePointCount : 0;
  scene.tubes = car.frameTubes;
  scene.tubeCount = car.frameTubes ? car.frameTubeCount : 0;
  scene.option2 = car.options2;
  // The axle points of the chosen sets: option bit 0x1000 the rear set, 0x800 the front.
  constexpr uint32_t REAR_AXLE_POINTS = 0x1000, FRONT_AXLE_POINTS = 0x800;
  if ((car.options & (REAR_AXLE_POINTS | FRONT_AXLE_POINTS)) == 0) return scene;
  for (int i = 0; i < std::min<int>(car.wheelCount, CAR_MAX_WHEELS); ++i) {
    const CarWheel& w = car.wheels[i];
    const int front = w.wheelSet == 1;
    if (!(car.options & (front ? FRONT_AXLE_POINTS : REAR_AXLE_POINTS)) || w.wheelSet >= CAR_WHEEL_SETS) continue;
    IntVector a, b, c;
    WheelContactBox(car, i, a, b, c);
    const int mirror = w.side != 1.0f;
    const int first = front ? 0 : 2;  // -1/-2 the front ends, -3/-4 the rear ends
    const IntVector ends[3] = {b, a, c};
    const int slots[3] = {first, first + 1, front ? 4 : 5};
    for (int k = 0; k < 3; ++k) {
      (mirror ? scene.axleMirror : scene.axlePoint)[slots[k]] = ends[k];
      if (!mirror) scene.axleValid[slots[k]] = 1;
    }
  }
  return scene;
}

void WheelContactBox(const Car& car, int wheel, IntVector& a, IntVector& b, IntVector& centre) {
  const CarWheel& w = car.wheels[wheel];
  const float half = car.wheelSets[w.wheelSet < CAR_WHEEL_SETS ? w.wheelSet : 0].sectionWidth * 0.5f;
  const auto fixed = [](float v) { return static_cast<int32_t>(std::lround(std::clamp(v, -30000.0f, 30000.0f) * 65536.0f)); };
  centre = IntVector{fixed(w.centre.x), fixed(w.centre.y), fixed(w.centre.z)};
  a = IntVector{fixed(w.centre.x - w.spinAxis.x * half), fixed(w.centre.y - w.spinAxis.y * half),
                fixed(w.centre.z - w.spinAxis.z * half)};
  b = IntVector{fixed(w.centre.x + w.spinAxis.x * half), fixed(w.centre.y + w.spinAxis.y * half),
                fixed(w.centre.z + w.spinAxis.z * half)};
}

uint16_t DrawFrameTubes(const FrameScene& scene, int allTubes, int32_t lodDistance, int32_t viewDirZ) {
  const uint32_t tubes = CountFrameTubes(scene, allTubes);
  if (tubes == 0) return NO_BATCH;
  const uint32_t vertices = TUBE_BATCH_PER_TUBE * tubes, indices = TUBE_INDICES_PER_TUBE * tubes;
  if (vertices > TEMP_MESH_VERTICES) return NO_BATCH;
  const int entry = AddDrawBatch(SystemMaterials.plainWhite, vertices, indices / 3);
  CircularVBuffer* out = entry >= 0 ? TempMeshWriter() : nullptr;
  if (!out || !out->vertexWrite || !out->indexWrite) {
    if (entry >= 0) CloseDrawBatch(0, 0);
    return NO_BATCH;
  }
  TubeBatch batch = {out->vertexWrite, out->indexWrite, vertices, indices, 0, 0};
  DrawFrameTubeGeometry(batch, scene, allTubes, lodDistance, viewDirZ);
  CloseDrawBatch(batch.vertexCount, batch.indexCount / 3);
  return entry >= 0 && entry < NO_BATCH ? static_cast<uint16_t>(entry) : NO_BATCH;
}

namespace {

int StartStream(void* owner, int stream, uint32_t vertices, uint32_t indices) {
  Car& car = *static_cast<Car*>(owner);
  CircularVBuffer& b = DrawingOf(car).tyreBuffers[stream];
  if (vertices > b.vertexCapacity || indices > 3 * b.triangleCapacity) return 0;
  const Material* material = stream == TYRE_STREAM ? SystemMaterials.tyre : SystemMaterials.logoSprite;
  return b.StartBuf(material, 1, 1) && b.vertexWrite && b.indexWrite;
}

void UnlockStream(void* owner, int stream) { DrawingOf(*static_cast<Car*>(owner)).tyreBuffers[stream].UnlockBuffer(); }

}  // namespace

TyreStreamOps CarTyreStreams(Car& car) {
  car.CreateTyreBuffers();
  TyreStreamOps ops = {};
  ops.start = StartStream;
  ops.unlock = UnlockStream;
  ops.owner = &car;
  return ops;
}

TubeBatch StreamBatch(CircularVBuffer& stream) {
  return TubeBatch{stream.vertexWrite, stream.indexWrite, stream.vertexWrite ? stream.vertexCapacity : 0,
                   stream.indexWrite ? 3 * stream.triangleCapacity : 0, 0, 0};
}

void EndStreamBatch(CircularVBuffer& stream, const TubeBatch& written) {
  stream.vertexCount = written.vertexCount;
  stream.triangleCount = written.indexCount / 3;
}

void DrawTyreStreams(Car& car) {
  for (int i = 0; i < CAR_TYRE_BUFFERS; ++i) {
    CircularVBuffer& b = DrawingOf(car).tyreBuffers[i];
    if (b.triangleCount == 0 || !b.vertexBuffer) continue;
    ApplyMaterial(b.material, 3);
    b.DrawBuffer(0);
  }
}

namespace {

// One disc quad across the wheel's two radial axes, offset along the axle.
void WriteDiscQuad(TubeBatch& out, const float axes[3][3], const float centre[3], float radius, float offset) {
  if (out.vertexCount + 4 > out.vertexCapacity || out.indexCount + 6 > out.indexCapacity) return;
  const uint32_t first = out.vertexCount;
  const float corner[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
  for (const auto& k : corner) {
    float p[3];
    for (int i = 0; i < 3; ++i) p[i] = centre[i] + axes[0][i] * offset + (axes[1][i] * k[0] + axes[2][i] * k[1]) * radius;
    WriteDrawVertex(out.vertices + DRAW_VERTEX_SIZE * out.vertexCount++, p, axes[0], 0x00FFFFFF, 0.5f + 0.5f * k[0],
                    0.5f + 0.5f * k[1]);
  }
  const uint16_t f = static_cast<uint16_t>(first);
  const uint16_t tri[6] = {f, static_cast<uint16_t>(f + 1), static_cast<uint16_t>(f + 2),
                           static_cast<uint16_t>(f + 2), static_cast<uint16_t>(f + 3), f};
  std::memcpy(out.indices + out.indexCount, tri, sizeof tri);
  out.indexCount += 6;
}

}  // namespace

CarTyreResult BuildCarTyres(Car& car, const CarTyreFrame& frame) {
  CarTyreResult result = {};
  result.discBatch = NO_BATCH;
  const int allWheels = std::min<int>(std::max<int>(car.wheelCount, 0), CAR_MAX_WHEELS);
  const int first = frame.onlyWheel > 0 ? std::min(frame.onlyWheel - 1, allWheels) : 0;
  const int wheels = frame.onlyWheel > 0 ? std::min(first + 1, allWheels) : allWheels;
  result.segments = ChooseTyreSegments(frame.tyreStyle, frame.lodDistance, frame.viewDirX);
  const int spare = frame.onlyWheel == 0 && (car.options & CAR_OPTION_SPARE_SHOWN) != 0;
  const TyreSegments spareSegments = ChooseTyreSegments(frame.tyreStyle, frame.lodDistance, frame.viewDirY);
  TyreCountInputs in = {wheels - first, result.segments, frame.letteringRows != 0, frame.oneSided, spare, spareSegments};
  result.counts = CountTyreGeometry(in);
  if (result.counts.triangles == 0) return result;
  TyreStreamOps streams = CarTyreStreams(car);
  if (!CheckTyreBufferLimits(streams, result.counts, frame.debugLevel)) return result;
  result.drawn = 1;
  const int simplified = result.segments.simplified;

  // The discs: one quad for each wheel whose set has a disc radius.
  int discs = 0;
  for (int i = first; i < wheels; ++i) {
    const uint8_t set = car.wheels[i].wheelSet < CAR_WHEEL_SETS ? car.wheels[i].wheelSet : 0;
    discs += car.wheelSets[set].brakeDiscRadiusMm != 0;
  }
  const Material* discMaterial = frame.drilledDiscs ? SystemMaterials.discDrilled : SystemMaterials.discSolid;
  TubeBatch discBatch = {};
  if (!simplified && discs > 0 && discMaterial) {
    const int entry = AddDrawBatch(discMaterial, 4u * discs, 2u * discs);
    CircularVBuffer* out = entry >= 0 ? TempMeshWriter() : nullptr;
    if (out && out->vertexWrite && out->indexWrite) {
      discBatch = TubeBatch{out->vertexWrite, out->indexWrite, 4u * discs, 6u * discs, 0, 0};
      result.discBatch = static_cast<uint16_t>(entry);
    } else if (entry >= 0) {
      CloseDrawBatch(0, 0);
    }
  }

  TubeBatch tyre = StreamBatch(DrawingOf(car).tyreBuffers[TYRE_STREAM]);
  TubeBatch letters = streams.locked[LOGO_STREAM] ? StreamBatch(DrawingOf(car).tyreBuffers[LOGO_STREAM]) : TubeBatch{};
  const bool drawTyres = (frame.graphicsOptions & GFX_TYRES) != 0;
  for (int i = first; drawTyres && i < wheels; ++i) {
    const CarWheel& wheel = car.wheels[i];
    const SuspensionBlock& set = car.wheelSets[wheel.wheelSet < CAR_WHEEL_SETS ? wheel.wheelSet : 0];
    float axes[3][3], centre[3];
    ComputeWheelMatrix(car, wheel, axes, centre);
    const bool left = wheel.side == -1.0f;
    if (left)
      for (float& a : axes[0]) a = -a;
    // The centre is already the hub, out from the upright by the set's wheel offset, and the
    // rim is drawn there: the tyre sits on the rim at that same centre, with no offset of its own.
    if (simplified) {
      TyrePlacement drum = {};
      std::memcpy(drum.centre, centre, sizeof centre);
      std::memcpy(drum.axes, axes, sizeof drum.axes);
      drum.radius = set.rollingRadius;
      drum.width = set.sectionWidth;
      drum.colour = ApplyBrightnessTable(PROFILE_TYRE_COLOUR);
      drum.textureRow = TyreTreadRow(set.compoundIndex);
      drum.winding = left && !frame.unmirroredMeshes;
      WriteTyreDrum(tyre, drum);
      continue;
    }
    TyreRing ring = {};
    std::memcpy(ring.centre, centre, sizeof centre);
    std::memcpy(ring.axes, axes, sizeof ring.axes);
    ring.profile = &set.profile;
    ring.lowProfile = set.lowProfileTyreStyle != 0;
    ring.segments = result.segments.segments;
    ring.contact = wheel.groundContact != 0;
    ring.groundPoint[0] = static_cast<float>(wheel.groundPosition.x) / 65536.0f;
    ring.groundPoint[1] = static_cast<float>(wheel.groundPosition.y) / 65536.0f;
    ring.groundPoint[2] = static_cast<float>(wheel.groundPosition.z) / 65536.0f;
    ring.groundNormal[0] = wheel.groundNormal.x;
    ring.groundNormal[1] = wheel.groundNormal.y;
    ring.groundNormal[2] = wheel.groundNormal.z;
    ring.lateralDeformation = std::isfinite(wheel.deformLateral) ? wheel.deformLateral : 0.0f;
    ring.sideSign = wheel.side;
    ring.letteringRows = frame.letteringRows;
    ring.sideSelector = frame.oneSided;
    ring.letteringColour = 0xF0F0F0;
    ring.winding = left && !frame.unmirroredMeshes;
    ring.startAngle = left ? 3.14159265f : 0.0f;  // the mirrored wheel starts half a turn on
    WriteTyreRings(tyre, letters.vertices ? &letters : nullptr, ring);
    if (result.discBatch != NO_BATCH && set.brakeDiscRadiusMm != 0)
      WriteDiscQuad(discBatch, axes, centre, set.brakeDiscRadiusMm / 1000.0f, set.brakeDiscOffsetMm / 1000.0f);
  }
  if (spare && drawTyres) {
    // Lying flat: the axle is the car's up turned by the pitch about the car's x axis.
    const SuspensionBlock& set = car.wheelSets[1];
    const float cp = std::cos(car.spareWheelPitch), sp = std::sin(car.spareWheelPitch);
    const float local[3][3] = {{0, -sp, cp}, {1, 0, 0}, {0, cp, sp}};
    float axes[3][3], centre[3];
    const Vec3 p = car.spareWheelPosition;
    const int32_t position[3] = {car.position.x, car.position.y, car.position.z};
    for (int i = 0; i < 3; ++i) {
      centre[i] = static_cast<float>(position[i]) / 65536.0f + car.orientation[3 * i] * p.x +
                  car.orientation[3 * i + 1] * p.y + car.orientation[3 * i + 2] * p.z;
      for (int k = 0; k < 3; ++k)
        axes[k][i] = car.orientation[3 * i] * local[k][0] + car.orientation[3 * i + 1] * local[k][1] +
                     car.orientation[3 * i + 2] * local[k][2];
    }
    if (spareSegments.simplified) {
      TyrePlacement drum = {};
      std::memcpy(drum.centre, centre, sizeof centre);
      std::memcpy(drum.axes, axes, sizeof drum.axes);
      drum.radius = set.rollingRadius;
      drum.width = set.sectionWidth;
      drum.colour = ApplyBrightnessTable(PROFILE_TYRE_COLOUR);
      drum.textureRow = TyreTreadRow(set.compoundIndex);
      WriteTyreDrum(tyre, drum);
    } else {
      TyreRing ring = {};
      std::memcpy(ring.centre, centre, sizeof centre);
      std::memcpy(ring.axes, axes, sizeof ring.axes);
      ring.profile = &set.profile;
      ring.lowProfile = set.lowProfileTyreStyle != 0;
      ring.segments = spareSegments.segments;
      ring.sideSign = 1.0f;
      ring.letteringRows = frame.letteringRows;
      ring.sideSelector = 1;
      ring.letteringColour = 0xF0F0F0;
      WriteTyreRings(tyre, letters.vertices ? &letters : nullptr, ring);
    }
  }
  EndStreamBatch(DrawingOf(car).tyreBuffers[TYRE_STREAM], tyre);
  if (streams.locked[LOGO_STREAM]) EndStreamBatch(DrawingOf(car).tyreBuffers[LOGO_STREAM], letters);
  UnlockTyreStreams(streams);
  if (result.discBatch != NO_BATCH) CloseDrawBatch(discBatch.vertexCount, discBatch.indexCount / 3);
  return result;
}
