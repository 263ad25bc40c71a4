// car_model.cpp - the car's model assembly: the rebuild request and its taking, the build
// with its first-build checks, the level meshes of the configuration, the wheel subobjects,
// the switch distances, the physical body, the dashboard texture, and release and reload.
#include "vehicle/car_model.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/frame_globals.h"
#include "core/report.h"
#include "model/model_meshes.h"
#include "render/gouraud_mesh.h"
#include "render/object_mesh.h"
#include "render/system_textures.h"
#include "render/texture_names.h"
#include "render/texture_table.h"
#include "text/language.h"
#include "vehicle/car_animations.h"
#include "vehicle/car_drawing.h"
#include "vehicle/car_skins.h"
#include "world/placed_object.h"

int CarRebuildAll = 0;
int (*TakeCarPlateSlot)(Car& car) = nullptr;
static_assert(CLOCK_STYLES == CLOCK_TEXTURE_NAME_COUNT + 1, "a clock style for each clock name");

namespace {

constexpr int TEXT_SIZE = 160;
constexpr int SKIN_JOINED_SIZE = 48;

GouraudO3d* AsGouraud(DrawMesh* mesh) { return mesh && mesh->IsGouraud() ? static_cast<GouraudO3d*>(mesh) : nullptr; }

int LevelCount(const Car& car) { return car.model ? std::min<int>(car.model->lodCount, CAR_LEVEL_MESHES) : 0; }

void Say(const char* text, ReportColour colour) { ReportLine(text, colour); }

// "%d subobject%s ..." with the "s" left out for one.
void SayCount(const char* format, int count) {
  if (count == 0) return;
  char text[TEXT_SIZE];
  std::snprintf(text, sizeof text, format, count, count == 1 ? "" : "s");
  Say(text, REPORT_MESSAGE);
}

// Whether the object has a triangle of level 0 on a layer of the mask.
bool HasLevelZeroTriangle(const ModelObject& o, uint32_t layerMask) {
  for (int t = 0; t < o.triangleCount && o.triangles; ++t)
    if (o.triangles[t].lod == 0 && (layerMask >> (o.triangles[t].layer & 31) & 1)) return true;
  return false;
}

// The first build's warnings about the model's subobjects: those marked as main object, and
// those that give the top level nothing (no triangles, and not a wing, undertray or aero
// centre, which stand as positions).  A mirrored twin counts twice, as it is built twice.
void ReportSubobjectChecks(const ModelObject& model, uint32_t layerMask) {
  int mainObjects = 0, empty = 0;
  for (int i = 0; i < model.childCount && model.children; ++i) {
    const ModelObject& sub = model.children[i];
    const int copies = sub.options & OPTION_MIRRORED_TWIN ? 2 : 1;
    if (sub.type == SUBOBJECT_MAIN) mainObjects += copies;
    if ((sub.type < SUBOBJECT_REAR_WING || sub.type > SUBOBJECT_AERO_CENTRE) && !HasLevelZeroTriangle(sub, layerMask))
      empty += copies;
  }
  SayCount(TEXT_MAIN_OBJECT_SUBS, mainObjects);
  SayCount(TEXT_EMPTY_SUBS, empty);
}

// The car's hull from the collision mesh of its lowest level.
void FreeTreeFastMeshes(GouraudO3d& mesh) {
  FreeFastMesh(mesh.fastMesh);
  for (int i = 0; i < mesh.childCount; ++i)
    if (GouraudO3d* child = AsGouraud(mesh.children[i])) FreeTreeFastMeshes(*child);
}

void ReturnPlateSlot(Car& car) {
  std::lock_guard<std::mutex> lock(PlateLock);
  if (car.plateSlot >= 0 && car.plateSlot < PLATE_SLOTS && PlateSlotUses[car.plateSlot] > 0)
    --PlateSlotUses[car.plateSlot];
  car.plateSlot = -1;
}

// Under CarLock, then PlateLock: a slot when the car has none and the plates exist.
void TakePlateSlot(Car& car) {
  InstallCarModelRelease();
  std::lock_guard<std::recursive_mutex> carLock(CarLock);
  if (car.plateSlot != -1 || !TakeCarPlateSlot) return;
  std::lock_guard<std::mutex> plateLock(PlateLock);
  car.plateSlot = TakeCarPlateSlot(car);
}

Material* NoTexture(const char*, int, int, int, const CutoutMaterial&, int) { return nullptr; }

void ReleaseModelObjectsHook(Car& car) { car.ReleaseModelObjects(); }
// A car going away: everything the vehicle model made for drawing it.
void ReleaseMeshesHook(Car& car) {
  car.ReleaseMeshes();
  for (GouraudO3d*& mesh : car.levelMeshes) {
    DeleteDrawMesh(mesh);
    mesh = nullptr;
  }
  ReleaseDrawing(car);
  ReturnPlateSlot(car);
}

}  // namespace

uint32_t CarLayerMask(const Car& car) {
  if (car.configCount <= 0 || car.configIndex >= car.configCount || car.configIndex >= VEHICLE_MAX_CONFIGS)
    return 0xFFFFFFFFu;
  return car.configs[car.configIndex].layerMask;
}

int WheelSubobjectSlot(uint8_t type) {
  switch (type) {
    case SUBOBJECT_BRAKE: return WHEEL_SUB_BRAKE;
    case SUBOBJECT_TRAILING_ARM: return WHEEL_SUB_TRAILING_ARM;
    case SUBOBJECT_MUDGUARD: return WHEEL_SUB_MUDGUARD;
    case SUBOBJECT_HANDLEBAR: return WHEEL_SUB_HANDLEBAR;
    case SUBOBJECT_HUB: return WHEEL_SUB_HUB;
    default: return -1;
  }
}

// ---- posting and taking ----

void Car::RequestModelRebuild(uint32_t kind) {
  std::lock_guard<std::recursive_mutex> lock(CarLock);
  modelRebuild = kind;
}

void Car::ApplyPendingModelChanges() {
  uint32_t rebuild;
  {
    std::lock_guard<std::recursive_mutex> lock(CarLock);
    rebuild = modelRebuild;
    modelRebuild = 0;
  }
  if (rebuild) {
    if (!modelInEditor) {
      const int rebuildAll = CarRebuildAll;
      if (rebuild == 2) CarRebuildAll = 1;
      ReleaseModelObjects();
      BuildModel();
      CarRebuildAll = rebuildAll;
    }
    CreateTyreBuffers();
  } else {
    uint32_t drawn;
    bool changed;
    {
      std::lock_guard<std::recursive_mutex> lock(CarLock);
      drawn = graphicalDamageVersion;
      changed = drawn != physicalDamageVersion;
    }
    if (changed) {
      if (drawn != 0) RestoreUndamagedMeshes();
      ApplyDamageNodesGraphical(*this);
      FreeFastMeshes();
    }
  }
  uint32_t helmet;
  {
    std::lock_guard<std::recursive_mutex> lock(CarLock);
    helmet = helmetSkinChange;
    helmetSkinChange = 0;
  }
  if (helmet) ChooseSkinTexture(helmetTexture, helmetName, helmetColour);
  if (!drawing || !GetFastMesh(drawing->materialMesh)) BuildGpuMeshes();
}

// ---- the build ----

void Car::BuildModel() {
  TakePlateSlot(*this);
  const int fetch = CheckSkin();
  if (!builtOnce && GraphicsEnabled && fetch && skinName[0]) {
    if (!QueueSkinDownload(shortName, skinName, SkinService.downloadSetting == SKIN_DOWNLOAD_Y_FIRST, 0) &&
        !ModelMeshConfig.quiet) {
      char text[TEXT_SIZE];
      std::snprintf(text, sizeof text, TEXT_SKIN_NOT_QUEUED, LanguageTexts[TX_3a_noloadsk], shortName, skinName);
      Say(text, REPORT_ERROR);
    }
  }
  AssembleModel();
  CarSkinState = SKIN_STATE_BUILT;
  if (!builtOnce && !ModelMeshConfig.quiet && model) ReportSubobjectChecks(*model, CarLayerMask(*this));
  builtOnce = 1;
  if (IsLocalCar()) CarModelRebuilt = 1;  // this frame's work: local cars wait a frame
}

void Car::AssembleModel() {
  if (!model) return;
  if (configIndex >= std::max<int>(configCount, 1)) configIndex = 0;
  if (GraphicsEnabled) {
    if (skinName[0]) JoinUnderscoreName(EditorSkinName, EDITOR_SKIN_NAME_SIZE, shortName, skinName);
    static_assert(EDITOR_SKIN_NAME_SIZE == CAR_SKIN_TEXTURE_SIZE, "the skin bound is the editor skin name");
    std::memcpy(skinTexture, EditorSkinName, CAR_SKIN_TEXTURE_SIZE);
    ApplyColourSets();
  }
  ClearSubobjectMarks();
  MergeSubs();
  if (!IsBatchRun()) {
    SaveUndamagedMeshes();
    ApplyDamageNodesGraphical(*this);  // and the mirrors measured
  }
  if (GraphicsEnabled) FindLights();
  std::memset(EditorSkinName, 0, EDITOR_SKIN_NAME_SIZE);
}

void Car::MergeSubs() {
  ClearSubobjectMarks();
  const uint32_t layerMask = CarLayerMask(*this);
  for (GouraudO3d* mesh : levelMeshes)
    if (mesh) mesh->Free();
  FreeUndamagedMeshes(*this);  // copies of the meshes just freed
  largestMeshRadius = 0;
  if (!model) return;
  if (clockStyle >= 1 && clockStyle < CLOCK_STYLES) model->RenameClockTextures(CLOCK_TEXTURE_NAMES[clockStyle - 1]);
  if (usesSkin) SkinContextCar = this;
  if (EditorSkinName[0]) {
    SkinName parsed;
    if (ParseSkinName(parsed, EditorSkinName) && HasTextureName(parsed.skin)) SkinContextEditorSkin = this;
  }
  if (mirrored) model->FlipMarkedTriangles();
  // A mod's pages are its own textures ("mods\vehicles\<name>\dds"), asked for while its
  // meshes are built.
  char savedModName[TEXTURE_NAME_SIZE];
  std::memcpy(savedModName, TextureConfig.textureModName, TEXTURE_NAME_SIZE);
  std::memset(TextureConfig.textureModName, 0, TEXTURE_NAME_SIZE);
  if (isMod) std::snprintf(TextureConfig.textureModName, TEXTURE_NAME_SIZE, "%s", vehicleName);
  const int quiet = ModelMeshConfig.quiet;
  const FindSkinTextureHook lookUp = FindSkinTexture;
  if (GraphicsEnabled) {
    ModelMeshConfig.plateSlot = plateSlot;
    AssignMeshTextures(*model, CAR_TEXTURE_USAGE, layerMask);
  } else {
    // Nothing is bound without graphics, the subobjects' pages not even looked up: the
    // levels come out empty (but for the positions kept), and say nothing of it.
    ClearCutoutTextures(*model);
    FindSkinTexture = NoTexture;
    ModelMeshConfig.quiet = 1;
  }
  for (int i = 0; i < LevelCount(*this); ++i) {
    GouraudO3d* mesh = levelMeshes[i];
    if (!mesh) continue;
    BuildModelMeshes(*model, nullptr, *mesh, nullptr, i, i == 0 ? 2 : 0, nullptr, nullptr, layerMask);
    PruneEmptyChildren(*mesh);
    if (const char* error = BuildMeshFromPoints(*mesh)) {
      char text[TEXT_SIZE];
      std::snprintf(text, sizeof text, TEXT_MERGE_SUBS, shortName, error);
      Say(text, REPORT_MESSAGE);
    }
    mesh->CalcRadius();
    largestMeshRadius = std::max(largestMeshRadius, mesh->radius);
  }
  ModelMeshConfig.quiet = quiet;
  FindSkinTexture = lookUp;
  std::memcpy(TextureConfig.textureModName, savedModName, TEXTURE_NAME_SIZE);
  ModelMeshConfig.plateSlot = -1;
  if (mirrored) model->FlipMarkedTriangles();
  model->FreeRenderCaches();
  if (!IsBatchRun()) {
    AttachWheelSubobjects();
    LoadDashboardTexture();
    if (GraphicsEnabled && levelMeshes[0])
      for (int i = 0; i < levelMeshes[0]->childCount; ++i) {
        GouraudO3d* sub = AsGouraud(levelMeshes[0]->children[i]);
        if (sub && sub->type == SUBOBJECT_INTERNAL_MIRROR) CentreMirrorSubobject(*sub);
      }
  }
  SkinContextCar = nullptr;
  SkinContextEditorSkin = nullptr;
}

void Car::ClearSubobjectMarks() { std::memset(wheelSubobjects, 0, sizeof wheelSubobjects); }

void Car::AttachWheelSubobjects() {
  GouraudO3d* top = levelMeshes[0];
  if (!top) return;
  const int wheelTotal = std::clamp<int>(wheelCount, 0, CAR_MAX_WHEELS);
  for (int i = 0; i < top->childCount; ++i) {
    DrawMesh* sub = top->children[i];
    const int slot = WheelSubobjectSlot(sub->type);
    if (slot < 0) continue;
    const int32_t x = sub->local.translation.x;
    const int side = x < 0 ? -1 : x > 0 ? 1 : 0;
    const bool front = sub->local.translation.y >= 1;
    int wheel = -1;
    for (int w = 0; w < wheelTotal; ++w) {
      const Vec3& p = wheelPositions[w];
      const int wheelSide = p.x > WHEEL_SIDE_LIMIT ? 1 : p.x < -WHEEL_SIDE_LIMIT ? -1 : 0;
      if (wheelSide == side && (p.y > 0.0f) == front) wheel = w;  // the last one in wheel order
    }
    if (wheel >= 0) {
      wheelSubobjects[wheel][slot] = sub;
      continue;
    }
    char text[TEXT_SIZE];
    std::snprintf(text, sizeof text, TEXT_NO_WHEEL, front ? "front" : "rear",
                  side < 0 ? "left" : side > 0 ? "right" : "central", SUBOBJECT_TYPE_NAMES[sub->type]);
    Say(text, REPORT_MESSAGE);
  }
}

void Car::SetLodDistances() {
  if (!model) return;
  ReleaseModelObjects();
  std::free(undamagedPoints);
  undamagedPoints = nullptr;
  undamagedPointCount = 0;
  const int levels = model->lodCount;
  if (levels >= 1 && levels <= 3) {
    for (int i = 0; i < levels; ++i) model->lodDistances[i] = LOD_DISTANCES[levels - 1][i];
  } else if (levels != 0 && !ModelMeshConfig.quiet) {
    Say(TEXT_LOD_TOO_MANY, REPORT_ERROR);  // the distances stay
  }
  FreeContacts();
}

void Car::BuildBodyMesh() {
  RequestModelRebuild(1);
  if (!model || model->lodCount == 0) return;
  Obj3d* body = new Obj3d();
  body->Init();
  BuildModelObj3d(*model, *body, nullptr, nullptr, model->lodCount - 1, 0, nullptr, CarLayerMask(*this));
  body->word = BODY_MESH_BUILD_KIND;
  CollisionMesh hull{};
  physicsCheck = CheckPhysicsMesh(*body, hull, wheelCount == 0);
  if (!physicsCheck) TakeCollisionHull(*this, hull);  // otherwise the car keeps the points it has
  FreeCollisionMesh(hull);
  DeleteDrawMesh(body);
  UpdateExtents();
  std::free(undamagedPoints);
  undamagedPoints = nullptr;
  undamagedPointCount = 0;
  if (pointCount == 0) return;
  undamagedPoints = static_cast<Vec3*>(std::malloc(sizeof(Vec3) * pointCount));
  if (!undamagedPoints) return;
  for (int i = 0; i < pointCount; ++i) undamagedPoints[i] = points[i].local;
  undamagedPointCount = pointCount;
}

const TexturePage* Car::FindDashboardMaterial() const {
  if (!model) return nullptr;
  for (int i = 0; i < model->pageCount && model->pages; ++i)
    if (model->pages[i].type == PAGE_DASH) return &model->pages[i];
  return nullptr;
}

void Car::LoadDashboardTexture() {
  dashboardTexture = nullptr;
  const TexturePage* page = FindDashboardMaterial();
  if (!page || !page->name[0]) return;  // only the first dashboard page counts
  char name[MODEL_NAME_SIZE + 1] = {};
  std::memcpy(name, page->name, MODEL_NAME_SIZE);
  // Read now rather than deferred, so that a missing file is known at once.
  const int loadNow = TextureConfig.loadNow;
  TextureConfig.loadNow = 1;
  ZKTETexture* texture = IsSafeFileName(name) ? GetTexture(name, CAR_TEXTURE_USAGE) : nullptr;
  TextureConfig.loadNow = loadNow;
  if (texture && texture->state != TEXTURE_MISSING) {
    dashboardTexture = texture;
    return;
  }
  char text[TEXT_SIZE];
  std::snprintf(text, sizeof text, "%s %s", TEXT_NO_DASH_TEXTURE, name);
  Say(text, REPORT_ERROR);
}

// ---- release and reload ----

void Car::FreeFastMeshes() {
  if (drawing) {
    FreeFastMesh(drawing->materialMesh);
    FreeFastMesh(drawing->plainMesh);
    for (FastMeshHandle& mesh : drawing->lightMeshes) FreeFastMesh(mesh);
    for (FastMeshHandle& mesh : drawing->wheelFastMeshes) FreeFastMesh(mesh);
  }
  for (GouraudO3d* mesh : levelMeshes)
    if (mesh) FreeTreeFastMeshes(*mesh);
  for (SuspensionBlock& set : wheelSets)
    for (DrawMesh* mesh : {set.spokeMesh, set.rimMesh})
      if (GouraudO3d* gouraud = AsGouraud(mesh)) FreeTreeFastMeshes(*gouraud);
}

void Car::ReleaseMeshes() {
  wheelMeshesBuilt = 0;
  for (SuspensionBlock& set : wheelSets) {
    DeleteDrawMesh(set.spokeMesh);
    DeleteDrawMesh(set.rimMesh);
    set.spokeMesh = set.rimMesh = nullptr;
  }
  if (drawing)
    for (FastMeshHandle& mesh : drawing->wheelFastMeshes) FreeFastMesh(mesh);
}

void Car::ReleaseModelObjects() {
  FreeFastMeshes();
  for (GouraudO3d* mesh : levelMeshes)
    if (mesh) mesh->Free();
  ClearSubobjectMarks();
  FreeUndamagedMeshes(*this);
}

void Car::ReloadModel(int keepDetached) {
  // The graphics objects went with the device (or are about to): the handles are only
  // forgotten, and the meshes that name its materials are released.
  if (drawing) {
    drawing->materialMesh = drawing->plainMesh = FastMeshHandle{};
    for (FastMeshHandle& mesh : drawing->lightMeshes) mesh = FastMeshHandle{};
    for (FastMeshHandle& mesh : drawing->wheelFastMeshes) mesh = FastMeshHandle{};
  }
  for (CarLight& light : lights) light.material = nullptr;
  dashboardTexture = nullptr;
  helmetTexture = nullptr;
  for (GouraudO3d* mesh : levelMeshes)
    if (mesh) GouraudO3d::ForgetFastMeshes(*mesh);
  for (SuspensionBlock& set : wheelSets)
    for (DrawMesh* mesh : {set.spokeMesh, set.rimMesh})
      if (GouraudO3d* gouraud = AsGouraud(mesh)) GouraudO3d::ForgetFastMeshes(*gouraud);
  ReleaseMeshes();
  ReleaseModelObjects();
  if (drawing)
    for (CircularVBuffer& buffer : drawing->tyreBuffers) buffer.Close();
  ReturnPlateSlot(*this);
  FreeAnimations();
  if (keepDetached) return;
  RequestModelRebuild(1);
  {
    std::lock_guard<std::recursive_mutex> lock(CarLock);
    helmetSkinChange = 1;
  }
  LoadAnimations();
  TakePlateSlot(*this);
}

void Car::CreateTyreBuffers() {
  InstallCarModelRelease();
  CircularVBuffer* buffers = DrawingOf(*this).tyreBuffers;
  if (buffers[0].vertexCapacity == 0) buffers[0].InitBufOnFirstUse(1, 1, 2170, 2700);
  if (buffers[1].vertexCapacity == 0) buffers[1].InitBufOnFirstUse(1, 1, 620, 600);
}

// Installed here: a car given model objects releases them through these.
void InstallCarModelRelease() {
  CarRelease.releaseModelObjects = ReleaseModelObjectsHook;
  CarRelease.releaseMeshes = ReleaseMeshesHook;
}
