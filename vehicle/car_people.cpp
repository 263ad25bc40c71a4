// car_people.cpp - the driver and passengers of a drawn car (car_people.h).
#include "vehicle/car_people.h"

#include <algorithm>
#include <cmath>

#include "physics/car.h"
#include "render/gouraud_mesh.h"
#include "render/humans.h"
#include "render/matrices.h"
#include "render/primitives.h"
#include "skeleton/human_system.h"
#include "skeleton/skeleton.h"
#include "vehicle/car_animations.h"
#include "vehicle/car_drawing.h"

namespace {

int32_t ToFixed(double metres) { return static_cast<int32_t>(std::clamp(metres * 65536.0, -2147483647.0, 2147483647.0)); }

int32_t Mix(int32_t a, int32_t b, float t) {
  return static_cast<int32_t>(std::lround(static_cast<double>(a) + (static_cast<double>(b) - a) * t));
}

// The slot of a figure's human model, or null.
const HumanMeshSlot* SlotOf(const AnimInstance& figure) {
  if (!figure.human) return nullptr;
  HumanFiguresWanted();
  if (!HumanMeshes.slots) return nullptr;
  const int s = FindHumanSlot(static_cast<int>(figure.human->skeletonIndex));
  return s >= 0 && s < HumanMeshes.slotCount ? &HumanMeshes.slots[s] : nullptr;
}

// The helmet on a head: turned half a turn about x (its model faces the other way), turned
// by the head's turn and tilt at the near levels, at the head point; into the world.
void AddHelmet(const Car& car, CarDrawing& d, const IntVector& head, uint8_t level, uint32_t turn, uint32_t tilt) {
  HumanFiguresWanted();
  if (Helmet.levelCount <= 0 || !GetFastMesh(Helmet.fastMesh)) return;
  CarDrawItem* item = d.items.Add();
  if (!item) return;
  item->lod = level;
  item->tag = ITEM_TAG_HELMET;
  FixedTransform local;
  FixedMatrix over, turned, tilted;
  MatrixRotX(over, 0x8000);
  MatrixRotZ(turned, level <= 1 ? turn : 0);
  MatrixRotX(tilted, level <= 1 ? tilt : 0);
  MatrixMultiply(turned, tilted, local.rotation);
  MatrixMultiply(local.rotation, over, local.rotation);
  local.translation = head;
  FixedTransform world;
  TransformCompose(car.drawTransform, local, world);
  FixedMatrixToFloat(world, item->matrix);
}

// A figure's level of detail at the car's distance; FIGURE_NOT_DRAWN without a mesh slot.
uint8_t LevelOf(const AnimInstance& body, const CarDrawing& d) {
  const HumanMeshSlot* slot = SlotOf(body);
  return slot ? FigureLevel(*slot, d.lodDistance) : FIGURE_NOT_DRAWN;
}

// One figure at its seat and level (one that is drawn): its pose when asked, its head (from
// the seat) and helmet.
void PlaceFigure(Car& car, CarDrawing& d, CarFigure& figure, uint8_t level, AnimInstance& body, const IntVector& seat,
                 const IntVector& head, int pose, int helmet, uint32_t turn, uint32_t tilt) {
  figure.level = level;
  figure.head = IntVector{WrappingAdd(head.x, seat.x), WrappingAdd(head.y, seat.y), WrappingAdd(head.z, seat.z)};
  const HumanMeshSlot* slot = SlotOf(body);
  GouraudO3d* mesh = slot && level < HUMAN_LEVELS ? slot->meshes[level] : nullptr;
  if (pose && mesh) {
    FixedTransform at, parent;
    MatrixIdentity(at.rotation);
    at.translation = seat;
    TransformCompose(car.drawTransform, at, parent);
    uint16_t first = 0;
    const int added = mesh->DrawPosed(parent, body.bones, body.boneCount, 0, &first);
    figure.firstBatch = first;
    figure.batchCount = static_cast<uint16_t>(std::max(added, 0));
  }
  if (helmet) AddHelmet(car, d, figure.head, level, turn, tilt);
}

}  // namespace

uint8_t FigureLevel(const HumanMeshSlot& slot, int32_t lodDistance) {
  const int levels = std::clamp<int>(slot.levelCount, 0, HUMAN_LEVELS);
  for (int i = 0; i < levels; ++i)
    if (slot.distanceLimits[i] >= lodDistance) return static_cast<uint8_t>(i);
  return FIGURE_NOT_DRAWN;
}

void BlendFrames(const FixedTransform* a, const FixedTransform* b, int count, float blend, FixedTransform* out) {
  const float t = std::isfinite(blend) ? std::clamp(blend, 0.0f, 1.0f) : 0.0f;
  for (int i = 0; i < count; ++i) {
    FixedTransform r;
    r.translation = {Mix(a[i].translation.x, b[i].translation.x, t), Mix(a[i].translation.y, b[i].translation.y, t),
                     Mix(a[i].translation.z, b[i].translation.z, t)};
    float m[9];
    for (int k = 0; k < 9; ++k)
      m[k] = static_cast<float>((a[i].rotation.m[k] + (static_cast<double>(b[i].rotation.m[k]) - a[i].rotation.m[k]) * t) /
                                65536.0);
    // Gram-Schmidt on the rows: a blend of two rotations is no rotation until made one.
    for (int row = 0; row < 3; ++row) {
      float* v = &m[3 * row];
      for (int prev = 0; prev < row; ++prev) {
        const float* p = &m[3 * prev];
        const float dot = v[0] * p[0] + v[1] * p[1] + v[2] * p[2];
        for (int k = 0; k < 3; ++k) v[k] -= dot * p[k];
      }
      const float length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
      if (length > 1e-6f)
        for (int k = 0; k < 3; ++k) v[k] /= length;
    }
    MatrixFloatToFixed(m, r.rotation);
    out[i] = r;
  }
}

IntVector HeadPoint(const FixedTransform* solids, int count) {
  IntVector head = {0, 0, 0};
  for (int i = 0; i < count; ++i)
    if (i == 0 || solids[i].translation.z > head.z) head = solids[i].translation;
  head.z = WrappingAdd(head.z, -ToFixed(HEAD_DROP));
  return head;
}

void PoseCarPeople(Car& car, CarDrawing& d, const CarViewSettings& view, int driverShown) {
  for (CarFigure& f : d.figures) f = CarFigure{FIGURE_NOT_DRAWN, 0, 0, {}};
  if (!(d.drawFlags & DRAW_PEOPLE)) return;
  const int pose = (d.drawFlags & DRAW_POSE_PEOPLE) != 0;
  const int helmet = d.drawnPass != VIEW_INSIDE;  // no helmet seen from inside the car
  // The head's turn and tilt: the drawn pitch held to 1.5 rad, an eighth of it.
  const float pitch = std::clamp(d.drawnPitch, -1.5f, 1.5f) * RADIANS_TO_TURN16 * 0.125f;
  const float turnAngle = std::isfinite(d.headTurn) ? d.headTurn * RADIANS_TO_TURN16 : 0.0f;
  const uint32_t turn = static_cast<uint32_t>(static_cast<int32_t>(turnAngle));
  const uint32_t tilt = static_cast<uint32_t>(static_cast<int32_t>(pitch));
  // The driver is posed for the steer of this frame once his figure is drawn at all.
  if (AnimInstance* driver = car.steeringInstance; driver && driver->bones && driverShown) {
    const uint8_t level = LevelOf(*driver, d);
    if (level != FIGURE_NOT_DRAWN) {
      const Vec3 head = car.PoseDriver();
      const IntVector fromSeat = {ToFixed(head.x), ToFixed(head.y), ToFixed(head.z)};
      PlaceFigure(car, d, d.figures[0], level, *driver, d.driverOffset, fromSeat, pose, helmet, turn, tilt);
    }
  }
  for (int k = 0; k < PASSENGER_SLOTS; ++k) {
    AnimInstance* passenger = car.passengerAnimations[k];
    if (!passenger || !passenger->bones) continue;
    const uint8_t level = LevelOf(*passenger, d);
    if (level == FIGURE_NOT_DRAWN) continue;
    const Vec3 s = car.seatPositions[k];
    const IntVector seat = {ToFixed(car.mirrored ? -s.x : s.x), ToFixed(s.y), ToFixed(s.z)};
    PlaceFigure(car, d, d.figures[1 + k], level, *passenger, seat, HeadPoint(passenger->bones, passenger->boneCount),
                pose, 1, 0, 0);
  }
}

void DrawCarPeople(const CarDrawing& d) {
  if (!(d.drawFlags & DRAW_PEOPLE)) return;
  SetIdentityMatrix(WorldMatrix);  // the figures were posed into world positions
  UploadWorldMatrix(0, 0);
  for (const CarFigure& f : d.figures)
    if (f.level < FIGURE_NOT_DRAWN && f.batchCount > 0) DrawTempMeshRange(f.firstBatch, f.batchCount);
}

Vec3 Car::PoseDriver() {
  AnimInstance* driver = steeringInstance;
  if (!driver || !driver->bones) return Vec3{0.0f, 0.0f, -HEAD_DROP};
  const Animation* steering = steeringPose;
  if (steering && steering->frames && steering->frameCount > 0) {
    const float lock = static_cast<float>(steeringLock);
    const float fullTurn = SteeringWheelFullTurn(steeringWheelTurn, lock, SteeringRatioByte(*this));
    const DriverFrame f = ChooseDriverFrame(steering->frameCount, fullTurn, steering->scale, controls.steerAngle, lock);
    const FixedTransform* a = steering->frames[f.frame].transforms;
    const FixedTransform* b = steering->frames[f.next].transforms;
    if (a && b) BlendFrames(a, b, driver->boneCount, steering->frameCount > 1 ? f.blend : 0.0f, driver->bones);
  }
  const IntVector head = HeadPoint(driver->bones, driver->boneCount);
  return Vec3{float(head.x / 65536.0), float(head.y / 65536.0), float(head.z / 65536.0)};
}
