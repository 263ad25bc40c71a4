// engine_model.cpp - the power unit's model: the torque curve and the figures derived from
// the definition, and the steps of the clutch, the combustion engine and the electric motor
// that the car runs every 1 ms.
//
// A combustion engine's torque is a bell about its peak speed whose width and place follow
// from one cylinder's displacement; friction grows with the square of the speed; the clutch
// is a torsional spring between the crank and the driveline that slips past its capacity.
// An electric motor gives its full torque up to its base speed and constant power above it.
#include <algorithm>
#include <cmath>

#include "vehicle_data/engine_record.h"
#include "vehicle_data/vehicle_class.h"
#include "vehicle_data/vehicle_data.h"

namespace {

constexpr float CYLINDER_ROOT = 0.33333298f;  // the cube root's exponent, as the figures were made
constexpr float PEAK_SPEED_FIGURE = 4654.0f;  // rad/s times the cube root of a cylinder's cc
constexpr float SPREAD_SHARE = 0.55f;
constexpr float BASE_FRICTION = 0.015f;       // of the peak torque, at any speed above 0
constexpr float EASE_IN_SPEEDS = 1.5f;        // idle speeds over which the torque eases in
constexpr float EASE_IN_SCALE = 0.667f;
constexpr float LIMITER_START = 0.99f;        // of the redline
constexpr float LIMITER_SLOPE = 100.0f;
constexpr float STALL_SPEED = 1.0f;           // rad/s: below it the crank stops turning
constexpr float SMOOTHING_RATE = 20.0f;       // 1/s
constexpr float CRANK_WRAP = 100.53097f;      // 32 pi
constexpr float CRANK_TURNS = 201.06194f;     // 64 pi
constexpr float TURBO_FULL_SPEED = 15707.964f;  // 5000 pi: the rotor's speed at full boost
constexpr float TURBO_POWER_SHARE = 6.711e-7f;
constexpr float TURBO_SPIN_UP = 3000.0f;
constexpr float WASTEGATE_OPENS = 0.95f;      // of the full boost
constexpr float TURBO_REFERENCE_SPEED = 0.4f;  // of the peak speed figure
constexpr int SCAN_POINTS = 255;
constexpr float SCAN_STEP = 0.00390625f;      // 1/256 of the redline
constexpr float CLUTCH_TORQUE_SHARE = 1.4f;   // of the greatest torque
constexpr float CLUTCH_INERTIA_SHARE = 2800.0f;
constexpr float STIFFNESS_SHARE = 4.0f;       // of the greatest torque, per radian
constexpr float SLIPPING_GRIP = 0.9f;
constexpr float CLUTCH_COOLING = 0.999996f;
constexpr float MOST_BOOST = 3.0f;
constexpr float ELECTRIC_ROOT = 0.333333f;
constexpr float START_SHARE = 0.25f;          // of the idle speed

constexpr int FIRING_FOUR_FLAT[4] = {1, 3, 2, 4};
constexpr int FIRING_FOUR[4] = {1, 3, 4, 2};
constexpr int FIRING_SIX_FLAT[6] = {1, 6, 3, 2, 5, 4};
constexpr int FIRING_SIX[6] = {1, 5, 3, 6, 2, 4};
constexpr int FIRING_V8_CROSS_PLANE[8] = {1, 8, 4, 3, 6, 5, 7, 2};
constexpr int FIRING_V8[8] = {1, 8, 5, 4, 7, 2, 3, 6};
constexpr int FIRING_EIGHT[8] = {1, 6, 2, 5, 8, 3, 7, 4};
constexpr int FIRING_TWELVE[12] = {1, 7, 5, 11, 3, 9, 6, 12, 2, 8, 4, 10};

// The friction torque at crank speed w: none when not turning forwards.
float Friction(const EngineModel& e, float w) {
  return w > 0.0f ? e.resistance * w * w + BASE_FRICTION * e.peakTorque : 0.0f;
}

// Keeps the crank and the driveline within +-32 pi, turning both by whole turns.
void WrapCrank(EngineModel& e) {
  if (e.crankAngle > CRANK_WRAP) {
    e.crankAngle -= CRANK_TURNS;
    e.drivelineAngle -= CRANK_TURNS;
  } else if (e.crankAngle < -CRANK_WRAP) {
    e.crankAngle += CRANK_TURNS;
    e.drivelineAngle += CRANK_TURNS;
  }
}

// The firing order of the engine's cylinder count and layout (numbered from 1), or null when
// the cylinders fire in their own order.
const int* FiringOrder(const EngineModel& e) {
  switch (e.cylinders) {
    case 4: return e.layout == ENGINE_FLAT ? FIRING_FOUR_FLAT : FIRING_FOUR;
    case 6: return e.layout == ENGINE_FLAT ? FIRING_SIX_FLAT : FIRING_SIX;
    case 8:
      if (e.layout != ENGINE_V) return FIRING_EIGHT;
      return e.flags & ENGINE_CROSS_PLANE ? FIRING_V8_CROSS_PLANE : FIRING_V8;
    case 12: return FIRING_TWELVE;
    default: return nullptr;
  }
}

// A figure the steps use, for SimulationFault: it must be finite, and above 0 when the steps
// divide by it.
struct Figure {
  const char* field;
  float value;
  bool divides;
};

template <size_t N>
const char* FirstFault(const Figure (&figures)[N]) {
  for (const Figure& f : figures)
    if (!std::isfinite(f.value) || (f.divides && !(f.value > 0.0f))) return f.field;
  return nullptr;
}

}  // namespace

float EngineModel::TorqueAtRpm(float w) const {
  if (!(w > 0.0f)) return 0.0f;
  const float x = (w - peakSpeed) / spread;
  float t = peakTorque / (1.0f + x * x);
  if (EASE_IN_SPEEDS * idleSpeed > w) {
    const float u = w * EASE_IN_SCALE / idleSpeed;
    t = t * (3.0f - 2.0f * u) * u * u;
  }
  if (torqueLimit != 0.0f && boostMultiplier * t - Friction(*this, w) > torqueLimit)
    t = (torqueLimit + Friction(*this, w)) / boostMultiplier;
  return t;
}

float EngineModel::NetTorqueAt(float w) const { return boostMultiplier * TorqueAtRpm(w) - Friction(*this, w); }

void EngineModel::BuildCurve(int vehicleClass) {
  const VehicleClass& row = VehicleClassRow(vehicleClass);
  if (!(turboMaxBoost > 0.0f)) turboMaxBoost = 0.0f;  // a value that is not a number too
  else if (turboMaxBoost > MOST_BOOST) turboMaxBoost = MOST_BOOST;
  if (!(engineSize > row.engineSizeMin)) engineSize = row.engineSizeMin;
  else if (engineSize >= row.engineSizeMax) engineSize = row.engineSizeMax;
  cylinders = static_cast<uint8_t>(std::clamp<int>(cylinders, 1, ENGINE_MAX_CYLINDERS));

  const float cylinderSize = engineSize / cylinders;
  const float r = std::pow(cylinderSize, CYLINDER_ROOT);
  const float W = PEAK_SPEED_FIGURE / r;
  boostMultiplier = 1.0f;
  turboInertia = turboDrag = 0.0f;
  inertia = inertiaFactor * engineSize * inertiaMul * r * r;
  peakTorque = torquePerCc * engineSize;
  resistance = engineSize * cylinderSize * resistanceMul;
  spread = spreadMul * SPREAD_SHARE * W;
  peakSpeed = camTiming * W;
  if (flags & ENGINE_TURBO) {
    boostMultiplier = turboMaxBoost + 1.0f;
    const float w0 = TURBO_REFERENCE_SPEED * W;
    const float p0 = TorqueAtRpm(w0) * w0 * TURBO_POWER_SHARE;
    turboInertia = turboInertiaMul * p0;
    turboDrag = p0 / TURBO_FULL_SPEED;
  }

  // The greatest net torque and power over 255 speeds up to the redline; the lowest speed
  // wins a tie.
  maxTorque = maxTorqueSpeed = maxPower = maxPowerSpeed = 0.0f;
  for (int i = 1; i <= SCAN_POINTS; ++i) {
    const float w = static_cast<float>(i) * redline * SCAN_STEP;
    const float n = NetTorqueAt(w);
    if (n > maxTorque) {
      maxTorque = n;
      maxTorqueSpeed = w;
    }
    if (n * w > maxPower) {
      maxPower = n * w;
      maxPowerSpeed = w;
    }
  }
  clutchCapacity = std::max(CLUTCH_TORQUE_SHARE * maxTorque, CLUTCH_INERTIA_SHARE * inertia);
  stiffness = STIFFNESS_SHARE * maxTorque;

  // Cylinder indexes from 0 in firing order.
  const int* order = FiringOrder(*this);
  for (int i = 0; i < ENGINE_MAX_CYLINDERS; ++i) {
    const int number = order && i < cylinders ? order[i] : i + 1;
    firingOrder[i] = static_cast<uint8_t>(i < cylinders ? number - 1 : number);
  }
}

void EngineModel::Recompute(int transmissionType, int vehicleClass) {
  if (transmissionType == 0) {
    inertia = stiffness = maxPower = maxPowerSpeed = maxTorque = maxTorqueSpeed = peakTorque = 0.0f;
    return;
  }
  if (transmissionType != 6) {
    BuildCurve(vehicleClass);
    return;
  }
  // An electric motor: its stored greatest torque and power make the rest.
  const float r = std::pow(maxTorque, ELECTRIC_ROOT);
  const float d = r * 0.02f * 0.5f;
  peakTorque = maxTorque;
  inertia = maxTorque * 0.1f * 0.5f * 0.5f * d * d;
  stiffness = STIFFNESS_SHARE * maxTorque;
  // The base speed, where full torque meets full power (none without torque).
  maxTorqueSpeed = maxPowerSpeed = maxTorque > 0.0f ? maxPower * torquePerCc / maxTorque : 0.0f;
}

void EngineModel::UpdateClutch() {
  if (ratio == 0.0f || !(stiffness > 0.0f)) {
    // Out of gear, or no spring to pass a torque through.
    clutchTorque = 0.0f;
    slipping = 0;
  } else {
    const float grip = (1.0f - clutchPedal) * (1.0f - clutchHeat);
    const float t = (crankAngle - drivelineAngle) * stiffness;
    float capacity = clutchCapacity * grip;
    if (slipping == 1) capacity *= SLIPPING_GRIP;
    if (t > capacity) {
      clutchTorque = capacity;
      slipping = 1;
      const float d = (t - capacity) / stiffness;
      drivelineAngle += d;
      clutchHeat += d * grip * clutchHeatRate;
    } else if (-capacity > t) {
      clutchTorque = -capacity;
      slipping = 1;
      const float d = (-capacity - t) / stiffness;
      drivelineAngle -= d;
      clutchHeat += d * grip * clutchHeatRate;
    } else {
      clutchTorque = t;
      slipping = 0;
    }
  }
  if (!slipping && clutchHeat != 0.0f) clutchHeat = clutchHeat > clutchHeatRate ? clutchHeat * CLUTCH_COOLING : 0.0f;
}

float EngineModel::UpdateTorque(float dt, float& power, float& limiter) {
  const float a = (boost + 1.0f) * throttle;
  manifoldPressure = a - 1.0f;
  const float b = (health + 1.0f) * 0.5f;
  const float t = TorqueAtRpm(speed) * a * b;
  power = speed * t;

  float drive = 0.0f;
  if (running && speed < redline) {
    const float e = speed - LIMITER_START * redline;
    if (e > 0.0f) {
      limiter = 1.0f - e * LIMITER_SLOPE / redline;
      drive = limiter * t * health * b;
    } else {
      drive = health * t * b;
    }
  } else {
    limiter = 0.0f;
  }
  const float net = drive - Friction(*this, speed) - clutchTorque;

  if (inertia > 0.0f) speed += net / inertia * dt;  // an engine without inertia is none
  if (speed < STALL_SPEED) {
    speed = smoothedSpeed = manifoldPressure = 0.0f;
  } else {
    smoothedSpeed += (speed - smoothedSpeed) * SMOOTHING_RATE * dt;
  }
  if (speed > redline) {
    const float x = (speed - redline) / redline;
    health = std::max(0.0f, health - x * x * dt);
  }
  crankAngle += speed * dt;
  WrapCrank(*this);

  if (flags & ENGINE_TURBO) {
    const float full = turboMaxBoost;
    boost = full * turboSpeed / TURBO_FULL_SPEED;
    // The wastegate opens from 0.95 of the full boost and is wide open at it.
    float gate = 0.0f;
    if (boost >= full) gate = 1.0f;
    else if (boost > WASTEGATE_OPENS * full) gate = (boost - WASTEGATE_OPENS * full) / (full - WASTEGATE_OPENS * full);
    const float drag = turboDrag * turboSpeed;
    if (turboInertia > 0.0f)
      turboSpeed += ((power * TURBO_POWER_SHARE - drag) * (1.0f - gate) - drag) * TURBO_SPIN_UP / turboInertia * dt;
  }
  return net;
}

float EngineModel::UpdateElectric(float dt, float& power, int direction) {
  const float a = std::fabs(speed);
  float drive = 0.0f;
  if (running && redline > a) {
    float t = 0.0f;
    if (direction != 1) t = throttle * (a <= maxTorqueSpeed ? peakTorque : peakTorque * maxTorqueSpeed / a);
    const float e = a - LIMITER_START * redline;
    drive = e > 0.0f ? (1.0f - e * LIMITER_SLOPE / redline) * t * health : health * t;
  }
  power = drive * a;
  if (direction == 0) drive = -drive;
  const float net = drive - clutchTorque;

  const float s = inertia > 0.0f ? speed + net / inertia * dt : speed;
  if (speed * s >= 0.0f) {
    speed = s;
  } else {
    // Through zero speed: the motor stops for this step and the driveline takes up the crank.
    speed = 0.0f;
    drivelineAngle = crankAngle;
  }
  smoothedSpeed += (a - smoothedSpeed) * SMOOTHING_RATE * dt;
  crankAngle += dt * speed;
  WrapCrank(*this);
  return net;
}

int EngineModel::Start() {
  running = 1;
  const float least = START_SHARE * idleSpeed;
  if (speed < least) {
    speed = least;
    return 1;
  }
  return 0;
}

void EngineModel::ClearState() {
  throttle = crankAngle = speed = smoothedSpeed = 0.0f;
  running = 0;
  spareState = turboSpeed = manifoldPressure = manifoldPressureSmoothed = boost = 0.0f;
  clutchPedal = drivelineAngle = 0.0f;
  slipping = 0;
  clutchTorque = 0.0f;
}

const char* EngineModel::SimulationFault(int transmissionType, int vehicleClass) const {
  if (transmissionType == TRANSMISSION_NONE) return nullptr;
  // The figures the car steps with are recomputed from the definition.
  EngineModel e = *this;
  e.Recompute(transmissionType, vehicleClass);
  if (transmissionType == TRANSMISSION_ELECTRIC) {
    const Figure figures[] = {
        {"redline", e.redline, true},
        {"maximum torque", e.maxTorque, true},
        {"inertia", e.inertia, true},
        {"maximum power", e.maxPower, false},
        {"base speed", e.maxTorqueSpeed, false},
        {"stiffness", e.stiffness, false},
    };
    if (const char* fault = FirstFault(figures)) return fault;
    // A negative power gives a negative base speed, below which the full torque never applies
    // and above which the torque turns against the motor.
    return e.maxTorqueSpeed < 0.0f ? "base speed" : nullptr;
  }
  const Figure figures[] = {
      {"torque spread", e.spreadMul, true},
      {"idle speed", e.idleSpeed, true},
      {"redline", e.redline, true},
      {"inertia multiplier", e.inertiaMul, true},
      {"spread", e.spread, true},
      {"inertia", e.inertia, true},
      {"engine size", e.engineSize, false},
      {"turbo inertia multiplier", e.turboInertiaMul, false},
      {"torque per cc", e.torquePerCc, false},
      {"torque limit", e.torqueLimit, false},
      {"cam timing", e.camTiming, false},
      {"resistance multiplier", e.resistanceMul, false},
      {"resistance", e.resistance, false},
      {"peak torque", e.peakTorque, false},
      {"peak speed", e.peakSpeed, false},
      {"turbo inertia", e.turboInertia, false},
      {"turbo drag", e.turboDrag, false},
      {"maximum power", e.maxPower, false},
      {"power speed", e.maxPowerSpeed, false},
      {"maximum torque", e.maxTorque, false},
      {"torque speed", e.maxTorqueSpeed, false},
      {"clutch capacity", e.clutchCapacity, false},
      {"stiffness", e.stiffness, false},
  };
  if (const char* fault = FirstFault(figures)) return fault;
  // The curve up to the redline, at the speeds BuildCurve scans and the redline itself.
  for (int i = 1; i <= SCAN_POINTS + 1; ++i) {
    const float w = static_cast<float>(i) * e.redline * SCAN_STEP;
    if (!std::isfinite(e.TorqueAtRpm(w)) || !std::isfinite(e.NetTorqueAt(w))) return "torque curve";
  }
  return nullptr;
}

void EngineModel::TakeClassFigures(int vehicleClass) {
  const VehicleClass& c = VehicleClassRow(vehicleClass);
  torquePerCc = c.torquePerCc;
  spreadMul = c.spreadFactor;
  camTiming = c.spreadFactor;
  resistanceMul = c.resistanceMul;
  inertiaMul = c.inertiaMul;
  idleSpeed = c.idleSpeed;
}
