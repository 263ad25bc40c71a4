// object_picture.h - object pictures: an object's texture layout rendered alone into the
// square render texture "SSHOT~T" on a chosen background and put on the clipboard; and the
// editor frame operations that go with the editor views (the frame's clear to the view's
// background, the ground under the view).
//
// Sections: [Object pictures] [Editor frame]
//
// The layout puts each triangle where its texture coordinates lie on the texture (u across,
// v down), so the picture is a template to paint the texture over.  Main thread only.
#pragma once
#include <cstdint>

struct GouraudO3d;
struct Prss;
struct ZKTETexture;

// ---- [Object pictures] ----
// Background modes: 0 shaded on grey (the texture times the point colours under a light),
// 1 black and white (black triangles ringed by a white halo on black), 2 black wireframe on
// white, 3 white wireframe on black.
enum ObjectPictureMode : int { PICTURE_SHADED = 0, PICTURE_HALO = 1, PICTURE_WIRE_ON_WHITE = 2, PICTURE_WIRE_ON_BLACK = 3 };
// The object's two layers: its solid parts (material alpha mode 0) and its alpha parts.
constexpr int PICTURE_LAYER_SOLID = 1, PICTURE_LAYER_ALPHA = 2, PICTURE_LAYERS_BOTH = 3;
constexpr uint32_t EDITOR_OPTION_SMALL_PICTURE = 64;  // "Editor Options ": 1024 instead of 2048
constexpr const char* OBJECT_PICTURE_TEXTURE = "SSHOT~T";

// The picture's side: 2048, or 1024 with the small-picture bit of "Editor Options ".
int ObjectPictureSize();
// Renders the layout into "SSHOT~T" (8-bit sRGB, 4 samples, no depth, resolved on return)
// and returns it, or null after reporting "Could not create render target" or "Could not
// set render texture" (to the owner's page when it has no dialog open, else as a line).  The
// caller frees the record (FreeTextureRecord).
ZKTETexture* DrawObjectPicture(Prss* owner, const GouraudO3d& object, int layers, int mode);
// The same picture put on the clipboard (captured in place of the screen); the render
// texture is released and deleted afterwards.
void CopyObjectImageToClipboard(Prss* owner, const GouraudO3d& object, int layers, int mode);

// ---- [Editor frame] ----
// Once a frame: with a usable device the texture slots are emptied and the states applied,
// then (unless EditorDrawingOff) the target is cleared to the current view's ambient colour
// with alpha 1.  1 when it cleared this call.
int BeginEditorFrameClear();
extern int EditorFrameCleared;  // set by BeginEditorFrameClear; the frame loop clears it
extern int EditorDrawingOff;    // set by an editor that draws nothing this frame
// The editor's ground under the view: two discs at z = 0 (one seen from above, one from
// below) of 64 points each, the generated radial texture "EDGROUND~T" mapped from the
// centre; made on first use and kept until the graphics are released.
constexpr float EDITOR_GROUND_RADIUS_M = 8.0f;
void DrawEditorGround();
void ReleaseEditorGround();  // the discs' buffers and texture (the device goes or is reset)
