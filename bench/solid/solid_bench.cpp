// solid_bench.cpp - 1 ms steps of resting boxes: ours (8 hull points on the floor plane, no
// owner, so never asleep) against Bullet's boxes on a static plane, kept awake, both 10 kg
// 1 m boxes in a 10 x 10 grid 2 m apart, and one against one.  Target: at least twice
// Bullet's steps per second for the hundred.  Prints steps per second and the ratios last.
#include <benchmark/benchmark.h>
#include <btBulletDynamicsCommon.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench/solid/rate_reporter.h"
#include "solid/solid.h"

namespace {

constexpr float DT = 0.001f;
constexpr float GRAVITY = -9.81f;

// An 8-point 1 m box of 10 kg resting at (x, y), as a world object's body is built.
std::unique_ptr<Solid> RestingBox(float x, float y) {
  auto box = std::make_unique<Solid>();
  box->AllocateHull(8, 12);
  for (int i = 0; i < 8; ++i)
    box->points[i].local = {i & 1 ? 0.5f : -0.5f, i & 2 ? 0.5f : -0.5f, i & 4 ? 0.5f : -0.5f};
  static const uint16_t faces[12][3] = {{0, 2, 1}, {1, 2, 3}, {4, 5, 6}, {5, 7, 6}, {0, 1, 4}, {1, 5, 4},
                                        {2, 6, 3}, {3, 6, 7}, {0, 4, 2}, {2, 4, 6}, {1, 3, 5}, {3, 7, 5}};
  for (int t = 0; t < 12; ++t)
    for (int k = 0; k < 3; ++k) box->triangles[t].corners[k] = faces[t][k];
  box->ComputeTriangleNormals();
  box->UpdateExtents();
  box->MassFromSurface(10.0f / 6.0f);
  box->stiffness = 100000.0f;
  box->grip = 1.0f;
  box->damping = 500.0f;
  box->orientation[0] = box->orientation[4] = box->orientation[8] = 1.0f;
  box->position = FixedFromMetres(Vec3{x, y, 0.5f});
  box->InitState();
  box->awake = 1;
  return box;
}

void StepSolid(Solid& body) {
  body.Integrate(DT, 0);
  body.FloorContacts();
  body.CheckGround();
  body.Update(DT, GRAVITY);
}

std::vector<std::unique_ptr<Solid>> SolidGrid(int count) {
  std::vector<std::unique_ptr<Solid>> boxes;
  for (int i = 0; i < count; ++i)
    boxes.push_back(RestingBox(2.0f * static_cast<float>(i % 10), 2.0f * static_cast<float>(i / 10)));
  for (int n = 0; n < 2000; ++n)  // settled
    for (auto& box : boxes) StepSolid(*box);
  return boxes;
}

void BM_Solids(benchmark::State& state) {
  auto boxes = SolidGrid(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    for (auto& box : boxes) StepSolid(*box);
    benchmark::DoNotOptimize(boxes[0]->position);
  }
  state.SetItemsProcessed(state.iterations());  // steps
}
BENCHMARK(BM_Solids)->Arg(100)->Arg(1);

// Bullet's world of boxes on a plane, every box kept awake.
struct BulletGrid {
  btDefaultCollisionConfiguration configuration;
  btCollisionDispatcher dispatcher{&configuration};
  btDbvtBroadphase broadphase;
  btSequentialImpulseConstraintSolver solver;
  btDiscreteDynamicsWorld world{&dispatcher, &broadphase, &solver, &configuration};
  btStaticPlaneShape plane{btVector3(0, 0, 1), 0};
  btBoxShape boxShape{btVector3(0.5f, 0.5f, 0.5f)};
  std::vector<std::unique_ptr<btDefaultMotionState>> motions;
  std::vector<std::unique_ptr<btRigidBody>> bodies;

  explicit BulletGrid(int count) {
    world.setGravity(btVector3(0, 0, GRAVITY));
    Add(&plane, 0.0f, btVector3(0, 0, 0));
    for (int i = 0; i < count; ++i)
      Add(&boxShape, 10.0f, btVector3(2.0f * static_cast<float>(i % 10), 2.0f * static_cast<float>(i / 10), 0.5f));
    for (int n = 0; n < 2000; ++n) Step();
  }
  ~BulletGrid() {
    for (auto& body : bodies) world.removeRigidBody(body.get());
  }
  void Add(btCollisionShape* shape, float mass, const btVector3& at) {
    btVector3 inertia(0, 0, 0);
    if (mass > 0.0f) shape->calculateLocalInertia(mass, inertia);
    btTransform start;
    start.setIdentity();
    start.setOrigin(at);
    motions.push_back(std::make_unique<btDefaultMotionState>(start));
    bodies.push_back(std::make_unique<btRigidBody>(
        btRigidBody::btRigidBodyConstructionInfo(mass, motions.back().get(), shape, inertia)));
    if (mass > 0.0f) bodies.back()->setActivationState(DISABLE_DEACTIVATION);
    world.addRigidBody(bodies.back().get());
  }
  void Step() { world.stepSimulation(DT, 0); }  // one fixed step of 1 ms
};

void BM_Bullet(benchmark::State& state) {
  BulletGrid grid(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    grid.Step();
    benchmark::DoNotOptimize(grid.bodies.back()->getWorldTransform());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Bullet)->Arg(100)->Arg(1);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RateReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  for (const char* count : {"100", "1"}) {
    const auto ours = reporter.stepsPerSecond.find(std::string("BM_Solids/") + count);
    const auto theirs = reporter.stepsPerSecond.find(std::string("BM_Bullet/") + count);
    if (ours == reporter.stepsPerSecond.end() || theirs == reporter.stepsPerSecond.end() || theirs->second <= 0)
      continue;
    std::printf("%s bodies: ours %.0f steps/s, Bullet %.0f steps/s, ratio %.2f%s\n", count, ours->second,
                theirs->second, ours->second / theirs->second, std::string(count) == "100" ? " (target >= 2)" : "");
  }
  benchmark::Shutdown();
  return 0;
}
