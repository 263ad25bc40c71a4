// sample_models.h - our own sample models, written into "data\3dob" at build time and used
// by the tests, the benchmark and the fuzz seeds: a box, a wheel-like cylinder with smoothing
// groups, and a small car body with two levels of detail, named layers, colour choices, a
// numbered cutout family, light mappings and subobjects of several kinds.
#pragma once
#include <cstdint>
#include <vector>

#include "model/model_object.h"
#include "tools/model_gen/model_builder.h"

// The texture pages the samples name ("data\png\<name>.png", drawn by model_gen).
constexpr const char* SAMPLE_PAGE_TEXTURE = "sample_page";
constexpr const char* SAMPLE_GLASS_TEXTURE = "sample_glass_ALP";
constexpr int SAMPLE_PAGE_PIXELS = 256;
constexpr int SAMPLE_GLASS_PIXELS = 64;

struct SampleModel {
  const char* name;  // the file is "data\3dob\<name>.qxe"
  void (*build)(ModelObject& object);  // fills an object set to its defaults
};
constexpr int SAMPLE_MODEL_COUNT = 3;
extern const SampleModel SAMPLE_MODELS[SAMPLE_MODEL_COUNT];

void BuildSampleBox(ModelObject& object);
// One spoke of a rim ("data\3dob\sample_spoke.spk"): a bar from the axle to the rim and the
// rim's arc joined to the next spoke through top-bit corners.
constexpr const char* SAMPLE_SPOKE_NAME = "sample_spoke";
void BuildSampleSpokeObject(ModelObject& object);

// The layout object models "data\hmn\AXO.dup": a cone, a block, a ring and the start lights
// (slot 172) in a few slots of 200 (the reader takes the first 192), the other slots absent.
constexpr int SAMPLE_LAYOUT_SLOT_COUNT = 200;
struct SampleLayoutSlot {
  int slot;
  void (*build)(ModelObject& object);
};
constexpr int SAMPLE_LAYOUT_MODEL_COUNT = 6;
extern const SampleLayoutSlot SAMPLE_LAYOUT_SLOTS[SAMPLE_LAYOUT_MODEL_COUNT];
constexpr int SAMPLE_LAYOUT_SLOTS_READ = 5;  // of them below slot 192
void BuildLayoutCone(ModelObject& object);
void BuildLayoutBlock(ModelObject& object);
void BuildLayoutRing(ModelObject& object);
// A gantry with four lamps, each drawn with its own mapping "l_red1", "l_red2", "l_red3",
// "l_green" (the start lights).
void BuildLayoutStartLights(ModelObject& object);
// The whole file image at version 252 (slotCount slots; the samples beyond it left out).
std::vector<uint8_t> SampleLayoutModelsImage(int slotCount);
void BuildSampleWheel(ModelObject& object);
void BuildSampleCar(ModelObject& object);
// A steering wheel subobject (a set-to-defaults object) at (x, y, z): a rim of the radius
// given round its middle in the x-y plane, spokes across and a column 0.3 m down its axis.
// The car turns it about its axis, leans it back by the column's pitch and draws it at the
// driver's side.
void BuildSteeringWheel(ModelObject& object, double radius, double x, double y, double z);

// The page's regions (1/128 of the page: left, top from the bottom, width, height), shared
// by the models and the picture drawn for them.
struct SampleRegion {
  const char* cutout;
  int left, top, width, height;
};
constexpr int SAMPLE_REGION_COUNT = 14;
extern const SampleRegion SAMPLE_REGIONS[SAMPLE_REGION_COUNT];
const SampleRegion& FindSampleRegion(const char* cutout);
// A material of the samples: its alpha kind, shine and surface kinds, grey and roughness.
CutoutMaterial SampleSurface(uint8_t alpha, uint8_t env, uint8_t shine, uint8_t grey, uint8_t roughness);
// A cutout of the sample page at the region of that name.
int AddSampleCutout(ModelBuilder& builder, int page, const char* region, const CutoutMaterial& material);
