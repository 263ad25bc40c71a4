// model_file_local.h - what the model file reader keeps to itself: the old colour entry list
// and the conversions of old records, applied in the order model_file.cpp gives.
#pragma once
#include <cstdint>

#include "model/model_object.h"

struct DataFile;

// An entry of the colour list that records before version 5 keep beside their mappings; a
// triangle's mapping byte then names an entry.
struct OldColourEntry {
  ColourWord colour;
  char name[LAYER_NAME_SIZE];  // 7 characters and a zero
  uint16_t value;
  uint16_t mapping;  // the mapping whose projection the entry uses
};
constexpr int OLD_COLOUR_ENTRY_BYTES = 16;

// A mapping of the old block versions 0 and 1: a direction kind and a rectangle.
void ReadOldMapping(ModelMapping& mapping, DataFile& file, int blockVersion);
// Below file version 249: the last "s_clock" page's cutouts get half height regions.
void FixOldClockPage(ModelObject& object);
// Below file version 250: the left and right light names of the entries joined.
void JoinOldLightNames(OldColourEntry* entries, int count);
// Record versions below 5: each entry becomes a mapping of its own.  false when an entry
// names a mapping that does not exist (the object is then corrupt).
bool ConvertColourEntries(ModelObject& object, const OldColourEntry* entries, int count);
// Record versions below 4: "s_sky" and "s_env" pages lose their names.
void ClearOldSkyPageNames(ModelObject& object);
// Spoke objects below file version 252 whose first page is an unnamed page of a texture (not
// the skin): the wheel page, cutout and mapping.
void SetOldSpokeDefaults(ModelObject& object);
// Record versions below 4, by type: brake objects and internal mirrors lose their
// environment maps; a brake's "Disc" cutouts cover the page and the disc's triangles go.
void ConvertOldTypedObject(ModelObject& object);
// Record versions below 6: colours brightened; below 10 normalised, with the reflection
// colours through the display gamma; below 11 in mode 1 the self-lit colours normalised.
void ConvertOldColours(ModelObject& object, int recordVersion, int mode);
