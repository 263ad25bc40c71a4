// garage_gpu_test.cpp - the garage as a user meets it (editor_window_harness.h): opened from
// the entry page on our road car, the car on show steps with the drawn frames, settles on its
// springs, stops while the window has no focus, drops what lags more than a second, settles
// again after a set-up edit, and stands placed again after its motion ran away.
#include <SDL2/SDL.h>

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

  const Picture p = Shot("garage");
  ASSERT_EQ(p.width, WIDTH);
  // The car's boxes stand in the middle of the picture, over the clear colour.
  int coloured = 0;
  for (int x = WIDTH / 2 - 150; x < WIDTH / 2 + 150; x += 10)
    for (int y = HEIGHT / 2 - 50; y < HEIGHT / 2 + 150; y += 10) coloured += p.Black(x, y) ? 0 : 1;
  EXPECT_GT(coloured, 50) << "the car is drawn";

  Key(27);  // Escape leaves the garage
  Frame();
  EXPECT_EQ(GarageCar(), nullptr);
}

}  // namespace
