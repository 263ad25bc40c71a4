// world_models.cpp - the world's model services over the editable model.
#include "modeller/world_models.h"

#include "core/gamma_tables.h"
#include "modeller/model/model_meshes.h"
#include "modeller/model/pregen_model.h"
#include "render/gouraud_mesh.h"
#include "world/built_mesh.h"
#include "world/pre_gen.h"
#include "world/world.h"

namespace {

ModelObject& Model(void* model) { return *static_cast<ModelObject*>(model); }

uint32_t ColourWordOf(const GouraudColour* c) {
  if (!c) return 0xFFFFFFu;
  return uint32_t(BrightnessTable[c->red]) << 16 | uint32_t(BrightnessTable[c->green]) << 8 | BrightnessTable[c->blue];
}

}  // namespace

int BuildModelLevelIntoBuiltMesh(ModelObject& model, const FixedTransform& transform, BuiltMesh& mesh) {
  mesh.Free();
  GouraudO3d level;
  level.Init();
  const int result = BuildModelLodMesh(model, nullptr, level, transform, 0);
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
  s.EntryScale = [](const PreGenModel& entry) { return entry.firstValue; };
  s.ModelOffset = [](void* model, IntVector& offset) {
    const ModelObject& m = Model(model);
    offset = {m.offset[0], m.offset[1], m.offset[2]};
  };
  // The layout type properties (models 172 to 179) come with the layout objects.
  s.ApplyLayoutProperties = nullptr;
  s.EntryBoxSize = [](const PreGenModel& entry) { return int(entry.fourth); };
  s.ModelIsSeeThrough = [](void* model) { return int((Model(model).options & OPTION_OVERLAY) != 0); };
  WorldModels = s;
}
