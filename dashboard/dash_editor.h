// dash_editor.h - the dashboard editor: a page over the vehicle editor that edits the car's
// dash block in place, rebuilding its buttons and sliders every frame and showing the
// dashboard texture as a preview square at the top right.
//
// Sections: [Page] [Block edits] [Texts]
//
// Types 1 and 2 get the analog controls, type 3 the formula display's, types 4 to 6 only the
// bottom row ("restore default settings", "load", "save", "back").  All state is the car's
// block: nothing lasts from one frame to the next but the page and its car.  Sliders write
// the block's bytes through the interface's byte sliders (ui/widgets.h).  Main thread only.
#pragma once
#include <cstdint>

#include "core/process.h"

struct Car;
struct VehicleData;

// ---- [Page] ----
struct DashEditorPage {
  Prss prss;
  Car* car;
};

// The page over parent on the car, made current (its background when it has one); the caller
// attaches it as the parent's sub-screen.  Enter, Escape, Q and X close it.
DashEditorPage* CreateDashEditorPage(Prss* parent, Car* car);
// Each frame: the sub-screen (a question, the text entry) alone while it is open; else the
// car's lamp mask refreshed, the preview square, the controls of the dash type and the bottom
// row.  Null once the page was closed and freed.
Prss* DashEditorScreenAction(Prss* page);

// ---- [Block edits] ----
// The manual speedometer maximum byte (5 km/h steps) for a top speed (m/s): the speed in
// km/h cut to whole tens, held to 6..144.
int DashSpeedometerManualMaximum(float topSpeed);
constexpr int DASH_SPEEDOMETER_LEAST = 6, DASH_SPEEDOMETER_MOST = 144;
// The manual tachometer maximum byte (500 rpm steps) for a maximum engine speed (rad/s):
// the next step above it, held to 4..60 and made even.
int DashTachometerManualMaximum(float maxEngineSpeed);
constexpr int DASH_TACHOMETER_LEAST = 4, DASH_TACHOMETER_MOST = 60;
// Type 3: the tachometer changes kind (flag 0x4), its bytes 4..15 taking the new kind's
// defaults; the gear display changes kind (flag 0x1) with its box.
void FlipDashTachometerKind(VehicleData& car);
void FlipDashGearKind(VehicleData& car);
// Types 1 and 2: the multi-function display's style; a change to style 1 sizes its rectangle
// 16 x 24, a change to 2 or 3 from neither 32 x 8.
void SetDashDisplayStyle(VehicleData& car, int style);

// ---- [Texts] ----
constexpr const char* TEXT_DASH_NOT_SAVED = "This type of dash cannot yet be saved";
constexpr const char* TEXT_DASH_LOAD_PROMPT = "Enter name of dash to LOAD";
constexpr const char* TEXT_DASH_SAVE_PROMPT = "Enter name of dash to SAVE";
constexpr const char* TEXT_DASH_UNIT_TEST = "Select mph or km/h to check the speedo with that user setting";
constexpr const char* TEXT_DASH_LOADED = "Dash loaded :";
// The second multi-function display style's label (the other three: "NONE", "123" and the
// three symbol glyphs).
constexpr const char* DASH_DISPLAY_STYLE_CODE = "ZKT";
constexpr int DASH_NAME_LENGTH = 32;
