// anim_screen.h - the animation editor screen: a sub-screen of the object editor in which a
// human skeleton is posed frame by frame (its movements, its poses for the seating types, or
// the vehicle's driver animation), with its keys, its mouse, its buttons and their commands,
// the undo history, the test of an animation and of a blend, the axis handles and the bone
// labels.
//
// Sections: [Screen] [Vehicle on show] [Opening and the frame] [Commands] [Poses] [Drawing]
//
// Layer: animation/, over the skeleton's layer and the object editor
// (modeller/).  The vehicle editor installs the hooks the screen reads its vehicle through.
// Main thread only.
#pragma once
#include <cstdint>
#include <vector>

#include "bone/bone.h"
#include "core/frame_globals.h"
#include "core/process.h"
#include "model/model_lod_cache.h"

struct Animation;
struct BoneTable;
struct MouseRecord;

// ---- [Screen] ----
constexpr int ANIM_FRAME_LIMIT = 32;
constexpr int SEATING_COUNT = 10;
extern const char* const SEATING_NAMES[SEATING_COUNT];
constexpr float ANIM_TEST_HEIGHT_AT_OPEN = 0.5f;
constexpr float BLEND_HEIGHT_GAP = 0.1f;
constexpr int POSE_NAME_TYPED = 15;  // the 16-byte field keeps its terminating zero

struct AnimEditorScreen {
  Prss prss;
  AnimEditor editor;                // the skeleton, rig, links, selection, drag and undo
  BoneTable* table = nullptr;
  int32_t selectedMovement = -1;    // the movement slot selected, -1 none
  int32_t selectedPose = -1, selectedSeating = -1;
  uint8_t poseHalf = 0;             // 0 the pose's low animation, 1 its high one
  uint8_t blendTest = 0;
  uint8_t testing = 0;              // the test bar is held
  int32_t testStart = -1;           // mouse x when a test began
  float testPhase = 0.0f, testHeight = ANIM_TEST_HEIGHT_AT_OPEN;
  Animation* copiedAnimation = nullptr;
  FixedTransform* copiedFrame = nullptr;
  Bone* grabSolid = nullptr;        // the drag target, drawn light green
  EditorFrameHookFn savedHook = nullptr;
  void* savedHookArgument = nullptr;
  char caption[64] = {};
  int32_t moveAxis = 0;             // "move all": 0 x, 1 y, 2 z
  std::vector<ModelBone> restBones; // the rig at open: the object editor's figure is built in them
  ModelSkeleton figureSkeleton = {};
};
extern AnimEditorScreen* OpenAnimEditorScreen;  // the open animation editor, null none

// ---- [Vehicle on show] ----
// What the screen needs of the vehicle the vehicle editor shows (driver mode); the vehicle
// editor installs them.  A null member: no vehicle on show, or the figure not known.
struct AnimVehicleLink {
  const char* (*vehicleName)();      // null or "" without a vehicle on show
  float (*steeringLock)();           // the vehicle's steering lock, radians
  float (*wheelTurn)();              // its steering-wheel turn at the reference lock, radians
  // The driver's placement in the vehicle (16.16); 0 when the vehicle seats no driver figure
  // or its figure is not one that sits in cars (the human model's flag bit 0).
  int (*driverPlacement)(FixedTransform* out);
  float* (*steeringOutput)();        // the driver's steering angle (rad at the wheels), or null
};
extern AnimVehicleLink AnimVehicleHooks;
inline bool VehicleOnShow() {
  return AnimVehicleHooks.vehicleName && AnimVehicleHooks.vehicleName() && AnimVehicleHooks.vehicleName()[0];
}

// ---- [Opening and the frame] ----
// The screen over parent (the object editor) for the table's skeleton and rig, with the
// checked links (owned from here on) and, in driver mode, the animation handed over (copied).
// The caller attaches it; the rig is at rest.
Prss* CreateAnimEditor(Prss* parent, Bone* bones, BoneTable* table, BoneLinkArray* links, void* argument);
// The object editor's check: new links for the table, or null with the fault shown on screen.
BoneLinkArray* CheckObjectEditorHierarchy(Prss* screen, Bone* bones, BoneTable* table);
void UpdateTableBones(Bone* bones, BoneTable* table);
// The positions of the table's rig solids (the modeller's bone labels).
int TableBonePositions(BoneTable* table, int32_t (*out)[3], int capacity);
Prss* AnimEditorScreenAction(Prss* process);
void AnimEditorKey(Prss* process, int keyCode);
void AnimEditorMouse(Prss* process, MouseRecord* mouse);
// Asks "Exit animation editor?" when something is unsaved, else closes.
void AskLeaveAnimEditor(AnimEditorScreen& screen);
// The phase clamped to 0..1; the steering output -(2p - 1) L scale / min(W, 3 pi), left at 0
// when W is not above 0 or the result is not finite.
void SetPhase(AnimEditorScreen& screen, float phase);
float SteeringOutputFor(float phase, float lock, float scale, float wheelTurn);
void UndoStep(AnimEditorScreen& screen);

// ---- [Commands] ----
// By button word, as the buttons and keys call them.
enum AnimFrameWord : int { FRAME_PREVIOUS = 0, FRAME_NEXT = 1, FRAME_DUP = 2, FRAME_DEL = 3 };
void FrameCommand(AnimEditorScreen& screen, int word);
void AnimCommand(AnimEditorScreen& screen, int word, int click);
void AnimFileCommand(AnimEditorScreen& screen, int word);
void SelectMovement(AnimEditorScreen& screen, int movement);
// The selected animation with a typed distance in metres added to every solid's axis
// coordinate in every frame; 0 (nothing changed) for a distance that is not finite or would
// carry a position past 32 bits.
int MoveWholeAnimation(AnimEditorScreen& screen, int axis, double metres);
// The test bar: a press keeps the mouse x and the phase; a move while held samples the
// animation at clamp(testPhase + (x - testStart) / (2 n), 0, 1).
// n is the count of frame buttons: the frames, and one more in a cyclic animation.
int StartTest(AnimEditorScreen& screen, int mouseX);
void MoveTest(AnimEditorScreen& screen, int mouseX);
int FrameButtonCount(const Animation& animation);
// "move all": asks for the distance along axis 0 x, 1 y, 2 z.
void AskMoveAll(AnimEditorScreen& screen, int axis);

// ---- [Poses] ----
void SelectPose(AnimEditorScreen& screen, int pose, int half);
void CheckPoseSeating(AnimEditorScreen& screen);
void NewPose(AnimEditorScreen& screen);
void DeletePose(AnimEditorScreen& screen);  // the confirmed delete
void RenamePose(AnimEditorScreen& screen, const char* name);
void MakePosePlain(AnimEditorScreen& screen);
void MakePoseBlend(AnimEditorScreen& screen);
// The selected half's height edited (0..1), the other kept 0.1 away.
void SetPoseHeight(AnimEditorScreen& screen, float height);
int BlendTestOffered(const AnimEditorScreen& screen);
void StartBlendTest(AnimEditorScreen& screen);
void SetTestHeight(AnimEditorScreen& screen, float height);

// ---- [Drawing] ----
// The buttons of the screen for this frame.
void DrawAnimEditor(AnimEditorScreen& screen);
// The axis handles of the selected bone (lines through the draw hook, labels as buttons).
void DrawAnimHandles(AnimEditorScreen& screen);
// The bones' labels: left click selects, right click locks.
void DrawBoneLabels(AnimEditorScreen& screen);
// The draw hook: the bones, the drag target and the handle lines in the 3D view.
void DrawAnimEditorHook(void* argument);
// The driver posed by the rig at the vehicle's driver placement (while a vehicle is on show).
void DrawAnimEditorOverlay();
int AnimationTestPlaying();
