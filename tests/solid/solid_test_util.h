// solid_test_util.h - boxes and a one-body step for the rigid-body tests, with recording
// stand-ins of the race, the world and the report sink.
#pragma once
#include <string>
#include <utility>
#include <vector>

#include "core/report.h"
#include "solid/solid.h"
#include "solid/solid_hooks.h"

constexpr float STEP = 0.001f;
constexpr float G = -9.81f;

// An 8-point box of the given half sizes about centre (body axes), 12 outward triangles, its
// mass spread over the surface; identity orientation at a 16.16 position in metres, reset
// and awake.  Stiffness, grip and damping as given.
void MakeBox(Solid& body, Vec3 half, float mass, Vec3 at, float stiffness = 20000.0f, float grip = 1.0f,
             float damping = 20.0f, Vec3 centre = {0.0f, 0.0f, 0.0f});
// Rotation of angle radians about a unit axis into the body's orientation, then reset.
void Turn(Solid& body, Vec3 axis, float angle);
// One step of a lone body on the floor.
void StepAlone(Solid& body, float gravity, int collideTrees = 0);
// The true position of the body origin and of its centre of mass, in metres.
Vec3 OriginMetres(const Solid& body);
Vec3 CentreMetres(const Solid& body);
// ||R^T R - I|| (Frobenius).
float OrthonormalityError(const Solid& body);
// The world angular velocity from the angular momentum.
Vec3 AngularVelocity(const Solid& body);

// Reports the tests keep: every line with its colour, every sound.
struct ReportRecord {
  std::vector<std::string> lines;
  std::vector<ReportColour> colours;
  std::vector<int> sounds;
  int Count(const std::string& text) const;
};
extern ReportRecord Reports;

// A world object stand-in: its address is all the physics sees.
struct StandInObject {
  int kind = 0;  // 0 a plane through origin with normal, 1 an axis-aligned box
  IntVector origin = {};
  Vec3 normal = {0.0f, 0.0f, 1.0f};
  Vec3 half = {};  // the box's half sizes (m)
  uint8_t flags = 0;
  FixedOb* Object() { return reinterpret_cast<FixedOb*>(this); }
};

// What the recording race and world saw, and what they answer.
struct HookRecord {
  // Race.
  int reportsMovedObjects = 1, wantsWarnings = 1;
  std::vector<IntVector> movedAt;
  std::vector<float> movedRadius;
  std::vector<int> warnings;
  std::vector<Solid*> playerCars;  // null: a player without a simulated car
  int playerCount = -1;            // the race's player count; -1: as many as playerCars
  // World.
  float gravity = -9.81f;
  Vec3 wind = {};
  std::vector<TrunkRecord> trunks;  // all in one square
  int trunkColumn = 0, trunkRow = 0;  // that square, the only one under any box
  std::vector<std::pair<int, int>> squaresAsked;  // column, row of each trunk look-up
  std::vector<std::vector<int32_t>> rangesAsked;   // x0, x1, y0, y1 of each square range asked
  std::vector<FixedOb*> addedToSquares, removedFromSquares, activated;
  struct RayCall {
    FixedOb* object;
    IntVector position, fromCentre;
    int first, second, third, mode;
  };
  std::vector<RayCall> rayCalls;
  std::vector<DrawMesh*> freedMeshes;
};
extern HookRecord Hooks;

// Installs the recording report sink, race and world for the life of a test, clearing the
// records and the registry; puts the old ones back at the end.
class RecordingHooks {
 public:
  RecordingHooks();
  ~RecordingHooks();

 private:
  ReportSink sink_;
  RaceHooks race_;
  WorldHooks world_;
};
