// model_materials.h - the rules that keep a model's materials consistent, the colours of
// mappings (colour choices, master colours, self-lit colours), numbered cutout families and
// the mapping colour block other files carry.
//
// Sections: [Presets] [Material repair] [Colours] [Names] [Mapping colour block]
//
// The ModelObject members of this theme are declared with the object (model_object.h) and
// defined in model_materials.cpp.  Every name comparison ignores case, and every rounding to
// nearest takes a value exactly halfway to the even neighbour.  Main thread only.
#pragma once
#include <cstdint>

#include "model/model_object.h"

struct DataFile;

// ---- [Presets] ----
extern const CutoutMaterial MATERIAL_DEFAULT;          // solid, matt, no shine, white
extern const CutoutMaterial MATERIAL_PLATE_WITH_ALPHA; // the "s_plate_ALP" number plate
extern const CutoutMaterial MATERIAL_PLATE;            // the "s_plate" number plate
// Cutout presets of ModelObject::SetCutoutPreset: 0 paint (left half), 1 rubber (right half).
constexpr int CUTOUT_PRESET_PAINT = 0, CUTOUT_PRESET_RUBBER = 1;

// ---- [Material repair] ----
constexpr const char* TEXT_REMOVED_SELF_LIT = "Removed CF_SELF_LIT from %s - material is overlay or plain";
constexpr const char* TEXT_REMOVED_TRANSLUCENT = "Removed CF_TRANSLUCENT from %s - material has environment map";
// For each mapping whose colour carries material flags: an OVERLAY first cutout clears
// CF_SELF_LIT, any environment map clears CF_TRANSLUCENT; each removal is shown when report
// is set.
void FixModelMaterialFlags(ModelObject& object, int report);

// ---- [Colours] ----
// Every colour without CF_SELF_LIT scaled by 255 / max(red, green, blue, 200).
void NormaliseMappingColours(ModelMapping* mappings, int count);
// The same scaling for one colour word (colour choices of old files).
ColourWord NormaliseColourTo200(ColourWord colour);
// Channels times numerator / denominator (integer, truncated); the flag byte is kept.
ColourWord ScaleColourChannels(ColourWord colour, int numerator, int denominator);

// ---- [Names] ----
// "C~" or "O~", a stem ending in '_' (at most 12 characters with it) and a number below 64.
// Returns 1 with the parts when the name is one; kind is 'C' or 'O'.
int ParseNumberedCutoutName(const char* name, char* kind, char stem[CUTOUT_NAME_SIZE], int* number);
// A name beginning "C~" (either case) with at least one character after it.
int IsNumberedMappingName(const char* name);
// Copies the name up to and including its first underscore (at most 15 characters);
// returns the stem's length, 0 when there is no underscore.
int CopyCutoutStem(char* target, const char* name);
// The 16 light names, "l_red1" .. "l_red3", "l_green", and M, C, D or E with a digit 1..9.
int IsReservedMappingName(const char* name);
constexpr int LIGHT_NAME_COUNT = 16;
extern const char* const LIGHT_MAPPING_NAMES[LIGHT_NAME_COUNT];
// A page of an ordinary texture file: not a skin page and not a special name.
int IsOrdinaryTexturePage(const TexturePage& page);

// ---- [Mapping colour block] ----
// A zero byte, the block version 2, a 16-bit count, then each mapping's 16-byte name and its
// colour word.  Readers also take version 0 (a colour word, an 8-byte name and 4 bytes
// skipped per entry, with further sets skipped).
struct MappingColourList {
  int32_t count;
  ModelMapping* mappings;  // names and colours only
  void Free();
};
void WriteMappingColours(const ModelMapping* mappings, int count, DataFile& file);
// 1 when read; 0 (the list empty) on an unknown version, a count above 240 or a short block.
int ReadMappingColours(MappingColourList& list, DataFile& file);
