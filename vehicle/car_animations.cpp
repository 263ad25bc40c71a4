// car_animations.cpp - loading and freeing a car's driver and passenger figures.
#include "vehicle/car_animations.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/config.h"
#include "core/report.h"
#include "platform/files.h"
#include "skeleton/human_system.h"
#include "skeleton/skeleton.h"

FixedTransform AnimDefaultTransform = {{{FIXED_ONE, 0, 0, 0, FIXED_ONE, 0, 0, 0, FIXED_ONE}}, {0, 0, 0}};
char LastAnimationName[32];

namespace {

constexpr int FRONT_SLOT = 0;  // passenger slot 1

Skeleton* SkeletonOf(const HumanModel& human) {
  if (!Humans.skeletons || human.skeletonIndex >= static_cast<uint32_t>(Humans.skeletonCount)) return nullptr;
  return &Humans.skeletons[human.skeletonIndex];
}

// The animation's path for the car: its mod folder's or the data folder's.  0 when a name
// could leave the folders.
int AnimationPath(char* out, int outSize, const Car& car, const char* kind) {
  out[0] = 0;
  const char* name = car.steerAnimation;
  if (!IsSafeFileName(name) || (car.isMod && !IsSafeFileName(car.vehicleName))) return 0;
  const int n = car.isMod ? std::snprintf(out, size_t(outSize), MOD_ANIMATION_FILE_PATTERN, car.vehicleName, kind, name)
                          : std::snprintf(out, size_t(outSize), ANIMATION_FILE_PATTERN, kind, name);
  if (n < 0 || n >= outSize) {
    out[0] = 0;
    return 0;
  }
  return 1;
}

// The skeleton's rest pose: a rig of it at rest, copied.
void RestPose(Animation& pose, Skeleton& skeleton) {
  BoneRig rig;
  rig.Init();
  skeleton.CreateBones(rig);
  pose.Init(rig);
  rig.Free();
}

void FreeCarAnimations(Car& car) { car.FreeAnimations(); }

}  // namespace

void AnimInstance::Delete(AnimInstance* instance) {
  if (!instance) return;
  delete[] instance->bones;
  *instance = AnimInstance{AnimDefaultTransform, nullptr, 0, nullptr};
  delete instance;
}

int FindHumanOfKind(int kind) {
  for (int i = 0; i < Humans.modelCount; ++i) {
    const HumanModel& h = Humans.models[i];
    if ((h.flags & HUMAN_MODEL_USABLE) && HumanKind(h) == kind) return i;
  }
  return -1;
}

AnimInstance* LoadCarAnimation(Car& car, int humanIndex, int steering) {
  const HumanModel& human = Humans.models[humanIndex];
  Skeleton* skeleton = SkeletonOf(human);
  if (!skeleton) return nullptr;
  AnimInstance* instance = new AnimInstance{AnimDefaultTransform, &human, skeleton->SolidCount(), nullptr};
  Animation* pose = steering ? car.steeringPose : nullptr;
  if (!pose) {
    const char* kind = steering ? "str" : "sit";
    char path[FILE_PATH_SIZE];
    pose = new Animation;
    int read = AnimationPath(path, sizeof path, car, kind) &&
               ReadAnimationFile(*pose, path, nullptr, instance->boneCount, 0.0f);
    if (!read && steering && MakeNamedPath(path, sizeof path, STEER_ANIMATION_FILE_PATTERN, car.steerAnimation))
      read = ReadAnimationFile(*pose, path, nullptr, instance->boneCount, car.steeringWheelTurn);
    if (read) {
      std::snprintf(LastAnimationName, sizeof LastAnimationName, "%s_%s", kind, car.steerAnimation);
    } else {
      if (CfgDebugLevel != 0) ReportLabelledLine(TEXT_CANT_LOAD_ANIMATION, path, REPORT_MESSAGE);
      RestPose(*pose, *skeleton);
      LastAnimationName[0] = 0;
    }
    if (steering) {
      car.steeringPose = pose;
      pose->scale = std::max(pose->scale, STEERING_LEAST_RANGE);
    }
  }
  instance->bones = new FixedTransform[size_t(std::max(instance->boneCount, 1))];
  for (int i = 0; i < instance->boneCount; ++i) {
    const bool stored = pose->frameCount > 0 && pose->frames;
    instance->bones[i] = stored ? pose->frames[0].transforms[i] : AnimDefaultTransform;
  }
  if (!steering) {
    Animation::Delete(pose);
    return instance;
  }
  // Posed once, as if the wheel stood straight: the figure sits right before its first draw.
  car.steeringInstance = instance;
  const float steer = car.controls.steerAngle;
  car.controls.steerAngle = 0.0f;
  car.PoseDriver();
  car.controls.steerAngle = steer;
  return nullptr;
}

void Car::LoadAnimations() {
  CarRelease.freeAnimations = FreeCarAnimations;
  if (!steerAnimation[0] || steeringInstance || driverSlot < 0 || Humans.modelCount <= 0 || !Humans.models) return;
  if (driverSlot >= Humans.modelCount) driverSlot = 0;
  LoadCarAnimation(*this, driverSlot, 1);
  int front, rear;
  GetAnimationNeeds(front, rear);
  const uint8_t seated = currentSetup.bytes[SETUP_PASSENGERS];
  // A seat's figure: kind 0 when the lower of its two bits is set; a kind no loaded model has
  // leaves the seat empty.
  const auto seat = [&](int slot, int bits) {
    if (!bits || passengerAnimations[slot]) return;
    const int human = FindHumanOfKind(bits & 1 ? 0 : 1);
    if (human >= 0) passengerAnimations[slot] = LoadCarAnimation(*this, human, 0);
  };
  if (front) seat(FRONT_SLOT, seated & 3);
  if (!rear) return;
  if (seatsPerRow >= 2) {
    seat(1, seated >> 2 & 3);
    if (seatsPerRow == 3) seat(2, seated >> 4 & 3);
    seat(3, seated >> 6 & 3);
  } else if (seatsPerRow == 1) {
    seat(1, seated >> 4 & 3);
  }
}

void Car::FreeAnimations() {
  AnimInstance::Delete(steeringInstance);
  steeringInstance = nullptr;
  Animation::Delete(steeringPose);
  steeringPose = nullptr;
  for (AnimInstance*& passenger : passengerAnimations) {
    AnimInstance::Delete(passenger);
    passenger = nullptr;
  }
}
