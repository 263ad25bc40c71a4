// wheel_reference.h - the per-wheel formulas transcribed once more, in double precision,
// for the tests to check the single-precision code against: the brush model and one
// touching tyre step on a car standing level (no steer), before the suspension.
#pragma once
#include <algorithm>
#include <cmath>

#include "wheel/wheel.h"

struct BrushD {
  double fl, fs, mz, fraction, friction, power;
};

// The 20-slice patch over the pressure table that InitWheelTables filled.
inline BrushD BrushModelD(double a, double d, double sx, double sy, double v, double k, double g, double b, double mu,
                          double r, double n) {
  BrushD out = {};
  const double L = 2 * a, w = 0.05 * L, c = d * g * 0.25;
  const double p = 0.75 * n / a, m = std::cbrt(p * p * 200000 * b) * 1.1 * mu, h = 20 * v / L;
  double ol = 0, os = 0, s = 0;
  for (int i = 0; i < 20; ++i) {
    const double x = a - w / 2 - i * w, F = WheelPressureTable[i] * m, u = (a - x) * k;
    double fl = u * sx - ol, fs = ((x + a) * c / (a * a) + sy) * u - os;
    if (F * F < fs * fs + fl * fl) {
      out.fraction += 0.05;
      const double M = std::sqrt(fs * fs + fl * fl), q = F / M;
      ol += (1 - q) * fl;
      os += (1 - q) * fs;
      const double ds = (1 - q) * M / k;
      s += ds;
      const double e = std::exp(s / -0.002), blend = (1 - e) * r + e;
      out.friction += blend * F * w;
      out.power += ds * h * blend * F * w;
      fs *= blend * q;
      fl *= blend * q;
    }
    out.fl += fl * w;
    out.fs += fs * w;
    out.mz += fs * x * w;
  }
  return out;
}

struct V3 {
  double x, y, z;
};
inline V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline V3 operator*(V3 a, double k) { return {a.x * k, a.y * k, a.z * k}; }
inline double DotD(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline V3 CrossD(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
inline V3 D3(const Vec3& v) { return {v.x, v.y, v.z}; }

struct TyreStepD {
  bool touching;
  double deflection, normalForce, gripFactor, patchLength, sliding, slidingEnergy;
  double dl, ds, twist, spinTorque, treadGrip;
  double rollingTorque;  // N m: the rolling resistance, taken like a brake's torque
  V3 force;  // Fw before the suspension: normal and tangential force plus E
  V3 aligningMoment;
};

// One touching step of a wheel whose car stands level with no steer: w is the wheel as it
// was before the call, centre its world centre, velocity the car's, outside the force put in.
inline TyreStepD TyreStepReference(const CarWheel& w, const SuspensionBlock& set, V3 centre, V3 velocity, V3 outside,
                                   double dt, double gravity) {
  TyreStepD out = {};
  const double R = set.rollingRadius, width = set.sectionWidth, wc = set.heatCapacityWidth;
  const V3 s = D3(w.spinAxis), P = centre + D3(w.contactOffset), n = D3(w.groundNormal);
  const V3 E = {outside.x, outside.y, outside.z + double(w.unsprungMass) * gravity};
  const V3 c = CrossD(n, s);
  const V3 f = c * (1 / std::sqrt(DotD(c, c))), l = CrossD(f, n);
  const double lambda = std::min(double(w.deformLateral) / R, 0.5);
  const double sc = -DotD(s, n), g = sc - lambda, cc = std::sqrt(1 - sc * sc);
  V3 o = ((l * sc + n * cc) - n) * double(set.profileRadius);
  const double across = std::fabs(DotD(o, l));
  if (across > width / 2) o = o * (width / 2 / across);
  if (std::fabs(sc) > 0.866) o = o * ((1 - std::fabs(sc)) / 0.134);
  const int k = static_cast<int>(std::lrint(double(w.rotationAngle) * 2.546479)) & 15;
  const TreadSector& tread = w.sectors[k];
  const double t0 = 0.03 * R;
  const double d = DotD(n, D3(w.groundPoint) - (P + o)) +
                   (double(tread.thickness[0]) + tread.thickness[1] + tread.thickness[2]) * 0.333333 -
                   t0;
  out.deflection = d;
  if (!(d > 0)) return out;
  out.touching = true;
  double Fn = (d - w.deflection) / dt * set.treadDamping;
  const double rho = d / R, a = (2.25 * std::sqrt(rho) + rho) * 0.4 * R;
  const double q = double(w.spinRate) * dt * R;
  // Lanes, rolling heat and grip by temperature.
  const double lane[3] = {std::max(0.0, d - g * width / 2), d, std::max(0.0, d + g * width / 2)};
  const double Cl = R * 0.001 * wc * 910 * 2000,
               Topt = double(TyreCompounds[set.compoundIndex].optimumTemperatureC) + 273.15;
  double weighted = 0, loads = 0;
  for (int j = 0; j < 3; ++j) {
    const double tau = (double(tread.contactHeat[j]) / Cl - Topt) / 60;
    weighted += (0.8 + 0.2 / (tau * tau + 1)) * w.gripCoefficient * lane[j];
    loads += lane[j];
  }
  const double G = weighted / loads;
  out.treadGrip = G;
  double tau = w.spinTorque;
  // The rolling resistance: the heat of one radian rolled.
  const double perRadian = double(set.rollingHeat) * 800 * R;
  out.rollingTorque = 0;
  for (int j = 0; j < 3; ++j) out.rollingTorque += double(tread.thickness[j]) * perRadian * 600 * set.treadContactWidth * lane[j];
  out.rollingTorque += (lane[0] + lane[2]) * width * 0.02 * perRadian * 100;
  // Movement, load, grip.
  const V3 delta = w.contactKind == 2 ? velocity * dt : P - D3(w.lastReference);
  const double N = double(w.radialStiffness) * d;
  Fn += N;
  double r = 1, grip = G, patch = 0, gripFactor;
  const double rimDeflection = std::max(double(set.maxDeflection), 0.01);
  if (d <= rimDeflection) {
    patch = 2 * a;
    const double ls =
        std::cbrt(std::pow(0.75 * N / a, 2) * 200000 * set.treadContactWidth) * a * WheelPressureIntegral / N;
    if (!SurfaceGrips[SurfaceRow(w.surfaceKind)].loose) {
      r = 0.75;
      grip = G * (1 - tread.coat);
    }
    gripFactor = ls * grip;
  } else {
    gripFactor = 0.25;
    Fn += (d - rimDeflection) * 200000.0;  // the harness car's contact stiffness
  }
  const double F = gripFactor * N, kt = w.treadStiffness;
  const double sl = q - DotD(delta, f), ss = -DotD(delta, l);
  // A contact the car's step made has its deformation rebuilt along today's directions.
  const V3 previous = w.contactKind == 2 && w.groundContact
                          ? f * double(w.deformLongitudinal) + l * double(w.deformLateral)
                          : D3(w.deformation);
  double dl, ds, twist = w.twist, sliding, energy;
  V3 align = {};
  const bool simple = std::fabs(w.spinRate) < 3.14159265 || patch == 0;
  if (simple) {
    const double rs = q < 0 ? -R : R, dl0 = DotD(previous, f), ds0 = DotD(previous, l);
    const V3 inc = f * ((rs - dl0) * (q / rs)) + l * (-(q / rs) * ds0) - delta;
    dl = DotD(inc, f) + dl0;
    ds = DotD(inc, l) + ds0;
    if ((kt * dl) * (kt * dl) + (kt * ds) * (kt * ds) <= (F * r) * (F * r)) {
      sliding = 0;
      energy = 0;
    } else {
      const double scale = F * r / (kt * std::sqrt(dl * dl + ds * ds));
      dl *= scale;
      ds *= scale;
      sliding = 1;
      energy = std::sqrt(ss * ss + sl * sl) * F * r;
    }
  } else {
    const BrushD b = BrushModelD(a, d, sl / q, ss / std::fabs(q), std::fabs(double(w.spinRate)) * R, set.brushStiffness,
                                 g, set.treadContactWidth, grip, r, N);
    sliding = b.fraction;
    double fl = b.fl, mz = b.mz;
    if (q >= 0)
      mz = -mz;
    else
      fl = -fl;
    align = n * mz;
    energy = b.power * dt;
    const double h = std::min(1.0, std::fabs(q) / patch);
    dl = w.deformLongitudinal + (fl / kt - w.deformLongitudinal) * h;
    ds = w.deformLateral + (b.fs / kt - w.deformLateral) * h;
    twist += (mz / w.twistStiffness - twist) * h;
  }
  const V3 deformation = f * dl + l * ds;
  V3 force = deformation * kt;
  if (simple) force = force + (deformation - previous) * (double(set.treadDamping) / dt);
  tau -= DotD(force, f) * R;
  out.normalForce = Fn;
  out.gripFactor = gripFactor;
  out.patchLength = patch;
  out.sliding = sliding;
  out.slidingEnergy = energy;
  out.dl = dl;
  out.ds = ds;
  out.twist = twist;
  out.spinTorque = tau;
  out.force = n * Fn + force + E;
  out.aligningMoment = align;
  return out;
}
