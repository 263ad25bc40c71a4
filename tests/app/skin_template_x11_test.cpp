// skin_template_x11_test.cpp - the vehicle editor's skin actions on a real X server (the test
// run's Xvfb) with a GL device: the skin template put on the clipboard and the skin file's
// name copied there, both read back by another program (xclip).  Skipped without a display
// or xclip.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <future>
#include <string>
#include <vector>

#include "app_harness.h"
#include "core/config.h"
#include "core/frame_globals.h"
#include "core/window_state.h"
#include "frontend/frontend.h"
#include "info_panel/skin_template.h"
#include "physics/car.h"
#include "render/draw_mesh.h"
#include "render/gouraud_mesh.h"
#include "render/object_picture.h"
#include "render/texture_record.h"
#include "tests/platform/skip_outside_ci.h"
#include "tests/render/image_reading.h"
#include "tests/ui/control_clicks.h"
#include "tests/ui/png_test_util.h"
#include "ui/dialogs.h"
#include "vehicle_editor/vehicle_editor.h"

namespace {

struct Picture {
  std::vector<uint8_t> rgba;
  int width = 0, height = 0;
  const uint8_t* At(int x, int y) const { return &rgba[(size_t(y) * size_t(width) + size_t(x)) * 4]; }
};

class SkinTemplateWindow : public AppHarness {
 protected:
  std::string previousDriver_;
  bool hadDriver_ = false;
  VehicleEditor* editor = nullptr;

  void SetUp() override {
    AppHarness::SetUp();
    if (!std::getenv("DISPLAY") || std::system("command -v xclip > /dev/null 2>&1") != 0)
      ZKT_SKIP_OUTSIDE_CI() << "needs an X display and xclip";
    if (const char* d = std::getenv("SDL_VIDEODRIVER")) hadDriver_ = true, previousDriver_ = d;
    setenv("SDL_VIDEODRIVER", "x11", 1);
    const char* work = std::getenv("ZKT_WORK_DIR");
    const std::filesystem::path data = std::filesystem::path(work ? work : "work") / "data";
    for (const char* folder : {"png", "3dob", "veh", "engine"}) {
      std::filesystem::create_directories(std::string("data/") + folder);
      std::filesystem::copy(data / folder, std::string("data/") + folder,
                            std::filesystem::copy_options::recursive | std::filesystem::copy_options::skip_existing);
    }
    WriteConfigFile("Start Windowed 1\nWindow 0 0 1024 768\nSS Type 2\nNext Shot 1\nCompressed Tex 0\n");
    if (AppStartup("") != START_RUNNING) ZKT_SKIP_OUTSIDE_CI() << "no graphics";
    Frame();
    ASSERT_NE(OpenVehicleEditorScreen, nullptr);
    Prss* page = AppTopProcess();
    Prss_AddSub(page, OpenVehicleEditorScreen(page));
    editor = CurrentVehicleEditor;
    ASSERT_NE(editor, nullptr);
    ASSERT_EQ(VehicleEditor::LoadVehicleState(*editor, "Runabout", -1), 1);
    Frame(3);  // the meshes and their textures
  }
  void TearDown() override {
    CfgEditorOptions &= ~EDITOR_OPTION_SMALL_PICTURE;
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
  // Another program's read of the clipboard.  The frames go on meanwhile, so that a claim the
  // window's own event loop serves (the text) is answered as well as the picture's own thread.
  static std::string ReadClipboard(const char* target) {
    const std::string command =
        std::string("timeout 10 xclip -o -selection clipboard") + (target ? std::string(" -t ") + target : "") +
        " 2>/dev/null";
    std::string out;
    for (int attempt = 0; attempt < 3 && out.empty(); ++attempt) {
      std::future<std::string> read = std::async(std::launch::async, RunAndCollect, command);
      while (read.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready) Frame();
      out = read.get();
    }
    return out;
  }
  static Picture PictureOf(const std::string& png, const char* name) {
    if (FILE* f = std::fopen(name, "wb")) {
      std::fwrite(png.data(), 1, png.size(), f);
      std::fclose(f);
    }
    Picture p;
    p.rgba = ReadPng(name, &p.width, &p.height);
    std::filesystem::create_directories("../gpu");
    if (!p.rgba.empty())
      std::filesystem::copy_file(name, std::string("../gpu/skin_template_") + name,
                                 std::filesystem::copy_options::overwrite_existing);
    return p;
  }
  // The four corners are the background's colour; some pixels inside are not (the mesh).  The
  // body's side mapping spans the whole skin page, so its edges run along the picture's border:
  // the corners are taken 3 pixels in.
  static void ExpectTemplate(const Picture& p, int size, const uint8_t background[3], const char* what) {
    ASSERT_EQ(p.width, size) << what;
    ASSERT_EQ(p.height, size) << what;
    const int in = 3, out = size - 1 - in;
    const int corners[4][2] = {{in, in}, {out, in}, {in, out}, {out, out}};
    for (const auto& c : corners)
      for (int channel = 0; channel < 3; ++channel)
        EXPECT_NEAR(int(p.At(c[0], c[1])[channel]), int(background[channel]), 1)
            << what << " corner " << c[0] << ", " << c[1] << " channel " << channel;
    int drawn = 0;
    for (int y = 0; y < size; y += 4)
      for (int x = 0; x < size; x += 4) {
        const uint8_t* q = p.At(x, y);
        drawn += std::abs(q[0] - background[0]) + std::abs(q[1] - background[1]) + std::abs(q[2] - background[2]) > 60;
      }
    EXPECT_GT(drawn, 100) << what << ": the body's triangles";
  }
};

}  // namespace

TEST_F(SkinTemplateWindow, TheTemplateAndTheSkinNameReachTheClipboard) {
  Car& car = *editor->car;
  const DrawMesh* body = car.levelMeshes[0];
  ASSERT_NE(body, nullptr);
  const ZKTETexture* skin = FindTemplateTexture(body);
  ASSERT_NE(skin, nullptr) << "the sample vehicle's skin page has its texture";

  // "Generate Skin Template": the style list, a style chosen by the mouse.
  ASSERT_EQ(editor->prss.sub, nullptr) << "something stands over the editor: " << MessageBoxDialog.first << " | "
                                       << MessageBoxDialog.second << "; the log: " << ::testing::PrintToString(LogTexts());
  AskSkinTemplateStyle(&editor->prss, &car);
  Frame();
  ASSERT_STREQ(SelectDialog.title, "Select type of skin template") << ::testing::PrintToString(LogTexts());
  const ValueControl* style = nullptr;
  for (int i = 0; i < ValueControlCount && !style; ++i) {
    const ValueControl& c = ValueControls[i];
    if (c.callback == SelectItemClick && c.minimum.address &&
        std::strcmp(*static_cast<const char* const*>(c.minimum.address), "white background wireframe") == 0)
      style = &c;
  }
  ASSERT_NE(style, nullptr) << "the list's row";
  ClickControl(*style);
  Frame();
  const uint8_t white[3] = {255, 255, 255}, black[3] = {0, 0, 0};
  ExpectTemplate(PictureOf(ReadClipboard("image/png"), "white_wire.png"), 2048, white, "white background wireframe");

  // With the size option the picture is 1024 pixels square.
  CfgEditorOptions |= EDITOR_OPTION_SMALL_PICTURE;
  MakeSkinTemplate(&editor->prss, &car, PICTURE_WIRE_ON_BLACK);
  Frame();
  ExpectTemplate(PictureOf(ReadClipboard("image/png"), "black_wire.png"), 1024, black, "black background wireframe");
  CfgEditorOptions &= ~EDITOR_OPTION_SMALL_PICTURE;

  // The shaded style: the texture times the body's colours, over the whole page here (the
  // sample's skin file is not among the data, so its texture is empty).
  MakeSkinTemplate(&editor->prss, &car, PICTURE_SHADED);
  Frame();
  const Picture shaded = PictureOf(ReadClipboard("image/png"), "shaded.png");
  EXPECT_EQ(shaded.width, 2048);
  EXPECT_EQ(shaded.height, 2048);

  // The skin file's name as text.
  std::snprintf(car.skinTexture, sizeof car.skinTexture, "RUN_TEST");
  ASSERT_EQ(CopySkinNameToClipboard(&editor->prss, car), 1);
  EXPECT_EQ(ReadClipboard(nullptr), "RUN_TEST");
}
