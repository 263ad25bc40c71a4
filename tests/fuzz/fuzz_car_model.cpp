// fuzz_car_model.cpp - a whole car built from the input through the edit history's memory
// route and its model assembled with graphics off, then dented by the damage nodes the input
// gives: on its physical points and wheel mountings, and on its top level built with a
// made-up material for every page (no device is needed for that); the switch distances and
// the body are built again, the model released and rebuilt.
//
// Input: a configuration byte, a clock style byte, a drive-side byte, a node count byte (at
// most 20 are read), that many 4-byte damage nodes, then the body at version 252.  The car
// must be released with nothing left, whatever the body held.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/fixed_math.h"
#include "core/frame_globals.h"
#include "model/model_meshes.h"
#include "render/gouraud_mesh.h"
#include "render/material.h"
#include "tests/fuzz/fuzz_cars.h"
#include "text/messages.h"
#include "tools/vehicle_gen/sample_vehicles.h"
#include "vehicle/car_load.h"
#include "vehicle/car_model.h"
#include "vehicle_data/vehicle_file.h"

namespace {

#define Require(condition)                                               \
  do {                                                                   \
    if (!(condition)) {                                                  \
      std::fprintf(stderr, "fuzz_car_model: %s failed\n", #condition);   \
      std::abort();                                                      \
    }                                                                    \
  } while (0)

constexpr int HEAD_BYTES = 4;
constexpr int MOST_NODES = 20;

Material g_material{};
Material* AnyPage(const char*, int, int, int, const CutoutMaterial&, int) { return &g_material; }

void Prepare() {
  GraphicsEnabled = 0;
  fuzz_cars::Start("fuzz_car_model", {"engine", "move", "veh"});
  fuzz_cars::ReadSampleHumans();
}

bool Finite(const Vec3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

// Every vertex and subobject position of a level.
std::vector<int32_t> Snapshot(const GouraudO3d& mesh) {
  std::vector<int32_t> out;
  for (int i = 0; i < mesh.pointCount; ++i) out.insert(out.end(), {mesh.points[i].x, mesh.points[i].y, mesh.points[i].z});
  for (int i = 0; i < mesh.childCount; ++i) {
    const IntVector& at = mesh.children[i]->local.translation;
    out.insert(out.end(), {at.x, at.y, at.z});
  }
  return out;
}

// The top level built as the assembly builds it with graphics, each page a made-up material.
void BuildTopLevel(Car& car) {
  GouraudO3d* top = car.levelMeshes[0];
  if (!car.model || !top || car.model->lodCount == 0) return;
  FindSkinTexture = AnyPage;
  const uint32_t mask = CarLayerMask(car);
  const int quiet = ModelMeshConfig.quiet;
  ModelMeshConfig.quiet = 1;
  top->Free();
  AssignMeshTextures(*car.model, CAR_TEXTURE_USAGE, mask);
  BuildModelMeshes(*car.model, nullptr, *top, nullptr, 0, 2, nullptr, nullptr, mask);
  PruneEmptyChildren(*top);
  BuildMeshFromPoints(*top);
  ClearCutoutTextures(*car.model);
  car.model->FreeRenderCaches();
  ModelMeshConfig.quiet = quiet;
  FindSkinTexture = FindPageTextureByName;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = (Prepare(), true);
  (void)ready;
  if (size < HEAD_BYTES) return 0;
  const int nodeCount = std::min<int>(data[3], MOST_NODES);
  const size_t bodyAt = HEAD_BYTES + 4 * size_t(nodeCount);
  if (size <= bodyAt) return 0;
  SetupRecord setup{};
  setup.bytes[SETUP_FLAGS] = 1;
  ColourSet colours{};
  const VehicleLoadArgs args{0, 0, 0, &setup, 0, &colours, 1, {1, 2}, 1, nullptr, 0};
  HistoryVehicleCopy = {data + bodyAt, int64_t(size - bodyAt)};
  NoModPath = KeepUnmirrored = 1;
  Car* car = new Car;
  if (car->LoadVehicle("FuzzCar", args)) {
    car->configIndex = data[0];
    car->clockStyle = data[1];
    car->mirrored = data[2] & 1;
    car->ApplyPendingModelChanges();
    Require(car->builtOnce == 1);
    Require(car->undamagedPointCount == car->pointCount);

    // The nodes on the physical side, each application from the undamaged places.
    for (int n = 0; n < nodeCount; ++n) {
      DamageNode node;
      std::memcpy(&node, data + HEAD_BYTES + 4 * n, sizeof node);
      car->AddDamageNode(node);
      car->RestoreUndamagedPoints();
      ApplyDamageNodesPhysical(*car);
    }
    Require(car->damageNodeCount <= CAR_DAMAGE_NODES);
    for (int i = 0; i < car->pointCount; ++i) Require(Finite(car->points[i].local));
    for (int w = 0; w < std::min<int>(car->wheelCount, CAR_MAX_WHEELS); ++w)
      Require(Finite(car->wheels[w].mount) || !Finite(car->wheels[w].restMount));

    // And on the drawn top level: twice from the copies is once.
    BuildTopLevel(*car);
    FreeUndamagedMeshes(*car);
    car->SaveUndamagedMeshes();
    ApplyDamageNodesGraphical(*car);
    const std::vector<int32_t> once = Snapshot(*car->levelMeshes[0]);
    car->RestoreUndamagedMeshes();
    ApplyDamageNodesGraphical(*car);
    Require(Snapshot(*car->levelMeshes[0]) == once);
    for (int i = 0; i < car->levelMeshes[0]->pointCount; ++i) {
      const GouraudPoint& p = car->levelMeshes[0]->points[i];
      Require(std::isfinite(p.nx) && std::isfinite(p.ny) && std::isfinite(p.nz));
    }

    RemoveCarDamage(*car);
    for (int i = 0; i < car->pointCount; ++i) {
      const Vec3 d = car->points[i].local - car->undamagedPoints[i];
      Require(d.x == 0 && d.y == 0 && d.z == 0);
    }
    car->ApplyPendingModelChanges();  // the repaired meshes
    car->SetLodDistances();
    car->BuildBodyMesh();
    car->ApplyPendingModelChanges();
    car->ReloadModel(1);
    car->ReloadModel(0);
    car->ApplyPendingModelChanges();
  }
  delete car;
  HistoryVehicleCopy = {};
  ResetMessages();
  return 0;
}
