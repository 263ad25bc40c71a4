// car_drawing.cpp - the drawing road of one car (car_drawing.h).
#include "vehicle/car_drawing.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "model/model_object.h"
#include "physics/car.h"
#include "render/constant_buffers.h"
#include "render/draw_mesh.h"
#include "render/env_maps.h"
#include "render/gouraud_mesh.h"
#include "render/humans.h"
#include "render/immediate.h"
#include "render/material.h"
#include "render/matrices.h"
#include "render/primitives.h"
#include "render/render_states.h"
#include "render/sh_light.h"
#include "render/system_textures.h"
#include "render/texture_record.h"
#include "render/views.h"
#include "ui/draw_record.h"
#include "ui/text_draw.h"
#include "vehicle/car_model.h"
#include "vehicle/setup_marks.h"

namespace {

int32_t ToFixed(double metres) {
  const double v = std::clamp(metres * 65536.0, -2147483647.0, 2147483647.0);
  return static_cast<int32_t>(v);
}

void MakeWorldMatrix(const IntVector& position, const float orientation[9], float m[16]) {
  for (int r = 0; r < 3; ++r) {  // row r: the car's axis r in world terms (column r of the orientation)
    for (int c = 0; c < 3; ++c) m[4 * r + c] = orientation[3 * c + r];
    m[4 * r + 3] = 0.0f;
  }
  m[12] = static_cast<float>(position.x) / 65536.0f;
  m[13] = static_cast<float>(position.y) / 65536.0f;
  m[14] = static_cast<float>(position.z) / 65536.0f;
  m[15] = 1.0f;
}

}  // namespace

CarDrawing& DrawingOf(Car& car) {
  if (!car.drawing) {
    InstallCarModelRelease();
    car.drawing = new CarDrawing();
  }
  return *car.drawing;
}

IntVector DriverOffset(const Car& car) {
  const Vec3 p = car.driverPosition;
  return {ToFixed(car.mirrored ? -p.x : p.x), ToFixed(p.y), ToFixed(p.z)};
}

uint8_t SteeringRatioByte(const Car& car) {
  const uint8_t reference = car.FirstDefaultSetup().bytes[SETUP_STEERING_LOCK];
  return reference != 0 ? reference : car.steeringLock;
}

void ReleaseDrawing(Car& car) {
  if (!car.drawing) return;
  for (CircularVBuffer& buffer : car.drawing->tyreBuffers) buffer.Close();
  delete car.drawing;
  car.drawing = nullptr;
}

uint8_t CarModelRebuilt = 0;

int TakeCarModelRebuilt() {
  const int was = CarModelRebuilt != 0;
  CarModelRebuilt = 0;
  return was;
}

// ---- [Drawing] ----

void SaveCarViewState(Car& car) {
  CarDrawing& d = DrawingOf(car);
  d.drawnPosition = car.position;
  for (int i = 0; i < 9; ++i) d.drawnOrientation[i] = std::isfinite(car.orientation[i]) ? car.orientation[i] : 0.0f;
  d.drawnPitch = static_cast<float>(std::asin(std::clamp(static_cast<double>(d.drawnOrientation[7]), -1.0, 1.0)));
  d.shadowsCollected = 0;
  MatrixFloatToFixed(d.drawnOrientation, car.drawTransform.rotation);
  car.drawTransform.translation = d.drawnPosition;
}

namespace {

// Steps 3 to 5: the distance, the view direction in car axes and the level.  0 when the car
// lies beyond its last level.
int ChooseLevel(const Car& car, CarDrawing& d, const CarViewSettings& view, uint8_t& kind) {
  d.drawFlags = 0;
  std::memset(d.viewDirLocal, 0, sizeof d.viewDirLocal);
  d.lodIndex = 0;
  d.lodDistance = FIXED_ONE;
  int32_t detailDistance = FIXED_ONE;
  uint8_t start = 0;
  if (kind == VIEW_INSIDE || kind == VIEW_CUSTOM) {
    d.detailState = 4;
  } else if (kind == VIEW_GARAGE) {
    start = view.garageLevel;  // then drawn as an outside view
    d.viewKind = kind = VIEW_OUTSIDE;
  } else {
    const double dx = (d.drawnPosition.x - static_cast<double>(view.viewPosition.x)) / 65536.0;
    const double dy = (d.drawnPosition.y - static_cast<double>(view.viewPosition.y)) / 65536.0;
    const double dz = (d.drawnPosition.z - static_cast<double>(view.viewPosition.z)) / 65536.0;
    const double squared = dx * dx + dy * dy + dz * dz;
    if (squared > 1.0 && std::isfinite(squared)) {
      const double length = std::sqrt(squared);
      d.viewDistance = ToFixed(length);
      const double unit[3] = {dx / length, dy / length, dz / length};
      const float* o = d.drawnOrientation;
      for (int a = 0; a < 3; ++a)  // along the car's axis a: column a of the orientation
        d.viewDirLocal[a] = ToFixed(std::fabs(unit[0] * o[a] + unit[1] * o[3 + a] + unit[2] * o[6 + a]));
      d.lodDistance = ToFixed(std::max(1.0, length * view.lodScale));
      detailDistance = ToFixed(std::max(1.0, length * view.detailScale));
    }
  }
  CarLodSet levels = {static_cast<uint8_t>(std::min<int>(car.model->lodCount, CAR_LOD_LEVELS)), {}};
  std::memcpy(levels.distances, car.model->lodDistances, sizeof(int32_t) * levels.count);
  const CarLodChoice choice = ChooseCarLevel(levels, d.lodDistance, detailDistance, start, d.detailState);
  d.lodIndex = choice.lodIndex;
  return choice.drawn;
}

// The subobject's fast mesh, made when it has none.
GouraudO3d* ItemMesh(DrawMesh* sub) {
  if (!sub || !sub->IsGouraud()) return nullptr;
  GouraudO3d& mesh = *static_cast<GouraudO3d*>(sub);
  if (!GetFastMesh(mesh.fastMesh)) GouraudO3d::CreateFastMesh(mesh);
  return &mesh;
}

void AddSubobjectItem(Car& car, CarDrawing& d, DrawMesh& sub, int hideWithFlag) {
  GouraudO3d* mesh = ItemMesh(&sub);
  if (!mesh) return;
  CarDrawItem* item = d.items.Add();
  if (!item) return;
  item->subobjectFlags = sub.flags[0];
  item->tag = 1;
  item->hideWithFlag = static_cast<uint8_t>(hideWithFlag);
  item->source = &sub;
  item->mesh = mesh;
  FixedTransform world;
  TransformCompose(car.drawTransform, sub.local, world);
  FixedMatrixToFloat(world, item->matrix);
  if (hideWithFlag) {  // the mirror's place relative to the camera
    float toView[16], relative[16];
    std::memcpy(toView, ViewMatrices.view, sizeof toView);
    MultiplyMatrix(item->matrix, relative, toView);
    std::memcpy(d.mirrorMatrix, relative, sizeof relative);
  }
}

// The steering wheel's rotation: Rz(align) (Rx(pitch) Rz(turn)), at the driver's x.
void PoseSteeringWheel(const Car& car, const CarDrawing& d, DrawMesh& sub) {
  const int32_t turn = SteeringWheelAngle(car.steeringWheelTurn, static_cast<float>(car.steeringLock),
                                          SteeringRatioByte(car), car.controls.steerAngle);
  const auto angle = [](float radians) {
    return std::isfinite(radians) ? static_cast<uint32_t>(static_cast<int32_t>(radians * RADIANS_TO_TURN16)) : 0u;
  };
  FixedMatrix align, pitch, wheel, inner;
  MatrixRotZ(align, angle(car.steeringWheelAlign));
  MatrixRotX(pitch, angle(car.steeringWheelPitch));
  MatrixRotZ(wheel, static_cast<uint32_t>(turn));
  MatrixMultiply(pitch, wheel, inner);
  MatrixMultiply(align, inner, sub.local.rotation);
  sub.local.translation.x = d.driverOffset.x;
}

// Step 13: the body's subobjects big enough at this distance.
void AddSubobjectItems(Car& car, CarDrawing& d, const CarViewSettings& view) {
  GouraudO3d* body = car.levelMeshes[0];
  if (!body) return;
  constexpr int32_t LEAST_SIZE_RATIO = 384;  // 16.16: 0.0059 of the distance
  for (int i = 0; i < body->childCount; ++i) {
    DrawMesh* sub = body->children[i];
    if (!sub || FixDiv(sub->radius, d.lodDistance) <= LEAST_SIZE_RATIO) continue;
    switch (sub->type) {
      case SUBOBJECT_ATTACHMENT:
        if (d.drawFlags & DRAW_ORDINARY_SUBS) AddSubobjectItem(car, d, *sub, 0);
        break;
      case SUBOBJECT_STEERING_WHEEL:
        if (!(d.drawFlags & DRAW_STEERING_WHEEL)) break;
        PoseSteeringWheel(car, d, *sub);
        AddSubobjectItem(car, d, *sub, 0);
        break;
      case SUBOBJECT_INTERNAL_MIRROR: {
        const int inside = d.drawnPass == VIEW_INSIDE || d.drawnPass == VIEW_CUSTOM;
        const float* offset = d.drawnPass == VIEW_INSIDE   ? view.mirrorOffset[0]
                              : d.drawnPass == VIEW_CUSTOM ? view.mirrorOffset[1]
                                                           : nullptr;
        const float x = offset ? offset[0] : 0.0f, z = offset ? offset[1] : 0.0f;
        const IntVector kept = sub->local.translation;
        sub->local.translation.x += ToFixed(x);
        sub->local.translation.y += ToFixed(InternalMirrorDrop(x));
        sub->local.translation.z += ToFixed(z);
        AddSubobjectItem(car, d, *sub, inside);
        sub->local.translation = kept;
        break;
      }
      default: break;
    }
  }
}

// The rims and spokes of the wheel sets on each wheel: a wheel-mesh item with the wheel's draw
// matrix turned by the wheel's spin about its axle.  A wheel on the left shows the right one's
// mesh mirrored across its axle, so its faces turn the other way: it is drawn with the other
// faces culled (altState).
void AddRimItems(Car& car, CarDrawing& d) {
  const int wheels = std::clamp<int>(car.wheelCount, 0, CAR_MAX_WHEELS);
  for (int w = 0; w < wheels; ++w) {
    const CarWheel& wheel = car.wheels[w];
    const SuspensionBlock& set = car.wheelSets[wheel.wheelSet < CAR_WHEEL_SETS ? wheel.wheelSet : 0];
    float turning[16];
    SpinningWheelMatrix(wheel, d.wheelMatrices[w], turning);
    for (DrawMesh* piece : {set.rimMesh, set.spokeMesh}) {
      GouraudO3d* mesh = ItemMesh(piece);
      if (!mesh) continue;
      CarDrawItem* item = d.items.AddWheel();
      if (!item) return;
      item->source = piece;
      item->mesh = mesh;
      std::memcpy(item->matrix, turning, sizeof item->matrix);
      if (wheel.side < 0.0f) {
        for (int c = 0; c < 3; ++c) item->matrix[c] = -item->matrix[c];
        item->altState = 1;
      }
    }
  }
}

void RowsToMatrix(const float axes[3][3], const float centre[3], float m[16]) {
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) m[4 * r + c] = axes[r][c];
    m[4 * r + 3] = 0.0f;
  }
  for (int c = 0; c < 3; ++c) m[12 + c] = centre[c];
  m[15] = 1.0f;
}

}  // namespace

void SpinningWheelMatrix(const CarWheel& wheel, const float matrix[16], float out[16]) {
  float spin[9], unused[9];
  wheel.WheelOrientation(spin, unused);
  std::memcpy(out, matrix, 16 * sizeof(float));
  // Row k is the world image of the rim's axis k: the spun axis (column k of the spin) through
  // the wheel's rows.
  for (int k = 0; k < 3; ++k)
    for (int c = 0; c < 3; ++c)
      out[4 * k + c] = spin[k] * matrix[c] + spin[3 + k] * matrix[4 + c] + spin[6 + k] * matrix[8 + c];
}

void ComputeWheelMatrix(const Car& car, const CarWheel& wheel, float axes[3][3], float centre[3]) {
  float spin[9], local[9], world[9];
  wheel.WheelOrientation(spin, local);
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c)
      world[3 * r + c] = car.orientation[3 * r] * local[c] + car.orientation[3 * r + 1] * local[3 + c] +
                         car.orientation[3 * r + 2] * local[6 + c];
  for (int k = 0; k < 3; ++k)
    for (int i = 0; i < 3; ++i) axes[k][i] = world[3 * i + k];
  // The hub stands out from the upright by the set's wheel offset along the wheel's own axle:
  // a steered wheel's axle turns about the upright, and the hub with it.
  const SuspensionBlock& set = car.wheelSets[wheel.wheelSet < CAR_WHEEL_SETS ? wheel.wheelSet : 0];
  const float sign = wheel.side > 0.0f ? 1.0f : wheel.side < 0.0f ? -1.0f : 0.0f;
  const float hub = std::isfinite(set.wheelOffset) ? set.wheelOffset * sign : 0.0f;
  const float c[3] = {wheel.centre.x + local[0] * hub, wheel.centre.y + local[3] * hub, wheel.centre.z + local[6] * hub};
  const float position[3] = {static_cast<float>(car.position.x) / 65536.0f,
                             static_cast<float>(car.position.y) / 65536.0f,
                             static_cast<float>(car.position.z) / 65536.0f};
  for (int i = 0; i < 3; ++i)
    centre[i] = position[i] + car.orientation[3 * i] * c[0] + car.orientation[3 * i + 1] * c[1] +
                car.orientation[3 * i + 2] * c[2];
}

void ComputeWheelMatrices(Car& car) {
  CarDrawing& d = DrawingOf(car);
  if (car.meshesWanted) car.BuildMeshes();
  const int wheels = std::clamp<int>(car.wheelCount, 0, CAR_MAX_WHEELS);
  for (int w = 0; w < wheels; ++w) {
    float axes[3][3], centre[3];
    ComputeWheelMatrix(car, car.wheels[w], axes, centre);
    RowsToMatrix(axes, centre, d.wheelMatrices[w]);
  }
}

int DrawCarModel(Car& car, const CarViewSettings& view) {
  CarDrawing& d = DrawingOf(car);
  d.drawnPass = 0;
  d.viewDistance = 0;
  d.lighting.lightingChosen = 0;
  d.lighting.groundHit = 0;
  d.environment[0] = d.environment[1] = nullptr;
  d.items.Clear();
  d.frameTubeBatch = d.discBatch = NO_BATCH;
  d.multiplayerVisible = 0;
  d.viewKind = view.kind;
  uint8_t kind = view.editorMode ? static_cast<uint8_t>(VIEW_EDITOR) : view.kind;
  if (kind == 0 || !car.model || car.model->lodCount == 0) return 0;
  if (!ChooseLevel(car, d, view, kind)) return 0;
  // A remote car whose data stopped is left out; so is a local car in the frame after a model
  // was rebuilt, unless it is always drawn.
  if (car.remote && !car.active) return d.drawnPass = 1;
  if (car.IsLocalCar() && !d.drawAlways && CarModelRebuilt) {
    if (CarModelRebuilt < 255) ++CarModelRebuilt;
    return d.drawnPass = 1;
  }
  d.drawnPass = kind;
  d.multiplayerVisible = kind == VIEW_INSIDE || kind == VIEW_CUSTOM ||
                         (view.connected && d.viewDistance < ToFixed(view.visibleDistance));
  if (SystemMaterials.plainBlack) d.environment[0] = d.environment[1] = SystemMaterials.plainBlack->texture;
  car.ApplyPendingModelChanges();
  MakeWorldMatrix(d.drawnPosition, d.drawnOrientation, d.worldMatrix);

  CarLodSet levels = {static_cast<uint8_t>(std::min<int>(car.model->lodCount, CAR_LOD_LEVELS)), {}};
  CarDrawFlagInputs in = {};
  in.kind = kind;
  in.lodIndex = d.lodIndex;
  in.nearLevel = IsNearLevel(levels, d.lodIndex);
  in.editorMode = view.editorMode;
  in.hasDriver = view.driverOption && car.steeringInstance != nullptr;
  in.carOptions = car.options;
  in.lodDistance = d.lodDistance;
  in.viewDirZ = d.viewDirLocal[2];
  in.graphicsOptions = view.graphicsOptions;
  in.internalShow = view.internalShow;
  in.customShow = view.customShow;
  d.drawFlags = ComputeDrawFlags(in);
  // The ground below the car among the world objects near it, at a near level; the objects
  // are gathered once between two saves of the view state.
  if (in.nearLevel) {
    const float radius = std::isfinite(car.radius) && car.radius > 0.0f ? car.radius : 1.0f;
    if (!d.shadowsCollected) {
      d.shadowsCollected = 1;
      d.shadows.count = 0;
      if (car.IsLocalCar())
        CollectShadowObjects(d.shadows, d.drawnPosition.x, d.drawnPosition.y, d.drawnPosition.z, radius,
                             view.debugLevel);
    }
    if (d.shadows.count > 0 &&
        UseLightmap(d.lighting, d.shadows, d.drawnPosition, ToFixed(radius), car.vehicleName, view.debugLevel, 1))
      d.drawFlags |= DRAW_GROUND_FOUND;
  }
  if (d.drawFlags & (DRAW_GROUND_FOUND | DRAW_TYRES)) ComputeWheelMatrices(car);
  if ((d.drawFlags & DRAW_TYRES) && (view.graphicsOptions & GFX_WHEEL_PIECES)) AddRimItems(car, d);
  d.driverOffset = DriverOffset(car);
  if ((d.drawFlags & DRAW_SUBOBJECTS) && (kind >= VIEW_INSIDE || view.editorMode) &&
      (view.graphicsOptions & GFX_SUBOBJECTS))
    AddSubobjectItems(car, d, view);

  PoseCarPeople(car, d, view, DriverShownInView(in));

  if (d.drawFlags & DRAW_TYRES) {
    CarTyreFrame tyres = view.tyres;
    tyres.lodDistance = d.lodDistance;
    tyres.viewDirX = d.viewDirLocal[0];
    tyres.viewDirY = d.viewDirLocal[1];
    tyres.debugLevel = view.debugLevel;
    tyres.graphicsOptions = view.graphicsOptions;
    d.discBatch = BuildCarTyres(car, tyres).discBatch;
  }
  if (view.graphicsOptions & GFX_FRAME_TUBES) {
    constexpr uint32_t ALL_TUBES_OPTION = 0x20000, VISIBLE_TUBES_OPTION = 0x200;
    const FrameScene frame = CarFrameScene(car);
    if (car.options & ALL_TUBES_OPTION)
      d.frameTubeBatch = DrawFrameTubes(frame, 1, d.lodDistance, d.viewDirLocal[2]);
    else if (kind >= VIEW_INSIDE && (car.options & VISIBLE_TUBES_OPTION) && d.lodDistance < (28 << 16) &&
             d.lodIndex == 0)
      d.frameTubeBatch = DrawFrameTubes(frame, 0, d.lodDistance, d.viewDirLocal[2]);
  }
  return d.drawnPass;
}

namespace {

struct LampContext {
  CarDrawing* drawing;
  uint8_t level;
  const float* colour;  // the view's light colour
  float lampsOn;        // 1 while the groups are drawn, 0 for the closing load
};

// Pixel row 2, the lamp colour: the view's light colour times scale.  Its fourth value is 1
// while the lamps are drawn, which makes the prelit shader light a lamp's texture and colour
// with it; the closing load puts 0 there, so other prelit drawing is left as it was.
void LoadLampColour(void* owner, float scale) {
  const LampContext& c = *static_cast<LampContext*>(owner);
  const float block[4] = {c.colour[0] * scale, c.colour[1] * scale, c.colour[2] * scale, c.lampsOn};
  constexpr int PS_ROW_LAMP_COLOUR = 2;
  UploadConstantRowData(1, PS_ROW_LAMP_COLOUR, block, sizeof block);
}

void DrawLampGroup(void* owner, int group) {
  const LampContext& c = *static_cast<LampContext*>(owner);
  if (FastMesh* mesh = GetFastMesh(c.drawing->lightMeshes[group])) {
    if (DrawFirstPassParts(*mesh, c.level, nullptr)) DrawSecondPassParts(*mesh, c.level, nullptr);
  }
}

void LoadWorldMatrix(const float m[16]) {
  std::memcpy(WorldMatrix, m, sizeof WorldMatrix);
  UploadWorldMatrix(0, 0);
}

// One item's mesh at its level; in the main pass a subobject with blended parts has them drawn
// at once (they are not left for the car's second pass).
void DrawItemMesh(const CarDrawItem& item) {
  FastMesh* mesh = item.tag == ITEM_TAG_HELMET ? GetFastMesh(Helmet.fastMesh)
                   : item.mesh                 ? GetFastMesh(item.mesh->fastMesh)
                                               : nullptr;
  if (!mesh) return;
  LoadWorldMatrix(item.matrix);
  const int more = DrawFirstPassParts(*mesh, item.lod, nullptr);
  if (more && (item.subobjectFlags || CurrentWorldPass != 0)) DrawSecondPassParts(*mesh, item.lod, nullptr);
}

// The item list; returns 1 when the internal mirror's matrix was taken for an item.
int DrawItems(CarDrawing& d) {
  int mirror = 0;
  for (int i = 0; i < d.items.count; ++i) {
    const CarDrawItem& item = d.items.items[i];
    if (item.hideWithFlag && (d.drawFlags & DRAW_HIDE_MARKED)) continue;
    if (item.hideWithFlag) mirror = 1;
    DrawItemMesh(item);
    ++d.itemsDrawn;
  }
  return mirror;
}

// The wheel-mesh list, an item with altState under the alternate render state.
void DrawWheelMeshItems(CarDrawing& d) {
  for (int i = 0; i < d.items.wheelCount; ++i) {
    const CarDrawItem& item = d.items.wheelItems[i];
    const int saved = RenderStates.pendingRaster;
    if (item.altState) RenderStates.pendingRaster = CurrentWorldPass == 1 ? 5 : 3;  // front faces culled
    DrawItemMesh(item);
    RenderStates.pendingRaster = saved;
    ++d.itemsDrawn;
  }
}

// The car's light into the object row the lit shaders read.  The default light leaves the
// view's sky light as it is (the row's scale 0); a light from the track's lighting lets each
// face of the car take the sky light arriving from its side, times how open the track is
// there.  The ground record has no reader in our shaders and stays with the car.
void UploadCarLight(const CarDrawing& d) {
  float colours[6][3] = {};
  uint8_t terms[6] = {};
  float scale = 0.0f;
  if (d.lighting.lightingMode == LIGHTING_LIGHTMAP && CurrentView) {
    ShIrradiance sky;
    std::memcpy(sky.m, CurrentView->lightMatrices, sizeof sky.m);
    static const float FACES[6][3] = {{-1, 0, 0}, {1, 0, 0}, {0, -1, 0}, {0, 1, 0}, {0, 0, -1}, {0, 0, 1}};
    for (int face = 0; face < 6; ++face) {
      ShIrradianceOf(sky, FACES[face], colours[face]);
      const float open = d.lighting.light.values[face];
      terms[face] = static_cast<uint8_t>(std::isfinite(open) ? std::clamp(std::lround(open), 0L, 255L) : 255L);
    }
    scale = 1.0f;
  }
  UpdateObjectVSBuffer(colours, terms, scale);
}

// The car's shine textures in force; the renderer's are given back by the caller.
void UseCarEnvironment(const CarDrawing& d, ZKTETexture* saved[2]) {
  saved[0] = ShineTextures[0];
  saved[1] = ShineTextures[1];
  if (d.environment[0]) ShineTextures[0] = d.environment[0];
  if (d.environment[1]) ShineTextures[1] = d.environment[1];
  InvalidateShineConstants();
}

void RestoreEnvironment(ZKTETexture* const saved[2]) {
  ShineTextures[0] = saved[0];
  ShineTextures[1] = saved[1];
  InvalidateShineConstants();
}

}  // namespace

void DrawCarLit(Car& car, const CarViewSettings& view) {
  CarDrawing& d = DrawingOf(car);
  if (d.drawnPass < 2) return;
  if (CurrentWorldPass == 0) {
    ChooseDefaultLighting(d.lighting, car.vehicleName, view.debugLevel, 1);
    UploadCarLight(d);
  }
  ZKTETexture* saved[2];
  UseCarEnvironment(d, saved);
  d.itemsDrawn = 0;
  if (d.items.count > 0) DrawItems(d);
  LoadWorldMatrix(d.worldMatrix);
  if (d.frameTubeBatch != NO_BATCH) TempMesh::DrawBuffer(d.frameTubeBatch, 0);
  DrawCarPeople(d);
  LoadWorldMatrix(d.worldMatrix);
  if ((d.drawFlags & DRAW_TYRES) && view.skyMode != 3) {
    SetIdentityMatrix(WorldMatrix);  // the tyres are written in world positions
    UploadWorldMatrix(0, 0);
    DrawTyreStreams(car);
    LoadWorldMatrix(d.worldMatrix);
  }
  d.lampsDrawn = 0;
  if (d.drawnPass >= 2 && (view.graphicsOptions & GFX_BODY)) {
    if (FastMesh* body = GetFastMesh(d.materialMesh)) {
      LoadWorldMatrix(d.worldMatrix);
      // The blended parts wait for the car's second pass at this level (drawn at once
      // beyond the near levels, where nothing is deferred).
      const uint8_t last = static_cast<uint8_t>(car.model->lodCount - 1);
      const int near = d.lodIndex == 0 || d.lodIndex != last;
      if (DrawFirstPassParts(*body, d.lodIndex, nullptr) && !near) DrawSecondPassParts(*body, d.lodIndex, nullptr);
      if (near) d.deferredLevel = d.lodIndex;
    }
    const uint8_t last = static_cast<uint8_t>(car.model->lodCount - 1);
    if ((d.lodIndex == 0 || d.lodIndex != last) && CurrentWorldPass == 0) {
      uint8_t states[CAR_LAMP_GROUPS], has[CAR_LAMP_GROUPS];
      if (d.forceLamps) std::memcpy(states, d.forcedPattern, sizeof states);
      else GetLampStates(d.lamps, states);
      for (int g = 0; g < CAR_LAMP_GROUPS; ++g) has[g] = GetFastMesh(d.lightMeshes[g]) != nullptr;
      static const float white[3] = {1.0f, 1.0f, 1.0f};
      LampContext context = {&d, d.lodIndex, CurrentView ? CurrentView->lightColours[0] : white, 1.0f};
      LoadWorldMatrix(d.worldMatrix);
      d.lampsDrawn = DrawLamps(LampDrawOps{LoadLampColour, DrawLampGroup, &context}, states, has, 0.0f);
      if (d.lampsDrawn) {
        context.lampsOn = 0.0f;
        LoadLampColour(&context, 1.0f);
      }
    }
  }
  DrawWheelMeshItems(d);
  SetIdentityMatrix(WorldMatrix);
  UploadWorldMatrix(0, 0);
  RestoreEnvironment(saved);
  if (view.editorMode == 1) DrawSetupMarks(car);
}

void DrawCarSecondPass(Car& car) {
  CarDrawing& d = DrawingOf(car);
  d.deferredDrawn = 0;
  ZKTETexture* saved[2];
  UseCarEnvironment(d, saved);
  if (d.deferredLevel != 0xFF) {
    if (FastMesh* body = GetFastMesh(d.materialMesh)) {
      UploadCarLight(d);
      LoadWorldMatrix(d.worldMatrix);
      DrawSecondPassParts(*body, d.deferredLevel, nullptr);
      d.deferredDrawn = 1;
    }
    d.deferredLevel = 0xFF;
  }
  if (d.discBatch != NO_BATCH) {
    SetIdentityMatrix(WorldMatrix);
    UploadWorldMatrix(0, 0);
    TempMesh::DrawBuffer(d.discBatch, 0);
  }
  SetIdentityMatrix(WorldMatrix);
  UploadWorldMatrix(0, 0);
  RestoreEnvironment(saved);
  if (d.text.queued) {
    d.text.text[CAR_TEXT_3D_SIZE - 1] = 0;
    DrawTextIn3D(d.text.text, d.text.colour, 1, 0, d.text.origin, d.text.axisX, d.text.axisY);
    d.text.queued = 0;
  }
}

namespace {
void RecordCarAreas(Car& car);
}  // namespace

void DrawCar(Car& car, const CarViewSettings& view, int refreshEnvironment, uint16_t extraFlags, int parts) {
  CarDrawing& d = DrawingOf(car);
  if (parts & 1) {
    SaveCarViewState(car);
    DrawCarModel(car, view);
  }
  if (!(parts & 2)) return;
  if (refreshEnvironment) {
    UpdateEnvironmentTexture();
    if (Environment.state == ENVIRONMENT_DRAWN && ShineTextures[0] && ShineTextures[1]) {
      d.environment[0] = ShineTextures[0];
      d.environment[1] = ShineTextures[1];
    }
  }
  d.drawFlags |= extraFlags;
  DrawCarLit(car, view);
  SetIdentityMatrix(WorldMatrix);
  if (DrawRecording) RecordCarAreas(car);
}

void DrawWheelInPlace(Car& car, int wheel, CarTyreFrame tyres) {
  if (wheel < 0 || wheel >= std::clamp<int>(car.wheelCount, 0, CAR_MAX_WHEELS)) return;
  CarDrawing& d = DrawingOf(car);
  car.ApplyPendingModelChanges();
  if (car.meshesWanted) car.BuildMeshes();
  const CarWheel& w = car.wheels[wheel];
  float axes[3][3], centre[3];
  ComputeWheelMatrix(car, w, axes, centre);
  // A wheel on the left shows the right one's meshes mirrored across its axle (AddRimItems):
  // its own axes are the mirrored ones.
  const bool left = w.side < 0.0f;
  if (left)
    for (float& a : axes[0]) a = -a;
  // World to the wheel's axes (the tyre is written in world positions).
  float toWheel[16] = {};
  for (int r = 0; r < 3; ++r)
    for (int k = 0; k < 3; ++k) toWheel[4 * r + k] = axes[k][r];
  for (int k = 0; k < 3; ++k)
    toWheel[12 + k] = -(centre[0] * axes[k][0] + centre[1] * axes[k][1] + centre[2] * axes[k][2]);
  toWheel[15] = 1.0f;

  tyres.onlyWheel = wheel + 1;
  tyres.graphicsOptions |= GFX_TYRES;
  const CarTyreResult built = BuildCarTyres(car, tyres);
  ChooseDefaultLighting(d.lighting, car.vehicleName, tyres.debugLevel, 1);
  UploadCarLight(d);
  // The left tyre is wound for its mirrored place in the world, which the mirrored axes turn
  // back: its other faces are culled.
  const int saved = RenderStates.pendingRaster;
  if (left) RenderStates.pendingRaster = CurrentWorldPass == 1 ? 5 : 3;
  LoadWorldMatrix(toWheel);
  if (built.drawn) DrawTyreStreams(car);
  if (built.discBatch != NO_BATCH) TempMesh::DrawBuffer(built.discBatch, 0);
  RenderStates.pendingRaster = saved;
  const SuspensionBlock& set = car.wheelSets[w.wheelSet < CAR_WHEEL_SETS ? w.wheelSet : 0];
  if (GouraudO3d* rim = ItemMesh(set.rimMesh)) {
    CarDrawItem item = {};
    item.mesh = rim;
    SetIdentityMatrix(item.matrix);
    DrawItemMesh(item);
  }
  SetIdentityMatrix(WorldMatrix);
  UploadWorldMatrix(0, 0);
}

// ---- [Pieces] ----

void ProjectCarToView(const Car& car, IntVector& out, FixedTransform& inView) {
  const IntVector relative = {WrappingAdd(car.drawTransform.translation.x, -CurrentView->position[0]),
                              WrappingAdd(car.drawTransform.translation.y, -CurrentView->position[1]),
                              WrappingAdd(car.drawTransform.translation.z, -CurrentView->position[2])};
  MatrixTransform(ViewRotation, relative, out);
  MatrixMultiply(ViewRotation, car.drawTransform.rotation, inView.rotation);
  inView.translation = out;
}

namespace {

// A world point (16.16) in the screen's pixels; false behind the view or far off it.
bool ProjectPixel(const int32_t point[3], float* x, float* y) {
  int32_t inView[3];
  WorldToView(point, inView);
  return ProjectAndTestOnScreen(inView, x, y, 1) != 0;
}

struct Bounds {
  float* min;
  float* max;
  int mode;
  int taken;
  void Take(const IntVector& p) {
    float v[3];
    if (mode == 2 || mode == 3) {
      const int32_t point[3] = {p.x, p.y, p.z};
      float x = 0, y = 0;
      if (mode == 2 && !ProjectPointDepth(point, &x, &y)) return;  // behind the view
      if (mode == 3 && !ProjectPixel(point, &x, &y)) return;
      v[0] = x;
      v[1] = y;
      v[2] = 0.0f;
    } else {
      v[0] = static_cast<float>(p.x) / 65536.0f;
      v[1] = static_cast<float>(p.y) / 65536.0f;
      v[2] = static_cast<float>(p.z) / 65536.0f;
    }
    for (int i = 0; i < 3; ++i) {
      if (taken == 0 || v[i] < min[i]) min[i] = v[i];
      if (taken == 0 || v[i] > max[i]) max[i] = v[i];
    }
    ++taken;
  }
  void TakeMesh(const GouraudO3d& mesh, const FixedTransform& t) {
    for (int i = 0; i < mesh.pointCount; ++i) {
      const GouraudPoint& g = mesh.points[i];
      IntVector q;
      TransformPoint(t, IntVector{g.x, g.y, g.z}, q);
      Take(q);
    }
  }
};

}  // namespace

int CarMeshBounds(float min[3], float max[3], Car& car, const FixedTransform& transform, int mode) {
  Bounds b = {min, max, mode, 0};
  if (const GouraudO3d* body = car.levelMeshes[0]) b.TakeMesh(*body, transform);
  // The items were placed in the world through the car's draw transform: their own places
  // relative to the car follow the given transform.
  CarDrawing& d = DrawingOf(car);
  for (int i = 0; i < d.items.count; ++i) {
    const CarDrawItem& item = d.items.items[i];
    const DrawMesh* sub = static_cast<const DrawMesh*>(item.source);
    if (!item.mesh || !sub) continue;
    FixedTransform t;
    TransformCompose(transform, sub->local, t);
    b.TakeMesh(*item.mesh, t);
  }
  return b.taken;
}

namespace {

// The corners of the box round a wheel's tyre (metres, world); false for a wheel without one.
bool WheelBoxCorners(Car& car, const CarWheel& wheel, float corners[8][3]) {
  const SuspensionBlock& set = car.wheelSets[wheel.wheelSet < CAR_WHEEL_SETS ? wheel.wheelSet : 0];
  const float radius = set.rollingRadius > 0.0f ? set.rollingRadius : set.rimRadius;
  const float halfWidth = 0.5f * std::max(set.sectionWidth, set.rimWidth);
  if (!(radius > 0.0f)) return false;
  float axes[3][3], centre[3];
  ComputeWheelMatrix(car, wheel, axes, centre);
  for (int corner = 0; corner < 8; ++corner) {
    const float a = (corner & 1) ? halfWidth : -halfWidth, b = (corner & 2) ? radius : -radius,
                c = (corner & 4) ? radius : -radius;
    for (int i = 0; i < 3; ++i) corners[corner][i] = centre[i] + a * axes[0][i] + b * axes[1][i] + c * axes[2][i];
  }
  return true;
}

// Where the car and its front wheels lie on the screen, for the layout check (ui/draw_record.h):
// each wheel's box over the corners of the box round its tyre, the car's over its meshes'
// points and its wheels.
void RecordCarAreas(Car& car) {
  float min[3], max[3];
  bool any = CarMeshBounds(min, max, car, car.drawTransform, 3) > 0;
  float left = any ? min[0] : 0.0f, top = any ? min[1] : 0.0f, right = any ? max[0] : 0.0f,
        bottom = any ? max[1] : 0.0f;
  const int wheels = std::clamp<int>(car.wheelCount, 0, CAR_MAX_WHEELS);
  for (int w = 0; w < wheels; ++w) {
    const CarWheel& wheel = car.wheels[w];
    float corners[8][3];
    if (!WheelBoxCorners(car, wheel, corners)) continue;
    float wl = 0, wt = 0, wr = 0, wb = 0;
    int taken = 0;
    for (const auto& c : corners) {
      int32_t point[3];
      for (int i = 0; i < 3; ++i) point[i] = static_cast<int32_t>(std::lround(c[i] * 65536.0f));
      float x, y;
      if (!ProjectPixel(point, &x, &y)) continue;
      wl = taken ? std::min(wl, x) : x, wr = taken ? std::max(wr, x) : x;
      wt = taken ? std::min(wt, y) : y, wb = taken ? std::max(wb, y) : y;
      ++taken;
    }
    if (taken < 8) continue;
    if (wheel.wheelSet == 1) RecordArea(AREA_FRONT_WHEEL, wl, wt, wr, wb);
    left = any ? std::min(left, wl) : wl, top = any ? std::min(top, wt) : wt;
    right = any ? std::max(right, wr) : wr, bottom = any ? std::max(bottom, wb) : wb;
    any = true;
  }
  if (any) RecordArea(AREA_CAR, left, top, right, bottom);
}

}  // namespace

int CarBox(Car& car, float min[3], float max[3]) {
  bool any = CarMeshBounds(min, max, car, car.drawTransform, 0) > 0;
  const int wheels = std::clamp<int>(car.wheelCount, 0, CAR_MAX_WHEELS);
  for (int w = 0; w < wheels; ++w) {
    float corners[8][3];
    if (!WheelBoxCorners(car, car.wheels[w], corners)) continue;
    for (const auto& c : corners)
      for (int i = 0; i < 3; ++i) {
        min[i] = any ? std::min(min[i], c[i]) : c[i];
        max[i] = any ? std::max(max[i], c[i]) : c[i];
      }
    any = true;
  }
  return any ? 1 : 0;
}

namespace {

// The marks' colours (0xRRGGBB): a seat's arrows, shaft and head; a wheel's axle arrow is
// drawn in the wheel's two marker colours.
constexpr uint32_t SEAT_MARK_SHAFT = 0xFF4040, SEAT_MARK_HEAD = 0xFFFF40;
constexpr float SEAT_MARK_LENGTH = 0.25f;   // m along each axis
constexpr float WHEEL_MARK_RAISE = 1.0f / 64.0f;  // m: the wheel's mark above its centre
constexpr int MARK_SEATS = 4;
constexpr uint32_t MARK_ROOM_VERTICES = 6 * 3 * (MARK_SEATS + CAR_MAX_WHEELS);
constexpr uint32_t MARK_ROOM_TRIANGLES = 2 * 3 * (MARK_SEATS + CAR_MAX_WHEELS);

struct MarkContext {
  const Car* car;
  MarkBuffer* out;
};
MarkContext g_marks = {nullptr, nullptr};

// The wheel's mark: an arrow along its axle (outwards) from its centre, raised a little.
void DrawWheelMark(const CarWheel& wheel, uint32_t first, uint32_t second) {
  if (!g_marks.car || !g_marks.out) return;
  const float side = wheel.side < 0.0f ? -1.0f : 1.0f;
  const IntVector centre = {ToFixed(wheel.centre.x), ToFixed(wheel.centre.y), ToFixed(wheel.centre.z + WHEEL_MARK_RAISE)};
  const float axes[3] = {SEAT_MARK_LENGTH * side, 0.0f, 0.0f};
  DrawAxisMarker(*g_marks.out, g_marks.car->drawTransform, centre, axes, first, second, 1.0f);
}

}  // namespace

void DrawSetupMarks(Car& car) {
  if (CurrentWorldPass != 0) return;
  const bool linesWereOpen = Line3DBatchOpen();
  if (linesWereOpen) EndLineBatch3D();
  CircularVBuffer& s = StreamLines3D;
  if (s.StartBuf(nullptr, 1, 1)) {
    if (s.CheckRoom(MARK_ROOM_VERTICES, MARK_ROOM_TRIANGLES, "3D stream")) {
      MarkBuffer out = {s.vertexWrite, s.indexWrite, MARK_ROOM_VERTICES, MARK_ROOM_TRIANGLES, 0, 0};
      g_marks = {&car, &out};
      auto* const saved = DrawWheelMarker;
      DrawWheelMarker = DrawWheelMark;
      uint32_t colours[2];
      const int wheels = std::clamp<int>(car.wheelCount, 0, CAR_MAX_WHEELS);
      for (int w = 0; w < wheels; ++w) car.wheels[w].WheelMarkerColour(colours);
      DrawWheelMarker = saved;
      const float axes[3] = {SEAT_MARK_LENGTH, SEAT_MARK_LENGTH, SEAT_MARK_LENGTH};
      const Vec3 seats[MARK_SEATS] = {car.driverPosition, car.seatPositions[0], car.seatPositions[1],
                                      car.seatPositions[2]};
      for (const Vec3& seat : seats) {
        const IntVector point = {ToFixed(car.mirrored ? -seat.x : seat.x), ToFixed(seat.y), ToFixed(seat.z)};
        DrawAxisMarker(out, car.drawTransform, point, axes, SEAT_MARK_SHAFT, SEAT_MARK_HEAD, 1.0f);
      }
      g_marks = {nullptr, nullptr};
      s.vertexWrite += size_t(out.vertexCount) * MARK_VERTEX_SIZE;
      s.indexWrite += size_t(out.triangleCount) * 3;
      s.vertexCount += out.vertexCount;
      s.triangleCount += out.triangleCount;
      s.DrawBuffer3D();
    } else {
      s.UnlockBuffer();
    }
  }
  if (linesWereOpen) BeginLineBatch3D();
}
