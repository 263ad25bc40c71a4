// welcome_page_gpu_test.cpp - the welcome page's lines queued on a real GL context's character
// set: the welcome itself, and the question of the driving side while the car on show in the
// garage has its driver off centre.
#include <gtest/gtest.h>

#include <string>

#include "core/frame_globals.h"
#include "core/process.h"
#include "frontend/frontend.h"
#include "physics/car.h"
#include "tests/frontend/page_picture.h"
#include "ui/interface.h"
#include "ui/text_draw.h"

namespace {

class WelcomePageText : public PagePicture {
 protected:
  // The characters the welcome page queues in one frame, spaces left out (they make no glyph).
  static std::string Queued() {
    Prss* page = OpenWelcomeScreen(nullptr, 0);
    EmptyTextBatches();
    ClearInterface();
    FrameSkipped = 0;
    page->act(page);
    std::string text;
    for (const TextBatchItem& item : InterfaceTextBatch.items) text += char(item.glyph + 32);
    EmptyTextBatches();
    ClearInterface();
    Prss_Terminate(page);
    EXPECT_EQ(page->act(page), nullptr);
    return text;
  }
};

}  // namespace

// The question "The driver of the car on show sits off centre: ..." follows the welcome only
// while the garage's car has its driver off centre and its side free to choose.
TEST_F(WelcomePageText, AsksForTheDrivingSideOnlyOfAnOffCentreDriver) {
  const std::string welcome = "Pleasereadtheagreementonthenextpagebeforeyougoon.";
  const std::string question = "Thedriverofthecaronshowsitsoffcentre:";
  Prss* garage = OpenGaragePage(nullptr, GARAGE_SAMPLE_VEHICLE);
  Car* car = GarageCar();
  ASSERT_NE(car, nullptr);
  car->options &= ~OPT1_DRIVE_SIDE_LOCKED;
  car->driverPosition.x = -0.35f;
  std::string text = Queued();
  EXPECT_NE(text.find(welcome), std::string::npos) << text;
  EXPECT_NE(text.find(question), std::string::npos) << text;
  car->driverPosition.x = 0.0f;
  text = Queued();
  EXPECT_NE(text.find(welcome), std::string::npos) << text;
  EXPECT_EQ(text.find(question), std::string::npos) << text;
  FrameSkipped = 1;
  Prss_Terminate(garage);
  EXPECT_EQ(garage->act(garage), nullptr);
}
