// skeleton_file.cpp - the animation and skeleton bodies, read and written one field at a time.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/data_file.h"
#include "core/report.h"
#include "skeleton/skeleton.h"

namespace {

uint16_t ReadU16(DataFile& f) { return static_cast<uint16_t>(f.ReadShort()); }
void WriteU16(DataFile& f, uint16_t v) {
  f.WriteByte(v & 0xFF);
  f.WriteByte(v >> 8);
}

void ReadTransform(DataFile& f, FixedTransform& t) {
  for (int32_t& m : t.rotation.m) m = f.ReadInt();
  t.translation.x = f.ReadInt();
  t.translation.y = f.ReadInt();
  t.translation.z = f.ReadInt();
}

void WriteTransform(DataFile& f, const FixedTransform& t) {
  for (int32_t m : t.rotation.m) f.WriteInt(m);
  f.WriteInt(t.translation.x);
  f.WriteInt(t.translation.y);
  f.WriteInt(t.translation.z);
}

void SetIdentity(FixedTransform& t) {
  MatrixIdentity(t.rotation);
  t.translation = {0, 0, 0};
}

// A stored count of records of at least recordBytes each: 1 when the body can hold them.
bool CountFits(DataFile& f, int64_t count, int64_t recordBytes) {
  return count >= 0 && count * recordBytes <= f.BytesLeft();
}

// Refuses a read: the field is kept for the caller's message.
int Refuse(const char* field) {
  SkeletonReadFault = field;
  return 0;
}

}  // namespace

const char* SkeletonReadFault = "";

// ---- [Animations] ----

int ReadAnimation(Animation& a, DataFile& f, int rigSolids, float defaultScale) {
  int64_t budget = ANIMATION_TRANSFORM_BUDGET;
  return ReadAnimationWithin(a, f, rigSolids, defaultScale, budget);
}

int ReadAnimationWithin(Animation& a, DataFile& f, int rigSolids, float defaultScale, int64_t& transformBudget) {
  a.flags = ReadU16(f);
  const int marker = f.ReadByte();
  f.ReadByte();
  a.scale = f.ReadFloat();
  if (marker == 0 && defaultScale != 0.0f) a.scale = defaultScale;
  const int frames = ReadU16(f), stored = ReadU16(f);
  a.current = 0;
  a.frameCount = 0;
  a.frames = nullptr;
  rigSolids = std::max(rigSolids, 0);
  const int64_t transforms = int64_t(frames) * std::max(rigSolids, 1);
  if (f.readPastEnd) return Refuse("animation header");
  // Frame insertion and the steering output multiply by the scale.
  if (!std::isfinite(a.scale)) return Refuse("animation scale");
  if (frames > ANIMATION_FRAME_LIMIT || transforms > transformBudget ||
      !CountFits(f, frames, 4 + int64_t(stored) * TRANSFORM_BYTES))
    return Refuse("animation frame count");
  transformBudget -= transforms;
  if (frames == 0) return 1;
  a.frames = new AnimationFrame[size_t(frames)]();
  a.frameCount = uint16_t(frames);
  const int kept = std::min(stored, rigSolids);
  for (int i = 0; i < frames; ++i) {
    AnimationFrame& frame = a.frames[i];
    frame.time = f.ReadFloat();
    frame.transforms = new FixedTransform[size_t(std::max(rigSolids, 1))];
    for (int k = 0; k < kept; ++k) ReadTransform(f, frame.transforms[k]);
    f.Skip((stored - kept) * TRANSFORM_BYTES);
    for (int k = kept; k < rigSolids; ++k) SetIdentity(frame.transforms[k]);
  }
  if (f.readPastEnd) {
    a.Free();
    return Refuse("animation frames");
  }
  return 1;
}

void WriteAnimation(const Animation& a, DataFile& f, int solidCount) {
  WriteU16(f, a.flags);
  f.WriteByte(1);  // the scale is stored
  f.WriteByte(0);
  f.WriteFloat(a.scale);
  WriteU16(f, a.frameCount);
  WriteU16(f, uint16_t(solidCount));
  for (int i = 0; i < a.frameCount; ++i) {
    f.WriteFloat(a.frames[i].time);
    for (int k = 0; k < solidCount; ++k) WriteTransform(f, a.frames[i].transforms[k]);
  }
}

int ReadAnimationFile(Animation& a, const char* path, Prss* owner, int rigSolids, float defaultScale) {
  DataFile f;
  int32_t version = 0;
  if (!f.OpenRead(owner, path, ANIMATION_FILE_MAGIC, &version, ANIMATION_FILE_VERSION, 0)) return 0;
  if (version < ANIMATION_FILE_LOWEST_VERSION) {
    f.Close();
    ReportBox(owner, TEXT_COULD_NOT_OPEN_FILE, PathOnDisk(path).c_str());
    return 0;
  }
  const int read = ReadAnimation(a, f, rigSolids, defaultScale);
  f.Close();
  if (!read) ReportFileFault(owner, path, SkeletonReadFault);
  return read;
}

void ReportFileFault(Prss* owner, const char* path, const char* field) {
  char detail[320];
  std::snprintf(detail, sizeof detail, "%s (%s)", PathOnDisk(path).c_str(), field);
  ReportBox(owner, TEXT_DAMAGED_FILE, detail);
}

int WriteAnimationFile(const Animation& a, const char* path, Prss* owner, int solidCount) {
  DataFile f;
  if (!f.OpenWrite(owner, path, ANIMATION_FILE_MAGIC, ANIMATION_FILE_VERSION)) return 0;
  WriteAnimation(a, f, solidCount);
  return f.Close();
}

// ---- [Skeleton] ----

int Skeleton::Read(DataFile& f) {
  int64_t budget = ANIMATION_TRANSFORM_BUDGET;
  return Read(f, budget);
}

int Skeleton::Read(DataFile& f, int64_t& transformBudget) {
  density = f.ReadFloat();
  const int32_t bonesStored = f.ReadInt();
  if (f.readPastEnd || bonesStored <= 0 || !CountFits(f, bonesStored, SKELETON_BONE_BYTES))
    return Refuse("skeleton bone count");
  bones = new SkeletonBone[size_t(bonesStored)]();
  boneCount = bonesStored;
  for (int i = 0; i < boneCount; ++i) {
    SkeletonBone& b = bones[i];
    b.flags = f.ReadUInt();
    f.ReadInt();  // the first solid's place: made with the rig
    b.firstSolid = 0;
    for (float& h : b.halfExtent) h = f.ReadFloat();
    for (int32_t& p : b.position) p = f.ReadInt();
    for (float& a : b.angles) a = f.ReadFloat();
    b.colour = f.ReadUInt();
  }
  const int solids = SolidCount();
  bool refused = solids < SKELETON_MIN_SOLIDS;
  if (refused) Refuse("skeleton solids");
  const int32_t jointsStored = refused ? 0 : f.ReadInt();
  if (!refused && (f.readPastEnd || !CountFits(f, jointsStored, SKELETON_JOINT_BYTES))) {
    refused = true;
    Refuse("skeleton joint count");
  }
  if (!refused) {
    joints = new SkeletonJoint[size_t(std::max(jointsStored, 1))]();
    jointCount = jointsStored;
    for (int i = 0; i < jointCount; ++i) {
      SkeletonJoint& j = joints[i];
      j.type = f.ReadUInt();
      j.flags = f.ReadUInt();
      j.firstConstraint = 0;
      for (int32_t& p : j.position) p = f.ReadInt();
      for (float& a : j.axisAngles) a = f.ReadFloat();
      j.limitA = f.ReadFloat();
      j.limitB = f.ReadFloat();
      j.boneA = f.ReadInt();
      j.boneB = f.ReadInt();
      // A joint naming a bone the skeleton lacks would tie the rig to nothing.
      if (j.boneA < 0 || j.boneA >= boneCount || j.boneB < 0 || j.boneB >= boneCount) refused = true;
    }
    if (refused) Refuse("skeleton joint bones");
    const int32_t movementCount = refused ? 0 : f.ReadInt();
    if (!refused && (f.readPastEnd || movementCount > MOVEMENT_COUNT ||
                     !CountFits(f, movementCount, ANIMATION_HEADER_BYTES))) {
      refused = true;
      Refuse("skeleton movement count");
    }
    for (int i = 0; !refused && i < movementCount; ++i)
      refused = !ReadAnimationWithin(movements[i], f, solids, 0.0f, transformBudget);
  }
  if (!refused) {
    const int32_t posesStored = f.ReadInt();
    refused = f.readPastEnd || !CountFits(f, posesStored, 8 + POSE_NAME_SIZE + ANIMATION_HEADER_BYTES);
    if (refused) Refuse("skeleton pose count");
    if (!refused && posesStored > 0) {
      poses = new Pose[size_t(posesStored)];
      poseCount = posesStored;
      for (int i = 0; !refused && i < poseCount; ++i) {
        Pose& p = poses[i];
        p.flags = f.ReadUInt();
        p.seatings = f.ReadUInt();
        f.ReadBlock(p.name, POSE_NAME_SIZE);
        p.name[POSE_NAME_SIZE - 1] = 0;
        refused = !ReadAnimationWithin(p.low, f, solids, 0.0f, transformBudget);
        if (!refused && (p.flags & POSE_BLEND)) {
          refused = !ReadAnimationWithin(p.high, f, solids, 0.0f, transformBudget);
          p.lowHeight = f.ReadFloat();
          p.highHeight = f.ReadFloat();
        } else {
          p.lowHeight = 0.0f;
          p.highHeight = 1.0f;
        }
      }
    }
  }
  if (refused || f.readPastEnd) {
    if (!refused) Refuse("skeleton poses");
    Free();
    return 0;
  }
  return 1;
}

void Skeleton::Write(DataFile& f) const {
  f.WriteFloat(density);
  f.WriteInt(boneCount);
  for (int i = 0; i < boneCount; ++i) {
    const SkeletonBone& b = bones[i];
    f.WriteInt(int32_t(b.flags));
    f.WriteInt(0);
    for (float h : b.halfExtent) f.WriteFloat(h);
    for (int32_t p : b.position) f.WriteInt(p);
    for (float a : b.angles) f.WriteFloat(a);
    f.WriteInt(int32_t(b.colour));
  }
  f.WriteInt(jointCount);
  for (int i = 0; i < jointCount; ++i) {
    const SkeletonJoint& j = joints[i];
    f.WriteInt(int32_t(j.type));
    f.WriteInt(int32_t(j.flags));
    for (int32_t p : j.position) f.WriteInt(p);
    for (float a : j.axisAngles) f.WriteFloat(a);
    f.WriteFloat(j.limitA);
    f.WriteFloat(j.limitB);
    f.WriteInt(j.boneA);
    f.WriteInt(j.boneB);
  }
  const int solids = SolidCount();
  f.WriteInt(MOVEMENT_COUNT);
  for (const Animation& m : movements) WriteAnimation(m, f, solids);
  f.WriteInt(poseCount);
  for (int i = 0; i < poseCount; ++i) {
    const Pose& p = poses[i];
    f.WriteInt(int32_t(p.flags));
    f.WriteInt(int32_t(p.seatings));
    f.WriteFixedString(p.name, POSE_NAME_SIZE);
    WriteAnimation(p.low, f, solids);
    if (p.flags & POSE_BLEND) {
      WriteAnimation(p.high, f, solids);
      f.WriteFloat(p.lowHeight);
      f.WriteFloat(p.highHeight);
    }
  }
}
