// colour_marks_test.cpp - the colour marks of crafted models and of a wizard's vehicle.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <cstring>
#include <vector>

#include "editor_fixture.h"
#include "info_panel/colour_marks.h"
#include "info_panel/skin_template.h"
#include "model/model_object.h"
#include "physics/car.h"
#include "ui/interface.h"
#include "vehicle_data/rim_profile.h"
#include "vehicle_editor/new_vehicle/new_vehicle_wizard.h"
#include "vehicle_editor/vehicle_editor.h"

namespace {

// An object with the named mappings, triangle i using mapping i on layer layers[i].
void Craft(ModelObject& o, const std::vector<const char*>& names, const std::vector<int>& layers) {
  o.Init();
  std::free(o.mappings);
  o.mappings = static_cast<ModelMapping*>(std::calloc(names.size(), sizeof(ModelMapping)));
  o.mappingCount = static_cast<decltype(o.mappingCount)>(names.size());
  for (size_t i = 0; i < names.size(); ++i) {
    o.mappings[i].Init(0);
    std::strncpy(o.mappings[i].name, names[i], CUTOUT_NAME_SIZE - 1);
  }
  o.triangles = static_cast<ModelTriangle*>(std::calloc(layers.size(), sizeof(ModelTriangle)));
  o.triangleCount = static_cast<uint16_t>(layers.size());
  for (size_t i = 0; i < layers.size(); ++i) {
    o.triangles[i].mapping = static_cast<uint8_t>(i);
    o.triangles[i].layer = static_cast<uint8_t>(layers[i]);
  }
}

std::vector<int> Marks(int group) {
  return std::vector<int>(ColourMarkFlags + group * COLOUR_MARK_GROUP, ColourMarkFlags + (group + 1) * COLOUR_MARK_GROUP);
}

TEST(ColourMarks, OnlyM1ToM4OnVisibleTrianglesMark) {
  EXPECT_EQ(ColourMarkOf("M5"), 0);
  EXPECT_EQ(ColourMarkOf("M0"), 0);
  EXPECT_EQ(ColourMarkOf("X1"), 0);
  EXPECT_EQ(ColourMarkOf("m2"), 2);
  EXPECT_EQ(ColourMarkOf("M4_door"), 4);
  EXPECT_EQ(ColourMarkOf(nullptr), 0);
  ModelObject o{};
  Craft(o, {"M5", "M0", "X1", "m2", "M3", "M4"}, {0, 0, 0, 0, 3, 0});
  o.triangleCount = 5;  // M4 is used by no triangle
  std::memset(ColourMarkFlags, 0, sizeof ColourMarkFlags);
  ScanColourMarksInObject(o, MARKS_BODY, ~(1u << 3));
  EXPECT_EQ(Marks(MARKS_BODY), (std::vector<int>{0, 1, 0, 0})) << "M3 lies on a hidden layer, M4 on nothing";
  ScanColourMarksInObject(o, MARKS_BODY, 1u << 3);
  EXPECT_EQ(Marks(MARKS_BODY), (std::vector<int>{0, 1, 1, 0})) << "a configuration showing its layer";
  EXPECT_EQ(Marks(MARKS_WHEELS), (std::vector<int>{0, 0, 0, 0}));
  o.Free();
}

class ColourMarksOfCars : public EditorTest {
 protected:
  // The wizard's car layout built and kept in the editor.
  void BuildNewCar() {
    NewVehicleWizard::Start(*e, NEW_LAYOUT_CAR);
    NewVehicleWizard::Draw(*e);
    NewVehicleWizard::Close();
    ClearInterface();
  }
};

TEST_F(ColourMarksOfCars, HubsCountWithTheirFlagAndTheRimAlways) {
  Car& c = car();
  ModelObject* body = c.model;
  ASSERT_NE(body, nullptr);
  // One hub subobject with an M3 mapping on layer 0.
  ModelObject hub{};
  Craft(hub, {"M3"}, {0});
  hub.type = SUBOBJECT_HUB;
  ModelObject* children = static_cast<ModelObject*>(std::realloc(body->children, sizeof(ModelObject) * (body->childCount + 1)));
  ASSERT_NE(children, nullptr);
  body->children = children;
  body->children[body->childCount++] = hub;
  ModelObject& added = body->children[body->childCount - 1];
  ScanCarColourMarks(&c);
  EXPECT_EQ(ColourMarkFlags[MARKS_WHEELS * COLOUR_MARK_GROUP + 2], 0) << "no flag 4: nothing";
  EXPECT_EQ(CarHasFlaggedHub(&c), 0);
  added.options |= 4;
  ScanCarColourMarks(&c);
  EXPECT_EQ(ColourMarkFlags[MARKS_WHEELS * COLOUR_MARK_GROUP + 2], 1) << "flagged: its marks count for the wheels";
  EXPECT_EQ(CarHasFlaggedHub(&c), 1);
  EXPECT_EQ(ModelHasFlaggedType12Part(c), 1) << "the editor's seam answers from it";
  // The rim's mappings count whatever the configuration.
  ASSERT_NE(c.rim, nullptr);
  c.rim->MakeDefault("m4_rim", 0);
  c.configs[0].layerMask = 0;
  ScanCarColourMarks(&c);
  EXPECT_EQ(ColourMarkFlags[MARKS_WHEELS * COLOUR_MARK_GROUP + 3], 1);
  EXPECT_EQ(Marks(MARKS_BODY), (std::vector<int>{0, 0, 0, 0})) << "every body layer hidden";
  ScanCarColourMarks(nullptr);
  EXPECT_EQ(Marks(MARKS_WHEELS), (std::vector<int>{0, 0, 0, 0}));
}

TEST_F(ColourMarksOfCars, AFlaggedHubCountsAsTheFirstSubobjectToo) {
  Car& c = car();
  ModelObject* body = c.model;
  ASSERT_NE(body, nullptr);
  ModelObject hub{};
  Craft(hub, {"M2"}, {0});
  hub.type = SUBOBJECT_HUB;
  hub.options |= 4;
  // The hub goes in front of the body's other subobjects.
  ModelObject* children = static_cast<ModelObject*>(std::realloc(body->children, sizeof(ModelObject) * (body->childCount + 1)));
  ASSERT_NE(children, nullptr);
  body->children = children;
  std::memmove(static_cast<void*>(children + 1), static_cast<const void*>(children), sizeof(ModelObject) * body->childCount);
  children[0] = hub;
  ++body->childCount;
  EXPECT_EQ(CarHasFlaggedHub(&c), 1);
  EXPECT_EQ(ModelHasFlaggedType12Part(c), 1);
  ScanCarColourMarks(&c);
  EXPECT_EQ(ColourMarkFlags[MARKS_WHEELS * COLOUR_MARK_GROUP + 1], 1) << "its M2 counts for the wheels";
  children[0].options &= ~4u;
  EXPECT_EQ(CarHasFlaggedHub(&c), 0) << "without the flag it does not count";
}

// A car the editor installs is scanned: the wizard's marks body and wheel colour one; the
// Runabout loaded by name marks the body's "M1" (its grille) and the wheels' "M1_rim", "M2_rim"
// and "M2_spoke".
TEST_F(ColourMarksOfCars, EachCarTheEditorInstallsIsScanned) {
  EXPECT_EQ(Marks(MARKS_WHEELS), (std::vector<int>{1, 1, 0, 0})) << "the Runabout the fixture loaded";
  BuildNewCar();
  EXPECT_EQ(Marks(MARKS_BODY), (std::vector<int>{1, 0, 0, 0}));
  EXPECT_EQ(Marks(MARKS_WHEELS), (std::vector<int>{1, 0, 0, 0}));
  ASSERT_EQ(VehicleEditor::LoadVehicleState(*e, "Runabout", -1), 1);
  EXPECT_EQ(Marks(MARKS_BODY), (std::vector<int>{1, 0, 0, 0}));
  EXPECT_EQ(Marks(MARKS_WHEELS), (std::vector<int>{1, 1, 0, 0}));
}

TEST_F(ColourMarksOfCars, WithoutSkinTextureOrClipboardTheSkinActionsSaySo) {
  BuildNewCar();
  AskSkinTemplateStyle(&e->prss, e->car);
  EXPECT_TRUE(SaidBox("Could not find skin texture"));
  EXPECT_EQ(FindTemplateTexture(nullptr), nullptr);
  // No window: no clipboard, and the reason is named.
  std::snprintf(car().skinTexture, sizeof car().skinTexture, "XXX_DEFAULT");
  EXPECT_EQ(CopySkinNameToClipboard(&e->prss, car()), 0);
  bool named = false;
  for (const std::string& l : Reports().lines)
    named = named || (l.rfind("Could not copy text to clipboard : ", 0) == 0 && l.size() > 35);
  EXPECT_TRUE(named);
}

}  // namespace
