// car_drawing.cpp - the drawing road of one car (car_drawing.h).
#include "vehicle/car_drawing.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "modeller/model/model_object.h"
#include "physics/car.h"
#include "render/constant_buffers.h"
#include "render/matrices.h"
#include "render/primitives.h"
#include "render/views.h"

namespace {

int32_t ToFixed(double metres) {
  const double v = std::clamp(metres * 65536.0, -2147483647.0, 2147483647.0);
  return static_cast<int32_t>(v);
}

void MakeWorldMatrix(const Car& car, float m[16]) {
  for (int r = 0; r < 3; ++r) {  // row r: the car's axis r in world terms (column r of the orientation)
    for (int c = 0; c < 3; ++c) m[4 * r + c] = car.orientation[3 * c + r];
    m[4 * r + 3] = 0.0f;
  }
  m[12] = static_cast<float>(car.position.x) / 65536.0f;
  m[13] = static_cast<float>(car.position.y) / 65536.0f;
  m[14] = static_cast<float>(car.position.z) / 65536.0f;
  m[15] = 1.0f;
}

}  // namespace

int DrawCarModel(Car& car, CarDrawing& drawing, const CarViewSettings& view) {
  drawing.drawnPass = 0;
  drawing.viewDistance = 0;
  drawing.lighting.lightingChosen = 0;
  drawing.lighting.groundHit = 0;
  drawing.items.Clear();
  drawing.frameTubeBatch = drawing.discBatch = NO_BATCH;
  drawing.viewKind = view.kind;
  uint8_t kind = view.editorMode ? static_cast<uint8_t>(VIEW_EDITOR) : view.kind;
  if (kind == 0 || !car.model || car.model->lodCount == 0) return 0;
  drawing.drawFlags = 0;
  std::memset(drawing.viewDirLocal, 0, sizeof drawing.viewDirLocal);
  drawing.lodIndex = 0;
  drawing.lodDistance = FIXED_ONE;
  int32_t detailDistance = FIXED_ONE;
  uint8_t start = 0;
  if (kind == VIEW_INSIDE || kind == VIEW_CUSTOM) {
    drawing.detailState = 4;
  } else if (kind == VIEW_GARAGE) {
    start = view.garageLevel;  // then drawn as an outside view
    drawing.viewKind = kind = VIEW_OUTSIDE;
  } else {
    const double dx = (car.position.x - static_cast<double>(view.viewPosition.x)) / 65536.0;
    const double dy = (car.position.y - static_cast<double>(view.viewPosition.y)) / 65536.0;
    const double dz = (car.position.z - static_cast<double>(view.viewPosition.z)) / 65536.0;
    const double squared = dx * dx + dy * dy + dz * dz;
    if (squared > 1.0 && std::isfinite(squared)) {
      const double length = std::sqrt(squared);
      drawing.viewDistance = ToFixed(length);
      const double unit[3] = {dx / length, dy / length, dz / length};
      for (int a = 0; a < 3; ++a)  // along the car's axis a: column a of the orientation
        drawing.viewDirLocal[a] = ToFixed(std::fabs(unit[0] * car.orientation[a] + unit[1] * car.orientation[3 + a] +
                                                    unit[2] * car.orientation[6 + a]));
      drawing.lodDistance = ToFixed(std::max(1.0, length * view.lodScale));
      detailDistance = ToFixed(std::max(1.0, length * view.detailScale));
    }
  }
  CarLodSet levels = {static_cast<uint8_t>(std::min<int>(car.model->lodCount, CAR_LOD_LEVELS)), {}};
  std::memcpy(levels.distances, car.model->lodDistances, sizeof(int32_t) * levels.count);
  const CarLodChoice choice = ChooseCarLevel(levels, drawing.lodDistance, detailDistance, start, drawing.detailState);
  if (!choice.drawn) return 0;
  drawing.lodIndex = choice.lodIndex;
  drawing.drawnPass = kind;
  car.ApplyPendingModelChanges();
  MakeWorldMatrix(car, drawing.worldMatrix);

  CarDrawFlagInputs in = {};
  in.kind = kind;
  in.lodIndex = drawing.lodIndex;
  in.nearLevel = IsNearLevel(levels, drawing.lodIndex);
  in.editorMode = view.editorMode;
  in.hasDriver = view.driverOption && car.steeringInstance != nullptr;
  in.carOptions = car.options;
  in.lodDistance = drawing.lodDistance;
  in.viewDirZ = drawing.viewDirLocal[2];
  in.graphicsOptions = view.graphicsOptions;
  in.internalShow = view.internalShow;
  in.customShow = view.customShow;
  drawing.drawFlags = ComputeDrawFlags(in);
  // The ground below the car among the world objects near it, at a near level.
  if (in.nearLevel) {
    const float radius = std::isfinite(car.radius) && car.radius > 0.0f ? car.radius : 1.0f;
    ShadowObjects shadows;
    CollectShadowObjects(shadows, car.position.x, car.position.y, car.position.z, radius, view.debugLevel);
    if (shadows.count > 0 &&
        UseLightmap(drawing.lighting, shadows, car.position, ToFixed(radius), car.vehicleName, view.debugLevel, 1))
      drawing.drawFlags |= DRAW_GROUND_FOUND;
  }

  if (drawing.drawFlags & DRAW_TYRES) {
    CarTyreFrame tyres = view.tyres;
    tyres.lodDistance = drawing.lodDistance;
    tyres.viewDirX = drawing.viewDirLocal[0];
    tyres.debugLevel = view.debugLevel;
    tyres.graphicsOptions = view.graphicsOptions;
    drawing.discBatch = BuildCarTyres(car, tyres).discBatch;
  }
  if (view.graphicsOptions & GFX_FRAME_TUBES) {
    constexpr uint32_t ALL_TUBES_OPTION = 0x20000, VISIBLE_TUBES_OPTION = 0x200;
    const FrameScene frame = CarFrameScene(car);
    if (car.options & ALL_TUBES_OPTION)
      drawing.frameTubeBatch = DrawFrameTubes(frame, 1, drawing.lodDistance, drawing.viewDirLocal[2]);
    else if (kind >= VIEW_INSIDE && (car.options & VISIBLE_TUBES_OPTION) && drawing.lodDistance < (28 << 16) &&
             drawing.lodIndex == 0)
      drawing.frameTubeBatch = DrawFrameTubes(frame, 0, drawing.lodDistance, drawing.viewDirLocal[2]);
  }
  return drawing.drawnPass;
}

namespace {

struct LampContext {
  Car* car;
  uint8_t level;
  const float* colour;  // the view's light colour
};

void LoadLampColour(void* owner, float scale) {
  const LampContext& c = *static_cast<LampContext*>(owner);
  const float block[4] = {c.colour[0] * scale, c.colour[1] * scale, c.colour[2] * scale, 0.0f};
  constexpr int PS_ROW_LAMP_COLOUR = 2;
  UploadConstantRowData(1, PS_ROW_LAMP_COLOUR, block, sizeof block);
}

void DrawLampGroup(void* owner, int group) {
  const LampContext& c = *static_cast<LampContext*>(owner);
  if (FastMesh* mesh = GetFastMesh(c.car->lights[group].mesh)) {
    if (DrawFirstPassParts(*mesh, c.level, nullptr)) DrawSecondPassParts(*mesh, c.level, nullptr);
  }
}

}  // namespace

void DrawCarLit(Car& car, CarDrawing& drawing, const CarViewSettings& view) {
  if (drawing.drawnPass < 2) return;
  ChooseDefaultLighting(drawing.lighting, car.vehicleName, view.debugLevel, 1);
  std::memcpy(WorldMatrix, drawing.worldMatrix, sizeof WorldMatrix);
  UploadWorldMatrix(0, 0);
  if (drawing.frameTubeBatch != NO_BATCH) TempMesh::DrawBuffer(drawing.frameTubeBatch, 0);
  if (drawing.drawFlags & DRAW_TYRES) {
    SetIdentityMatrix(WorldMatrix);  // the tyres are written in world positions
    UploadWorldMatrix(0, 0);
    DrawTyreStreams(car);
    std::memcpy(WorldMatrix, drawing.worldMatrix, sizeof WorldMatrix);
    UploadWorldMatrix(0, 0);
  }
  drawing.lampsDrawn = 0;
  if ((view.graphicsOptions & GFX_BODY) && drawing.drawnPass >= 2) {
    if (FastMesh* body = GetFastMesh(car.materialMesh)) {
      std::memcpy(WorldMatrix, drawing.worldMatrix, sizeof WorldMatrix);
      UploadWorldMatrix(0, 0);
      if (DrawFirstPassParts(*body, drawing.lodIndex, nullptr)) DrawSecondPassParts(*body, drawing.lodIndex, nullptr);
    }
    const uint8_t last = car.model ? static_cast<uint8_t>(car.model->lodCount - 1) : 0;
    if (drawing.lodIndex == 0 || drawing.lodIndex != last) {
      drawing.deferredLevel = drawing.lodIndex;
      uint8_t states[CAR_LAMP_GROUPS], has[CAR_LAMP_GROUPS];
      if (drawing.forceLamps) std::memcpy(states, drawing.forcedPattern, sizeof states);
      else GetLampStates(drawing.lamps, states);
      for (int g = 0; g < CAR_LAMP_GROUPS; ++g) has[g] = GetFastMesh(car.lights[g].mesh) != nullptr;
      static const float white[3] = {1.0f, 1.0f, 1.0f};
      LampContext context = {&car, drawing.lodIndex, CurrentView ? CurrentView->lightColours[0] : white};
      drawing.lampsDrawn = DrawLamps(LampDrawOps{LoadLampColour, DrawLampGroup, &context}, states, has, 0.0f);
    }
  }
  SetIdentityMatrix(WorldMatrix);
  UploadWorldMatrix(0, 0);
}

void DrawCarSecondPass(Car& car, CarDrawing& drawing) {
  (void)car;
  drawing.deferredLevel = 0xFF;
  if (drawing.discBatch != NO_BATCH) {
    SetIdentityMatrix(WorldMatrix);
    UploadWorldMatrix(0, 0);
    TempMesh::DrawBuffer(drawing.discBatch, 0);
  }
}
