// wheel_meshes.cpp - the tyre proxy, the rim turned from the wheel profile, and drawing a
// wheel's meshes.
#include "vehicle/wheel_meshes.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/frame_globals.h"
#include "core/gamma_tables.h"
#include "render/gouraud_mesh.h"
#include "text/text_colours.h"
#include "vehicle/car_model.h"
#include "vehicle/wheel_profile.h"

namespace {

constexpr float EIGHTH_TURN = 0.7853982f;
constexpr float FULL_TURN = 6.2831855f;

void DrawFastForm(const CarDrawContext&, GouraudO3d& mesh, int) {
  UpdateFastMeshTransforms(mesh);
  GouraudO3d::DrawFastMeshes(mesh, nullptr, nullptr);
}

// Metres to 16.16, rounded to nearest and held within the word; what is not a number is 0.
int32_t ToFixed(double metres) {
  const double scaled = metres * 65536.0;
  if (!(scaled == scaled)) return 0;
  return int32_t(std::lround(std::clamp(scaled, -2147483648.0, 2147483647.0)));
}

int8_t NormalByte(float c) { return int8_t(std::lround(std::clamp(c, -1.0f, 1.0f) * 127.0f)); }

VertexLit ProxyVertex(float x, float y, float z, float nx, float ny, float nz, uint32_t colour) {
  VertexLit v{};
  v.x = x;
  v.y = y;
  v.z = z;
  v.normal[0] = NormalByte(nx);
  v.normal[1] = NormalByte(ny);
  v.normal[2] = NormalByte(nz);
  v.normal[3] = 127;
  v.colour0 = colour;
  return v;
}

}  // namespace

void (*DrawCarMesh)(const CarDrawContext& context, GouraudO3d& mesh, int detail) = DrawFastForm;

// ---- [Tyre proxy] ----

FastMeshHandle BuildTyreProxyMesh(const SuspensionBlock& set) {
  if (!GraphicsEnabled) return FastMeshHandle{};
  const float h = set.sectionWidth * 0.5f, R = set.rollingRadius;
  constexpr ColourWord tyre = PROFILE_TYRE_COLOUR;
  const uint32_t colour =
      0xFF000000u | ApplyBrightnessTable(ColourRed(tyre) << 16 | ColourGreen(tyre) << 8 | ColourBlue(tyre));
  FastMeshHandle handle = NewFastMesh();
  FastMesh& mesh = *GetFastMesh(handle);
  if (!ReservePrimitiveParts(mesh, 1, 1)) return handle;
  Primitive& part = mesh.parts[0];
  part.material = DefaultPlainMaterial();
  AddPrimitiveGroup(mesh);
  part.buildVertices.push_back(ProxyVertex(-h, 0, 0, -1, 0, 0, colour));
  part.buildVertices.push_back(ProxyVertex(h, 0, 0, 1, 0, 0, colour));
  for (int i = 0; i < TYRE_PROXY_SIDES; ++i) {
    const float a = -float(i) * EIGHTH_TURN, c = std::cos(a), s = std::sin(a);
    part.buildVertices.push_back(ProxyVertex(-h, R * c, R * s, 0, c, s, colour));
    part.buildVertices.push_back(ProxyVertex(h, R * c, R * s, 0, c, s, colour));
  }
  // Each eighth i to the next j: a triangle on each cap and two across the tread, wound as the
  // rim mesh's triangles are.
  for (int i = 0; i < TYRE_PROXY_SIDES; ++i) {
    const int j = (i + 1) % TYRE_PROXY_SIDES;
    const uint16_t li = uint16_t(2 + 2 * i), ri = uint16_t(3 + 2 * i), lj = uint16_t(2 + 2 * j),
                   rj = uint16_t(3 + 2 * j);
    for (uint16_t index : {uint16_t(0), lj, li, uint16_t(1), ri, rj, li, rj, ri, li, lj, rj})
      part.buildIndices.push_back(index);
  }
  BuildPrimitive(mesh, 1);
  return handle;
}

// ---- [Rim mesh] ----

void ProfileColours(const WheelProfile& profile, GouraudColour colours[PROFILE_POINTS]) {
  const int count = std::clamp(profile.pointCount, 0, PROFILE_POINTS);
  for (int i = 0; i < PROFILE_POINTS; ++i) {
    const ProfilePoint& p = profile.points[i];
    colours[i] = i < count ? GouraudColour{p.red, p.green, p.blue, 0} : GouraudColour{};
  }
}

void BuildLatheMesh(const WheelProfile& profile, const GouraudColour* colours, GouraudO3d& mesh, int segments,
                    const LatheTexturePage* page, float scale, const Material* material) {
  const int N = std::clamp(segments, 1, LATHE_MAX_SEGMENTS);
  const int pointCount = std::clamp(profile.pointCount, 0, PROFILE_POINTS);
  const int surfaceCount = std::clamp(profile.surfaceCount, 0, PROFILE_SURFACES);
  // The visible points in order, and the surfaces turned.
  int visible[PROFILE_POINTS];
  int V = 0;
  for (int i = 0; i < pointCount; ++i) visible[i] = profile.points[i].hidden ? -1 : V++;
  std::vector<const ProfileSurface*> turned;
  for (int s = PROFILE_TYRE_SURFACES; s < surfaceCount; ++s) {
    const ProfileSurface& surface = profile.surfaces[s];
    if (surface.first < uint32_t(pointCount) && surface.second < uint32_t(pointCount) &&
        visible[surface.first] >= 0 && visible[surface.second] >= 0)
      turned.push_back(&surface);
  }
  const int S = int(turned.size());
  AllocateMeshArrays(mesh, V * N, S * N * 2, 1);
  mesh.parts[0].key = material;
  mesh.parts[0].pointCount = mesh.pointCount;
  mesh.parts[0].triangleCount = mesh.triangleCount;

  // The texture box: start, extent (at least LATHE_LEAST_EXTENT), range and offset per axis.
  double start[2], extent[2], range[2], offset[2];
  for (int a = 0; a < 2; ++a) {
    const double centre = page ? page->centre[a] : 0.0, half = page ? page->halfSize[a] : LATHE_DEFAULT_HALF;
    const double k = page ? scale : 1.0;
    start[a] = (centre - half) * k;
    extent[a] = std::max(2.0 * half * k, double(LATHE_LEAST_EXTENT));
    range[a] = page ? page->region[2 + a] * 0.0078125 : 1.0;
    offset[a] = page ? page->region[a] * 0.0078125 : 0.0;
  }

  GouraudPoint* out = mesh.points;
  for (int s = 0; s < N; ++s) {
    const float theta = -float(s) * FULL_TURN / float(N);
    const float c = std::cos(theta), sn = std::sin(theta);
    for (int i = 0; i < pointCount; ++i) {
      if (visible[i] < 0) continue;
      const ProfilePoint& p = profile.points[i];
      GouraudPoint& g = *out++;
      g.x = ToFixed(p.x);
      g.y = ToFixed(p.y * c);
      g.z = ToFixed(p.y * sn);
      g.nx = p.nx;
      g.ny = p.ny * c;
      g.nz = p.ny * sn;
      g.u = float((g.y - start[0]) * range[0] / extent[0] + offset[0]);
      g.v = float(1.0 - ((g.z - start[1]) * range[1] / extent[1] + offset[1]));
      g.colour = colours ? &colours[i] : nullptr;
    }
  }
  GouraudTriangle* t = mesh.triangles;
  for (int s = 0; s < N; ++s) {
    const int s1 = (s + 1) % N;
    for (const ProfileSurface* surface : turned) {
      const uint16_t a0 = uint16_t(s * V + visible[surface->first]), a1 = uint16_t(s1 * V + visible[surface->first]);
      const uint16_t b0 = uint16_t(s * V + visible[surface->second]), b1 = uint16_t(s1 * V + visible[surface->second]);
      *t++ = GouraudTriangle{{a0, b1, b0}, 0};
      *t++ = GouraudTriangle{{a0, a1, b1}, 0};
    }
  }
  mesh.CalcRadius();
}

// ---- [Drawing] ----

int DrawWheelMeshes(const CarDrawContext& context, SuspensionBlock& set, int lod, int detail) {
  const struct {
    DrawMesh* mesh;
    uint32_t bit;
  } meshes[2] = {{set.spokeMesh, WHEEL_DRAW_SPOKES}, {set.rimMesh, WHEEL_DRAW_RIM}};
  for (const auto& m : meshes) {
    if (!(context.displayBits & m.bit) || !m.mesh || !m.mesh->IsGouraud()) continue;
    GouraudO3d& mesh = *static_cast<GouraudO3d*>(m.mesh);
    if (!GetFastMesh(mesh.fastMesh)) GouraudO3d::CreateFastMesh(mesh);
    if (DrawCarMesh) DrawCarMesh(context, mesh, detail);
  }
  return lod >= WHEEL_LEVEL_FAR ? 1 : 0;
}
