// garage_page.cpp - the garage: the car on show, built from a vehicle for simulation, placed
// on the floor and stepped once per drawn frame in 1 ms steps up to the time drawn, then
// drawn from its right side.  Its car info file is written once the car is built; opened for
// a mod's cover picture it offers "take cover picture".
//
// The car's mass model's boxes stand for its body until the editor's car drawing takes its
// place; the car list and the set-up panel come with the garage's own screens.
#include <cstdio>

#include "core/frame_globals.h"
#include "core/process.h"
#include "core/report.h"
#include "core/sound_echo.h"
#include "frontend/frontend.h"
#include "physics/car.h"
#include "platform/files.h"
#include "physics/solid/solid_hooks.h"
#include "render/device.h"
#include "render/frame.h"
#include "render/image_files.h"
#include "render/matrices.h"
#include "render/render_states.h"
#include "render/render_target.h"
#include "render/screenshot.h"
#include "render/views.h"
#include "ui/text/language.h"
#include "ui/widgets.h"
#include "vehicle/car_info_file.h"

int CoverState;

namespace {

constexpr uintptr_t WORD_BACK = 0, WORD_TAKE_COVER = 1;
constexpr float VIEW_WIDTH = 8.0f, VIEW_HEIGHT = 6.0f;  // m the view shows
constexpr float VIEW_HEIGHT_CENTRE = 1.0f;              // m above the floor
constexpr float VIEW_DISTANCE = 10.0f;                  // m to the car's right

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

// From the car's right looking across it: world y to the right of the picture, z up.
void LookAtCarFromTheRight(const Car& car) {
  SetViewportFull();
  SetIdentityMatrix(WorldMatrix);
  float* m = ViewMatrix;
  SetIdentityMatrix(m);
  const float rows[3][3] = {{0, 0, -1}, {1, 0, 0}, {0, 1, 0}};
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) m[r * 4 + c] = rows[r][c];
  const float eye[3] = {static_cast<float>(car.position.x / 65536.0) + VIEW_DISTANCE,
                        static_cast<float>(car.position.y / 65536.0), VIEW_HEIGHT_CENTRE};
  for (int c = 0; c < 3; ++c) m[12 + c] = -(eye[0] * rows[0][c] + eye[1] * rows[1][c] + eye[2] * rows[2][c]);
  NearPlane = 1.0f;
  FarPlane = 100.0f;
  SetupOrthographic(nullptr, VIEW_WIDTH, VIEW_HEIGHT);
  UploadWorldMatrix(0, 0);
}

void DrawGarageCar(Car& car) {
  MatrixFloatToFixed(car.orientation, car.drawTransform.rotation);
  car.drawTransform.translation = car.position;
  LookAtCarFromTheRight(car);
  const int savedLighting = LightingMode;
  LightingMode = 4;  // the boxes' colours as they are
  RenderStates.pendingBlend = 0;
  RenderStates.pendingRaster = 6;
  RenderStates.pendingDepth = 0;
  FlushStates();
  car.BuildFrameGeometry(MASS_DRAW, car.wheelCount);
  LightingMode = savedLighting;
  RenderStates.pendingRaster = 0;
}

Prss* GarageScreenAction(Prss* process) {
  GaragePage* page = reinterpret_cast<GaragePage*>(process);
  if (!process->alive) {
    Prss* parent = process->parent;
    delete page->car;
    if (g_garage == page) g_garage = nullptr;
    delete page;
    if (parent) Prss_MakeCurrent(parent);
    return nullptr;
  }
  Car* car = page->car;
  if (car && !page->infoWritten && car->modelPresent) {
    page->infoWritten = 1;  // once: a failure is told by WriteCarInfo and not repeated
    WriteCarInfo(*car);
  }
  // The car on show steps up to the time drawn, once per frame.
  if (car) car->AccumulateRunTime();
  Prss_ActSub(process);
  if (!FrameSkipped && !process->sub) {
    AddScreenTitle("Garage", 0, 1);
    if (car && FrameBegun3D) DrawGarageCar(*car);
    if (RaceState.countdownMs > 0) DrawCountdownCaption();  // a race's countdown runs
    if (CoverState == COVER_TAKING) AddPanelButton(process, "take cover picture", WORD_TAKE_COVER, GarageButton, 0.6f);
    AddBackButton(process, WORD_BACK, GarageButton, nullptr);
  }
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
