// model_file.h - the model file: one ModelObject tree in a data file ("QXEOBJ").
//
// Sections: [Format] [Texts] [Loading and saving] [Records] [Export names]
//
// The file is written at version 252 (object record version 13) and read at versions 248
// to 252.  Older data is converted while it is read, damaged data is repaired and each
// repair is shown as a message line with a count.  The record layout is in model_file.cpp.
//
// A file is read in one pass and closed; nothing of it stays open.  Whatever the result, the
// object is valid afterwards: a record whose indices fail the check is reset with its name
// kept, and a damaged or truncated file (a count beyond its limit or the bytes left, a
// negative skip, subobjects nested too deep, a short read) stops the read with error 9
// (LastDataFileError), result 0 and every object read so far valid.  Main thread only.
#pragma once
#include <cstdint>

#include "model/model_object.h"

struct DataFile;
struct Prss;

// ---- [Format] ----
constexpr const char* MODEL_FILE_MAGIC = "QXEOBJ";
constexpr int MODEL_FILE_VERSION = 252;
constexpr int MODEL_FILE_LOWEST_VERSION = 248;
constexpr int MODEL_RECORD_VERSION = 13;
constexpr int MAPPING_BLOCK_VERSION = 2;
constexpr const char* MODEL_FILE_PATTERN = "data\\3dob\\%s.qxe";
// Bytes on disk of the current form.
constexpr int MODEL_POINT_BYTES = 16, MODEL_TRIANGLE_BYTES = 12, TEXTURE_PAGE_BYTES = 24, CUTOUT_BYTES = 32,
              MAPPING_BYTES = 52, LAYER_NAMES_BYTES = LAYER_COUNT * LAYER_NAME_SIZE;
static_assert(LAYER_NAMES_BYTES == 256);

// Reading modes: model files, vehicle model objects and the human models; the layout object
// models and world models; spoke and wheel objects.
enum ModelReadMode { MODEL_READ_OBJECT = 0, MODEL_READ_WORLD = 1, MODEL_READ_SPOKE = 2 };

// ---- [Texts] ----
constexpr const char* TEXT_FILE_IS_OBSOLETE = "File is obsolete :";
constexpr const char* TEXT_CORRUPTED_OBJECT = "Corrupted object :";
constexpr const char* TEXT_MODEL_FILE_DAMAGED = "File is damaged :";
constexpr const char* TEXT_DELETED_SUBOBJECTS = "Deleted subobject's subobjects (%d)";
// The repair counts, shown when not zero, in this order.
constexpr const char* TEXT_CORRUPTED_TRIANGLES = "Corrupted triangles : %d";
constexpr const char* TEXT_DEGENERATE_TRIANGLES = "Discarded degenerate triangles : %d";
constexpr const char* TEXT_OBSOLETE_TRIANGLES = "Discarded obsolete triangles : %d";
constexpr const char* TEXT_STRETCHY_TRIANGLES = "Discarded stretchy triangles : %d";
constexpr const char* TEXT_REPAIRED_MIRRORING = "Repaired triangle point mirroring : %d";
constexpr const char* TEXT_UNMIRRORED_SPOKE = "Unmirrored spoke triangles : %d";
constexpr const char* TEXT_REMOVED_SPOKE = "Removed spoke triangles : %d";
constexpr const char* TEXT_INVALID_LAYER = "Triangles with invalid layer : %d";
constexpr const char* TEXT_INVALID_SMOOTHING = "Triangles with invalid smoothing : %d";

// ---- [Loading and saving] ----
// Reads the file into object, which the caller has set to its defaults (ModelObject::Init).
// 1 on success.  0 when the file cannot be opened or is of another kind or a later version
// (shown by the data file on page), obsolete (below 248), damaged or truncated; each failure
// is shown with the path.  A main object loses options bit 0.  carCode names the built-in
// car the model belongs to (null for other models).
int LoadModelFile(ModelObject& object, Prss* page, const char* path, int isMain, const char* carCode);
// Writes the file at version 252 through a safe write; 1 on success.  A file that cannot be
// created is reported on page (none: silent).
int SaveModelFile(const ModelObject& object, Prss* page, const char* path, int storeLayerNames);

// ---- [Records] ----
// Reads one object record and its subobjects into an object whose type is 0, side function
// 1, level-of-detail count 1 and options 0.  Subobjects are read with mode 0, not main and
// without layer names; a subobject's own subobjects are read and dropped.  Returns 1, or 0
// when a record failed its index check or the file is damaged or short (error 9).
int ReadModelObject(ModelObject& object, DataFile& file, int fileVersion, int isMain, int mode, int readLayerNames,
                    const char* carCode);
// Writes one object record as version 252 stores it, then each child with names on and
// layer names off.  storeNames 0 writes the object's own name as zeros.  Works in every
// DataFile write mode (file, counting pass, memory).
void WriteModelObject(const ModelObject& object, DataFile& file, int storeNames, int storeLayerNames);

// ---- [Export names] ----
// While the mod export writes models it sets a table of texture names and the unique names
// they are written under; pages of ordinary textures are then written under their unique
// names.  Null (the default) leaves every name as it is.
struct UniqueNameEntry {
  char name[MODEL_NAME_SIZE];
  char newName[MODEL_NAME_SIZE];
};
struct UniqueNameTable {
  const UniqueNameEntry* entries;
  int count;
};
extern const UniqueNameTable* ExportNameTable;
constexpr const char* TEXT_NO_UNIQUE_NAME = "Could not find unique name for %s";
// The unique name of a texture name in the active table; null (with the message above)
// when the table does not hold it.
const char* FindUniqueFileName(const char* textureName);
