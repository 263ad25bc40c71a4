// pregen_model.cpp - pre-generated model entries, their defaults and the layout object models.
#include "model/pregen_model.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/data_file.h"
#include "core/report.h"
#include "model/model_file.h"
#include "render/draw_mesh.h"
#include "text/language.h"
#include "text/messages.h"
#include "text/text_colours.h"

namespace {

// The layout object kinds by slot range: class, physics kind and values.  A range without
// values keeps the defaults.
struct SlotDefaults {
  int first, last;
  uint8_t surfaceKind, physicsKind;
  float physics[4];
};
constexpr SlotDefaults SLOT_DEFAULTS[] = {
    {0, 19, 7, 0, {20000.0f, 0.5f, 500.0f, 20.0f}},    {20, 47, 19, 2, {6000.0f, 0.6f, 200.0f, 10.0f}},
    {48, 63, 21, 2, {15000.0f, 0.8f, 100.0f, 20.0f}},  {64, 95, 20, 2, {20000.0f, 0.5f, 400.0f, 10.0f}},
    {96, 103, 6, 1, {20000.0f, 0.5f, 500.0f, 20.0f}},  {104, 111, 19, 1, {20000.0f, 0.5f, 500.0f, 20.0f}},
    {112, 119, 18, 1, {20000.0f, 0.5f, 500.0f, 20.0f}}, {120, 123, 7, 1, {20000.0f, 0.5f, 500.0f, 20.0f}},
    {124, 127, 6, 1, {20000.0f, 0.5f, 400.0f, 20.0f}},  {128, 131, 6, 1, {20000.0f, 0.5f, 500.0f, 20.0f}},
    {132, 132, 7, 1, {15000.0f, 0.8f, 200.0f, 20.0f}},  {133, 135, 6, 1, {20000.0f, 0.5f, 500.0f, 20.0f}},
    {136, 139, 19, 2, {4000.0f, 0.6f, 200.0f, 15.0f}},  {140, 140, 20, 1, {15000.0f, 0.8f, 200.0f, 20.0f}},
    {141, 143, 19, 2, {4000.0f, 0.6f, 200.0f, 15.0f}},  {144, 144, 2, 2, {15000.0f, 0.8f, 200.0f, 20.0f}},
    {145, 146, 19, 2, {30000.0f, 0.8f, 400.0f, 30.0f}}, {147, 159, 6, 2, {20000.0f, 0.5f, 400.0f, 20.0f}},
    {160, 167, 6, 2, {20000.0f, 0.5f, 400.0f, 15.0f}},  {168, 171, 19, 2, {20000.0f, 0.5f, 400.0f, 15.0f}},
    {172, 183, 7, 1, {20000.0f, 0.5f, 500.0f, 20.0f}},  {184, 191, 7, 0, {20000.0f, 0.5f, 500.0f, 20.0f}},
};
constexpr int SLOT_WITH_EIGHTH_FIELD = 132;  // its physics flags are 2
constexpr int FIRST_GREY_SLOT = 172, LAST_GREY_SLOT = 183;

void SetDefaultPhysics(PreGenModel& e) { std::memcpy(e.physics, PREGEN_DEFAULT_PHYSICS, sizeof e.physics); }

void ShowFileFault(const char* fault, const char* path) {
  char text[MESSAGE_TEXT_SIZE];
  std::snprintf(text, sizeof text, "%s %s", fault, PathInMessage(path).c_str());
  ShowMessage(text, TextColours.error);
}

// A new object as the readers of world models want it: type 0, side function 1, one level,
// options 0 (ModelObject::Init's defaults).
ModelObject* NewWorldObject() {
  ModelObject* object = static_cast<ModelObject*>(std::calloc(1, sizeof(ModelObject)));
  if (object) object->Init();
  return object;
}

void DeleteObject(ModelObject* object) {
  if (!object) return;
  object->Free();
  std::free(object);
}

}  // namespace

// ---- [Entry] ----

PreGenPotHooks PreGenPots = {};

int PreGenModel::Read(DataFile& file, int version) {
  kind = uint8_t(file.ReadByte());
  surfaceKind = uint8_t(file.ReadByte());
  flags = uint8_t(file.ReadByte());
  boxSize = uint8_t(file.ReadByte());
  scale = file.ReadFloat();
  for (float& value : physics) value = file.ReadFloat();
  if (flags & PREGEN_FLAG_EXTRA_FLOATS) file.Skip(8);
  physicsFlags = uint8_t(file.ReadByte());
  physicsKind = uint8_t(file.ReadByte());
  hasModel = uint8_t(file.ReadByte());
  pitStopByte = uint8_t(file.ReadByte());
  built = nullptr;
  model = nullptr;
  pot = nullptr;
  int result = 1;
  if (file.readPastEnd) {
    LastDataFileError = DATA_FILE_TOO_SHORT;
    result = 0;
  } else if (kind == PREGEN_MODEL) {
    model = NewWorldObject();
    result = model ? ReadModelObject(*model, file, version, 1, MODEL_READ_WORLD, 1, nullptr) : 0;
  } else if (kind == PREGEN_POT) {
    // Without the pot the rest of the data cannot be found: the read fails here rather than
    // taking the pot's bytes for the next entry.
    pot = PreGenPots.Read ? PreGenPots.Read(file, version) : nullptr;
    if (!pot) {
      ShowMessage(TEXT_POT_NOT_READ, TextColours.error);
      result = 0;
    }
  }
  if (physicsKind != 2)
    SetDefaultPhysics(*this);
  else
    boxSize = 0;
  return result;
}

void PreGenModel::SetLayoutDefaults(ModelObject* object, int slot) {
  surfaceKind = 7;
  flags = 1;
  scale = 1.0f;
  hasModel = 1;
  SetDefaultPhysics(*this);
  for (const SlotDefaults& d : SLOT_DEFAULTS) {
    if (slot < d.first || slot > d.last) continue;
    surfaceKind = d.surfaceKind;
    physicsKind = d.physicsKind;
    if (d.physicsKind != 0) std::memcpy(physics, d.physics, sizeof physics);
    break;
  }
  if (slot == SLOT_WITH_EIGHTH_FIELD) physicsFlags = 2;
  if (object && slot >= FIRST_GREY_SLOT && slot <= LAST_GREY_SLOT) object->SetAllMappingColours(LAYOUT_GREY);
  kind = PREGEN_MODEL;
  model = object;
}

ModelObject* PreGenModel::GetModelObject() const { return kind == PREGEN_MODEL ? model : nullptr; }

void PreGenModel::Free() {
  DeleteDrawMesh(built);
  built = nullptr;
  if (pot && PreGenPots.Delete) PreGenPots.Delete(pot);
  pot = nullptr;
  DeleteObject(model);
  model = nullptr;
}

// ---- [Layout object models] ----

int LoadLayoutObjectModels(PreGenModel entries[LAYOUT_OBJECT_KINDS]) {
  return LoadLayoutObjectModelsFrom(entries, LAYOUT_MODELS_PATH);
}

int LoadLayoutObjectModelsFrom(PreGenModel entries[LAYOUT_OBJECT_KINDS], const char* path) {
  DataFile file;
  int32_t version = 0;
  if (!file.OpenRead(nullptr, path, LAYOUT_MODELS_MAGIC, &version, LAYOUT_MODELS_VERSION, 0)) {
    char text[MESSAGE_TEXT_SIZE];
    std::snprintf(text, sizeof text, "%s %s", LanguageTexts[TX_3g_cnotfind], LAYOUT_MODELS_NAME);
    ShowMessage(text, TextColours.error);
    return 0;
  }
  if (version < LAYOUT_MODELS_LOWEST_VERSION) {
    file.Close();
    LastDataFileError = DATA_FILE_OBSOLETE;
    ShowFileFault(TEXT_FILE_IS_OBSOLETE, path);
    return 0;
  }
  file.ReadInt();
  const int slots = file.ReadShort() & 0xFFFF;
  file.Skip(2);
  int loaded = 0;
  for (int slot = 0; slot < slots && slot < LAYOUT_OBJECT_KINDS; ++slot) {
    const uint32_t present = file.ReadUInt();
    if (file.readPastEnd) {
      LastDataFileError = DATA_FILE_TOO_SHORT;
      break;
    }
    if (present == 0) continue;
    ModelObject* object = NewWorldObject();
    if (!object) break;
    if (!ReadModelObject(*object, file, version, 1, MODEL_READ_WORLD, 0, nullptr) &&
        LastDataFileError == DATA_FILE_TOO_SHORT) {
      // Damaged or short: what follows cannot be found, and this object may be a part.
      DeleteObject(object);
      break;
    }
    // A record that failed its index check was reset by the reader: it keeps its slot.
    PreGenModel& e = entries[slot];
    e.Free();
    e = PreGenModel{};
    int highest = 0;
    object->CountCutoutNumbers(&highest);
    e.SetLayoutDefaults(object, slot);
    e.highestCutout = uint8_t(highest);
    ++loaded;
  }
  const bool damaged = LastDataFileError == DATA_FILE_TOO_SHORT;
  file.Close();
  if (damaged)
    ShowFileFault(file.readPastEnd ? TEXT_FILE_TOO_SHORT : TEXT_MODEL_FILE_DAMAGED, path);
  return loaded;
}
