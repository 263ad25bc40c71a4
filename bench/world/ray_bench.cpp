// ray_bench.cpp - ray tests of track objects against Embree: a generated road of about 5 km
// (201 sections 25 m apart, straight and curved segments between them, rising and falling).
// Ours go through the map squares' point query to the segments' analytic ray tests, the path
// of car contacts (QueryMapSquare, as FindSurfaceBelow calls it); Embree's through one scene of
// the triangles of the segments' finest levels as our sweep builds them (a device with
// "threads=1", rtcIntersect1, one ray a call; the scene's build is not timed).  Both get the
// same 1,000,000 contact-like probes (from 2 m above to 20 m below random road points) and
// 100,000 slanted rays through road points (2 m above to 2 m below them, tilted).
// Each round times one pass of every ray of a kind through each side by the thread's processor
// time, the two sides in turn (ours first in even rounds, Embree's first in odd ones), so that
// the machine's load falls on both; a round's ratio is Embree's time over ours.  Prints the
// median of the rounds' ratios of each kind with their range and each side's median rays per
// second, the agreement (the share of rays both hit among those either hits, the largest
// height difference) and a fingerprint of our hits to compare changes by.
// Target: a median ratio of at least 1 on both kinds.
// Run: taskset -c 7 build/bench/bench_world_rays [rounds, at least 15] (Release, one core).
#include <embree3/rtcore.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "core/checksum.h"
#include "tests/world/road_track.h"
#include "world/map_squares.h"
#include "world/render_mesh_builder.h"

namespace {

constexpr double M = 65536.0;
constexpr int CONTACT_RAYS = 1000000, SLANTED_RAYS = 100000;

// A ray from top down to bottom (16.16): ours runs from bottom towards top (the contact
// probe's form, the greatest t the highest surface), Embree's from top down.
struct Ray {
  IntVector top, bottom;
};

struct Track {
  Wld* world = nullptr;
  RoadTrack road;
  RTCDevice device = nullptr;
  RTCScene scene = nullptr;
  std::vector<Ray> contact, slanted;
  int triangles = 0;

  Track() {
    InitSinCosTables();
    world = new Wld;
    CWld = world;
    road = BuildRoadTrack(*world, 201, 25.0, 2026, false);
    SizeGridOverSegments(*world);
    BuildMapSquares(*world);
    MakeScene();
    MakeRays();
  }
  ~Track() {
    rtcReleaseScene(scene);
    rtcReleaseDevice(device);
    DeleteWorld();
  }

  // One triangle geometry of every segment's finest level, in metres.
  void MakeScene() {
    std::vector<float> vertices;
    std::vector<unsigned> indices;
    for (WSegment* s : road.segments) {
      s->BuildMeshes();
      const BuiltMesh* mesh = s->levels[0].built;
      if (!mesh) continue;
      const unsigned base = unsigned(vertices.size() / 3);
      for (int i = 0; i < mesh->pointCount; ++i)
        for (int a = 0; a < 3; ++a) vertices.push_back(float(mesh->points[i].position[a] / M));
      for (int t = 0; t < mesh->triangleCount; ++t)
        for (uint32_t c : mesh->triangles[t].corners) indices.push_back(base + c);
    }
    triangles = int(indices.size() / 3);
    device = rtcNewDevice("threads=1");
    scene = rtcNewScene(device);
    RTCGeometry geometry = rtcNewGeometry(device, RTC_GEOMETRY_TYPE_TRIANGLE);
    auto* v = static_cast<float*>(rtcSetNewGeometryBuffer(geometry, RTC_BUFFER_TYPE_VERTEX, 0, RTC_FORMAT_FLOAT3,
                                                          3 * sizeof(float), vertices.size() / 3));
    std::copy(vertices.begin(), vertices.end(), v);
    auto* x = static_cast<unsigned*>(rtcSetNewGeometryBuffer(geometry, RTC_BUFFER_TYPE_INDEX, 0, RTC_FORMAT_UINT3,
                                                             3 * sizeof(unsigned), indices.size() / 3));
    std::copy(indices.begin(), indices.end(), x);
    rtcCommitGeometry(geometry);
    rtcAttachGeometry(scene, geometry);
    rtcReleaseGeometry(geometry);
    rtcCommitScene(scene);
  }

  // Random road points: a segment, a place along it and across between its outer edges.
  void MakeRays() {
    std::mt19937 random(56);
    std::uniform_int_distribution<size_t> which(0, road.segments.size() - 1);
    std::uniform_real_distribution<double> unit(0.0, 1.0), slant(-0.5, 0.5);
    const auto roadPoint = [&]() {
      const WSegment& s = *road.segments[which(random)];
      const double t = unit(random), f = unit(random);
      const IntVector a = s.EdgePoint(0, t), b = s.EdgePoint(3, t);
      return IntVector{int32_t(a.x + (b.x - a.x) * f), int32_t(a.y + (b.y - a.y) * f), int32_t(a.z + (b.z - a.z) * f)};
    };
    for (int i = 0; i < CONTACT_RAYS; ++i) {
      const IntVector p = roadPoint();
      contact.push_back({{p.x, p.y, p.z + int32_t(2 * M)}, {p.x, p.y, p.z - int32_t(20 * M)}});
    }
    // Slanted: through the road point from 2 m above to 2 m below it, tilted up to half a
    // metre sideways per metre of drop on each axis.  (The segments' analytic test finds its
    // place on the road from the ray's start: a ray that meets the road metres sideways of
    // where it starts is not what it answers.)
    for (int i = 0; i < SLANTED_RAYS; ++i) {
      const IntVector p = roadPoint();
      const double dx = slant(random), dy = slant(random);
      const auto at = [&](double h) {
        return IntVector{int32_t(p.x + dx * h * M), int32_t(p.y + dy * h * M), int32_t(p.z + h * M)};
      };
      slanted.push_back({at(2), at(-2)});
    }
  }
};

Track& TheTrack() {
  static Track track;
  return track;
}

// The hit's height in metres, or NAN for none.
double Ours(Wld& world, const Ray& r) {
  ContactProbe probe = {};
  const IntVector vector = {r.bottom.x - r.top.x, r.bottom.y - r.top.y, r.bottom.z - r.top.z};
  if (!QueryMapSquare(world, r.bottom, vector, probe, 0)) return NAN;
  return probe.candidatePoint.z / M;
}

double Embree(RTCScene scene, const Ray& r) {
  RTCIntersectContext context;
  rtcInitIntersectContext(&context);
  RTCRayHit h = {};
  const double d[3] = {(r.bottom.x - double(r.top.x)) / M, (r.bottom.y - double(r.top.y)) / M,
                       (r.bottom.z - double(r.top.z)) / M};
  h.ray.org_x = float(r.top.x / M), h.ray.org_y = float(r.top.y / M), h.ray.org_z = float(r.top.z / M);
  h.ray.dir_x = float(d[0]), h.ray.dir_y = float(d[1]), h.ray.dir_z = float(d[2]);
  h.ray.tnear = 0.0f;
  h.ray.tfar = 1.0f;
  h.ray.mask = 0xFFFFFFFFu;
  h.hit.geomID = RTC_INVALID_GEOMETRY_ID;
  rtcIntersect1(scene, &context, &h);
  if (h.hit.geomID == RTC_INVALID_GEOMETRY_ID) return NAN;
  return r.top.z / M + double(h.ray.tfar) * d[2];
}

const std::vector<Ray>& RaysOf(int kind) { return kind == 0 ? TheTrack().contact : TheTrack().slanted; }
const char* KindName(int kind) { return kind == 0 ? "contact probes" : "slanted rays"; }

double ThreadSeconds() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// The processor seconds of one pass of every ray through cast.
template <class Cast>
double TimePass(const std::vector<Ray>& rays, Cast cast) {
  double sum = 0;
  const double start = ThreadSeconds();
  for (const Ray& r : rays) sum += cast(r);
  const double seconds = ThreadSeconds() - start;
  volatile double kept = sum;
  (void)kept;
  return seconds;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]);
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(15, std::atoi(argv[1])) : 15;
  Crc32InitTable();
  Track& track = TheTrack();
  std::printf("road: %zu segments, %d triangles in Embree's scene; %d rounds\n", track.road.segments.size(),
              track.triangles, rounds);
  Wld& world = *track.world;
  RTCScene scene = track.scene;
  const auto ours = [&world](const Ray& r) { return Ours(world, r); };
  const auto embree = [scene](const Ray& r) { return Embree(scene, r); };
  uint32_t fingerprint = 0;
  for (int kind = 0; kind < 2; ++kind) {
    const std::vector<Ray>& rays = RaysOf(kind);
    int either = 0, both = 0;
    double worst = 0;
    for (const Ray& r : rays) {
      const double a = Ours(world, r), b = Embree(scene, r);
      fingerprint = Crc32Word(fingerprint, std::isnan(a) ? 0x80000000u : uint32_t(int32_t(std::lround(a * M))));
      if (std::isnan(a) && std::isnan(b)) continue;
      ++either;
      if (std::isnan(a) || std::isnan(b)) continue;
      ++both;
      worst = std::max(worst, std::fabs(a - b));
    }
    std::printf("%s: both hit %.4f of %d rays either hit, largest height difference %.4f m\n", KindName(kind),
                either ? double(both) / either : 0.0, either, worst);
  }
  std::printf("fingerprint of our hits: %08x\n", fingerprint);
  for (int kind = 0; kind < 2; ++kind) {
    const std::vector<Ray>& rays = RaysOf(kind);
    std::vector<double> ratios, ourRates, embreeRates;
    for (int round = 0; round < rounds; ++round) {
      double ourSeconds, embreeSeconds;
      if (round % 2 == 0) {
        ourSeconds = TimePass(rays, ours);
        embreeSeconds = TimePass(rays, embree);
      } else {
        embreeSeconds = TimePass(rays, embree);
        ourSeconds = TimePass(rays, ours);
      }
      ratios.push_back(embreeSeconds / ourSeconds);
      ourRates.push_back(double(rays.size()) / ourSeconds);
      embreeRates.push_back(double(rays.size()) / embreeSeconds);
    }
    std::printf("%s: ours %.0f rays/s, Embree %.0f rays/s (medians); ours / Embree %.3f (median of %d rounds, "
                "%.3f to %.3f; target at least 1)\n",
                KindName(kind), Median(ourRates), Median(embreeRates), Median(ratios), rounds,
                *std::min_element(ratios.begin(), ratios.end()), *std::max_element(ratios.begin(), ratios.end()));
  }
  return 0;
}
