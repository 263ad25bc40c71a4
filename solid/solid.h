// solid.h - the rigid body every car, bone and movable world object is: its record, hull
// points and triangles, the contact probe every contact search fills, and the float triple
// the physics works in.
//
// Sections: [Vectors] [Fixed conversions] [Contact probe] [Hull] [Solid] [Shared state]
//
// Layers: solid/ is the bottom of the physics room, built as its own library
// (zkt_solid) over the foundation only, so that the vehicle model's per-wheel code
// (wheel/), which the car step calls, can push on the body it stands on without
// knowing the car step above it.  What a body asks of the race and the world above goes
// through the hook tables of solid_hooks.h.
//
// Units: positions are 16.16 fixed point (65536 = 1 m) in IntVector; everything else is a
// 32-bit float in metres, seconds, kilograms and newtons.  The orientation maps body axes
// to world axes, row-major: world = R body.
//
// One step of a body, in this order (dt 0.001 s): Integrate(dt, collideTrees),
// FloorContacts(), CheckGround(), Update(dt, gravity); Update ends with AdvancePose and Move.
// Bodies that touch each other are paired between Integrate and CheckGround by their owner's
// loop (CollideWithSolid both ways, CollideWithObject for world objects).  Main thread only.
#pragma once
#include <cmath>
#include <cstdint>
#include <memory>

#include "core/fixed_math.h"

struct DrawMesh;  // a display mesh (render/), made for a body by its owner
struct FixedOb;   // a world object (world/)

// ---- [Vectors] ----
struct Vec3 {
  float x, y, z;
};

inline Vec3 operator+(const Vec3& a, const Vec3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(const Vec3& a, const Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator-(const Vec3& a) { return {-a.x, -a.y, -a.z}; }
inline Vec3 operator*(const Vec3& a, float k) { return {a.x * k, a.y * k, a.z * k}; }
inline Vec3& operator+=(Vec3& a, const Vec3& b) { return a = a + b; }
inline Vec3& operator-=(Vec3& a, const Vec3& b) { return a = a - b; }
inline float Dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 Cross(const Vec3& a, const Vec3& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float LengthSquared(const Vec3& a) { return Dot(a, a); }
inline bool IsFinite(const Vec3& a) { return std::isfinite(a.x) && std::isfinite(a.y) && std::isfinite(a.z); }
// m v for a row-major 3x3 matrix.
inline Vec3 MatrixTimes(const float m[9], const Vec3& v) {
  return {m[0] * v.x + m[1] * v.y + m[2] * v.z, m[3] * v.x + m[4] * v.y + m[5] * v.z,
          m[6] * v.x + m[7] * v.y + m[8] * v.z};
}
// mT v.
inline Vec3 MatrixTransposeTimes(const float m[9], const Vec3& v) {
  return {m[0] * v.x + m[3] * v.y + m[6] * v.z, m[1] * v.x + m[4] * v.y + m[7] * v.z,
          m[2] * v.x + m[5] * v.y + m[8] * v.z};
}

// ---- [Fixed conversions] ----
// A float already scaled to 16.16 units, rounded to nearest with ties to even (the default
// rounding mode).  Never undefined: NaN gives 0 and values beyond 32 bits saturate.
int32_t FixedFromScaled(float scaled);
// Metres to 16.16, as above.
inline int32_t FixedFromMetres(float metres) { return FixedFromScaled(metres * 65536.0f); }
inline IntVector FixedFromMetres(const Vec3& v) {
  return {FixedFromMetres(v.x), FixedFromMetres(v.y), FixedFromMetres(v.z)};
}
// a + b, held within 32 bits.
int32_t SaturatingAdd(int32_t a, int64_t b);
// (a - b) / 65536 in metres; the difference is taken in 64 bits.
inline Vec3 MetresBetween(const IntVector& a, const IntVector& b) {
  return {static_cast<float>(int64_t{a.x} - b.x) / 65536.0f, static_cast<float>(int64_t{a.y} - b.y) / 65536.0f,
          static_cast<float>(int64_t{a.z} - b.z) / 65536.0f};
}

// ---- [Contact probe] ----
struct Solid;

// What every contact search reads (world, from centre) and fills (the candidate): a hull
// point's, a wheel's, or a trunk's probe.  A new candidate wins only with a strictly greater
// strength.
struct ContactProbe {
  IntVector world;            // 16.16 world position, set by Integrate
  IntVector fromCentre;       // 16.16 offset from the centre of mass, world axes
  IntVector candidatePoint;   // 16.16 world point of the best contact found this step
  Vec3 candidateNormal;       // its surface normal (unit, world)
  uintptr_t candidateSurface; // a world object's ray test may put a pointer here; 0 otherwise
  Solid* candidateBody;       // the other body, or null
  FixedOb* candidateObject;   // the world object, or null
  int32_t candidateStrength;  // 16.16 depth ratio in (0, 1); 0 none
  uint8_t candidateKind;      // 7 the floor; a body's contact kind; a world object's own
  uint8_t candidateSubKind;
  uint8_t candidatePart;      // the segment part or mesh group a world ray test hit; 0 otherwise

  // Zeroes the candidate fields.
  void ClearCandidate();
};

constexpr uint8_t FLOOR_CONTACT_KIND = 7;

// ---- [Hull] ----
// One hull point with its contact state.
struct SolidPoint {
  Vec3 local;          // body axes
  Vec3 contactForce;   // world force of the current contact (N)
  Vec3 anchor;         // world, from the 16.16 position: the friction anchor while touching
  float lastDepth;     // penetration of the previous step (m)
  uint8_t contactState;  // 0 free, 1 penetration growing, 2 (and 3) shrinking
  uint8_t sliding;     // friction was saturated this step
  uint8_t touching;    // CheckGround accepted a candidate
  ContactProbe probe;
  Vec3 planePoint;     // of the contact plane, from the 16.16 position
  float planeGrip;     // surface grip factor of the contact
  Vec3 planeNormal;    // unit

  // Everything but the local position to zero.
  void Clear();
};

struct SolidTriangle {
  Vec3 localNormal;     // body axes
  Vec3 worldNormal;     // set by Integrate and InitState
  uint16_t corners[3];  // indices of its corner points
};

// ---- [Solid] ----
constexpr float SOLID_LEAST_MASS = 0.001f;            // lighter bodies are never stepped
constexpr float SOLID_WAKE_SPEED_SQUARED = 4.0000003e-5f;  // (m/s)^2; the float just above 4e-5
constexpr int SOLID_RESERVED_WORDS = 30;
constexpr int SOLID_MAX_TRUNKS = 64;

// The bits of Solid::flag: conditions already reported, so that each is shown once until
// it clears (reset clears them all).
constexpr uint8_t SOLID_REPORTED_NOT_FINITE = 1;
constexpr uint8_t SOLID_REPORTED_TRUNKS = 2;

// The display mesh a body's owner attached, released with the body through the world's
// hook (the owner made it).
struct CollisionMeshHandle {
  DrawMesh* mesh = nullptr;
  CollisionMeshHandle() = default;
  CollisionMeshHandle(CollisionMeshHandle&& other) noexcept : mesh(other.mesh) { other.mesh = nullptr; }
  CollisionMeshHandle& operator=(CollisionMeshHandle&& other) noexcept;
  ~CollisionMeshHandle() { Release(); }
  void Release();
};

struct Solid {
  Solid() = default;
  // A body is moved with its hull (a test or a harness remaking its record); never copied.
  Solid(Solid&&) = default;
  Solid& operator=(Solid&&) = default;
  // Leaves the physics registry and the impact lists, which point to it.
  virtual ~Solid();

  // ---- Virtual operations ----
  virtual int GetType() const { return 0; }  // 0 plain body, 1 car, 2 bone
  virtual int IsLocalCar() const { return 0; }
  // Candidates from a world object's ray test for the points one of three flags selects:
  // upperPoints above the centre of mass, else positiveYPoints with local y above 0, else
  // otherPoints.
  virtual void CollideWithObject(FixedOb* object, int upperPoints, int positiveYPoints, int otherPoints);
  // Candidates from the other body's hull for every point.
  virtual void CollideWithSolid(Solid& other);
  virtual void FloorContacts();
  virtual void CheckGround();
  virtual void Update(float dt, float gravity);
  virtual void Integrate(float dt, int collideTrees);
  virtual void Move();

  // ---- Set-up ----
  // Makes room for the hull (cleared points and triangles); the old hull is freed.
  void AllocateHull(int points, int triangles);
  // Frees the hull and releases the collision mesh.
  void FreeContacts();
  // Reset: motion, impulses, contact state and box cleared, triangle normals from the
  // orientation, reserved words preset.
  void InitState();
  // The five extents over the points' local positions (each from 0).
  void UpdateExtents();
  // Mass, centre of mass, inertia and its inverse, and radius of a thin shell of the given
  // density (kg/m^2) over the hull triangles; the caller zeroes mass and inertia first.
  void MassFromSurface(float density);
  // Each triangle's local normal from its corners (counter-clockwise seen from outside).
  void ComputeTriangleNormals();

  // ---- Step parts ----
  // Position and orientation over dt; omega receives the world angular velocity.
  void AdvancePose(float dt, Vec3& omega);
  // The contact forces of every point (called by Update).
  void CheckContact(float dt);
  // Tests one probe against this body's hull triangles.
  void PointContactWithHull(ContactProbe& probe) const;
  // Takes the impulse off this body at a 16.16 world point: linear impulse -= J and angular
  // impulse += J x r, r = (point - position) / 65536.
  void ApplyImpulseAt(const Vec3& impulse, const IntVector& point);
  // The reaction of a contact on this body: the force times the step, taken off at the
  // contact's 16.16 point.  It goes into the impulse sums, which the body's own step applies,
  // because the force sum is rebuilt by that step.
  void ApplyReaction(const Vec3& impulse, const IntVector& point) { ApplyImpulseAt(impulse, point); }
  // 1 when the other body may overlap this body's extent in x and y.
  int CollidePair(const Solid& other) const;
  // The other bodies' and the trunks' impulses into velocity and angular momentum (Integrate).
  void ApplyImpulses();
  // Zeroes velocity, angular momentum, offset, forces and impulses when any of offset,
  // velocity or angular momentum is not finite (reported once); 1 when it did.
  int StopIfNotFinite();
  // The centre of mass in world axes, from the origin.
  Vec3 WorldCentre() const { return MatrixTimes(orientation, centreOfMass); }

  // ---- Record ----
  uint8_t awake = 0;            // a sleeping body is not integrated
  uint8_t touched = 0;          // another awake body touched it this step
  uint8_t active = 0;           // set by reset; the owner switches the body's stepping with it
  uint8_t contactKind = 0;      // the kind contacts against this body's triangles take
  uint8_t contactSubKind = 0;
  uint8_t flag = 0;             // SOLID_REPORTED_ bits; cleared by reset
  uint8_t woken = 0;            // set when the body wakes up
  uint16_t ownerCode = 0;       // copied from the owning world object
  uint8_t ownerBytes[2] = {};
  float radius = 0;             // largest distance of a hull point from the origin
  float mass = 0;               // kg
  float extent[5] = {};         // body axes: largest y, smallest y, largest x, smallest x, largest z
  Vec3 centreOfMass = {};       // body axes, m from the origin
  float inertia[9] = {};        // about the centre of mass, body axes
  float inverseInertia[9] = {};
  IntVector position = {};      // 16.16 world position of the body's reference
  float orientation[9] = {};    // body to world, row-major
  Vec3 offset = {};             // m from the 16.16 position to the true origin, world axes
  Vec3 velocity = {};           // m/s of the centre of mass, world axes
  Vec3 angularMomentum = {};    // about the centre of mass, world axes
  Vec3 force = {};              // summed during the step
  Vec3 torque = {};             // summed during the step, about the body origin
  Vec3 linearImpulse = {};      // from other bodies' contacts and trunks; applied by Integrate
  Vec3 angularImpulse = {};     // the same, about the body origin
  Vec3 impulseHandedOn = {};    // what this body's contacts gave to other bodies
  float stiffness = 0;          // contact spring, N/m
  float grip = 0;               // friction coefficient of the body's contacts
  float damping = 0;            // contact damper, N s/m
  uint16_t pointCount = 0;
  uint16_t triangleCount = 0;
  std::unique_ptr<SolidPoint[]> points;
  std::unique_ptr<SolidTriangle[]> triangles;
  int32_t box[6] = {};          // 16.16 world box: smallest x, y, z, then largest x, y, z
  FixedOb* owner = nullptr;     // the world object that owns the body; drives sleeping
  CollisionMeshHandle collisionMesh;
  float reserved[SOLID_RESERVED_WORDS] = {};  // cleared by reset; words 7 to 12 preset to 255

 private:
  void TrunkContacts(float dt);
  void UpdateSleep();
};

// The floor plane z = 0 for one probe (the car's wheel probes use it too).
void FloorContactProbe(ContactProbe& probe);

// ---- [Shared state] ----
// The summed normal force of the contacts of the body last updated that touch no other
// body; set to 0 at the start of every body's Update.  The car's step reads it.
extern Vec3 GroundReactionSum;

// The world positions (16.16) of a car's wheels, for CollidePair: the car step installs it;
// until then a car has none.  Writes at most max positions and returns their count.
extern int (*CarWheelWorldPositions)(const Solid& car, IntVector* out, int max);
