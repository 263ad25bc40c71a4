// anim_editor_gpu_test.cpp - the animation editor as a user meets it (editor_window_harness.h):
// opened over the object editor on the program's first figure with its skeleton, driven by
// mouse records on its buttons and bone labels and by key messages; a pose made with the
// mouse checked against the test's own forward kinematics; leaving it.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "animation/anim_edit.h"
#include "animation/anim_screen.h"
#include "animation/bone_links.h"
#include "app/text_commands.h"
#include "core/data_file.h"
#include "core/window_state.h"
#include "editor_window_harness.h"
#include "modeller/state/modeller_state.h"
#include "modeller/editor/vehicle_editor_link.h"
#include "platform/files.h"
#include "render/draw_mesh.h"
#include "render/gouraud_mesh.h"
#include "render/humans.h"
#include "skeleton/human_system.h"

namespace {

constexpr double PI = 3.14159265358979323846;
// The sample skeleton's solids: the right forearm, its elbow joint, and what hangs below it.
constexpr int FOREARM = 22, UPPER_ARM = 20;
constexpr int ELBOW_JOINT = 7;
constexpr int BELOW_ELBOW[] = {22, 24, 26, 28, 30};

class AnimEditorWindow : public ObjectEditorWindow {
 protected:
  AnimEditorScreen* screen = nullptr;

  // The first figure opened as the animation page opens it: open mode 2 with its skeleton,
  // no driver animation.
  void OpenFigure() {
    ObjectEditor* e = OpenFirstFigure();
    ASSERT_NE(e, nullptr);
    screen = OpenAnimEditorScreen;
    ASSERT_NE(screen, nullptr) << "the editor opens over the object editor";
    ASSERT_EQ(e->prss.sub, &screen->prss);
    Frame(2);
  }
  AnimEditor& E() { return screen->editor; }
  static std::string Box() { return MessageBoxDialog.prss.alive && CurrentProcess == &MessageBoxDialog.prss ? MessageBoxDialog.first : ""; }
  // Whatever dialog is open is closed: a text entry cancelled, a box answered.
  static void Dismiss() {
    if (TextEntryDialogSub.prss.alive) CancelTextEntry();
    if (MessageBoxDialog.prss.alive) MessageSubKey(&MessageBoxDialog.prss, KEY_ENTER);
    Frame();
  }
  const InterfaceButton* Label(int solid) {
    char text[8];
    std::snprintf(text, sizeof text, "#%d", solid);
    return FindButton(text);
  }
  void RightClickAt(int x, int y) {
    MouseRecord press{};
    press.clickCode = CLICK_RIGHT;
    press.rightHeld = 1;
    Mouse(press, x, y);
    MouseRecord release{};
    release.releaseCode = 2;
    Mouse(release, x, y);
    Frame();
  }
  // A typed name for saving, saying yes when the file is there already.
  static void AnswerSave(const char* name) {
    Answer(name);
    if (TextEntryDialogSub.prss.alive && TextEntryDialogSub.state == ENTRY_ASK_OVERWRITE) {
      TextEntrySubKey(&TextEntryDialogSub.prss, 'Y');  // the entry takes typed characters
      Frame(2);
    }
  }
  // The newest message line's text.
  static std::string ReportRecorderText() {
    return MessageLineCount > 0 ? MessageLines[MessageLineCount - 1].text : "";
  }
  static int Centre(const InterfaceButton* b, int axis) { return axis == 0 ? (b->left + b->right) / 2 : (b->top + b->bottom) / 2; }
};

TEST_F(AnimEditorWindow, ANewUserMakesAnAnimationSelectsAndLocksBonesAndLeaves) {
  OpenFigure();
  const EditorFrameHookFn editorsHook = screen->savedHook;
  EXPECT_EQ(EditorFrameHook, &DrawAnimEditorHook);
  const InterfaceButton* walk = FindButton("walk");
  ASSERT_NE(walk, nullptr);
  EXPECT_EQ(*walk->colour, 0xFFA0A0u) << "light blue: the sample figure's walk has frames";
  Click("walk");
  EXPECT_EQ(E().selected, &E().skeleton->movements[1]);
  Click("delete animation");
  EXPECT_EQ(*FindButton("walk")->colour, 0x949494u) << "grey without frames";
  ASSERT_NE(FindButton("NO FRAMES"), nullptr);
  Click("new animation");
  ASSERT_EQ(E().selected->frameCount, 1);
  EXPECT_EQ(CurrentFrameIndex(E()), 0);
  EXPECT_EQ(*FindButton("walk")->colour, 0xFFA0A0u) << "light blue with frames";

  // Bone labels: a left click selects, a right click locks (red).
  const InterfaceButton* label = Label(FOREARM);
  ASSERT_NE(label, nullptr) << "the forearm is on screen";
  const int lx = Centre(label, 0), ly = Centre(label, 1);
  ClickAt(lx, ly);
  EXPECT_EQ(E().selectedBone, FOREARM);
  EXPECT_NE(FindButton("X"), nullptr) << "the axis handles' labels";
  EXPECT_NE(FindButton("selected bone pos"), nullptr);
  const InterfaceButton* head = Label(4);
  ASSERT_NE(head, nullptr);
  RightClickAt(Centre(head, 0), Centre(head, 1));
  EXPECT_EQ(E().links->links[4].locked, 1u);
  EXPECT_EQ(*Label(4)->colour, 0x0000FFu);
  EXPECT_EQ(E().rig->bones[4].colour, BONE_COLOUR_LOCKED);
  Shot("anim_editor");

  // Keys.
  Key(KEY_TAB);
  EXPECT_EQ(E().autoLockParent, 0);
  Key(KEY_TAB);
  Key(KEY_INSERT);
  EXPECT_EQ(E().selected->frameCount, 2);
  EXPECT_EQ(CurrentFrameIndex(E()), 1);
  Key(KEY_COMMA);
  EXPECT_EQ(CurrentFrameIndex(E()), 0);
  Key(KEY_PERIOD);
  EXPECT_EQ(CurrentFrameIndex(E()), 1);
  HandleKeyDown(KEY_CTRL, 0);
  Key('Z');
  HandleKeyUp(KEY_CTRL);
  EXPECT_EQ(E().selected->frameCount, 1);
  Key(KEY_DELETE);
  EXPECT_EQ(Box(), "An animation needs at least one frame");
  Dismiss();
  Key('C');
  EXPECT_EQ(E().links->links[4].locked, 0u);
  EXPECT_EQ(E().selectedBone, -1);
  Key(' ');
  EXPECT_EQ(E().selectedBone, E().links->root);

  // A key action without a current frame.
  Click("walk");
  EXPECT_EQ(E().selected, nullptr);
  HandleKeyDown('A', 0);
  Frame();
  EXPECT_EQ(Box(), "No frame selected");
  HandleKeyUp('A');
  Dismiss();

  // The history keeps 80 entries and its button says so; empty, it says that.
  Click("walk");
  for (int i = 0; i < 81; ++i) AddUndo(E());
  Frame();
  EXPECT_NE(FindButton("UNDO (80)"), nullptr);
  ClearUndo(E());
  Frame();
  Click("UNDO (0)");
  EXPECT_NE(ReportRecorderText().find("Undo buffer is empty"), std::string::npos);

  // Leaving: the question only with something unsaved.
  ASSERT_EQ(E().unsaved, 1);
  Key(KEY_ESCAPE);
  EXPECT_EQ(std::string(MessageBoxDialog.first), "Exit animation editor?");
  EXPECT_EQ(std::string(MessageBoxDialog.second), "Unsaved changes will be lost");
  Key('Y');
  Frame(2);
  EXPECT_EQ(OpenAnimEditorScreen, nullptr);
  EXPECT_EQ(EditorFrameHook, ActiveObjectEditor ? editorsHook : EditorFrameHook);
}

// The program's exit asked for (/exit) while the editor's own question is open: that question
// closes unanswered and the program's takes its place, the request withdrawn while it asks (so
// the screens draw and take input), and "yes" by key ends the program through every screen.
TEST_F(AnimEditorWindow, AnExitAskedOverItsQuestionAsksAgainAndYesEndsTheProgram) {
  OpenFigure();
  Click("walk");
  Click("delete animation");
  ASSERT_EQ(E().unsaved, 1);
  Key(KEY_ESCAPE);
  ASSERT_EQ(Box(), "Exit animation editor?");
  Prss_SendMessage(nullptr, "/exit", SOURCE_TYPED);
  Frame();
  EXPECT_EQ(ExitRequested, 0) << "withdrawn while it asks";
  EXPECT_EQ(Box(), "Exit ZKT?");
  Key('Y');
  for (int pass = 0; pass < 6 && AppTopProcess(); ++pass) Frame();
  EXPECT_EQ(OpenAnimEditorScreen, nullptr);
  EXPECT_EQ(AppTopProcess(), nullptr) << "the program's exit went on";
  EXPECT_EQ(AppShutdown(), 0);
}

// A forearm turned at the elbow with the mouse, compared with the chain the test composes
// itself from the skeleton's rest positions and joint centre.
TEST_F(AnimEditorWindow, AForearmTurnedAtTheElbowMatchesForwardKinematics) {
  OpenFigure();
  Click("walk");
  Click("delete animation");
  Click("new animation");
  ASSERT_EQ(E().autoLockParent, 1) << "TAB : auto lock parent";
  const InterfaceButton* label = Label(FOREARM);
  ASSERT_NE(label, nullptr);
  ClickAt(Centre(label, 0), Centre(label, 1));
  ASSERT_EQ(E().selectedBone, FOREARM);
  const Skeleton& k = *E().skeleton;
  BoneRig& rig = *E().rig;
  FixedTransform before[64];
  CopyPartPositions(rig, before);

  HandleKeyDown('Q', 0);
  Frame();
  ASSERT_EQ(E().keyActive, 1);
  // Press away from every button, drag 40 pixels right, hold still, release.
  const int x0 = 300, y0 = 80, dx = 40;
  MouseRecord press{};
  press.clickCode = CLICK_LEFT;
  press.leftHeld = 1;
  Mouse(press, x0, y0);
  ASSERT_EQ(E().dragging, 1);
  MouseRecord move{};
  move.leftHeld = 1;
  move.dx = dx;
  Mouse(move, x0 + dx, y0);
  for (int i = 0; i < 240; ++i) Frame();
  MouseRecord release{};
  release.releaseCode = 1;
  Mouse(release, x0 + dx, y0);
  HandleKeyUp('Q');
  Frame();
  ASSERT_EQ(E().dragging, 0);

  // The turn about the elbow, about the forearm's own x axis (its rest orientation is level).
  const double angle = dx * 2 * PI / double(E().view.width);
  const double c = std::cos(angle), s = std::sin(angle);
  const double turn[9] = {1, 0, 0, 0, c, -s, 0, s, c};
  const SkeletonJoint& elbow = k.joints[ELBOW_JOINT];
  ASSERT_EQ(elbow.type, 1u);
  const FixedTransform* frame = E().selected->frames[0].transforms;
  for (int solid : BELOW_ELBOW) {
    const int bone = solid == 22 ? 14 : solid == 24 ? 15 : solid == 26 ? 16 : solid == 28 ? 17 : 18;
    double rel[3];
    for (int r = 0; r < 3; ++r) rel[r] = (k.bones[bone].position[r] - elbow.position[r]) / 65536.0;
    for (int r = 0; r < 3; ++r) {
      const double expected = elbow.position[r] / 65536.0 + turn[r * 3] * rel[0] + turn[r * 3 + 1] * rel[1] + turn[r * 3 + 2] * rel[2];
      const double got = (r == 0 ? frame[solid].translation.x : r == 1 ? frame[solid].translation.y : frame[solid].translation.z) / 65536.0;
      EXPECT_NEAR(got, expected, 0.001) << "solid " << solid << " axis " << r;
    }
    for (int m = 0; m < 9; ++m) EXPECT_NEAR(frame[solid].rotation.m[m] / 65536.0, turn[m], 0.002) << "solid " << solid;
  }
  for (int i = 0; i < rig.boneCount; ++i) {
    bool below = false;
    for (int solid : BELOW_ELBOW) below |= solid == i;
    if (below) continue;
    EXPECT_EQ(std::memcmp(&frame[i], &before[i], sizeof before[i]), 0) << "solid " << i << " stays";
  }
  EXPECT_EQ(E().links->links[UPPER_ARM].locked, 0u) << "the parent's lock lasted the drag";

  // Choosing the frame again applies exactly the stored transforms.
  Click("walk");
  Click("walk");
  Click("1");
  FixedTransform shown[64];
  CopyPartPositions(rig, shown);
  EXPECT_EQ(std::memcmp(shown, E().selected->frames[0].transforms, sizeof(FixedTransform) * size_t(rig.boneCount)), 0);

  // "FLIP frame" gives the mirrored chain: x negated, the twins exchanged.
  FixedTransform unflipped[64];
  std::memcpy(unflipped, E().selected->frames[0].transforms, sizeof(FixedTransform) * size_t(rig.boneCount));
  Click("FLIP frame");
  frame = E().selected->frames[0].transforms;
  for (int solid : BELOW_ELBOW) {
    const FixedTransform& twin = frame[solid + 1];
    EXPECT_EQ(twin.translation.x, -unflipped[solid].translation.x);
    EXPECT_EQ(twin.translation.y, unflipped[solid].translation.y);
    EXPECT_EQ(twin.translation.z, unflipped[solid].translation.z);
    for (int m = 0; m < 9; ++m) {
      const bool sign = m == 1 || m == 2 || m == 3 || m == 6;
      EXPECT_EQ(twin.rotation.m[m], sign ? -unflipped[solid].rotation.m[m] : unflipped[solid].rotation.m[m]);
    }
  }

  Click("FLIP frame");  // twice restores the frame exactly
  ASSERT_EQ(std::memcmp(E().selected->frames[0].transforms, unflipped, sizeof(FixedTransform) * size_t(rig.boneCount)), 0);

  // "copy to all frames", operation 1, over four frames whose figure is turned its own way in
  // each: the forearm and hand go where each frame's upper arm takes them.
  Key(KEY_INSERT);
  Key(KEY_INSERT);
  Key(KEY_INSERT);
  ASSERT_EQ(E().selected->frameCount, 4);
  for (int f = 1; f < 4; ++f) {
    const double a = 0.35 * f, ca = std::cos(a), sa = std::sin(a);
    for (int i = 0; i < rig.boneCount; ++i) {
      FixedTransform& t = E().selected->frames[f].transforms[i];
      bool below = false;
      for (int solid : BELOW_ELBOW) below |= solid == i;
      // Frame 0 turned about z, with the arm below the elbow as it was at rest.
      const FixedTransform& t0 = below ? before[i] : E().selected->frames[0].transforms[i];
      const double x = t0.translation.x, y = t0.translation.y;
      t.translation.x = int32_t(std::lround(ca * x - sa * y));
      t.translation.y = int32_t(std::lround(sa * x + ca * y));
      for (int c = 0; c < 3; ++c) {
        const double m0 = t0.rotation.m[c], m1 = t0.rotation.m[3 + c];
        t.rotation.m[c] = int32_t(std::lround(ca * m0 - sa * m1));
        t.rotation.m[3 + c] = int32_t(std::lround(sa * m0 + ca * m1));
      }
    }
  }
  Click("1");
  ASSERT_EQ(CurrentFrameIndex(E()), 0);
  ASSERT_EQ(E().selectedBone, FOREARM);
  const auto toDouble = [](const FixedTransform& t, double r[9], double p[3]) {
    for (int m = 0; m < 9; ++m) r[m] = t.rotation.m[m] / 65536.0;
    p[0] = t.translation.x / 65536.0, p[1] = t.translation.y / 65536.0, p[2] = t.translation.z / 65536.0;
  };
  // Each solid below the elbow relative to the upper arm in frame 0.
  double relR[32][9], relP[32][3];
  {
    double ur[9], up[3];
    toDouble(E().selected->frames[0].transforms[UPPER_ARM], ur, up);
    for (int solid : BELOW_ELBOW) {
      double r[9], p[3];
      toDouble(E().selected->frames[0].transforms[solid], r, p);
      for (int i = 0; i < 3; ++i) {
        relP[solid][i] = 0;
        for (int j = 0; j < 3; ++j) relP[solid][i] += ur[j * 3 + i] * (p[j] - up[j]);
        for (int j = 0; j < 3; ++j) {
          relR[solid][i * 3 + j] = 0;
          for (int k2 = 0; k2 < 3; ++k2) relR[solid][i * 3 + j] += ur[k2 * 3 + i] * r[k2 * 3 + j];
        }
      }
    }
  }
  {
    double ur[9], up[3], r[9], p[3];
    toDouble(E().selected->frames[2].transforms[UPPER_ARM], ur, up);
    toDouble(E().selected->frames[2].transforms[BELOW_ELBOW[4]], r, p);
    double apart = 0;
    for (int i = 0; i < 3; ++i) {
      double expected = up[i];
      for (int j = 0; j < 3; ++j) expected += ur[i * 3 + j] * relP[BELOW_ELBOW[4]][j];
      apart += (p[i] - expected) * (p[i] - expected);
    }
    ASSERT_GT(std::sqrt(apart), 0.03) << "the fingers are elsewhere before the copy";
  }
  Click("copy to all frames");
  ASSERT_EQ(CurrentProcess, &SelectDialog.prss);
  SelectItemClick(&SelectDialog.prss, CLICK_LEFT, 1);
  Frame();
  for (int f = 1; f < 4; ++f) {
    double ur[9], up[3];
    toDouble(E().selected->frames[f].transforms[UPPER_ARM], ur, up);
    for (int solid : BELOW_ELBOW) {
      double r[9], p[3];
      toDouble(E().selected->frames[f].transforms[solid], r, p);
      for (int i = 0; i < 3; ++i) {
        double expected = up[i];
        for (int j = 0; j < 3; ++j) expected += ur[i * 3 + j] * relP[solid][j];
        EXPECT_NEAR(p[i], expected, 0.001) << "frame " << f << " solid " << solid;
        for (int j = 0; j < 3; ++j) {
          double m = 0;
          for (int k2 = 0; k2 < 3; ++k2) m += ur[i * 3 + k2] * relR[solid][k2 * 3 + j];
          EXPECT_NEAR(r[i * 3 + j], m, 0.002) << "frame " << f << " solid " << solid;
        }
      }
    }
  }
}


std::vector<uint8_t> FileBytes(const char* path) {
  std::vector<uint8_t> bytes;
  if (FILE* f = std::fopen(path, "rb")) {
    int c;
    while ((c = std::fgetc(f)) != EOF) bytes.push_back(uint8_t(c));
    std::fclose(f);
  }
  return bytes;
}

// The vehicle on show for driver mode: its name and the driver's placement 1 m to the right
// of the figure the object editor shows.
const char* SaloonName() { return "saloon"; }
int DriverPlacement(FixedTransform* out) {
  SetIdentityTransform(*out);
  out->translation = {65536, 0, 0};
  return 1;
}

// Driver mode as the vehicle editor's "Animate" opens it, with the car's steering animation
// handed over; the file commands through their buttons and typed names.
TEST_F(AnimEditorWindow, DriverModeAndTheFileCommandsWorkThroughTheButtons) {
  std::filesystem::create_directories("data/move");
  const char* work = std::getenv("ZKT_WORK_DIR");
  std::filesystem::copy_file(std::filesystem::path(work ? work : "work") / "data" / "move" / "str_saloon.ban",
                             "data/move/str_saloon.ban");
  Animation steering;
  ASSERT_EQ(ReadAnimationFile(steering, "data\\move\\str_saloon.ban", nullptr, 32, 0.0f), 1);
  const AnimVehicleLink kept = AnimVehicleHooks;
  AnimVehicleHooks.vehicleName = SaloonName;
  AnimVehicleHooks.driverPlacement = DriverPlacement;
  InitEditViews();
  HumanModel& figure = Humans.models[0];
  Prss* page = AppTopProcess();
  ObjectEditor* e = OpenObjectEditor(page, OPEN_ANIMATION_EDITOR, &figure.model, int(figure.skeletonIndex), &steering,
                                     nullptr, CALLER_VEHICLE_EDITOR, ~0u);
  Prss_AddSub(page, &e->prss);
  screen = OpenAnimEditorScreen;
  ASSERT_NE(screen, nullptr);
  CurrentView->heading = 0;
  CurrentView->pitch = 0;
  const int32_t eye[3] = {0, 3 << 16, 1 << 16};
  std::memcpy(CurrentView->position, eye, sizeof eye);
  Frame(2);

  EXPECT_EQ(E().selected, E().driverAnimation);
  ASSERT_NE(E().driverAnimation, nullptr);
  EXPECT_EQ(E().selected->frameCount, steering.frameCount);
  EXPECT_EQ(FindButton("walk"), nullptr) << "no movements in driver mode";
  EXPECT_EQ(E().autoCopyAndFlip, 1);
  EXPECT_EQ(E().symmetricalLegs, 1);
  EXPECT_NE(FindButton("...saloon"), nullptr);
  const InterfaceButton* wheel = nullptr;
  char shown[128];
  for (int i = 0; i < ButtonCount; ++i)
    if (ButtonText(InterfaceButtons[i], shown, sizeof shown) && std::strncmp(shown, "Wheel Max Turn (ONE WAY)", 24) == 0)
      wheel = &InterfaceButtons[i];
  ASSERT_NE(wheel, nullptr);
  EXPECT_FLOAT_EQ(wheel->text.f, float(PI / 8));
  EXPECT_FLOAT_EQ(wheel->third.f, float(3 * PI));

  // The driver drawn by the rig at its placement: the head's colour where it projects.
  const Picture p = Shot("anim_editor_driver");
  const IntVector head = E().rig->bones[4].position;
  const int32_t at[3] = {head.x + 65536, head.y, head.z};
  float hx, hy;
  int32_t depth;
  ASSERT_TRUE(ProjectPointToScreen(at, &hx, &hy, &depth));
  EXPECT_TRUE(p.Near(int(hx), int(hy) - 22, [](const uint8_t* c) { return c[0] > c[1] && c[1] > c[2] && c[0] > 120; }))
      << "skin colour at the projected head (above its label)";

  // "SAVE as STR" writes str_<name>.ban and clears the unsaved flag.
  Key(KEY_INSERT);
  ASSERT_EQ(E().unsaved, 1);
  Click("SAVE as STR");
  AnswerSave("str_saloon");
  EXPECT_EQ(E().unsaved, 0);
  Animation back;
  ASSERT_EQ(ReadAnimationFile(back, "data\\move\\str_saloon.ban", nullptr, 32, 0.0f), 1);
  EXPECT_EQ(back.frameCount, E().selected->frameCount);
  back.Free();

  // "SAVE animation" and "LOAD animation" round-trip byte for byte.
  Click("SAVE animation");
  AnswerSave("round_a");
  const std::vector<uint8_t> saved = FileBytes("data/move/round_a.ban");
  ASSERT_FALSE(saved.empty());
  Key(KEY_INSERT);
  Click("LOAD animation");
  Answer("round_a");
  Click("SAVE animation");
  AnswerSave("round_b");
  EXPECT_EQ(FileBytes("data/move/round_b.ban"), saved);

  // A damaged file: a clear message naming it and the field; nothing changes.
  Key(KEY_INSERT);
  {
    DataFile f;
    ASSERT_TRUE(f.OpenWrite(nullptr, "data\\move\\broken.ban", ANIMATION_FILE_MAGIC, ANIMATION_FILE_VERSION));
    const uint8_t junk[5] = {1, 0, 0, 0, 0};
    f.WriteBlock(junk, sizeof junk);
    ASSERT_TRUE(f.Close());
  }
  const int frames = E().selected->frameCount;
  const size_t undo = E().undo.size();
  Click("LOAD animation");
  Answer("broken");
  EXPECT_NE(Box().find("broken.ban"), std::string::npos) << Box();
  EXPECT_EQ(E().selected->frameCount, frames);
  EXPECT_EQ(E().undo.size(), undo);
  Dismiss();
  // A name that would leave its folder changes nothing.
  Click("SAVE animation");
  Answer("../escape");
  EXPECT_FALSE(std::filesystem::exists("data/escape.ban"));
  Dismiss();

  // "save skeleton" and "remove anims".
  Click("save skeleton");
  AnswerSave("figure");
  EXPECT_TRUE(std::filesystem::exists("data/skl/figure.skl"));
  Click("remove anims");
  EXPECT_EQ(std::string(MessageBoxDialog.first), "Remove all animations from skeleton?");
  Key('Y');
  Frame();
  for (int m = 0; m < MOVEMENT_COUNT; ++m) EXPECT_EQ(E().skeleton->movements[m].frameCount, 0);
  EXPECT_EQ(E().skeleton->poseCount, 0);

  E().unsaved = 0;
  Key(KEY_ESCAPE);
  Frame(2);
  EXPECT_EQ(OpenAnimEditorScreen, nullptr);
  CloseEditViews();
  AnimVehicleHooks = kept;
  steering.Free();
}

// The modeller over a figure with its skeleton shown: in point mode each bone has a label
// whose click gives the selected points that bone.
TEST_F(AnimEditorWindow, TheModellersBoneLabelsAssignTheSelectedPoints) {
  HumanModel& figure = Humans.models[0];
  Prss* page = AppTopProcess();
  ObjectEditor* e = OpenObjectEditor(page, OPEN_MODELLER, &figure.model, int(figure.skeletonIndex), nullptr, nullptr,
                                     CALLER_ENTRY_MENU, ~0u);
  Prss_AddSub(page, &e->prss);
  ASSERT_NE(ModellerOf(e->prss.sub), nullptr);
  CurrentView->heading = 0;
  CurrentView->pitch = 0;
  const int32_t eye[3] = {0, 3 << 16, 1 << 16};
  std::memcpy(CurrentView->position, eye, sizeof eye);
  Key('P', true);
  ASSERT_EQ(ModellerOf(e->prss.sub)->state.mode, ModePoint);
  ASSERT_NE(Label(FOREARM), nullptr);
  Click("#22");
  EXPECT_EQ(Box(), "No points to assign");
  Dismiss();
  Key('A');
  Click("#22");
  const ModelObject& o = figure.model;
  ASSERT_GT(o.pointCount, 0);
  int assigned = 0;
  for (int p = 0; p < o.pointCount; ++p) assigned += o.points[p].bone == FOREARM;
  EXPECT_EQ(assigned, o.pointCount) << "every selected point follows the forearm";
}

// Poses through their buttons: made, renamed by a right click, flags and seatings flipped,
// blended, tested and deleted through the question.
TEST_F(AnimEditorWindow, PosesAreMadeAndEditedThroughTheirButtons) {
  OpenFigure();
  Skeleton& k = *E().skeleton;
  const int start = k.poseCount;
  Click("new pose");
  ASSERT_EQ(k.poseCount, start + 1);
  const int made = k.poseCount - 1;
  EXPECT_EQ(screen->selectedPose, made);
  const InterfaceButton* own = FindButton("unnamed");
  ASSERT_NE(own, nullptr);
  RightClickAt(Centre(own, 0), Centre(own, 1));
  Answer("seated-forward-lean");
  EXPECT_STREQ(k.poses[made].name, "seated-forward-");
  Pose& p = k.poses[made];
  Click("Standing");
  Click("Excited");
  EXPECT_EQ(p.flags, POSE_STANDING | POSE_EXCITED);
  Click("Excited");
  EXPECT_EQ(p.flags, POSE_STANDING);
  for (int seating = 0; seating < SEATING_COUNT; ++seating) {
    const InterfaceButton* b = nullptr;
    for (int i = 0; i < ButtonCount; ++i)
      if (InterfaceButtons[i].handler && InterfaceButtons[i].word == uintptr_t(2 + seating) &&
          InterfaceButtons[i].style != BUTTON_STYLE_SYMBOL && InterfaceButtons[i].text.text &&
          std::strcmp(InterfaceButtons[i].text.text, SEATING_NAMES[seating]) == 0)
        b = &InterfaceButtons[i];
    ASSERT_NE(b, nullptr) << SEATING_NAMES[seating];
    ClickAt(Centre(b, 0), Centre(b, 1));
    EXPECT_EQ(p.seatings >> seating & 1, 0u) << SEATING_NAMES[seating];
  }
  EXPECT_EQ(p.seatings, 0u);

  Click("blend");
  ASSERT_NE(p.flags & POSE_BLEND, 0u);
  EXPECT_EQ(screen->poseHalf, 1);
  EXPECT_NE(FindButton("high"), nullptr);
  EXPECT_NE(FindButton("test blend"), nullptr);
  Key(KEY_INSERT);
  EXPECT_EQ(FindButton("test blend"), nullptr) << "the two animations differ in frame count";
  HandleKeyDown(KEY_CTRL, 0);
  Key('Z');
  HandleKeyUp(KEY_CTRL);
  p.seatings = 1u << 4;
  Click("test blend");
  EXPECT_EQ(screen->blendTest, 1);
  EXPECT_EQ(screen->selectedSeating, 4);
  EXPECT_TRUE(HasButtonStarting("test height"));

  Click("delete pose");
  EXPECT_EQ(std::string(MessageBoxDialog.first), "Delete this pose?");
  EXPECT_EQ(std::string(MessageBoxDialog.second), "seated-forward-");
  Key('Y');
  Frame();
  EXPECT_EQ(k.poseCount, start);
  EXPECT_EQ(screen->selectedPose, -1);
}

}  // namespace

namespace {

// Pixels of the two pictures within radius of (x, y) whose colours differ plainly, the bone
// labels' rectangles left out (they follow the rig whatever the figure does).
int ChangedNear(const Picture& a, const Picture& b, int x, int y, int radius) {
  int changed = 0;
  for (int py = std::max(y - radius, 0); py <= std::min(y + radius, a.height - 1); ++py)
    for (int px = std::max(x - radius, 0); px <= std::min(x + radius, a.width - 1); ++px) {
      bool onLabel = false;
      for (int i = 0; i < ButtonCount && !onLabel; ++i) {
        const InterfaceButton& l = InterfaceButtons[i];
        onLabel = px >= l.left - 2 && px <= l.right + 2 && py >= l.top - 2 && py <= l.bottom + 2;
      }
      if (onLabel) continue;
      const uint8_t *p = a.At(px, py), *q = b.At(px, py);
      if (std::abs(p[0] - q[0]) + std::abs(p[1] - q[1]) + std::abs(p[2] - q[2]) > 60) ++changed;
    }
  return changed;
}

}  // namespace

// The object editor's figure follows the rig while the editor is open: a limb turned by the rig
// is drawn turned, the rest of the figure where it was.
TEST_F(AnimEditorWindow, TheFigureIsDrawnPosedByTheRig) {
  OpenFigure();
  BoneRig& rig = *E().rig;
  // The bones' boxes drawn far out of sight: only the figure's mesh can show the pose.
  FixedTransform away;
  SetIdentityTransform(away);
  away.translation.z = 2000 << 16;
  const FixedTransform* keptBoxes = BoneModelTransform;
  BoneModelTransform = &away;
  Frame(2);
  const Picture rest = Shot("anim_figure_rest");
  // Between the forearm and the hand: the labels sit on the solids themselves.
  const auto between = [&rig](int32_t* out) {
    const IntVector& a = rig.bones[size_t(BELOW_ELBOW[0])].position;
    const IntVector& b = rig.bones[size_t(BELOW_ELBOW[1])].position;
    out[0] = a.x / 2 + b.x / 2, out[1] = a.y / 2 + b.y / 2, out[2] = a.z / 2 + b.z / 2;
  };
  int32_t atRest[3], atPose[3];
  between(atRest);

  // The forearm and what hangs below it turned a third of a turn outwards about the view's axis
  // at the elbow (the hand clear of the body), as a frame would place them.
  const SkeletonJoint& elbow = E().skeleton->joints[ELBOW_JOINT];
  const double angle = -2 * PI / 3, c = std::cos(angle), s = std::sin(angle);
  const double turn[9] = {c, 0, s, 0, 1, 0, -s, 0, c};
  for (int solid : BELOW_ELBOW) {
    Bone& b = rig.bones[size_t(solid)];
    const double rel[3] = {(b.position.x - elbow.position[0]) / 65536.0, (b.position.y - elbow.position[1]) / 65536.0,
                           (b.position.z - elbow.position[2]) / 65536.0};
    int32_t* p[3] = {&b.position.x, &b.position.y, &b.position.z};
    for (int r = 0; r < 3; ++r)
      *p[r] = elbow.position[r] + int32_t(std::lround((turn[r * 3] * rel[0] + turn[r * 3 + 1] * rel[1] + turn[r * 3 + 2] * rel[2]) * 65536.0));
    float o[9];
    for (int r = 0; r < 3; ++r)
      for (int k = 0; k < 3; ++k)
        o[r * 3 + k] = float(turn[r * 3] * b.orientation[k] + turn[r * 3 + 1] * b.orientation[3 + k] +
                             turn[r * 3 + 2] * b.orientation[6 + k]);
    std::memcpy(b.orientation, o, sizeof o);
  }
  Frame(2);
  const Picture posed = Shot("anim_figure_posed");
  BoneModelTransform = keptBoxes;

  float rx, ry, px, py, hx, hy;
  int32_t depth;
  between(atPose);
  const IntVector head = rig.bones[4].position;
  const int32_t atHead[3] = {head.x, head.y, head.z};
  ASSERT_TRUE(ProjectPointToScreen(atRest, &rx, &ry, &depth));
  ASSERT_TRUE(ProjectPointToScreen(atPose, &px, &py, &depth));
  ASSERT_TRUE(ProjectPointToScreen(atHead, &hx, &hy, &depth));
  ASSERT_GT(std::hypot(px - rx, py - ry), 40.0f) << "the wrist moves well across the screen";
  EXPECT_GT(ChangedNear(rest, posed, int(rx), int(ry), 12), 40) << "the forearm has left its rest place";
  EXPECT_GT(ChangedNear(rest, posed, int(px), int(py), 12), 40) << "the forearm is drawn where the rig put it";
  EXPECT_EQ(ChangedNear(rest, posed, int(hx), int(hy), 12), 0) << "the head stays";

  // Closed, the figure is drawn at rest again.
  ASSERT_EQ(E().unsaved, 0);
  Key(KEY_ESCAPE);
  Frame(2);
  EXPECT_EQ(OpenAnimEditorScreen, nullptr);
  EXPECT_EQ(FigurePose.skeleton, nullptr);
  EXPECT_EQ(FigurePose.boneFrames, nullptr);
}

namespace {
// Every point of a figure's mesh tree, in order.
void MeshPoints(const DrawMesh& mesh, std::vector<int32_t>& out) {
  const GouraudO3d& g = static_cast<const GouraudO3d&>(mesh);
  for (int i = 0; i < g.pointCount; ++i) out.insert(out.end(), {g.points[i].x, g.points[i].y, g.points[i].z});
  for (int c = 0; c < g.childCount; ++c) MeshPoints(*g.children[c], out);
}
}  // namespace

// The human meshes built again (as after the device was made again) while the editor has the
// rig posed: the editor's rig stays where it was and keeps its pose, the meshes are built at
// rest as before, and the editor goes on working.
TEST_F(AnimEditorWindow, RebuildingTheHumanMeshesKeepsTheOpenEditorsRigAndItsPose) {
  OpenFigure();
  ASSERT_GT(HumanMeshes.slotCount, 0);
  std::vector<int32_t> before;
  MeshPoints(*HumanMeshes.slots[0].meshes[0], before);
  ASSERT_FALSE(before.empty());
  BoneRig* rig = E().rig;
  Bone* bones = rig->bones.data();
  rig->bones[size_t(FOREARM)].position.x += 20000;
  const IntVector posed = rig->bones[size_t(FOREARM)].position;

  RebuildHumanMeshes();
  EXPECT_EQ(&Humans.boneSets[Humans.models[0].skeletonIndex], rig) << "the bone set is kept";
  EXPECT_EQ(rig->bones.data(), bones);
  EXPECT_EQ(screen->table->rig, rig);
  EXPECT_EQ(rig->bones[size_t(FOREARM)].position.x, posed.x) << "and its pose";
  std::vector<int32_t> after;
  MeshPoints(*HumanMeshes.slots[0].meshes[0], after);
  EXPECT_EQ(after, before) << "the meshes are built in the rest frames, not the pose";

  Frame(2);  // the editor steps and draws its rig
  Key(KEY_ESCAPE);
  Frame(2);
  EXPECT_EQ(OpenAnimEditorScreen, nullptr);
}
