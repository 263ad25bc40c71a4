// model_pages.h - what the "Aerodynamics" and "Textures" pages read from the car: whether an
// aerodynamic device is in use, and the table of the model's materials by level of detail.
#pragma once
#include <cstdint>

struct Car;
struct Material;

// A device (0 rear wing, 1 front wing, 2 undertray, 3 main body) is in use while it has lift
// or drag.
int AeroDeviceInUse(const Car& car, int device);

// The distinct materials of the car's first three level meshes (subobjects included), in the
// order they are met, with their triangle counts per level.  A 65th material sets overflow and
// ends the count.
constexpr int MATERIAL_TABLE_SIZE = 64;
struct MaterialEntry {
  const Material* material;
  int32_t triangles[3];
};
struct MaterialTable {
  int32_t count;
  uint8_t overflow;
  MaterialEntry entries[MATERIAL_TABLE_SIZE];
};
void FillMaterialTable(const Car& car, MaterialTable& table);
