// turbine.h - a turbine (object type 5): a model with one rotating part (a rotor the wind
// turns) or two (the hands of a clock).  Its bounds come from the model's spheres.
//
// Main thread only.
#pragma once
#include <cstdint>

#include "core/fixed_math.h"
#include "world/fixed_ob.h"

struct GouraudO3d;

// A sphere of the turbine's model in metres (model axes; x right, y forward, z up).  The
// model's own sphere and its subobjects' come from the world's model services.
struct TurbineSphere {
  float centre[3];
  float radius;
};
constexpr int TURBINE_PARTS_MAX = 8;  // subobjects beyond these are not bounded or counted

struct WTurbine : FixedOb {
  explicit WTurbine(const IntVector& at);
  void Load(DataFile& stream, int version) override;  // height, heading, model index
  // The merged sphere of the model and its parts; a one-part turbine (a rotor) is bounded
  // about its axis and gets a random phase.
  void Setup() override;
  void GetPosition(IntVector& at, float& headingOut) override;
  void SetPosition(const IntVector& at, float headingIn) override;
  // The rotor's turn over elapsed ms with the world's square root of the wind speed.
  void TurnRotor(int elapsedMs, float windRoot);

  // ---- Drawing ----
  void Free() override;
  // Releases the parts mesh (and its fast mesh); the next drawing builds it again.
  void FreeBuilt(bool) override;
  // Once a frame (when not listed yet): the parts mesh built when missing, the object on the
  // world's active list, its parts turned (a rotor by the wind, hands by the clock); without a
  // fast mesh the parts are written into temporary meshes.  Then on the world's figure list.
  void AddToDrawList() override;
  void AddToDrawListAtDistance(int32_t) override { AddToDrawList(); }
  // The fast mesh under its own matrices, or the temporary meshes.
  void Draw() override;
  // Once per group of up to four of its lights that are on: the fast mesh with light mode 0
  // (the world matrix back to identity after), or the temporary meshes with light mode 2.
  void DrawLit() override;
  // The parts mesh from the model's level 0 (nothing without a model); a mesh of more than
  // 72 points gets a fast mesh.  Its transform: the heading about z, then the anchor.  The
  // points whose colour asks for it carry the packed light of the object's lighting byte, in
  // the fast mesh and in each frame's temporary meshes.
  void BuildPartsMesh();
  // Sets the parts' turns and the whole mesh's heading for this frame.
  void TurnParts();

  int32_t model = -1;
  GouraudO3d* parts = nullptr;
  float height, heading = 0;
  uint32_t phase = 0;  // a 16-bit turn
  uint8_t spare = 0, temporaryCount = 0;
  uint16_t firstTemporary = 0;  // of this frame's temporary meshes
  uint32_t packedLight = 0;  // of the lighting byte, on the parts mesh's points that ask for it
  int partCount = 0;   // the parts counted at the set-up (a mirrored one twice)
  FixedMatrix partRest[TURBINE_PARTS_MAX] = {};  // each part's rotation as built
  int restCount = 0;
};
constexpr int TURBINE_FAST_MESH_POINTS = 72;  // a mesh of more points is drawn from a fast mesh
FixedOb* MakeTurbine(const IntVector& at);

// Merges sphere b into a: the far and near ends along the line from a's centre.
void MergeSpheres(TurbineSphere& a, const TurbineSphere& b);
// The hands' turns (16-bit) from the clock: the hour hand backwards once in 12 hours, the
// minute hand backwards once an hour.
void TurbineHandAngles(int hour, int minute, int second, uint32_t& first, uint32_t& secondHand);
