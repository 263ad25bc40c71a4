// human_system.h - the human models and the helmet as the program loads them: the human
// system file "data\hmn\hmn.hmn" (models, their skeletons and a bone set per skeleton) and the
// helmet model "data\hmn\helmet.qxe", built into the renderer's mesh slots and helmet meshes
// (render/humans.h).
//
// Sections: [Human system] [Helmet]
//
// Both are loaded during start-up (a missing human system ends it: "Could not load humans";
// a missing helmet leaves none, silently) and freed at shut-down; after the device is made
// again their meshes are built anew.  Main thread only.
#pragma once
#include <cstdint>
#include <vector>

#include "model/model_lod_cache.h"
#include "model/model_object.h"
#include "skeleton/skeleton.h"

struct DataFile;

// ---- [Human system] ----
// "data\hmn\hmn.hmn": a data file "QXHSYS" read up to version 252 (written by no part of the
// program; our tools write it).  Body: u32 model count; per model u32 flags, u32 skeleton
// index, float value and one object record in the model file's body form (layer names
// included); u32 skeleton count (a short read gives 0); the skeleton bodies.
constexpr const char* HUMAN_SYSTEM_FILE = "data\\hmn\\hmn.hmn";
constexpr const char* HUMAN_SYSTEM_MAGIC = "QXHSYS";
constexpr int HUMAN_SYSTEM_VERSION = 252;
constexpr int HUMAN_MODEL_HEADER_BYTES = 12;

constexpr uint32_t HUMAN_MODEL_USABLE = 1;  // chosen by FindHumanSlot and for a car's seats
constexpr uint32_t HUMAN_MODEL_KIND_1 = 2;  // the figure is of kind 1, else of kind 0
struct HumanModel {
  uint32_t flags;          // HUMAN_MODEL_ bits
  uint32_t skeletonIndex;
  float value;             // carried to the mesh slots
  ModelObject model;
};
// The kind a car's seat asks for (two bits per seat in its set-up: kind 0 when the lower one
// is set, else kind 1).
inline int HumanKind(const HumanModel& human) { return human.flags & HUMAN_MODEL_KIND_1 ? 1 : 0; }
struct HumanSystem {
  int modelCount;
  HumanModel* models;
  int skeletonCount;
  Skeleton* skeletons;
  BoneRig* boneSets;       // one per skeleton, made with the meshes
  BoneTable* boneTables;   // each skeleton with its bone set, made with them
};
extern HumanSystem Humans;

// Reads the file (1), or 0 when it is missing, of another kind, or damaged: a model record
// or a skeleton the reader refuses ends the file (the stream cannot be trusted after it).
// Counts are held to the bytes left.  What was read is freed on a refusal.
int LoadHumanSystem();
// The same from an open body of that version (the loader and the fuzz target).
int ReadHumanSystem(DataFile& file, int version);
// The bone sets (made once: a rebuild keeps them and the pointers open editors hold) and every
// mesh slot: each model gets its copies (HumanCopies) of four levels built from the model
// (BuildModelMeshes, textures of usage 4) with every vertex in the frame of the bone its point
// follows, the bones at rest whatever pose the bone sets hold; a model naming a skeleton the
// file lacks is skipped with a log line.
void BuildHumanMeshes();
// Skeleton index's bone set and table (the object editor's skeleton); 0 when there is none
// (an index the file lacks, or the meshes not built).
int HumanSkeletonBones(int skeletonIndex, Bone** bones, BoneTable** table);
// The bones a figure's points follow: each solid of the rig where it stands now (at rest when
// meshes are built), the mirrored copy of a point following the twin of a symmetrical bone.
std::vector<ModelBone> RestBones(const Skeleton& skeleton, const BoneRig& rig);
// The slots, the bone sets, the skeletons and the models.
void FreeHumans();
// After the device is made again: the helmet's meshes and the human meshes anew.
void RebuildHumanMeshes();

// ---- [Helmet] ----
constexpr const char* HELMET_FILE = "data\\hmn\\helmet.qxe";
// The skin a skin page of the helmet is drawn with while its meshes are built: the prefix
// "HEL" and the skin "DEFAULT" ("data\\skins\\HEL_DEFAULT.jpg").
constexpr const char* HELMET_SKIN_NAME = "HEL_DEFAULT";
extern ModelObject* HelmetModel;  // null: no helmet
// Loads the helmet model (no message when it is missing), brings its mapping colours into
// the helmet's range and builds its meshes.
void LoadHelmet();
// Each colour byte held to 10..160 and scaled by 1.275 (rounded): 10..160 becomes 13..204;
// the fourth byte (the colour's flags) 0.
ColourWord HelmetColour(ColourWord colour);
// The levels of the model into the helmet's meshes and their one fast mesh (the old ones
// freed); the paintable texture is the helmet's skin.
void BuildHelmetMeshes();
void FreeHelmet();
