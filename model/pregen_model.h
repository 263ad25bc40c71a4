// pregen_model.h - pre-generated world models: the entries that hold a model for the world to
// place, draw and simulate, read from world data or from the layout object model file
// "data\hmn\AXO.dup" ("ZKTAXO", the models of the 192 layout object kinds).
//
// Sections: [Entry] [Layout object models] [Texts]
//
// The meaning of the class numbers, the first value, the physics values and the single bytes
// lies with the world: they are stored and handed over unchanged.  The world owns the entries
// and builds their meshes.  Main thread only.
#pragma once
#include <cstdint>

#include "model/model_object.h"

struct DataFile;
struct DrawMesh;

// ---- [Entry] ----
enum PreGenKind : uint8_t { PREGEN_MODEL = 0, PREGEN_POT = 1 };  // 2 or more: no model
constexpr float PREGEN_DEFAULT_PHYSICS[4] = {20000.0f, 0.5f, 500.0f, 20.0f};
constexpr uint8_t PREGEN_FLAG_EXTRA_FLOATS = 2;  // world data: two more floats follow the five

// The pot outline of a kind-1 entry belongs to the world, which installs its reader and its
// release here (InstallWorldModelServices); without them a pot entry cannot be read.
struct Pot;
struct PreGenPotHooks {
  Pot* (*Read)(DataFile& file, int version);  // null when the pot is corrupt
  void (*Delete)(Pot* pot);
};
extern PreGenPotHooks PreGenPots;

struct PreGenModel {
  uint8_t kind;           // PreGenKind: the source of the entry's shape
  uint8_t surfaceKind;    // of the collision mesh (7 by default)
  uint8_t flags;          // bit 0 alpha parts always drawn sorted (1 by default)
  uint8_t boxSize;        // centimetres; cleared when the physics kind is 2
  uint8_t highestCutout;  // the largest number of the model's numbered cutout families
  float scale;            // 1.0 by default
  float physics[4];       // stiffness, grip, damping and mass value; their defaults unless kind 2
  uint8_t physicsFlags;   // bit 1: the collision mesh's third surface byte is 1
  uint8_t physicsKind;    // 0 none, 1 static, 2 movable, 3 hidden
  uint8_t hasModel;       // 1 when filled from the layout object model file
  uint8_t pitStopByte;    // the pit-stop byte the world's set-up reads
  ModelObject* model;     // owned; kind 0 only
  DrawMesh* built;        // owned; made by the world, null until then
  Pot* pot;               // owned; kind 1 only

  // Reads an entry from world data (file version given).  Kind 0 reads its model as a main
  // object in the world mode with layer names; kind 1 its pot outline through PreGenPots (a
  // corrupt pot, or no reader, fails with TEXT_POT_NOT_READ and leaves the entry without
  // one).  Without physics kind 2 the physics values take their defaults; with it the box
  // size is cleared.  Returns the model reader's result (1 for an entry without a model).
  int Read(DataFile& file, int version);
  // The per-slot defaults of a layout object model (class, physics kind and values, colour)
  // and the model itself.
  void SetLayoutDefaults(ModelObject* object, int slot);
  // The entry's model, or null.
  ModelObject* GetModelObject() const;
  // Releases the built mesh, the model and the pot; the pointers cleared.
  void Free();
};

// ---- [Layout object models] ----
constexpr const char* LAYOUT_MODELS_PATH = "data\\hmn\\AXO.dup";
constexpr const char* LAYOUT_MODELS_NAME = "AXO.dup";
constexpr const char* LAYOUT_MODELS_MAGIC = "ZKTAXO";
constexpr int LAYOUT_MODELS_VERSION = 252;         // read up to; there is no writer
constexpr int LAYOUT_MODELS_LOWEST_VERSION = 248;  // older files hold records the reader does not know
constexpr int LAYOUT_OBJECT_KINDS = 192;           // slots beyond these are not read
constexpr ColourWord LAYOUT_GREY = 0xC0C0C0;       // the mapping colour of slots 172..183

// Fills 192 entries (which the caller has zeroed or freed) from the file: each present slot
// gets its model (main object, world mode, no layer names) and its slot's defaults.  A file
// that cannot be opened shows "%s %s" with the missing-file text and "AXO.dup", and nothing
// is loaded; an obsolete, damaged or truncated file is shown with its path and keeps the
// entries read before the fault.  Returns the number of models loaded.
int LoadLayoutObjectModels(PreGenModel entries[LAYOUT_OBJECT_KINDS]);
int LoadLayoutObjectModelsFrom(PreGenModel entries[LAYOUT_OBJECT_KINDS], const char* path);

// ---- [Texts] ----
constexpr const char* TEXT_POT_NOT_READ = "A pot outline of the track could not be read";
