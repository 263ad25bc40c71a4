// garage_page.cpp - the garage: the car on show, built from a vehicle for simulation, placed
// on the floor and stepped once per drawn frame in 1 ms steps up to the time drawn, then
// drawn from its right side.  Its car info file is written once the car is built; opened for
// a mod's cover picture it offers "take cover picture".
//
// The car is drawn as the garage picture draws it; the car list and the set-up panel come with
// the garage's own screens.
#include <algorithm>
#include <cstdio>

#include "core/frame_globals.h"
#include "core/process.h"
#include "core/report.h"
#include "core/sound_echo.h"
#include "frontend/frontend.h"
#include "info_panel/colour_marks.h"
#include "info_panel/info_panel.h"
#include "info_panel/info_panel_layout.h"
#include "physics/car.h"
#include "platform/files.h"
#include "render/device.h"
#include "render/frame.h"
#include "render/image_files.h"
#include "render/screenshot.h"
#include "solid/solid_hooks.h"
#include "text/language.h"
#include "ui/widgets.h"
#include "vehicle/car_drawing.h"
#include "vehicle/car_info_file.h"
#include "vehicle/garage_picture.h"
#include "world/race_state.h"

int CoverState;
float GarageFuelPerLap = 0.0f;

namespace {

constexpr uintptr_t WORD_BACK = 0, WORD_TAKE_COVER = 1;
constexpr uint16_t GARAGE_HEADING = 0xC000;  // the camera on the car's right (+x), looking across it
constexpr float GARAGE_DISTANCE = 7.0f;      // m from the car's reference point
constexpr float GARAGE_FIELD = 1.0f;
constexpr int GARAGE_SKY_MODE = 1;           // the sky as it is: no refresh of the shine
constexpr int GARAGE_TYRE_MAKERS = 7;        // the rows of the set-up's tyre maker byte
// The car's room (normalised screen units): from near the left edge to a gap before the
// panel, between the title (down to -0.85) and the back button (from 0.85).
constexpr float GARAGE_ROOM_LEFT = -0.96f, GARAGE_ROOM_GAP = 0.04f, GARAGE_ROOM_HALF_HEIGHT = 0.78f;

struct GaragePage {
  Prss prss;
  Car* car;
  uint8_t infoWritten;
};
GaragePage* g_garage = nullptr;

// The frame as drawn, as "cover.png" (replacing an older one).  1 when it was written.
int TakeCoverPicture() {
  GfxTexture2D shot = GetScreenshotTexture();
  if (!shot) return 0;
  FileRemove(COVER_PICTURE);
  const GfxResult r = SaveWICTextureToFile(Gfx.context, shot, IMAGE_PNG, COVER_PICTURE, GFX_FORMAT_UNKNOWN, nullptr);
  GfxRelease(shot);
  return GfxFailed(r) ? 0 : 1;
}

void GarageButton(void* owner, int, uintptr_t word) {
  if (word == WORD_TAKE_COVER && CoverState == COVER_TAKING && TakeCoverPicture()) CoverState = COVER_MADE;
  Prss_Terminate(&static_cast<GaragePage*>(owner)->prss);
}

// ---- The information panel's callbacks ----
// The garage edits its car's current set-up in place; every change sets the car up again.

Car* OwnersCar(void* owner) { return static_cast<GaragePage*>(owner)->car; }

void GarageSetupChanged(void* owner, int, uintptr_t) {
  Car* car = OwnersCar(owner);
  if (!car) return;
  ApplySymmetricSetup(car->currentSetup);
  car->SetupFromVehicle(1);
}

// A paint change: the car's meshes are made again with the new colours.
void GarageColourChanged(void* owner, int, uintptr_t) {
  if (Car* car = OwnersCar(owner)) car->ReleaseMeshes();
}

void GarageStepTyre(void* owner, int, uintptr_t word) {
  Car* car = OwnersCar(owner);
  if (!car || word > 5) return;
  uint8_t* bytes = car->currentSetup.bytes;
  const bool up = word % 2 == 1;
  if (word < 4) {
    int least = 0, most = 0;
    car->GetTyreTypeRange(least, most);
    if (most < least) most = least;
    uint8_t& type = bytes[SETUP_AXLE[word < 2 ? 0 : 1] + AXLE_TYRE_TYPE];
    type = static_cast<uint8_t>(WrappedStep(type, least, most, up));
  } else {
    uint8_t& maker = bytes[SETUP_TYRE_MAKER];
    maker = static_cast<uint8_t>(WrappedStep(maker, 0, GARAGE_TYRE_MAKERS - 1, up));
  }
  car->ReleaseMeshes();
  car->SetupFromVehicle(1);
}

void GarageStepDifferential(void* owner, int, uintptr_t word) {
  Car* car = OwnersCar(owner);
  if (!car || word > 5) return;
  uint8_t* bytes = car->currentSetup.bytes;
  const int which = static_cast<int>(word / 2);
  uint8_t& kind = which == 2 ? bytes[SETUP_CENTRE_DIFFERENTIAL] : bytes[SETUP_AXLE[which] + AXLE_DIFFERENTIAL];
  kind = static_cast<uint8_t>(WrappedStep(kind, 0, which == 2 ? 1 : SETUP_MOST_DIFFERENTIAL, word % 2 == 1));
  car->SetupFromVehicle(1);
}

void GarageStepConfiguration(void* owner, int, uintptr_t word) {
  Car* car = OwnersCar(owner);
  if (!car || car->configCount <= 0 || word > 1) return;
  uint8_t& current = car->currentSetup.bytes[SETUP_CONFIGURATION];
  const int last = std::min(car->configCount, VEHICLE_MAX_CONFIGS) - 1;
  current = static_cast<uint8_t>(WrappedStep(std::min<int>(current, last), 0, last, word == 1));
  car->ReleaseMeshes();
  car->SetupFromVehicle(1);
  ScanCarColourMarks(car);  // the colours the configuration shows
}

void GaragePassengers(void* owner, int, uintptr_t word) {
  Car* car = OwnersCar(owner);
  if (!car || word > 15) return;
  ApplyPassengerWord(car->currentSetup, word);
  car->SetupFromVehicle(1);
}

void GarageSwitch(void* owner, int, uintptr_t word) {
  Car* car = OwnersCar(owner);
  if (!car || word > 5) return;
  ApplySwitchWord(car->currentSetup, word);
  car->SetupFromVehicle(1);
}

void GarageNothing(void*, int, uintptr_t) {}

void DrawGaragePanel(GaragePage& page) {
  InfoPanelArgs a;
  a.owner = &page.prss;
  a.onSetupChanged = GarageSetupChanged;
  a.onBodyColour = GarageColourChanged;
  a.onWheelColour = GarageColourChanged;
  a.onStepTyre = GarageStepTyre;
  a.onStepDifferential = GarageStepDifferential;
  a.onStepConfiguration = GarageStepConfiguration;
  a.onPassengers = GaragePassengers;
  a.onSwitch = GarageSwitch;
  a.onSkin = GarageNothing;
  a.onStrategy = GarageNothing;
  a.car = page.car;
  a.fuelPerLap = GarageFuelPerLap;
  a.inEditor = 0;
  SetFullScreenInfoPanelLayout();
  DrawVehicleInfoPanel(a);
  ResetInfoPanelLayout();
}

// The car from its right and an eighth of a turn above, standing on the editors' floor and
// lit by the settings' sun, sky and ground colours, fitted into the room between the title,
// the back button and the panel; the drawing steps it to the frame's time.  1 when drawn.
int DrawGarageCar(Car& car) {
  EditorCarPicture p{};
  p.heading = GARAGE_HEADING;
  p.distance = GARAGE_DISTANCE;
  p.fieldFactor = GARAGE_FIELD;
  p.room[0] = GARAGE_ROOM_LEFT;
  p.room[1] = -GARAGE_ROOM_HALF_HEIGHT;
  p.room[2] = FULL_SCREEN_PANEL_LEFT - GARAGE_ROOM_GAP;
  p.room[3] = GARAGE_ROOM_HALF_HEIGHT;
  p.floor = 1;
  CarViewSettings settings{};
  settings.graphicsOptions = 0xFFFFFFFF;
  settings.driverOption = 1;
  settings.skyMode = GARAGE_SKY_MODE;
  return DrawEditorCar(car, p, settings);
}

Prss* GarageScreenAction(Prss* process) {
  GaragePage* page = reinterpret_cast<GaragePage*>(process);
  if (!process->alive) {
    delete page->car;
    if (g_garage == page) g_garage = nullptr;
    return Prss_Free(process, page);
  }
  Car* car = page->car;
  if (car && !page->infoWritten && car->modelPresent) {
    page->infoWritten = 1;  // once: a failure is told by WriteCarInfo and not repeated
    WriteCarInfo(*car);
  }
  Prss_ActSub(process);
  int stepped = 0;
  if (!FrameSkipped && !process->sub) {
    AddScreenTitle("Garage", 0, 1);
    if (car && FrameBegun3D) stepped = DrawGarageCar(*car);
    if (car) DrawGaragePanel(*page);
    if (RaceState.countdownMs > 0) DrawCountdownCaption();  // a race's countdown runs
    if (CoverState == COVER_TAKING) AddPanelButton(process, "take cover picture", WORD_TAKE_COVER, GarageButton, 0.6f);
    AddBackButton(process, WORD_BACK, GarageButton, nullptr);
  }
  // The car on show steps up to the time drawn, once per frame (its drawing steps it); it
  // keeps the frames coming while it moves (KeepDrawing), and so does a race's countdown.
  if (car && !stepped) car->AccumulateRunTime();
  if (RaceState.countdownMs > 0) KeepDrawing = 1;
  if (!FrameSkipped) Prss_RestAfterDrawing(process);
  return process;
}

}  // namespace

Prss* OpenGaragePage(Prss* parent, const char* vehicleName) {
  GaragePage* page = Prss_New<GaragePage>();
  Prss_Init(&page->prss, parent, GarageScreenAction, EscapeQuitKey, Prss_SimpleMouse, nullptr, nullptr);
  page->infoWritten = 0;
  page->car = new Car;
  const VehicleLoadArgs args = {0, 0, 0, nullptr, 0, nullptr, 1, {0, 0}, 1, nullptr, 0};
  if (!page->car->LoadVehicle(vehicleName, args)) {
    char text[96];
    std::snprintf(text, sizeof text, "Garage : could not load %s", vehicleName);
    ReportLine(text, REPORT_ERROR);
    delete page->car;
    page->car = nullptr;
  } else {
    page->car->showCar = 1;
    page->car->PlaceAt(0, 0, 0.0f);
  }
  ScanCarColourMarks(page->car);  // the Colours page offers what this car's model paints
  // The sound of a screen that shows a car: the listener at the camera, the echo ready.
  ResetSoundListener();
  InitEchoDelayLines();
  g_garage = page;
  Prss_MakeCurrent(&page->prss);
  return &page->prss;
}

Car* GarageCar() { return g_garage ? g_garage->car : nullptr; }

void GarageSetupEdited() {
  Car* car = GarageCar();
  if (car) car->SetupFromVehicle(1);
}
