// tread_heat.cpp - the tyre's heat and wear: 16 sectors round the tread, three lanes across
// it (inner, centre, outer), each lane a thin contact layer over the tread body, two carcass
// sides per sector, the air inside and the rim.
//
// Heat is kept in joules; a temperature is a heat over its capacity (rubber 910 kg/m^3 and
// 2000 J/(kg K), rim metal 2700 kg/m^3 and 1000 J/(kg K), air 1005 J/(kg K)).  The pressure
// follows the air's temperature at a fixed volume: absolute pressure over 293.15 K.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>

#include "wheel/wheel.h"
#include "wheel/wheel_local.h"

namespace {

constexpr float RUBBER = 910.0f * 2000.0f;  // J/(m^3 K)
constexpr float RIM_METAL = 2700.0f * 1000.0f;
constexpr float AIR = 1005.0f;                  // J/(kg K)
constexpr float CONTACT_LAYER = 0.001f;         // m of contact layer per m of radius
constexpr float CARCASS = 0.02f;                // m of carcass per m of section width
constexpr float FAILURE_TEMPERATURE = 473.15f;  // K (200 C)
constexpr float COAT_LIMIT = 0.16f;

// Four floats worked at once, place by place, each as a float alone would be.
typedef float Floats4 __attribute__((vector_size(16)));
static_assert(TREAD_LANES == 3 && sizeof(TreadSector) == 12 * sizeof(float));
Floats4 Load4(const unsigned char* from) {
  Floats4 v;
  std::memcpy(&v, from, sizeof v);
  return v;
}
void Store4(unsigned char* to, const Floats4& v) { std::memcpy(to, &v, sizeof v); }

void StiffnessFromPressure(CarWheel& w, const SuspensionBlock& set) {
  w.radialStiffness = set.radialStiffnessSlope * w.pressure + set.radialStiffnessAtZero;
  w.treadStiffness = set.treadStiffnessSlope * w.pressure + set.treadStiffnessAtZero;
  w.twistStiffness = set.rollingRadius * w.treadStiffness * set.rollingRadius;
}

// The pressure of the air at its present heat: the cold pressure's absolute value scaled
// with the temperature.
float PressureOfAir(const CarWheel& w) {
  const float airTemperature = w.airHeat / (w.airMass * AIR);
  return airTemperature / REFERENCE_TEMPERATURE * (w.coldPressure + ATMOSPHERIC_PRESSURE) - ATMOSPHERIC_PRESSURE;
}

uint8_t CelsiusByte(float kelvin) { return RoundToByte(kelvin - 273.15f); }

}  // namespace

void CarWheel::InitThermalState(const SuspensionBlock& set, int warm) {
  tyreFailed = 0;
  float t = REFERENCE_TEMPERATURE;
  if (warm) {
    const float ambient = static_cast<float>(set.ambientTemperatureC) + 273.15f;
    if (ambient > t) t = ambient;
  }
  for (int i = 0; i < 7; ++i) temperatures[i] = CelsiusByte(t);
  temperatures[7] = 0;
  condition[0] = condition[1] = condition[2] = 255;
  condition[TYRE_CONDITION_COAT] = 0;

  rimHeat = set.rimVolume * RIM_METAL * t;
  airHeat = airMass * AIR * t;
  const float R = set.rollingRadius, wc = set.heatCapacityWidth;
  const float newTread = 0.03f * R;
  for (TreadSector& sector : sectors) {
    for (int j = 0; j < TREAD_LANES; ++j) {
      sector.thickness[j] = newTread;
      sector.bodyHeat[j] = wc * newTread * RUBBER * t;
      sector.contactHeat[j] = R * CONTACT_LAYER * wc * RUBBER * t;
    }
    sector.innerCarcassHeat = sector.outerCarcassHeat = set.sectionWidth * CARCASS * set.sidewallFactor * RUBBER * t;
    sector.coat = 0.0f;
  }
  // With no air to heat, the pressure is what was set.
  pressure = airMass > 0 && std::isfinite(airHeat) ? PressureOfAir(*this) : coldPressure;
  StiffnessFromPressure(*this, set);
}

void CarWheel::ResetWheelState() {
  pressure = radialStiffness = treadStiffness = twistStiffness = 0.0f;
  laneDeflection[0] = laneDeflection[1] = laneDeflection[2] = 0.0f;
  for (uint8_t& t : temperatures) t = 0;
  for (uint8_t& c : condition) c = 0;
  sliding = totalWear = 0.0f;
  slidingEnergy = frictionLimit = laneHeat = 0.0f;
  steerAngle = spinRate = rolledDistance = 0.0f;
  travel = travelVelocity = spinTorque = springPreload = 0.0f;

  wheelForce = forward = lateral = contactMovement = contactReference = lastReference = contactPoint = {};
  deformLongitudinal = deformLateral = twist = 0.0f;
  deformation = dragAnchor = aligningMoment = {};
  normalForce = inContact = patchLength = deflection = camberSine = camberTerm = gripFactor = 0.0f;
  contactKind = groundContact = 0;

  groundPoint = groundNormal = {};
  surfaceKind = looseGround = 0;
  gripCoefficient = 0.0f;
  groundSolid = nullptr;
  groundPosition = {};

  edgePresent = 0;
  edgePlanePoint = edgePlaneNormal = edgeDirection = edgeForce = edgeContactPoint = {};
  edgeSolid = nullptr;
  edgeFrictionFactor = edgeDepth = 0.0f;
  edgePosition = {};
  edgeTouching = edgeSaturated = 0;

  rotationAngle = 3.14159265f;
  wheelTableSlot = WHEEL_SLOT_FREE;
}

void CarWheel::UpdateTyreTemperatures(const SuspensionBlock& set, int noFailure, float dt, float a) {
  if (!TyreIsUsable(set, *this) || !std::isfinite(dt) || !std::isfinite(a) || !std::isfinite(airHeat) ||
      !std::isfinite(rimHeat) || !std::isfinite(pressure))
    return;
  const float R = set.rollingRadius, wc = set.heatCapacityWidth, width = set.sectionWidth;
  const float sidewall = set.sidewallFactor;

  // 1, 2: temperatures at the start of the step and the exchange rates (J/K per step).
  const float air = airHeat / (airMass * AIR);
  const float rim = rimHeat / (set.rimVolume * RIM_METAL);
  const float pressureRatio = (pressure + ATMOSPHERIC_PRESSURE) / ATMOSPHERIC_PRESSURE;
  // The step runs every millisecond for every wheel: the two capacities shared by all the
  // sectors are divided by once.
  const float perLayerCapacity = 1.0f / (wc * R * CONTACT_LAYER * RUBBER);
  const float bodyCapacityPerMetre = wc * RUBBER;
  const float perCarcassCapacity = 1.0f / (width * CARCASS * sidewall * RUBBER);
  const float layerToBody = wc / (R * CONTACT_LAYER) * 0.15f * dt;
  const float bodyToAir = wc * 10.0f * dt * pressureRatio;
  const float layerToOutside = wc * 10.0f * dt * a;
  const float carcassToOutside = sidewall * 10.0f * dt * a;
  const float carcassToAir = sidewall * 10.0f * dt * pressureRatio;

  // A figure's three lanes are read as one vector of four floats, its fourth place the next
  // figure's first (the two carcass sides: the second and third places of the four from the
  // last contact heat), and worked place by place as each lane alone would be.  Every sum still
  // runs round the sectors in order, one lane or carcass side each.
  Floats4 intoAirByLane = {}, heatByLane = {}, thicknessSum = {}, bodySum = {};
  Floats4 intoAirBySide = {}, heatBySide = {}, carcassSum = {};
  float coatSum = 0.0f;
  for (TreadSector& sector : sectors) {
    unsigned char* const bytes = reinterpret_cast<unsigned char*>(&sector);
    const Floats4 thickness = Load4(bytes + offsetof(TreadSector, thickness));
    Floats4 bodyHeat = Load4(bytes + offsetof(TreadSector, bodyHeat));
    Floats4 contactHeat = Load4(bytes + offsetof(TreadSector, contactHeat));
    Floats4 carcassHeat = Load4(bytes + offsetof(TreadSector, contactHeat) + 2 * sizeof(float));
    // 3. Contact layer to tread body to air.
    const Floats4 layer = contactHeat * perLayerCapacity;
    const Floats4 body = bodyHeat / (thickness * bodyCapacityPerMetre);
    const Floats4 inward = (layer - body) * layerToBody;
    const Floats4 toAir = (body - air) * bodyToAir;
    contactHeat += (REFERENCE_TEMPERATURE - layer) * layerToOutside - inward;
    bodyHeat += inward - toAir;
    intoAirByLane += toAir;
    heatByLane += contactHeat + bodyHeat;
    thicknessSum += thickness;
    bodySum += body;
    // 4. Each carcass side to the outside and to the air.
    const Floats4 carcass = carcassHeat * perCarcassCapacity;
    const Floats4 sideToAir = (carcass - air) * carcassToAir;
    carcassHeat += (REFERENCE_TEMPERATURE - carcass) * carcassToOutside - sideToAir;
    intoAirBySide += sideToAir;
    heatBySide += carcassHeat;
    carcassSum += carcass;
    coatSum += sector.coat;
    // Each store's fourth place is put right by the next.
    Store4(bytes + offsetof(TreadSector, bodyHeat), bodyHeat);
    Store4(bytes + offsetof(TreadSector, contactHeat), contactHeat);
    sector.innerCarcassHeat = carcassHeat[1];
    sector.outerCarcassHeat = carcassHeat[2];
  }
  airHeat += intoAirByLane[0] + intoAirByLane[1] + intoAirByLane[2] + intoAirBySide[1] + intoAirBySide[2];
  const float heats = heatByLane[0] + heatByLane[1] + heatByLane[2] + heatBySide[1] + heatBySide[2];

  // 5, 6: means round the tyre, the temperature and condition bytes.
  const float newTread = 0.03f * R;
  for (int j = 0; j < TREAD_LANES; ++j) {
    const float body = bodySum[j] * 0.0625f;
    if (!noFailure && body > FAILURE_TEMPERATURE) tyreFailed = 1;
    temperatures[TYRE_TEMP_INNER + j] = CelsiusByte(body);
    condition[j] = RoundToByte((thicknessSum[j] * 0.0625f - 0.3f * newTread) * 255.0f / (0.7f * newTread));
  }
  temperatures[TYRE_TEMP_AIR] = CelsiusByte(air);
  temperatures[TYRE_TEMP_INNER_CARCASS] = CelsiusByte(carcassSum[1] * 0.0625f);
  temperatures[TYRE_TEMP_OUTER_CARCASS] = CelsiusByte(carcassSum[2] * 0.0625f);
  temperatures[TYRE_TEMP_RIM] = CelsiusByte(rim);
  condition[TYRE_CONDITION_COAT] = RoundToByte(coatSum * 0.0625f * 1593.75f);  // a coat of 0.16 shows 255

  // 7. The rim to the air inside, and a tenth as much to the outside.
  const float area = set.rimRadius * 6.2831855f * set.rimWidth * 10.0f * dt;
  const float rimToAir = area * pressureRatio * (rim - air);
  rimHeat += area * a * 0.1f * (REFERENCE_TEMPERATURE - rim) - rimToAir;
  airHeat += rimToAir;

  // 8. A failed tyre holds no pressure.
  pressure = tyreFailed ? 0.0f : PressureOfAir(*this);
  StiffnessFromPressure(*this, set);

  // A wheel set of absurd sizes can make the explicit step run away: the tyre starts again
  // cold rather than hand the tyre step a heat or a stiffness that is not a number.
  if (!std::isfinite(heats + airHeat + rimHeat + pressure + radialStiffness + treadStiffness + twistStiffness))
    InitThermalState(set, 0);
}

int CarWheel::CheckDamageLevel(int percent) const {
  if (percent == 100) return tyreFailed;
  const long threshold = std::lrint(static_cast<float>(100 - percent) * 0.01f * 255.0f);
  for (int j = 0; j < TREAD_LANES; ++j)
    if (condition[j] <= threshold) return 1;
  return tyreFailed;
}

// ---- Inside the tyre step ----

float HeatTreadByRolling(CarWheel& w, const SuspensionBlock& set, int sector, float& rollingTorque) {
  const float R = set.rollingRadius, width = set.sectionWidth;
  const float d = w.deflection, g = w.camberTerm;
  // 1. The camber loads one side more than the other.
  w.laneDeflection[0] = std::max(0.0f, d - g * (width / 2.0f));
  w.laneDeflection[1] = d;
  w.laneDeflection[2] = std::max(0.0f, d + g * (width / 2.0f));
  // 2, 3.
  const float layerCapacity = R * CONTACT_LAYER * set.heatCapacityWidth * RUBBER;
  const float optimum = CompoundOf(set).optimumTemperatureC + 273.15f;
  const float rolling = set.rollingHeat * 800.0f * std::fabs(w.rolledDistance);
  const float heat = rolling * 600.0f * set.treadContactWidth;
  TreadSector& tread = w.sectors[sector];
  float laneHeat = 0.0f;
  for (int j = 0; j < TREAD_LANES; ++j) {
    const float added = tread.thickness[j] * heat * w.laneDeflection[j];
    tread.bodyHeat[j] += added;
    laneHeat += added;
  }
  w.laneHeat = laneHeat;
  // 4. Grip by the contact layers' temperatures: 1.0 at the optimum, 0.9 at 60 K away, towards
  // 0.8 far from it; the lanes weighted by their loads.
  float weighted = 0.0f, loads = 0.0f;
  for (int j = 0; j < TREAD_LANES; ++j) {
    const float offset = (tread.contactHeat[j] / layerCapacity - optimum) / 60.0f;
    weighted += (0.8f + 0.2f / (offset * offset + 1.0f)) * w.gripCoefficient * w.laneDeflection[j];
    loads += w.laneDeflection[j];
  }
  // 5. The carcass sides flex.
  const float flex = width * CARCASS * rolling * 100.0f;
  const float inner = w.laneDeflection[0] * flex, outer = w.laneDeflection[2] * flex;
  tread.innerCarcassHeat += inner;
  tread.outerCarcassHeat += outer;
  // 6. The rolling heat is the work of a torque against the spin: the heat of one radian
  // rolled.  It holds the wheel back as a brake does, a still wheel too: it can stop the wheel
  // but never turn it the other way, so a wheel at rest neither creeps under a small force nor
  // rocks between its two directions.
  const float perRadian = set.rollingHeat * 800.0f * R;
  const float laneLoad = tread.thickness[0] * w.laneDeflection[0] + tread.thickness[1] * w.laneDeflection[1] +
                         tread.thickness[2] * w.laneDeflection[2];
  rollingTorque = perRadian * 600.0f * set.treadContactWidth * laneLoad +
                  (w.laneDeflection[0] + w.laneDeflection[2]) * width * CARCASS * perRadian * 100.0f;
  return weighted / loads;
}

void HeatAndWearBySliding(CarWheel& w, const SuspensionBlock& set, int sector) {
  const SurfaceGrip& surface = SurfaceOf(w);
  TreadSector& tread = w.sectors[sector];
  const float wc = set.heatCapacityWidth, q = std::fabs(w.rolledDistance);
  const float energy = std::isfinite(w.slidingEnergy) ? w.slidingEnergy : 0.0f;
  // 7. Loose ground lays a coat up to its target; firm ground rubs it off.
  if (w.looseGround) {
    const float target = static_cast<float>(surface.coatTargetPercent) * 0.01f;
    if (tread.coat < target)
      tread.coat = std::min(COAT_LIMIT, tread.coat + target * w.frictionLimit * q * 0.000004f / wc);
  } else if (tread.coat != 0.0f) {
    tread.coat -= (w.frictionLimit * q * 0.00000006f + energy * 0.000001f) * tread.coat / wc;
    if (tread.coat < 0.01f) tread.coat = 0.0f;
  }
  // 8. Sliding on firm ground heats the contact layers and wears the lanes by their loads.
  if (surface.loose) return;
  const float loads = w.laneDeflection[0] + w.laneDeflection[1] + w.laneDeflection[2];
  const float perMetre = energy / loads;
  const float rate = CompoundOf(set).wearRate;
  const float minimum = 0.3f * (0.03f * set.rollingRadius);
  for (int j = 0; j < TREAD_LANES; ++j) {
    const float e = perMetre * w.laneDeflection[j];
    tread.contactHeat[j] += 0.2f * e;
    const float wear = rate * e;
    w.totalWear += wear;
    tread.thickness[j] -= wear / wc;
    if (tread.thickness[j] < minimum) {
      tread.thickness[j] = minimum;
      w.tyreFailed = 1;
    }
  }
}
