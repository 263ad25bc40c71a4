// solid_hooks.cpp - the race's and the world's tables and their offline answers.
#include "solid/solid_hooks.h"

namespace {

int Never() { return 0; }
void NoObjectMoved(const IntVector&, float) {}
void NoWarning(int) {}
Solid* NoCar(int) { return nullptr; }
int NoType(int) { return -1; }  // there are no players
void NothingSent(const uint8_t*, int) {}
void NothingSentTo(int, const uint8_t*, int) {}
void NoControlLink(const uint8_t*, int) {}
void NoEventRecord(int, const uint8_t*, int) {}
int NoId(int) { return 0; }
int Always() { return 1; }

float StandardGravity() { return -9.81f; }
Vec3 NoWind() { return {0.0f, 0.0f, 0.0f}; }
int NoSquares(int32_t, int32_t, int32_t, int32_t, int&, int&, int&, int&) { return 0; }
int NoTrunks(int, int, const TrunkRecord*& trunks) {
  trunks = nullptr;
  return 0;
}
void NoObjectChange(FixedOb*) {}
void NoRayHit(FixedOb*, const IntVector&, const IntVector&, ContactProbe&, int, int, int, int) {}
uint8_t NoFlags(const FixedOb*) { return 0; }
void NoMesh(DrawMesh*) {}
int DefaultPitLimit() { return NO_WORLD_PIT_LIMIT; }
const int32_t* NoRayBox(const FixedOb*) { return nullptr; }

}  // namespace

RaceHooks OfflineRaceHooks() {
  return {Never,       NoObjectMoved, Never,         NoWarning,     Never, NoCar, NoType, NothingSent,
          NothingSent, NothingSent,   NothingSentTo, NoControlLink, NoEventRecord, NoId, NothingSent, Always};
}

WorldHooks NoWorldHooks() {
  return {StandardGravity, NoWind,       NoSquares, NoTrunks, NoObjectChange, NoObjectChange,
          NoObjectChange,  NoRayHit,     NoFlags,   NoMesh,   DefaultPitLimit, NoRayBox};
}

RaceHooks RaceLink = OfflineRaceHooks();
WorldHooks WorldLink = NoWorldHooks();

RaceHooks InstallRaceHooks(const RaceHooks& hooks) {
  const RaceHooks previous = RaceLink;
  RaceLink = hooks;
  return previous;
}

WorldHooks InstallWorldHooks(const WorldHooks& hooks) {
  const WorldHooks previous = WorldLink;
  WorldLink = hooks;
  return previous;
}
