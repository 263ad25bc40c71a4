// car_bench.cpp - the 1 ms step of the sample road car (full tyre model, four wheels, the show
// car's flag, no world) standing with its engine idling, driving a circle at a steady
// throttle, sliding on locked wheels, and accelerating straight from standing at full throttle
// through its gears (10 s, then again from standing); beside Bullet's ray-cast vehicle (a
// 1200 kg box chassis, four ray wheels on a static plane, a constant engine force and steering,
// 1 ms steps) doing the same.  Target: at least 1.1 times Bullet's steps per second in the
// standing, circling and accelerating cases, and at least 50,000 steps per second, so the
// editor's 1000-step catch-up costs at most 20 ms.  Prints steps per second of each and the
// ratios last.  The car is also driven at 12 m/s round the track writer's test oval, loaded as
// the program loads a track, on its road at location kind 2 (following its racing path),
// against the same car driven at the same speed round a 60 m circle on the flat floor at kind
// 0 (target: at most 10% more time a step).  Both sides pay the same driver: toward a point
// 10 m ahead, back toward the line by the lateral offset (on the oval the path following's own
// figures, on the floor the driver's from the circle).  Each comparison's five timed runs
// alternate (ours, Bullet's, ours, ...; the floor, the oval, the floor, ...) so that a change
// of the machine's load falls on both, each side keeping its fastest.  A fingerprint of each
// driven side's steps is printed to compare changes by, with the radius range of the circle
// driven on the floor.
#include <benchmark/benchmark.h>
#include <btBulletDynamicsCommon.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench/solid/rate_reporter.h"
#include "core/checksum.h"
#include "physics/car.h"
#include "physics/car_world.h"
#include "platform/spawn.h"
#include "tests/physics/oval_track.h"
#include "text/text_colours.h"
#include "tools/vehicle_gen/sample_vehicles.h"

namespace {

constexpr float DT = 0.001f;
constexpr float GRAVITY = -9.81f;
constexpr int ROAD_CAR = 0;
constexpr int KEEP_SLIDING_STEPS = 500;  // the sliding car is given its speed back this often
constexpr float SLIDE_SPEED = 20.0f;     // m/s

constexpr int ACCELERATING_STEPS = 10000;  // the accelerating car starts again from standing this often

enum Case { IDLE = 0, CIRCLE = 1, LOCKED = 2, STRAIGHT = 3 };
const char* const CASE_NAMES[] = {"idle", "circle", "locked", "straight acceleration"};

void StepCar(Car& car) {
  car.Integrate(DT, 0);
  car.FloorContacts();
  car.CheckGround();
  car.Update(DT, GRAVITY);
}

// The sample road car stood level at x, y (m) heading along +y, its lowest point 5 cm above the
// ground, settled by the step given; then its engine started and idling.
std::unique_ptr<Car> ReadyCar(float x, float y, void (*step)(Car&)) {
  SetDefaultTextColours();
  Crc32InitTable();
  InitWheelTables();
  auto car = std::make_unique<Car>();
  BuildSampleVehicle(ROAD_CAR, *car);
  car->currentSetup = car->setups[0].record;
  car->driverSlot = 0;
  car->SetupFromVehicle(0);
  car->showCar = 1;
  car->SetFuelLoad(50);
  car->assists.autoClutch = 1;
  SetIdentity3x3(car->orientation);
  car->InitState();
  car->awake = car->simulated = 1;
  car->frozen = 0;
  for (int i = 0; i < car->wheelCount; ++i) {
    car->wheels[i].ResetWheelState();
    car->wheels[i].UpdateSuspensionGeometry(car->wheelSets[car->wheels[i].wheelSet & 1]);
  }
  car->engine.ClearState();
  car->UpdateMassProperties();
  car->position = FixedFromMetres(Vec3{x, y, 0.05f - car->LowestPoint()});
  for (int n = 0; n < 1000; ++n) step(*car);
  car->engine.Start();
  car->engine.speed = car->engine.idleSpeed;
  for (int n = 0; n < 300; ++n) step(*car);
  return car;
}

// The sample road car on the floor, brought into the case's steady state.
std::unique_ptr<Car> SampleCar(Case what) {
  auto car = ReadyCar(0.0f, 0.0f, StepCar);
  if (what == CIRCLE) {
    car->gear = Car::FIRST_GEAR_SLOT + 1;
    car->inputs.steering = STEERING_STRAIGHT - 6000;
    car->inputs.throttle = 20000;
  } else if (what == LOCKED) {
    car->velocity = MatrixTimes(car->orientation, Vec3{0.0f, SLIDE_SPEED, 0.0f});
    car->inputs.brake = 65535;
  } else if (what == STRAIGHT) {
    car->gear = Car::FIRST_GEAR_SLOT;
    car->gearAssist[2] = 1;  // the gearbox shifts by itself
    car->inputs.throttle = 65535;
  }
  // The circle settles to its speed; the brakes lock the wheels within a few tens of steps; the
  // accelerating car starts at once.
  const int settle = what == CIRCLE ? 8000 : what == STRAIGHT ? 0 : 300;
  for (int n = 0; n < settle; ++n) StepCar(*car);
  return car;
}

void BM_Car(benchmark::State& state) {
  const Case what = static_cast<Case>(state.range(0));
  auto car = SampleCar(what);
  int steps = 0;
  for (auto _ : state) {
    StepCar(*car);
    ++steps;
    if (what == LOCKED && steps % KEEP_SLIDING_STEPS == 0)
      car->velocity = MatrixTimes(car->orientation, Vec3{0.0f, SLIDE_SPEED, 0.0f});
    if (what == STRAIGHT && steps % ACCELERATING_STEPS == 0) {
      state.PauseTiming();
      if (car->frozen || car->speed < 10.0f) state.SkipWithError("the car did not accelerate");
      car = SampleCar(what);
      state.ResumeTiming();
    }
    benchmark::DoNotOptimize(car->position);
  }
  if (car->frozen) state.SkipWithError("the car was halted");
  state.SetItemsProcessed(state.iterations());  // steps
}
// Registered in main, each case's runs alternating with Bullet's.

// The car driven at a held speed: round the test oval's racing path on its road at location
// kind 2, or round a circle of the oval's bend radius on the floor at kind 0, counter-clockwise
// (turning left) from where the car stood.  Each step is the driver's inputs (the same
// arithmetic on both sides) and then the program's step: integration, the contacts (the world objects
// in the map squares under the car, or the floor), the ground check and the update, which at
// kind 2 follows the path (FollowPath, the pit limit) and reads the world's wind.
constexpr float HELD_SPEED = 12.0f;   // m/s
constexpr float FLAT_RADIUS = 60.0f;  // m: the oval's bends
constexpr int DRIVE_UP_STEPS = 5000;  // from rest to the held speed, before timing
constexpr int ALTERNATING_RUNS = 5;   // timed runs of each side, alternating
constexpr float RADIUS_SLACK = 3.0f;  // m: how far from the circle the car on the floor may run

// The circle of FLAT_RADIUS driven on the floor: its centre (m), gone round counter-clockwise.
struct FlatCircle {
  double cx = 0, cy = 0;
  double aheadCos = 1, aheadSin = 0;  // the turn of 10 m round the circle
};

double RadiusOn(const FlatCircle& circle, const Car& car) {
  return std::hypot(car.position.x / 65536.0 - circle.cx, car.position.y / 65536.0 - circle.cy);
}

// The path driver's work toward the circle: the car's lateral offset from the circle (+ outside,
// right of a car going round to the left) and the point 10 m round it from the nearest one.
void DriveAroundCircle(Car& car, const FlatCircle& circle, float speed) {
  const double rx = car.position.x / 65536.0 - circle.cx, ry = car.position.y / 65536.0 - circle.cy;
  // A plain square root, not hypot: the path side gets its offset from the car's own step, so
  // this side's driver adds as little as it can for it.
  const double r = std::sqrt(rx * rx + ry * ry);
  const double ux = rx / r, uy = ry / r;  // outward at the nearest point
  const double ax = ux * circle.aheadCos - uy * circle.aheadSin, ay = uy * circle.aheadCos + ux * circle.aheadSin;
  SteerToward(car, circle.cx + FLAT_RADIUS * ax, circle.cy + FLAT_RADIUS * ay, r - FLAT_RADIUS);
  HoldSpeed(car, speed);
}

void StepRoad(Car& car) { StepOnRoad(car, 1, GRAVITY); }

// The oval's file is written into a scratch folder, entered while the oval is loaded.
class OvalFolder {
 public:
  OvalFolder() : previous_(std::filesystem::current_path()) {
    folder_ = std::filesystem::temp_directory_path() / ("zkt_car_bench_" + std::to_string(CurrentProcessId()));
    std::filesystem::create_directories(folder_);
    std::filesystem::current_path(folder_);
  }
  ~OvalFolder() {
    std::filesystem::current_path(previous_);
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  OvalFolder(const OvalFolder&) = delete;
  OvalFolder& operator=(const OvalFolder&) = delete;

 private:
  std::filesystem::path previous_, folder_;
};

// Not inlined, so that a profiler can count the driver alone and the steps with it
// (callgrind --toggle-collect).
[[gnu::noinline]] void Drive(Car& car, int kind, const FlatCircle& circle) {
  if (kind == LOCATION_ON_TRACK)
    DriveAlongPath(car, HELD_SPEED);
  else
    DriveAroundCircle(car, circle, HELD_SPEED);
}

[[gnu::noinline]] void DriveStep(Car& car, int kind, const FlatCircle& circle) {
  Drive(car, kind, circle);
  if (kind == LOCATION_ON_TRACK)
    StepOnRoad(car, 1, GRAVITY);
  else
    StepCar(car);
}

// The car of a kind driven up to the held speed; null (the reason printed) when the oval did
// not load.  On the floor the circle is set where the car stands, its centre to the car's left.
std::unique_ptr<Car> DrivenCar(int kind, FlatCircle& circle) {
  std::unique_ptr<Car> car;
  if (kind == LOCATION_ON_TRACK) {
    const std::string failure = LoadTestOval();
    if (!failure.empty()) {
      std::fprintf(stderr, "the test oval: %s\n", failure.c_str());
      return nullptr;
    }
    car = ReadyCar(60.0f, -95.0f, StepRoad);  // on the right straight, heading along it
    car->locationKind = LOCATION_ON_TRACK;
    car->FindPath();
  } else {
    car = ReadyCar(0.0f, 0.0f, StepCar);
    const double fx = car->orientation[1], fy = car->orientation[4], f = std::hypot(fx, fy);
    circle.cx = car->position.x / 65536.0 - FLAT_RADIUS * fy / f;
    circle.cy = car->position.y / 65536.0 + FLAT_RADIUS * fx / f;
    circle.aheadCos = std::cos(10.0 / FLAT_RADIUS);
    circle.aheadSin = std::sin(10.0 / FLAT_RADIUS);
  }
  car->topSpeed = 60.0f;
  car->gear = Car::FIRST_GEAR_SLOT;
  for (int n = 0; n < DRIVE_UP_STEPS; ++n) DriveStep(*car, kind, circle);
  return car;
}

void LeaveOval() {
  DeleteWorld();
  CarWorld = {};
}

void BM_CarDriven(benchmark::State& state) {
  const int kind = int(state.range(0));
  OvalFolder folder;
  FlatCircle circle;
  auto car = DrivenCar(kind, circle);
  if (!car) {
    state.SkipWithError("the test oval did not load");
    return;
  }
  for (auto _ : state) {
    DriveStep(*car, kind, circle);
    benchmark::DoNotOptimize(car->position);
  }
  if (car->frozen) state.SkipWithError("the car was halted");
  if (kind == LOCATION_ON_TRACK && car->pathNode < 0) state.SkipWithError("the car lost its path");
  if (kind != LOCATION_ON_TRACK && std::fabs(RadiusOn(circle, *car) - FLAT_RADIUS) > RADIUS_SLACK)
    state.SkipWithError("the car left its circle");
  if (std::fabs(car->speed - HELD_SPEED) > 1.0f) state.SkipWithError("the car did not hold its speed");
  state.SetItemsProcessed(state.iterations());
  if (kind == LOCATION_ON_TRACK) LeaveOval();
}
// Registered in main, the two sides' runs alternating.

// Bullet's ray-cast vehicle on a static plane, z up, y forward.
struct BulletCar {
  btDefaultCollisionConfiguration configuration;
  btCollisionDispatcher dispatcher{&configuration};
  btDbvtBroadphase broadphase;
  btSequentialImpulseConstraintSolver solver;
  btDiscreteDynamicsWorld world{&dispatcher, &broadphase, &solver, &configuration};
  btStaticPlaneShape planeShape{btVector3(0, 0, 1), 0};
  btBoxShape chassisShape{btVector3(0.85f, 2.2f, 0.5f)};
  btDefaultMotionState planeMotion{btTransform::getIdentity()};
  std::unique_ptr<btRigidBody> plane;
  std::unique_ptr<btDefaultMotionState> chassisMotion;
  std::unique_ptr<btRigidBody> chassis;
  btRaycastVehicle::btVehicleTuning tuning;
  std::unique_ptr<btDefaultVehicleRaycaster> raycaster;
  std::unique_ptr<btRaycastVehicle> vehicle;

  explicit BulletCar(Case what) {
    world.setGravity(btVector3(0, 0, GRAVITY));
    plane = std::make_unique<btRigidBody>(btRigidBody::btRigidBodyConstructionInfo(0.0f, &planeMotion, &planeShape));
    world.addRigidBody(plane.get());
    const float mass = 1200.0f;
    btVector3 inertia;
    chassisShape.calculateLocalInertia(mass, inertia);
    btTransform start;
    start.setIdentity();
    start.setOrigin(btVector3(0, 0, 1.0f));
    chassisMotion = std::make_unique<btDefaultMotionState>(start);
    chassis = std::make_unique<btRigidBody>(
        btRigidBody::btRigidBodyConstructionInfo(mass, chassisMotion.get(), &chassisShape, inertia));
    chassis->setActivationState(DISABLE_DEACTIVATION);
    world.addRigidBody(chassis.get());
    raycaster = std::make_unique<btDefaultVehicleRaycaster>(&world);
    vehicle = std::make_unique<btRaycastVehicle>(tuning, chassis.get(), raycaster.get());
    vehicle->setCoordinateSystem(0, 2, 1);
    world.addAction(vehicle.get());
    const btVector3 down(0, 0, -1), axle(-1, 0, 0);
    for (int i = 0; i < 4; ++i) {
      const bool front = i >= 2;
      const btVector3 at(i & 1 ? 0.75f : -0.75f, front ? 1.3f : -1.3f, -0.2f);
      vehicle->addWheel(at, down, axle, 0.4f, 0.3f, tuning, front);
    }
    for (int i = 0; i < 4; ++i) {
      btWheelInfo& wheel = vehicle->getWheelInfo(i);
      wheel.m_suspensionStiffness = 40.0f;
      wheel.m_wheelsDampingRelaxation = 2.3f;
      wheel.m_wheelsDampingCompression = 4.4f;
      wheel.m_frictionSlip = 1.0f;
      wheel.m_rollInfluence = 0.1f;
    }
    for (int n = 0; n < 1000; ++n) Step();
    if (what == CIRCLE) {
      for (int i = 2; i < 4; ++i) vehicle->setSteeringValue(0.1f, i);
      for (int i = 0; i < 2; ++i) vehicle->applyEngineForce(600.0f, i);
    } else if (what == LOCKED) {
      chassis->setLinearVelocity(btVector3(0, SLIDE_SPEED, 0));
      for (int i = 0; i < 4; ++i) vehicle->setBrake(5000.0f, i);
    } else if (what == STRAIGHT) {
      for (int i = 0; i < 2; ++i) vehicle->applyEngineForce(1500.0f, i);
    }
    for (int n = 0; n < (what == CIRCLE ? 8000 : what == STRAIGHT ? 0 : 300); ++n) Step();
  }
  ~BulletCar() {
    world.removeAction(vehicle.get());
    world.removeRigidBody(chassis.get());
    world.removeRigidBody(plane.get());
  }
  void Step() { world.stepSimulation(DT, 0); }  // one fixed step of 1 ms
};

void BM_Bullet(benchmark::State& state) {
  const Case what = static_cast<Case>(state.range(0));
  auto car = std::make_unique<BulletCar>(what);
  int steps = 0;
  for (auto _ : state) {
    car->Step();
    ++steps;
    if (what == LOCKED && steps % KEEP_SLIDING_STEPS == 0) {
      const btVector3 forward = car->chassis->getWorldTransform().getBasis().getColumn(1);
      car->chassis->setLinearVelocity(forward * SLIDE_SPEED);
    }
    if (what == STRAIGHT && steps % ACCELERATING_STEPS == 0) {
      state.PauseTiming();
      car = std::make_unique<BulletCar>(what);
      state.ResumeTiming();
    }
    benchmark::DoNotOptimize(car->chassis->getWorldTransform());
  }
  state.SetItemsProcessed(state.iterations());
}

// A fingerprint of 20,000 steps of a side: each step's state check word and the car's place on
// the path, its view and look, hashed (FNV-1a).  A change meant to be faster must leave it as
// it was.  On the floor the range of the car's distance from the circle's centre is kept.
struct Fingerprint {
  uint64_t hash = 0;
  double lowRadius = 1e9, highRadius = -1e9;
};

Fingerprint DrivenFingerprint(int kind) {
  OvalFolder folder;
  FlatCircle circle;
  auto car = DrivenCar(kind, circle);
  Fingerprint print;
  if (!car) return print;
  uint64_t hash = 14695981039346656037ull;
  auto mix = [&hash](const void* data, size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 1099511628211ull;
  };
  for (int n = 0; n < 20000; ++n) {
    DriveStep(*car, kind, circle);
    const uint32_t crc = car->StateCrc();
    const float figures[] = {car->pathOffset, car->pathDistance, car->minimumSpeed, car->pathPoint.dirX,
                             car->pathPoint.dirY, car->viewPosition[0], car->viewPosition[1], car->viewPosition[2],
                             car->viewVelocity[0], car->viewVelocity[1], car->viewVelocity[2], car->lookAngle,
                             car->lookRate, car->windVelocity.x, car->windVelocity.y};
    const int32_t words[] = {car->pathNode, car->pathPoint.position.x, car->pathPoint.position.y,
                             car->pointAheadNow[0], car->pointAheadNow[1], car->pointAheadNow[2],
                             int32_t(car->wrongWayCount), int32_t(car->reverseCount), car->pitSpeedLimit, car->frozen};
    mix(&crc, sizeof crc);
    mix(figures, sizeof figures);
    mix(words, sizeof words);
    if (kind != LOCATION_ON_TRACK) {
      const double r = RadiusOn(circle, *car);
      print.lowRadius = std::min(print.lowRadius, r), print.highRadius = std::max(print.highRadius, r);
    }
  }
  if (kind == LOCATION_ON_TRACK) LeaveOval();
  print.hash = hash;
  return print;
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  for (int run = 0; run < ALTERNATING_RUNS; ++run) {
    for (int what = IDLE; what <= STRAIGHT; ++what) {
      benchmark::RegisterBenchmark("BM_Car", BM_Car)->Arg(what);
      benchmark::RegisterBenchmark("BM_Bullet", BM_Bullet)->Arg(what);
    }
  }
  for (int run = 0; run < ALTERNATING_RUNS; ++run) {
    benchmark::RegisterBenchmark("BM_CarDriven", BM_CarDriven)->Arg(0);
    benchmark::RegisterBenchmark("BM_CarDriven", BM_CarDriven)->Arg(LOCATION_ON_TRACK);
  }
  RateReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  for (int what = IDLE; what <= STRAIGHT; ++what) {
    const std::string arg = "/" + std::to_string(what);
    const auto ours = reporter.stepsPerSecond.find("BM_Car" + arg);
    const auto theirs = reporter.stepsPerSecond.find("BM_Bullet" + arg);
    if (ours == reporter.stepsPerSecond.end() || theirs == reporter.stepsPerSecond.end() || theirs->second <= 0)
      continue;
    std::printf("%s: ours %.0f steps/s, Bullet %.0f steps/s (fastest of five each), ratio %.2f%s\n", CASE_NAMES[what],
                ours->second, theirs->second, ours->second / theirs->second,
                what == LOCKED ? "" : " (target: ratio >= 1.10 and ours >= 50000)");
  }
  const auto off = reporter.stepsPerSecond.find("BM_CarDriven/0");
  const auto on = reporter.stepsPerSecond.find("BM_CarDriven/" + std::to_string(LOCATION_ON_TRACK));
  if (off != reporter.stepsPerSecond.end() && on != reporter.stepsPerSecond.end() && on->second > 0)
    std::printf("on the oval at kind 2: %.0f steps/s, on the floor at kind 0: %.0f steps/s (fastest of five each, "
                "processor time), time ratio %.3f (target at most 1.10)\n",
                on->second, off->second, off->second / on->second);
  if (on != reporter.stepsPerSecond.end())
    std::printf("fingerprint of 20,000 steps on the oval: %016llx\n",
                static_cast<unsigned long long>(DrivenFingerprint(LOCATION_ON_TRACK).hash));
  if (off != reporter.stepsPerSecond.end()) {
    const Fingerprint floor = DrivenFingerprint(0);
    std::printf("fingerprint of 20,000 steps on the floor: %016llx (radius %.2f to %.2f m)\n",
                static_cast<unsigned long long>(floor.hash), floor.lowRadius, floor.highRadius);
  }
  benchmark::Shutdown();
  return 0;
}
