// sample_models.cpp - the sample box, wheel and car body.
//
// Axes: x to the right, y forward, z up, in metres.  The car is described by its right half
// (mirrored points and triangles); its levels of detail share points.
#include "tools/model_gen/sample_models.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "core/data_file.h"
#include "model/model_file.h"
#include "model/model_materials.h"
#include "model/pregen_model.h"
#include "text/text_colours.h"
#include "tools/model_gen/model_builder.h"

const SampleModel SAMPLE_MODELS[SAMPLE_MODEL_COUNT] = {
    {"sample_box", BuildSampleBox},
    {"sample_wheel", BuildSampleWheel},
    {"sample_car", BuildSampleCar},
};

const SampleRegion SAMPLE_REGIONS[SAMPLE_REGION_COUNT] = {
    {"paint", 0, 0, 64, 64},        {"disc", 0, 64, 64, 64},        {"checker", 64, 0, 32, 32},
    {"detail", 96, 0, 32, 32},      {"tyre", 64, 32, 32, 32},       {"rim", 96, 32, 32, 32},
    {"head", 64, 64, 16, 16},       {"tail", 80, 64, 16, 16},       {"brake", 96, 64, 16, 16},
    {"indicator", 112, 64, 16, 16}, {"C~num_1", 64, 96, 16, 16},    {"C~num_2", 80, 96, 16, 16},
    {"C~num_3", 96, 96, 16, 16},    {"O~num_1", 112, 96, 16, 16},
};

const SampleRegion& FindSampleRegion(const char* cutout) {
  for (const SampleRegion& r : SAMPLE_REGIONS)
    if (std::strcmp(r.cutout, cutout) == 0) return r;
  return SAMPLE_REGIONS[0];
}

namespace {

constexpr double PI = 3.14159265358979323846;

CutoutMaterial Surface(uint8_t alpha, uint8_t env, uint8_t shine, uint8_t grey, uint8_t roughness) {
  return CutoutMaterial{alpha, env, shine, 0, {grey, grey, grey}, roughness};
}

// A cutout of the sample page at its region.
int PageCutout(ModelBuilder& b, int page, const char* name, const CutoutMaterial& material) {
  const SampleRegion& r = FindSampleRegion(name);
  return b.AddCutout(name, page, r.width, r.height, r.left, r.top, material);
}

void NameObject(ModelObject& o, const char* name, uint8_t type, uint8_t sideFunction) {
  std::memset(o.name, 0, sizeof o.name);
  std::strncpy(o.name, name, sizeof o.name - 1);
  o.type = type;
  o.sideFunction = sideFunction;
}

void NameLayers(ModelObject& o, const std::vector<const char*>& names) {
  std::memset(o.layerNames, 0, sizeof o.layerNames);
  for (size_t i = 0; i < names.size(); ++i) std::strncpy(o.layerNames[i], names[i], LAYER_NAME_SIZE - 1);
}

// A closed cylinder along x from x0 to x1: tread, then the caps at x1 (outer) and x0 (inner),
// each with its own mapping and smoothing group when asked.
void Cylinder(ModelBuilder& b, double x0, double x1, double radius, int segments, int treadMapping, int outerMapping,
              int innerMapping, bool groups) {
  const int first = static_cast<int>(b.points.size());
  for (int i = 0; i < segments; ++i) {
    const double a = 2 * PI * i / segments;
    b.Point(x0, radius * std::cos(a), radius * std::sin(a));
    b.Point(x1, radius * std::cos(a), radius * std::sin(a));
  }
  const int inner = b.Point(x0, 0, 0), outer = b.Point(x1, 0, 0);
  for (int i = 0; i < segments; ++i) {
    const int j = (i + 1) % segments;
    const int in0 = first + 2 * i, out0 = in0 + 1, in1 = first + 2 * j, out1 = in1 + 1;
    b.mapping = treadMapping;
    b.group = 0;
    b.Quad(in0, in1, out1, out0);
    b.mapping = outerMapping;
    b.group = groups ? 1 : 0;
    b.Triangle(outer, out0, out1);
    b.mapping = innerMapping;
    b.group = groups ? 2 : 0;
    b.Triangle(inner, in1, in0);
  }
  b.group = 0;
}

// ---- the car's subobjects ----

void BrakeDisc(ModelObject& o) {
  o.Init();
  NameObject(o, "brake_fr", SUBOBJECT_BRAKE, SIDE_STATIC);
  o.offset[0] = Metres(0.78);
  o.offset[1] = Metres(1.3);
  o.offset[2] = Metres(0.32);
  ModelBuilder b;
  const int page = b.Page(PAGE_FIXED, SAMPLE_PAGE_TEXTURE);
  const int disc = PageCutout(b, page, "disc", Surface(ALPHA_SOLID, ENV_C_SHINE, SHINE_METAL, 180, 40));
  b.AddMapping("disc", disc, disc, DIRECTION_RIGHT, 0.34, 0.34, 0xFFFFFF);
  Cylinder(b, -0.015, 0.015, 0.16, 12, 0, 0, 0, false);
  b.Into(o);
}

void RearWing(ModelObject& o) {
  o.Init();
  NameObject(o, "rear_wing", SUBOBJECT_REAR_WING, SIDE_STATIC);
  o.offset[1] = Metres(-1.85);
  o.offset[2] = Metres(1.0);
  ModelBuilder b;
  b.mirrored = true;
  const int page = b.Page(PAGE_FIXED, SAMPLE_PAGE_TEXTURE);
  const int paint = PageCutout(b, page, "paint", Surface(ALPHA_SOLID, ENV_C_SHINE, SHINE_PAINT, 230, 50));
  b.AddMapping("wing", paint, paint, DIRECTION_TOP, 1.6, 0.4, 0x2828C8);
  const int c0 = b.Point(0, -0.2, 0), c1 = b.Point(0, 0.2, 0.05), s0 = b.Point(0.8, -0.2, 0),
            s1 = b.Point(0.8, 0.2, 0.05), e0 = b.Point(0.8, -0.25, -0.2), e1 = b.Point(0.8, 0.25, -0.2);
  b.Quad(c0, s0, s1, c1);  // the board
  b.Quad(s0, e0, e1, s1);  // the end plate
  b.Into(o);
}

void InternalMirror(ModelObject& o) {
  o.Init();
  NameObject(o, "int_mirror", SUBOBJECT_INTERNAL_MIRROR, SIDE_FULL_FLIP);
  o.offset[1] = Metres(0.45);
  o.offset[2] = Metres(1.12);
  ModelBuilder b;
  b.mirrored = true;
  const int page = b.Page(PAGE_FIXED, "s_mirr");
  const int glass = b.AddCutout("mirror", page, 128, 128, 0, 0, MATERIAL_DEFAULT);
  b.AddMapping("mirror", glass, glass, DIRECTION_BACK, 0.24, 0.06, 0xFFFFFF);
  const int c0 = b.Point(0, 0, -0.03), c1 = b.Point(0, 0, 0.03), s0 = b.Point(0.12, 0, -0.03),
            s1 = b.Point(0.12, 0, 0.03);
  b.Quad(c0, s0, s1, c1);
  b.Into(o);
}

// A door mirror on the right, built a second time mirrored on the left (options bit 0).
void DoorMirror(ModelObject& o) {
  o.Init();
  NameObject(o, "door_mirror", SUBOBJECT_ATTACHMENT, SIDE_STATIC);
  o.options = OPTION_MIRRORED_TWIN;
  o.offset[0] = Metres(0.95);
  o.offset[1] = Metres(0.55);
  o.offset[2] = Metres(0.85);
  ModelBuilder b;
  const int page = b.Page(PAGE_FIXED, SAMPLE_PAGE_TEXTURE);
  const int paint = PageCutout(b, page, "paint", Surface(ALPHA_SOLID, ENV_C_SHINE, SHINE_PAINT, 230, 50));
  b.AddMapping("C1", paint, paint, DIRECTION_RIGHT, 0.2, 0.1, 0x1E1EC8);
  b.Box(0, -0.05, -0.05, 0.16, 0.05, 0.05);
  b.Into(o);
}

}  // namespace

CutoutMaterial SampleSurface(uint8_t alpha, uint8_t env, uint8_t shine, uint8_t grey, uint8_t roughness) {
  return Surface(alpha, env, shine, grey, roughness);
}

int AddSampleCutout(ModelBuilder& b, int page, const char* region, const CutoutMaterial& material) {
  return PageCutout(b, page, region, material);
}

void BuildSteeringWheel(ModelObject& o, double radius, double x, double y, double z) {
  NameObject(o, "steering", SUBOBJECT_STEERING_WHEEL, SIDE_SWAP_ONLY);
  o.offset[0] = Metres(x);
  o.offset[1] = Metres(y);
  o.offset[2] = Metres(z);
  ModelBuilder b;
  const int page = b.Page(PAGE_FIXED, SAMPLE_PAGE_TEXTURE);
  const int rim = PageCutout(b, page, "detail", Surface(ALPHA_SOLID, ENV_MATT, SHINE_RUBBER, 200, 70));
  b.AddMapping("wheel rim", rim, rim, DIRECTION_TOP, 0.4, 0.4, 0x303030);
  // The rim: a square tube 3 cm thick round the middle.
  constexpr int SEGMENTS = 16;
  constexpr double HALF = 0.015;
  std::vector<int> ring;
  for (int i = 0; i < SEGMENTS; ++i) {
    const double a = 2 * PI * i / SEGMENTS, c = std::cos(a), sn = std::sin(a);
    for (const double r : {radius - HALF, radius + HALF})
      for (const double h : {-HALF, HALF}) ring.push_back(b.Point(r * c, r * sn, h));
  }
  for (int i = 0; i < SEGMENTS; ++i) {
    const int p = 4 * i, q = 4 * ((i + 1) % SEGMENTS);  // inner low, inner high, outer low, outer high
    b.Quad(ring[p + 3], ring[q + 3], ring[q + 1], ring[p + 1]);  // the face toward the driver
    b.Quad(ring[p + 0], ring[q + 0], ring[q + 2], ring[p + 2]);  // the face toward the dash
    b.Quad(ring[p + 2], ring[q + 2], ring[q + 3], ring[p + 3]);  // outside
    b.Quad(ring[p + 1], ring[q + 1], ring[q + 0], ring[p + 0]);  // inside
  }
  // The spokes across, the hub and the column down the wheel's axis.
  b.Box(-radius, -0.02, -0.01, radius, 0.02, 0.01);
  b.Box(-0.04, -0.04, -0.03, 0.04, 0.04, 0.02);
  b.Box(-0.02, -0.02, -0.3, 0.02, 0.02, -0.03);
  b.Into(o);
}

// ---- the samples ----

void BuildSampleBox(ModelObject& o) {
  NameObject(o, "sample_box", SUBOBJECT_MAIN, SIDE_STATIC);
  NameLayers(o, {"main"});
  ModelBuilder b;
  const int page = b.Page(PAGE_FIXED, SAMPLE_PAGE_TEXTURE);
  const int checker = PageCutout(b, page, "checker", MATERIAL_DEFAULT);
  const int side = b.AddMapping("side", checker, checker, DIRECTION_RIGHT, 1.0, 1.0, 0xFFFFFF, 0.75, 0, 0.5);
  const int front = b.AddMapping("front", checker, checker, DIRECTION_FRONT, 1.0, 1.0, 0xFFFFFF, 0, 0.75, 0.5);
  const int top = b.AddMapping("top", checker, checker, DIRECTION_TOP, 1.0, 1.0, 0xFFFFFF, 0, 0, 1.25);
  const int p[8] = {b.Point(-0.5, -0.5, 0), b.Point(0.5, -0.5, 0), b.Point(0.5, 0.5, 0), b.Point(-0.5, 0.5, 0),
                    b.Point(-0.5, -0.5, 1), b.Point(0.5, -0.5, 1), b.Point(0.5, 0.5, 1), b.Point(-0.5, 0.5, 1)};
  // Each face its own smoothing group: hard edges all round.
  const int faces[6][5] = {{0, 3, 2, 1, top},  {4, 5, 6, 7, top},   {0, 1, 5, 4, front},
                           {2, 3, 7, 6, front}, {1, 2, 6, 5, side}, {3, 0, 4, 7, side}};
  for (int f = 0; f < 6; ++f) {
    b.group = f;
    b.mapping = faces[f][4];
    b.Quad(p[faces[f][0]], p[faces[f][1]], p[faces[f][2]], p[faces[f][3]]);
  }
  b.Into(o);
}

void BuildSampleWheel(ModelObject& o) {
  NameObject(o, "sample_wheel", SUBOBJECT_MAIN, SIDE_STATIC);
  NameLayers(o, {"tyre", "rim"});
  ModelBuilder b;
  const int page = b.Page(PAGE_FIXED, SAMPLE_PAGE_TEXTURE);
  const int tyre = PageCutout(b, page, "tyre", Surface(ALPHA_SOLID, ENV_MATT, SHINE_RUBBER, 200, 70));
  const int rim = PageCutout(b, page, "rim", Surface(ALPHA_SOLID, ENV_C_SHINE, SHINE_METAL, 220, 30));
  const int tread = b.AddMapping("tread", tyre, tyre, DIRECTION_FRONT, 0.22, 0.64, 0xFFFFFF, 0, 0.5, 0);
  const int outer = b.AddMapping("rim", rim, rim, DIRECTION_RIGHT, 0.64, 0.64, 0xFFFFFF, 0.4, 0, 0);
  const int inner = b.AddMapping("inner", tyre, tyre, DIRECTION_LEFT, 0.64, 0.64, 0xFFFFFF, -0.4, 0, 0);
  b.layer = 0;
  Cylinder(b, -0.11, 0.11, 0.32, 16, tread, outer, inner, true);
  // The rim's triangles sit on their own layer.
  for (ModelTriangle& t : b.triangles)
    if (t.mapping == outer) t.layer = 1;
  b.Into(o);
}

void BuildSampleCar(ModelObject& o) {
  NameObject(o, "sample_car", SUBOBJECT_MAIN, SIDE_STATIC);
  NameLayers(o, {"body", "glass", "lights", "detail"});
  o.lodCount = 2;
  o.lodDistances[0] = Metres(30);
  o.lodDistances[1] = Metres(150);
  ModelBuilder b;
  b.mirrored = true;
  b.colourChoices = {RgbWord(200, 30, 30), RgbWord(30, 60, 200), RgbWord(230, 200, 40)};

  const int page = b.Page(PAGE_FIXED, SAMPLE_PAGE_TEXTURE);
  const int skin = b.Page(PAGE_SKIN, "");
  const int glassPage = b.Page(PAGE_FIXED, SAMPLE_GLASS_TEXTURE);
  const int platePage = b.Page(PAGE_FIXED, "s_plate");
  const int body = b.AddCutout("body", skin, 128, 128, 0, 0, Surface(ALPHA_SOLID, ENV_OVERLAY, SHINE_PAINT, 230, 50));
  const int paint = PageCutout(b, page, "paint", Surface(ALPHA_SOLID, ENV_C_SHINE, SHINE_PAINT, 230, 50));
  const int detail = PageCutout(b, page, "detail", MATERIAL_DEFAULT);
  const int head = PageCutout(b, page, "head", MATERIAL_DEFAULT);
  const int tail = PageCutout(b, page, "tail", MATERIAL_DEFAULT);
  const int brake = PageCutout(b, page, "brake", MATERIAL_DEFAULT);
  const int number = PageCutout(b, page, "C~num_1", MATERIAL_DEFAULT);
  PageCutout(b, page, "C~num_2", MATERIAL_DEFAULT);
  PageCutout(b, page, "C~num_3", MATERIAL_DEFAULT);
  const int numberOther = PageCutout(b, page, "O~num_1", MATERIAL_DEFAULT);
  const int glass = b.AddCutout("glass", glassPage, 128, 128, 0, 0,
                                Surface(ALPHA_BLEND, ENV_C_SHINE, SHINE_GLASS, 255, 0));
  const int plate = b.AddCutout("plate", platePage, 128, 128, 0, 0, MATERIAL_PLATE);

  const ColourWord red = RgbWord(200, 30, 30);
  const int c1 = b.AddMapping("C1", body, body, DIRECTION_RIGHT, 4.4, 1.2, red, 1.1, 0, 0.6);
  const int d1 = b.AddMapping("D1", paint, paint, DIRECTION_RIGHT, 4.4, 0.6, ScaleColourChannels(red, 3, 5), 1.1, 0, 0.3);
  const int e1 = b.AddMapping("E1", paint, paint, DIRECTION_UNDER, 2.0, 4.4, ScaleColourChannels(red, 2, 5), 0, 0, -0.2);
  const int m1 = b.AddMapping("M1", detail, detail, DIRECTION_FRONT, 1.8, 0.3, 0x505050, 0, 2.3, 0.35);
  const int lHead = b.AddMapping("l_head", head, head, DIRECTION_FRONT, 1.8, 0.2, 0xFFFFFF | CF_SELF_LIT, 0, 2.3, 0.6);
  const int lTail = b.AddMapping("l_tail", tail, tail, DIRECTION_BACK, 0.9, 0.2, 0xFFFFFF | CF_SELF_LIT, 0.68, -2.3,
                                 0.6);
  const int lBrake = b.AddMapping("l_brk", brake, brake, DIRECTION_BACK, 0.9, 0.2, 0xFFFFFF | CF_SELF_LIT, 0, -2.3,
                                  0.6);
  const int numbered = b.AddMapping("C~number", number, numberOther, DIRECTION_TOP, 1.3, 1.0, 0xFFFFFF, 0, -0.3, 1.5);
  const int windows = b.AddMapping("glass", glass, glass, DIRECTION_RIGHT, 1.8, 0.5, 0xFFFFFF | CF_TRANSLUCENT, 1.0,
                                   -0.1, 0.95);
  const int plateMap = b.AddMapping("plate", plate, plate, DIRECTION_BACK, 0.6, 0.3, 0xFFFFFF, 0, -2.3, 0.35);
  b.mappings[numbered].flags = MAPPING_CENTRAL | MAPPING_LINK_TOP;

  // Lower body: sides split at the waist, front and rear split at the lights.
  const int b0 = b.Point(0.9, -2.0, 0.2), b1 = b.Point(0.9, 2.0, 0.2), b1m = b.Point(0.9, 2.0, 0.5),
            b0m = b.Point(0.9, -2.0, 0.5), b2 = b.Point(0.9, 2.0, 0.7), b3 = b.Point(0.9, -2.0, 0.7);
  const int c0 = b.Point(0, -2.0, 0.2), c1p = b.Point(0, 2.0, 0.2), c1m = b.Point(0, 2.0, 0.5),
            c0m = b.Point(0, -2.0, 0.5), c2 = b.Point(0, 2.0, 0.7), c3 = b.Point(0, -2.0, 0.7);
  const int h0 = b.Point(0.45, -2.0, 0.5), h1 = b.Point(0.45, -2.0, 0.7);
  // The deck at the shoulders, and the cabin.
  const int d1p = b.Point(0.9, -1.0, 0.7), d2p = b.Point(0.9, 0.6, 0.7), e1p = b.Point(0, -1.0, 0.7),
            e2p = b.Point(0, 0.6, 0.7), f1 = b.Point(0.75, -1.0, 0.7), f2 = b.Point(0.75, 0.6, 0.7);
  const int r1 = b.Point(0.65, -0.8, 1.2), r2 = b.Point(0.65, 0.2, 1.2), g1 = b.Point(0, -0.8, 1.2),
            g2 = b.Point(0, 0.2, 1.2);

  auto face = [&b](int layer, int mapping, int p0, int p1, int p2, int p3) {
    b.layer = layer;
    b.mapping = mapping;
    b.Quad(p0, p1, p2, p3);
  };
  // Level 0.
  b.lod = 0;
  b.group = 0;
  face(0, d1, b0, b1, b1m, b0m);     // lower side
  face(0, c1, b0m, b1m, b2, b3);     // upper side
  face(3, e1, c0, c1p, b1, b0);      // floor
  face(3, m1, c1p, c1m, b1m, b1);    // grille
  face(2, lHead, c1m, c2, b2, b1m);  // headlights
  face(3, plateMap, c0, b0, b0m, c0m);  // plate panel
  face(2, lBrake, c0m, h0, h1, c3);  // brake lights
  face(2, lTail, h0, b0m, b3, h1);   // tail lights
  b.group = 1;
  face(0, c1, e2p, d2p, b2, c2);     // bonnet
  face(0, c1, c3, b3, d1p, e1p);     // boot
  face(0, c1, d1p, d2p, f2, f1);     // deck beside the cabin
  face(0, numbered, g1, r1, r2, g2); // roof with the number
  b.group = 2;
  face(1, windows, e2p, g2, r2, f2); // windscreen
  face(1, windows, g1, e1p, f1, r1); // rear window
  face(1, windows, f1, f2, r2, r1);  // side window
  // Level 1: the same outline in fewer faces.
  b.lod = 1;
  b.group = 0;
  face(0, c1, b0, b1, b2, b3);
  face(3, m1, c1p, c2, b2, b1);
  face(3, m1, c0, b0, b3, c3);
  face(0, c1, c3, b3, b2, c2);
  face(3, e1, c0, c1p, b1, b0);
  b.group = 1;
  face(1, windows, e2p, g2, r2, f2);
  face(0, c1, g1, r1, r2, g2);
  face(1, windows, g1, e1p, f1, r1);
  face(1, windows, f1, f2, r2, r1);
  b.Into(o);

  std::vector<ModelObject> children(5);
  BrakeDisc(children[0]);
  // In front of the driver's chest, where the sample figures' hands hold it (drawn at the
  // driver's side).
  children[1].Init();
  BuildSteeringWheel(children[1], 0.165, 0.38, 0.47, 0.78);
  RearWing(children[2]);
  InternalMirror(children[3]);
  DoorMirror(children[4]);
  SetChildren(o, children);
}

// ---- the spoke ----

void BuildSampleSpokeObject(ModelObject& o) {
  NameObject(o, SAMPLE_SPOKE_NAME, SUBOBJECT_MAIN, SIDE_STATIC);
  ModelBuilder b;
  const int page = b.Page(PAGE_FIXED, SAMPLE_PAGE_TEXTURE);
  const int rim = PageCutout(b, page, "rim", Surface(ALPHA_SOLID, ENV_C_SHINE, SHINE_METAL, 220, 30));
  b.AddMapping("spoke", rim, rim, DIRECTION_RIGHT, 0.64, 0.64, 0xFFFFFF, 0.05, 0, 0);
  // The bar: from the hub on the axle (shared by every spoke) out to the rim, along +z.
  const int hubIn = b.Point(0.0, 0, 0), hubOut = b.Point(0.04, 0, 0);
  const int barIn = b.Point(0.0, -0.02, 0.24), barOut = b.Point(0.04, -0.02, 0.24);
  const int barIn2 = b.Point(0.0, 0.02, 0.24), barOut2 = b.Point(0.04, 0.02, 0.24);
  b.Triangle(hubOut, barOut2, barOut);  // the outer face
  b.Triangle(hubIn, barIn, barIn2);     // the inner face
  // The rim's arc from this spoke to the next: its far corners are the next spoke's points.
  const int rimIn = b.Point(0.0, 0, 0.28), rimOut = b.Point(0.04, 0, 0.28);
  b.Triangle(rimOut, rimIn | CORNER_MIRRORED, rimIn);
  b.Triangle(rimOut, rimOut | CORNER_MIRRORED, rimIn | CORNER_MIRRORED);
  b.Triangle(barOut, barOut2, rimOut);  // the struts from the bar to the rim
  b.Triangle(barIn2, barIn, rimIn);
  b.Into(o);
}

// ---- the layout object models ----

const SampleLayoutSlot SAMPLE_LAYOUT_SLOTS[SAMPLE_LAYOUT_MODEL_COUNT] = {
    {0, BuildLayoutCone},    {30, BuildLayoutBlock}, {100, BuildLayoutRing}, {172, BuildLayoutStartLights},
    {175, BuildLayoutBlock}, {195, BuildLayoutCone},
};

namespace {

int LayoutMapping(ModelBuilder& b, ColourWord colour) {
  const int page = b.Page(PAGE_FIXED, SAMPLE_PAGE_TEXTURE);
  const int paint = PageCutout(b, page, "paint", MATERIAL_DEFAULT);
  return b.AddMapping("paint", paint, paint, DIRECTION_TOP, 1.0, 1.0, colour);
}

}  // namespace

void BuildLayoutCone(ModelObject& o) {
  NameObject(o, "cone", SUBOBJECT_MAIN, SIDE_STATIC);
  ModelBuilder b;
  LayoutMapping(b, RgbWord(240, 110, 20));
  constexpr int SEGMENTS = 12;
  const int tip = b.Point(0, 0, 0.7), base = b.Point(0, 0, 0);
  for (int i = 0; i < SEGMENTS; ++i) {
    const double a = 2 * PI * i / SEGMENTS;
    b.Point(0.2 * std::cos(a), 0.2 * std::sin(a), 0);
  }
  for (int i = 0; i < SEGMENTS; ++i) {
    const int p = 2 + i, q = 2 + (i + 1) % SEGMENTS;
    b.Triangle(tip, p, q);
    b.Triangle(base, q, p);
  }
  b.Into(o);
}

void BuildLayoutBlock(ModelObject& o) {
  NameObject(o, "block", SUBOBJECT_MAIN, SIDE_STATIC);
  ModelBuilder b;
  LayoutMapping(b, RgbWord(200, 200, 210));
  b.Box(-0.6, -0.3, 0, 0.6, 0.3, 0.8);
  b.Into(o);
}

void BuildLayoutRing(ModelObject& o) {
  NameObject(o, "ring", SUBOBJECT_MAIN, SIDE_STATIC);
  ModelBuilder b;
  LayoutMapping(b, RgbWord(30, 30, 34));
  // A tyre lying on the ground: a flat ring of quads, top and bottom.
  constexpr int SEGMENTS = 16;
  for (int i = 0; i < SEGMENTS; ++i) {
    const double a = 2 * PI * i / SEGMENTS;
    for (const double r : {0.3, 0.18})
      for (const double z : {0.0, 0.2}) b.Point(r * std::cos(a), r * std::sin(a), z);
  }
  for (int i = 0; i < SEGMENTS; ++i) {
    const int p = 4 * i, q = 4 * ((i + 1) % SEGMENTS);
    b.Quad(p + 1, q + 1, q + 3, p + 3);  // top
    b.Quad(p + 0, p + 2, q + 2, q + 0);  // bottom
    b.Quad(p + 0, q + 0, q + 1, p + 1);  // outside
    b.Quad(p + 2, p + 3, q + 3, q + 2);  // inside
  }
  b.Into(o);
}

void BuildLayoutStartLights(ModelObject& o) {
  NameObject(o, "start lights", SUBOBJECT_MAIN, SIDE_STATIC);
  ModelBuilder b;
  const int page = b.Page(PAGE_FIXED, SAMPLE_PAGE_TEXTURE);
  const int paint = PageCutout(b, page, "paint", MATERIAL_DEFAULT);
  b.AddMapping("paint", paint, paint, DIRECTION_FRONT, 1.0, 1.0, RgbWord(40, 40, 44));
  static const char* const LAMPS[4] = {"l_red1", "l_red2", "l_red3", "l_green"};
  for (const char* lamp : LAMPS) {
    const int cutout = PageCutout(b, page, lamp, MATERIAL_DEFAULT);
    b.AddMapping(lamp, cutout, cutout, DIRECTION_FRONT, 1.0, 1.0, RgbWord(60, 60, 60));
  }
  // The gantry: a beam 2 m wide at 2.5 m on two posts.
  b.mapping = 0;
  b.Box(-1.0, -0.15, 2.4, 1.0, 0.15, 2.8);
  b.Box(-1.0, -0.1, 0.0, -0.85, 0.1, 2.4);
  b.Box(0.85, -0.1, 0.0, 1.0, 0.1, 2.4);
  // The lamps on the beam's front, one mapping each.
  for (int k = 0; k < 4; ++k) {
    b.mapping = 1 + k;
    const double x = -0.75 + 0.5 * k;
    b.Box(x - 0.15, -0.25, 2.45, x + 0.15, -0.15, 2.75);
  }
  b.Into(o);
}

std::vector<uint8_t> SampleLayoutModelsImage(int slotCount) {
  std::vector<uint8_t> body = {0, 0, 0, 0, uint8_t(slotCount), uint8_t(slotCount >> 8), 0, 0};
  for (int slot = 0; slot < slotCount; ++slot) {
    const SampleLayoutSlot* sample = nullptr;
    for (const SampleLayoutSlot& s : SAMPLE_LAYOUT_SLOTS)
      if (s.slot == slot) sample = &s;
    body.insert(body.end(), {uint8_t(sample ? 1 : 0), 0, 0, 0});
    if (!sample) continue;
    ModelObject o;
    o.Init();
    sample->build(o);
    const std::vector<uint8_t> record = ModelRecordBytes(o, 1, 0);
    o.Free();
    body.insert(body.end(), record.begin(), record.end());
  }
  return DataFileImage(LAYOUT_MODELS_MAGIC, body, LAYOUT_MODELS_VERSION);
}
