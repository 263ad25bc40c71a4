// kept_scene.h - the scene kept from the last frame that drew it: when only the interface
// changes (a blinking text cursor, a message line, a hover, a press that changes nothing in
// the 3D view), the frame draws the interface over the kept picture instead of drawing its 3D
// view and its post-processing again.
//
// The frame loop asks for a trial when nothing it knows of has made the kept scene stale.
// The act then runs as always, but what it draws into the scene's target (the HDR render
// texture, or the back buffer without HDR) is only fingerprinted (platform/gfx.h, [Content
// fingerprints]): the camera, the car, the model and everything else the 3D view shows are
// in what the drawing takes.  When the target's fingerprint at the end of the scene is the
// kept one, the act drew what was kept, and the kept picture goes to the back buffer; when it
// is not, the pass is thrown away (nothing presented) and the next pass draws the whole frame.
//
// The interface drawn over a kept picture is watched as well: while a pass draws the same
// first draws of its interface as the pass before (the blinking cursor of an entry comes
// late), they are skipped and the picture the pass before had at that point is copied in.
// A pass whose interface is not the one foreseen is thrown away too.
//
// A pass's calls, in order: StartScene before the frame start's clear, SceneStarted after it,
// EndScene after the act and what draws over its 3D view (before post-processing),
// BeginInterface once the back buffer is ready for the interface (post-processing done when
// the scene was drawn), EndInterface after it.  Main thread only.
#pragma once
#include <cstdint>

#include "platform/gfx.h"

enum SceneOutcome { SCENE_DRAWN = 0, SCENE_KEPT = 1, SCENE_CHANGED = 2 };

// The scene's target is the current one, in render target mode 0 (the back buffer) or 5 (the
// HDR render texture); other modes keep nothing.  With trial, and a picture kept of this mode
// and size, its drawing is only fingerprinted from now on: 1 then, else 0.
int StartScene(int renderTargetMode, int trial);
void SceneStarted();
// A texture the act draws afresh in each pass, for its 3D view alone (a dashboard's face):
// during a trial its drawing is only fingerprinted as well.  Nothing while no trial runs.
void DrawnWithTheScene(GfxTexture2D texture);
SceneOutcome EndScene();
// A drawn scene with a 3D view is kept (a pass without one lets go of the kept picture); a
// kept one is put back into the back buffer; a changed one's pass draws its interface
// without carrying it out.
void BeginInterface(SceneOutcome scene);
// 1 when the pass is presented; 0 when it is thrown away (the scene changed, or the
// interface drawn over the kept picture was not the one foreseen): the next pass draws again.
int EndInterface();
// After a pass's EndInterface: 1 when its back buffer is known to differ from the one the
// last presented pass left only within *changed (pixels, row 0 at the top; empty when it is
// the same picture): both drew their interface over the same kept picture, and the writes
// not in both told their reach.  0 when not known: the pass is presented whole.
int ChangedSinceShown(GfxRect* changed);
// The pass was presented as its interface left the back buffer (1), or the back buffer or
// the window took something else (0: the next pass compares with nothing).
void PassPresented(int asDrawn);
// Whether a picture is kept, and its size; the passes presented over a kept picture so far.
int KeptScenePicture(int* width, int* height);
uint32_t KeptScenePasses();
// The kept pictures go (with the device's other resources, or when the render textures are
// made again).
void ReleaseKeptScene();
