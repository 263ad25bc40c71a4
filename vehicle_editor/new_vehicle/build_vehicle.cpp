// build_vehicle.cpp - a complete new vehicle from the wizard's settings: flags, drive train,
// engine, set-up, colours, wheels, a generated body of boxes with its frame, spoke and rim,
// the mass brought up to the target, and springs, dampers and brakes from the axle loads.
//
// Axes: x to the right, y forward, z up, metres.  Wheel set 0 is the rear axle, 1 the front.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/report.h"
#include "physics/car.h"
#include "platform/files.h"
#include "vehicle/car_model.h"
#include "vehicle_data/builtin_vehicles.h"
#include "vehicle_data/engine_file.h"
#include "vehicle_data/rim_profile.h"
#include "vehicle_data/setup_record.h"
#include "vehicle_data/vehicle_class.h"
#include "vehicle_data/vehicle_file.h"
#include "vehicle_editor/new_vehicle/new_vehicle_wizard.h"
#include "vehicle_editor/vehicle_editor.h"

namespace {

constexpr float PI_F = 3.14159265358979f;
constexpr float GRAVITY = 9.81f;
constexpr float DEGREES = PI_F / 180.0f;
constexpr float WHEEL_CENTRE_HEIGHT = 0.2f;  // m: each axle block's ride height, the wheels' rest height
constexpr ColourWord BODY_COLOUR_GREY = 0xC8C8C8;
constexpr float TUBE_START_MASS = 2.0f;      // kg/m of a generated frame tube before the top-up
constexpr float RIDER_MASS = 70.0f;          // kg: a two-wheeler's mass to reach carries its rider
constexpr float MIN_TYRE_GAP = 0.1f;         // m: a body box needs this much room between tyres
constexpr float CUBE_HALF_SIZE = 0.5f;       // m: the body of a vehicle without wheels

void CopyName(char* field, int size, const char* text) {
  std::memset(field, 0, static_cast<size_t>(size));
  std::snprintf(field, static_cast<size_t>(size), "%s", text);
}

ClassStart StartFigures(const NewVehicleSettings& s) {
  return ClassStartOf(s.vehicleClass, s.rear.wheelCount, s.front.wheelCount, s.wheelbase);
}

bool IsClass(const NewVehicleSettings& s, std::initializer_list<int> classes) {
  return std::find(classes.begin(), classes.end(), s.vehicleClass) != classes.end();
}

// ---- flags and drive train ----

void SetFlagsAndDrive(Car& car, const NewVehicleSettings& s) {
  const int wheels = s.rear.wheelCount + s.front.wheelCount;
  uint32_t options = 0x84040002u;
  if (s.rear.wheelCount == 1) options = 0x84050002u;
  if (s.front.wheelCount == 1) {
    options |= 0xC000u;
    car.trailReduction = 0.04f;
  }
  if (wheels == 0) options = 0x84058002u;
  car.vehicleClass = s.vehicleClass;
  uint32_t options2 = 0;
  if (!IsClass(s, {CLASS_FORMULA, CLASS_KART, CLASS_F1, CLASS_FSAE})) options2 |= 0xF00u;
  if (IsClass(s, {CLASS_FORMULA, CLASS_F1})) options2 |= 0x1000u;
  if (s.vehicleClass == CLASS_F1) options2 |= 0x2000u;
  if (!IsClass(s, {CLASS_OBJECT, CLASS_F1})) options2 |= 0x8000u;

  uint8_t transmission = TRANSMISSION_H_PATTERN;
  if (s.front.wheelCount == 1) transmission = TRANSMISSION_MOTORBIKE;
  else if (s.vehicleClass == CLASS_OBJECT) transmission = TRANSMISSION_NONE;
  else if (s.vehicleClass == CLASS_FORMULA) transmission = TRANSMISSION_SEQUENTIAL;
  else if (s.vehicleClass == CLASS_KART) transmission = TRANSMISSION_CENTRIFUGAL;
  else if (s.vehicleClass == CLASS_F1) transmission = TRANSMISSION_PADDLE;
  else if (s.vehicleClass == CLASS_FSAE) transmission = TRANSMISSION_MOTORBIKE;
  car.transmissionType = transmission;
  car.gearPositions = IsClass(s, {CLASS_OBJECT, CLASS_KART})     ? 3
                      : IsClass(s, {CLASS_SALOON, CLASS_BUGGY}) ? 7
                      : s.vehicleClass == CLASS_F1              ? 9
                                                                : 8;
  car.reverseRatio = -4.0f;
  car.suspensionMassConstant = VehicleClassRow(s.vehicleClass).suspensionMassConstant;

  uint8_t drive = DRIVE_REAR;
  if (wheels == 0) drive = DRIVE_NONE;
  else if (wheels == 4 && s.vehicleClass == CLASS_SALOON) drive = DRIVE_FRONT;
  car.driveType = drive;
  if (drive != DRIVE_REAR) options |= 0x50u;  // transverse engine, and "REAR identical"
  else if (transmission == TRANSMISSION_MOTORBIKE) options |= 0x40u;
  else if (transmission == TRANSMISSION_CENTRIFUGAL) options |= 0xC0u;
  else options |= 0x80u;
  // Every vehicle read from a file holds the engine's two words; a new one holds them too,
  // so that it saves as it reads back.
  options |= OPT1_ENGINE_WORDS;
  car.engineWords[0] = ENGINE_WORD_VALUES[0];
  car.engineWords[1] = ENGINE_WORD_VALUES[1];
  car.options = options;
  car.options2 = options2;
  car.classFlagsMarker = 1;
}

// ---- engine ----

void SetEngine(Car& car, const NewVehicleSettings& s, const ClassStart& start) {
  const VehicleClass& c = VehicleClassRow(s.vehicleClass);
  EngineModel& e = car.engine;
  e.engineSize = s.engineSize;
  e.cylinders = s.cylinders;
  e.turboInertiaMul = 0.5f;
  e.torquePerCc = c.torquePerCc;
  e.spreadMul = c.spreadFactor;
  e.camTiming = s.vehicleClass == CLASS_KART ? c.spreadFactor * 0.75f : c.spreadFactor;
  e.resistanceMul = c.resistanceMul;
  e.inertiaMul = c.inertiaMul;
  e.idleSpeed = c.idleSpeed;
  // The rev limit: whole thousands of rpm below 4654 / (cc per cylinder)^(1/3) x the class's
  // factor, as every read gives it.
  if (s.cylinders > 0 && s.engineSize > 0) e.redline = ClassRevLimit(s.engineSize, s.cylinders, s.vehicleClass);
  car.steeringWheelTurn = start.steeringTurn * DEGREES;
  car.steeringWheelPitch = start.steeringPitch;
  CopyName(car.steerAnimation, STEER_ANIMATION_SIZE, start.animation ? start.animation : "");
  if (car.transmissionType != TRANSMISSION_NONE) {
    CopyName(car.engineName, ENGINE_NAME_SIZE, "DEFAULT");
    // The engine file gives the sound and its waves; the figures above stay.
    char path[FILE_PATH_SIZE];
    EngineModel definition{};
    if (MakeNamedPath(path, sizeof path, ENGINE_FILE_PATTERN, car.engineName))
      LoadEngine(definition, path, nullptr, car.engine);
  }
  car.SetTypeConstants();
}

// ---- set-up ----

const uint16_t GEAR_WORDS[8] = {31082, 15447, 9924, 6647, 4681, 3277, 2060, 32767};
const uint16_t BIKE_GEAR_WORDS[8] = {50648, 34349, 26195, 21439, 18359, 15822, 2060, 20278};

void SetSetup(Car& car, const NewVehicleSettings& s, const ClassStart& start) {
  car.setupCount = 1;
  VehicleSetup& entry = car.setups[0];
  CopyName(entry.name, SETUP_NAME_SIZE, "[default]");
  SetupRecord& r = entry.record;
  r = {};
  SetSetupWord(r, SETUP_FLAGS, 129);  // symmetric, and kept
  r.bytes[SETUP_BALLAST_POSITION] = 50;
  r.bytes[SETUP_FRONT_SHARE] = 50;
  r.bytes[SETUP_STEERING_LOCK] = IsClass(s, {CLASS_FORMULA, CLASS_KART, CLASS_F1, CLASS_FSAE})        ? 20
                                 : IsClass(s, {CLASS_TOURING_CAR, CLASS_SALOON, CLASS_BUGGY, CLASS_VAN, CLASS_TRUCK}) ? 45
                                                                                                       : 30;
  const uint16_t* words = car.transmissionType == TRANSMISSION_MOTORBIKE ? BIKE_GEAR_WORDS : GEAR_WORDS;
  for (int i = 0; i < 8; ++i) {
    uint16_t w = words[i];
    if (s.vehicleClass == CLASS_KART && i == 0) w = 42129;
    if (s.vehicleClass == CLASS_KART && i == 7) w = 4681;
    SetSetupShort(r, SETUP_GEAR_WORDS + 2 * i, w);  // the seven gears, then the final drive
  }
  int lowest, highest;
  car.GetTyreTypeRange(lowest, highest);
  uint8_t tyre = static_cast<uint8_t>((lowest + highest) / 2);
  if (s.vehicleClass == CLASS_TOURING_CAR) tyre = 4;
  else if (IsClass(s, {CLASS_SALOON, CLASS_VAN, CLASS_TRUCK})) tyre = 5;
  else if (s.vehicleClass == CLASS_BUGGY) tyre = 6;
  for (const int at : SETUP_AXLE) {
    SetSetupFloat(r, at + AXLE_RIDE_HEIGHT, WHEEL_CENTRE_HEIGHT);
    SetSetupFloat(r, at + AXLE_SPRING, 20000.0f);
    SetSetupFloat(r, at + AXLE_BUMP, 1500.0f);
    SetSetupFloat(r, at + AXLE_REBOUND, 3000.0f);
    r.bytes[at + AXLE_TOE] = 9;
    r.bytes[at + AXLE_TYRE_TYPE] = tyre;
    r.bytes[at + AXLE_CAMBER_LEFT] = r.bytes[at + AXLE_CAMBER_RIGHT] = 45;
    r.bytes[at + AXLE_PRELOAD] = 1;
    r.bytes[at + AXLE_POWER_LOCKING] = 10;
    r.bytes[at + AXLE_COAST_LOCKING] = 10;
    SetSetupShort(r, at + AXLE_PRESSURE_LEFT, start.tyrePressure);
    SetSetupShort(r, at + AXLE_PRESSURE_RIGHT, start.tyrePressure);
  }
  ClampSetup(r);
  car.ApplyClassSetupDefaults(r);
  car.currentSetup = r;
  car.setupIndex = 0;
}

// ---- colours and configuration ----

void SetColours(Car& car) {
  car.colourConfigCount = 1;
  ColourSet& set = car.colourConfigs[0];
  set = ColourSet{};
  for (auto& group : set.groups)
    for (ColourWord& c : group) c = 0xA0A0A0;
  car.SetDashDefaults();
  car.ResetColours(1);
  car.currentColours = set;
  car.colourIndex = 0;
  car.configCount = 1;
  for (VehicleConfig& c : car.configs) c = VehicleConfig{};
  CopyName(car.configs[0].name, CONFIG_NAME_SIZE, "OPEN ROOF");
  car.configs[0].layerMask = 0xFFFFFFFFu;
}

// ---- wheels ----

float TyreRadius(const NewVehicleAxle& a) { return a.aspectRatio * a.sectionWidth + a.rimDiameter / 2; }
// The half upright, as a share of the tyre's radius: the middle of what the Suspension page
// calls neither too short nor too long.
constexpr float HALF_UPRIGHT_SHARE = 0.7f;

void SetWheels(Car& car, const NewVehicleSettings& s) {
  const float half = s.wheelbase / 2;
  int n = 0;
  const auto place = [&](const NewVehicleAxle& a, float y) {
    if (a.wheelCount == 1) car.wheelPositions[n++] = {0.0f, y, WHEEL_CENTRE_HEIGHT};
    if (a.wheelCount == 2) {
      car.wheelPositions[n++] = {-a.trackWidth / 2, y, WHEEL_CENTRE_HEIGHT};
      car.wheelPositions[n++] = {a.trackWidth / 2, y, WHEEL_CENTRE_HEIGHT};
    }
  };
  place(s.rear, -half);
  place(s.front, half - car.trailReduction);
  car.wheelCount = n;
  const NewVehicleAxle* axles[2] = {&s.rear, &s.front};
  for (int set = 0; set < CAR_WHEEL_SETS; ++set) {
    const NewVehicleAxle& a = *axles[set];
    SuspensionBlock& b = car.wheelSets[set];
    b = SuspensionBlock{};
    b.sectionWidth = a.sectionWidth;
    b.aspectRatio = a.aspectRatio;
    b.rimRadius = a.rimDiameter / 2;
    b.rimWidth = std::nearbyint((a.sectionWidth - 0.01f) / 0.0127f) * 0.0127f;
    b.suspensionType = a.suspensionType;
    b.rimLipDepthMm = 4;
    b.rimInnerDepthMm = 5;
    b.rimShadeTenths = 6;
    const bool lowProfile = s.rear.aspectRatio < 0.355f;
    b.lowProfileTyreStyle = lowProfile ? 1 : 0;
    b.rimEdgeExtraWidthMm = lowProfile ? 4 : 2;
    b.trackWidth = a.trackWidth;
    b.halfUprightLength = HALF_UPRIGHT_SHARE * TyreRadius(a);
    // The travel: the ride height from full droop to the bump stop (the spring takes half of
    // it at rest); a rigid axle has none.
    b.maxUpPosition = WHEEL_CENTRE_HEIGHT + (a.suspensionType == 0 ? 0.0f : s.rideHeight);
  }
}

// ---- body ----

struct BodyBox {
  float x0, x1, y0, y1, z0, z1;
};

// Up to three boxes: one round each axle with two wheels and room between its tyres, one
// between the axles when there is room between the tyres; a cube without wheels.
std::vector<BodyBox> BodyBoxes(const NewVehicleSettings& s) {
  std::vector<BodyBox> boxes;
  if (s.rear.wheelCount + s.front.wheelCount == 0) {
    boxes.push_back({-CUBE_HALF_SIZE, CUBE_HALF_SIZE, -s.wheelbase / 2, s.wheelbase / 2, 0.0f, 2 * CUBE_HALF_SIZE});
    return boxes;
  }
  const float rearR = TyreRadius(s.rear), frontR = TyreRadius(s.front);
  // The body's underside stands the ride height above the ground at rest (half the travel
  // taken), its top 0.4 m above it (0.25 m for a kart).
  const bool kart = s.rear.suspensionType == 0 && s.front.suspensionType == 0;
  const float ground = WHEEL_CENTRE_HEIGHT - std::max(rearR, frontR);
  const float bottom = ground + s.rideHeight * (kart ? 1.0f : 1.5f);
  const float top = bottom + (kart ? 0.25f : 0.4f);
  const float half = s.wheelbase / 2;
  const NewVehicleAxle* axles[2] = {&s.rear, &s.front};
  const float ys[2] = {-half, half};
  float width = 0;
  for (int i = 0; i < 2; ++i) {
    const NewVehicleAxle& a = *axles[i];
    if (a.wheelCount != 2) continue;
    const float inner = a.trackWidth / 2 - a.sectionWidth / 2;
    width = std::max(width, inner);
    if (2 * inner < MIN_TYRE_GAP) continue;
    const float r = TyreRadius(a);
    boxes.push_back({-inner + MIN_TYRE_GAP / 2, inner - MIN_TYRE_GAP / 2, ys[i] - r, ys[i] + r, bottom, top});
  }
  const float from = -half + rearR, to = half - frontR;
  if (to - from >= MIN_TYRE_GAP) {
    if (width <= 0) width = (s.rear.rimDiameter > 0 ? s.rear.sectionWidth + s.front.sectionWidth : 0.2f) / 2;
    boxes.push_back({-width, width, from, to, bottom, top + 0.1f});
  }
  return boxes;
}

int32_t Fixed(float metres) { return static_cast<int32_t>(std::lround(double(metres) * 65536.0)); }

void AddBox(ModelObject& o, std::vector<FramePoint>& points, std::vector<FrameTube>& tubes, const BodyBox& b) {
  const int first = o.pointCount;
  const float xs[2] = {b.x0, b.x1}, ys[2] = {b.y0, b.y1}, zs[2] = {b.z0, b.z1};
  auto* grown = static_cast<ModelPoint*>(std::realloc(o.points, sizeof(ModelPoint) * (first + 8)));
  if (!grown) return;
  o.points = grown;
  for (int i = 0; i < 8; ++i) {
    ModelPoint p{};
    p.x = Fixed(xs[i & 1]);
    p.y = Fixed(ys[(i >> 1) & 1]);
    p.z = Fixed(zs[i >> 2]);
    o.points[first + i] = p;
  }
  o.pointCount = static_cast<decltype(o.pointCount)>(first + 8);
  // Five faces (no floor), outward: top, front, back, left, right; corner index x + 2y + 4z.
  const int faces[5][4] = {{4, 5, 7, 6}, {2, 6, 7, 3}, {0, 1, 5, 4}, {0, 4, 6, 2}, {1, 3, 7, 5}};
  const int at = o.triangleCount;
  auto* tris = static_cast<ModelTriangle*>(std::realloc(o.triangles, sizeof(ModelTriangle) * (at + 10)));
  if (!tris) return;
  o.triangles = tris;
  for (int f = 0; f < 5; ++f) {
    const int* q = faces[f];
    const int corners[2][3] = {{q[0], q[1], q[2]}, {q[0], q[2], q[3]}};
    for (int t = 0; t < 2; ++t) {
      ModelTriangle tri{};
      tri.normalLevel = 1;
      tri.group = 0;
      for (int k = 0; k < 3; ++k) tri.corners[k] = static_cast<uint16_t>(first + corners[t][k]);
      o.triangles[at + 2 * f + t] = tri;
    }
  }
  o.triangleCount = static_cast<decltype(o.triangleCount)>(at + 10);
  // The frame, mirrored like every vehicle's: four points on the box's right side (its lower
  // and upper edge at each end), a rail along each edge, a post at each end, and a cross tube
  // from each point to its mirror image.
  const int p0 = static_cast<int>(points.size());
  for (int i = 0; i < 4; ++i)
    points.push_back(FramePoint{Fixed(b.x1), Fixed(ys[i & 1]), Fixed(zs[i >> 1]), 0.0f, 0, 0, 0});
  const int pairs[8][2] = {{0, 1}, {2, 3}, {0, 2}, {1, 3}, {0, 0}, {1, 1}, {2, 2}, {3, 3}};
  for (const auto& pr : pairs)
    tubes.push_back(FrameTube{static_cast<int16_t>(p0 + pr[0]), static_cast<int16_t>(p0 + pr[1]), TUBE_START_MASS,
                              0.0f, 0.0f, 0});
}

// A heap copy of the list the vehicle's frame keeps (freed with the frame), its count beside
// it; no list (none built, or no memory) is a null pointer and 0.
template <typename T>
T* CopyToHeap(const std::vector<T>& items, int32_t& count) {
  count = 0;
  if (items.empty()) return nullptr;
  T* copy = static_cast<T*>(std::calloc(items.size(), sizeof(T)));
  if (!copy) return nullptr;
  std::memcpy(copy, items.data(), items.size() * sizeof(T));
  count = static_cast<int32_t>(items.size());
  return copy;
}

void SetBody(Car& car, const NewVehicleSettings& s) {
  FreeVehicleModel(car);
  auto* o = new ModelObject{};
  o->Init();
  CopyName(o->name, MODEL_NAME_SIZE, "M1_main");
  CopyName(o->mappings[0].name, CUTOUT_NAME_SIZE, "M1");  // body colour 1
  o->mappings[0].colour = BODY_COLOUR_GREY;
  std::vector<FramePoint> points;
  std::vector<FrameTube> tubes;
  for (const BodyBox& b : BodyBoxes(s)) AddBox(*o, points, tubes, b);
  FreeVehicleFrame(car);
  car.framePoints = CopyToHeap(points, car.framePointCount);
  car.frameTubes = CopyToHeap(tubes, car.frameTubeCount);
  car.model = o;
  car.ownsModel = 1;
  car.modelPresent = 1;
  car.AllocModelObjects();
  car.BuildBodyMesh();
  car.meshesWanted = 1;
}

void SetSpokeAndRim(Car& car, const NewVehicleSettings& s) {
  const bool wheels = s.rear.wheelCount + s.front.wheelCount > 0;
  car.spokeCount = 5;
  car.spoke.Free();
  car.spoke = ModelObject{};
  car.spoke.Init();
  // Every read names the spoke object "spoke"; a new one is named so too, so that the saved
  // vehicle reads back as it was written.
  CopyName(car.spoke.name, MODEL_NAME_SIZE, SPOKE_OBJECT_NAME);
  car.spoke.mappings[0].colour = BODY_COLOUR_GREY;
  car.spoke.lodDistances[0] = FIXED_ONE;  // what every read gives a spoke
  car.CopyWheelsToConfigs();
  if (!car.rim) car.rim = new WXS;
  car.rim->MakeDefault(wheels ? "M1_rim" : "rim", BODY_COLOUR_GREY);
}

// ---- springs, dampers and brakes ----

float RoundTo(float value, float unit) { return std::nearbyint(value / unit) * unit; }

// The last mass lines given, each empty while the builds since gave none: a build repeating a
// line says nothing (the page builds on every step of a row).
char g_massLine[128], g_shortfallLine[128];

// Gives the line unless it is the one last given in its place; the place keeps it.
void GiveMassLine(char (&given)[128], const char* text, ReportColour colour) {
  if (std::strcmp(given, text) == 0) return;
  std::snprintf(given, sizeof given, "%s", text);
  ReportLine(text, colour);
}

// The mass topped up: every tube's own mass per metre scaled by (total + excess) / total,
// each held to the readers' 0.5..40 kg/m.  The message gives the mass reached.
void TopUpMass(Car& car, float target) {
  const float total = car.partMasses.frame;  // every tube and its mirror image
  const float before = car.mass;
  g_shortfallLine[0] = 0;
  if (!(target > before) || car.frameTubeCount == 0 || !(total > 1.0f)) {
    g_massLine[0] = 0;
    return;
  }
  const float scale = (total + (target - before)) / total;
  for (int i = 0; i < car.frameTubeCount; ++i) {
    FrameTube& t = car.frameTubes[i];
    t.massPerMetre = std::clamp(t.massPerMetre * scale, TUBE_MIN_MASS_PER_METRE, TUBE_MAX_MASS_PER_METRE);
  }
  const SetupRecord setup = car.currentSetup;
  car.SetupFromVehicle(0);
  car.currentSetup = setup;
  car.SetupFromVehicle(0);
  char text[128];
  std::snprintf(text, sizeof text, "Mass was %.0f - adjusted to %.0f", double(before), double(car.mass));
  GiveMassLine(g_massLine, text, REPORT_GREY);
  if (car.mass < target - 0.5f) {
    std::snprintf(text, sizeof text, "Target mass %.0f not reached: the frame tubes are at their heaviest", double(target));
    GiveMassLine(g_shortfallLine, text, REPORT_WARNING);
  }
}

void SetSpringsAndBrakes(Car& car, const NewVehicleSettings& s) {
  const float base = car.WheelBaseDivisor();
  float front = 0.0f;
  for (int i = 0; i < car.wheelCount; ++i) front = std::max(front, car.wheelPositions[i].y);
  const float share = (front + car.trailReduction - car.centreOfMass.y) / base;
  const float loads[2] = {share * car.mass * GRAVITY, (1.0f - share) * car.mass * GRAVITY};
  const NewVehicleAxle* axles[2] = {&s.rear, &s.front};
  float perWheel[2] = {};
  SetupRecord& r = car.currentSetup;
  for (int axle = 0; axle < 2; ++axle) {
    const int count = axles[axle]->wheelCount;
    if (count == 0) continue;
    perWheel[axle] = loads[axle] / float(count);
    if (!(s.rideHeight > 0)) continue;
    const float k = perWheel[axle] / (s.rideHeight / 2);
    const int at = SETUP_AXLE[axle];
    SetSetupFloat(r, at + AXLE_SPRING, RoundTo(k, 1000.0f));
    SetSetupFloat(r, at + AXLE_BUMP, RoundTo(k * 0.1f, 100.0f));
    SetSetupFloat(r, at + AXLE_REBOUND, RoundTo(k * 0.05f, 100.0f));
  }
  r.bytes[SETUP_BRAKE_BALANCE] = 'K';
  const float rearR = TyreRadius(s.rear), frontR = TyreRadius(s.front);
  float brake;
  if (s.vehicleClass == CLASS_KART) {
    car.options2 |= OPT2_NO_BRAKE_BALANCE;
    brake = rearR * perWheel[0];
  } else {
    brake = 0.75f * frontR * perWheel[1] + 0.2f * rearR * perWheel[0];
  }
  if (brake > 1.0f) brake = brake < 20.0f ? RoundTo(brake, 1.0f) : brake < 200.0f ? RoundTo(brake, 10.0f) : RoundTo(brake, 100.0f);
  SetSetupFloat(r, SETUP_BRAKE_STRENGTH, brake);
  SetSetupFloat(r, SETUP_AXLE[0] + AXLE_SIXTH, brake);
}

}  // namespace

namespace NewVehicleWizard {

Car* BuildCar(int32_t driverSlot) {
  HoldToRows();
  ApplyClassDefaults();
  ++Builds;
  const NewVehicleSettings& s = Settings;
  Car* car = new Car;
  car->driverSlot = driverSlot;
  car->simulated = 1;
  car->AllocModelObjects();
  const ClassStart start = StartFigures(s);
  SetFlagsAndDrive(*car, s);
  CopyName(car->shortCode, VEHICLE_CODE_SIZE, "XXX");
  FormatShortName(car->shortCode, car->shortName);
  CopyName(car->modelCode, MODEL_CODE_SIZE, "XX");
  if (start.placed) {
    car->driverPosition = start.driver;
    car->enginePosition = start.engine;
    car->mainBatteryPosition = start.tank;
  }
  SetEngine(*car, s, start);
  car->wingAngles[0][1] = 30;  // the two adjustable ranges: 0..30 and 0..20 degrees
  car->wingAngles[1][1] = 20;
  SetSetup(*car, s, start);
  SetColours(*car);
  SetWheels(*car, s);
  SetBody(*car, s);
  SetSpokeAndRim(*car, s);
  for (auto& item : car->aero) {
    item[1] = start.aero;
    item[2] = 2 * start.aero;
  }
  TakeVehicleLightsAndSkin(*car);
  const int wheels = s.rear.wheelCount + s.front.wheelCount;
  const float target = s.targetMass + (wheels == 2 ? RIDER_MASS : 0.0f);
  // The driver is posed from his class's animation set as a loaded vehicle's is, so that he
  // sits in the new vehicle from its first drawing.
  car->FreeAnimations();
  car->LoadAnimations();
  car->SetupFromVehicle(0);
  TopUpMass(*car, target);
  if (wheels == 0) return car;
  SetSpringsAndBrakes(*car, s);
  car->SetupFromVehicle(0);
  car->setups[0].record = car->currentSetup;
  return car;
}

void ForgetMassLines() { g_massLine[0] = g_shortfallLine[0] = 0; }

void BuildVehicle(VehicleEditor& e) {
  Car* car = BuildCar(e.displayFlags & SHOW_DRIVER ? 0 : -1);
  e.selection.selectedPoint = NO_POINT;
  VehicleEditor::InstallCar(e, car, "");
  if (FrameWanted) {
    FrameWanted = 0;
    VehicleEditor::FitView(e, 1);
  }
}

}  // namespace NewVehicleWizard
