// sample_models.h - our own sample models, written into "data\3dob" at build time and used
// by the tests, the benchmark and the fuzz seeds: a box, a wheel-like cylinder with smoothing
// groups, and a small car body with two levels of detail, named layers, colour choices, a
// numbered cutout family, light mappings and subobjects of several kinds.
#pragma once

#include "modeller/model/model_object.h"

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
void BuildSampleWheel(ModelObject& object);
void BuildSampleCar(ModelObject& object);

// The page's regions (1/128 of the page: left, top from the bottom, width, height), shared
// by the models and the picture drawn for them.
struct SampleRegion {
  const char* cutout;
  int left, top, width, height;
};
constexpr int SAMPLE_REGION_COUNT = 14;
extern const SampleRegion SAMPLE_REGIONS[SAMPLE_REGION_COUNT];
const SampleRegion& FindSampleRegion(const char* cutout);
