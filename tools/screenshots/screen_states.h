// screen_states.h - the program's screens in every state worth looking at, each with the way
// a user reaches it, and the driver that takes the program there: the one list the layout
// check (tests/layout) and the screenshot tool (take_screenshots.sh) both walk.
//
// Sections: [States] [Program] [Steps]
//
// A state's steps run from where the state before it in the same session left the program;
// each session starts from a fresh start of the program in a fresh copy of the working folder.
// Steps, separated by ";":
//   /...             a text command as typed ("/shift M", "/ctrl O", "/press ESCAPE")
//   click L          a left click on the button or control showing the text L (the last
//                    one added when several do); "click L | H" takes the one whose hint is H,
//                    "click | H" the one whose hint is H whatever it shows; a text ending in
//                    "*" takes what begins with the rest ("click Fuel tank size *")
//   rclick L         the same with the right button
//   type T           the open text entry gets the text T and is confirmed
//   enter T          the characters of T are typed into the open text entry, left open
//   hover L          the pointer rests a second over the button showing L
//   wheel L N        the wheel turns down N notches over what shows L (a page that scrolls)
//   drag X1 Y1 X2 Y2 the left button pressed at (X1, Y1) and moved to (X2, Y2) over a few
//                    frames, each a fraction 0..1 of the view area's width or height from its
//                    top left (the largest part of the window that no button or row covers,
//                    where the editors frame what they show); the button is left held there,
//                    so the state's frame shows what is being dragged ("drag 0.2 0.3 0.8 0.6")
//   rdrag X1 Y1 ...  the same with the right button (a 2D edit view's drag box)
//   release          the button a drag left held is let go where the pointer is (a later
//                    state of the session does it when the one before ends held)
//   wait N           N milliseconds pass, one 20 ms frame at a time
//   message T        a message line in the error colour (a failure the user is told of)
//   file P T         the file P (a path in the working folder, its folders made) is written
//                    holding the text T, each "\n" in it a new line
// Every step but the last is followed by a drawn frame; the frame after the last is the
// caller's, the one that shows the state.  Main thread only.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// ---- [States] ----
struct ScreenState {
  std::string session;  // the fresh start the state belongs to; "first run" shows the welcome page
  std::string name;     // a file name: lower-case letters, digits and "_"
  std::string steps;
  // What the state keeps in sight of the interface (ui/draw_record.h's area names): AREA_CAR,
  // the car on show, of which the information panel may cover a third; AREA_FRONT_WHEEL, the
  // wheel whose geometry the page sets, which nothing may cover; AREA_MODEL, the object
  // editor's model, and AREA_CUTOUT_FRAME, the cutouts screen's page view, as the car.
  // Empty for nothing.
  std::string keep = {};
};
extern const std::vector<ScreenState> ScreenStates;

// ---- [Program] ----
// Copies the working folder workFolder into scratchFolder (emptied first), makes it the
// current folder and starts the program there in a window of width x height, on the fake
// clock.  firstRun starts as a first run does, with the welcome page; quick draws without
// antialiasing (the check's frames, which nobody looks at).  Empty on success, else why it
// failed.
std::string StartStatesProgram(const std::string& workFolder, const std::string& scratchFolder, int width,
                               int height, int firstRun, int quick);
// Shuts the program down and goes back to the folder it was started from.
void StopStatesProgram();
// Runs the state's steps (the frame after the last is left to the caller); empty on success,
// else the step that failed and why.
std::string ReachState(const ScreenState& state);
// One drawn frame, as the frame loop draws it.
void DrawStateFrame();
// The frame that shows the state once it holds still, what a user looks at (in place of
// DrawStateFrame's), with the frame's record kept in full (ui/draw_record.h) and every text's
// glyphs left out, read back from the screen: what lies behind and around each text.  Frames
// are drawn at the program's pace while it would go on drawing by itself, then two half a
// second apart, until the two are equal outside the message and status lines (but for a
// car's idling edges) and no texture waits to load.  Empty when it held still, else what
// still moved (the picture and record are then the last frame's).
struct ShotPicture;
std::string DrawSettledStateWithoutGlyphs(ShotPicture& picture);
// The settled frame drawn again at the same moment, without the texts' glyphs, with
// everything under an open dialog (the scene, the screen's own controls) replaced by the solid
// colour rgb (0xRRGGBB), read back: what the dialog's texts stand on over any car or screen.
// The frame's record is drawn as ever.
void DrawStateOverBackdrop(uint32_t rgb, ShotPicture& picture);

// ---- [Steps] ----
std::string RunStateStep(const std::string& step);  // the step and a frame
// What the current frame shows: every button and control text, one a line (to write steps).
std::string ShownLabels();
