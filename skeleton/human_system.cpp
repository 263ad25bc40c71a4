// human_system.cpp - the human system file, the bone sets and mesh slots built from it, and
// the helmet.
#include "skeleton/human_system.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/data_file.h"
#include "core/log.h"
#include <cstring>

#include "model/model_file.h"
#include "model/model_meshes.h"
#include "render/gouraud_mesh.h"
#include "render/humans.h"
#include "render/material.h"
#include "render/texture_record.h"
#include "render/texture_table.h"

HumanSystem Humans;
ModelObject* HelmetModel;

namespace {

constexpr int HUMAN_TEXTURE_USAGE = 4;
constexpr uint32_t ALL_LAYERS = 0xFFFFFFFFu;

// One level of the model into the mesh, its textures bound first.
void BuildLevel(ModelObject& model, GouraudO3d& mesh, int level, const ModelSkeleton* skeleton) {
  AssignMeshTextures(model, HUMAN_TEXTURE_USAGE, ALL_LAYERS);
  BuildModelMeshes(model, nullptr, mesh, nullptr, level, 0, skeleton, nullptr, ALL_LAYERS);
}

// While the helmet is built a skin page takes the helmet's skin; other pages are looked up as
// they would be without it.
FindSkinTextureHook g_lookupOutsideHelmet;
Material* HelmetSkinLookup(const char* name, int usage, int plateIndex, int requestFlags, const CutoutMaterial& material,
                           int skin) {
  if (!skin) return g_lookupOutsideHelmet(name, usage, plateIndex, requestFlags, material, skin);
  const MaterialParams params = CutoutParams(material);
  const uint8_t type = TextureConfig.nextType;
  TextureConfig.nextType = TEXTURE_TYPE_SKIN;
  Material* found = GetMaterialByName(HELMET_SKIN_NAME, 0, 0, requestFlags, params, usage);
  TextureConfig.nextType = type;
  return found;
}

void FreeBoneSets(HumanSystem& h) {
  for (int s = 0; h.boneSets && s < h.skeletonCount; ++s) h.boneSets[s].Free();
  delete[] h.boneSets;
  h.boneSets = nullptr;
  delete[] h.boneTables;
  h.boneTables = nullptr;
}

GouraudO3d* NewLevelMesh() {
  GouraudO3d* mesh = new GouraudO3d();
  mesh->Init();
  return mesh;
}

// The smallest a skeleton body can be: density, bone count, 31 bones, joint, movement and
// pose counts.
constexpr int64_t SKELETON_LEAST_BYTES = 8 + int64_t(SKELETON_MIN_SOLIDS / 2 + 1) * SKELETON_BONE_BYTES + 12;

}  // namespace

std::vector<ModelBone> RestBones(const Skeleton& skeleton, const BoneRig& rig) {
  std::vector<ModelBone> bones(size_t(rig.boneCount));
  std::vector<FixedTransform> frames(size_t(std::max(rig.boneCount, 1)));
  CopyPartPositions(rig, frames.data());
  for (int i = 0; i < rig.boneCount; ++i) bones[size_t(i)].frame = frames[size_t(i)];
  for (int b = 0; b < skeleton.boneCount; ++b) {
    const SkeletonBone& bone = skeleton.bones[b];
    if ((bone.flags & SKELETON_BONE_SYMMETRICAL) && bone.firstSolid >= 0 && bone.firstSolid < rig.boneCount)
      bones[size_t(bone.firstSolid)].mirrorStep = 1;
  }
  return bones;
}

// ---- [Human system] ----

int ReadHumanSystem(DataFile& file, int version) {
  FreeHumans();
  HumanSystem& h = Humans;
  const uint32_t modelsStored = file.ReadUInt();
  if (uint64_t(modelsStored) * HUMAN_MODEL_HEADER_BYTES > uint64_t(file.BytesLeft())) {
    LogF("%s : %u models in a file of %lld bytes", HUMAN_SYSTEM_FILE, modelsStored, (long long)file.BytesLeft());
    return 0;
  }
  h.models = modelsStored ? new HumanModel[modelsStored]() : nullptr;
  int ok = 1;
  const char* skeletonFault = nullptr;  // the field a refused skeleton stumbled on
  for (uint32_t i = 0; ok && i < modelsStored; ++i) {
    HumanModel& m = h.models[i];
    m.model.Init();
    ++h.modelCount;
    m.flags = file.ReadUInt();
    m.skeletonIndex = file.ReadUInt();
    m.value = file.ReadFloat();
    ok = !file.readPastEnd && ReadModelObject(m.model, file, version, 1, MODEL_READ_OBJECT, 1, nullptr);
  }
  if (ok) {
    const uint32_t skeletonsStored = file.ReadUInt();  // a short read gives 0
    if (file.readPastEnd || uint64_t(skeletonsStored) * SKELETON_LEAST_BYTES > uint64_t(file.BytesLeft())) {
      ok = file.readPastEnd && skeletonsStored == 0;
    } else if (skeletonsStored > 0) {
      h.skeletons = new Skeleton[skeletonsStored];
      int64_t budget = ANIMATION_TRANSFORM_BUDGET;
      for (uint32_t i = 0; ok && i < skeletonsStored; ++i) {
        ok = h.skeletons[i].Read(file, budget);
        if (ok) ++h.skeletonCount;
        else skeletonFault = SkeletonReadFault;
      }
    }
  }
  if (!ok) {
    LogF("%s : damaged after %d models and %d skeletons%s%s", HUMAN_SYSTEM_FILE, h.modelCount, h.skeletonCount,
         skeletonFault ? " : " : "", skeletonFault ? skeletonFault : "");
    FreeHumans();
  }
  return ok;
}

int LoadHumanSystem() {
  DataFile file{};
  int32_t version = 0;
  if (!file.OpenRead(nullptr, HUMAN_SYSTEM_FILE, HUMAN_SYSTEM_MAGIC, &version, HUMAN_SYSTEM_VERSION, 0)) return 0;
  const int result = ReadHumanSystem(file, version);
  file.Close();
  return result;
}

void BuildHumanMeshes() {
  HumanSystem& h = Humans;
  FreeHumanMeshSlots();
  // The bone sets are made once: a rebuild (after the device was made again) keeps them, for
  // an open object or animation editor holds them and may have posed them.
  if (!h.boneSets && h.skeletonCount) {
    h.boneSets = new BoneRig[size_t(h.skeletonCount)];
    h.boneTables = new BoneTable[size_t(h.skeletonCount)];
    for (int s = 0; s < h.skeletonCount; ++s) {
      h.skeletons[s].CreateBones(h.boneSets[s]);
      h.boneTables[s] = {&h.skeletons[s], &h.boneSets[s]};
    }
  }
  // The meshes are built in the bones' rest frames, whatever pose the bone sets hold.
  std::vector<std::vector<ModelBone>> restBones(size_t(h.skeletonCount));
  for (int s = 0; s < h.skeletonCount; ++s) {
    BoneRig rest;
    h.skeletons[s].CreateBones(rest);
    restBones[size_t(s)] = RestBones(h.skeletons[s], rest);
    rest.Free();
  }

  int slots = 0;
  for (int k = 0; k < h.modelCount; ++k)
    if (h.models[k].skeletonIndex < uint32_t(h.skeletonCount)) slots += HumanCopies(k);
  AllocateHumanSlots(slots);
  int slot = 0;
  for (int k = 0; k < h.modelCount; ++k) {
    HumanModel& m = h.models[k];
    if (m.skeletonIndex >= uint32_t(h.skeletonCount)) {
      LogF("human model %d names skeleton %u of %d: skipped", k, m.skeletonIndex, h.skeletonCount);
      continue;
    }
    const std::vector<ModelBone>& bones = restBones[m.skeletonIndex];
    const ModelSkeleton skeleton{bones.data(), int(bones.size())};
    for (int copy = 0; copy < HumanCopies(k); ++copy) {
      HumanMeshSlot& s = HumanMeshes.slots[slot++];
      for (int level = 0; level < HUMAN_LEVELS; ++level) {
        s.meshes[level] = NewLevelMesh();
        BuildLevel(m.model, *s.meshes[level], level, &skeleton);
      }
      s.flags = m.flags;
      s.skeletonIndex = m.skeletonIndex;
      s.value = m.value;
      s.model = &m.model;
      s.levelCount = std::clamp(int(m.model.lodCount), 1, HUMAN_LEVELS);
      for (int level = 0; level < HUMAN_LEVELS; ++level) s.distanceLimits[level] = m.model.lodDistances[level];
    }
  }
  HumanMeshes.built = 1;
}

int HumanSkeletonBones(int skeletonIndex, Bone** bones, BoneTable** table) {
  HumanFiguresWanted();
  const HumanSystem& h = Humans;
  if (!h.boneTables || skeletonIndex < 0 || skeletonIndex >= h.skeletonCount) return 0;
  BoneRig& rig = h.boneSets[skeletonIndex];
  *bones = rig.bones.empty() ? nullptr : rig.bones.data();
  *table = &h.boneTables[skeletonIndex];
  return 1;
}

void FreeHumans() {
  HumanSystem& h = Humans;
  FreeHumanMeshSlots();
  FreeBoneSets(h);
  for (int s = 0; s < h.skeletonCount; ++s) h.skeletons[s].Free();
  delete[] h.skeletons;
  for (int k = 0; k < h.modelCount; ++k) h.models[k].model.Free();
  delete[] h.models;
  h = HumanSystem{};
}

void RebuildHumanMeshes() {
  if (HelmetModel) BuildHelmetMeshes();
  if (HumanMeshes.built) BuildHumanMeshes();
}

// ---- [Helmet] ----

ColourWord HelmetColour(ColourWord colour) {
  ColourWord out = 0;
  for (int c = 0; c < 3; ++c) {
    const int byte = std::clamp(int(colour >> (8 * c) & 0xFF), 10, 160);
    out |= ColourWord((byte * 1275 + 500) / 1000) << (8 * c);  // x 1.275, halves rounded up
  }
  return out;
}

void LoadHelmet() {
  FreeHelmet();
  ModelObject* model = new ModelObject();
  model->Init();
  if (!LoadModelFile(*model, nullptr, HELMET_FILE, 1, nullptr)) {
    model->Free();
    delete model;
    return;
  }
  for (int i = 0; i < model->mappingCount; ++i) model->mappings[i].colour = HelmetColour(model->mappings[i].colour);
  HelmetModel = model;
  BuildHelmetMeshes();
}

void BuildHelmetMeshes() {
  FreeHelmetMeshes();
  if (!HelmetModel) return;
  Helmet.levelCount = std::clamp(int(HelmetModel->lodCount), 1, HUMAN_LEVELS);
  g_lookupOutsideHelmet = FindSkinTexture;
  FindSkinTexture = HelmetSkinLookup;
  for (int level = 0; level < Helmet.levelCount; ++level) {
    Helmet.meshes[level] = NewLevelMesh();
    BuildLevel(*HelmetModel, *Helmet.meshes[level], level, nullptr);
  }
  FindSkinTexture = g_lookupOutsideHelmet;
  MakeHelmetFastMesh();
}

void FreeHelmet() {
  FreeHelmetMeshes();
  if (!HelmetModel) return;
  HelmetModel->Free();
  delete HelmetModel;
  HelmetModel = nullptr;
}
