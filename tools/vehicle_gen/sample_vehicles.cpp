// sample_vehicles.cpp - the sample vehicles of the five layouts.
//
// Axes: x to the right, y forward, z up, in metres.  Wheel set 0 is the rear axle, 1 the front.
#include "tools/vehicle_gen/sample_vehicles.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "model/model_materials.h"
#include "text/text_colours.h"
#include "tools/model_gen/model_builder.h"
#include "tools/model_gen/sample_driver.h"
#include "tools/model_gen/sample_models.h"
#include "tools/vehicle_gen/sample_engines.h"
#include "vehicle_data/dashboard.h"
#include "vehicle_data/rim_profile.h"
#include "vehicle_data/vehicle_class.h"
#include "vehicle_data/vehicle_file.h"

// clang-format off
const SampleVehicle SAMPLE_VEHICLES[BUILTIN_VEHICLE_COUNT] = {
    {LAYOUT_ROAD_CAR,     CLASS_SALOON,      TRANSMISSION_H_PATTERN,      DRIVE_FRONT, 1, 1, BODY_ROAD_CAR,   175, 100, nullptr},  // Runabout
    {LAYOUT_ROAD_CAR,     CLASS_TOURING_CAR, TRANSMISSION_H_PATTERN,      DRIVE_REAR,  1, 1, BODY_SALOON,     240, 220, "a touring car races a saloon"},  // Tourer
    {LAYOUT_ROAD_CAR,     CLASS_GT,          TRANSMISSION_PADDLE,         DRIVE_REAR,  2, 1, BODY_COUPE,      300, 380, nullptr},  // Coupe
    {LAYOUT_ROAD_CAR,     CLASS_GT,          TRANSMISSION_ELECTRIC,       DRIVE_REAR,  2, 1, BODY_ROADSTER,   270, 300, nullptr},  // Roadster
    {LAYOUT_TWO_WHEELER,  CLASS_BIKE,        TRANSMISSION_CENTRIFUGAL,    DRIVE_REAR,  0, 1, BODY_SCOOTER,     95,  10, nullptr},  // Scooter
    {LAYOUT_TWO_WHEELER,  CLASS_BIKE,        TRANSMISSION_MOTORBIKE,      DRIVE_REAR,  3, 1, BODY_TRAIL,      150,  50, nullptr},  // Trailbike
    {LAYOUT_TWO_WHEELER,  CLASS_BIKE,        TRANSMISSION_MOTORBIKE,      DRIVE_REAR,  3, 1, BODY_SPORT,      275, 120, nullptr},  // Sportbike
    {LAYOUT_VAN,          CLASS_VAN,         TRANSMISSION_H_PATTERN,      DRIVE_REAR,  3, 1, BODY_VAN,        165, 110, nullptr},  // Carrier
    {LAYOUT_ROAD_CAR,     CLASS_SALOON,      TRANSMISSION_H_PATTERN,      DRIVE_FRONT, 1, 1, BODY_SALOON,     215, 130, nullptr},  // Saloon
    {LAYOUT_ROAD_CAR,     CLASS_SALOON,      TRANSMISSION_H_PATTERN,      DRIVE_FOUR,  1, 1, BODY_ESTATE,     225, 150, nullptr},  // Estate
    {LAYOUT_ROAD_CAR,     CLASS_SALOON,      TRANSMISSION_H_PATTERN,      DRIVE_REAR,  1, 1, BODY_LIMOUSINE,  235, 180, nullptr},  // Limousine
    {LAYOUT_OPEN_WHEELER, CLASS_FORMULA,     TRANSMISSION_SEQUENTIAL,     DRIVE_REAR,  2, 1, BODY_FORMULA,    265, 250, nullptr},  // Racer
    {LAYOUT_OPEN_WHEELER, CLASS_F1,          TRANSMISSION_PADDLE,         DRIVE_REAR,  2, 1, BODY_GRAND_PRIX, 345, 600, nullptr},  // Sprinter
    {LAYOUT_OPEN_WHEELER, CLASS_FSAE,        TRANSMISSION_MOTORBIKE,      DRIVE_REAR,  0, 1, BODY_STUDENT,    135,  60, nullptr},  // Student
    {LAYOUT_ROAD_CAR,     CLASS_GT,          TRANSMISSION_SEQUENTIAL_CUT, DRIVE_REAR,  2, 1, BODY_COUPE,      315, 420, "a closed endurance racer on the coupe"},  // Endurance
    {LAYOUT_ROAD_CAR,     CLASS_BUGGY,       TRANSMISSION_H_PATTERN,      DRIVE_FOUR,  0, 1, BODY_BUGGY,      155, 120, nullptr},  // Buggy
    {LAYOUT_VAN,          CLASS_TRUCK,       TRANSMISSION_H_PATTERN,      DRIVE_REAR,  3, 1, BODY_VAN,        125, 300, "a truck: the van's cab and box"},  // Hauler
    {LAYOUT_ROAD_CAR,     CLASS_TOURING_CAR, TRANSMISSION_SEQUENTIAL,     DRIVE_FOUR,  1, 1, BODY_SALOON,     225, 230, "a rally car is a saloon on the stages"},  // Rally
    {LAYOUT_OPEN_WHEELER, CLASS_GT,          TRANSMISSION_ELECTRIC,       DRIVE_REAR,  2, 1, BODY_BARCHETTA,  305, 350, nullptr},  // Prototype
    {LAYOUT_ROAD_CAR,     CLASS_SALOON,      TRANSMISSION_NONE,           DRIVE_NONE,  0, 1, BODY_ROAD_CAR,     0,   0, "a light compact, as the runabout"},  // Solar
    {LAYOUT_KART,         CLASS_KART,        TRANSMISSION_CENTRIFUGAL,    DRIVE_REAR,  0, 0, BODY_KART,       110,  14, nullptr},  // Kart
};
// clang-format on

namespace {

// What a layout decides.
struct LayoutFigures {
  float wheelbase, track, wheelHeight;
  float sectionWidth, aspectRatio, rimRadius, rimWidth;
  uint8_t rearType, frontType;
  float driverAside;  // the driver's seat this far left of the middle (the class places it on the middle)
  Vec3 engine;
  uint8_t gears;
};

const LayoutFigures& Figures(SampleLayout layout) {
  static const LayoutFigures FIGURES[] = {
      // road car: linear rear, MacPherson front
      {2.6f, 1.5f, 0.3f, 0.205f, 0.55f, 0.19f, 0.152f, SUSPENSION_LINEAR, SUSPENSION_MACPHERSON_STRUT, 0.37f,
       {0.0f, 1.3f, 0.2f}, 8},
      // open-wheeler: double wishbones all round
      {3.0f, 1.6f, 0.33f, 0.3f, 0.45f, 0.165f, 0.28f, SUSPENSION_DOUBLE_WISHBONE, SUSPENSION_DOUBLE_WISHBONE, 0.0f,
       {0.0f, -0.75f, 0.2f}, 9},
      // kart: rigid axles
      {1.05f, 1.1f, 0.13f, 0.1f, 0.5f, 0.065f, 0.12f, SUSPENSION_RIGID, SUSPENSION_RIGID, 0.0f, {0.2f, -0.52f, 0.1f}, 3},
      // van: rigid rear, MacPherson front
      {3.3f, 1.7f, 0.36f, 0.215f, 0.65f, 0.203f, 0.165f, SUSPENSION_RIGID, SUSPENSION_MACPHERSON_STRUT, 0.45f,
       {0.0f, 1.65f, 0.2f}, 7},
      // two-wheeler: trailing arm rear, front fork
      {1.4f, 0.0f, 0.31f, 0.16f, 0.6f, 0.215f, 0.09f, SUSPENSION_TRAILING_ARM, SUSPENSION_FRONT_FORK, 0.0f,
       {0.0f, 0.0f, 0.2f}, 7},
  };
  return FIGURES[layout];
}

// What the class gives a new vehicle of the sample's wheels.
ClassStart StartOf(const SampleVehicle& s) {
  const int wheels = s.layout == LAYOUT_TWO_WHEELER ? 1 : 2;
  return ClassStartOf(s.vehicleClass, wheels, wheels, Figures(s.layout).wheelbase);
}

// The sample's driver seat: where its class seats him, on the left for a car with a
// passenger beside him.
Vec3 SeatOf(const SampleVehicle& s) {
  Vec3 seat = StartOf(s).driver;
  seat.x -= Figures(s.layout).driverAside;
  return seat;
}

// An axle's tyres: an open-wheeler's rear ones a fifth wider; the radius is the sidewall over
// the rim.
float SectionWidth(const SampleVehicle& s, int axle) {
  return Figures(s.layout).sectionWidth * (axle == 0 && s.layout == LAYOUT_OPEN_WHEELER ? 1.2f : 1.0f);
}
float TyreRadius(const SampleVehicle& s, int axle) {
  const LayoutFigures& f = Figures(s.layout);
  return SectionWidth(s, axle) * f.aspectRatio + f.rimRadius;
}

// The suspension's mounts on the frame, on each side: the lower pivot this far in from the
// track's half and this high, the strut top or upper pivot further out and higher; the arms'
// lengths, the half upright and the default set-up's ride height below the wheel's height.
constexpr float PIVOT_INSET = 0.3f;
constexpr float TOP_OUTSET = 0.1f, STRUT_TOP_HEIGHT = 0.7f, UPPER_PIVOT_HEIGHT = 0.5f;
constexpr float LOWER_ARM = 0.3f, UPPER_ARM = 0.25f;
constexpr float HALF_UPRIGHT_SHARE = 0.7f;  // of the tyre's radius, in the editor's 0.65 to 0.75
constexpr float RIDE_BELOW_WHEEL = 0.05f;
// How far out of the track's half less PIVOT_INSET an arm axle's pivots stand, by layout and
// axle (rear, front): where the links place the contact patches on the required track at rest
// (the editor's diagram warns past 0.01 m; a test of the samples holds them to it).
constexpr float PIVOT_SHIFT[5][2] = {{0.0f, 0.026f}, {-0.071f, -0.0694f}, {0.0f, 0.0f}, {0.0f, 0.0366f}, {0.0f, 0.0f}};
// The half upright, and the lower pivot level with its lower end at the default ride height
// (the arm level at rest).
float HalfUpright(const SampleVehicle& s, int axle) { return HALF_UPRIGHT_SHARE * TyreRadius(s, axle); }
float LowerPivotHeight(const SampleVehicle& s, int axle) {
  return Figures(s.layout).wheelHeight - RIDE_BELOW_WHEEL - HalfUpright(s, axle);
}
// The double wishbone's upright leans out by about this much: its axle is turned back by it.
constexpr float WISHBONE_INCLUDED_ANGLE = -0.15f;

// The included angle that stands a MacPherson wheel upright at the default ride height: the
// strut leans in from its lower joint to its top, and an axle square to the strut would give
// the wheel that lean as camber.
// With the lower arm level its joint stands an arm's length out of the pivot, at its height.
float StrutIncludedAngle(const SampleVehicle& s, int axle) {
  return std::atan2(LOWER_ARM - TOP_OUTSET, STRUT_TOP_HEIGHT - LowerPivotHeight(s, axle));
}

void CopyName(char* field, int size, const char* text) {
  std::memset(field, 0, size);
  std::strncpy(field, text, size - 1);
}

// ---- wheels and wheel sets ----

void BuildWheels(const SampleVehicle& s, VehicleData& d) {
  const LayoutFigures& f = Figures(s.layout);
  const float half = f.wheelbase / 2;
  if (s.layout == LAYOUT_TWO_WHEELER) {
    d.wheelCount = 2;
    d.wheelPositions[0] = {0.0f, -half, f.wheelHeight};
    d.wheelPositions[1] = {0.0f, half - 0.04f, f.wheelHeight};
  } else {
    d.wheelCount = 4;
    const float x = f.track / 2;
    d.wheelPositions[0] = {-x, -half, f.wheelHeight};
    d.wheelPositions[1] = {x, -half, f.wheelHeight};
    d.wheelPositions[2] = {-x, half, f.wheelHeight};
    d.wheelPositions[3] = {x, half, f.wheelHeight};
  }
  for (int axle = 0; axle < CAR_WHEEL_SETS; ++axle) {
    SuspensionBlock& set = d.wheelSets[axle];
    set = {};
    set.sectionWidth = SectionWidth(s, axle);
    set.aspectRatio = f.aspectRatio;
    set.rimRadius = f.rimRadius;
    set.rimWidth = f.rimWidth;
    set.suspensionType = axle == 0 ? f.rearType : f.frontType;
    set.rimEdgeExtraWidthMm = f.aspectRatio < 0.355f ? 4 : 2;
    set.rimLipDepthMm = 4;
    set.lowProfileTyreStyle = f.aspectRatio < 0.355f ? 1 : 0;
    set.rimInnerDepthMm = 5;
    set.rimShadeTenths = 6;
    set.brakeDiscRadiusMm = static_cast<uint8_t>(s.layout == LAYOUT_KART ? (axle == 0 ? 90 : 0) : 140);
    set.brakeDiscOffsetMm = static_cast<int8_t>(axle == 0 ? -10 : 12);
    set.maxUpPosition = f.wheelHeight + 0.07f;  // the wheel centre's highest: 0.12 m above full droop
    set.caster = 0.1f;  // a rigid or double wishbone set's is the set-up's and is not stored
    set.inclination = 0.05f;
    set.halfUprightLength = HalfUpright(s, axle);
    set.includedAngle =
        set.suspensionType == SUSPENSION_MACPHERSON_STRUT ? StrutIncludedAngle(s, axle) : WISHBONE_INCLUDED_ANGLE;
    set.wheelOffset = 0.03f;
    set.trackWidth = s.layout == LAYOUT_TWO_WHEELER ? 0.0f : f.track;
    set.lowerArmLength = LOWER_ARM;
    set.upperArmLength = UPPER_ARM;
  }
}

// ---- the frame ----

FramePoint Point(float x, float y, float z, uint8_t type) {
  return FramePoint{Metres(x), Metres(y), Metres(z), 0.0f, 0, type, 0};
}

void BuildFrame(const SampleVehicle& s, VehicleData& d) {
  const LayoutFigures& f = Figures(s.layout);
  const float half = f.wheelbase / 2;
  std::vector<FramePoint> points = {
      Point(0.0f, -half, 0.15f, 0), Point(0.0f, half, 0.15f, 0),  // on the centre plane
      Point(-0.25f, 0.0f, 0.2f, 0), Point(0.25f, 0.0f, 0.2f, 0),   // across the car
  };
  std::vector<FrameTube> tubes = {
      {0, 1, 2.5f, 0.0f, 0.0f, 4},  // along the centre plane: no mirror image
      {2, 3, 1.5f, 0.0f, 0.0f, 0},  // across
      {0, 2, 1.2f, 0.0f, 0.0f, 0},
      {1, 3, 1.2f, 0.0f, 0.0f, 0},
  };
  if (s.layout != LAYOUT_TWO_WHEELER) {
    // The mounts of each axle's suspension, and links to the wheel points (-6 rear, -5 front).
    const float inset = f.track / 2 - PIVOT_INSET;
    const float x = inset + PIVOT_SHIFT[s.layout][1], rearX = inset + PIVOT_SHIFT[s.layout][0];
    points.push_back(Point(x, half, LowerPivotHeight(s, 1), 1));  // 4 front lower pivot
    points.push_back(Point(x + TOP_OUTSET, half,
                           f.frontType == SUSPENSION_MACPHERSON_STRUT ? STRUT_TOP_HEIGHT : UPPER_PIVOT_HEIGHT,
                           f.frontType == SUSPENSION_MACPHERSON_STRUT ? 3 : 2));  // 5 front top
    points.push_back(Point(rearX, -half, LowerPivotHeight(s, 0), 1));          // 6 rear lower pivot
    points.push_back(Point(rearX + TOP_OUTSET, -half, UPPER_PIVOT_HEIGHT, 2));  // 7 rear upper pivot
    tubes.push_back({4, -5, 0.0f, 0.02f, 0.0f, 1});  // a visible suspension link
    tubes.push_back({6, -6, 0.0f, 0.015f, 0.0f, 0});
    tubes.push_back({4, 6, 3.0f, 0.0f, 0.0f, 0});
  }
  d.framePointCount = static_cast<int32_t>(points.size());
  d.framePoints = static_cast<FramePoint*>(std::calloc(points.size(), sizeof(FramePoint)));
  std::memcpy(d.framePoints, points.data(), points.size() * sizeof(FramePoint));
  for (FrameTube& t : tubes)
    if (t.a < 0 || t.b < 0) t.flags |= TUBE_WHEEL_END;
  d.frameTubeCount = static_cast<int32_t>(tubes.size());
  d.frameTubes = static_cast<FrameTube*>(std::calloc(tubes.size(), sizeof(FrameTube)));
  std::memcpy(d.frameTubes, tubes.data(), tubes.size() * sizeof(FrameTube));
}

// ---- the engine ----

void BuildEngine(const SampleVehicle& s, int row, VehicleData& d) {
  EngineModel& e = d.engine;
  const VehicleClass& c = VehicleClassTable[s.vehicleClass];
  if (s.transmissionType == TRANSMISSION_ELECTRIC) {
    e.redline = 1500.0f + 100.0f * row;           // rad/s
    e.maxPower = 1000.0f * float(s.power);        // W
    e.maxTorque = 320.0f * float(s.power) / 150;  // N m
    e.torquePerCc = 1.0f;
    return;
  }
  e.layout = static_cast<uint8_t>(row % 3);
  e.turboInertiaMul = 0.5f;
  e.TakeClassFigures(s.vehicleClass);
  // The engine, with or without a turbo, of a usual number of cylinders and a size in the
  // class's range (whole cubic centimetres), that gives the sample's peak power within 3% with
  // its rev limit nearest the layout's usual one; failing that, the one whose power comes
  // nearest.
  constexpr float USUAL_LIMIT[5] = {7000.0f, 12000.0f, 9000.0f, 5500.0f, 10000.0f};  // rpm, by layout
  const float usual = USUAL_LIMIT[s.layout] * 2.0f * 3.14159265f / 60.0f;           // rad/s
  const bool small = s.layout == LAYOUT_KART || s.layout == LAYOUT_TWO_WHEELER;
  const std::vector<int> cylinders = small ? std::vector<int>{1, 2, 4} : std::vector<int>{3, 4, 6, 8};
  struct Choice {
    uint32_t flags = 0;
    int cylinders = 1;
    float size = 0, miss = INFINITY, off = INFINITY;  // off: the rev limit's from the usual
  } best;
  constexpr int STEPS = 200;
  constexpr float CLOSE = 0.03f;
  const float target = float(s.power), close = CLOSE * target;
  for (const uint32_t flags : {0u, ENGINE_TURBO})
    for (const int count : cylinders)
      for (int i = 0; i <= STEPS; ++i) {
        e.flags = flags;
        e.turboMaxBoost = flags ? 0.8f : 0.0f;
        e.cylinders = static_cast<uint8_t>(count);
        e.engineSize = std::round(c.engineSizeMin + (c.engineSizeMax - c.engineSizeMin) * float(i) / STEPS);
        if (!ClassRedline(d, &e.redline)) continue;
        EngineModel trial = e;
        trial.Recompute(s.transmissionType, s.vehicleClass);
        const float miss = std::fabs(trial.maxPower / 1000.0f - target);
        const float off = std::fabs(e.redline - usual);
        const bool better = miss <= close ? best.miss > close || off < best.off : miss < best.miss;
        if (better) best = {flags, count, e.engineSize, miss, off};
      }
  e.flags = best.flags;
  e.turboMaxBoost = best.flags ? 0.8f : 0.0f;
  e.cylinders = static_cast<uint8_t>(best.cylinders);
  e.engineSize = best.size;
  float redline;
  if (ClassRedline(d, &redline)) e.redline = redline;  // what every read gives it
}

// ---- set-ups, colours and configurations ----

// The tyre compound a class's set-ups fit: one its range allows.
uint8_t SampleCompound(uint8_t vehicleClass) {
  switch (vehicleClass) {
    case CLASS_TOURING_CAR: return 4;
    case CLASS_BUGGY: return 6;
    case CLASS_GT: return 2;
    case CLASS_BIKE: return 0;
    case CLASS_FORMULA:
    case CLASS_F1:
    case CLASS_FSAE:
    case CLASS_KART: return 1;
    default: return 5;
  }
}

// A gear ratio as the set-up's word: ratio = word x 7 / 65534 + 0.5.
uint16_t GearWord(float ratio) { return static_cast<uint16_t>((ratio - 0.5f) * 65534.0f / 7.0f + 0.5f); }

// The gears' ratios (first to seventh) and the final drive (of the default set-up; the
// track's is a tenth shorter) that bring the sample to its geared-for speed at the rev limit in
// top gear: the final drive takes the ratio the top gear leaves, and where that would pass a
// set-up word's range every gear takes its share.
struct Gearing {
  float ratios[SETUP_GEAR_COUNT];
  float finalDrive;
};
Gearing GearingOf(const SampleVehicle& s, const VehicleData& d) {
  constexpr float BOX[SETUP_GEAR_COUNT] = {3.4f, 2.2f, 1.6f, 1.25f, 1.0f, 0.85f, 0.75f};
  constexpr float LEAST = 0.5f, MOST = 7.5f;  // a set-up word's ratios
  const int forwardGears = d.transmissionType == TRANSMISSION_ELECTRIC ? 1 : std::max(Figures(s.layout).gears - 2, 1);
  Gearing g;
  for (int i = 0; i < SETUP_GEAR_COUNT; ++i) g.ratios[i] = BOX[std::min(i, forwardGears - 1)];
  g.finalDrive = 4.1f;
  if (s.gearedFor == 0 || !(d.engine.redline > 0.0f)) return g;
  const float overall = d.engine.redline * TyreRadius(s, 0) * 3.6f / float(s.gearedFor);
  const float wanted = overall / g.ratios[forwardGears - 1];
  g.finalDrive = std::clamp(wanted, LEAST, MOST);
  for (float& ratio : g.ratios) ratio = std::clamp(ratio * wanted / g.finalDrive, LEAST, MOST);
  return g;
}

// Two set-ups, "[default]" and "track": the track set-up stiffer, lower, shorter geared, with
// ballast, a restriction, more wing, a limited-slip rear differential and anti-lock braking
// asked for.
void BuildSetups(const SampleVehicle& s, VehicleData& d) {
  const LayoutFigures& f = Figures(s.layout);
  const char* names[2] = {"[default]", "track"};
  const float springs[] = {40000.0f, 90000.0f, 0.0f, 60000.0f, 30000.0f};  // by layout, N/m
  const Gearing gearing = GearingOf(s, d);
  d.setupCount = 2;
  for (int i = 0; i < 2; ++i) {
    VehicleSetup& setup = d.setups[i];
    CopyName(setup.name, SETUP_NAME_SIZE, names[i]);
    SetupRecord& r = setup.record;
    r = {};
    SetSetupWord(r, SETUP_FLAGS, i == 0 ? 129 : 133);
    r.bytes[SETUP_LOCK_REDUCTION] = static_cast<uint8_t>(10 * i);
    r.bytes[SETUP_BALLAST_POSITION] = 50;
    SetSetupFloat(r, SETUP_BRAKE_STRENGTH, 1200.0f + 300.0f * i);
    r.bytes[SETUP_REAR_WING] = r.bytes[SETUP_FRONT_WING] = static_cast<uint8_t>(5 * i);
    r.bytes[SETUP_BALLAST] = static_cast<uint8_t>(20 * i);
    r.bytes[SETUP_RESTRICTION] = static_cast<uint8_t>(10 * i);
    r.bytes[SETUP_STEERING_LOCK] = static_cast<uint8_t>(30 + 10 * i);
    r.bytes[SETUP_FRONT_SHARE] = 60;
    r.bytes[SETUP_BRAKE_BALANCE] = static_cast<uint8_t>(62 - 4 * i);
    for (int g = 0; g < SETUP_GEAR_COUNT; ++g) SetSetupShort(r, SETUP_GEAR_WORDS + 2 * g, GearWord(gearing.ratios[g]));
    SetSetupShort(r, SETUP_FINAL_DRIVE, GearWord(std::min(gearing.finalDrive * (1.0f + 0.1f * i), 7.5f)));
    for (int axle = 0; axle < CAR_WHEEL_SETS; ++axle) {
      const int at = SETUP_AXLE[axle];
      const float spring = springs[s.layout] * (1.0f + 0.25f * i);
      SetSetupFloat(r, at + AXLE_RIDE_HEIGHT, f.wheelHeight - RIDE_BELOW_WHEEL - 0.01f * i);
      SetSetupFloat(r, at + AXLE_SPRING, spring);
      SetSetupFloat(r, at + AXLE_BUMP, 0.08f * spring);
      SetSetupFloat(r, at + AXLE_REBOUND, 0.12f * spring);
      SetSetupFloat(r, at + AXLE_ANTI_ROLL, s.layout == LAYOUT_TWO_WHEELER ? 0.0f : 0.25f * spring);
      if (axle == 0) SetSetupFloat(r, at + AXLE_SIXTH, 800.0f);
      r.bytes[at + AXLE_TOE] = static_cast<uint8_t>(axle == 1 ? 8 : 10);
      r.bytes[at + AXLE_CASTER] = static_cast<uint8_t>(axle == 1 ? 45 + i : 40);
      r.bytes[at + AXLE_TYRE_TYPE] = SampleCompound(s.vehicleClass);
      r.bytes[at + AXLE_CAMBER_LEFT] = r.bytes[at + AXLE_CAMBER_RIGHT] = static_cast<uint8_t>(axle == 1 ? 35 : 40);
      r.bytes[at + AXLE_DIFFERENTIAL] = static_cast<uint8_t>(axle == 0 && i == 1 ? 3 : 0);
      r.bytes[at + AXLE_POWER_LOCKING] = 40;
      r.bytes[at + AXLE_COAST_LOCKING] = 20;
      SetSetupShort(r, at + AXLE_PRESSURE_LEFT, static_cast<uint16_t>(180 + 10 * axle));
      SetSetupShort(r, at + AXLE_PRESSURE_RIGHT, static_cast<uint16_t>(180 + 10 * axle));
    }
    if (s.vehicleClass == CLASS_KART) r.bytes[SETUP_KART_BYTE] = 1;
  }
}

// A colour set: the body in a but for its second colour, a light trim (as light as a set's
// colours go), the wheels in b.
ColourSet Colours(const char* name, ColourWord a, ColourWord b) {
  ColourSet set{};
  CopyName(set.name, COLOUR_SET_NAME_SIZE, name);
  for (int i = 0; i < COLOUR_SET_GROUP_SIZE; ++i) {
    set.groups[0][i] = i == 1 ? RgbWord(160, 160, 160) : a;
    set.groups[1][i] = b;
  }
  return set;
}

void BuildColours(int row, VehicleData& d) {
  d.colourConfigCount = 3;
  d.colourConfigs[0] = Colours("blue", 0x9A3C14, 0xA0A0A0);
  d.colourConfigs[1] = Colours("red", 0x14146E + 0x000100 * (row % 8), 0x282828);
  d.colourConfigs[2] = Colours("", 0x3C643C, 0x8C8C8C);  // an unnamed set
  d.ResetColours(1);
}

void BuildConfigs(const SampleVehicle& s, VehicleData& d) {
  d.configCount = s.layout == LAYOUT_ROAD_CAR ? 2 : 1;
  for (int i = 0; i < VEHICLE_MAX_CONFIGS; ++i) d.configs[i] = VehicleConfig{};
  CopyName(d.configs[0].name, CONFIG_NAME_SIZE, "OPEN ROOF");
  d.configs[0].layerMask = 0xFFFFFFFFu;
  if (d.configCount > 1) {
    CopyName(d.configs[1].name, CONFIG_NAME_SIZE, "HARD TOP");
    d.configs[1].layerMask = 0xFFFFFFFDu;
  }
}

// The program's own layout of the dash type for the vehicle's class and options, with its
// dials' maxima automatic (the tachometer to the engine's rev limit, the speedometer to the
// car's top speed), a high-revving engine's tachometer labelled every 2000 rpm.  An analog
// dashboard shows a boost gauge only with a turbo (no frame-rate gauge in a car) and writes
// the units of both big dials under their centres; a formula display writes its fuel line
// where nothing else is and sets its lamps apart.
void BuildDashboard(const SampleVehicle& s, VehicleData& d) {
  d.dashType = s.dashType;
  d.dashSize = static_cast<uint8_t>(DashBlockSize(s.dashType));
  d.dashByte = s.dashType ? 2 : 0;
  MakeDashDefaults(d, d.dashType, d.dash);
  if (d.dashType < DASH_TYPE_ANALOG_DARK || d.dashType > DASH_TYPE_FORMULA) return;
  constexpr float HIGH_REVVING = 1000.0f;  // rad/s, 9549 rpm
  uint32_t flags = uint32_t(d.dash[DASH_FLAGS]) | uint32_t(d.dash[DASH_FLAGS + 1]) << 8 |
                   uint32_t(d.dash[DASH_FLAGS + 2]) << 16 | uint32_t(d.dash[DASH_FLAGS + 3]) << 24;
  if (d.engine.redline > HIGH_REVVING) flags |= DASH_FLAG_SECOND_GAP;
  if (d.dashType == DASH_TYPE_FORMULA) {
    // The fuel line's display at the left, clear of the speed's caption; under it the lamps
    // in a row across the black rectangle, each clear of the next.
    const uint8_t display[4] = {10, 88, 8, 10};
    std::memcpy(d.dash + DASH3_DISPLAY_BOX, display, sizeof display);
    constexpr int LAMP_ROW_Y = 145, LAMP_FIRST_X = 16, LAMP_STEP = 14;
    for (int lamp = 0; lamp < DASH_LAMPS; ++lamp) {
      uint8_t* l = d.dash + DASH_LAMP_OFFSET + DASH_LAMP_BYTES * lamp;
      l[0] = static_cast<uint8_t>(LAMP_FIRST_X + LAMP_STEP * lamp);
      l[1] = LAMP_ROW_Y;
    }
  } else {
    // The speedometer ends at the first 20 km/h above the speed the car is geared for.
    constexpr int ROUND_KMH = 20, MAXIMUM_STEP_KMH = 5;
    const int dialEnd = (int(SampleGearedSpeed(d)) / ROUND_KMH + 1) * ROUND_KMH;
    d.dash[DASH_DIALS + DASH_DIAL_BYTES * 0 + DASH_DIAL_MAXIMUM] = static_cast<uint8_t>(dialEnd / MAXIMUM_STEP_KMH);
    constexpr uint8_t UNIT_BELOW = 2;
    if (!(d.engine.flags & ENGINE_TURBO)) flags |= DASH_FLAG_TURBO_OFF;
    for (int dial : {0, 1}) d.dash[DASH_DIALS + DASH_DIAL_BYTES * dial + DASH_DIAL_UNIT] = UNIT_BELOW;
  }
  for (int k = 0; k < 4; ++k) d.dash[DASH_FLAGS + k] = static_cast<uint8_t>(flags >> (8 * k));
}

}  // namespace

float SampleGearedSpeed(const VehicleData& d) {
  const SetupRecord& r = d.setups[0].record;
  const auto ratio = [&](int at) { return float(SetupShort(r, at)) * 7.0f / 65534.0f + 0.5f; };
  const int top = d.transmissionType == TRANSMISSION_ELECTRIC ? 0 : std::max(d.gearPositions - 2, 1) - 1;
  const SuspensionBlock& driven = d.wheelSets[0];
  const float radius = driven.sectionWidth * driven.aspectRatio + driven.rimRadius;
  return d.engine.redline * radius * 3.6f / (ratio(SETUP_GEAR_WORDS + 2 * top) * ratio(SETUP_FINAL_DRIVE));
}

namespace {

void BuildRim(VehicleData& d) {
  FreeVehicleRim(d);
  d.rim = new WXS;
  WXS& rim = *d.rim;
  rim.MakeDefault("M1_rim", 0xC8C8C8);
  const GraphPoint points[6] = {{0.0f, 4.0f}, {4.0f, 4.0f}, {4.0f, 3.4f}, {3.2f, 2.6f}, {0.8f, 2.6f}, {0.0f, 3.4f}};
  delete[] rim.points;
  rim.points = new GraphPoint[6];
  std::memcpy(rim.points, points, sizeof points);
  rim.numPoints = 6;
  const RimSurface surfaces[4] = {{1, 0, 0, 0}, {1, 2, 1, 1}, {2, 3, 1, 1}, {4, 5, 2, 0}};
  std::free(rim.surfaces);
  rim.surfaces = static_cast<RimSurface*>(std::calloc(4, sizeof(RimSurface)));
  std::memcpy(rim.surfaces, surfaces, sizeof surfaces);
  rim.surfaceCount = 4;
  rim.secondByte = 1;
  ModelMapping dark;
  dark.Init(0);
  CopyName(dark.name, CUTOUT_NAME_SIZE, "M2_rim");
  dark.colour = 0x505050;
  rim.mappings = static_cast<ModelMapping*>(std::realloc(rim.mappings, 2 * sizeof(ModelMapping)));
  rim.mappings[1] = dark;
  rim.mappingCount = 2;
}

}  // namespace

std::vector<SampleSkin> SampleSkins(const VehicleData& d) {
  std::vector<SampleSkin> skins;
  for (int i = 0; i < d.colourConfigCount; ++i) {
    const ColourSet& set = d.colourConfigs[i];
    if (!set.name[0]) continue;
    SampleSkin skin{};
    std::snprintf(skin.name, sizeof skin.name, "%s_%.*s", d.shortName, COLOUR_SET_NAME_SIZE, set.name);
    skin.paint = set.groups[0][0];
    skins.push_back(skin);
  }
  return skins;
}

void BuildSampleSpoke(ModelObject& o) {
  o.Free();
  o = ModelObject{};
  o.Init();
  ModelBuilder b;
  const int page = b.Page(PAGE_FIXED, SAMPLE_PAGE_TEXTURE);
  const SampleRegion& region = FindSampleRegion("rim");
  const int cutout = b.AddCutout("spoke", page, region.width, region.height, region.left, region.top, MATERIAL_DEFAULT);
  b.mapping = b.AddMapping("M2_spoke", cutout, cutout, DIRECTION_RIGHT, 0.4, 0.4, 0xC8C8C8, 0.05, 0, 0);
  // A blade from the hub to the rim's inside, leaning back, both faces.
  const int p0 = b.Point(0.03, 0.0, 0.04), p1 = b.Point(0.03, 0.02, 0.04), p2 = b.Point(0.05, 0.05, 0.15),
            p3 = b.Point(0.05, 0.02, 0.15);
  b.Quad(p0, p1, p2, p3);
  b.Quad(p3, p2, p1, p0);
  b.Into(o);
  CopyName(o.name, MODEL_NAME_SIZE, SPOKE_OBJECT_NAME);
  o.lodDistances[0] = FIXED_ONE;  // what every read gives a spoke
}

void BuildSampleBody(int row, ModelObject& o) {
  o.Init();
  const SampleVehicle& s = SAMPLE_VEHICLES[row];
  const Vec3 seat = SeatOf(s);
  if (s.body != BODY_ROAD_CAR) {
    const LayoutFigures& f = Figures(s.layout);
    const float rear = TyreRadius(s, 0), front = TyreRadius(s, 1);
    // The road at rest: under the wheels at the default set-up's ride height.
    const float ground = f.wheelHeight - RIDE_BELOW_WHEEL - std::max(rear, front);
    const BodyFrame frame{f.wheelbase, f.track, rear, SectionWidth(s, 0), front, SectionWidth(s, 1), ground, seat};
    BuildStyledBody(s.body, frame, o);
    return;
  }
  BuildSampleCar(o);
  // The steering wheel under the seated driver's hands.
  const DriverGrip& grip = DRIVER_GRIPS[POSTURE_SEATED];
  for (int i = 0; i < o.childCount; ++i)
    if (o.children[i].type == SUBOBJECT_STEERING_WHEEL) {
      o.children[i].offset[0] = Metres(seat.x);
      o.children[i].offset[1] = Metres(seat.y + grip.forward);
      o.children[i].offset[2] = Metres(seat.z + grip.up);
    }
}

void BuildSampleVehicle(int row, VehicleData& d) {
  const SampleVehicle& s = SAMPLE_VEHICLES[row];
  const BuiltinVehicle& entry = BuiltinVehicleTable[row];
  const LayoutFigures& f = Figures(s.layout);
  CopyName(d.vehicleName, VEHICLE_NAME_SIZE, entry.name);
  std::memcpy(d.shortCode, entry.code, VEHICLE_CODE_SIZE);
  FormatShortName(d.shortCode, d.shortName);
  d.builtinIndex = row;
  d.vehicleClass = s.vehicleClass;
  d.transmissionType = s.transmissionType;
  d.driveType = s.driveType;
  d.options = OPT1_SECOND_WORD | OPT1_CONFIG_MARKER | OPT1_TRANSMISSION_BYTES | OPT1_ENGINE_WORDS |
              OPT1_CORRECTIONS_DONE | OPT1_FUEL_CAPACITY;
  d.options2 = OPT2_DEFAULT_COLOURS | (s.layout == LAYOUT_OPEN_WHEELER ? OPT2_RIM_WORDS | 0x1000 : 0xF00 | 0x8000);
  if (s.vehicleClass == CLASS_GT || s.layout != LAYOUT_ROAD_CAR) d.options |= OPT1_DRIVE_SIDE_LOCKED;
  if (s.layout == LAYOUT_ROAD_CAR || s.layout == LAYOUT_VAN) d.options |= OPT1_BACK_SEAT | OPT1_FRONT_PASSENGER;
  if (s.layout == LAYOUT_TWO_WHEELER) {
    d.options |= OPT1_TRAIL_REDUCTION;
    d.trailReduction = 0.04f;
  }
  d.engineWords[0] = ENGINE_WORD_VALUES[0];
  d.engineWords[1] = ENGINE_WORD_VALUES[1];
  // An electric motor's tank is its traction battery, in kWh.
  d.fuelTankCapacity = s.transmissionType == TRANSMISSION_ELECTRIC ? 40.0f : 45.0f;
  d.enginePosition = f.engine;
  d.driverPosition = SeatOf(s);
  d.backSeatForward = -0.9f;
  d.backSeatUp = 0.05f;
  d.mainBatteryPosition = {0.0f, 0.2f, 0.1f};
  d.smallBatteryPosition = {0.4f, 1.1f, 0.3f};
  d.smallBatteryMass = 12.0f;
  d.spareWheelPosition = {0.0f, -1.6f, 0.2f};
  d.spareWheelPitch = 0.1f;
  const ClassStart start = StartOf(s);
  d.steeringWheelTurn = start.steeringTurn * 3.14159265f / 180.0f;
  d.steeringWheelAlign = 0.0f;
  d.steeringWheelPitch = start.steeringPitch;
  d.lightsAndAids = 0x7;
  d.gearPositions = s.transmissionType == TRANSMISSION_ELECTRIC ? 3 : f.gears;
  d.reverseRatio = -4.0f;
  CopyName(d.steerAnimation, STEER_ANIMATION_SIZE, start.animation);
  if (s.transmissionType != TRANSMISSION_NONE) CopyName(d.engineName, ENGINE_NAME_SIZE, "DEFAULT");
  CopyName(d.modelCode, MODEL_CODE_SIZE, s.storeModel ? entry.code : "KT");
  d.suspensionMassConstant = VehicleClassTable[s.vehicleClass].suspensionMassConstant;
  d.spokeCount = 5;
  d.rimBytes[0] = 1;
  d.rimBytes[1] = 3;
  d.rimBytes[2] = 5;
  if (d.options2 & OPT2_RIM_WORDS) {
    d.rimWords[0] = 12;
    d.rimWords[1] = -8;
  }
  // Lift, drag and side drag areas: the compact's and the coupe's models have a rear wing, the
  // open-wheeler's box none (its wings and undertray have areas the set-up finds no place for),
  // the body of every sample a little lift.
  const bool wings = s.layout == LAYOUT_OPEN_WHEELER || s.layout == LAYOUT_ROAD_CAR;
  const float AERO[AERO_ITEMS][3] = {{wings ? -0.6f : 0.0f, 0.12f, 0.3f},
                                     {s.layout == LAYOUT_OPEN_WHEELER ? -0.5f : 0.0f, 0.1f, 0.2f},
                                     {s.layout == LAYOUT_OPEN_WHEELER ? -0.4f : 0.0f, 0.05f, 0.1f},
                                     {0.1f, 0.35f + 0.05f * static_cast<float>(s.layout), 0.8f}};
  for (int i = 0; i < AERO_ITEMS; ++i)
    for (int k = 0; k < 3; ++k) d.aero[i][k] = AERO[i][k];
  BuildWheels(s, d);
  BuildFrame(s, d);
  BuildEngine(s, row, d);
  BuildSetups(s, d);
  BuildColours(row, d);
  BuildConfigs(s, d);
  BuildDashboard(s, d);
  BuildRim(d);
  BuildSampleSpoke(d.spoke);
  d.SetTypeConstants();
  d.CopyWheelsToConfigs();
  if (s.storeModel) {
    FreeVehicleModel(d);
    d.model = new ModelObject{};
    BuildSampleBody(row, *d.model);
    CopyName(d.model->name, MODEL_NAME_SIZE, entry.name);  // a stored model takes the vehicle's name
    d.ownsModel = 1;
    d.modelPresent = 1;
  }
}
