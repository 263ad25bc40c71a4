// sample_humans.h - our own human system and helmet, written into "data\hmn" at build time
// and used by the tests and the fuzz seeds: one skeleton of 19 bones (32 solids) with its
// eighteen one-frame movements and a standing pose, six plain figures over it, and a
// low-polygon helmet shell with one paintable texture.
#pragma once
#include <cstdint>
#include <vector>

#include "model/model_object.h"
#include "skeleton/human_system.h"
#include "skeleton/skeleton.h"
#include "tools/model_gen/sample_driver.h"

// The pictures the models name: the figures' cloth page ("data\png\<name>.png") and the
// helmet's default skin ("data\skins\<name>.jpg", the prefix "HEL" and the skin "DEFAULT").
constexpr const char* SAMPLE_FIGURE_PAGE = "hmn_cloth";
constexpr int SAMPLE_FIGURE_PAGE_PIXELS = 64;
constexpr const char* SAMPLE_HELMET_SKIN = HELMET_SKIN_NAME;
constexpr int SAMPLE_HELMET_SKIN_PIXELS = 128;

constexpr int SAMPLE_FIGURE_COUNT = 6;
constexpr int SAMPLE_SKELETON_BONES = 19;
constexpr int SAMPLE_SKELETON_SOLIDS = 32;

// Fills a skeleton as made (Init) with our bones, joints, movements and pose.
void BuildSampleSkeleton(Skeleton& skeleton);
// Figure k (0..5) over the sample skeleton: a box per solid at level 0, a box per large solid
// at level 1, each point following its solid; fills an object set to its defaults.
void BuildSampleFigure(int k, ModelObject& object);
// The flags and value each figure carries in the human system file.
uint32_t SampleFigureFlags(int k);
float SampleFigureValue(int k);
// The helmet: a dome of two levels of detail on one skin page.
void BuildSampleHelmet(ModelObject& object);

// ---- Driver animations ----
// Our driver animation sets, one for each animation set a vehicle class names (ClassStartOf,
// the new vehicle wizard's and the samples'): the name ("sit_<name>" and "str_<name>" in
// "data\\move"), the steering wheel's turn to one side (degrees) and its column's pitch
// (radians) of that class, and the posture its figure takes.
struct DriverAnimationSet {
  const char* name;
  float wheelTurnDegrees;
  float columnPitch;
  DriverPosture posture;
};
std::vector<DriverAnimationSet> DriverAnimationSets();
// Where a seated figure's pelvis (its first solid, the skeleton's anchor) is posed, from the
// animation's origin, which a car draws at its seat (the driver's position, a passenger's seat):
// 0.2 m forward and 0.3 m up, where the vehicle's mass model seats a person (its legs' box
// centred 0.3 m up, its body's box 0.2 m forward with its centre 0.35 m above the pelvis, at
// the figure's chest).
constexpr float SEATED_HIP_FORWARD = 0.2f, SEATED_HIP_UP = 0.3f;
// The sample skeleton's rig posed in the set's posture: the pelvis at the seated hip point, the
// legs forward above the seat, the palms on the rim of the wheel or the grips of the bars
// (DRIVER_GRIPS) as the column turns them by steer (-1 full left, 0 centre, 1 full right) of the
// set's turn, a quarter turn at most.
void PoseSampleDriver(Skeleton& skeleton, BoneRig& rig, const DriverAnimationSet& set, float steer);
// The seated animation (one frame) and the steering animation (left lock, centre, right lock,
// not cyclic, scale the wheel's turn to one side in radians) of a set.
void BuildDriverAnimations(const DriverAnimationSet& set, Animation& sit, Animation& steer);

// The human system file image (header and body) of models over skeletons.
std::vector<uint8_t> HumanSystemFileImage(const HumanModel* models, int modelCount, const Skeleton* skeletons,
                                          int skeletonCount);
// Ours: the six figures over the one skeleton.
std::vector<uint8_t> SampleHumanSystemFile();
