// human_system.cpp - the human system file, the bone sets and mesh slots built from it, and
// the helmet.
#include "vehicle_editor/skeleton/human_system.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/data_file.h"
#include "core/log.h"
#include "modeller/model/model_file.h"
#include "render/gouraud_mesh.h"
#include "render/humans.h"

HumanSystem Humans;
ModelObject* HelmetModel;

namespace {

// Until the editable model builds display meshes, a level stays empty.
void LeaveLevelEmpty(ModelObject&, GouraudO3d&, int, const FixedTransform*, int) {}

void FreeBoneSets(HumanSystem& h) {
  for (int s = 0; h.boneSets && s < h.skeletonCount; ++s) h.boneSets[s].Free();
  delete[] h.boneSets;
  h.boneSets = nullptr;
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

ModelMeshBuilder BuildModelMeshesSeam = LeaveLevelEmpty;

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
      }
    }
  }
  if (!ok) {
    LogF("%s : damaged after %d models and %d skeletons", HUMAN_SYSTEM_FILE, h.modelCount, h.skeletonCount);
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
  FreeBoneSets(h);
  h.boneSets = h.skeletonCount ? new BoneRig[size_t(h.skeletonCount)] : nullptr;
  for (int s = 0; s < h.skeletonCount; ++s) h.skeletons[s].CreateBones(h.boneSets[s]);

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
    const BoneRig& rig = h.boneSets[m.skeletonIndex];
    std::vector<FixedTransform> frames(size_t(std::max(rig.boneCount, 1)));
    CopyPartPositions(rig, frames.data());
    for (int copy = 0; copy < HumanCopies(k); ++copy) {
      HumanMeshSlot& s = HumanMeshes.slots[slot++];
      for (int level = 0; level < HUMAN_LEVELS; ++level) {
        s.meshes[level] = NewLevelMesh();
        BuildModelMeshesSeam(m.model, *s.meshes[level], level, frames.data(), rig.boneCount);
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
  for (int level = 0; level < Helmet.levelCount; ++level) {
    Helmet.meshes[level] = NewLevelMesh();
    BuildModelMeshesSeam(*HelmetModel, *Helmet.meshes[level], level, nullptr, 0);
  }
  MakeHelmetFastMesh();
}

void FreeHelmet() {
  FreeHelmetMeshes();
  if (!HelmetModel) return;
  HelmetModel->Free();
  delete HelmetModel;
  HelmetModel = nullptr;
}
