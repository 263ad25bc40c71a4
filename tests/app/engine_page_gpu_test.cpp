// engine_page_gpu_test.cpp - the engine page as a user meets it (editor_window_harness.h): opened
// by the side panel's "edit engine" over a sample car, driven by mouse records and keys; its
// rows and their rules, its description lines, the ignition, its files (saved, loaded on
// another car, the sound alone, damaged files and bad names) and Escape.  On the real GL
// context the curves stand where the test's own double-precision engine puts them, and the rev
// counter's needle where the idle speed puts it, over the plot's ground in the upper right
// quarter.  Pictures: engine_page.png, engine_page_ground.png and engine_page_electric.png.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/data_file.h"
#include "editor_window_harness.h"
#include "physics/car.h"
#include "text/messages.h"
#include "ui/number_gauge.h"
#include "ui/value_edit.h"
#include "vehicle_data/engine_file.h"
#include "vehicle_data/engine_power.h"
#include "vehicle_data/engine_record.h"
#include "vehicle_data/vehicle_class.h"
#include "vehicle_data/vehicle_data.h"
#include "vehicle_editor/engine/engine_page.h"

namespace {

constexpr int FLOAT_PLUS_STYLE = 34;  // the "+" beside a value button
constexpr int TOGGLE_STYLE = 53;      // a flag's toggle beside its label

// The engine's stored form: the record as a vehicle keeps it, then the 29 sound figures and
// every wave's byte, count and samples.
std::vector<uint8_t> EngineBytes(const EngineModel& engine, int electric) {
  EngineModel copy = engine;  // shares the waves; writing without them changes nothing
  std::vector<uint8_t> bytes = MemoryWriteBody([&](DataFile& f) { copy.Write(f, 1, electric); });
  const auto put = [&](const void* p, size_t n) {
    bytes.insert(bytes.end(), static_cast<const uint8_t*>(p), static_cast<const uint8_t*>(p) + n);
  };
  put(engine.soundParams, sizeof engine.soundParams);
  for (const EngineWave& w : engine.waves) {
    put(&w.bytes[3], 1);
    put(&w.count, 4);
    if (w.count) put(w.samples, size_t(w.count) * 4);
  }
  return bytes;
}

std::vector<uint8_t> FileBytes(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

bool MessageShown(const std::string& part) {
  for (int i = 0; i < MessageLineCount; ++i)
    if (std::string(MessageLines[i].text).find(part) != std::string::npos) return true;
  return false;
}

// The curve's net torque in double: the bell about the peak, eased in below 1.5 x idle, held
// to the limit, times the boost, less the friction.
double NetTorque(const EngineModel& e, double w) {
  if (w <= 0.0) return 0.0;
  const double d = (w - e.peakSpeed) / e.spread;
  double t = e.peakTorque / (1.0 + d * d);
  if (1.5 * e.idleSpeed > w) {
    const double u = w * 0.667 / e.idleSpeed;
    t *= (3.0 - 2.0 * u) * u * u;
  }
  const double f = e.resistance * w * w + 0.015 * e.peakTorque;
  if (e.torqueLimit != 0.0f && e.boostMultiplier * t - f > e.torqueLimit) t = (e.torqueLimit + f) / e.boostMultiplier;
  return e.boostMultiplier * t - f;
}

std::string Rgb(const uint8_t* p) {
  return std::to_string(p[0]) + " " + std::to_string(p[1]) + " " + std::to_string(p[2]);
}

// The curves' colours as the screen shows them (lighter than the words: 40 A0 FF and FF 50 30).
bool IsTorqueColour(const uint8_t* p) { return p[2] > 200 && p[2] - p[0] > 80; }
bool IsPowerColour(const uint8_t* p) { return p[0] > 200 && p[0] - p[2] > 80; }
bool IsNeedle(const uint8_t* p) { return p[0] > 140 && p[1] < 90 && p[2] < 90; }

class EnginePageWindow : public CarWindow {
 protected:
  // The sample car loaded in the vehicle editor, and its page opened by the side panel.
  static void OpenOn(const char* vehicle) {
    LoadVehicle(vehicle);
    Click("Allow");  // a page beside which the side panel shows
    Click("edit engine");
    ASSERT_NE(OpenEnginePage, nullptr) << "the side panel's \"edit engine\" opens the page";
    Frame();
  }
  static EngineModel& Engine() { return CurrentVehicleEditor->car->engine; }
  // The shown button whose text starts so.
  static const InterfaceButton* Starting(const char* start) {
    char shown[128];
    for (int i = 0; i < ButtonCount; ++i)
      if (ButtonText(InterfaceButtons[i], shown, sizeof shown) && std::strncmp(shown, start, std::strlen(start)) == 0)
        return &InterfaceButtons[i];
    return nullptr;
  }
  // The shown texts of the left column, top to bottom, left to right.
  static std::vector<std::string> LeftColumn() {
    std::vector<std::pair<std::pair<int, int>, std::string>> found;
    char shown[128];
    for (int i = 0; i < ButtonCount; ++i) {
      const InterfaceButton& b = InterfaceButtons[i];
      if (b.left < WIDTH / 2 && ButtonText(b, shown, sizeof shown) && shown[0] && std::strcmp(shown, "\x8B") &&
          std::strcmp(shown, "\x9B"))
        found.push_back({{b.top, b.left}, shown});
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> texts;
    for (auto& f : found) texts.push_back(f.second);
    return texts;
  }
  // The toggle right of its label.
  static void ClickToggleOf(const char* label) {
    for (int i = 0; i < ButtonCount; ++i) {
      const InterfaceButton b = InterfaceButtons[i];
      if (b.style == TOGGLE_STYLE && b.text.text && std::strcmp(b.text.text, label) == 0) {
        ClickAt((b.left + b.right) / 2, (b.top + b.bottom) / 2);
        return;
      }
    }
    ADD_FAILURE() << "no toggle " << label;
  }
  static void ClickPlusOf(const float* variable) {
    for (int i = 0; i < ButtonCount; ++i)
      if (InterfaceButtons[i].style == FLOAT_PLUS_STYLE && InterfaceButtons[i].word == reinterpret_cast<uintptr_t>(variable)) {
        const InterfaceButton b = InterfaceButtons[i];
        ClickAt((b.left + b.right) / 2, (b.top + b.bottom) / 2);
        return;
      }
    ADD_FAILURE() << "no \"+\" for the value";
  }
  // The engine rebuilt by its vehicle, as a copy.
  static EngineModel Rebuilt() {
    EngineModel copy = Engine();
    std::memset(copy.waves, 0, sizeof copy.waves);
    copy.Recompute(CurrentVehicleEditor->car->transmissionType, CurrentVehicleEditor->car->vehicleClass);
    return copy;
  }
};

// Opening, the rows and their ranges, cylinders and layout, the toggles, a step and a typed
// value, the description lines, the ignition and Escape.
TEST_F(EnginePageWindow, TheSidePanelOpensItItsRowsFollowTheEngineAndEscapeClosesIt) {
  OpenVehicleEditorFromTheEntryPage();
  const EditorFrameHookFn hookBefore = EditorFrameHook;
  void* const hookArgumentBefore = EditorFrameHookArgument;
  OpenOn("Runabout");
  EngineModel& e = Engine();
  EXPECT_EQ(e.running, 1u);
  EXPECT_NEAR(e.speed, e.idleSpeed, 0.05f * e.idleSpeed) << "the engine runs at idle";
  EXPECT_EQ(EditorFrameHook, &DrawEngineCurves);

  // The rows in their order; the value rows with their ranges.
  e.layout = ENGINE_INLINE, e.cylinders = 4, e.flags &= ~(ENGINE_TURBO | ENGINE_CROSS_PLANE), e.torqueLimit = 0.0f;
  Frame();
  const std::vector<std::string> column = LeftColumn();
  const char* const order[] = {"Cylinders", "1", "2", "3", "4", "5", "6", "8", "10", "12", "Layout", "Inline", "Flat",
                               "V", "Engine Size", "Max Torque Mul", "Torque Spread Mul", "Cam Timing",
                               "Resistance Mul", "Inertia Mul", "Idle Speed", "Redline", "Turbo", "Two-stroke",
                               "load WAVES", "load ENG", "save ENG"};
  size_t at = 0;
  for (const char* want : order) {
    while (at < column.size() && column[at].rfind(want, 0) != 0) ++at;
    ASSERT_LT(at, column.size()) << "\"" << want << "\" in its place: " << ::testing::PrintToString(column);
  }
  const VehicleClass& row = VehicleClassRow(CurrentVehicleEditor->car->vehicleClass);
  struct Range {
    const char* label;
    float minimum, maximum;
  };
  const Range ranges[] = {{"Engine Size", row.engineSizeMin, row.engineSizeMax},
                          {"Max Torque Mul", 0.07f, 0.28f},
                          {"Torque Spread Mul", 0.5f, 5.5f},
                          {"Cam Timing", 0.2f, 3.5f},
                          {"Resistance Mul", 70.0f, 170.0f},
                          {"Inertia Mul", 0.4f, 2.0f},
                          {"Idle Speed", 52.359879f, 418.87903f},
                          {"Redline", 104.71976f, 2094.3953f}};
  for (const Range& r : ranges) {
    const InterfaceButton* b = Starting(r.label);
    ASSERT_NE(b, nullptr) << r.label;
    EXPECT_FLOAT_EQ(b->text.f, r.minimum) << r.label;
    EXPECT_FLOAT_EQ(b->third.f, r.maximum) << r.label;
  }
  char idle[32];
  std::snprintf(idle, sizeof idle, "Idle Speed %.0f", double(e.idleSpeed * 9.549296f));
  EXPECT_NE(FindButton(idle), nullptr) << "the idle speed in rpm";
  EXPECT_EQ(Starting("Torque Limit"), nullptr) << "no limit set";
  EXPECT_EQ(Starting("Cross Plane V8 Sound"), nullptr);

  // Cylinders and layout.
  Click("V");
  EXPECT_EQ(e.layout, ENGINE_V) << "4 cylinders may be a V";
  Click("3");
  EXPECT_EQ(e.cylinders, 3);
  EXPECT_EQ(e.layout, ENGINE_INLINE) << "3 cylinders in V give Inline";
  Click("10");
  EXPECT_EQ(e.layout, ENGINE_V) << "10 inline give V";
  Click("Inline");
  EXPECT_EQ(e.layout, ENGINE_V) << "10 cannot be inline";
  Click("Flat");
  EXPECT_EQ(e.layout, ENGINE_FLAT);
  Click("12");
  EXPECT_EQ(e.layout, ENGINE_FLAT) << "Flat stays for 12";
  Click("10");
  EXPECT_EQ(e.layout, ENGINE_FLAT) << "and for 10";
  Click("8");
  EXPECT_EQ(Starting("Cross Plane V8 Sound"), nullptr) << "a flat 8";
  Click("V");
  ASSERT_NE(Starting("Cross Plane V8 Sound"), nullptr) << "8 in V";
  ClickToggleOf("Cross Plane V8 Sound");
  EXPECT_TRUE(e.flags & ENGINE_CROSS_PLANE);
  Click("6");
  EXPECT_EQ(Starting("Cross Plane V8 Sound"), nullptr);
  Click("4");
  Click("Inline");

  // The limit's row only while a limit is set.
  e.torqueLimit = 300.0f;
  Frame();
  EXPECT_NE(FindButton("Torque Limit 300.0"), nullptr);
  e.torqueLimit = 0.0f;
  Frame();

  // A step and a typed value rebuild the curve; the lines follow.
  const float spread = e.spreadMul;
  ClickPlusOf(&e.spreadMul);
  EXPECT_NEAR(e.spreadMul, spread + 0.001f, 1e-5f);
  EngineModel rebuilt = Rebuilt();
  EXPECT_EQ(e.maxTorque, rebuilt.maxTorque);
  EXPECT_EQ(e.maxPowerSpeed, rebuilt.maxPowerSpeed);
  const InterfaceButton* spreadRow = Starting("Torque Spread Mul");
  ASSERT_NE(spreadRow, nullptr);
  const float torqueBefore = e.maxTorque;
  ClickAt((spreadRow->left + spreadRow->right) / 2, (spreadRow->top + spreadRow->bottom) / 2, 1);
  Answer("3.5");
  EXPECT_FLOAT_EQ(e.spreadMul, 3.5f);
  rebuilt = Rebuilt();
  EXPECT_EQ(e.maxTorque, rebuilt.maxTorque);
  EXPECT_NE(e.maxTorque, torqueBefore);
  Frame();
  char engineLine[ENGINE_LINE_SIZE], torqueLine[ENGINE_LINE_SIZE], powerLine[ENGINE_LINE_SIZE];
  DescribeEnginePower(e, 0, engineLine, torqueLine, powerLine);
  EXPECT_NE(FindButton(engineLine), nullptr) << engineLine;
  EXPECT_NE(FindButton(torqueLine), nullptr) << torqueLine;
  EXPECT_NE(FindButton(powerLine), nullptr) << powerLine;
  // The lines' forms: one decimal below 50 N m, litres from 1000 cc.
  const EngineModel kept = e;
  e.maxTorque = 49.9f, e.engineSize = 999.0f;
  Frame();
  EXPECT_NE(Starting("Torque : 49.9 Nm ("), nullptr);
  EXPECT_NE(Starting("Engine : 999 cc"), nullptr);
  e.maxTorque = 50.0f, e.engineSize = 1600.0f;
  Frame();
  EXPECT_NE(Starting("Torque : 50 Nm ("), nullptr);
  EXPECT_NE(Starting("Engine : 1.6 litre"), nullptr);
  e.maxTorque = kept.maxTorque, e.engineSize = kept.engineSize;

  // The ignition.
  Key('I');
  EXPECT_EQ(e.running, 0u);
  e.speed = 0.0f;
  Key('I');
  EXPECT_EQ(e.running, 1u);
  EXPECT_NEAR(e.speed, e.idleSpeed, 0.05f * e.idleSpeed);

  // Escape: the car set up again (its engine rebuilt), the engine stopped, the hook given back.
  e.peakTorque = 0.0f;
  Key(KEY_ESCAPE);
  Frame();
  EXPECT_EQ(OpenEnginePage, nullptr);
  EXPECT_EQ(e.running, 0u);
  EXPECT_GT(e.peakTorque, 0.0f) << "Car::SetupFromVehicle rebuilt the engine";
  EXPECT_EQ(EditorFrameHook, hookBefore);
  EXPECT_EQ(EditorFrameHookArgument, hookArgumentBefore);
  EXPECT_EQ(CurrentProcess, &CurrentVehicleEditor->prss);
}

// An electric car shows its three rows; its curves and lines are the motor's.
TEST_F(EnginePageWindow, AnElectricCarShowsItsThreeRowsAndAFlatPowerLine) {
  OpenOn("Roadster");
  EngineModel& e = Engine();
  ASSERT_EQ(CurrentVehicleEditor->car->transmissionType, TRANSMISSION_ELECTRIC);
  const std::vector<std::string> column = LeftColumn();
  ASSERT_GE(column.size(), 6u);
  EXPECT_EQ(column[0].rfind("Redline ", 0), 0u) << column[0];
  EXPECT_EQ(column[1].rfind("Max Power ", 0), 0u) << column[1];
  EXPECT_EQ(column[2].rfind("Max Torque ", 0), 0u) << column[2];
  EXPECT_EQ(column[3], "load WAVES");
  EXPECT_EQ(Starting("Cylinders"), nullptr);
  EXPECT_EQ(Starting("Engine :"), nullptr) << "a motor has no engine line";
  const InterfaceButton* power = Starting("Max Power ");
  ASSERT_NE(power, nullptr);
  EXPECT_FLOAT_EQ(power->text.f, 100.0f);
  EXPECT_FLOAT_EQ(power->third.f, 500000.0f);

  const Picture p = Shot("engine_page_electric");
  const EnginePlot g = EnginePlotGeometry(WIDTH, HEIGHT, ButtonHeight);
  const double powerScale = EngineScale(e.maxPower * ENGINE_BHP_PER_WATT);
  ASSERT_GT(e.maxTorqueSpeed, 0.0f);
  // Above the base speed the power line is flat at the base speed times the peak torque.
  const double flatY = g.zeroY - g.height * (double(e.maxTorqueSpeed) * e.peakTorque * ENGINE_BHP_PER_WATT) / powerScale;
  int checked = 0;
  for (int x = 1; x < int(g.width); x += 17) {
    const double s = double(x) * e.redline / g.width;
    if (s < 1.05 * e.maxTorqueSpeed) continue;
    EXPECT_TRUE(p.Near(int(g.left) + x, int(std::lround(flatY)), IsPowerColour))
        << "column " << x << " row " << flatY << ": " << Rgb(p.At(int(g.left) + x, int(std::lround(flatY)))) << " / "
        << Rgb(p.At(int(g.left) + x, int(std::lround(flatY)) - 1)) << " / " << Rgb(p.At(int(g.left) + x, int(std::lround(flatY)) + 1));
    ++checked;
  }
  EXPECT_GT(checked, 3);
}

// The plot's dark ground fills the upper right quarter of the screen and nothing else: left of
// the power axis and right of the torque axis, above the zero line, it is one flat colour (20 28
// 30, lightened on the screen as the curves' colours are, so only bluer than red is checked),
// and the lower left quarter, where the view shows through, has none of it.
TEST_F(EnginePageWindow, ThePlotsGroundFillsTheUpperRightQuarterAlone) {
  OpenOn("Runabout");
  const Picture p = Shot("engine_page_ground");
  const EnginePlot g = EnginePlotGeometry(WIDTH, HEIGHT, ButtonHeight);
  ASSERT_GT(g.left, WIDTH / 2 + 8.0f);
  const int leftBand = WIDTH / 2 + 8, rightBand = WIDTH - 8;  // between the quarter's edges and the axes
  const uint8_t* ground = p.At(leftBand, 8);
  EXPECT_GE(ground[2] - ground[0], 12) << Rgb(ground);
  EXPECT_GE(ground[1], ground[0]) << Rgb(ground);
  EXPECT_GE(ground[2], ground[1]) << Rgb(ground);
  for (int y = 8; y < int(g.zeroY); y += 20)
    for (int x : {leftBand, rightBand}) EXPECT_EQ(Rgb(p.At(x, y)), Rgb(ground)) << x << ", " << y;
  for (int y = HEIGHT / 2 + 16; y < HEIGHT; y += 40)
    for (int x = 16; x < WIDTH / 2; x += 40) EXPECT_NE(Rgb(p.At(x, y)), Rgb(ground)) << x << ", " << y;
}

// The zero line runs level across the plot, light grey over the bluer ground: on this screen of
// 1024 x 768 with rows of 24 pixels the plot starts at 512 + 512 / 16 = 544 and is
// 512 - 2 x 32 = 448 wide, its zero line on row 384 - 4 x 24 = 288.  Columns where a curve
// comes within a few rows of the line are left out, as either may lie on top there.
TEST_F(EnginePageWindow, TheZeroLineRunsLevelAcrossThePlot) {
  OpenOn("Runabout");
  ASSERT_EQ(ButtonHeight, 24);
  const EngineModel& e = Engine();
  const Picture p = Shot("engine_page_zero_line");
  constexpr int left = 544, width = 448, zeroY = 288;
  constexpr double height = 264.0;  // full scale, 384 - 5 x 24 rows above the zero line
  const double torqueScale = EngineScale(e.maxTorque), powerScale = EngineScale(e.maxPower * ENGINE_BHP_PER_WATT);
  const auto grey = [](const uint8_t* q) {
    return q[0] > 150 && std::max({q[0], q[1], q[2]}) - std::min({q[0], q[1], q[2]}) < 16;
  };
  int checked = 0;
  for (int x = 4; x < width - 4; x += 12) {
    const double s = double(x) * e.redline / width;
    const double n = NetTorque(e, s);
    const double ty = height * n / torqueScale, py = height * (n * s * 0.0013413) / powerScale;
    if (std::abs(ty) < 4.0 || std::abs(py) < 4.0) continue;
    EXPECT_TRUE(grey(p.At(left + x, zeroY))) << "column " << x << ": " << Rgb(p.At(left + x, zeroY));
    ++checked;
  }
  EXPECT_GT(checked, 20);
}

// On the real GL context: the curves at sample columns and the needle at idle; files.
TEST_F(EnginePageWindow, TheCurvesAndNeedleStandWhereTheEngineSaysAndFilesRoundTrip) {
  OpenOn("Runabout");
  EngineModel& e = Engine();
  Click("5");  // an engine of its own, unlike the other car's
  e.speed = e.idleSpeed;
  const Picture p = Shot("engine_page");
  const EnginePlot g = EnginePlotGeometry(WIDTH, HEIGHT, ButtonHeight);
  EXPECT_EQ(EngineScale(150.0f), 200);
  EXPECT_EQ(EngineScale(2500.0f), 5000);
  const double torqueScale = EngineScale(e.maxTorque), powerScale = EngineScale(e.maxPower * ENGINE_BHP_PER_WATT);
  EXPECT_GE(torqueScale, e.maxTorque);
  int torques = 0, powers = 0;
  for (int x = 8; x < int(g.width) - 2; x += 23) {
    const double s = double(x) * e.redline / g.width;
    const double n = NetTorque(e, s);
    const int ty = int(std::lround(g.zeroY - g.height * n / torqueScale));
    const int py = int(std::lround(g.zeroY - g.height * (n * s * 0.0013413) / powerScale));
    if (std::abs(ty - py) < 4) continue;  // where they cross either may lie on top
    const int column = int(g.left) + x;
    const auto within1 = [&](int y, bool (*test)(const uint8_t*)) {
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
          if (test(p.At(column + dx, y + dy))) return true;
      return false;
    };
    EXPECT_TRUE(within1(ty, IsTorqueColour)) << "torque at column " << x << " row " << ty << ": " << Rgb(p.At(column, ty));
    EXPECT_TRUE(within1(py, IsPowerColour)) << "power at column " << x << " row " << py << ": " << Rgb(p.At(column, py));
    torques += within1(ty, IsTorqueColour), powers += within1(py, IsPowerColour);
  }
  EXPECT_GT(torques, 10);
  EXPECT_GT(powers, 10);

  // The rev counter in the middle of the lower right quarter, round, its radius 0.42 of the
  // quarter's smaller side (161 pixels here).  The needle at idle: the dial's figures in
  // thousands of rpm up to the redline's.
  const double rpmThousands = e.idleSpeed * 60.0 / (2.0 * M_PI * 1000.0);
  const int maximum = 1 + int(std::lround(e.redline * 60.0 / (2.0 * M_PI * 1000.0)));
  const double angle = ENGINE_REV_COUNTER_START + ENGINE_REV_COUNTER_TURN * std::clamp(rpmThousands / maximum, 0.0, 1.0);
  const double r = 0.42 * std::min(WIDTH, HEIGHT) / 2.0;
  const double cx = 0.75 * WIDTH, cy = 0.75 * HEIGHT;
  EXPECT_TRUE(p.Near(int(cx + std::cos(angle) * 0.4 * r), int(cy - std::sin(angle) * 0.4 * r), IsNeedle))
      << "the needle at idle";
  EXPECT_FALSE(p.Near(int(cx + std::cos(angle + 1.2) * 0.4 * r), int(cy - std::sin(angle + 1.2) * 0.4 * r), IsNeedle))
      << "and not beside it";
  // Its white figures stand on a dark face, whatever lies behind, and are large enough to
  // read: the "5" at the top (marks every 1000 rpm from 240 degrees round to the right) at
  // least 12 pixels high.
  for (const double a : {45.0, 75.0, 105.0, 135.0}) {
    const uint8_t* face = p.At(int(cx + std::cos(a * M_PI / 180.0) * 0.5 * r), int(cy - std::sin(a * M_PI / 180.0) * 0.5 * r));
    EXPECT_LT(face[0] + face[1] + face[2], 120) << "the face at " << a << " degrees: " << Rgb(face);
  }
  int inkTop = HEIGHT, inkBottom = -1;
  for (int y = int(cy - r); y < int(cy - 0.5 * r); ++y)
    for (int x = int(cx - 0.1 * r); x <= int(cx + 0.1 * r); ++x) {
      const uint8_t* c = p.At(x, y);
      if (c[0] > 200 && c[1] > 200 && c[2] > 200) inkTop = std::min(inkTop, y), inkBottom = std::max(inkBottom, y);
    }
  EXPECT_GE(inkBottom - inkTop + 1, 12) << "the top figure's ink from row " << inkTop << " to " << inkBottom;

  // "save ENG" writes data/engine/<name>.eng; saving again gives the same bytes.
  Click("save ENG");
  ASSERT_EQ(OpenTextEntry.open, 1);
  EXPECT_STREQ(OpenTextEntry.prompt, "Enter name of ENGINE to SAVE");
  Answer("Mine");
  ASSERT_TRUE(std::filesystem::exists("data/engine/Mine.eng"));
  const std::vector<uint8_t> mine = EngineBytes(e, 0);  // as saved: the waves a non-turbo engine has none of go
  EXPECT_TRUE(MessageShown("Saved ^Ldata/engine/Mine.eng"));
  const std::vector<uint8_t> written = FileBytes("data/engine/Mine.eng");
  Click("save ENG");
  Answer("Mine");
  ASSERT_TRUE(TextEntryDialogSub.prss.alive && TextEntryDialogSub.state == ENTRY_ASK_OVERWRITE) << "overwrite?";
  TextEntrySubKey(&TextEntryDialogSub.prss, 'Y');  // the entry takes typed characters
  Frame(2);
  EXPECT_EQ(OpenTextEntry.open, 0);
  EXPECT_EQ(OpenEnginePage->prss.sub, nullptr);
  EXPECT_EQ(FileBytes("data/engine/Mine.eng"), written);

  // A file that reads but gives an engine the car cannot run is refused too.
  {
    EngineModel flat = e;
    std::memset(flat.waves, 0, sizeof flat.waves);
    flat.spreadMul = 0.0f;
    ASSERT_EQ(WriteEngineFile(flat, "data\\engine\\Flat.eng", nullptr, 0), 1);
    const std::vector<uint8_t> kept = EngineBytes(e, 0);
    EXPECT_EQ(EngineEditorLoadEngine(&OpenEnginePage->prss, "Flat", 0), 0);
    EXPECT_EQ(EngineBytes(e, 0), kept);
    ASSERT_EQ(OpenEnginePage->prss.sub, &MessageBoxDialog.prss);
    EXPECT_NE(std::string(MessageBoxDialog.first).find("Flat.eng"), std::string::npos) << MessageBoxDialog.first;
    Key(KEY_ESCAPE);
    ASSERT_EQ(OpenEnginePage->prss.sub, nullptr);
  }

  // A damaged file and a bad name leave the engine byte for byte, with a message.
  std::vector<uint8_t> cut(written.begin(), written.begin() + 40);
  std::ofstream("data/engine/Broken.eng", std::ios::binary).write(reinterpret_cast<const char*>(cut.data()), 40);
  const uint32_t* samplesBefore[ENGINE_WAVE_COUNT];
  for (int i = 0; i < ENGINE_WAVE_COUNT; ++i) samplesBefore[i] = e.waves[i].samples;
  const std::vector<uint8_t> before = EngineBytes(e, 0);
  Click("load ENG");
  EXPECT_STREQ(OpenTextEntry.prompt, "Enter name of ENGINE to LOAD");
  Answer("Broken");
  EXPECT_EQ(EngineBytes(e, 0), before);
  for (int i = 0; i < ENGINE_WAVE_COUNT; ++i) EXPECT_EQ(e.waves[i].samples, samplesBefore[i]);
  EXPECT_TRUE(MessageShown("Broken.eng")) << "the message names the file";
  EXPECT_TRUE(MessageShown("^8 - ")) << "and the field";
  ASSERT_NE(OpenEnginePage, nullptr);
  for (const char* bad : {"a/b", "a\\b", "../x"}) {
    EXPECT_EQ(EngineEditorLoadEngine(&OpenEnginePage->prss, bad, 0), 0) << bad;
    EXPECT_EQ(EngineEditorSaveEngine(&OpenEnginePage->prss, bad, 0), 0) << bad;
    while (OpenEnginePage->prss.sub) Key(KEY_ESCAPE);  // the message
  }
  EXPECT_EQ(EngineBytes(e, 0), before);
  EXPECT_FALSE(std::filesystem::exists("data/engine/b.eng"));
  // A save whose file cannot take the place of the old one fails and says so.
  std::filesystem::create_directories("data/engine/Taken.eng/inside");
  EXPECT_EQ(EngineEditorSaveEngine(&OpenEnginePage->prss, "Taken", 0), 0);
  while (OpenEnginePage->prss.sub) Key(KEY_ESCAPE);
  EXPECT_FALSE(MessageShown("Saved ^Ldata/engine/Taken.eng"));

  // "load ENG" of it on another car gives that car the same engine.
  Key(KEY_ESCAPE);
  Frame();
  OpenOn("Tourer");
  EngineModel& other = Engine();
  EXPECT_NE(EngineBytes(other, 0), mine);
  Click("load ENG");
  Answer("Mine");
  EXPECT_EQ(EngineBytes(other, 0), mine);
  EXPECT_EQ(other.running, 1u);
  EXPECT_NEAR(other.speed, other.idleSpeed, 0.05f * other.idleSpeed) << "at idle";

  // "load WAVES" takes only the sound figures and waves.
  EngineModel sample{};
  sample.Reset();
  ASSERT_EQ(LoadEngine(sample, "data\\engine\\V12.eng", nullptr, sample), 1);
  EngineModel definitionOnly = other;
  const std::vector<uint8_t> definition = MemoryWriteBody([&](DataFile& f) { definitionOnly.Write(f, 1, 0); });
  Click("load WAVES");
  EXPECT_STREQ(OpenTextEntry.prompt, "Enter name of engine from which to LOAD WAVES");
  Answer("V12");
  EngineModel after = other;
  EXPECT_EQ(MemoryWriteBody([&](DataFile& f) { after.Write(f, 1, 0); }), definition) << "the definition stays";
  EXPECT_EQ(std::memcmp(other.soundParams, sample.soundParams, sizeof sample.soundParams), 0);
  for (int i = 0; i < ENGINE_WAVE_COUNT; ++i) {
    ASSERT_EQ(other.waves[i].count, sample.waves[i].count) << i;
    if (sample.waves[i].count) {
      EXPECT_EQ(std::memcmp(other.waves[i].samples, sample.waves[i].samples, sample.waves[i].count * 4u), 0) << i;
    }
  }
  sample.FreeWaves();
}

}  // namespace
