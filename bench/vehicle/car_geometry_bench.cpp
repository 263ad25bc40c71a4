// car_geometry_bench.cpp - one car's per-frame geometry: four 30-segment tyres squashed on the
// ground with their lettering, and 60 frame tubes near enough for eight sides, beside a plain
// loop writing as many 32-byte vertices and 16-bit indices into the same buffers.  Target:
// the car's geometry within 2 times the plain loop.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/gamma_tables.h"
#include "vehicle/frame_tubes.h"
#include "vehicle/tyre_geometry.h"
#include "vehicle/vehicle.h"
#include "vehicle/wheel_profile.h"
#include "wheel/wheel.h"

namespace {

struct Scene {
  SuspensionBlock set{};
  std::vector<FramePoint> points;
  std::vector<FrameTube> tubes;
  FrameScene frame{};
  std::vector<uint8_t> vertices, letterVertices, tubeVertices;
  std::vector<uint16_t> indices, letterIndices, tubeIndices;

  Scene() {
    BuildGammaTables();
    InitSinTable();
    set.sectionWidth = 0.22f;
    set.aspectRatio = 0.45f;
    set.rimRadius = 0.2f;
    set.rimWidth = 0.2f;
    SetupTyre(set, 0, 0.0f);
    BuildRimProfile(set, nullptr, RimProfileFlags{0, 0, 0});
    for (int i = 0; i < 61; ++i)  // a zig-zag of points along the car
      points.push_back(FramePoint{int32_t((0.3 + 0.2 * (i % 3)) * 65536), int32_t((-2.0 + 0.066 * i) * 65536),
                                  int32_t((0.2 + 0.3 * (i % 2)) * 65536), 0, 0, 0, 0});
    for (int i = 0; i < 60; ++i) tubes.push_back(FrameTube{int16_t(i), int16_t(i + 1), 0, 0.02f, 0, TUBE_VISIBLE});
    frame.points = points.data();
    frame.pointCount = int(points.size());
    frame.tubes = tubes.data();
    frame.tubeCount = int(tubes.size());
    vertices.resize(TYRE_STREAM_VERTICES * DRAW_VERTEX_SIZE);
    indices.resize(TYRE_STREAM_TRIANGLES * 3);
    letterVertices.resize(LOGO_STREAM_VERTICES * DRAW_VERTEX_SIZE);
    letterIndices.resize(LOGO_STREAM_TRIANGLES * 3);
    tubeVertices.resize(120 * 16 * DRAW_VERTEX_SIZE);
    tubeIndices.resize(120 * 48);
  }
  TyreRing Wheel(int i) const {
    TyreRing r = {};
    r.centre[0] = i & 1 ? 0.8f : -0.8f;
    r.centre[1] = i & 2 ? 1.3f : -1.3f;
    r.centre[2] = set.profile.points[3].y - 0.01f;
    const float axes[3][3] = {{1, 0, 0}, {0, 0, -1}, {0, 1, 0}};
    std::memcpy(r.axes, axes, sizeof axes);
    r.profile = &set.profile;
    r.segments = 30;
    r.contact = 1;
    r.groundNormal[2] = 1.0f;
    r.lateralDeformation = 0.005f;
    r.sideSign = i & 1 ? 1.0f : -1.0f;
    r.letteringRows = 2;
    r.letteringColour = 0xF0F0F0;
    return r;
  }
};

Scene& TheScene() {
  static Scene scene;
  return scene;
}

void BM_CarFrameGeometry(benchmark::State& state) {
  Scene& s = TheScene();
  for (auto _ : state) {
    TubeBatch tyre = {s.vertices.data(), s.indices.data(), TYRE_STREAM_VERTICES, TYRE_STREAM_TRIANGLES * 3, 0, 0};
    TubeBatch letters = {s.letterVertices.data(), s.letterIndices.data(), LOGO_STREAM_VERTICES,
                         LOGO_STREAM_TRIANGLES * 3, 0, 0};
    for (int i = 0; i < 4; ++i) WriteTyreRings(tyre, &letters, s.Wheel(i));
    TubeBatch tubes = {s.tubeVertices.data(), s.tubeIndices.data(), 120 * 16, 120 * 48, 0, 0};
    DrawFrameTubeGeometry(tubes, s.frame, 1, 2 << 16, 0);
    benchmark::DoNotOptimize(tyre.vertexCount + letters.vertexCount + tubes.vertexCount);
    benchmark::ClobberMemory();
    state.counters["vertices"] = double(tyre.vertexCount + letters.vertexCount + tubes.vertexCount);
  }
}
BENCHMARK(BM_CarFrameGeometry);

// As many vertices and indices as the car's frame writes, each vertex a position, a packed
// normal, a word and two texture values computed from a running angle.
void BM_PlainVertexLoop(benchmark::State& state) {
  Scene& s = TheScene();
  const uint32_t tyreVertices = 4 * 31 * 12, letterVertices = 4 * 31 * 4, tubeVertices = 120 * 16;
  const uint32_t vertexCount = tyreVertices + letterVertices + tubeVertices;
  const uint32_t indexCount = 4 * 30 * 18 * 3 + 4 * 30 * 4 * 3 + 120 * 48;
  std::vector<uint8_t> out(vertexCount * DRAW_VERTEX_SIZE);
  std::vector<uint16_t> index(indexCount);
  for (auto _ : state) {
    for (uint32_t i = 0; i < vertexCount; ++i) {
      const float a = float(i) * 0.2094f;
      const float p[3] = {std::cos(a) * 0.3f, std::sin(a) * 0.3f, float(i) * 0.001f};
      const float n[3] = {std::cos(a), std::sin(a), 0.0f};
      WriteDrawVertex(&out[i * DRAW_VERTEX_SIZE], p, n, 0x00303030, float(i) / 30.0f, 0.5f);
    }
    for (uint32_t i = 0; i < indexCount; ++i) index[i] = uint16_t(i % vertexCount);
    benchmark::DoNotOptimize(out.data());
    benchmark::DoNotOptimize(index.data());
    benchmark::ClobberMemory();
  }
  (void)s;
}
BENCHMARK(BM_PlainVertexLoop);

}  // namespace

BENCHMARK_MAIN();
