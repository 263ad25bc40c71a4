// garage_gpu_test.cpp - the garage as a user meets it (editor_window_harness.h): opened from
// the entry page on our road car, the car on show steps with the drawn frames, settles on its
// springs, stops while the window has no focus, drops what lags more than a second, settles
// again after a set-up edit, and stands placed again after its motion ran away.
#include <SDL2/SDL.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "core/sound_echo.h"
#include "editor_window_harness.h"
#include "frontend/frontend.h"
#include "physics/car.h"
#include "platform/clock.h"
#include "platform/window.h"
#include "solid/solid_hooks.h"
#include "tests/physics/static_balance.h"
#include "ui/text_draw.h"
#include "world/race_state.h"

namespace {

class Garage : public CarWindow {
 protected:
  static void PushFocus(bool gained) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = PlatformWindowId();
    e.window.event = gained ? SDL_WINDOWEVENT_FOCUS_GAINED : SDL_WINDOWEVENT_FOCUS_LOST;
    ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError();
  }
  // The car at rest at its static balance: the springs hold their wheels' loads (2 %).
  static void ExpectSettled(const Car& car, const char* when) {
    SCOPED_TRACE(when);
    EXPECT_FALSE(car.frozen);
    EXPECT_LT(car.speed, 0.01f);
    ExpectStaticBalance(car, StaticBalanceShares{0.02, 0.02, 0.02});
  }
  // The value control of the last frame showing the text.
  static const ValueControl* ControlShowing(const char* text) {
    char shown[128];
    for (int i = ValueControlCount - 1; i >= 0; --i)
      if (ValueControlText(ValueControls[i], shown, sizeof shown) && std::strcmp(shown, text) == 0) return &ValueControls[i];
    return nullptr;
  }
  // Shown message lines that hold the text.
  static int MessageCount(const char* text) {
    int n = 0;
    for (int i = 0; i < MessageLineCount; ++i) n += std::strstr(MessageLines[i].text, text) ? 1 : 0;
    return n;
  }
};

TEST_F(Garage, TheCarOnShowStepsWithTheFramesSettlesAndComesBackPlaced) {
  // The entry page's "garage" button: the panel's label column, from y 0.45 down one row.
  const PanelLayout& l = CurrentPanelLayout();
  ClickAt(int((1.0 + (l.labelX1 + l.labelX2) / 2) / 2 * WIDTH), int((1.0 + 0.45 + l.rowHeight / 2) / 2 * HEIGHT));
  Car* car = GarageCar();
  ASSERT_NE(car, nullptr) << "the road car is built for simulation";
  EXPECT_TRUE(car->showCar);
  EXPECT_TRUE(car->simulated);
  EXPECT_EQ(Echo.ready, 1) << "the echo is made ready for the car's sound";
  EXPECT_EQ(Echo.lines[0].delay, 462u);

  // A race's countdown shows its caption; none shows none.
  static std::vector<std::string> captions;
  captions.clear();
  CountdownCaptionDrawer = [](const char* text, uint32_t) { captions.push_back(text); };
  Frame();
  RaceState.state = 1;
  RaceState.countdownMs = 2500;
  Frame();
  RaceState = RaceWords{};
  CountdownCaptionDrawer = DrawCentredCaption;
  EXPECT_EQ(captions, std::vector<std::string>{"Race starts in 3 seconds"});

  // Each drawn frame steps its milliseconds.
  for (int k = 0; k < 5; ++k) {
    const uint32_t before = car->stepCount;
    ClockAdvanceFake(FRAME_MS);
    Frame();
    EXPECT_EQ(car->stepCount - before, SimFrameTime) << k;
    EXPECT_EQ(car->stepClock, car->runTime);
  }
  Settle(3000);
  ExpectSettled(*car, "within 3 s");
  float rearTravel = 0.0f;
  for (int i = 0; i < car->wheelCount; ++i)
    if (car->wheels[i].wheelSet == 0) rearTravel = car->wheels[i].travel;

  // Without the focus the run time stands, and nothing catches up afterwards.
  PushFocus(false);
  Frame();
  const uint32_t stopped = car->runTime;
  Run(500);
  EXPECT_EQ(car->runTime, stopped);
  PushFocus(true);
  ClockAdvanceFake(FRAME_MS);
  Frame();
  EXPECT_LE(car->runTime - stopped, 2 * FRAME_MS) << "no catching up";

  // A frame of 2 s steps one second: the lag beyond is dropped.
  const uint32_t before = car->stepCount;
  ClockAdvanceFake(2000);
  Frame();
  EXPECT_EQ(car->stepCount - before, CAR_MOST_LAG_MS);

  // The rear springs halved: set up again, the rear stands at its new static height.
  const int spring = SETUP_AXLE[0] + AXLE_SPRING;
  SetSetupFloat(car->currentSetup, spring, SetupFloat(car->currentSetup, spring) * 0.5f);
  GarageSetupEdited();
  Settle(3000);
  ExpectSettled(*car, "after the set-up edit");
  for (int i = 0; i < car->wheelCount; ++i)
    if (car->wheels[i].wheelSet == 0) {
      EXPECT_GT(car->wheels[i].travel, rearTravel * 1.5f) << "the rear sinks";
    }

  // A motion that is not a number: the car stands placed again, with one message.
  car->velocity.x = NAN;
  Run(100);
  EXPECT_FALSE(car->frozen);
  EXPECT_EQ(car->showCarPlacements, 1);
  EXPECT_EQ(MessageCount(TEXT_SHOW_CAR_PLACED), 1);
  EXPECT_EQ(MessageCount(TEXT_CAR_MOTION_OUT_OF_RANGE), 0) << "one message: the placement's";
  Settle(3000);
  ExpectSettled(*car, "placed again");

  // On every tab the car stands on the floor under the settings' sky, the panel beside it
  // covering at most a third of the car's box (the box of its blue body's pixels).
  for (const char* tab : {"Info", "Colours", "Brakes / TC", "Suspension", "Steering", "Final Drive", "Tyres",
                          "Downforce", "Passengers"}) {
    SCOPED_TRACE(tab);
    const ValueControl* t = ControlShowing(tab);
    ASSERT_NE(t, nullptr);
    ClickControl(*t);
    Frame();
    const Picture p = Shot("garage");
    ASSERT_EQ(p.width, WIDTH);
    int left = WIDTH, top = HEIGHT, right = -1, bottom = -1;
    for (int y = 0; y < HEIGHT; ++y)
      for (int x = 0; x < WIDTH; ++x)
        if (IsBlue(p.At(x, y))) left = std::min(left, x), top = std::min(top, y), right = std::max(right, x), bottom = std::max(bottom, y);
    ASSERT_GT(right - left, WIDTH / 5) << "the car is drawn";
    ASSERT_GT(bottom - top, HEIGHT / 20);
    float pl = 1.0f, pt = 1.0f, pr = -1.0f, pb = -1.0f;  // the panel: its controls between the title and back
    for (int i = 0; i < ValueControlCount; ++i) {
      const ValueControl& c = ValueControls[i];
      if (c.top < -0.85f || c.bottom > 0.85f) continue;
      pl = std::min(pl, c.left), pt = std::min(pt, c.top), pr = std::max(pr, c.right), pb = std::max(pb, c.bottom);
    }
    const auto pixelX = [](float x) { return (x + 1.0f) * 0.5f * WIDTH; };
    const auto pixelY = [](float y) { return (y + 1.0f) * 0.5f * HEIGHT; };
    const float across = std::max(0.0f, std::min(pixelX(pr), float(right)) - std::max(pixelX(pl), float(left)));
    const float down = std::max(0.0f, std::min(pixelY(pb), float(bottom)) - std::max(pixelY(pt), float(top)));
    EXPECT_LE(across * down, float(right - left) * float(bottom - top) / 3.0f)
        << "the car's box " << left << ".." << right << " x " << top << ".." << bottom;
    // Not the black of a plain page: the sky's colour in the top right corner, and under the
    // car the lit floor, brighter than the sky far off.
    const uint8_t* sky = p.At(WIDTH - 4, 4);
    EXPECT_FALSE(p.Black(WIDTH - 4, 4));
    EXPECT_TRUE(IsGrey(sky)) << int(sky[0]) << " " << int(sky[1]) << " " << int(sky[2]);
    const uint8_t* floor = p.At((left + right) / 2, std::min(bottom + 40, HEIGHT - 1));
    EXPECT_GT(floor[0] + floor[1] + floor[2], sky[0] + sky[1] + sky[2] + 30) << "the floor under the car";
  }

  Key(27);  // Escape leaves the garage
  Frame();
  EXPECT_EQ(GarageCar(), nullptr);
}

}  // namespace
