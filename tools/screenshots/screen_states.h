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
//   wait N           N milliseconds pass, one 20 ms frame at a time
//   message T        a message line in the error colour (a failure the user is told of)
//   file P T         the file P (a path in the working folder, its folders made) is written
//                    holding the text T, each "\n" in it a new line
// Every step but the last is followed by a drawn frame; the frame after the last is the
// caller's, the one that shows the state.  Main thread only.
#pragma once
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

// ---- [Steps] ----
std::string RunStateStep(const std::string& step);  // the step and a frame
// What the current frame shows: every button and control text, one a line (to write steps).
std::string ShownLabels();
