// car_bench.cpp - the 1 ms step of the sample road car (full tyre model, four wheels, the show
// car's flag, no world) standing with its engine idling, driving a circle at a steady
// throttle, and sliding on locked wheels; beside Bullet's ray-cast vehicle (a 1200 kg box
// chassis, four ray wheels on a static plane, a constant engine force and steering, 1 ms
// steps) doing the same.  Target: driving at least 25% of Bullet's steps per second and at
// least 50,000 steps per second, so the editor's 1000-step catch-up costs at most 20 ms.
// Prints steps per second of each and the ratios last.  The circling car is also stepped on a
// loaded track whose racing path runs round its circle, against no track (target: at most 10%
// more time a step), and a fingerprint of its steps there printed to compare changes by.
#include <benchmark/benchmark.h>
#include <btBulletDynamicsCommon.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench/physics/rate_reporter.h"
#include "core/checksum.h"
#include "physics/car.h"
#include "physics/car_world.h"
#include "world/racing_path.h"
#include "world/world.h"
#include "tools/vehicle_gen/sample_vehicles.h"
#include "ui/text/text_colours.h"

namespace {

constexpr float DT = 0.001f;
constexpr float GRAVITY = -9.81f;
constexpr int ROAD_CAR = 0;
constexpr int KEEP_SLIDING_STEPS = 500;  // the sliding car is given its speed back this often
constexpr float SLIDE_SPEED = 20.0f;     // m/s

enum Case { IDLE = 0, CIRCLE = 1, LOCKED = 2 };
const char* const CASE_NAMES[] = {"idle", "circle", "locked"};

void StepCar(Car& car) {
  car.Integrate(DT, 0);
  car.FloorContacts();
  car.CheckGround();
  car.Update(DT, GRAVITY);
}

// The sample road car stood level on the floor and settled, its engine idling; then brought
// into the case's steady state.
std::unique_ptr<Car> SampleCar(Case what) {
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
  car->position = FixedFromMetres(Vec3{0.0f, 0.0f, 0.05f - car->LowestPoint()});
  for (int n = 0; n < 1000; ++n) StepCar(*car);
  car->engine.Start();
  car->engine.speed = car->engine.idleSpeed;
  for (int n = 0; n < 300; ++n) StepCar(*car);
  if (what == CIRCLE) {
    car->gear = Car::FIRST_GEAR_SLOT + 1;
    car->inputs.steering = STEERING_STRAIGHT - 6000;
    car->inputs.throttle = 20000;
  } else if (what == LOCKED) {
    car->velocity = MatrixTimes(car->orientation, Vec3{0.0f, SLIDE_SPEED, 0.0f});
    car->inputs.brake = 65535;
  }
  // The circle settles to its speed; the brakes lock the wheels within a few tens of steps.
  const int settle = what == CIRCLE ? 8000 : 300;
  for (int n = 0; n < settle; ++n) StepCar(*car);
  return car;
}

void BM_Car(benchmark::State& state) {
  const Case what = static_cast<Case>(state.range(0));
  auto car = SampleCar(what);
  int steps = 0;
  for (auto _ : state) {
    StepCar(*car);
    if (what == LOCKED && ++steps % KEEP_SLIDING_STEPS == 0)
      car->velocity = MatrixTimes(car->orientation, Vec3{0.0f, SLIDE_SPEED, 0.0f});
    benchmark::DoNotOptimize(car->position);
  }
  if (car->frozen) state.SkipWithError("the car was halted");
  state.SetItemsProcessed(state.iterations());  // steps
}
BENCHMARK(BM_Car)->Arg(IDLE)->Arg(CIRCLE)->Arg(LOCKED);

// The circling car on a loaded track (location kind 2) whose closed racing path runs round
// its circle, a node every 5 m, against the same car with no track (kind 0).
std::unique_ptr<Car> CarOnCircleTrack(int kind) {
  auto car = SampleCar(CIRCLE);
  // The circle's centre from the normals to the velocity at two moments.
  auto metres = [](const IntVector& v) { return Vec3{float(v.x / 65536.0), float(v.y / 65536.0), float(v.z / 65536.0)}; };
  const Vec3 p1 = metres(car->position), v1 = car->velocity;
  for (int n = 0; n < 700; ++n) StepCar(*car);
  const Vec3 p2 = metres(car->position), v2 = car->velocity;
  const double n1x = -v1.y, n1y = v1.x, n2x = -v2.y, n2y = v2.x;
  const double det = n1x * -n2y - n1y * -n2x;
  const double a = det != 0 ? ((p2.x - p1.x) * -n2y - (p2.y - p1.y) * -n2x) / det : 0;
  const double cx = p1.x + a * n1x, cy = p1.y + a * n1y;
  const double r = std::hypot(p2.x - cx, p2.y - cy);
  const double turn = (v2.x * (p2.y - cy) - v2.y * (p2.x - cx)) < 0 ? 1.0 : -1.0;  // anticlockwise: 1
  CWld = new Wld;
  auto* path = new TrackPath;
  const int nodes = std::max(8, int(2 * 3.14159265 * r / 5));
  path->nodeCount = nodes;
  path->nodes = new PathNode[nodes];
  path->flags = PATH_FLAG_LOOP | PATH_FLAG_RACING;
  for (int i = 0; i < nodes; ++i) {
    const double t = turn * 2 * 3.14159265358979 * i / nodes;
    PathNode& node = path->nodes[i];
    node.x = int32_t(std::lround((cx + r * std::cos(t)) * 65536));
    node.y = int32_t(std::lround((cy + r * std::sin(t)) * 65536));
    node.dirX = float(-std::sin(t) * turn);
    node.dirY = float(std::cos(t) * turn);
    // A wide road: the circle drifts over the long runs, and the car must stay on it.
    node.roadLeft = node.limitLeft = -150;
    node.roadRight = node.limitRight = 150;
  }
  CWld->paths = new NamedPath[1]{{"circle", path}};
  CWld->pathCount = 1;
  CWld->configNumber = 1;
  CWld->SelectCurrentPath();
  SetupPathChecks(*path);
  InstallCarWorld();
  car->locationKind = uint8_t(kind);
  car->FindPath();
  return car;
}

void LeaveCircleTrack(Car& car) {
  car.locationKind = 0;
  DeleteWorld();
}

void BM_CarOnTrack(benchmark::State& state) {
  const int kind = int(state.range(0));
  auto car = CarOnCircleTrack(kind);
  for (auto _ : state) {
    StepCar(*car);
    benchmark::DoNotOptimize(car->position);
  }
  if (kind == LOCATION_ON_TRACK && (car->pathNode < 0 || car->frozen)) state.SkipWithError("the car lost its path");
  state.SetItemsProcessed(state.iterations());
  LeaveCircleTrack(*car);
}
BENCHMARK(BM_CarOnTrack)->Arg(0)->Arg(LOCATION_ON_TRACK)->Repetitions(5);

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
    }
    for (int n = 0; n < (what == CIRCLE ? 8000 : 300); ++n) Step();
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
  BulletCar car(what);
  int steps = 0;
  for (auto _ : state) {
    car.Step();
    if (what == LOCKED && ++steps % KEEP_SLIDING_STEPS == 0) {
      const btVector3 forward = car.chassis->getWorldTransform().getBasis().getColumn(1);
      car.chassis->setLinearVelocity(forward * SLIDE_SPEED);
    }
    benchmark::DoNotOptimize(car.chassis->getWorldTransform());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Bullet)->Arg(IDLE)->Arg(CIRCLE)->Arg(LOCKED);

// A fingerprint of 20,000 steps on the track: each step's state check word and the car's
// place on the path, its view and look, hashed (FNV-1a).  A change meant to be faster must
// leave it as it was.
uint64_t OnTrackFingerprint() {
  auto car = CarOnCircleTrack(LOCATION_ON_TRACK);
  uint64_t hash = 14695981039346656037ull;
  auto mix = [&hash](const void* data, size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 1099511628211ull;
  };
  for (int n = 0; n < 20000; ++n) {
    StepCar(*car);
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
  }
  LeaveCircleTrack(*car);
  return hash;
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RateReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  for (int what = IDLE; what <= LOCKED; ++what) {
    const std::string arg = "/" + std::to_string(what);
    const auto ours = reporter.stepsPerSecond.find("BM_Car" + arg);
    const auto theirs = reporter.stepsPerSecond.find("BM_Bullet" + arg);
    if (ours == reporter.stepsPerSecond.end() || theirs == reporter.stepsPerSecond.end() || theirs->second <= 0)
      continue;
    std::printf("%s: ours %.0f steps/s, Bullet %.0f steps/s, ratio %.2f%s\n", CASE_NAMES[what], ours->second,
                theirs->second, ours->second / theirs->second,
                what == CIRCLE ? " (target: ratio >= 0.25 and ours >= 50000)" : "");
  }
  const auto off = reporter.stepsPerSecond.find("BM_CarOnTrack/0");
  const auto on = reporter.stepsPerSecond.find("BM_CarOnTrack/" + std::to_string(LOCATION_ON_TRACK));
  if (off != reporter.stepsPerSecond.end() && on != reporter.stepsPerSecond.end() && on->second > 0)
    std::printf("on a track: %.0f steps/s, without: %.0f steps/s (fastest of five each), time ratio %.3f "
                "(target at most 1.10)\n",
                on->second, off->second, off->second / on->second);
  if (on != reporter.stepsPerSecond.end())
    std::printf("fingerprint of 20,000 steps on the track: %016llx\n", static_cast<unsigned long long>(OnTrackFingerprint()));
  benchmark::Shutdown();
  return 0;
}
