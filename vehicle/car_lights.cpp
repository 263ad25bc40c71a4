// car_lights.cpp - the graphics side of a car: its eight lights found from the model's
// mapping names, the material mesh of every level grouped by material, the plain mesh, the
// light meshes, the headlight's position and colour, and the fast meshes of the subobjects
// and wheel sets.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <strings.h>
#include <vector>

#include "core/frame_globals.h"
#include "core/gamma_tables.h"
#include "core/report.h"
#include "render/colour_science.h"
#include "render/gouraud_mesh.h"
#include "render/material.h"
#include "render/system_textures.h"
#include "render/texture_record.h"
#include "render/views.h"
#include "vehicle/car_drawing.h"
#include "vehicle/car_model.h"
#include "vehicle_data/vehicle_class.h"

const CarLightNames LIGHT_NAMES[CAR_LIGHTS] = {
    {{"l_brk", "l_sbrk", "l_tbrk", "l_cbrk"}, 4, LIGHT_WHOLE_CAR},
    {{"l_head", "l_side", nullptr, nullptr}, 2, LIGHT_WHOLE_CAR},
    {{"l_tail", "l_stail", "l_ttail", nullptr}, 3, LIGHT_WHOLE_CAR},
    {{"l_rind", "l_find", "l_rsind", "l_fsind"}, 4, LIGHT_LEFT_SIDE},
    {{"l_rind", "l_find", "l_rsind", "l_fsind"}, 4, LIGHT_RIGHT_SIDE},
    {{"l_rfog", nullptr, nullptr, nullptr}, 1, LIGHT_WHOLE_CAR},
    {{"l_ffog", nullptr, nullptr, nullptr}, 1, LIGHT_WHOLE_CAR},
    {{"l_rev", nullptr, nullptr, nullptr}, 1, LIGHT_WHOLE_CAR},
};
const CarLightNames TAIL_FROM_BRAKE_NAMES = {{"l_brk", "l_sbrk", "l_tbrk", nullptr}, 3, LIGHT_WHOLE_CAR};

namespace {

constexpr uint8_t LIGHT_DRAW_KIND = 1;  // prelit: drawn in its colour, not lit by the scene
constexpr int LIGHT_GEN_TYPE = 0;

const GouraudColour* ColourOf(const ModelMapping* mapping) {
  return reinterpret_cast<const GouraudColour*>(&mapping->colour);  // as the mesh builder points at it
}

bool IsSlotColour(const CarLight& light, const GouraudColour* colour) {
  for (const ModelMapping* slot : light.slots)
    if (slot && colour == ColourOf(slot)) return true;
  return false;
}

bool IsSlotIndex(const CarLight& light, uint32_t mapping) {
  for (int k = 0; k < CAR_LIGHT_NAMES; ++k)
    if (light.slots[k] && uint32_t(light.slotIndex[k]) == mapping) return true;
  return false;
}

int8_t NormalComponent(float n) {
  const float scaled = std::nearbyint(std::clamp(n, -1.0f, 1.0f) * 127.0f);
  return int8_t(scaled);
}

// The light material of a texture: prelit, blended when the texture has alpha.
const Material* LightMaterial(ZKTETexture* texture) {
  MaterialParams params{0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0};
  if (IsAlphaTextureName(texture->name)) params.alphaMode = ALPHA_BLEND;
  if (Material* found = FindMaterial(texture, LIGHT_DRAW_KIND, 0, 1, params, LIGHT_GEN_TYPE)) return found;
  return CreateMaterial(texture, LIGHT_DRAW_KIND, 0, 1, params, LIGHT_GEN_TYPE);
}

// Fills one light record from the model and its attachments by its names.
void FindLight(const ModelObject& model, CarLight& light, const CarLightNames& names) {
  light.mode = names.mode;
  light.found = 0;
  for (int k = 0; k < CAR_LIGHT_NAMES; ++k) {
    light.slots[k] = nullptr;
    light.slotIndex[k] = -1;
  }
  light.material = nullptr;
  int best = 0;
  ZKTETexture* texture = nullptr;
  auto search = [&](const ModelObject& o) {
    for (int i = 0; i < o.mappingCount && o.mappings; ++i) {
      const ModelMapping& m = o.mappings[i];
      int score = 0;
      for (int k = 0; k < names.count; ++k) {
        if (strncasecmp(m.name, names.names[k], CUTOUT_NAME_SIZE) != 0) continue;
        if (!light.slots[k]) {
          light.slots[k] = &m;
          light.slotIndex[k] = int16_t(i);
        }
        score = CAR_LIGHT_NAMES - k;
      }
      if (score <= best) continue;
      best = score;
      const uint16_t c = m.cutout[0];
      if (!texture && c < o.cutoutCount && o.cutouts[c].texture) texture = o.cutouts[c].texture->texture;
    }
  };
  search(model);
  for (int i = 0; i < model.childCount && model.children; ++i)
    if (model.children[i].type == SUBOBJECT_ATTACHMENT) search(model.children[i]);
  if (best == 0) return;  // the car has no such light
  if (!texture) {
    light.material = DefaultPlainMaterial();
    return;
  }
  light.material = LightMaterial(texture);
  light.found = 1;
}

// The middle of the box of the level's vertices with x above 0 that belong to the slot's
// mapping (or to none), or the camera's position when there is none.
IntVector HeadlightFrom(const GouraudO3d& level, const ModelMapping* slot) {
  bool any = false;
  IntVector low{}, high{};
  for (int i = 0; i < level.pointCount; ++i) {
    const GouraudPoint& p = level.points[i];
    if (p.x <= 0 || !(p.colour == nullptr || (slot && p.colour == ColourOf(slot)))) continue;
    if (!any) {
      low = high = IntVector{p.x, p.y, p.z};
      any = true;
      continue;
    }
    low = IntVector{std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
    high = IntVector{std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
  }
  if (!any) return IntVector{ViewCamera.position[0], ViewCamera.position[1], ViewCamera.position[2]};
  return IntVector{int32_t((int64_t{low.x} + high.x) / 2), int32_t((int64_t{low.y} + high.y) / 2),
                   int32_t((int64_t{low.z} + high.z) / 2)};
}

uint32_t LightVertexColour(const CarLight& light) {
  return uint32_t(BrightnessTable[light.colour[0]]) << 16 | uint32_t(BrightnessTable[light.colour[1]]) << 8 |
         BrightnessTable[light.colour[2]];
}

void GiveFastMesh(DrawMesh* mesh) {
  if (!mesh || !mesh->IsGouraud()) return;
  GouraudO3d& gouraud = *static_cast<GouraudO3d*>(mesh);
  if (!GetFastMesh(gouraud.fastMesh)) GouraudO3d::CreateFastMesh(gouraud);
}

}  // namespace

const Material* DefaultPlainMaterial() {
  return SystemMaterials.plainWhite ? SystemMaterials.plainWhite : GetDefaultMaterial();
}

void TakeVehicleLightColours(Car& car) {
  for (int i = 0; i < CAR_LIGHTS; ++i) {
    const ColourWord c = car.colours[i];
    car.lights[i].colour[0] = uint8_t(ColourRed(c));
    car.lights[i].colour[1] = uint8_t(ColourGreen(c));
    car.lights[i].colour[2] = uint8_t(ColourBlue(c));
  }
}

void TakeVehicleLightsAndSkin(Car& car) {
  TakeVehicleLightColours(car);
  static_assert(CAR_SKIN_NAME_SIZE == COLOUR_SET_NAME_SIZE, "the skin is the colour set's name");
  std::memcpy(car.skinName, car.currentColours.name, CAR_SKIN_NAME_SIZE);
  car.skinName[CAR_SKIN_NAME_SIZE - 1] = 0;
}

void HeadlightColour(uint8_t vehicleClass, float rgb[3]) {
  float x, y, xyz[3];
  KelvinToChromaticity(&x, &y, vehicleClass == CLASS_SALOON ? HEADLIGHT_KELVIN_SALOON : HEADLIGHT_KELVIN);
  xyY_to_XYZ(xyz, x, y, 1.0f);
  MultiplyColourMatrix(XyzToRgb, xyz, rgb);
}

void AddLightTriangles(FastMesh& lightMesh, const GouraudO3d& level, const Material* material, const CarLight& light,
                       uint32_t colour) {
  Primitive* part = nullptr;
  for (Primitive& p : lightMesh.parts)
    if (p.material == material) part = &p;
  if (!part || light.mode > LIGHT_RIGHT_SIDE || level.pointCount <= 0) return;
  const auto cornerOk = [&level](uint16_t index) { return index < level.pointCount; };
  std::vector<uint8_t> slotTriangle(size_t(std::max(level.triangleCount, 0)), 0);
  std::vector<uint8_t> wanted(size_t(level.pointCount), 0);
  for (int i = 0; i < level.pointCount; ++i) wanted[size_t(i)] = IsSlotColour(light, level.points[i].colour);
  for (int t = 0; t < level.triangleCount; ++t) {
    const GouraudTriangle& tri = level.triangles[t];
    if (!IsSlotIndex(light, tri.value) || !cornerOk(tri.index[0]) || !cornerOk(tri.index[1]) || !cornerOk(tri.index[2]))
      continue;
    if (!wanted[tri.index[0]] && !wanted[tri.index[1]] && !wanted[tri.index[2]]) continue;
    slotTriangle[size_t(t)] = 1;
  }
  for (int t = 0; t < level.triangleCount; ++t)
    if (slotTriangle[size_t(t)])
      for (uint16_t k : level.triangles[t].index) wanted[k] = 1;

  std::vector<uint32_t> taken(size_t(level.pointCount), LIGHT_VERTEX_NONE);
  for (int i = 0; i < level.pointCount; ++i) {
    const GouraudPoint& p = level.points[i];
    if (!wanted[size_t(i)]) continue;
    if ((light.mode == LIGHT_LEFT_SIDE && !(p.x < 0)) || (light.mode == LIGHT_RIGHT_SIDE && !(p.x > 0))) continue;
    if (part->buildVertices.size() >= LIGHT_VERTEX_NONE) break;  // what 16-bit indices reach
    VertexLit v{};
    v.x = float(p.x) / 65536.0f;
    v.y = float(p.y) / 65536.0f;
    v.z = float(p.z) / 65536.0f;
    v.normal[0] = NormalComponent(p.nx);
    v.normal[1] = NormalComponent(p.ny);
    v.normal[2] = NormalComponent(p.nz);
    v.normal[3] = 127;
    v.colour0 = colour;
    v.u = p.u;
    v.v = p.v;
    taken[size_t(i)] = uint32_t(part->buildVertices.size());
    part->buildVertices.push_back(v);
  }
  for (int t = 0; t < level.triangleCount; ++t) {
    if (!slotTriangle[size_t(t)]) continue;
    const GouraudTriangle& tri = level.triangles[t];
    const uint32_t corner[3] = {taken[tri.index[0]], taken[tri.index[1]], taken[tri.index[2]]};
    if (corner[0] == LIGHT_VERTEX_NONE || corner[1] == LIGHT_VERTEX_NONE || corner[2] == LIGHT_VERTEX_NONE) continue;
    for (uint32_t c : corner) part->buildIndices.push_back(uint16_t(c));
  }
}

// ---- the car's lights and graphics side (physics/car.h) ----

void Car::FindLights() {
  if (!model) return;
  if (drawing)
    for (FastMeshHandle& mesh : drawing->lightMeshes) FreeFastMesh(mesh);
  for (int i = 0; i < CAR_LIGHTS; ++i) FindLight(*model, lights[i], LIGHT_NAMES[i]);
  if (!lights[LIGHT_TAIL].material) FindLight(*model, lights[LIGHT_TAIL], TAIL_FROM_BRAKE_NAMES);
}

void Car::CreateLightMeshes() {
  const uint32_t levels = uint32_t(std::max<int>(std::min<int>(model ? model->lodCount : 0, CAR_LEVEL_MESHES), 1));
  CarDrawing& d = DrawingOf(*this);
  for (int i = 0; i < CAR_LIGHTS; ++i) {
    const CarLight& light = lights[i];
    FreeFastMesh(d.lightMeshes[i]);
    if (!light.material) continue;
    d.lightMeshes[i] = NewFastMesh();
    FastMesh& mesh = *GetFastMesh(d.lightMeshes[i]);
    if (!ReservePrimitiveParts(mesh, 1, levels)) continue;
    mesh.parts[0].material = light.material;
    mesh.parts[0].passBit = 1;  // prelit: the normal pass only
  }
}

void Car::BuildGpuMeshes() {
  if (!GraphicsEnabled || !model) return;
  BuildMaterialMeshes();
  if (levelMeshes[0])
    for (int i = 0; i < levelMeshes[0]->childCount; ++i)
      GiveFastMesh(levelMeshes[0]->children[i]);
  BuildMeshes();
  for (SuspensionBlock& set : wheelSets) {
    GiveFastMesh(set.spokeMesh);
    GiveFastMesh(set.rimMesh);
  }
}

void Car::BuildMaterialMeshes() {
  if (!GraphicsEnabled || !model) return;
  CarDrawing& d = DrawingOf(*this);
  if (GetFastMesh(d.materialMesh)) return;
  const int levels = std::min<int>(model->lodCount, CAR_LEVEL_MESHES);
  std::vector<const Material*> materials;
  bool tooMany = false;
  for (int i = 0; i < levels; ++i)
    for (int p = 0; levelMeshes[i] && p < levelMeshes[i]->partCount; ++p) {
      const Material* key = levelMeshes[i]->parts[p].key;
      if (std::find(materials.begin(), materials.end(), key) != materials.end()) continue;
      if (materials.size() < size_t(CAR_MAX_MATERIALS)) materials.push_back(key);
      else tooMany = true;
    }
  if (tooMany && materialWarning) ReportLine(TEXT_TOO_MANY_MATERIALS, REPORT_ERROR);

  d.materialMesh = NewFastMesh();
  FastMesh& material = *GetFastMesh(d.materialMesh);
  if (ReservePrimitiveParts(material, uint32_t(materials.size()), uint32_t(std::max(levels, 1))))
    for (size_t k = 0; k < materials.size(); ++k) {
      material.parts[k].material = materials[k];
      material.parts[k].passBit = materials[k] && materials[k]->drawKind ? 1 : 0;
    }
  d.plainMesh = NewFastMesh();
  FastMesh& plain = *GetFastMesh(d.plainMesh);
  if (ReservePrimitiveParts(plain, 1, 1)) plain.parts[0].material = DefaultPlainMaterial();
  CreateLightMeshes();
  if (!usesSkin) ApplyColourSets();

  const int plainLevel = levels > 1 ? 1 : 0;
  for (int i = 0; i < levels; ++i) {
    const GouraudO3d* level = levelMeshes[i];
    for (int k = 0; k < CAR_LIGHTS; ++k) {
      const CarLight& light = lights[k];
      FastMesh* lightMesh = GetFastMesh(d.lightMeshes[k]);
      if (!lightMesh) continue;
      AddPrimitiveGroup(*lightMesh);
      if (level) AddLightTriangles(*lightMesh, *level, light.material, light, LightVertexColour(light));
    }
    if (!level) {
      AddPrimitiveGroup(material);
      continue;
    }
    FillFastMeshParts(*level, material);
    if (i == 0 && (options2 & OPT2_HEADLIGHT)) {
      headlightPosition = HeadlightFrom(*level, lights[LIGHT_HEAD].slots[0]);
      if (headlightPosition.x == 0 && headlightPosition.y == 0 && headlightPosition.z == 0)
        headlightPosition = HeadlightFrom(*level, lights[LIGHT_HEAD].slots[1]);
      HeadlightColour(vehicleClass, headlightColour);
    }
    if (i == plainLevel) AddPlainFastMeshPart(*level, plain);
  }
  for (FastMeshHandle handle : d.lightMeshes)
    if (FastMesh* lightMesh = GetFastMesh(handle)) BuildPrimitive(*lightMesh, 0);
  BuildPrimitive(material, 0);
  BuildPrimitive(plain, 1);
}
