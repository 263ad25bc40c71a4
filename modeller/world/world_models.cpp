// world_models.cpp - the world's model services over the editable model.
#include "modeller/world/world_models.h"

#include <cmath>
#include <new>
#include <strings.h>

#include "core/gamma_tables.h"
#include "model/model_meshes.h"
#include "model/pregen_model.h"
#include "modeller/world/layout_properties.h"
#include "render/gouraud_mesh.h"
#include "render/object_mesh.h"
#include "world/built_mesh.h"
#include "world/pot.h"
#include "world/pre_gen.h"
#include "world/world.h"

namespace {

ModelObject& Model(void* model) { return *static_cast<ModelObject*>(model); }

uint32_t ColourWordOf(const GouraudColour* c) {
  if (!c) return 0xFFFFFFu;
  return uint32_t(BrightnessTable[c->red]) << 16 | uint32_t(BrightnessTable[c->green]) << 8 | BrightnessTable[c->blue];
}

constexpr int WORLD_TEXTURE_USAGE = 3;  // the binding mode of the world's objects

int EntryOfIndex(int objectIndex, PreGenEntryView& view) {
  view = {};
  if (!CWld || !CWld->preGen || objectIndex < 0 || objectIndex >= CWld->preGenCapacity) return 0;
  const PreGenModel& e = CWld->preGen[objectIndex];
  view.entry = &e;
  view.sourceKind = e.kind;
  view.surfaceKind = e.surfaceKind;
  view.flags = e.flags;
  view.boxSize = e.boxSize;
  view.scale = std::isfinite(e.scale) ? e.scale : 1.0f;
  view.stiffness = e.physics[0];
  view.grip = e.physics[1];
  view.damping = e.physics[2];
  view.mass = e.physics[3];
  view.physicsFlags = e.physicsFlags;
  view.physicsKind = e.physicsKind;
  view.pitStopByte = e.pitStopByte;
  view.model = e.GetModelObject();
  view.pot = e.kind == PREGEN_POT ? e.pot : nullptr;
  return 1;
}

// Visits every mapping of the model, then of its subobjects in turn.
template <typename Visit>
void EachMapping(ModelObject& o, Visit&& visit) {
  for (int i = 0; i < o.mappingCount; ++i) visit(o.mappings[i]);
  for (int c = 0; c < o.childCount; ++c) EachMapping(o.children[c], visit);
}

}  // namespace

int BuildModelLevelIntoBuiltMesh(ModelObject& model, const FixedTransform& transform, BuiltMesh& mesh, int lod) {
  mesh.Free();
  GouraudO3d level;
  level.Init();
  const int result = BuildModelLodMesh(model, nullptr, level, transform, lod);
  const int points = level.pointCount > 0 ? level.pointCount : 0;
  const int triangles = level.triangleCount > 0 ? level.triangleCount : 0;
  const int parts = level.partCount > 0 ? level.partCount : 0;
  mesh.points = new BuiltPoint[points + 1]();
  mesh.triangles = new BuiltTriangle[triangles + 1]();
  mesh.parts = new BuiltPart[parts + 1]();
  for (int i = 0; i < points; ++i) {
    const GouraudPoint& p = level.points[i];
    BuiltPoint& out = mesh.points[i];
    out.position[0] = p.x;
    out.position[1] = p.y;
    out.position[2] = p.z;
    out.normal[0] = p.nx;
    out.normal[1] = p.ny;
    out.normal[2] = p.nz;
    out.shade = 255;
    out.colour = ColourWordOf(p.colour);
    out.packedLight = 0;
    out.u = p.u;
    out.v = p.v;
  }
  for (int t = 0; t < triangles; ++t) {
    const GouraudTriangle& tri = level.triangles[t];
    mesh.triangles[t] = {{tri.index[0], tri.index[1], tri.index[2]}, tri.value};
  }
  for (int k = 0; k < parts; ++k) {
    const GouraudPart& part = level.parts[k];
    mesh.parts[k] = {0, const_cast<Material*>(part.key), part.pointCount, part.triangleCount};
  }
  mesh.pointCount = points;
  mesh.triangleCount = triangles;
  mesh.partCount = parts;
  level.Free();
  return result;
}

void InstallWorldModelServices() {
  PreGenPots.Read = [](DataFile& file, int version) -> Pot* {
    Pot* pot = new Pot();
    if (ReadPot(*pot, file, version)) return pot;
    delete pot;
    return nullptr;
  };
  PreGenPots.Delete = [](Pot* pot) {
    pot->Free();
    delete pot;
  };
  WorldModelServices s = {};
  s.EntryAt = [](int index) -> const PreGenModel* {
    if (!CWld || !CWld->preGen || index < 0 || index >= CWld->preGenCapacity) return nullptr;
    return &CWld->preGen[index];
  };
  s.ModelOf = [](const PreGenModel& entry) -> void* { return entry.GetModelObject(); };
  s.NumberedCutoutCount = [](const PreGenModel& entry) { return int(entry.highestCutout); };
  s.HasColourChoices = [](void* model) { return int(Model(model).colourChoiceCount != 0); };
  s.ApplyColourChoice = [](void* model, int choice) { Model(model).ApplyColourChoice(choice); };
  s.SelectNumberedCutouts = [](void* model, int number) { Model(model).SelectNumberedCutouts(number); };
  s.SetCutoutPreset = [](void* model, int state) { Model(model).SetCutoutPreset(state); };
  s.SetAllMappingColours = [](void* model, uint32_t colour) { Model(model).SetAllMappingColours(colour); };
  s.ModelName = [](void* model) -> const char* { return Model(model).name; };
  s.BuildLevelMesh = [](void* model, const FixedTransform& transform, BuiltMesh& mesh) {
    return BuildModelLevelIntoBuiltMesh(Model(model), transform, mesh);
  };
  s.EntryScale = [](const PreGenModel& entry) { return entry.scale; };
  s.ModelOffset = [](void* model, IntVector& offset) {
    const ModelObject& m = Model(model);
    offset = {m.offset[0], m.offset[1], m.offset[2]};
  };
  s.ApplyLayoutProperties = [](void* model, int index, int variant, int removing) {
    return SetObjectTypeProperties(Model(model), index, variant, removing);
  };
  s.EntryOf = EntryOfIndex;
  s.ModelBounds = [](void* model, IntVector& centre, int32_t& radius, int32_t& lowestZ, int32_t& highestZ) {
    ModelObject& m = Model(model);
    if (m.childCount > 0)
      m.GetBoundingSphereAll(&centre, &radius, &lowestZ, &highestZ);
    else
      m.GetBoundingSphere(&centre, &radius, &lowestZ, &highestZ);
  };
  s.ModelPartSpheres = [](void* model, ModelSphere& own, ModelSphere* parts, int room) {
    ModelObject& m = Model(model);
    own = {};
    m.GetBoundingSphere(&own.centre, &own.radius, nullptr, nullptr);
    for (int c = 0; c < m.childCount && c < room; ++c) {
      ModelObject& child = m.children[c];
      ModelSphere& part = parts[c];
      part = {};
      child.GetBoundingSphere(&part.centre, &part.radius, nullptr, nullptr);
      part.centre = {int32_t(int64_t(part.centre.x) + child.offset[0]), int32_t(int64_t(part.centre.y) + child.offset[1]),
                     int32_t(int64_t(part.centre.z) + child.offset[2])};
      part.mirrored = (child.options & OPTION_MIRRORED_TWIN) ? 1 : 0;
    }
    return int(m.childCount);
  };
  s.ModelLevels = [](void* model, int32_t* distances, int room) {
    const ModelObject& m = Model(model);
    for (int i = 0; i < room && i < m.lodCount && i < MAX_LOD_COUNT; ++i) distances[i] = m.lodDistances[i];
    return int(m.lodCount);
  };
  s.BuildLodMesh = [](void* model, const FixedTransform& transform, int lod, BuiltMesh& mesh) {
    AssignMeshTextures(Model(model), WORLD_TEXTURE_USAGE, ~0u);
    return BuildModelLevelIntoBuiltMesh(Model(model), transform, mesh, lod);
  };
  s.MaterialsNamed = [](void* model, const char* name, Material** out, int room) {
    const ModelObject& m = Model(model);
    int n = 0;
    for (int i = 0; i < m.mappingCount && n < room; ++i) {
      const ModelMapping& mapping = m.mappings[i];
      const int cutout = mapping.cutout[0];
      if (strncasecmp(mapping.name, name, CUTOUT_NAME_SIZE) != 0 || cutout >= m.cutoutCount) continue;
      if (Material* material = m.cutouts[cutout].texture) out[n++] = material;
    }
    return n;
  };
  s.BuildFlatMesh = [](void* model, Obj3d& mesh, int lod) {
    BuildModelObj3d(Model(model), mesh, nullptr, nullptr, lod, 1, nullptr, ~0u);
  };
  s.EntryBoxSize = [](const PreGenModel& entry) { return int(entry.boxSize); };
  s.ModelIsSeeThrough = [](void* model) { return int((Model(model).options & OPTION_OVERLAY) != 0); };
  s.RecordMappings = [](void* model, MappingState* out, int room) {
    int n = 0;
    EachMapping(Model(model), [&](const ModelMapping& m) {
      if (out && n < room) out[n] = {m.colour, {m.cutout[0], m.cutout[1]}};
      ++n;
    });
    return n;
  };
  s.RestoreMappings = [](void* model, const MappingState* states, int count) {
    int n = 0;
    EachMapping(Model(model), [&](ModelMapping& m) {
      if (n < count) {
        m.colour = states[n].colour;
        m.cutout[0] = states[n].cutout[0];
        m.cutout[1] = states[n].cutout[1];
      }
      ++n;
    });
  };
  s.AssignTextures = [](void* model) { AssignMeshTextures(Model(model), WORLD_TEXTURE_USAGE, ~0u); };
  s.BuildDrawMesh = [](void* model, GouraudO3d& mesh) {
    AssignMeshTextures(Model(model), WORLD_TEXTURE_USAGE, ~0u);
    BuildModelMeshes(Model(model), nullptr, mesh, nullptr, 0, 1, nullptr, nullptr, ~0u);
  };
  s.NewModelTable = [](int count) -> PreGenModel* { return new (std::nothrow) PreGenModel[size_t(count)](); };
  s.FreeModelTable = [](PreGenModel* table, int count) {
    for (int i = 0; i < count; ++i) table[i].Free();
    delete[] table;
  };
  s.ReadModelEntry = [](PreGenModel* table, int index, DataFile& file, int version) {
    return int(table[index].Read(file, version) == 1);
  };
  s.LoadLayoutModels = [](PreGenModel* first) { return LoadLayoutObjectModels(first); };
  s.FreeModelCaches = [](PreGenModel* table, int count) {
    for (int i = 0; i < count; ++i)
      if (ModelObject* model = table[i].GetModelObject()) model->FreeRenderCaches();
  };
  WorldModels = s;
}
