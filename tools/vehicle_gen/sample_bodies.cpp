// sample_bodies.cpp - the open-wheelers', the kart's, the bikes' and the vans' bodies.
//
// Each is made of lofts and boxes (ModelBuilder) on the sample page, its painted panels on the
// vehicle's skin ("C1"), its trim in the body's two colours ("M1", "M2"), its dark parts, glass
// and lamps in the sample car's materials.
#include "tools/vehicle_gen/sample_bodies.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "model/model_materials.h"
#include "text/text_colours.h"
#include "tools/model_gen/model_builder.h"
#include "tools/model_gen/sample_driver.h"
#include "tools/model_gen/sample_models.h"

namespace {

using Section = ModelBuilder::Section;

// The mappings a body paints with.
struct Paints {
  int skin;    // the body's colour 1 on the vehicle's skin
  int paint;   // the body's colour 1
  int accent;  // the body's colour 2
  int dark;    // seats, floors, radiators, the bars' grips
  int metal;   // the engine, pipes and the steering column
  int glass;
  int head, tail, brake;  // the lamps' cutouts: each lamp takes a mapping of its own (Lamp)
};

// The paints of a body length long (m) and height high, its middle at mid along y, painted
// from the side.
Paints AddPaints(ModelBuilder& b, double length, double height, double mid) {
  const int page = b.Page(PAGE_FIXED, SAMPLE_PAGE_TEXTURE);
  const int skinPage = b.Page(PAGE_SKIN, "");
  const int glassPage = b.Page(PAGE_FIXED, SAMPLE_GLASS_TEXTURE);
  const CutoutMaterial gloss = SampleSurface(ALPHA_SOLID, ENV_C_SHINE, SHINE_PAINT, 230, 50);
  const int body = b.AddCutout("body", skinPage, 128, 128, 0, 0, SampleSurface(ALPHA_SOLID, ENV_OVERLAY, SHINE_PAINT, 230, 50));
  const int paint = AddSampleCutout(b, page, "paint", gloss);
  const int detail = AddSampleCutout(b, page, "detail", MATERIAL_DEFAULT);
  const int metal = AddSampleCutout(b, page, "rim", SampleSurface(ALPHA_SOLID, ENV_C_SHINE, SHINE_METAL, 220, 30));
  const int head = AddSampleCutout(b, page, "head", MATERIAL_DEFAULT);
  const int tail = AddSampleCutout(b, page, "tail", MATERIAL_DEFAULT);
  const int brake = AddSampleCutout(b, page, "brake", MATERIAL_DEFAULT);
  const int glass = b.AddCutout("glass", glassPage, 128, 128, 0, 0, SampleSurface(ALPHA_BLEND, ENV_C_SHINE, SHINE_GLASS, 255, 0));
  const ColourWord red = RgbWord(200, 30, 30), white = RgbWord(230, 230, 230);
  Paints p;
  p.skin = b.AddMapping("C1", body, body, DIRECTION_RIGHT, length, height, red, 1.0, mid, height / 2);
  // The page's mappings each span the whole vehicle, so that every part keeps on its own region
  // of the page: a mapping smaller than the part it paints repeats it over the regions beside.
  const double reach = length + 1.4, wide = 2.4, tall = 2.4, middle = tall / 2 - 0.3;
  p.paint = b.AddMapping("M1", paint, paint, DIRECTION_TOP, wide, reach, red, 0, mid, 0);
  p.accent = b.AddMapping("M2", paint, paint, DIRECTION_RIGHT, reach, tall, white, 0, mid, middle);
  p.dark = b.AddMapping("black", detail, detail, DIRECTION_RIGHT, reach, tall, RgbWord(40, 40, 44), 0, mid, middle);
  p.metal = b.AddMapping("alloy", metal, metal, DIRECTION_RIGHT, reach, tall, RgbWord(170, 170, 176), 0, mid, middle);
  p.glass = b.AddMapping("glass", glass, glass, DIRECTION_FRONT, 1.0, 0.5, 0xFFFFFF | CF_TRANSLUCENT);
  p.head = head;
  p.tail = tail;
  p.brake = brake;
  return p;
}

// A lamp: a box from (x0, y0, z0) to (x1, y1, z1) whose face is its whole cutout, lit by itself,
// seen from the front (a head lamp) or from behind.
void Lamp(ModelBuilder& b, const Paints& p, int cutout, double x0, double y0, double z0, double x1, double y1,
          double z1) {
  const char* name = cutout == p.head ? "l_head" : cutout == p.tail ? "l_tail" : "l_brk";
  b.mapping = b.AddMapping(name, cutout, cutout, cutout == p.head ? DIRECTION_FRONT : DIRECTION_BACK, x1 - x0,
                           z1 - z0, 0xFFFFFF | CF_SELF_LIT, (x0 + x1) / 2, (y0 + y1) / 2, (z0 + z1) / 2);
  b.Box(x0, y0, z0, x1, y1, z1);
}
// The same lamp and its mirror image across the centre plane, x0 < x1 on the right.
void LampPair(ModelBuilder& b, const Paints& p, int cutout, double x0, double y0, double z0, double x1, double y1,
              double z1) {
  Lamp(b, p, cutout, x0, y0, z0, x1, y1, z1);
  Lamp(b, p, cutout, -x1, y0, z0, -x0, y1, z1);
}

// A loft of one section's shape from y0 to y1.
std::vector<Section> Straight(double y0, double y1, double halfWidth, double bottom, double top, double topHalfWidth) {
  return {{y0, halfWidth, bottom, top, topHalfWidth}, {y1, halfWidth, bottom, top, topHalfWidth}};
}

// A pair of lofts, mirrored across the centre plane, centred x either side.
void Pair(ModelBuilder& b, const std::vector<Section>& sections, double x) {
  b.Loft(sections, x);
  b.Loft(sections, -x);
}

// The grip's middle of the posture from the seat.
Vec3 GripMiddle(const BodyFrame& f, DriverPosture posture) {
  const DriverGrip& g = DRIVER_GRIPS[posture];
  return {f.seat.x, f.seat.y + g.forward, f.seat.z + g.up};
}

// ---- road cars ----

// A road car's outline along y (m from the origin) and its heights.
struct RoadShape {
  float nose, tail;                 // its ends
  float half;                       // its half width
  float belt;                       // the waist: the bonnet's and the boot's height
  bool arches;                      // its sides cover the wheels, cut round them
  float roofZ;                      // 0: open, with a screen ahead of the seats and hoops behind
  float backFoot, roofBack, roofFront, screenFoot;  // a closed cabin's glass from the tail forward
};

// A slab of the body from y0 to y1 between the heights; where an open car's cockpit
// (from cockpit0 to cockpit1) crosses it, only its two sides.
void Slab(ModelBuilder& b, double y0, double y1, double half, double bottom, double top, double cockpit0,
          double cockpit1) {
  constexpr double WALL = 0.06, LEAST = 0.01;
  const auto solid = [&](double a, double z) {
    if (z - a > LEAST) b.Loft(Straight(a, z, half, bottom, top, half));
  };
  if (cockpit1 <= cockpit0 || cockpit1 <= y0 || cockpit0 >= y1) return solid(y0, y1);
  solid(y0, cockpit0);
  const double a = std::max(y0, cockpit0), z = std::min(y1, cockpit1);
  if (z - a > LEAST) Pair(b, Straight(a, z, WALL, bottom, top, WALL), half - WALL);
  solid(cockpit1, y1);
}

void RoadCar(ModelBuilder& b, const Paints& p, const BodyFrame& f, const RoadShape& s) {
  const double front = f.wheelbase / 2, rear = -f.wheelbase / 2;
  const double sill = f.ground + 0.16, wheelTop = f.ground + 2 * std::max(f.rearRadius, f.frontRadius) + 0.04;
  const double arch[2] = {f.rearRadius + 0.06, f.frontRadius + 0.06};
  const double sx = std::fabs(f.seat.x), sy = f.seat.y;
  const bool open = s.roofZ == 0;
  // An open car's cockpit from behind the seats to the screen ahead of the wheel.
  const double cockpit0 = open ? sy - 0.45 : 0, cockpit1 = open ? sy + 0.8 : 0;
  const double lower = s.arches ? wheelTop : s.belt - 0.12;
  b.mapping = p.skin;
  // Below the wheels' tops: the panels behind, between and ahead of the arches (a body inside
  // its wheels needs none cut); above them the body from end to end at the waist.
  if (s.arches) {
    Slab(b, s.tail, rear - arch[0], s.half, sill, lower, cockpit0, cockpit1);
    Slab(b, rear + arch[0], front - arch[1], s.half, sill, lower, cockpit0, cockpit1);
    Slab(b, front + arch[1], s.nose, s.half, sill, lower, cockpit0, cockpit1);
  } else {
    Slab(b, s.tail, s.nose, s.half, sill, lower, cockpit0, cockpit1);
  }
  Slab(b, s.tail, s.nose, s.half, lower, s.belt, cockpit0, cockpit1);
  b.mapping = p.dark;
  if (open) {
    // The cockpit's floor and the two seats, their backs leaning with the driver.
    b.Box(-s.half + 0.06, cockpit0, sill, s.half - 0.06, cockpit1, sill + 0.03);
    for (const double x : {-sx, sx}) {
      b.Box(x - 0.22, sy - 0.1, sill + 0.03, x + 0.22, sy + 0.35, f.seat.z + 0.12);
      b.Box(x - 0.22, sy - 0.3, sill + 0.03, x + 0.22, sy - 0.12, s.belt + 0.12);
    }
  }
  // The grille, the bumpers and the lamps.
  b.Box(-0.45, s.nose, sill + 0.15, 0.45, s.nose + 0.01, s.belt - 0.12);
  b.mapping = p.accent;
  b.Box(-s.half, s.nose, sill - 0.04, s.half, s.nose + 0.1, sill + 0.12);
  b.Box(-s.half, s.tail - 0.1, sill - 0.04, s.half, s.tail, sill + 0.12);
  LampPair(b, p, p.head, s.half - 0.3, s.nose, s.belt - 0.14, s.half - 0.06, s.nose + 0.01, s.belt - 0.04);
  LampPair(b, p, p.tail, s.half - 0.26, s.tail - 0.01, s.belt - 0.12, s.half - 0.06, s.tail, s.belt - 0.04);
  LampPair(b, p, p.brake, s.half - 0.26, s.tail - 0.01, s.belt - 0.2, s.half - 0.06, s.tail, s.belt - 0.12);
  const double glassHalf = s.half - 0.08, topHalf = s.half - 0.2;
  if (!open) {
    // The cabin's glass from the rear window over the roof to the screen, the roof over it.
    b.mapping = p.glass;
    b.Loft({{s.backFoot, glassHalf, s.belt, s.belt + 0.01, glassHalf},
            {s.roofBack, glassHalf, s.belt, s.roofZ, topHalf},
            {s.roofFront, glassHalf, s.belt, s.roofZ, topHalf},
            {s.screenFoot, glassHalf, s.belt, s.belt + 0.01, glassHalf}});
    b.mapping = p.paint;
    b.Box(-topHalf - 0.02, s.roofBack, s.roofZ, topHalf + 0.02, s.roofFront, s.roofZ + 0.03);
  } else {
    // The screen ahead of the wheel, leaning back, and a hoop behind each seat.
    b.mapping = p.glass;
    b.Loft({{cockpit1 - 0.18, glassHalf, s.belt + 0.3, s.belt + 0.32, glassHalf},
            {cockpit1, glassHalf, s.belt, s.belt + 0.02, glassHalf}});
    b.mapping = p.paint;
    for (const double x : {-sx, sx}) b.Box(x - 0.2, sy - 0.42, s.belt, x + 0.2, sy - 0.36, s.belt + 0.32);
  }
  // The far level and the car's hull: the body from end to end and the cabin or the screen.
  b.lod = 1;
  b.mapping = p.skin;
  b.Box(-s.half, s.tail, sill, s.half, s.nose, s.belt);
  if (!open) b.Box(-glassHalf, s.backFoot, s.belt, glassHalf, s.screenFoot, s.roofZ);
  b.lod = 0;
}

// A coupe's rear wing (a subobject of the rear wing's kind, whose downforce the car takes from
// it) on two posts over the boot, its middle at (0, y, z).
void RearWing(ModelObject& o, double y, double z) {
  o.Init();
  std::strncpy(o.name, "rear_wing", sizeof o.name - 1);
  o.type = SUBOBJECT_REAR_WING;
  o.offset[1] = Metres(y);
  o.offset[2] = Metres(z);
  ModelBuilder b;
  const int page = b.Page(PAGE_FIXED, SAMPLE_PAGE_TEXTURE);
  const int paint = AddSampleCutout(b, page, "paint", SampleSurface(ALPHA_SOLID, ENV_C_SHINE, SHINE_PAINT, 230, 50));
  constexpr double SPAN = 0.75, CHORD = 0.2, POST = 0.16;
  b.mapping = b.AddMapping("M2", paint, paint, DIRECTION_TOP, 2 * SPAN + 0.1, 2 * CHORD, RgbWord(230, 230, 230));
  b.Box(-SPAN, -CHORD / 2, 0, SPAN, CHORD / 2, 0.03);
  b.Box(-SPAN, -CHORD / 2 - 0.02, -0.12, -SPAN + 0.02, CHORD / 2, 0.05);
  b.Box(SPAN - 0.02, -CHORD / 2 - 0.02, -0.12, SPAN, CHORD / 2, 0.05);
  b.Box(-0.45, -0.03, -POST, -0.42, 0.03, 0);
  b.Box(0.42, -0.03, -POST, 0.45, 0.03, 0);
  b.Into(o);
}

// ---- the open-wheelers ----

struct OpenWheelerShape {
  bool wings;        // a front and a rear wing
  bool broadWings;   // their span and the air box taller
  float noseTip;     // m ahead of the origin
  float sidepodOut;  // the sidepods' outer edge
};

void OpenWheeler(ModelBuilder& b, const Paints& p, const BodyFrame& f, const OpenWheelerShape& shape) {
  const double floor = f.ground + 0.05, deck = floor + 0.03;
  const double sy = f.seat.y, sz = f.seat.z;
  const double front = f.wheelbase / 2, rear = -f.wheelbase / 2;
  const double cockpitBack = sy - 0.35, cockpitFront = sy + 0.6, rim = sz + 0.55;
  // The floor under everything between the axles.
  b.mapping = p.dark;
  b.Box(-0.45, rear + 0.25, floor, 0.45, front - 0.3, deck);
  // The cockpit's sides round the driver and the nose over his legs, narrowing to its tip.
  b.mapping = p.skin;
  Pair(b, Straight(cockpitBack, cockpitFront, 0.05, deck, rim, 0.05), 0.27);
  b.Loft({{cockpitFront, 0.32, deck, rim, 0.26},
          {front - 0.15, 0.2, floor + 0.08, sz + 0.5, 0.14},
          {shape.noseTip, 0.07, floor + 0.12, floor + 0.26, 0.05}});
  // The sidepods between the wheels.
  const double podHalf = (shape.sidepodOut - 0.32) / 2, podX = 0.32 + podHalf;
  Pair(b, {{rear + 0.55, podHalf * 0.7, deck, deck + 0.2, podHalf * 0.5},
           {sy - 0.4, podHalf, deck, deck + 0.38, podHalf * 0.9},
           {front - 0.95, podHalf, deck, deck + 0.38, podHalf * 0.9}},
       podX);
  // The engine cover behind the driver, falling to the gearbox, and the roll hoop over it.
  b.Loft({{cockpitBack, 0.3, deck, rim + 0.08, 0.14},
          {rear + 0.6, 0.24, deck, deck + 0.45, 0.1},
          {rear - 0.1, 0.12, floor + 0.06, deck + 0.28, 0.06}});
  b.mapping = p.accent;
  const double hoop = sz + (shape.broadWings ? 1.22 : 1.17);
  b.Loft({{cockpitBack - 0.16, 0.11, rim, hoop - 0.04, 0.07}, {cockpitBack, 0.09, rim, hoop, 0.05}});
  // The radiators' mouths at the sidepods' front.
  b.mapping = p.dark;
  Pair(b, Straight(front - 0.97, front - 0.93, podHalf * 0.8, deck + 0.05, deck + 0.33, podHalf * 0.75), podX);
  // The far level and the car's hull: the tub from the gearbox to the nose, the sidepods, the
  // hoop.
  b.lod = 1;
  b.mapping = p.skin;
  b.Box(-0.3, rear - 0.1, floor, 0.3, shape.noseTip, rim);
  b.Box(-shape.sidepodOut, rear + 0.55, floor, shape.sidepodOut, front - 0.95, deck + 0.38);
  b.Box(-0.09, cockpitBack - 0.16, rim, 0.09, cockpitBack, hoop);
  b.lod = 0;
  if (!shape.wings) return;
  // The front wing ahead of the wheels, on end plates, and the rear wing over the gearbox.
  const double span = shape.broadWings ? 0.88 : 0.78;
  b.mapping = p.paint;
  b.Box(-span, front + 0.42, floor + 0.03, span, front + 0.72, floor + 0.07);
  b.mapping = p.accent;
  b.Box(-span, front + 0.42, floor + 0.03, -span + 0.03, front + 0.74, floor + 0.2);
  b.Box(span - 0.03, front + 0.42, floor + 0.03, span, front + 0.74, floor + 0.2);
  const double wing = shape.broadWings ? 0.92 : 0.82, half = shape.broadWings ? 0.5 : 0.42;
  b.mapping = p.paint;
  b.Box(-half, rear - 0.5, wing, half, rear - 0.22, wing + 0.05);
  b.Box(-half, rear - 0.44, wing + 0.09, half, rear - 0.3, wing + 0.12);
  b.mapping = p.accent;
  b.Box(-half - 0.02, rear - 0.52, wing - 0.35, -half, rear - 0.2, wing + 0.14);
  b.Box(half, rear - 0.52, wing - 0.35, half + 0.02, rear - 0.2, wing + 0.14);
  b.mapping = p.dark;
  b.Box(-0.02, rear - 0.3, deck + 0.25, 0.02, rear - 0.24, wing);
  // The rain lamp under the rear wing.
  Lamp(b, p, p.tail, -0.05, rear - 0.13, floor + 0.2, 0.05, rear - 0.11, floor + 0.26);
}

// An open two-seater: a broad tub between the wheels, a low screen ahead of the driver and a
// deck behind with a spoiler.
void Barchetta(ModelBuilder& b, const Paints& p, const BodyFrame& f) {
  const double floor = f.ground + 0.06, sy = f.seat.y, sz = f.seat.z;
  const double front = f.wheelbase / 2, rear = -f.wheelbase / 2;
  const double rimTop = sz + 0.5, half = 0.55;
  b.mapping = p.skin;
  // Between the wheels: the sides, the cockpit's rim at the driver's waist.
  Pair(b, Straight(rear + 0.36, front - 0.34, 0.08, floor, rimTop, 0.06), half - 0.08);
  // The nose and the tail, each narrower than the track between the wheels.
  b.Loft({{front - 0.34, half, floor, rimTop, half - 0.1},
          {front + 0.1, half - 0.05, floor + 0.04, floor + 0.42, half - 0.15},
          {front + 0.55, 0.35, floor + 0.08, floor + 0.2, 0.25}});
  b.Loft({{rear - 0.5, 0.42, floor + 0.1, floor + 0.4, 0.35},
          {rear - 0.05, half - 0.05, floor + 0.02, rimTop - 0.02, half - 0.15},
          {sy - 0.45, half, floor, rimTop, half - 0.1}});
  // The driver's seat back and the floor of the cockpit.
  b.mapping = p.dark;
  b.Box(-half + 0.16, sy - 0.45, floor, half - 0.16, front - 0.34, floor + 0.03);
  b.Loft(Straight(sy - 0.2, sy - 0.08, 0.22, floor, sz + 0.75, 0.2), f.seat.x);
  // The screen ahead of the driver and the spoiler on the tail.
  b.mapping = p.glass;
  b.Loft({{sy + 0.78, 0.45, rimTop, rimTop + 0.02, 0.45}, {sy + 0.72, 0.42, rimTop + 0.02, rimTop + 0.22, 0.4}});
  b.mapping = p.accent;
  b.Box(-0.45, rear - 0.45, floor + 0.4, 0.45, rear - 0.3, floor + 0.46);
  LampPair(b, p, p.tail, 0.24, rear - 0.52, floor + 0.28, 0.36, rear - 0.5, floor + 0.34);
  LampPair(b, p, p.head, 0.23, front + 0.5, floor + 0.14, 0.37, front + 0.52, floor + 0.2);
  // The far level and the car's hull: the body between its ends, the screen.
  b.lod = 1;
  b.mapping = p.skin;
  b.Box(-half, rear - 0.5, floor, half, front + 0.55, rimTop);
  b.Box(-0.45, sy + 0.72, rimTop, 0.45, sy + 0.78, rimTop + 0.22);
  b.lod = 0;
}

// ---- the kart ----

void Kart(ModelBuilder& b, const Paints& p, const BodyFrame& f) {
  const double floor = f.ground + 0.03, sy = f.seat.y;
  const double front = f.wheelbase / 2, rear = -f.wheelbase / 2;
  const double inner = f.track / 2 - f.rearWidth / 2 - 0.02;  // inside the wheels
  // The floor tray between the axles and the bumpers at each end.
  b.mapping = p.dark;
  b.Box(-0.33, rear - 0.05, floor, 0.33, front + 0.05, floor + 0.02);
  b.mapping = p.metal;
  b.Box(-0.5, rear - 0.24, floor + 0.06, 0.5, rear - 0.2, floor + 0.1);
  // The seat under the driver's hips, its back leaning with him.
  b.mapping = p.dark;
  b.Loft({{sy + 0.08, 0.19, floor + 0.02, floor + 0.12, 0.19}, {sy + 0.38, 0.19, floor + 0.02, floor + 0.12, 0.19}});
  b.Loft({{sy - 0.05, 0.2, floor + 0.02, floor + 0.48, 0.18}, {sy + 0.08, 0.2, floor + 0.02, floor + 0.14, 0.2}});
  // The side pods between the wheels and the nose round the driver's feet.
  b.mapping = p.skin;
  Pair(b, {{rear + 0.2, 0.09, floor + 0.02, floor + 0.14, 0.07}, {front - 0.2, 0.11, floor + 0.02, floor + 0.16, 0.09}},
       inner - 0.12);
  b.Loft({{front - 0.22, 0.26, floor + 0.02, floor + 0.36, 0.2},
          {front + 0.06, 0.34, floor + 0.02, floor + 0.3, 0.26},
          {front + 0.22, 0.36, floor + 0.03, floor + 0.16, 0.3}});
  b.mapping = p.accent;
  b.Box(-0.2, front - 0.24, floor + 0.3, 0.2, front - 0.2, floor + 0.38);  // the number panel's top
  // The engine beside the seat.
  b.mapping = p.metal;
  b.Box(0.12, rear - 0.12, floor + 0.02, 0.3, rear + 0.14, floor + 0.24);
  b.mapping = p.dark;
  b.Box(0.16, rear - 0.1, floor + 0.24, 0.26, rear + 0.1, floor + 0.3);
  // The far level and the kart's hull: the tray from bumper to nose and the seat's back.
  b.lod = 1;
  b.mapping = p.skin;
  b.Box(-inner, rear - 0.24, floor, inner, front + 0.22, floor + 0.3);
  b.Box(-0.2, sy - 0.05, floor + 0.3, 0.2, sy + 0.08, floor + 0.48);
  b.lod = 0;
}

// ---- bikes ----

void Bike(ModelBuilder& b, const Paints& p, const BodyFrame& f, SampleBody style) {
  const double rear = -f.wheelbase / 2, front = f.wheelbase / 2;
  const double rearTop = f.ground + 2 * f.rearRadius, frontTop = f.ground + 2 * f.frontRadius;
  const double sy = f.seat.y, saddle = f.seat.z + 0.21;  // the saddle under the rider's hips
  const double between0 = rear + f.rearRadius + 0.03, between1 = front - 0.04 - f.frontRadius - 0.03;
  const Vec3 bars = GripMiddle(f, POSTURE_BIKE);
  // The engine between the wheels, its sump above the road.
  b.mapping = p.metal;
  b.Box(-0.12, between0 + 0.08, f.ground + 0.14, 0.12, between1 - 0.06, saddle - 0.05);
  b.mapping = p.dark;
  b.Box(-0.05, between0, f.ground + 0.2, 0.05, between0 + 0.08, saddle - 0.02);  // the swing arm's pivot
  if (style == BODY_SCOOTER) {
    // A floor board between the wheels, a shield before the rider's legs, a seat on a body
    // over the rear wheel.
    b.mapping = p.skin;
    b.Loft(Straight(between0, between1 - 0.1, 0.2, f.ground + 0.2, f.seat.z + 0.02, 0.2));
    b.mapping = p.accent;
    b.Loft({{between1 - 0.16, 0.24, f.ground + 0.2, bars.z - 0.05, 0.18}, {between1, 0.26, f.ground + 0.22, bars.z - 0.02, 0.2}});
    b.mapping = p.skin;
    b.Loft({{rear - 0.25, 0.1, rearTop - 0.04, rearTop + 0.1, 0.08},
            {rear + 0.1, 0.18, rearTop - 0.05, saddle - 0.02, 0.16},
            {between0 + 0.05, 0.18, f.ground + 0.2, saddle - 0.02, 0.16}});
    b.mapping = p.dark;
    b.Box(-0.14, sy - 0.45, saddle - 0.03, 0.14, sy + 0.12, saddle + 0.02);
  } else {
    // A tank over the engine between the rider's knees, a seat behind it and a tail over the
    // rear wheel.
    const double tankTop = saddle + (style == BODY_TRAIL ? 0.18 : 0.24);
    b.mapping = p.skin;
    b.Loft({{sy + 0.28, 0.09, saddle - 0.06, tankTop - 0.04, 0.07},
            {sy + 0.5, 0.14, saddle - 0.08, tankTop, 0.1},
            {sy + 0.72, 0.13, saddle - 0.04, tankTop - 0.02, 0.09}});
    b.Loft({{rear - 0.3, 0.07, rearTop, rearTop + 0.12, 0.05},
            {sy - 0.35, 0.11, saddle - 0.12, saddle - 0.01, 0.1},
            {sy + 0.28, 0.1, saddle - 0.1, saddle - 0.01, 0.09}});
    b.mapping = p.dark;
    b.Box(-0.11, sy - 0.4, saddle - 0.02, 0.11, sy + 0.3, saddle + 0.02);
  }
  if (style == BODY_SPORT) {
    // A fairing round the steering head, its screen up to the rider's eyes, a belly pan below.
    b.mapping = p.skin;
    b.Loft({{bars.y + 0.06, 0.17, frontTop + 0.06, bars.z + 0.04, 0.12},
            {bars.y + 0.24, 0.15, frontTop + 0.1, bars.z - 0.01, 0.1},
            {bars.y + 0.4, 0.07, frontTop + 0.14, bars.z - 0.1, 0.05}});
    b.mapping = p.accent;  // the side panels in the body's second colour
    Pair(b, Straight(between0 + 0.12, between1, 0.02, f.ground + 0.16, saddle - 0.12, 0.02), 0.15);
    b.mapping = p.glass;
    b.Loft({{bars.y + 0.06, 0.12, bars.z + 0.02, bars.z + 0.04, 0.12}, {bars.y + 0.16, 0.1, bars.z + 0.02, bars.z + 0.18, 0.06}});
    Lamp(b, p, p.head, -0.06, bars.y + 0.39, frontTop + 0.15, 0.06, bars.y + 0.41, frontTop + 0.21);
  } else {
    // A guard over the front wheel and a lamp on the steering head.
    b.mapping = p.accent;
    const double guard = style == BODY_TRAIL ? bars.z - 0.2 : frontTop + 0.04;
    b.Box(-0.07, front - 0.04 - 0.05, guard, 0.07, front - 0.04 + 0.3, guard + 0.03);
    Lamp(b, p, p.head, -0.07, bars.y + 0.14, bars.z - 0.16, 0.07, bars.y + 0.16, bars.z - 0.04);
  }
  // The tail lamp and its brake lamp at the back of the tail.
  Lamp(b, p, p.tail, -0.05, rear - 0.31, rearTop + 0.06, 0.05, rear - 0.3, rearTop + 0.1);
  Lamp(b, p, p.brake, -0.05, rear - 0.31, rearTop + 0.02, 0.05, rear - 0.3, rearTop + 0.06);
  // The far level and the bike's hull: the engine and the tank between the wheels, the seat
  // and the tail over the rear wheel, the steering head.
  b.lod = 1;
  b.mapping = p.skin;
  b.Box(-0.15, between0, f.ground + 0.14, 0.15, between1, saddle + 0.2);
  b.Box(-0.11, rear - 0.3, rearTop, 0.11, between0, saddle + 0.02);
  b.Box(-0.12, bars.y - 0.1, frontTop + 0.06, 0.12, bars.y + 0.4, bars.z);
  b.lod = 0;
}

// The bars (a steering wheel's kind): the bar with its grips, and the stem and the fork's
// crowns down the column, which the bike leans back by its pitch.
void Bars(ModelObject& o, const Vec3& middle, double halfWidth) {
  o.Init();
  std::strncpy(o.name, "bars", sizeof o.name - 1);
  o.type = SUBOBJECT_STEERING_WHEEL;
  o.sideFunction = SIDE_SWAP_ONLY;
  o.offset[0] = Metres(middle.x);
  o.offset[1] = Metres(middle.y);
  o.offset[2] = Metres(middle.z);
  ModelBuilder b;
  const int page = b.Page(PAGE_FIXED, SAMPLE_PAGE_TEXTURE);
  const int metal = AddSampleCutout(b, page, "rim", SampleSurface(ALPHA_SOLID, ENV_C_SHINE, SHINE_METAL, 220, 30));
  const int rubber = AddSampleCutout(b, page, "detail", SampleSurface(ALPHA_SOLID, ENV_MATT, SHINE_RUBBER, 200, 70));
  const double span = 2 * (halfWidth + 0.1);  // the bars from grip end to grip end
  const int bar = b.AddMapping("bar", metal, metal, DIRECTION_TOP, span, 0.5, RgbWord(170, 170, 176));
  const int grip = b.AddMapping("grip", rubber, rubber, DIRECTION_TOP, span, 0.5, RgbWord(30, 30, 30));
  b.mapping = bar;
  b.Box(-halfWidth + 0.1, -0.012, -0.012, halfWidth - 0.1, 0.012, 0.012);
  b.Box(-0.03, -0.03, -0.2, 0.03, 0.03, -0.012);
  b.Box(-0.12, -0.05, -0.2, 0.12, 0.05, -0.16);
  b.Box(-0.11, -0.025, -0.42, -0.07, 0.025, -0.2);
  b.Box(0.07, -0.025, -0.42, 0.11, 0.025, -0.2);
  b.mapping = grip;
  b.Box(-halfWidth - 0.04, -0.02, -0.02, -halfWidth + 0.1, 0.02, 0.02);
  b.Box(halfWidth - 0.1, -0.02, -0.02, halfWidth + 0.04, 0.02, 0.02);
  b.Into(o);
}

// ---- vans ----

// A cab with the driver seated high behind a short bonnet, windows all round him, a load box
// behind it, arches over the wheels.
void Van(ModelBuilder& b, const Paints& p, const BodyFrame& f) {
  const double front = f.wheelbase / 2, rear = -f.wheelbase / 2;
  const double sill = f.ground + 0.3, belt = f.ground + 2 * std::max(f.rearRadius, f.frontRadius) + 0.06;
  const double roof = f.seat.z + 1.45, half = 0.95;
  const double nose = front + 0.5, tail = rear - 0.45;
  const double cabBack = f.seat.y - 0.35, screenTop = f.seat.y + 0.55, screenFoot = f.seat.y + 1.0;
  const double bonnet = f.seat.z + 0.72;
  const double arch[2] = {f.rearRadius + 0.06, f.frontRadius + 0.06};
  b.mapping = p.skin;
  // Below the belt: the panels ahead of, between and behind the arches.
  b.Loft(Straight(tail, rear - arch[0], half, sill, belt, half));
  b.Loft(Straight(rear + arch[0], front - arch[1], half, sill, belt, half));
  b.Loft(Straight(front + arch[1], nose, half - 0.03, sill, belt, half - 0.03));
  // Above it: the load box, the cab's roof over the driver, the dash under the screen and
  // the bonnet ahead of it.
  b.Loft(Straight(tail, cabBack, half, belt, roof, half - 0.03));
  b.Loft(Straight(cabBack, screenTop, half - 0.03, roof - 0.05, roof, half - 0.03));
  b.Loft({{screenFoot - 0.12, half - 0.02, belt, bonnet - 0.02, half - 0.04}, {screenFoot, half - 0.02, belt, bonnet, half - 0.04}});
  b.Loft({{screenFoot, half - 0.02, belt, bonnet, half - 0.04}, {nose, half - 0.05, belt, bonnet - 0.1, half - 0.1}});
  // The glass: the screen leaning from the roof to the bonnet, the cab's sides.
  b.mapping = p.glass;
  b.Loft({{screenTop, half - 0.05, roof - 0.06, roof - 0.02, half - 0.05}, {screenFoot, half - 0.04, bonnet - 0.04, bonnet, half - 0.04}});
  Pair(b, Straight(cabBack, screenTop, 0.01, belt, roof - 0.05, 0.01), half - 0.02);
  // The grille, the lamps and the bumpers.
  b.mapping = p.paint;
  b.Box(-0.5, nose, sill + 0.25, 0.5, nose + 0.01, belt - 0.05);
  LampPair(b, p, p.head, 0.6, nose, belt - 0.1, 0.84, nose + 0.01, belt + 0.02);
  LampPair(b, p, p.tail, 0.74, tail - 0.01, belt - 0.05, 0.9, tail, belt + 0.15);
  LampPair(b, p, p.brake, 0.74, tail - 0.01, belt + 0.15, 0.9, tail, belt + 0.3);
  b.mapping = p.dark;
  b.Box(-half, nose, sill - 0.05, half, nose + 0.12, sill + 0.12);
  b.Box(-half, tail - 0.12, sill - 0.05, half, tail, sill + 0.12);
  // The far level and the van's hull: the lower body from end to end, the cab and load box.
  b.lod = 1;
  b.mapping = p.skin;
  b.Box(-half, tail - 0.12, sill - 0.05, half, nose + 0.12, belt);
  b.Box(-half, tail, belt, half, screenTop, roof);
  b.lod = 0;
}

}  // namespace

void BuildStyledBody(SampleBody style, const BodyFrame& f, ModelObject& o) {
  std::memset(o.name, 0, sizeof o.name);
  std::strncpy(o.name, "body", sizeof o.name - 1);
  std::memset(o.layerNames, 0, sizeof o.layerNames);
  std::strncpy(o.layerNames[0], "body", LAYER_NAME_SIZE - 1);
  // clang-format off
  //                              nose    tail  half  belt   arches roofZ  backFoot roofBack roofFront screenFoot
  static const RoadShape SALOON = {2.25f, -2.25f, 0.88f, 0.74f, true, 1.3f,  -1.6f,   -0.95f,  0.25f,    0.85f};
  static const RoadShape ESTATE = {2.25f, -2.25f, 0.88f, 0.74f, true, 1.32f, -2.25f,  -2.1f,   0.25f,    0.85f};
  static const RoadShape LIMOUSINE = {2.6f, -2.6f, 0.9f, 0.76f, true, 1.34f, -2.1f,   -1.55f,  0.25f,    0.9f};
  static const RoadShape COUPE = {2.2f, -2.1f,  0.88f, 0.66f, true, 1.15f, -1.75f,  -0.65f,  0.1f,     0.85f};
  static const RoadShape ROADSTER = {2.05f, -1.95f, 0.86f, 0.66f, true, 0.0f, 0, 0, 0, 0};
  static const RoadShape BUGGY = {1.85f, -1.75f, 0.6f, 0.55f, false, 0.0f, 0, 0, 0, 0};
  // clang-format on
  const RoadShape* road = style == BODY_SALOON      ? &SALOON
                          : style == BODY_ESTATE    ? &ESTATE
                          : style == BODY_LIMOUSINE ? &LIMOUSINE
                          : style == BODY_COUPE     ? &COUPE
                          : style == BODY_ROADSTER  ? &ROADSTER
                          : style == BODY_BUGGY     ? &BUGGY
                                                    : nullptr;
  // The skin spans the body from bumper to bumper.
  constexpr double BUMPERS = 0.2;
  const double length = road ? road->nose - road->tail + BUMPERS : f.wheelbase + 1.6, height = 1.4;
  const double mid = road ? (road->nose + road->tail) / 2 : 0.0;
  ModelBuilder b;
  const Paints p = AddPaints(b, length, height, mid);
  DriverPosture posture = POSTURE_SEATED;
  if (road) {
    RoadCar(b, p, f, *road);
    if (style == BODY_BUGGY) {
      // The bull bar ahead of the nose.
      b.mapping = p.metal;
      b.Box(-0.45, BUGGY.nose + 0.1, f.ground + 0.2, 0.45, BUGGY.nose + 0.16, BUGGY.belt + 0.1);
    }
  } else {
    switch (style) {
      case BODY_VAN: Van(b, p, f); break;
      case BODY_FORMULA: OpenWheeler(b, p, f, {true, false, f.wheelbase / 2 + 0.62f, 0.56f}); break;
      case BODY_GRAND_PRIX: OpenWheeler(b, p, f, {true, true, f.wheelbase / 2 + 0.62f, 0.6f}); break;
      case BODY_STUDENT: OpenWheeler(b, p, f, {false, false, f.wheelbase / 2 + 0.3f, 0.5f}); break;
      case BODY_BARCHETTA: Barchetta(b, p, f); break;
      case BODY_KART:
        Kart(b, p, f);
        posture = POSTURE_KART;
        break;
      default:
        Bike(b, p, f, style);
        posture = POSTURE_BIKE;
        break;
    }
  }
  b.Into(o);
  o.lodCount = 2;
  o.lodDistances[0] = Metres(30);
  o.lodDistances[1] = Metres(150);
  std::vector<ModelObject> children(style == BODY_COUPE ? 2 : 1);
  if (style == BODY_COUPE) RearWing(children[1], COUPE.tail + 0.25, COUPE.belt + 0.16);
  const Vec3 grip = GripMiddle(f, posture);
  if (posture == POSTURE_BIKE) {
    Bars(children[0], grip, DRIVER_GRIPS[posture].halfWidth);
  } else {
    children[0].Init();
    BuildSteeringWheel(children[0], DRIVER_GRIPS[posture].halfWidth, grip.x, grip.y, grip.z);
  }
  SetChildren(o, children);
}
