// car_damage_bench.cpp - sixteen damage nodes applied to the drawn levels of a car of 60,000
// vertices (from the undamaged copies, with the normals of the moved vertices computed again)
// beside a plain loop computing the same displacement over the same vertices.  Target: the
// application within 1.5 times the plain loop.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "render/gouraud_mesh.h"
#include "vehicle/car_model.h"

namespace {

// Three levels of a body 4.4 m long and 1.8 m wide, the surface rolling a little, as grids of
// 220 x 220, 100 x 100 and 40 x 40 points: 60,000 together.
constexpr int LEVEL_SIDES[3] = {220, 100, 40};

void FillLevel(GouraudO3d& mesh, int side) {
  AllocateMeshArrays(mesh, side * side, 2 * (side - 1) * (side - 1), 1);
  mesh.parts[0].pointCount = side * side;
  mesh.parts[0].triangleCount = 2 * (side - 1) * (side - 1);
  for (int j = 0; j < side; ++j)
    for (int i = 0; i < side; ++i) {
      const double x = -0.9 + 1.8 * i / (side - 1), y = -2.2 + 4.4 * j / (side - 1);
      GouraudPoint& p = mesh.points[i + side * j];
      p.x = int32_t(std::lround(x * 65536));
      p.y = int32_t(std::lround(y * 65536));
      p.z = int32_t(std::lround((0.8 + 0.1 * std::sin(3 * x) * std::cos(2 * y)) * 65536));
      p.nz = 1.0f;
    }
  int t = 0;
  for (int j = 0; j + 1 < side; ++j)
    for (int i = 0; i + 1 < side; ++i) {
      const uint16_t a = uint16_t(i + side * j), b = uint16_t(a + 1), c = uint16_t(a + side + 1),
                     d = uint16_t(a + side);
      mesh.triangles[t++] = GouraudTriangle{{a, c, b}, 0};
      mesh.triangles[t++] = GouraudTriangle{{a, d, c}, 0};
    }
}

// A car with the three levels, sixteen physical points over the body and a node at each.
Car& DamagedCar() {
  static Car* car = nullptr;
  if (car) return *car;
  car = new Car;
  car->AllocModelObjects();
  for (int level = 0; level < 3; ++level) FillLevel(*car->levelMeshes[level], LEVEL_SIDES[level]);
  car->AllocateHull(CAR_DAMAGE_NODES, 0);
  car->undamagedPoints = static_cast<Vec3*>(std::malloc(sizeof(Vec3) * CAR_DAMAGE_NODES));
  car->undamagedPointCount = CAR_DAMAGE_NODES;
  for (int n = 0; n < CAR_DAMAGE_NODES; ++n) {
    const float x = (n % 2 ? 0.6f : -0.6f), y = -1.9f + 0.25f * float(n);
    car->undamagedPoints[n] = car->points[n].local = Vec3{x, y, 0.8f};
    const float s = n % 2 ? -0.6f : 0.6f;
    car->AddDamageNode(DamageNode{uint8_t(n), uint8_t(120 + 8 * n), PackDamageDirection(s, 0.0f, -0.8f)});
  }
  car->damageSize = 1.2f;  // dents of 0.6 m
  car->SaveUndamagedMeshes();
  return *car;
}

void BM_ApplyDamageNodesGraphical(benchmark::State& state) {
  Car& car = DamagedCar();
  for (auto _ : state) {
    car.RestoreUndamagedMeshes();
    ApplyDamageNodesGraphical(car);
    benchmark::DoNotOptimize(car.levelMeshes[0]->points[0].z);
  }
  int vertices = 0;
  for (int level = 0; level < 3; ++level) vertices += car.levelMeshes[level]->pointCount;
  state.counters["vertices"] = vertices;
}
BENCHMARK(BM_ApplyDamageNodesGraphical)->Unit(benchmark::kMillisecond);

// The same displacement written out plainly: every vertex of every level, from its
// undamaged place, by each node's falloff times its jitter.
void BM_PlainDisplacementLoop(benchmark::State& state) {
  Car& car = DamagedCar();
  std::vector<std::vector<int32_t>> positions(3);
  for (auto _ : state) {
    for (int level = 0; level < 3; ++level) {
      const UndamagedMesh& copy = car.undamagedMeshes[level];
      std::vector<int32_t>& out = positions[size_t(level)];
      out.resize(size_t(copy.vertexCount) * 3);
      for (int i = 0; i < copy.vertexCount; ++i)
        for (int k = 0; k < 3; ++k) out[size_t(i) * 3 + k] = copy.vertices[i].position[k];
      for (int n = 0; n < car.damageNodeCount; ++n) {
        const Vec3 c = car.undamagedPoints[car.damageNodes[n].point];
        const Vec3 d = UnpackDamageDirection(car.damageNodes[n].direction);
        const double R = car.damageSize / 2.0, L = 0.333 * R, m = car.damageNodes[n].depth * R / 255.0;
        for (int i = 0; i < copy.vertexCount; ++i) {
          int32_t* p = &out[size_t(i) * 3];
          const double vx = p[0] / 65536.0 - c.x, vy = p[1] / 65536.0 - c.y, vz = p[2] / 65536.0 - c.z;
          const double q = vx * vx + vy * vy + vz * vz, a = vx * d.x + vy * d.y + vz * d.z;
          if (q >= R * R || a >= L) continue;
          const double g = a < 0 ? 1.0 : 1.0 - a / L;
          const double amount = m * g * (1.0 - q / (R * R)) * double(DamageJitter(p[0], p[1], p[2]));
          p[0] += int32_t(std::llround(d.x * amount));
          p[1] += int32_t(std::llround(d.y * amount));
          p[2] += int32_t(std::llround(d.z * amount));
        }
      }
    }
    benchmark::DoNotOptimize(positions[0][2]);
  }
}
BENCHMARK(BM_PlainDisplacementLoop)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
