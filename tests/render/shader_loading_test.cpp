// shader_loading_test.cpp - what a device says about shader sources it cannot load: a
// shader the program does not ship yet only in the log (once), a shipped one also as a
// message line, and a missing interface shader as the error that stops the device.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/config.h"
#include "core/log.h"
#include "core/report.h"
#include "core/window_state.h"
#include "render/device.h"
#include "render/material.h"
#include "render/shaders.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> g_reported;  // the lines reported to the user, in order

void RecordLine(const char* text, ReportColour, int) { g_reported.push_back(text); }

class ShaderLoading : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::current_path() / "shader_loading";
    fs::remove_all(folder_);
    fs::create_directories(folder_ / "shaders");
    const char* source = std::getenv("ZKT_SOURCE_DIR");
    ASSERT_NE(source, nullptr);
    for (const auto& entry : fs::directory_iterator(fs::path(source) / "bin" / "shaders2"))
      fs::copy_file(entry.path(), folder_ / "shaders" / entry.path().filename());
    std::snprintf(ShaderFolder, sizeof ShaderFolder, "%s", (folder_ / "shaders").c_str());
    // The program's own log: a log of another name also records every message line.
    previous_ = fs::current_path();
    fs::current_path(folder_);
    SetLogFileName("");
    GfxUseNullBackend(true);
    ResetShaderReports();
    g_reported.clear();
    ReportSink sink{};
    sink.line = RecordLine;
    previousSink_ = InstallReportSink(sink);
    ScreenWidth = 320;
    ScreenHeight = 240;
    CfgStartWindowed = 1;
    CfgAdapterSelect = CfgOutputSelect = 0;
    CfgZbdSelect = 2;
  }
  void TearDown() override {
    ShutdownGraphics();
    GfxUseNullBackend(false);
    fs::current_path(previous_);
    InstallReportSink(previousSink_);
  }

  const char* MakeDevice() {
    if (const char* error = PreInitD3D()) return error;
    return InitialiseGraphicsForScreen();
  }
  std::string Path(const char* name) const { return (folder_ / "shaders" / name).string(); }
  int LogCount(const std::string& text) const {
    std::ifstream in(folder_ / "deb.log");
    int count = 0;
    for (std::string line; std::getline(in, line);)
      if (line.find(text) != std::string::npos) ++count;
    return count;
  }
  static bool Shown(const std::string& text) {
    for (const std::string& line : g_reported)
      if (line == text) return true;
    return false;
  }

  fs::path folder_, previous_;
  ReportSink previousSink_{};
};

TEST_F(ShaderLoading, AShaderNotShippedIsOnlyLoggedOnceUntilSomethingDrawsWithIt) {
  ASSERT_FALSE(ShaderShipped("vs", 26)) << "the car mirror's shader belongs to a later part";
  ASSERT_TRUE(ShaderShipped("vs", 5));
  ASSERT_EQ(MakeDevice(), nullptr);
  EXPECT_TRUE(g_reported.empty()) << "a start shows no line the user did not cause: " << g_reported.front();
  const std::string missing = "Could not open vertex shader (" + Path("vs_26.glsl") + ")";
  EXPECT_EQ(LogCount(missing), 1);

  // The device made again (as after a lost device) does not log it again.
  ShutdownGraphics();
  ASSERT_EQ(MakeDevice(), nullptr);
  EXPECT_EQ(LogCount(missing), 1);

  // Drawing with it shows the message once; its draws are skipped.
  Material::SetVShader(26);
  EXPECT_TRUE(Shown(missing));
  EXPECT_FALSE(DrawsAllowed());
  Material::SetVShader(5);
  Material::SetVShader(26);
  EXPECT_EQ(g_reported.size(), 1u);
  Material::SetVShader(5);
}

TEST_F(ShaderLoading, OnlyTheFirstFramesShadersAreCompiledWithTheDeviceTheOthersWhenFirstBound) {
  ASSERT_EQ(MakeDevice(), nullptr);
  EXPECT_TRUE(Shaders.vertex[5] && Shaders.pixel[24]) << "the first frame draws its text and pictures with them";
  EXPECT_FALSE(Shaders.pixel[23]) << "no first page draws in plain colour: it waits for its first draw";
  EXPECT_FALSE(Shaders.vertex[10]) << "a world shader waits for its first draw";
  EXPECT_FALSE(Shaders.pixel[35]);
  EXPECT_TRUE(Shaders.layouts[1] && Shaders.layouts[2] && Shaders.layouts[3]) << "every vertex layout stands";
  Material::SetVShader(10);
  Material::SetPShader(35);
  EXPECT_TRUE(Shaders.vertex[10] && Shaders.pixel[35]);
  EXPECT_TRUE(DrawsAllowed());
  Material::SetVShader(5);
  Material::SetPShader(23);
  EXPECT_TRUE(Shaders.pixel[23]);
  EXPECT_TRUE(DrawsAllowed());
  EXPECT_TRUE(g_reported.empty()) << "compiled without a word: " << g_reported.front();

  // Made again (as after a lost device), the device again leaves them for their first use.
  ShutdownGraphics();
  ASSERT_EQ(MakeDevice(), nullptr);
  EXPECT_FALSE(Shaders.pixel[35]);
  Material::SetPShader(35);
  EXPECT_TRUE(Shaders.pixel[35]);
  EXPECT_TRUE(g_reported.empty());
}

TEST_F(ShaderLoading, AShippedShaderThatIsMissingIsShownAndLogged) {
  fs::remove(folder_ / "shaders" / "ps_35.glsl");
  ASSERT_EQ(MakeDevice(), nullptr) << "the device stands without a shader of a 3D pass";
  const std::string missing = "Could not open pixel shader (" + Path("ps_35.glsl") + ")";
  EXPECT_TRUE(Shown(missing));
  EXPECT_EQ(LogCount(missing), 1);
}

TEST_F(ShaderLoading, AMissingInterfaceShaderIsTheErrorThatStopsTheDevice) {
  for (const char* name : {"vs_5.glsl", "ps_23.glsl", "ps_24.glsl"}) {
    SCOPED_TRACE(name);
    fs::rename(folder_ / "shaders" / name, folder_ / name);
    const char* error = MakeDevice();
    ASSERT_NE(error, nullptr);
    const std::string stage = name[0] == 'v' ? "vertex" : "pixel";
    EXPECT_EQ(std::string(error), "Could not open " + stage + " shader (" + Path(name) + ")");
    ShutdownGraphics();
    fs::rename(folder_ / name, folder_ / "shaders" / name);
  }
  // Without the folder at all, the first of them is named.
  std::snprintf(ShaderFolder, sizeof ShaderFolder, "%s", (folder_ / "none").c_str());
  const char* error = MakeDevice();
  ASSERT_NE(error, nullptr);
  EXPECT_EQ(std::string(error), "Could not open vertex shader (" + (folder_ / "none" / "vs_5.glsl").string() + ")");
}

// A shader's '#include "name"' lines take in the files of the shader folder, to four files
// deep; a fifth file inside them is not read, and the message names it.
TEST_F(ShaderLoading, IncludesAreReadFourFilesDeepAndAFifthIsNamedAsMissing) {
  auto write = [this](const std::string& name, const std::string& text) {
    std::ofstream(folder_ / "shaders" / name, std::ios::binary) << text;
  };
  const std::string body = "#version 330 core\nout vec4 colour;\nvoid main() { colour = vec4(1.0); }\n";
  write("ps_35.glsl", "#include \"deep1.glsl\"\n");
  write("deep1.glsl", "#include \"deep2.glsl\"\n");
  write("deep2.glsl", "#include \"deep3.glsl\"\n");
  write("deep3.glsl", "#include \"deep4.glsl\"\n");
  write("deep4.glsl", body);
  ASSERT_EQ(MakeDevice(), nullptr);
  Material::SetPShader(35);
  EXPECT_TRUE(Shaders.pixel[35]) << "four files deep";
  EXPECT_TRUE(g_reported.empty()) << g_reported.front();
  ShutdownGraphics();

  write("deep4.glsl", "#include \"deep5.glsl\"\n");
  write("deep5.glsl", body);
  ASSERT_EQ(MakeDevice(), nullptr);
  const std::string missing = "Could not open pixel shader (" + Path("deep5.glsl") + ")";
  EXPECT_TRUE(Shown(missing));
  EXPECT_EQ(LogCount(missing), 1);
}

}  // namespace
