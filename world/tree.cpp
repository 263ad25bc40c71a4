// tree.cpp - procedural trees: loading, growth, bounds, listing, drawing and the mesh.
#include "world/tree.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>

#include "core/config.h"
#include "core/data_fields.h"
#include "core/data_file.h"
#include "core/frame_globals.h"
#include "core/report.h"
#include "render/material.h"
#include "render/primitives.h"
#include "render/shaders.h"
#include "render/texture_record.h"
#include "world/mapping.h"
#include "world/pre_gen.h"
#include "world/sphere_directions.h"
#include "world/world.h"

Material* TreeBarkMaterials[TREE_TEXTURES] = {};
Material* TreeFoliageMaterials[TREE_TEXTURES] = {};

void LoadTreeTextures() {
  ForgetTreeTextures();
  if (!GraphicsEnabled) return;
  for (int n = 0; n < TREE_TEXTURES; ++n) {
    for (int foliage = 0; foliage < 2; ++foliage) {
      char name[32];
      std::snprintf(name, sizeof name, foliage ? "TREELEAF%d_ALP" : "TREEBARK%d", n);
      MaterialParams params = {uint8_t(foliage ? 1 : 0), 0, 0, 0, 0xFF, 0xFF, 0xFF, 0};
      Material* m = GetMaterialByName(name, 0, 0, 0, params, MAPPING_TEXTURE_GEN_TYPE);
      if (!m || !m->texture || m->texture->state == TEXTURE_MISSING) {
        char text[64];
        std::snprintf(text, sizeof text, "Can't open : %s", name);
        ReportLine(text, REPORT_ERROR);
        continue;
      }
      (foliage ? TreeFoliageMaterials : TreeBarkMaterials)[n] = m;
    }
  }
}

void ForgetTreeTextures() {
  for (int n = 0; n < TREE_TEXTURES; ++n) TreeBarkMaterials[n] = TreeFoliageMaterials[n] = nullptr;
}

namespace {

constexpr double FIX = 65536.0;
constexpr int32_t CENTIMETRE = 655;
constexpr double HALF_SQRT2 = 0.7071;
constexpr double TWO_PI = 6.283185307179586;
// The program's random seed the constructor advances for each tree.
uint32_t ProgramTreeSeed = 0;

void DebugLine(const char* text) {
  if (CfgDebugLevel != 0) ReportLine(text, REPORT_WARNING);
}

uint32_t Advance(uint32_t& r) {
  r = (r * 5 + 1) & 0xFFFF;
  return r;
}

// Inlined: a tree of 8 tips takes 31 steps, and a call returns its point through memory.
[[gnu::always_inline]] inline IntVector Step(const IntVector& from, const IntVector& direction, double metres) {
  return {WrappingAdd(from.x, NearestSaturated(direction.x * metres)),
          WrappingAdd(from.y, NearestSaturated(direction.y * metres)),
          WrappingAdd(from.z, NearestSaturated(direction.z * metres))};
}

// Brings a latitude back into 0..15 past either pole, turning the longitude half round.  A
// drawn latitude lies within -23..38 (a parent's 0..15 and at most the spread's 23 either
// way), which two folds bring into range; without branches, as a draw's fold is a coin toss.
void Fold(int& latitude, int& longitude) {
  for (int fold = 0; fold < 2; ++fold) {
    const bool out = latitude < 0 || latitude > 15;
    const int folded = latitude < 0 ? -latitude : 31 - latitude;
    latitude = out ? folded : latitude;
    longitude = out ? (longitude + 12) % 24 : longitude;
  }
  latitude = std::clamp(latitude, 0, 15);
}

// Two longitudes (each 0..period - 1) at most one step apart round the circle.
bool Close(int a, int b, int period) {
  const int d = std::abs(a - b);  // below period: no remainder needed
  return d <= 1 || d >= period - 1;
}

const SphereDirection& Direction(int latitude, int longitude) { return SphereDirections[latitude][longitude]; }

// The foliage direction's row and column of a tip.
const SphereDirection& FoliageDirection(const WTree& tree, const TreeNode& node) {
  const int row = (tree.options & TREE_OPTION_FOLIAGE_ROW) ? std::clamp(tree.foliageRow, 0, SPHERE_ROWS - 1)
                                                          : node.latitude;
  return Direction(row, node.longitude);
}

// The half diagonal of a foliage quad (16.16), the same for every cluster of a tree, and a
// squared distance below its square: q x q rounded, scaled by 1 - 2^-52 (one or two units in
// its last place less), stays under the exact square whichever way the product rounded.
struct QuadExtent {
  explicit QuadExtent(const WTree& tree) {
    const double w = double(tree.foliageWidth) * 32768.0, l = double(tree.foliageLength) * 32768.0;
    extent = NearestSaturated(std::sqrt(w * w + l * l));
    below = double(extent) * double(extent) * (1.0 - 0x1p-52);
  }
  int32_t extent;
  double below;
};

// A foliage cluster: its centre and its extent (16.16), at least the quad's.  The extent also
// holds the tip's own vertex, which stands along the tip's direction and not the foliage's when
// the foliage faces its row.
void Cluster(const WTree& tree, const TreeNode& node, const QuadExtent& quad, IntVector& centre, int32_t& extent) {
  centre = Step(node.position, FoliageDirection(tree, node).d, tree.foliageLength / 2.0);
  const IntVector tip = Step(node.position, Direction(node.latitude, node.longitude).d, tree.foliageLength / 4.0);
  const double dx = double(tip.x) - centre.x, dy = double(tip.y) - centre.y, dz = double(tip.z) - centre.z;
  const double squared = dx * dx + dy * dy + dz * dz;
  // A tip within the quad's extent (the usual case) needs no root: its rounded-up distance is
  // at most the extent, a whole number.
  extent = squared <= quad.below ? quad.extent
                                 : std::max(quad.extent, NearestSaturated(std::ceil(std::sqrt(squared))));
}

float Finite(float value, float fallback, bool& replaced) {
  if (std::isfinite(value)) return value;
  replaced = true;
  return fallback;
}

VertexLit MakeVertex(const IntVector& p, const IntVector& normal, uint32_t colour, float u, float v) {
  VertexLit out = {};
  out.x = float(p.x / FIX);
  out.y = float(p.y / FIX);
  out.z = float(p.z / FIX);
  out.normal[0] = static_cast<int8_t>(NearestSaturated(normal.x / FIX * 127.0));
  out.normal[1] = static_cast<int8_t>(NearestSaturated(normal.y / FIX * 127.0));
  out.normal[2] = static_cast<int8_t>(NearestSaturated(normal.z / FIX * 127.0));
  out.colour0 = colour;
  out.u = u;
  out.v = v;
  return out;
}

uint32_t Shade(uint32_t colour) { return ColourFromBytes(colour >> 16 & 255, colour >> 8 & 255, colour & 255); }

int FindPart(const FastMesh& mesh, const Material* material) {
  if (!material) return -1;
  for (size_t i = 0; i < mesh.parts.size(); ++i)
    if (mesh.parts[i].material == material) return int(i);
  return -1;
}

}  // namespace

// ---- [Growth] ----

int WTree::Tips() const { return std::clamp(tipCount, TREE_TIPS_LEAST, TREE_TIPS_MOST); }
int WTree::Spread() const { return std::clamp(spread, 0, TREE_SPREAD_MOST); }
IntVector WTree::BasePoint() const { return {position[0], position[1], NearestSaturated(double(baseHeight) * FIX)}; }

void GrowTree(const WTree& tree, std::vector<TreeNode>& nodes) {
  const int tips = tree.Tips(), s = tree.Spread(), count = 2 * tips - 1;
  nodes.assign(size_t(count), TreeNode{});
  uint32_t r = static_cast<uint32_t>(tree.seed) & 0xFFFF;
  const TreeDrawDivisor range(uint32_t(2 * s + 1));
  double length = tree.branchLength;
  nodes[0] = {Step(tree.BasePoint(), Direction(0, 0).d, length), -1, 0, 0, 0};
  int first = 1, size = 2, generation = 1, previousFirst = 0;
  while (first < count) {
    length *= tree.lengthFactor;
    for (int k = 0; k < size && first + k < count; ++k) {
      const int index = first + k;
      TreeNode& node = nodes[size_t(index)];
      node.parent = previousFirst + k / 2;
      node.generation = generation;
      const TreeNode& parent = nodes[size_t(node.parent)];
      double nodeLength = length;
      if (tree.options & TREE_OPTION_RANDOM_LENGTHS) nodeLength = length * double((Advance(r) & 7) + 7) / 14.0;
      int latitude = 0, longitude = 0;
      for (int draw = 0; draw <= TREE_SIBLING_REDRAWS; ++draw) {
        longitude = (int(parent.longitude) + int(range.Remainder(Advance(r))) - s + 48) % 24;
        latitude = int(parent.latitude) + int(range.Remainder(Advance(r))) - s;
        Fold(latitude, longitude);
        if (k % 2 == 0) break;
        const TreeNode& sibling = nodes[size_t(index - 1)];
        if (!(std::abs(latitude - sibling.latitude) <= 1 && Close(longitude, sibling.longitude, 24))) break;
      }
      node.latitude = static_cast<uint8_t>(latitude);
      node.longitude = static_cast<uint8_t>(longitude);
      node.position = Step(parent.position, Direction(latitude, longitude).d, nodeLength);
    }
    previousFirst = first;
    first += size;
    size *= 2;
    ++generation;
  }
}

// ---- [Object] ----

WTree::WTree(const IntVector& at) : FixedOb(OBJECT_TREE) {
  position[0] = at.x;
  position[1] = at.y;
  baseHeight = float(at.z / FIX);
  ProgramTreeSeed = (ProgramTreeSeed * 5 + 1) & 0xFFFF;
  seed = static_cast<int32_t>(ProgramTreeSeed & 63);
}

FixedOb* MakeTree(const IntVector& at) { return new (std::nothrow) WTree(at); }

void WTree::Load(DataFile& stream, int) {
  bool replaced = false;
  ReadFields(stream, 60, [&](auto& in) {
    foliageTexture = static_cast<uint8_t>(std::clamp(in.ReadInt(), 0, TREE_TEXTURES - 1));
    foliageRow = in.ReadInt();
    branchLength = Finite(in.ReadFloat(), 2.5f, replaced);
    trunkRadius = Finite(in.ReadFloat(), 0.5f, replaced);
    lengthFactor = Finite(in.ReadFloat(), 0.8f, replaced);
    spread = in.ReadInt();
    seed = in.ReadInt();
    tipCount = in.ReadInt();
    foliageLength = Finite(in.ReadFloat(), 2.5f, replaced);
    foliageWidth = Finite(in.ReadFloat(), 2.5f, replaced);
    baseHeight = Finite(in.ReadFloat(), 0.0f, replaced);
    barkTexture = static_cast<uint8_t>(std::clamp(in.ReadInt(), 0, TREE_TEXTURES - 1));
    options = in.ReadInt();
    barkColour = in.ReadUInt();
    foliageColour = in.ReadUInt();
  });
  if (replaced) DebugLine("A tree's size or factor is not a number: it takes its default");
  if (spread == 0) DebugLine("A tree has a spread of 0: its branches are drawn again at most 64 times");
}

void WTree::GetPosition(IntVector& at, float& heading) {
  at = BasePoint();
  heading = 0;
}

void WTree::SetPosition(const IntVector& at, float) {
  position[0] = at.x;
  position[1] = at.y;
  baseHeight = float(at.z / FIX);
}

void WTree::ResetRunState() {
  renderMesh = TREE_NONE;
  barkPart = foliagePart = TREE_NONE;
  partEntry = 0;
}

void WTree::Setup() {
  // Kept between trees: a load sets up thousands of them.
  struct Foliage {
    IntVector centre;
    int32_t extent;
  };
  thread_local std::vector<TreeNode> nodes;
  thread_local std::vector<Foliage> clusters;
  GrowTree(*this, nodes);
  const IntVector base = BasePoint();
  const int tips = Tips();
  int64_t lo[3] = {base.x, base.y, base.z}, hi[3] = {base.x, base.y, base.z};
  // The bounds hold the clusters even of a tree drawn without foliage.
  const QuadExtent quad(*this);
  clusters.resize(size_t(tips));
  for (int i = tips - 1; i < int(nodes.size()); ++i) {
    Foliage& f = clusters[size_t(i - (tips - 1))];
    Cluster(*this, nodes[size_t(i)], quad, f.centre, f.extent);
    const int64_t v[3] = {f.centre.x, f.centre.y, f.centre.z};
    for (int a = 0; a < 3; ++a) {
      lo[a] = std::min(lo[a], v[a] - f.extent);
      hi[a] = std::max(hi[a], v[a] + f.extent);
    }
  }
  // A damaged record's giant tree reaches past the 32-bit coordinates: held at their edge.
  const auto held = [](int64_t v) { return OffsetSaturated(0, v); };
  centre = {held((lo[0] + hi[0]) >> 1), held((lo[1] + hi[1]) >> 1), held((lo[2] + hi[2]) >> 1)};
  halfSize = {held((hi[0] - lo[0]) >> 1), held((hi[1] - lo[1]) >> 1), held((hi[2] - lo[2]) >> 1)};
  const auto distance = [this](const IntVector& p) {
    const double dx = double(p.x) - centre.x, dy = double(p.y) - centre.y, dz = double(p.z) - centre.z;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
  };
  double r = distance(base);
  for (const Foliage& f : clusters) r = std::max(r, distance(f.centre) + f.extent);
  radius = NearestSaturated(std::ceil(r));
  sizeByte = static_cast<uint8_t>(std::clamp(NearestSaturated(double(trunkRadius) * 100.0), 0, 255));
  const int32_t s = sizeByte * CENTIMETRE;
  box[0] = OffsetSaturated(position[0], -s);
  box[1] = OffsetSaturated(position[1], -s);
  box[3] = OffsetSaturated(position[0], s);
  box[4] = OffsetSaturated(position[1], s);
  box[2] = OffsetSaturated(centre.z, -int64_t{halfSize.z});
  box[5] = OffsetSaturated(centre.z, halfSize.z);
}

void WTree::AddToDrawList() {
  FastMesh* mesh = renderMesh == TREE_NONE ? nullptr : GetWorldRenderMesh(renderMesh);
  if (!mesh) return;
  if (foliagePart < mesh->parts.size() && CWld) {
    const double dx = double(centre.x) - WorldViewerPosition.x, dy = double(centre.y) - WorldViewerPosition.y,
                 dz = double(centre.z) - WorldViewerPosition.z;
    const int32_t d = std::max(NearestSaturated(std::sqrt(dx * dx + dy * dy + dz * dz)) - radius, 0);
    CWld->AddToDrawSort(d, this, 3, static_cast<uint32_t>(radius), centre);
  }
  if (barkPart < mesh->parts.size() && partEntry < mesh->groupCount) SetDirtyBit(*mesh, partEntry);
}

void WTree::AddToDrawListAtDistance(int32_t) {
  FastMesh* mesh = renderMesh == TREE_NONE ? nullptr : GetWorldRenderMesh(renderMesh);
  if (mesh && partEntry < mesh->groupCount) SetDirtyBit(*mesh, partEntry);
}

void WTree::DrawPart(uint16_t part, int drawMode) {
  FastMesh* mesh = renderMesh == TREE_NONE ? nullptr : GetWorldRenderMesh(renderMesh);
  if (!mesh || part >= mesh->parts.size()) return;
  SetObjectTransformConstants(float(position[0] / FIX), float(position[1] / FIX), baseHeight,
                              float(2.0 * radius / FIX));
  mesh->parts[part].DrawOnePart(partEntry, drawMode);
}

// The bark under the layered render state: the vertices lean with the wind of the constants.
void WTree::DrawLayer1() {
  SetRenderStateSelector(RENDER_STATE_LAYERED);
  DrawPart(barkPart, 3);
  SetRenderStateSelector(0);
}
void WTree::DrawLayer3() { DrawPart(barkPart, 1); }
void WTree::DrawLayer4() { DrawPart(foliagePart, 2); }

// ---- [Mesh] ----

TreeCounts CountTreeGeometry(const WTree& tree) {
  const uint32_t n = uint32_t(tree.Tips());
  TreeCounts c = {};
  if (tree.HasBark()) {
    c.barkVertices = 6 * n;
    c.barkTriangles = 12 * n - 8;
  }
  if (tree.HasFoliage()) c.foliageVertices = c.foliageTriangles = 8 * n;
  return c;
}

void BuildTreeMesh(WTree& tree, FastMesh& mesh, int meshIndex) {
  tree.renderMesh = static_cast<uint16_t>(meshIndex);
  tree.partEntry = static_cast<uint16_t>(mesh.groupCount > 0 ? mesh.groupCount - 1 : 0);
  tree.barkPart = tree.foliagePart = TREE_NONE;
  std::vector<TreeNode> nodes;
  GrowTree(tree, nodes);
  const int tips = tree.Tips();
  const int bark = tree.HasBark() ? FindPart(mesh, TreeBarkMaterials[tree.barkTexture]) : -1;
  if (bark >= 0) {
    tree.barkPart = static_cast<uint16_t>(bark);
    Primitive& part = mesh.parts[size_t(bark)];
    const uint32_t colour = Shade(tree.barkColour);
    std::vector<uint16_t> ringOf(nodes.size());  // the first vertex of each node's ring
    std::vector<double> vOf(nodes.size());
    std::vector<int32_t> radii(1, NearestSaturated(double(tree.trunkRadius) * FIX));
    std::vector<double> lengths(1, tree.branchLength);
    const auto ring = [&](const IntVector& at, const SphereDirection& frame, int32_t r, double v) {
      const IntVector sides[5] = {frame.a, frame.b, {-frame.a.x, -frame.a.y, -frame.a.z},
                                  {-frame.b.x, -frame.b.y, -frame.b.z}, frame.a};
      const uint16_t start = static_cast<uint16_t>(part.buildVertices.size());
      for (int i = 0; i < 5; ++i)
        part.buildVertices.push_back(
            MakeVertex(Step(at, sides[i], double(r) / FIX), sides[i], colour, 0.5f * float(i), float(v)));
      return start;
    };
    const auto join = [&](uint16_t lower, uint16_t upper) {
      for (uint16_t i = 0; i < 4; ++i) {
        part.buildIndices.insert(part.buildIndices.end(), {uint16_t(lower + i), uint16_t(lower + i + 1),
                                                           uint16_t(upper + i)});
        part.buildIndices.insert(part.buildIndices.end(), {uint16_t(lower + i + 1),
                                                           uint16_t(upper + i + 1), uint16_t(upper + i)});
      }
    };
    const SphereDirection& up = Direction(0, 0);
    const auto vStep = [](double length, int32_t r) { return r > 0 ? 2.0 * length / (TWO_PI * (r / FIX)) : 0.0; };
    const uint16_t base = ring(tree.BasePoint(), up, radii[0], 0.0);
    vOf[0] = vStep(lengths[0], radii[0]);
    ringOf[0] = ring(nodes[0].position, up, radii[0], vOf[0]);
    join(base, ringOf[0]);
    for (size_t i = 1; i < nodes.size(); ++i) {
      const TreeNode& node = nodes[i];
      while (int(radii.size()) <= node.generation) {
        radii.push_back(NearestSaturated(radii.back() * HALF_SQRT2));
        lengths.push_back(lengths.back() * tree.lengthFactor);
      }
      const SphereDirection& frame = Direction(node.latitude, node.longitude);
      if (int(i) < tips - 1) {
        vOf[i] = vOf[size_t(node.parent)] + vStep(lengths[size_t(node.generation)], radii[size_t(node.generation)]);
        ringOf[i] = ring(node.position, frame, radii[size_t(node.generation)], vOf[i]);
        join(ringOf[size_t(node.parent)], ringOf[i]);
        continue;
      }
      const uint16_t tip = static_cast<uint16_t>(part.buildVertices.size());
      part.buildVertices.push_back(MakeVertex(Step(node.position, frame.d, tree.foliageLength / 4.0), frame.d, colour,
                                              0.5f, float(vOf[size_t(node.parent)])));
      const uint16_t lower = ringOf[size_t(node.parent)];
      for (uint16_t k = 0; k < 4; ++k)
        part.buildIndices.insert(part.buildIndices.end(),
                                 {uint16_t(lower + k), uint16_t(lower + k + 1), uint16_t(tip)});
    }
  }
  const int foliage = tree.HasFoliage() ? FindPart(mesh, TreeFoliageMaterials[tree.foliageTexture]) : -1;
  if (foliage >= 0) {
    tree.foliagePart = static_cast<uint16_t>(foliage);
    Primitive& part = mesh.parts[size_t(foliage)];
    const uint32_t colour = Shade(tree.foliageColour);
    const IntVector upNormal = {0, 0, 65536};
    for (int i = tips - 1; i < int(nodes.size()); ++i) {
      const TreeNode& node = nodes[size_t(i)];
      const SphereDirection& f = FoliageDirection(tree, node);
      const double half = tree.foliageWidth / 2.0;
      for (const IntVector& span : {f.c, f.e}) {
        const IntVector minus = Step(node.position, span, -half), plus = Step(node.position, span, half);
        const IntVector corners[4] = {minus, plus, Step(minus, f.d, tree.foliageLength),
                                      Step(plus, f.d, tree.foliageLength)};
        const uint16_t q = static_cast<uint16_t>(part.buildVertices.size());
        for (int k = 0; k < 4; ++k)
          part.buildVertices.push_back(MakeVertex(corners[k], upNormal, colour, float(k & 1), float(k >> 1)));
        const uint16_t a = q, b = uint16_t(q + 1), c = uint16_t(q + 2), d = uint16_t(q + 3);
        part.buildIndices.insert(part.buildIndices.end(), {a, b, c, b, d, c, a, c, b, b, c, d});
      }
    }
  }
}
