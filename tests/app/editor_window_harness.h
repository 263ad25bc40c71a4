// editor_window_harness.h - the editors as a user meets them: the program started on a real
// window (SDL's offscreen video, drawing through EGL) at 1024 x 768, driven by key messages and
// mouse records, its frames read back from screenshots at sample pixels.  Each test runs in a
// scratch folder with the sample models and their page textures.
#pragma once
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app_harness.h"
#include "core/config.h"
#include "core/frame_globals.h"
#include "core/window_state.h"
#include "frontend/frontend.h"
#include "model/model_file.h"
#include "modeller/editor/edit_views.h"
#include "modeller/screen/modeller.h"
#include "modeller/editor/object_editor.h"
#include "platform/clock.h"
#include "platform/keys.h"
#include "render/frame.h"
#include "render/screenshot.h"
#include "render/views.h"
#include "skeleton/human_system.h"
#include "tests/platform/skip_outside_ci.h"
#include "tests/ui/control_clicks.h"
#include "tests/ui/png_test_util.h"
#include "text/messages.h"
#include "ui/dialogs.h"
#include "ui/interface.h"
#include "ui/widgets.h"
#include "vehicle_editor/vehicle_editor.h"

constexpr int WIDTH = 1024, HEIGHT = 768;

struct Picture {
  std::vector<uint8_t> rgba;
  int width = 0, height = 0;
  const uint8_t* At(int x, int y) const { return &rgba[(size_t(y) * size_t(width) + size_t(x)) * 4]; }
  bool Black(int x, int y) const {
    const uint8_t* p = At(x, y);
    return p[0] + p[1] + p[2] < 40;
  }
  // Some pixel within two of (x, y) that the test accepts.
  template <class Test>
  bool Near(int x, int y, Test test) const {
    for (int dy = -2; dy <= 2; ++dy)
      for (int dx = -2; dx <= 2; ++dx)
        if (test(At(x + dx, y + dy))) return true;
    return false;
  }
};

inline bool IsRed(const uint8_t* p) { return p[0] > 150 && p[1] < 90 && p[2] < 90; }
inline bool IsBlue(const uint8_t* p) { return p[2] > 150 && p[0] < 90 && p[1] < 90; }
inline bool IsGrey(const uint8_t* p) {
  return p[0] > 60 && std::abs(p[0] - p[1]) < 16 && std::abs(p[1] - p[2]) < 16;
}

class ObjectEditorWindow : public AppHarness {
 protected:
  std::string previousDriver_;
  bool hadDriver_ = false;

  void SetUp() override {
    AppHarness::SetUp();
    if (const char* d = std::getenv("SDL_VIDEODRIVER")) hadDriver_ = true, previousDriver_ = d;
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    const char* work = std::getenv("ZKT_WORK_DIR");
    const std::filesystem::path data = std::filesystem::path(work ? work : "work") / "data";
    std::filesystem::create_directories("data/png");
    std::filesystem::create_directories("data/bkg");
    std::filesystem::create_directories("data/3dob");
    std::filesystem::copy(data / "png", "data/png", std::filesystem::copy_options::recursive);
    std::filesystem::copy(data / "3dob", "data/3dob", std::filesystem::copy_options::recursive);
    WriteConfigFile("Start Windowed 1\nWindow 100 100 1124 868\nSS Type 2\nNext Shot 1\nCompressed Tex 0\n");
    // The edit views as a started program has them (an earlier test may have turned their field
    // of view or grid, which the animation editor shares): the copy is the one before any test.
    static const EditViewSettings fresh = EditViews;
    EditViews = fresh;
    if (AppStartup("") != START_RUNNING) ZKT_SKIP_OUTSIDE_CI() << "no graphics: " << (boxes_.empty() ? "" : boxes_.back());
    ASSERT_EQ(ScreenWidth, WIDTH);
    ASSERT_EQ(ScreenHeight, HEIGHT);
    Frame();
  }
  void TearDown() override {
    if (AppTopProcess()) AppShutdown();
    if (hadDriver_)
      setenv("SDL_VIDEODRIVER", previousDriver_.c_str(), 1);
    else
      unsetenv("SDL_VIDEODRIVER");
    AppHarness::TearDown();
  }

  static void Frame(int passes = 1) {
    for (int i = 0; i < passes; ++i) {
      RedrawRequested = 1;
      AppRunPass();
    }
  }
  // The next frame as the screenshot writes it.
  Picture Shot(const char* name) {
    const int number = CfgNextShot;
    ScreenshotRequest = 1;
    Frame();
    return ReadShot(number, name);
  }

  // The loop's passes as it runs them by itself, no frame asked for, until one draws nothing:
  // the last frame drawn is what the screen goes on showing while the program rests.  The
  // shots' own message lines are kept off the screen: a new line draws a frame again.
  Picture Resting(const char* name) {
    const int level = MessageLevel;
    MessageLevel = 2;
    int shown = -1;
    for (int pass = 0; pass < 20; ++pass) {
      const int number = CfgNextShot;
      ScreenshotRequest = 1;
      AppRunPass();
      if (CfgNextShot == number) break;
      shown = number;
    }
    ScreenshotRequest = 0;
    MessageLevel = level;
    EXPECT_GE(shown, 0) << "a frame was drawn";
    EXPECT_EQ(RedrawRequested, 0) << "the program came to rest";
    return ReadShot(shown, name);
  }

  // Screenshot number read back, and kept beside the test's other pictures as name.png.
  static Picture ReadShot(int number, const char* name) {
    char path[64];
    std::snprintf(path, sizeof path, "data/shots/zkt_%08d.png", number);
    Picture p;
    p.rgba = ReadPng(path, &p.width, &p.height);
    std::filesystem::create_directories("../gpu");
    std::filesystem::copy_file(path, std::string("../gpu/") + name + ".png",
                               std::filesystem::copy_options::overwrite_existing);
    EXPECT_EQ(p.width, WIDTH) << path;
    return p;
  }

  static void Key(int key, bool shift = false) {
    if (shift) HandleKeyDown(KEY_SHIFT, 0);
    HandleKeyDown(key, 0);
    HandleKeyUp(key);
    if (shift) HandleKeyUp(KEY_SHIFT);
    Frame();
  }
  // A key pressed with a modifier (KEY_CTRL, KEY_SHIFT) held.
  static void KeyWith(int modifier, int key) {
    HandleKeyDown(modifier, 0);
    HandleKeyDown(key, 0);
    HandleKeyUp(key);
    HandleKeyUp(modifier);
    Frame();
  }
  static void Mouse(MouseRecord record, int x, int y) {
    MouseX = x;
    MouseY = y;
    Prss_DeliverMouse(&record);
  }
  static void ClickAt(int x, int y, int right = 0) {
    MouseRecord press{};
    press.clickCode = right ? CLICK_RIGHT : CLICK_LEFT;
    press.leftHeld = right ? 0 : 1;
    press.rightHeld = right ? 1 : 0;
    Mouse(press, x, y);
    MouseRecord release{};
    release.releaseCode = right ? 2 : 1;
    Mouse(release, x, y);
    Frame();
  }
  // The button of the last frame showing that text (or that hint when the text is ambiguous).
  static const InterfaceButton* FindButton(const char* text, const char* hint = nullptr) {
    return FindShownButton(text, hint);
  }
  static bool HasButtonStarting(const char* start) {
    char shown[128];
    for (int i = 0; i < ButtonCount; ++i)
      if (ButtonText(InterfaceButtons[i], shown, sizeof shown) && std::strncmp(shown, start, std::strlen(start)) == 0)
        return true;
    return false;
  }
  static void Click(const char* text, const char* hint = nullptr) {
    const InterfaceButton* b = FindButton(text, hint);
    ASSERT_NE(b, nullptr) << "no button \"" << text << "\"";
    ClickAt((b->left + b->right) / 2, (b->top + b->bottom) / 2);
  }
  static void Answer(const char* text) {
    ASSERT_EQ(OpenTextEntry.open, 1) << "a text entry is asked for";
    ASSERT_EQ(ConfirmTextEntry(text), 1);
    Frame(2);
  }
  static void Wheel(int direction) {
    MouseRecord wheel{};
    wheel.wheel = direction;
    Mouse(wheel, WIDTH / 2, HEIGHT / 2);
    Frame();
  }
  // A model file of data/3dob loaded into the model and opened as the entry menu opens a
  // model: the modeller at once, asking before a changed model is left.  The object editor.
  static ObjectEditor* OpenModelInModeller(ModelObject& model, const char* path) {
    model.Init();
    EXPECT_EQ(LoadModelFile(model, nullptr, path, 1, nullptr), 1) << path;
    Prss* page = AppTopProcess();
    ObjectEditor* e = OpenObjectEditor(page, OPEN_MODELLER, &model, -1, nullptr, nullptr, CALLER_ENTRY_MENU, ~0u);
    Prss_AddSub(page, &e->prss);
    return e;
  }
  // The first human figure opened as the animation page opens it (open mode 2 with its
  // skeleton, no driver animation), seen from the front 3 m away, level with the chest.
  static ObjectEditor* OpenFirstFigure() {
    EXPECT_GT(Humans.modelCount, 0);
    if (Humans.modelCount <= 0) return nullptr;
    HumanModel& figure = Humans.models[0];
    Prss* page = AppTopProcess();
    ObjectEditor* e = OpenObjectEditor(page, OPEN_ANIMATION_EDITOR, &figure.model, int(figure.skeletonIndex), nullptr,
                                       nullptr, CALLER_ENTRY_MENU, ~0u);
    Prss_AddSub(page, &e->prss);
    CurrentView->heading = 0;
    CurrentView->pitch = 0;
    const int32_t eye[3] = {0, 3 << 16, 1 << 16};
    std::memcpy(CurrentView->position, eye, sizeof eye);
    return e;
  }
  // Opens the object editor through the entry page's own button.
  static void OpenFromTheEntryPage() {
    ASSERT_TRUE(EntryPageIsIdle());
    // The button stands at the bottom right, from x 0.3 to 1.0 and y 0.85 to 1.0.
    ClickAt(int((1.0 + 0.65) / 2 * WIDTH), int((1.0 + 0.925) / 2 * HEIGHT));
    ASSERT_NE(ActiveObjectEditor, nullptr) << "the entry page's button opens the editor";
  }
};

// The object editor's window with the sample vehicles, engines and skins copied into the data
// folder, and the fake clock driven frame by frame.
class CarWindow : public ObjectEditorWindow {
 protected:
  static constexpr uint32_t FRAME_MS = 20;

  void SetUp() override {
    const char* work = std::getenv("ZKT_WORK_DIR");
    const std::filesystem::path data = std::filesystem::path(work ? work : "work") / "data";
    ObjectEditorWindow::SetUp();
    if (IsSkipped()) return;
    for (const char* folder : {"veh", "engine", "skins"}) {
      std::filesystem::create_directories(std::string("data/") + folder);
      std::filesystem::copy(data / folder, std::string("data/") + folder, std::filesystem::copy_options::recursive |
                                                                             std::filesystem::copy_options::skip_existing);
    }
  }
  // A vehicle of data/veh loaded by the vehicle editor's "LOAD" (the editor opened by the entry
  // page's button first), with no question about the car before.
  static void LoadVehicle(const char* vehicle) {
    if (!CurrentVehicleEditor) OpenVehicleEditorFromTheEntryPage();
    ASSERT_NE(CurrentVehicleEditor, nullptr);
    CurrentVehicleEditor->selection.saved = 1;
    Click("LOAD");
    Answer(vehicle);
    ASSERT_NE(CurrentVehicleEditor->car, nullptr);
  }
  // Frames of FRAME_MS each for the given time.
  static void Run(uint32_t ms) {
    for (uint32_t t = 0; t < ms; t += FRAME_MS) {
      ClockAdvanceFake(FRAME_MS);
      Frame();
    }
  }
  // Frames of LONG_FRAME_MS, where only the time they add up to matters: the car takes the
  // same 1 ms steps as in frames of FRAME_MS, a held button acts by the time held, and a fifth
  // as many pictures are drawn on the way (each costs far more than what it shows).
  static constexpr uint32_t LONG_FRAME_MS = 100;
  // The car settling for the given time.
  static void Settle(uint32_t ms) {
    for (uint32_t t = 0; t < ms; t += LONG_FRAME_MS) {
      ClockAdvanceFake(LONG_FRAME_MS);
      Frame();
    }
  }
  // The vehicle editor's open page scrolled by wheel steps over it (a page longer than its
  // room on this 768-row window scrolls) until a button shows the text; false when the page
  // reaches its end without one.  scrollToTop first puts the page back at its top.
  static bool ScrollPageTo(const char* text, bool scrollToTop = false) {
    if (scrollToTop && CurrentVehicleEditor) CurrentVehicleEditor->pageScroll = 0;
    Frame();
    for (int step = 0; step < 64; ++step) {
      if (FindButton(text)) return true;
      const int before = CurrentVehicleEditor ? CurrentVehicleEditor->pageScroll : 0;
      MouseRecord down{};
      down.wheel = -1;
      Mouse(down, 4 * ButtonWidth, HEIGHT / 2);
      Frame();
      if (!CurrentVehicleEditor || CurrentVehicleEditor->pageScroll == before) return FindButton(text) != nullptr;
    }
    return false;
  }
  // The entry page's "vehicle editor" button: the panel's label column, from y 0.35 down a row.
  static void OpenVehicleEditorFromTheEntryPage() {
    ASSERT_TRUE(EntryPageIsIdle());
    const PanelLayout& l = CurrentPanelLayout();
    ClickAt(int((1.0 + (l.labelX1 + l.labelX2) / 2) / 2 * WIDTH), int((1.0 + 0.35 + l.rowHeight / 2) / 2 * HEIGHT));
    ASSERT_NE(CurrentVehicleEditor, nullptr) << "the entry page's button opens the vehicle editor";
    Frame();
  }
};

