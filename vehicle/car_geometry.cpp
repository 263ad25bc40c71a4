// car_geometry.cpp - a car's per-frame geometry on the device (car_geometry.h).
#include "vehicle/car_geometry.h"

#include "physics/car.h"
#include "render/buffers.h"
#include "render/material.h"
#include "render/primitives.h"
#include "render/system_textures.h"

FrameScene CarFrameScene(const Car& car) {
  FrameScene scene = {};
  scene.points = car.framePoints;
  scene.pointCount = car.framePoints ? car.framePointCount : 0;
  scene.tubes = car.frameTubes;
  scene.tubeCount = car.frameTubes ? car.frameTubeCount : 0;
  scene.option2 = car.options2;
  return scene;
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
  CircularVBuffer& b = car.tyreBuffers[stream];
  if (vertices > b.vertexCapacity || indices > 3 * b.triangleCapacity) return 0;
  const Material* material = stream == TYRE_STREAM ? SystemMaterials.tyre : SystemMaterials.logoSprite;
  return b.StartBuf(material, 1, 1) && b.vertexWrite && b.indexWrite;
}

void UnlockStream(void* owner, int stream) { static_cast<Car*>(owner)->tyreBuffers[stream].UnlockBuffer(); }

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
    CircularVBuffer& b = car.tyreBuffers[i];
    if (b.triangleCount == 0 || !b.vertexBuffer) continue;
    ApplyMaterial(b.material, 3);
    b.DrawBuffer(0);
  }
}
