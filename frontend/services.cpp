// services.cpp - front-end services the rest of the program calls.
#include <cstdio>
#include <cstring>

#include <new>

#include "frontend/frontend.h"
#include "frontend/mod_export.h"
#include "model/pregen_model.h"
#include "world/pre_gen.h"
#include "world/track_file.h"
#include "world/world.h"

void ReloadGarageCarModel(int) {}

int IsModCarId(uint32_t id) {
  // A mod id is kept in the same 24 bits as a short name's three characters, byte 0 first.
  const char asName[4] = {static_cast<char>(id & 0xFF), static_cast<char>(id >> 8 & 0xFF),
                          static_cast<char>(id >> 16 & 0xFF), 0};
  if (id > 0xFFFFFF || !asName[0] || !asName[1] || !asName[2]) return 0;
  return !IsShortCarName(asName);
}


void GatherLoadedWorldTextureNames(Wld& world) {
  GatherMappingTextureNames(world);
  if (!world.preGen) return;
  auto* list = new (std::nothrow) TextureNameList{};
  if (!list) return;
  // The models of the track's own entries (the layout object models before them are the
  // program's), unless hidden.
  for (int i = TRACK_LAYOUT_MODEL_ENTRIES; i < world.preGenCapacity; ++i) {
    const PreGenModel& entry = world.preGen[i];
    if (entry.physicsKind == PHYSICS_HIDDEN || !entry.GetModelObject()) continue;
    if (!CollectObjectTextureNames(*entry.GetModelObject(), *list)) break;
  }
  for (int i = 0; i < list->count; ++i) AddWorldTextureName(world, list->names[i]);
  delete list;
}
