// anim_edit.h - the animation editor's operations on its record: the frame shown and the undo
// history, the drag of a bone (start, move, cancel, end) with the mouse ray, the mirroring of
// legs and frames, the copies over frames, and the file commands.
//
// Sections: [Frames and undo] [Drag] [Mirrors and copies] [Files]
//
// Layer: animation/.  The screen that calls these from keys and the mouse sets
// the editor's view and prepared action and runs Bone::Step between the drag's moves; these
// take the editor record and plain mouse positions.  Main thread only.
#pragma once
#include <cstdint>

#include "bone/bone.h"
#include "core/fixed_math.h"

struct Animation;

// ---- [Frames and undo] ----
constexpr int ANIM_UNDO_LIMIT = 80;
constexpr const char* TEXT_NO_FRAME_SELECTED = "No frame selected";
// The index of the current frame in the selected animation, -1 none.
int CurrentFrameIndex(const AnimEditor& editor);
// The frame shown: the rig takes its transforms (at rest without one); the phase follows.
void SetCurrentFrame(AnimEditor& editor, int index);
// A deep copy of the selected animation onto the history (the oldest dropped beyond 80);
// the unsaved flag set.
void AddUndo(AnimEditor& editor);
void ClearUndo(AnimEditor& editor);
// The rig's transforms into a frame of the selected animation, time 0.
void WriteRigToFrame(AnimEditor& editor, int index);

// ---- [Drag] ----
constexpr float DRAG_GAIN_TURN = 200.0f, DRAG_GAIN_SLIDE = 1200.0f;
constexpr int64_t MOUSE_RAY_LEAST_DOT = 8193;  // |n.d| in 16.16 below this: no point
// The point (16.16) where the ray from the eye through the mouse meets the plane through
// point with normal (16.16); 0 when the ray runs too near the plane.
int MouseRay(const AnimEditor& editor, int mouseX, int mouseY, const IntVector& point, const IntVector& normal,
             IntVector& out);
// The left button pressed with a slide or turn prepared: every solid kept, the plane of a
// two-axis slide in the perspective view found, SlideBone run.  1 when the drag runs.
int StartDrag(AnimEditor& editor, int mouseX, int mouseY);
// A mouse move while dragging: the target the selected solid is pulled toward.
void MoveDrag(AnimEditor& editor, int mouseX, int mouseY);
// Another button pressed: every solid back where the drag began, the drag ended.
void CancelDrag(AnimEditor& editor);
// The left button released: the rig written into the current frame (the legs and the
// opposite frame mirrored when asked), the drag ended.
void FinishDrag(AnimEditor& editor);
// Dragging off, nothing highlighted, nothing held, the temporary lock undone.
void EndDrag(AnimEditor& editor);

// ---- [Mirrors and copies] ----
constexpr int LEG_FIRST_SOLID = 6, LEG_LAST_SOLID = 13;
// Every free or carried solid of a symmetrical bone gives its twin its mirror image.
void MirrorLegs(AnimEditor& editor);
// The rig mirrored into frame n - 1 - i of the current frame i (not the middle one).
void MirrorToOppositeFrame(AnimEditor& editor);
// Every carried solid placed in frames first..last by the reference's transform there.
void ApplyCarriedToFrames(AnimEditor& editor, int first, int last);
constexpr const char* TEXT_COPY_QUESTION = "Select copy operation";
constexpr const char* TEXT_COPY_CHILDREN = "Copy children relative to bone -> all frames";
constexpr const char* TEXT_COPY_WITH_PARENT = "Bone & children relative to parent -> all frames";
// "copy to all frames" before its question: a turn prepared and SlideBone run; 1 when the
// copy may go on.
int PrepareCopyToFrames(AnimEditor& editor);
// Operation 0: the selected bone's carried children into every frame relative to it;
// operation 1: the bone and its children relative to its parent.
void CopyToFrames(AnimEditor& editor, int operation);

// ---- [Files] ----
constexpr const char* ANIMATION_SAVE_PATTERN = "data\\move\\%s.ban";
constexpr const char* SKELETON_SAVE_PATTERN = "data\\skl\\%s.skl";
constexpr const char* ANIMATION_FOLDER = "data\\move";  // made when saving into it
constexpr const char* SKELETON_FOLDER = "data\\skl";
// "data\move\<name>.ban" from the selected animation; in driver mode the name is kept and the
// unsaved flag cleared.  1 when written; a failed write leaves both as they were.
int SaveAnimation(AnimEditor& editor, const char* name);
// The selected animation replaced by "data\move\<name>.ban" (nothing changes when it cannot
// be read); the history emptied, the first frame shown.
int LoadAnimation(AnimEditor& editor, const char* name);
// "data\skl\<name>.skl" ("QXSKEL", 252) holding the skeleton body.
int SaveSkeleton(AnimEditor& editor, const char* name);
