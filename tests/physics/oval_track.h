// oval_track.h - the car on the track writer's test oval, shared by the car simulation's tests
// and its benchmark: the oval written into data/wld of the working folder and loaded as the
// program loads a track, the car stepped on its road (the road's sections and segments in the
// map squares under the car in place of the floor), and a driver steering along the car's own
// racing-path figures at a held speed.
#pragma once

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/frame_globals.h"
#include "physics/car.h"
#include "physics/car_world.h"
#include "tools/track_writer/track_files.h"
#include "world/racing_path.h"
#include "world/track_file.h"
#include "world/world.h"
#include "world/world_setup.h"

// Writes the test oval as data/wld/test_oval.wld under the working folder, loads it through
// the world's loader and set-up (graphics off), and installs the world and the car's world.
// Returns "" when the oval is the current world with its racing path, else what went wrong.
inline std::string LoadTestOval() {
  GraphicsEnabled = 0;
  const TrackImages images = BuildTrackImages(TRACK_TEST_OVAL, false);
  std::filesystem::create_directories("data/wld");
  {
    std::ofstream out("data/wld/test_oval.wld", std::ios::binary);
    out.write(reinterpret_cast<const char*>(images.world.data()), std::streamsize(images.world.size()));
    if (!out) return "data/wld/test_oval.wld not written";
  }
  Wld* world = new Wld;
  if (world->LoadTrackFile("test_oval") != 1) return "LoadTrackFile refused the oval";
  for (int calls = 0; world->loadStep != 0 && calls < 100000; ++calls) SetupWorldInGameCode();
  if (world->loadStep != 0) return "the set-up did not finish";
  if (world->loadFailed != 0) return "the load failed";
  if (CWld != world) return "the oval is not the current world";
  if (CWld->currentPath == nullptr) return "no racing path";
  const TrackPath& path = *CWld->currentPath;
  if (!(path.nodes[0].roadLeft < path.nodes[0].roadRight)) return "the road's left edge lies right of its right";
  InstallWorld();
  InstallCarWorld();
  return "";
}

// The car's points meet the world objects in the map squares under its box (each once).
inline void RoadContacts(Car& car) {
  struct Met {
    Car* car;
    int count;
    FixedOb* seen[64];  // the first count are read: not cleared every step
  } met;
  met.car = &car;
  met.count = 0;
  const IntVector lo = {car.box[0], car.box[1], car.box[2]}, hi = {car.box[3], car.box[4], car.box[5]};
  Wld::MapSquareRange(
      lo, hi,
      [](void* context, FixedOb* object, int) {
        Met& m = *static_cast<Met*>(context);
        if (std::find(m.seen, m.seen + m.count, object) != m.seen + m.count) return;
        if (m.count < 64) m.seen[m.count++] = object;
        m.car->CollideWithObject(object, 1, 1, 1);
      },
      &met);
}

// n steps of the car in the program's order, the road in place of the floor.
inline void StepOnRoad(Car& car, int n, float gravity) {
  for (int i = 0; i < n; ++i) {
    car.Integrate(CAR_STEP_SECONDS, 0);
    RoadContacts(car);
    car.CheckGround();
    car.Update(CAR_STEP_SECONDS, gravity);
  }
}

// The throttle and brake holding a speed (m/s), one gear up near the top of the engine's
// range.
inline void HoldSpeed(Car& car, float speed) {
  const float e = speed - car.speed;
  car.inputs.throttle = uint16_t(std::clamp(8000.0f + 20000.0f * e, 0.0f, 65535.0f));
  car.inputs.brake = uint16_t(std::clamp(-20000.0f * e, 0.0f, 65535.0f));
  if (car.engine.speed > car.engine.redline * 0.6f && car.gear < Car::FIRST_GEAR_SLOT + 2)
    car.gear = uint8_t(car.gear + 1);
}

// The steering word for a wheel angle (rad, + to the left) within the car's lock.
inline uint16_t SteeringWord(const Car& car, double angle) {
  const double lock = double(float(car.steeringLock) * float(3.14159265358979323846) / 180.0f);
  const double word = STEERING_STRAIGHT - angle / lock * 32768.0;
  return uint16_t(std::clamp(std::lround(word), 0L, 65535L));
}

// Steers toward a target point (m) reached on a circle through the car (the angle to it from
// the car's heading, over the wheel base), and back toward a line by the car's lateral offset
// from it (m, + right of it).
inline void SteerToward(Car& car, double tx, double ty, double offset) {
  const double cx = car.position.x / 65536.0, cy = car.position.y / 65536.0;
  const double fx = car.orientation[1], fy = car.orientation[4];
  const double ax = tx - cx, ay = ty - cy, d = std::hypot(ax, ay);
  const double leftward = (fx * ay - fy * ax) / (std::hypot(fx, fy) * d);  // sine of the angle, + to the left
  const double steer = std::atan(2.0 * car.wheelBase * leftward / d) + 0.1 * offset;
  car.inputs.steering = SteeringWord(car, steer);
}

// Drives along the racing path from the path following's own figures: steers toward the point
// 10 m ahead of the path point along the path and back toward the line by its lateral offset;
// holds the speed.
inline void DriveAlongPath(Car& car, float speed) {
  const PathPoint& at = car.pathPoint;
  SteerToward(car, at.position.x / 65536.0 + at.dirX * 10.0, at.position.y / 65536.0 + at.dirY * 10.0,
              car.pathOffset);
  HoldSpeed(car, speed);
}
