// car_wheel_meshes.cpp - the car's wheel meshes (Car::BuildMeshes of physics/car.h): the rim
// colours on the rim profile and the spoke, each wheel set's profile, spoke mesh and rim mesh,
// and each wheel's tyre proxy.
#include <cstdio>
#include <cstdlib>

#include "core/frame_globals.h"
#include "core/report.h"
#include "model/model_meshes.h"
#include "render/gouraud_mesh.h"
#include "vehicle/car_drawing.h"
#include "vehicle/car_model.h"
#include "vehicle/car_skins.h"
#include "vehicle/wheel_meshes.h"
#include "vehicle/wheel_profile.h"
#include "vehicle_data/rim_profile.h"
#include "vehicle_data/vehicle_class.h"

namespace {

constexpr int TEXT_SIZE = 160;
constexpr uint32_t ALL_LAYERS = 0xFFFFFFFFu;

void TakeRimColours(Car& car) {
  ColourWord rimColours[COLOUR_SET_GROUP_SIZE];
  for (int i = 0; i < COLOUR_SET_GROUP_SIZE; ++i) rimColours[i] = car.currentColours.groups[1][i];
  ScaleColours4(rimColours);  // each channel x 1.275, held at 255
  if (car.rim) ColourMappings(car.rim->mappings, car.rim->mappingCount, rimColours);
  ColourMappings(car.spoke.mappings, car.spoke.mappingCount, rimColours);
}

GouraudO3d* NewMesh() {
  GouraudO3d* mesh = new GouraudO3d;
  mesh->Init();
  return mesh;
}

// Once after each release: the rim colours on the rim profile's and the spoke's mappings, each
// set's profile (a cut one told, naming the set), the spokes repeated by the spoke count, and
// each set's spoke mesh and rim mesh; the spoke model keeps its single spoke afterwards.
void BuildWheelSetMeshes(Car& car) {
  car.wheelMeshesBuilt = 1;
  TakeRimColours(car);
  const RimProfileFlags flags = CarRimProfileFlags(car);
  for (int s = 0; s < CAR_WHEEL_SETS; ++s) {
    const int cut = BuildRimProfile(car.wheelSets[s], car.rim, flags);
    if (cut < 0) continue;
    char text[TEXT_SIZE];
    std::snprintf(text, sizeof text, TEXT_RIM_PROFILE_CUT, s == 0 ? "rear" : "front", cut);
    ReportLine(text, REPORT_ERROR);
  }
  if (car.usesSkin) SkinContextCar = &car;
  ModelObject& spoke = car.spoke;
  const bool spokes = spoke.triangleCount > 0 && spoke.triangles;
  KeptGeometry kept{};
  if (spokes && car.spokeCount >= 2) spoke.RepeatGeometry(car.spokeCount, kept);
  if (!car.wheelMeshWork)
    car.wheelMeshWork =
        static_cast<GouraudColour*>(std::calloc(size_t(CAR_WHEEL_SETS) * PROFILE_POINTS, sizeof(GouraudColour)));
  const CutoutMaterial rimMaterial{};
  for (int s = 0; s < CAR_WHEEL_SETS; ++s) {
    SuspensionBlock& set = car.wheelSets[s];
    if (spokes) {
      GouraudO3d* mesh = NewMesh();
      AssignMeshTextures(spoke, CAR_TEXTURE_USAGE, ALL_LAYERS);
      BuildModelMeshes(spoke, nullptr, *mesh, nullptr, 0, 1, nullptr, nullptr, ALL_LAYERS);
      spoke.FreeRenderCaches();
      set.spokeMesh = mesh;
    }
    GouraudO3d* mesh = NewMesh();
    const Material* material = FindSkinTexture(DEFAULT_RIM_TEXTURE, CAR_TEXTURE_USAGE, 0, 1, rimMaterial, 0);
    GouraudColour* colours = car.wheelMeshWork ? car.wheelMeshWork + s * PROFILE_POINTS : nullptr;
    if (colours) ProfileColours(set.profile, colours);
    BuildLatheMesh(set.profile, colours, *mesh, RIM_SEGMENTS, nullptr, 1.0f, material);
    if (set.boundingRadius > 0) mesh->radius = set.boundingRadius;
    set.rimMesh = mesh;
  }
  spoke.RestoreRepeatedGeometry(kept);
  spoke.FreeRenderCaches();  // the caches were made from the repeated spokes
  SkinContextCar = nullptr;
}

}  // namespace

RimProfileFlags CarRimProfileFlags(const Car& car) {
  return RimProfileFlags{car.vehicleClass == CLASS_BIKE ? 1 : 0, (car.options & TREAD_TEXTURE_OPTION) ? 1 : 0,
                         (car.options2 & RIM_SHADING_OPTION2) ? 1 : 0};
}

void Car::BuildMeshes() {
  if (!GraphicsEnabled || !model) return;
  InstallCarModelRelease();
  if (!wheelMeshesBuilt) BuildWheelSetMeshes(*this);
  // Each wheel's proxy of its set; made again when the car's fast meshes were freed.
  const int wheelTotal = wheelCount < 0 ? 0 : wheelCount > CAR_MAX_WHEELS ? CAR_MAX_WHEELS : wheelCount;
  CarDrawing& d = DrawingOf(*this);
  for (int w = 0; w < wheelTotal; ++w)
    if (!GetFastMesh(d.wheelFastMeshes[w]))
      d.wheelFastMeshes[w] = BuildTyreProxyMesh(wheelSets[wheels[w].wheelSet < CAR_WHEEL_SETS ? wheels[w].wheelSet : 0]);
}
