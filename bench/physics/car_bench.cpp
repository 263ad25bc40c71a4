// car_bench.cpp - the 1 ms step of the sample road car (full tyre model, four wheels, the show
// car's flag, no world) standing with its engine idling, driving a circle at a steady
// throttle, and sliding on locked wheels; beside Bullet's ray-cast vehicle (a 1200 kg box
// chassis, four ray wheels on a static plane, a constant engine force and steering, 1 ms
// steps) doing the same.  Target: driving at least 25% of Bullet's steps per second and at
// least 50,000 steps per second, so the editor's 1000-step catch-up costs at most 20 ms.
// Prints steps per second of each and the ratios last.
#include <benchmark/benchmark.h>
#include <btBulletDynamicsCommon.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/checksum.h"
#include "physics/car.h"
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

class RateReporter : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> stepsPerSecond;
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      const auto items = r.counters.find("items_per_second");
      if (r.run_type == Run::RT_Iteration && !r.error_occurred && items != r.counters.end())
        stepsPerSecond[r.benchmark_name()] = items->second;
    }
    ConsoleReporter::ReportRuns(runs);
  }
};

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
  benchmark::Shutdown();
  return 0;
}
